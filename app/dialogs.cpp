#include "app/dialogs.h"

#include <array>

namespace velantor {

void MessageDialog::Open() {
  open_ = true;
  displayed_ = MessageText;
  ++openCount_;
  changed_.Notify();
}

void MessageDialog::Close() {
  MessageShown = 0;
  open_ = false;
  changed_.Notify();
}

void ShowMessage(TimerTarget& page, MessageDialog& dialog, int timerId, int periodMs,
                 const std::string& text, bool guard) {
  page.SetTimer(timerId, periodMs);
  dialog.MessageText = text;
  if (guard && dialog.MessageShown == 1) return;
  dialog.MessageShown = 1;
  dialog.Open();
}

void CloseMessage(TimerTarget& page, MessageDialog& dialog, int timerId) {
  page.KillTimer(timerId);
  dialog.Close();
}

void BusyDialog::Show() {
  if (BusyShown == 1) return;
  BusyShown = 1;
  open_ = true;
  displayed_ = BusyText;
  changed_.Notify();
}

void BusyDialog::Refresh() {
  displayed_ = BusyText;
  changed_.Notify();
}

void BusyDialog::Close() {
  BusyShown = 0;
  open_ = false;
  changed_.Notify();
}

std::string BusyPhaseText(BusyFamily family, int phase) {
  static const std::array<const char*, 6> kWords = {"Setting",     "Copying",     "Downloading",
                                                    "Getting status", "Please wait", "Configuring"};
  static const std::array<const char*, 3> kDots = {" .    ", " . .  ", " . . ."};
  if (phase < 1 || phase > 3) phase = 3;
  return std::string(kWords[static_cast<size_t>(family)]) + kDots[static_cast<size_t>(phase - 1)];
}

int NextBusyPhase(int phase) { return phase >= 3 || phase < 1 ? 1 : phase + 1; }

void ConfiguringDialog::Show(const std::string& text) {
  text_ = text;
  changed_.Notify();
}

void ConfiguringDialog::Open() {
  // Only this configuration's confirmation may turn its time-out into a success: the flag a
  // confirmed one set stays behind, because its SetText stopped the time-out that clears it.
  configurationSuccess_ = 0;
  open_ = true;
  phase_ = 1;
  SetTimer(kAnimationTimer, 500);
  SetTimer(kTimeoutTimer, 10000);
  Show("Configuring . . .");
}

void ConfiguringDialog::SetText(const std::string& text) {
  KillTimer(kAnimationTimer);
  KillTimer(kTimeoutTimer);
  Show(text);
}

void ConfiguringDialog::Close() {
  for (int id : {kAnimationTimer, kCloseTimerA, kTimeoutTimer, kCloseTimerB}) KillTimer(id);
  open_ = false;
  changed_.Notify();
}

void ConfiguringDialog::OnTimer(int id) {
  switch (id) {
    case kAnimationTimer: {
      // The phase names the text shown next: 1 -> two dots, 2 -> three dots, 3 -> one dot.
      static const char* const kNext[] = {"Configuring . .  ", "Configuring . . .", "Configuring .    "};
      Show(kNext[phase_ - 1]);
      phase_ = phase_ % 3 + 1;
      break;
    }
    case kTimeoutTimer:
      KillTimer(kAnimationTimer);
      KillTimer(kTimeoutTimer);
      if (configurationSuccess_ == 1) {
        configurationSuccess_ = 0;
        Show("Matrix configuration completed successfully!");
      } else {
        Show("configure failed!");
      }
      SetTimer(kCloseTimerB, 2000);
      break;
    case kCloseTimerA:
    case kCloseTimerB:
      KillTimer(id);
      Close();
      break;
    default:
      break;
  }
}

}  // namespace velantor
