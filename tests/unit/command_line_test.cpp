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

TEST(PanelOptions, OptionEqualsValueWorksAndPageNamesIgnoreCase) {
  auto parsed = Parse({"--connect=tcp:10.0.0.5:9000", "--page=FW"});
  EXPECT_FALSE(parsed.options);  // no such page, whatever the case
  parsed = Parse({"--connect=tcp:10.0.0.5:9000", "--page=Matrix", "--broadcast=127.255.255.255"});
  ASSERT_TRUE(parsed.options) << parsed.error;
  EXPECT_EQ(parsed.options->host, "10.0.0.5");
  EXPECT_EQ(parsed.options->port, 9000);
  EXPECT_EQ(parsed.options->page, 3);
  EXPECT_EQ(parsed.options->broadcast, "127.255.255.255");
  EXPECT_NE(Parse({"--connect", "tcp:1.2.3.4:70000"}).error.find("bad port \"70000\""), std::string::npos);
  // An IPv6 literal is named as such, not blamed on a "port" after its first colon.
  for (const char* v6 : {"tcp:[::1]:8000", "tcp:::1", "tcp:fe80::1"}) {
    EXPECT_NE(Parse({"--connect", v6}).error.find("IPv6 is not supported"), std::string::npos) << v6;
  }
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
