// The factory reset part of the General page: the display-mode command that opens it (matrix
// mode), then the acknowledged restore steps, as one exchange of the runner under the "Setting"
// busy dialog.
#pragma once

#include <functional>

#include "pages/general/general_parts.h"

namespace velantor {

// What the reset part needs of the other parts.
struct FactoryResetPeers {
  std::function<bool()> refuseWhileBusy;       // "Please wait..." while the page is busy
  std::function<void(int mode)> showDisplayMode;  // the options show the switcher's display mode
  std::function<void()> beepRestored;          // the options show the beep on again
  std::function<void()> optionsUnsure;         // a step went unanswered: the options may have changed
};

class FactoryReset {
 public:
  FactoryReset(GeneralPageTools& tools, FactoryResetPeers peers);

  void OnFactoryReset();
  int RestoreFlag() const { return restoreFlag_; }
  // A display-mode setting went out: the reset is no longer what the switcher last did.
  void ClearRestoreFlag() { restoreFlag_ = 0; }
  // -1 idle, 0 waiting for the reset's display-mode acknowledgement, then 1..19.
  int RestoreStep() const;

 private:
  ReplyVerdict OnRestoreReply(const CommandFrame& frame, size_t index);
  void OnRestoreEnd(ExchangeEnd end);

  GeneralPageTools& tools_;
  FactoryResetPeers peers_;
  int restoreFlag_ = 0;
};

}  // namespace velantor
