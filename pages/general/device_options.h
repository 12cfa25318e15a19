// The device options part of the General page: beep, IR control, border, the display mode with
// its settings, the input channel, and the read-back chain that shows what the switcher has.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

#include "pages/general/device_view_state.h"
#include "pages/general/general_parts.h"

namespace velantor {

// What the options part needs of the other parts.
struct DeviceOptionsPeers {
  std::function<bool()> refuseWhileBusy;  // "Please wait..." while the page is busy
  std::function<void()> readBackDone;     // the read-back chain has ended
  std::function<void()> repairReadBack;   // read back after a failed option command
  std::function<void()> settingSent;      // a display-mode setting went out
};

class DeviceOptions {
 public:
  DeviceOptions(GeneralPageTools& tools, DeviceOptionsPeers peers);

  const GeneralOptionsViewState& View() const { return view_; }
  int DisplayMode() const { return displayMode_; }

  // User actions.
  void OnBeepCheck();
  void OnIrCheck();
  void OnBorderCheck();
  void OnModeCheck(int mode);  // 1 matrix, 2 multi-viewer, 3 video wall
  void OnLayoutSelChange(int index);
  void OnMainSelChange(int index);
  void OnAudioSelChange(int index);
  void OnWallXSelChange(int index);
  void OnWallYSelChange(int index);
  void OnInputCheck(int input);  // 1 to 4

  // The first query of the read-back chain.
  void StartReadBack();
  // The link closed or failed: the boxes stay, greyed, until they are read back again.
  void MarkStale() {
    view_.current = false;
    onlySettingsUnread_ = false;
  }
  // An option command cut short by leaving the page leaves the boxes unsure: true once, when the
  // options must be read back on return.
  bool TakeOwedReadBack() { return std::exchange(readBackOwed_, false); }
  // What a display mode enables, without going on with the read-back.
  void ShowDisplayMode(int mode);
  // The factory reset turned the beep on.
  void BeepRestored();
  // An option reply or read-back answer: true when it was this part's.
  bool OnFrame(const CommandFrame& frame, bool serialPath);

 private:
  struct Handler;
  void SendOnOff(uint8_t op, CheckViewState& box, std::optional<bool>& pending);
  void OnSwitchAck(CheckViewState& box, const std::optional<bool>& pending);
  void SettleFromState(std::optional<bool>& pending);
  bool SendSetting(bool valid, const CommandFrame& frame);
  void StartOptionCommand(const CommandFrame& frame);
  void OnOptionCommandEnd(ExchangeEnd end);
  void SendReadBackQuery(const CommandFrame& query);
  void ContinueReadBack(const CommandFrame& next);
  void EndReadBack();
  void BeginSettingsWalk();
  void ApplyDisplayMode(int mode);
  void ApplyInputChannel(int value, bool readBack, bool serialPath);
  void OnIrState(const CommandFrame& f, bool serialPath);
  void OnBeepState(const CommandFrame& f, bool serialPath);
  void OnIrAck(const CommandFrame& f, bool serialPath);
  void OnBeepAck(const CommandFrame& f, bool serialPath);
  void OnBorderAck(const CommandFrame& f, bool serialPath);
  void OnBorderState(const CommandFrame& f, bool serialPath);
  void OnDisplayModeAck(const CommandFrame& f, bool serialPath);
  void OnDisplayModeState(const CommandFrame& f, bool serialPath);
  void OnLayoutState(const CommandFrame& f, bool serialPath);
  void OnLayoutAck(const CommandFrame& f, bool serialPath);
  void OnMainAck(const CommandFrame& f, bool serialPath);
  void OnMainState(const CommandFrame& f, bool serialPath);
  void OnWallSizeAck(const CommandFrame& f, bool serialPath);
  void OnWallSizeState(const CommandFrame& f, bool serialPath);
  void OnInputChannelState(const CommandFrame& f, bool serialPath);
  void OnInputChannelAck(const CommandFrame& f, bool serialPath);

  GeneralPageTools& tools_;
  DeviceOptionsPeers peers_;
  GeneralOptionsViewState view_;
  int displayMode_ = 0;  // 0 until the switcher has told it
  std::optional<bool> pendingBeep_;
  std::optional<bool> pendingIr_;
  std::optional<bool> pendingBorder_;
  std::optional<int> pendingMain_;
  std::optional<int> pendingWallX_;
  std::optional<int> pendingWallY_;
  // The read-back walks only on the answer it waits for (opcode, sub-command), or on the
  // acknowledgement of the running option command: a duplicate or stray answer is shown but
  // sends nothing, so it cannot start a second walk beside the first.
  std::optional<std::pair<uint8_t, uint8_t>> readBackAwaited_;
  bool readBackMayGoOn_ = false;  // the frame being handled is one of those
  bool optionReplyAwaited_ = false;
  bool readBackOwed_ = false;
  bool walkMakesCurrent_ = false;  // the walk under way leaves every box read once it ends
  // A settings walk began with every other box read: only the mode's settings are unread.
  bool onlySettingsUnread_ = false;
};

}  // namespace velantor
