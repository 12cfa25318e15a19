#include "pages/page_set.h"

#include "pages/general/general_page.h"

namespace velantor {

void FillPageTable(PageTable& table, const PageSetLinks& links) {
  table.Set(kPageGeneral, [links](MainWindowPort& mainWindow) {
    return std::make_unique<CGeneralPage>(links.loop, links.shared, mainWindow, links.portFor(kPageGeneral),
                                          links.directory);
  });
}

}  // namespace velantor
