// The panel's command line: quick-start links, the page choice, and clear refusals.
#include <gtest/gtest.h>

#include "app/command_line.h"

namespace velantor {
namespace {

ParsedOptions Parse(std::vector<std::string> args) { return ParsePanelOptions(args); }

TEST(PanelOptions, ConnectTakesTcpWithOrWithoutPortAndSerialPaths) {
  auto tcp = Parse({"--connect", "tcp:127.0.0.1:8123", "--page", "matrix"});
  ASSERT_TRUE(tcp.options);
  EXPECT_EQ(tcp.options->connect, PanelOptions::Link::kTcp);
  EXPECT_EQ(tcp.options->host, "127.0.0.1");
  EXPECT_EQ(tcp.options->port, 8123);
  EXPECT_EQ(tcp.options->page, 3);
  auto plain = Parse({"--connect", "tcp:192.168.1.80"});
  ASSERT_TRUE(plain.options);
  EXPECT_EQ(plain.options->port, 8000);
  auto serial = Parse({"--connect", "serial:/dev/pts/7", "--broadcast", "127.255.255.255", "--port", "/tmp/a",
                       "--port", "/tmp/b"});
  ASSERT_TRUE(serial.options);
  EXPECT_EQ(serial.options->serialPath, "/dev/pts/7");
  EXPECT_EQ(serial.options->broadcast, "127.255.255.255");
  EXPECT_EQ(serial.options->extraPorts, (std::vector<std::string>{"/tmp/a", "/tmp/b"}));
}

TEST(PanelOptions, BadCommandLinesAreRefusedWithAReason) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--connect"}, {"--connect", "udp:1.2.3.4"}, {"--connect", "tcp:1.2.3"},
           {"--connect", "tcp:1.2.3.4:0"}, {"--connect", "tcp:1.2.3.4:70000"}, {"--connect", "serial:"},
           {"--page", "scenes"}, {"--page"}, {"--port"}, {"--broadcast", "everyone"}, {"--frobnicate"}}) {
    auto parsed = Parse(args);
    EXPECT_FALSE(parsed.options) << args[0];
    EXPECT_FALSE(parsed.error.empty());
  }
}

}  // namespace
}  // namespace velantor
