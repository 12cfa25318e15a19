// The IP search and the network configuration on a real UDP socket against the emulator's
// responders, through the loopback broadcast address, as on a LAN where we hear our own packets.
// The exchanges' other outcomes run on the simulated LAN of the scenario tests.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/virtual_event_loop.h"
#include "link/udp_socket.h"
#include "pages/general/ip_search.h"
#include "pages/general/network_config.h"
#include "sim/network_responder.h"
#include "sim/udp_responder.h"
#include "support/recording_main_window.h"

namespace velantor {
namespace {
using testing::RecordingMainWindow;

size_t Lines(const std::string& text) {
  size_t n = 0;
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++n;
  return n;
}

class IpSearchUdp : public ::testing::Test {
 protected:
  IpSearchUdp()
      : network(identity),
        searchResponder(loop, [this](const uint8_t* d, size_t n) { return network.OnSearch(d, n); }),
        configResponder(loop, [this](const uint8_t* d, size_t n) { return network.OnConfig(d, n); }),
        socket(loop),
        search(loop, shared, mainWindow, socket),
        dialog(loop, shared, mainWindow, socket, search.MatrixMac) {
    // The emulator and the panel share each port, as a matrix and a panel do on their own hosts;
    // the emulator answers by loopback broadcast so the panel's socket hears it.
    EXPECT_EQ(searchResponder.Bind("0.0.0.0", 0), "");
    EXPECT_EQ(configResponder.Bind("0.0.0.0", 0), "");
    searchResponder.SetReplyAddress("127.255.255.255");
    configResponder.SetReplyAddress("127.255.255.255");
    search.SetRoute({"0.0.0.0", searchResponder.Port(), "127.255.255.255", searchResponder.Port()});
    dialog.SetRoute({"0.0.0.0", configResponder.Port(), "127.255.255.255", configResponder.Port()});
  }
  bool SearchFinds(size_t n) {
    search.SearchMatrix();
    return loop.WaitUntil([&] { return search.Matrices().size() >= n; });
  }

  VirtualEventLoop loop;
  sim::NetworkIdentity identity;
  sim::NetworkResponder network;
  sim::UdpResponder searchResponder;
  sim::UdpResponder configResponder;
  SharedState shared;
  RecordingMainWindow mainWindow;
  UdpSocket socket;
  IpSearch search;
  CNetworkConfigDialog dialog;
};

TEST_F(IpSearchUdp, ASearchFindsTheEmulatorAndAConfirmedStaticAddressIsWhatTheNextSearchFinds) {
  ASSERT_TRUE(SearchFinds(1)) << search.LastError();
  EXPECT_EQ(search.Matrices()[0].address, "192.168.1.239");
  EXPECT_EQ(search.Matrices()[0].mac, "02564C540001");
  EXPECT_EQ(shared.MatrixAddress, "192.168.1.239");
  EXPECT_EQ(search.MatrixMac, "02564C540001");
  EXPECT_EQ(mainWindow.Count(0x41E, 2), 1);
  EXPECT_EQ(network.Counters().probes, 1);

  dialog.OpenNetworkConfig();
  dialog.OnStaticIp();
  dialog.OnIpEdited(2, "7");
  dialog.OnIpEdited(3, "77");
  dialog.OnMacEdited(5, "2a");
  dialog.OnOk();
  ASSERT_EQ(dialog.LastError(), "");
  EXPECT_EQ(mainWindow.Count(0x41D, 1), 1);
  ASSERT_TRUE(loop.WaitUntil([&] { return mainWindow.Count(0x41E, 1) == 1; }));
  // Our own packet came back first and was not taken for the answer.
  EXPECT_EQ(Lines(dialog.ReceiveLog().Text()), 2u);
  EXPECT_EQ(network.Counters().configsApplied, 1);
  EXPECT_EQ(identity.gateway, (std::array<uint8_t, 4>{192, 168, 7, 1}));

  mainWindow.posted.clear();
  ASSERT_TRUE(SearchFinds(1)) << search.LastError();
  EXPECT_EQ(search.Matrices()[0].address, "192.168.7.77");
  EXPECT_EQ(search.Matrices()[0].mac, "02564C54002A");
  EXPECT_EQ(mainWindow.Count(0x41E, 2), 1);
}

}  // namespace
}  // namespace velantor
