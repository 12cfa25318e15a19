// The quick start of the command line on virtual time against the emulator model: --connect over
// TCP and over a serial device, --page chosen only once the link is up, and a serial device that
// is not there, which must not open another port in its place.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/main_dialog.h"
#include "app/page_table.h"
#include "app/quick_start.h"
#include "base/virtual_event_loop.h"
#include "link/port_directory.h"
#include "pages/general/general_page.h"
#include "sim/device_model.h"
#include "sim/sim_command_socket.h"
#include "sim/sim_serial_link.h"
#include "support/bytes.h"

namespace velantor {
namespace {

class QuickStartTest : public ::testing::Test {
 protected:
  QuickStartTest()
      : root(std::filesystem::temp_directory_path() /
             ("velantor-qs-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name())),
        directory((std::filesystem::create_directories(root / "sys/class/tty"), (root / "sys").string()),
                  (root / "dev").string()),
        model(loop),
        serial(loop, model),
        socket(loop, model, "127.0.0.1", 8123) {
    std::filesystem::create_directories(root / "dev");
    for (const char* name : {"ttyOTHER", "ttyVEL0"}) std::ofstream(root / "dev" / name) << "";
    shared.PageSocket = &socket;
    pages.Set(kPageGeneral, [this](MainWindowPort& mainWindow) {
      return std::make_unique<CGeneralPage>(loop, shared, mainWindow, serial, directory);
    });
  }
  ~QuickStartTest() override {
    quick.reset();
    main.reset();
    std::filesystem::remove_all(root);
  }

  // Puts the panel together as the program does and runs the quick start of `args`.
  std::string Start(const std::vector<std::string>& args) {
    const ParsedOptions parsed = ParsePanelOptions(args);
    EXPECT_TRUE(parsed.options) << parsed.error;
    if (!parsed.options) return "bad options";
    AddCommandLinePorts(*parsed.options, directory);
    main = std::make_unique<CMainDialog>(loop, shared, pages.MainWindowFactory());
    quick = std::make_unique<QuickStart>(loop, shared, *main, directory,
                                         std::make_unique<QuickStartControlsOf<CGeneralPage>>(General()));
    return quick->Run(*parsed.options);
  }
  CGeneralPage& General() { return *dynamic_cast<CGeneralPage*>(main->Page(kPageGeneral)); }
  std::string Path(const char* name) const { return (root / "dev" / name).string(); }
  // What reached the switcher, one text per frame.
  std::vector<std::string> Received() const {
    std::vector<std::string> frames;
    for (const auto& e : model.Log().Select(sim::Direction::kIn, sim::PayloadKind::kFrame)) {
      frames.push_back(testing::HexText(e.bytes));
    }
    return frames;
  }

  std::filesystem::path root;
  VirtualEventLoop loop;
  SharedState shared;
  PortDirectory directory;
  sim::DeviceModel model;
  sim::SimSerialLink serial;
  sim::SimCommandSocket socket;
  PageTable pages{shared};
  std::unique_ptr<CMainDialog> main;
  std::unique_ptr<QuickStart> quick;
};

TEST_F(QuickStartTest, TcpConnectsToTheGivenPortAndChoosesThePageOnlyOnceTheLinkIsUp) {
  EXPECT_EQ(Start({"--connect", "tcp:127.0.0.1:8123", "--page", "matrix"}), "");
  EXPECT_EQ(shared.LinkMode, 1);
  EXPECT_EQ(General().View().addressText, "127.0.0.1");
  EXPECT_EQ(shared.TcpLinkUp, 0);
  EXPECT_TRUE(quick->PagePending());
  loop.Advance(0);
  EXPECT_EQ(main->CurrentPage(), 1);  // the connect has not been confirmed yet

  loop.Advance(20);
  EXPECT_EQ(shared.TcpLinkUp, 1);
  EXPECT_EQ(main->CurrentPage(), 3);
  EXPECT_FALSE(quick->PagePending());
  // The device line was read before the General page was left: the status line names it.
  EXPECT_EQ(shared.Link.device, "HDMI MATRIX 4X4  v1.5");
  ASSERT_FALSE(Received().empty());
  EXPECT_EQ(Received().front(), "A5 5B 01 0A 00 00 00 00 00 00 00 00 F5");
}

TEST_F(QuickStartTest, WithoutAPortTcpGoesToPort8000AndAFailedConnectLeavesThePanelOnGeneral) {
  EXPECT_EQ(Start({"--connect", "tcp:127.0.0.1", "--page", "edid"}), "");
  loop.Advance(5000);
  EXPECT_EQ(socket.Counters().refusedConnects, 1);  // this switcher listens on 8123 only
  EXPECT_EQ(shared.TcpLinkUp, 0);
  EXPECT_EQ(shared.Message.DisplayedText(), "Connect to Matrix failed!");
  EXPECT_EQ(main->CurrentPage(), 1);
  EXPECT_TRUE(Received().empty());
}

TEST_F(QuickStartTest, SerialSelectsTheNamedDeviceRatherThanTheFirstInTheList) {
  EXPECT_EQ(Start({"--port", Path("ttyOTHER"), "--connect", "serial:" + Path("ttyVEL0")}), "");
  ASSERT_EQ(General().View().ports, (std::vector<std::string>{"COM1", "COM2"}));
  EXPECT_EQ(General().View().portSelection, 1);
  EXPECT_EQ(shared.ComLinkOpen, 1);
  EXPECT_EQ(serial.PortNumber(), 2);
  loop.Advance(500);
  ASSERT_FALSE(Received().empty());
  EXPECT_EQ(Received().front(), "A5 5B 01 0A 00 00 00 00 00 00 00 00 F5");
}

TEST_F(QuickStartTest, ASilentSwitcherGetsThePageChosenOnceItIsKnownNotToAnswer) {
  model.Faults().dropEvery = 1;
  EXPECT_EQ(Start({"--connect", "serial:" + Path("ttyVEL0"), "--page", "edid"}), "");
  loop.Advance(500);
  EXPECT_EQ(main->CurrentPage(), 1);
  EXPECT_TRUE(quick->PagePending());
  loop.Advance(30000);
  EXPECT_EQ(shared.Link.state, "no answer");
  EXPECT_EQ(main->CurrentPage(), 2);
  EXPECT_FALSE(quick->PagePending());
}

TEST_F(QuickStartTest, AMissingSerialDeviceIsReportedAndNoOtherPortIsOpenedInItsPlace) {
  const std::string problem =
      Start({"--port", Path("ttyOTHER"), "--connect", "serial:" + Path("ttyGONE"), "--page", "matrix"});
  EXPECT_NE(problem.find(Path("ttyGONE")), std::string::npos) << problem;
  EXPECT_NE(problem.find("not present"), std::string::npos) << problem;
  EXPECT_EQ(serial.Counters().opens + serial.Counters().failedOpens, 0);
  EXPECT_EQ(shared.ComLinkOpen, 0);
  loop.Advance(2000);
  EXPECT_EQ(main->CurrentPage(), 1);
  EXPECT_TRUE(Received().empty());
}

TEST_F(QuickStartTest, APageWithoutAConnectIsChosenAtOnceAndNothingIsSent) {
  EXPECT_EQ(Start({"--page", "edid"}), "");
  EXPECT_EQ(main->CurrentPage(), 2);
  EXPECT_FALSE(quick->PagePending());
  loop.Advance(1000);
  EXPECT_EQ(serial.Counters().opens, 0);
  EXPECT_EQ(socket.Counters().connects, 0);
  EXPECT_TRUE(Received().empty());
}

}  // namespace
}  // namespace velantor
