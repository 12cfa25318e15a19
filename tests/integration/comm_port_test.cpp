// The real serial port on a pseudo-terminal pair: byte-by-byte delivery and notices, writes in
// order and whole, no purge, re-open and close, hang-ups and the line settings on the device.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/virtual_event_loop.h"
#include "link/comm_port.h"
#include "link/port_directory.h"
#include "support/bytes.h"

namespace velantor {
namespace {
using testing::Hex;
using testing::HexText;

// The switcher's end of the line: the pty master.
class PtyPair {
 public:
  PtyPair() {
    char name[128] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) == 0) {
      slavePath_ = name;
      fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
      // The master must not echo or translate what the panel writes.
      termios tio{};
      tcgetattr(slave_, &tio);
      cfmakeraw(&tio);
      tcsetattr(slave_, TCSANOW, &tio);
    }
  }
  ~PtyPair() {
    CloseMaster();
    CloseOwnSlave();
  }
  bool Ok() const { return master_ >= 0; }
  const std::string& SlavePath() const { return slavePath_; }
  int Master() const { return master_; }

  void Send(const std::vector<uint8_t>& bytes) {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // Reads `count` bytes from the panel, waiting at most 2 s.
  std::vector<uint8_t> Receive(size_t count) {
    std::vector<uint8_t> out;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (out.size() < count && std::chrono::steady_clock::now() < end) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      uint8_t chunk[1024];
      ssize_t n = ::read(master_, chunk, std::min(sizeof chunk, count - out.size()));
      if (n > 0) out.insert(out.end(), chunk, chunk + n);
    }
    return out;
  }
  // True when the master sees the last slave descriptor gone, within `ms`.
  bool SlaveClosed(int ms) {
    pollfd p{master_, POLLIN, 0};
    return poll(&p, 1, ms) > 0 && (p.revents & POLLHUP);
  }
  void CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }
  // The descriptor openpty gave the test; closed so that only the port holds the slave.
  void CloseOwnSlave() {
    if (slave_ >= 0) ::close(slave_);
    slave_ = -1;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

// A page reduced to what it receives: bytes as hex text, notices as "#" and the message.
struct Recorder : PortOwner {
  int OnPortRxChar(uint8_t byte, int portNumber) override {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", byte);
    events.push_back(text);
    ports.push_back(portNumber);
    if (onByte) onByte(byte);
    return 0;
  }
  void OnPortNotice(unsigned message, int portNumber) override {
    char text[8];
    std::snprintf(text, sizeof text, "#%X", message);
    events.push_back(text);
    ports.push_back(portNumber);
  }
  size_t Bytes() const {
    size_t n = 0;
    for (const auto& e : events) n += e[0] != '#';
    return n;
  }
  std::vector<std::string> events;
  std::vector<int> ports;
  std::function<void(uint8_t)> onByte;
};

std::vector<std::string> Events(const std::string& hex) {
  std::vector<std::string> out;
  for (uint8_t b : Hex(hex)) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", b);
    out.push_back(text);
  }
  return out;
}

// Waits for a worker-side effect without running the loop, so nothing posted is delivered yet.
bool SpinUntil(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!done() && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return done();
}

class CommPortOnPty : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty_.Ok());
    number_ = directory_.AddPath(pty_.SlavePath());
    ASSERT_GT(number_, 0);
  }
  int OpenAndMonitor(PortOwner* owner, SerialSettings settings = {}) {
    if (!port_.Open(owner, number_, settings)) return 0;
    return port_.StartMonitoring();
  }

  VirtualEventLoop loop_;
  PtyPair pty_;
  PortDirectory directory_{"/nonexistent-sysfs", "/dev"};
  int failures_ = 0;
  CCommPort port_{loop_, directory_, [this] { ++failures_; }};
  int number_ = 0;
  Recorder page_;
};

const char* kAck = "A5 5B 02 03 03 00 02 00 00 00 00 00 F6";

TEST_F(CommPortOnPty, ABurstOfThirteenBytesArrivesByteByByteThenOneEventCharNotice) {
  ASSERT_EQ(OpenAndMonitor(&page_), 1);
  pty_.Send(Hex(kAck));
  ASSERT_TRUE(loop_.WaitUntil([&] { return page_.Bytes() == 13 && page_.events.back() == "#408"; }));
  auto expected = Events(kAck);
  expected.push_back("#408");
  EXPECT_EQ(page_.events, expected);
  EXPECT_EQ(page_.ports, std::vector<int>(14, number_));
  EXPECT_EQ(port_.BytesReceived(), 13u);
}

TEST_F(CommPortOnPty, NoticesFollowTheBytesInTheOrderOfTheMask) {
  SerialSettings settings;
  settings.eventMask = 0x1 | 0x2 | 0x8 | 0x40 | 0x80 | 0x100;
  ASSERT_EQ(OpenAndMonitor(&page_, settings), 1);
  pty_.Send(Hex("7E"));
  ASSERT_TRUE(loop_.WaitUntil([&] { return page_.events.size() == 6; }));
  EXPECT_EQ(page_.events, (std::vector<std::string>{"7E", "#402", "#401", "#404", "#405", "#408"}));
}

TEST_F(CommPortOnPty, OpeningANumberWithoutADeviceFailsAndStartsNoWorker) {
  const int missing = directory_.AddPath("/dev/velantor-no-such-tty");
  EXPECT_EQ(port_.Open(&page_, missing, {}), 0);
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_EQ(port_.StartMonitoring(), 0);
  EXPECT_EQ(directory_.LastError(missing), "/dev/velantor-no-such-tty: no such device (unplugged?)");

  EXPECT_EQ(port_.Open(&page_, 19, {}), 0);
  EXPECT_EQ(directory_.LastError(19), "COM19: no such device (unplugged?)");
  EXPECT_EQ(port_.PortNumber(), 19);
}

TEST_F(CommPortOnPty, ReopeningDropsWhatTheOldOpenHadTakenButNotYetDelivered) {
  Recorder oldPage;
  ASSERT_EQ(OpenAndMonitor(&oldPage), 1);
  pty_.Send(Hex("A5 5B 01"));
  ASSERT_TRUE(SpinUntil([&] { return port_.BytesReceived() == 3; }));

  ASSERT_EQ(OpenAndMonitor(&page_), 1);
  pty_.Send(Hex("A5 5B 02"));
  ASSERT_TRUE(loop_.WaitUntil([&] { return page_.Bytes() == 3; }));
  EXPECT_TRUE(oldPage.events.empty());
  EXPECT_EQ(page_.events, (std::vector<std::string>{"A5", "5B", "02", "#408"}));
}

TEST_F(CommPortOnPty, TwoWritesFromOneHandlerGoOutWholeAndInOrder) {
  const char* first = "A5 5B 01 0A 00 00 00 00 00 00 00 00 F5";
  const char* second = "A5 5B 02 03 03 00 02 00 00 00 00 00 F6";
  page_.onByte = [&](uint8_t) {
    port_.Write(Hex(first).data(), 13);
    port_.Write(Hex(second).data(), 13);
  };
  ASSERT_EQ(OpenAndMonitor(&page_), 1);
  pty_.Send(Hex("01"));
  ASSERT_TRUE(loop_.WaitUntil([&] { return page_.Bytes() == 1; }));
  EXPECT_EQ(HexText(pty_.Receive(26)), std::string(first) + " " + second);
}

TEST_F(CommPortOnPty, ABlockLongerThanTheBufferIsRefusedWholeAndAFullOneGoesOut) {
  ASSERT_EQ(OpenAndMonitor(&page_), 1);
  std::vector<uint8_t> tooLong(513, 0x11);
  std::vector<uint8_t> full(512);
  for (size_t i = 0; i < full.size(); ++i) full[i] = static_cast<uint8_t>(i);
  port_.Write(tooLong.data(), tooLong.size());
  port_.Write(full.data(), full.size());
  port_.Write(Hex("EE").data(), 1);
  EXPECT_EQ(pty_.Receive(512), full);
  EXPECT_EQ(pty_.Receive(1), Hex("EE"));
}

TEST_F(CommPortOnPty, BytesWaitingUnreadAreStillDeliveredWhenABlockIsWritten) {
  ASSERT_EQ(port_.Open(&page_, number_, {}), 1);
  pty_.Send(Hex(kAck));  // arrives while nobody reads the port
  const char* query = "A5 5B 01 0A 00 00 00 00 00 00 00 00 F5";
  port_.Write(Hex(query).data(), 13);
  ASSERT_EQ(port_.StartMonitoring(), 1);
  EXPECT_EQ(HexText(pty_.Receive(13)), query);
  ASSERT_TRUE(loop_.WaitUntil([&] { return page_.Bytes() == 13; }));
  EXPECT_EQ(std::vector<std::string>(page_.events.begin(), page_.events.begin() + 13), Events(kAck));
}

TEST_F(CommPortOnPty, ClosingTheFarEndIsReportedOnceAsAPortFailure) {
  ASSERT_EQ(OpenAndMonitor(&page_), 1);
  pty_.CloseOwnSlave();
  pty_.CloseMaster();
  ASSERT_TRUE(loop_.WaitUntil([&] { return failures_ == 1; }));
  EXPECT_TRUE(port_.IsOpen());  // the main window closes it on the notice
  port_.Close();
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_EQ(failures_, 1);
}

TEST_F(CommPortOnPty, CloseWhileTheWorkerWaitsReleasesTheDeviceOnReturn) {
  ASSERT_EQ(OpenAndMonitor(&page_), 1);
  pty_.CloseOwnSlave();
  ASSERT_FALSE(pty_.SlaveClosed(0));
  port_.Close();
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_TRUE(pty_.SlaveClosed(0));
  EXPECT_EQ(port_.StartMonitoring(), 0);
  port_.Write(Hex("01").data(), 1);  // a closed port takes nothing

  // The device is free again: the port, or another page's, opens it at once.
  CCommPort other(loop_, directory_, [] {});
  EXPECT_EQ(other.Open(&page_, number_, {}), 1);
}

TEST_F(CommPortOnPty, ASecondPortObjectIsRefusedWhileTheFirstHoldsTheDevice) {
  ASSERT_EQ(port_.Open(&page_, number_, {}), 1);
  CCommPort other(loop_, directory_, [] {});
  EXPECT_EQ(other.Open(&page_, number_, {}), 0);
  EXPECT_EQ(directory_.LastError(number_), pty_.SlavePath() + ": busy: another program holds the port");
  port_.Close();
  EXPECT_EQ(other.Open(&page_, number_, {}), 1);
  EXPECT_EQ(directory_.LastError(number_), "");
}

TEST_F(CommPortOnPty, TheLineSettingsAreThoseAskedForAndReadBack) {
  ASSERT_EQ(port_.Open(&page_, number_, {}), 1);
  EXPECT_TRUE(port_.SettingsApplied());
  EXPECT_EQ(port_.EventChar(), 'q');
  termios tio{};
  ASSERT_EQ(tcgetattr(pty_.Master(), &tio), 0);  // a master reports its slave's settings
  EXPECT_EQ(cfgetospeed(&tio), B115200);
  EXPECT_EQ(cfgetispeed(&tio), B115200);
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(tio.c_cflag & (PARENB | CRTSCTS | HUPCL), 0u);
  EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
  EXPECT_NE(tio.c_cflag & CLOCAL, 0u);
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);
  EXPECT_EQ(tio.c_cc[VMIN], 1);
  EXPECT_EQ(tio.c_cc[VTIME], 0);

  SerialSettings probe;
  probe.baud = 9600;
  probe.parity = 'E';
  probe.dataBits = 7;
  probe.stopBits = 1;
  ASSERT_EQ(port_.Open(&page_, number_, probe), 1);
  ASSERT_EQ(tcgetattr(pty_.Master(), &tio), 0);
  EXPECT_EQ(cfgetospeed(&tio), B9600);
  EXPECT_EQ(tio.c_cflag & CSTOPB, 0u);
  // Recent kernels keep a pseudo-terminal at 8 bits without parity; the port must tell.
  const bool tookFraming = (tio.c_cflag & CSIZE) == CS7 && (tio.c_cflag & (PARENB | PARODD)) == PARENB;
  EXPECT_EQ(port_.SettingsApplied(), tookFraming);

  probe.baud = 123456;  // no such rate: tolerated, the port opens as it could be set
  EXPECT_EQ(port_.Open(&page_, number_, probe), 1);
  EXPECT_FALSE(port_.SettingsApplied());
}

}  // namespace
}  // namespace velantor
