// The IP search's answers and the network configuration's confirmation, as datagrams of any
// content, size and sender arriving on their sockets, in pieces, between searches.
//
// Input: a sequence of datagrams, each a control byte c and then its bytes: bits 0-5 give the
// length (c & 0x3F) * 2, bit 6 sends it from a second address, bit 7 to the configuration dialog
// (else to the search). A length byte of 0x3F takes the rest of the input (up to 1500 bytes),
// so datagrams longer than one receive are reached; 0x3E sends the last configuration packet
// back with the byte at the position given by the next input byte set to the one after it.
#include <cstdint>
#include <string>
#include <vector>

#include "base/virtual_event_loop.h"
#include "fuzz_input.h"
#include "pages/general/ip_search.h"
#include "pages/general/network_config.h"
#include "sim/sim_datagram_socket.h"

namespace {

struct NullMainWindow : velantor::MainWindowPort {
  void PostMainMessage(unsigned, int) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velantor;
  fuzz::FuzzInput in(data, size);
  VirtualEventLoop loop;
  SharedState shared;
  NullMainWindow mainWindow;
  sim::SimDatagramSocket socket(loop);
  IpSearch search(loop, shared, mainWindow, socket);
  CNetworkConfigDialog config(loop, shared, mainWindow, socket, search.MatrixMac);
  search.SetRoute({"127.0.0.1", 0, "127.0.0.1", 9});
  config.SetRoute({"127.0.0.1", 0, "127.0.0.1", 9});
  search.SearchMatrix();
  while (!in.Done()) {
    const uint8_t c = in.Byte();
    const size_t length = (c & 0x3F) == 0x3F ? 1500 : (c & 0x3F) * 2u;
    std::vector<uint8_t> bytes;
    if ((c & 0x3F) == 0x3E && config.PacketsSent() > 0) {
      // The packet we sent, back with one byte changed (the matrix's confirmation sets one).
      bytes.assign(config.LastPacket().begin(), config.LastPacket().end());
      const size_t at = in.Byte() % bytes.size();
      bytes[at] = in.Byte();
    } else {
      auto taken = in.Take(length);
      bytes.assign(taken.begin(), taken.end());
    }
    const std::string from = (c & 0x40) ? "127.0.0.3" : "127.0.0.2";
    if (c & 0x80) {
      if (!config.AwaitingConfirmation()) {
        config.OpenNetworkConfig();
        // Without a search answer the new MAC fields are empty; fill them so OK sends.
        for (int i = 0; i < 6; ++i) {
          if (config.View().mac[static_cast<size_t>(i)].size() != 2) config.OnMacEdited(i, "0" + std::to_string(i));
        }
        config.OnOk();
      }
      config.OnReceive(bytes.data(), bytes.size(), from);
    } else {
      search.OnReceive(bytes.data(), bytes.size(), from);
      if (!search.Matrices().empty()) search.OnAddressSelected(static_cast<int>(c % search.Matrices().size()));
    }
    // At most one partial answer is kept, and the list stays within its bound.
    if (search.Matrices().size() > IpSearch::kMaxMatrices || search.BufferedBytes() >= IpSearch::kReplyMinimum ||
        config.BufferedBytes() >= kConfigPacketSize) {
      __builtin_trap();
    }
    loop.Advance(100);
  }
  loop.Advance(5000);
  return 0;
}
