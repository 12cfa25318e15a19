#include "pages/page_set.h"

#include "pages/edid/edid_page.h"
#include "pages/firmware/upgrade_page.h"
#include "pages/general/general_page.h"
#include "pages/matrix/matrix_page.h"

namespace velantor {

void FillPageTable(PageTable& table, const PageSetLinks& links) {
  table.Set(kPageGeneral, [links](MainWindowPort& mainWindow) {
    return std::make_unique<CGeneralPage>(links.loop, links.shared, mainWindow, links.portFor(kPageGeneral),
                                          links.directory);
  });
  table.Set(kPageEdid, [links](MainWindowPort& mainWindow) {
    return std::make_unique<CEdidPage>(links.loop, links.shared, mainWindow, links.portFor(kPageEdid));
  });
  table.Set(kPageFirmware, [links](MainWindowPort& mainWindow) {
    return std::make_unique<CUpgradePage>(links.loop, links.shared, mainWindow, links.portFor(kPageFirmware));
  });
  table.Set(kPageMatrix, [links](MainWindowPort& mainWindow) {
    return std::make_unique<CMatrixPage>(links.loop, links.shared, mainWindow, links.portFor(kPageMatrix));
  });
}

}  // namespace velantor
