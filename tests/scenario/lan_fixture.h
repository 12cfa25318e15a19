// Shared fixture of the IP search and network configuration scenarios: the search and the
// configuration dialog sharing one socket as the General page holds them, the main window with
// its configuring dialog, and switchers on a simulated LAN, all in virtual time.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/main_dialog.h"
#include "base/virtual_event_loop.h"
#include "pages/general/ip_search.h"
#include "pages/general/network_config.h"
#include "sim/sim_datagram_socket.h"
#include "support/recording_main_window.h"

namespace velantor::testing {

// Counts what the search and the dialog post, then lets the main window handle it.
// The one duty of the General page here: the search the main window runs after a configuration.
class SearchOnlyPage : public GeneralShellPage {
 public:
  explicit SearchOnlyPage(IpSearch& search) : search_(search) {}
  void StartAction() override {}
  void ClosePort() override {}
  SocketReceiver* SocketTarget() override { return nullptr; }
  void CloseSerialLink() override {}
  void StartIpSearch() override { search_.SearchMatrix(); }

 private:
  IpSearch& search_;
};

class LanScenario : public ::testing::Test {
 protected:
  LanScenario()
      : lan(loop),
        shell(loop, shared,
              [this](int page, MainWindowPort&) -> std::unique_ptr<ShellPage> {
                if (page != kPageGeneral) return nullptr;
                return std::make_unique<SearchOnlyPage>(search);
              }),
        mainWindow(shell),
        search(loop, shared, mainWindow, lan),
        dialog(loop, shared, mainWindow, lan, search.MatrixMac) {
    // The loopback broadcast stands for the LAN's; the switchers listen on the real ports.
    search.SetRoute({"0.0.0.0", 30600, "127.255.255.255", 30600});
    dialog.SetRoute({"0.0.0.0", 30601, "127.255.255.255", 30601});
    first.mac = {0x02, 0x56, 0x4C, 0x54, 0x00, 0x01};
    first.ip = {192, 168, 1, 239};
    second.mac = {0x02, 0x56, 0x4C, 0x54, 0x00, 0x02};
    second.ip = {192, 168, 1, 240};
    shell.Configuring().Changed().Subscribe([this] {
      const std::string shown = shell.Configuring().IsOpen() ? shell.Configuring().Text() : "(closed)";
      if (configuringTexts.empty() || configuringTexts.back() != shown) configuringTexts.push_back(shown);
    });
  }

  int TimesShown(const std::string& text) const {
    return static_cast<int>(std::count(configuringTexts.begin(), configuringTexts.end(), text));
  }
  // Lines of the configuration dialog's hidden receive log: one per datagram.
  size_t ReceivedDatagrams() const {
    const std::string& text = dialog.ReceiveLog().Text();
    size_t n = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++n;
    return n;
  }
  // A switcher's 55-byte search answer.
  static std::vector<uint8_t> SearchAnswer(std::vector<uint8_t> mac, std::vector<uint8_t> ip) {
    std::vector<uint8_t> reply(55, 0);
    std::copy(mac.begin(), mac.end(), reply.begin());
    std::copy(ip.begin(), ip.end(), reply.begin() + 6);
    reply[18] = 0x77;
    reply[19] = 0x88;
    return reply;
  }

  VirtualEventLoop loop;
  SharedState shared;
  sim::NetworkIdentity first;
  sim::NetworkIdentity second;
  sim::SimDatagramSocket lan;
  CMainDialog shell;
  RecordingMainWindow mainWindow;
  IpSearch search;
  CNetworkConfigDialog dialog;
  std::vector<std::string> configuringTexts;  // what the configuring dialog showed, in order
};

}  // namespace velantor::testing
