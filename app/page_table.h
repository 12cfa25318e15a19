// The four pages the shell knows by number: their header titles, written here once, and the
// factory of each page, which the program that puts the panel together fills in. A page without
// a factory yet is the empty placeholder page.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/main_dialog.h"
#include "app/shared_state.h"
#include "app/shell_page.h"
#include "app/window_messages.h"

namespace velantor {

// "General", "EDID", "Matrix", "FW Upgrade" for pages 1 to 4; "" for any other number.
const char* PageTitle(int page);

class PageTable {
 public:
  using Factory = std::function<std::unique_ptr<ShellPage>(MainWindowPort& mainWindow)>;

  explicit PageTable(SharedState& shared) : shared_(shared) {}

  // Gives page `page` its factory; numbers outside 1 to 4 are ignored.
  void Set(int page, Factory factory);
  bool Has(int page) const;
  // The page made by its factory, or a placeholder page when it has none.
  std::unique_ptr<ShellPage> Make(int page, MainWindowPort& mainWindow) const;
  // The factory the main window takes; the table must outlive the main window.
  CMainDialog::PageFactory MainWindowFactory() const;

 private:
  static bool Valid(int page) { return page >= kPageGeneral && page <= kPageFirmware; }

  SharedState& shared_;
  std::array<Factory, 4> factories_;
};

}  // namespace velantor
