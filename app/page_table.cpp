#include "app/page_table.h"

#include "app/placeholder_page.h"

namespace velantor {

namespace {
constexpr std::array<const char*, 4> kTitles = {"General", "EDID", "Matrix", "FW Upgrade"};
}

const char* PageTitle(int page) {
  return page >= kPageGeneral && page <= kPageFirmware ? kTitles[static_cast<size_t>(page - 1)] : "";
}

void PageTable::Set(int page, Factory factory) {
  if (Valid(page)) factories_[static_cast<size_t>(page - 1)] = std::move(factory);
}

bool PageTable::Has(int page) const { return Valid(page) && factories_[static_cast<size_t>(page - 1)]; }

std::unique_ptr<ShellPage> PageTable::Make(int page, MainWindowPort& mainWindow) const {
  if (Has(page)) {
    if (auto made = factories_[static_cast<size_t>(page - 1)](mainWindow)) return made;
  }
  return std::make_unique<PlaceholderPage>(shared_);
}

CMainDialog::PageFactory PageTable::MainWindowFactory() const {
  return [this](int page, MainWindowPort& mainWindow) { return Make(page, mainWindow); };
}

}  // namespace velantor
