// The main window's logic: current page, header selection and lock, the tab action that moves
// the link to the chosen page, and the program-wide messages and timers.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include "app/change_notifier.h"
#include "app/dialogs.h"
#include "base/event_loop.h"
#include "app/shared_state.h"
#include "app/shell_page.h"
#include "app/window_messages.h"

namespace velantor {

class CMainDialog : public TimerTarget, public MainWindowPort {
 public:
  // Makes the page with the given number (kPageGeneral ... kPageFirmware). The General page is
  // made at once, the others the first time their header is chosen. Pages reach the main window
  // through the port they are given.
  using PageFactory = std::function<std::unique_ptr<ShellPage>(int page, MainWindowPort& mainWindow)>;

  // Timer ids of the main window.
  static constexpr int kTimerStartGeneral = 1;
  static constexpr int kTimerStartEdid = 2;
  static constexpr int kTimerStartFirmware = 3;
  static constexpr int kTimerStartMatrix = 4;
  static constexpr int kTimerSearchText = 7;
  static constexpr int kTimerSearch = 8;
  static constexpr int kTimerSearchFailed = 9;
  static constexpr int kTimerCloseConfiguring = 10;
  static constexpr int kTimerMessage = 55;

  CMainDialog(EventLoop& loop, SharedState& shared, PageFactory factory);
  ~CMainDialog() override;

  // A click on a header: ignored while a page locks the headers, else the tab action.
  void OnHeaderClick(int page);
  // The tab action of page P (also run when P is already shown).
  void TabAction(int page);

  // Window messages (handled at once; PostMainMessage queues them through the loop).
  void PostMainMessage(unsigned message, int wParam) override;
  void HandleMessage(unsigned message, int wParam);
  void OnTimer(int id) override;

  int CurrentPage() const { return shared_.CurrentPage; }
  bool HeaderSelected(int page) const { return selected_[Index(page)]; }
  bool HeadersEnabled() const { return headersEnabled_; }
  bool HeadersLocked() const;
  ShellPage* Page(int page) const { return pages_[Index(page)].get(); }
  // The first page's reason not to close the program now, or empty when closing is harmless.
  std::string CloseWarning() const;
  GeneralShellPage* General() const;
  ConfiguringDialog& Configuring() { return configuring_; }
  SharedState& Shared() { return shared_; }
  ChangeNotifier& Changed() { return changed_; }

 private:
  static size_t Index(int page) { return static_cast<size_t>(page < 1 || page > 4 ? 0 : page - 1); }
  static int StartTimerOf(int page);
  ShellPage& EnsurePage(int page);
  void RunStartAction(int page);

  SharedState& shared_;
  PageFactory factory_;
  std::array<std::unique_ptr<ShellPage>, 4> pages_;
  std::array<bool, 4> selected_{true, false, false, false};
  bool headersEnabled_ = true;
  ConfiguringDialog configuring_;
  ChangeNotifier changed_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace velantor
