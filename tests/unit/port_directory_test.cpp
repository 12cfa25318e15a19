// The port directory on a fake sysfs and /dev tree: which ttys count as real ports, stable COM
// numbers, the limit of nineteen, descriptions and the user's texts for failed opens.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/port_directory.h"

namespace velantor {
namespace {
namespace fs = std::filesystem;

class FakeTree : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/velantor-ports-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    fs::create_directories(Sys() + "/class/tty");
    fs::create_directories(Dev() + "/serial/by-id");
    // The machine most users have: a USB adapter, a USB modem, a console without a device,
    // a virtual tty, an empty UART slot (type 0) and a real UART (type 4).
    AddTty("ttyUSB0", "devices/pci0000:00/usb1/1-1/1-1:1.0");
    AddTty("ttyACM0", "devices/pci0000:00/usb1/1-2/1-2:1.0");
    AddTty("tty0", "");
    AddTty("ttyprintk", "devices/virtual/misc/ttyprintk");
    AddTty("ttyS0", "devices/platform/serial8250", "0");
    AddTty("ttyS1", "devices/platform/serial8250", "4");
    fs::create_symlink("../../ttyUSB0", Dev() + "/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0");
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string Sys() const { return root_ + "/sys"; }
  std::string Dev() const { return root_ + "/dev"; }

  // A class/tty entry whose device link points at `device` (none when empty), with its node.
  void AddTty(const std::string& name, const std::string& device, const std::string& type = "") {
    const std::string entry = Sys() + "/class/tty/" + name;
    fs::create_directories(entry);
    if (!device.empty()) {
      fs::create_directories(Sys() + "/" + device);
      fs::create_symlink("../../../" + device, entry + "/device");
    }
    if (!type.empty()) std::ofstream(entry + "/type") << type << "\n";
    Touch(Dev() + "/" + name);
  }
  void RemoveTty(const std::string& name) {
    fs::remove_all(Sys() + "/class/tty/" + name);
    fs::remove(Dev() + "/" + name);
  }
  static void Touch(const std::string& path) { std::ofstream{path}; }

  std::string root_;
};

TEST_F(FakeTree, ListsOnlyRealPortsInNameOrderAndAnAddedPathWhileItsFileExists) {
  PortDirectory directory(Sys(), Dev());
  EXPECT_EQ(directory.PresentNumbers(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(directory.PathFor(1), Dev() + "/ttyACM0");
  EXPECT_EQ(directory.PathFor(2), Dev() + "/ttyS1");
  EXPECT_EQ(directory.PathFor(3), Dev() + "/ttyUSB0");
  EXPECT_EQ(directory.NumberFor(Dev() + "/ttyS0"), 0);
  EXPECT_EQ(directory.NumberFor(Dev() + "/tty0"), 0);
  EXPECT_EQ(directory.NumberFor(Dev() + "/ttyprintk"), 0);

  const std::string pty = root_ + "/pts-7";
  Touch(pty);
  EXPECT_EQ(directory.AddPath(pty), 4);
  EXPECT_EQ(directory.AddPath(pty), 4);
  EXPECT_EQ(directory.NumberFor(pty), 4);
  EXPECT_EQ(directory.PresentNumbers(), (std::vector<int>{1, 2, 3, 4}));

  fs::remove(pty);
  directory.Rescan();
  EXPECT_EQ(directory.PresentNumbers(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(directory.PathFor(4), pty);
  Touch(pty);
  directory.Rescan();
  EXPECT_TRUE(directory.IsPresent(4));
}

TEST_F(FakeTree, SkipsEntriesWhoseDeviceLinkIsBrokenAndUartsWithoutType) {
  AddTty("ttyS2", "devices/platform/serial8250");  // no type file
  const std::string entry = Sys() + "/class/tty/ttyUSB1";
  fs::create_directories(entry);
  fs::create_symlink("../../../devices/gone", entry + "/device");
  PortDirectory directory(Sys(), Dev());
  EXPECT_EQ(directory.PresentNumbers().size(), 3u);
  EXPECT_EQ(directory.NumberFor(Dev() + "/ttyS2"), 0);
  EXPECT_EQ(directory.NumberFor(Dev() + "/ttyUSB1"), 0);
}

TEST_F(FakeTree, AnUnpluggedAdapterKeepsItsNumberAndANewOneNeverTakesIt) {
  PortDirectory directory(Sys(), Dev());
  ASSERT_EQ(directory.NumberFor(Dev() + "/ttyUSB0"), 3);

  RemoveTty("ttyUSB0");
  AddTty("ttyUSB1", "devices/pci0000:00/usb1/1-3/1-3:1.0");
  directory.Rescan();
  EXPECT_EQ(directory.PresentNumbers(), (std::vector<int>{1, 2, 4}));
  EXPECT_EQ(directory.PathFor(4), Dev() + "/ttyUSB1");
  EXPECT_EQ(directory.PathFor(3), Dev() + "/ttyUSB0");

  AddTty("ttyUSB0", "devices/pci0000:00/usb1/1-1/1-1:1.0");
  directory.Rescan();
  EXPECT_EQ(directory.PresentNumbers(), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(directory.NumberFor(Dev() + "/ttyUSB0"), 3);
}

TEST_F(FakeTree, NumbersStopAtNineteenAndLaterPathsAreNotListed) {
  PortDirectory directory(Sys(), Dev());
  for (int i = 0; i < 16; ++i) {
    const std::string path = root_ + "/pty" + std::to_string(i);
    Touch(path);
    EXPECT_EQ(directory.AddPath(path), 4 + i);
  }
  const std::string extra = root_ + "/pty-extra";
  Touch(extra);
  EXPECT_EQ(directory.AddPath(extra), 0);
  EXPECT_EQ(directory.NumberFor(extra), 0);

  AddTty("ttyUSB5", "devices/pci0000:00/usb1/1-5/1-5:1.0");
  directory.Rescan();
  const auto present = directory.PresentNumbers();
  ASSERT_EQ(present.size(), 19u);
  EXPECT_EQ(present.back(), 19);
  EXPECT_EQ(directory.NumberFor(Dev() + "/ttyUSB5"), 0);
  EXPECT_EQ(directory.PathFor(20), "");
  EXPECT_EQ(directory.AddPath(""), 0);
}

TEST_F(FakeTree, DescribesANumberWithItsPathAndTheAdaptersStableName) {
  PortDirectory directory(Sys(), Dev());
  EXPECT_EQ(directory.Describe(3),
            "COM3 — " + Dev() + "/ttyUSB0 (usb-FTDI_FT232R_USB_UART_A10K-if00-port0)");
  EXPECT_EQ(directory.Describe(2), "COM2 — " + Dev() + "/ttyS1");
  EXPECT_EQ(directory.Describe(7), "COM7 — no device");
  RemoveTty("ttyUSB0");
  directory.Rescan();
  EXPECT_EQ(directory.Describe(3), "COM3 — " + Dev() + "/ttyUSB0 (not present)");
}

TEST_F(FakeTree, AMissingSysfsListsNothingButAddedPaths) {
  PortDirectory directory(root_ + "/no-sys", Dev());
  EXPECT_TRUE(directory.PresentNumbers().empty());
  Touch(root_ + "/pty");
  EXPECT_EQ(directory.AddPath(root_ + "/pty"), 1);
  EXPECT_EQ(directory.PresentNumbers(), (std::vector<int>{1}));
}

TEST(PortDirectoryFailures, OpenErrorsBecomeTextsTheUserCanActOn) {
  EXPECT_EQ(PortDirectory::OpenFailureReason(ENOENT, "/dev/ttyUSB0"),
            "/dev/ttyUSB0: no such device (unplugged?)");
  EXPECT_EQ(PortDirectory::OpenFailureReason(ENXIO, "/dev/ttyUSB0"),
            "/dev/ttyUSB0: no such device (unplugged?)");
  EXPECT_EQ(PortDirectory::OpenFailureReason(EACCES, "/dev/ttyS1"),
            "/dev/ttyS1: permission denied: join the dialout group (sudo usermod -aG dialout "
            "$USER) and log in again");
  EXPECT_EQ(PortDirectory::OpenFailureReason(EBUSY, "/dev/ttyACM0"),
            "/dev/ttyACM0: busy: another program holds the port");
  EXPECT_NE(PortDirectory::OpenFailureReason(EINVAL, "/dev/x").find("/dev/x: "), std::string::npos);
}

TEST(PortDirectoryFailures, KeepsTheLastReasonPerNumberAndIgnoresNumbersOutOfRange) {
  PortDirectory directory("/nonexistent-sys", "/nonexistent-dev");
  directory.SetLastError(5, "busy");
  directory.SetLastError(6, "unplugged");
  directory.SetLastError(5, "permission denied");
  directory.SetLastError(20, "ignored");
  directory.SetLastError(0, "ignored");
  EXPECT_EQ(directory.LastError(5), "permission denied");
  EXPECT_EQ(directory.LastError(6), "unplugged");
  EXPECT_EQ(directory.LastError(20), "");
  directory.SetLastError(5, "");
  EXPECT_EQ(directory.LastError(5), "");
}

}  // namespace
}  // namespace velantor
