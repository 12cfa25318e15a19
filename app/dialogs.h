// The shared message, busy and configuring dialogs as state. Views show them window-modal but
// nothing here waits for them: a handler that "shows the dialog" sets the state and returns, and
// the page's timers, replies and socket events go on being handled while it is open.
#pragma once

#include <string>

#include "app/change_notifier.h"
#include "base/event_loop.h"

namespace velantor {

// The message dialog: one line, closed by the auto-close timer of the page that opened it.
class MessageDialog {
 public:
  std::string MessageText;
  int MessageShown = 0;

  // Opens the dialog with the current MessageText (the line it keeps while open).
  void Open();
  // The close operation behind the dialog's button, which the pages' timers call.
  void Close();
  bool IsOpen() const { return open_; }
  const std::string& DisplayedText() const { return displayed_; }
  int OpenCount() const { return openCount_; }
  ChangeNotifier& Changed() { return changed_; }

 private:
  bool open_ = false;
  std::string displayed_;
  int openCount_ = 0;
  ChangeNotifier changed_;
};

// Steps 1 to 4 of showing a message: start the page's auto-close timer, set the text, and open
// the dialog unless the guard finds it already open.
void ShowMessage(TimerTarget& page, MessageDialog& dialog, int timerId, int periodMs,
                 const std::string& text, bool guard = false);
// Step 5, for the page's auto-close timer: stop it and close the dialog.
void CloseMessage(TimerTarget& page, MessageDialog& dialog, int timerId);

// The busy dialog: an animated line of dots while a page waits for the switcher.
class BusyDialog {
 public:
  std::string BusyText;
  int BusyShown = 0;

  // Opens the dialog unless it is already open (then the open one is reused).
  void Show();
  void Refresh();
  void Close();
  bool IsOpen() const { return open_; }
  const std::string& DisplayedText() const { return displayed_; }
  ChangeNotifier& Changed() { return changed_; }

 private:
  bool open_ = false;
  std::string displayed_;
  ChangeNotifier changed_;
};

// The busy-text families; every phase of a family has the same length, so the line does not
// shift while it animates.
enum class BusyFamily { kSetting, kCopying, kDownloading, kGettingStatus, kPleaseWait, kConfiguring };
std::string BusyPhaseText(BusyFamily family, int phase);  // phase 1, 2 or 3 dots
int NextBusyPhase(int phase);                              // 1 -> 2 -> 3 -> 1

// The configuring dialog of a network configuration: its own animation and 10-second time-out,
// then driven by the main window.
class ConfiguringDialog : public TimerTarget {
 public:
  static constexpr int kAnimationTimer = 1;
  static constexpr int kCloseTimerA = 2;
  static constexpr int kTimeoutTimer = 3;
  static constexpr int kCloseTimerB = 4;

  ConfiguringDialog(EventLoop& loop, int& configurationSuccess)
      : TimerTarget(loop), configurationSuccess_(configurationSuccess) {}

  void Open();
  // Stops the animation and the time-out, then shows `text`.
  void SetText(const std::string& text);
  void Close();
  void OnTimer(int id) override;

  bool IsOpen() const { return open_; }
  const std::string& Text() const { return text_; }
  int Phase() const { return phase_; }
  ChangeNotifier& Changed() { return changed_; }

 private:
  void Show(const std::string& text);
  int& configurationSuccess_;
  bool open_ = false;
  int phase_ = 1;
  std::string text_;
  ChangeNotifier changed_;
};

}  // namespace velantor
