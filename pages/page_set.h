// The four core pages put together for a program: the panel, the command-line client and the
// scenario tests fill their page table from here, so each page is wired once.
#pragma once

#include <functional>

#include "app/page_table.h"
#include "app/shared_state.h"
#include "base/event_loop.h"
#include "link/serial_link.h"

namespace velantor {

class PortDirectory;
class DatagramSocket;

// What the pages are made with. Each page owns its own serial port: `portFor(page)` gives the
// one of page `page` (made on first use by the program that puts the panel together).
struct PageSetLinks {
  EventLoop& loop;
  SharedState& shared;
  PortDirectory& directory;
  std::function<SerialLink&(int page)> portFor;
};

// Gives every page built so far its factory; the others stay placeholders.
void FillPageTable(PageTable& table, const PageSetLinks& links);

}  // namespace velantor
