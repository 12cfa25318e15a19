// The emulated switcher's answers to the UDP search probe and network configuration packet.
#include <gtest/gtest.h>

#include <vector>

#include "sim/network_responder.h"

namespace velantor::sim {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes ConfigPacket(const Bytes& mac, bool autoIp, const Bytes& ip, const Bytes& newMac) {
  Bytes p(76, 0);
  std::copy(mac.begin(), mac.end(), p.begin());
  if (!autoIp) {
    std::copy(ip.begin(), ip.end(), p.begin() + 6);
    p[10] = ip[0], p[11] = ip[1], p[12] = ip[2], p[13] = 1;
    p[14] = 255, p[15] = 255, p[16] = 255, p[17] = 0;
  }
  p[18] = autoIp ? 1 : 0;
  std::copy(newMac.begin(), newMac.end(), p.begin() + 19);
  p[25] = autoIp ? 0x16 : 0x17;
  p[74] = 0xFF;
  uint8_t sum = 0;
  for (int i = 0; i < 75; ++i) sum = static_cast<uint8_t>(sum + p[i]);
  p[75] = sum;
  return p;
}

const Bytes kMac{0x02, 0x56, 0x4C, 0x54, 0x00, 0x01};
const Bytes kNewMac{0x02, 0x11, 0x22, 0x33, 0x44, 0x55};

TEST(SimNetwork, TheProbeIsAnsweredWithMacIpAndSignature) {
  NetworkIdentity id;
  NetworkResponder responder(id);
  const uint8_t probe = 0x61;
  auto reply = responder.OnSearch(&probe, 1);
  ASSERT_TRUE(reply);
  ASSERT_EQ(reply->size(), 55u);
  EXPECT_EQ(Bytes(reply->begin(), reply->begin() + 10),
            (Bytes{0x02, 0x56, 0x4C, 0x54, 0x00, 0x01, 192, 168, 1, 239}));
  EXPECT_EQ((*reply)[18], 0x77);
  EXPECT_EQ((*reply)[19], 0x88);
  // Our own reply, or any other datagram, seen on a shared port is not a probe.
  EXPECT_FALSE(responder.OnSearch(reply->data(), reply->size()));
  const uint8_t other = 0x62;
  EXPECT_FALSE(responder.OnSearch(&other, 1));
  EXPECT_EQ(responder.Counters().ignoredSearch, 2);
}

TEST(SimNetwork, AStaticConfigurationIsAppliedAndConfirmed) {
  NetworkIdentity id;
  NetworkResponder responder(id);
  const Bytes packet = ConfigPacket(kMac, false, {10, 0, 0, 50}, kNewMac);
  auto reply = responder.OnConfig(packet.data(), packet.size());
  ASSERT_TRUE(reply);
  ASSERT_EQ(reply->size(), 76u);
  EXPECT_EQ((*reply)[74], 0x00);
  EXPECT_TRUE(std::equal(packet.begin(), packet.begin() + 74, reply->begin()));
  EXPECT_EQ(id.ip, (std::array<uint8_t, 4>{10, 0, 0, 50}));
  EXPECT_EQ(id.gateway, (std::array<uint8_t, 4>{10, 0, 0, 1}));
  EXPECT_EQ(id.mac, (std::array<uint8_t, 6>{0x02, 0x11, 0x22, 0x33, 0x44, 0x55}));
  // The next search reports the new identity.
  const uint8_t probe = 0x61;
  auto found = responder.OnSearch(&probe, 1);
  EXPECT_EQ(Bytes(found->begin(), found->begin() + 10),
            (Bytes{0x02, 0x11, 0x22, 0x33, 0x44, 0x55, 10, 0, 0, 50}));
}

TEST(SimNetwork, AutoIpKeepsTheAddressAndTakesTheNewMac) {
  NetworkIdentity id;
  NetworkResponder responder(id);
  const Bytes packet = ConfigPacket(kMac, true, {}, kNewMac);
  ASSERT_TRUE(responder.OnConfig(packet.data(), packet.size()));
  EXPECT_TRUE(id.autoIp);
  EXPECT_EQ(id.ip, (std::array<uint8_t, 4>{192, 168, 1, 239}));
  EXPECT_EQ(id.mac[1], 0x11);
}

TEST(SimNetwork, PacketsThatAreBrokenOrForOthersAreNotAnswered) {
  NetworkIdentity id;
  NetworkResponder responder(id);
  Bytes bad = ConfigPacket(kMac, false, {10, 0, 0, 50}, kNewMac);
  bad[75] ^= 1;
  EXPECT_FALSE(responder.OnConfig(bad.data(), bad.size()));
  Bytes other = ConfigPacket({0x02, 0, 0, 0, 0, 9}, false, {10, 0, 0, 50}, kNewMac);
  EXPECT_FALSE(responder.OnConfig(other.data(), other.size()));
  Bytes shortPacket(75, 0xFF);
  EXPECT_FALSE(responder.OnConfig(shortPacket.data(), shortPacket.size()));
  EXPECT_EQ(responder.Counters().badChecksum, 1);
  EXPECT_EQ(responder.Counters().notForMe, 1);
  EXPECT_EQ(id.ip, (std::array<uint8_t, 4>{192, 168, 1, 239}));
}

TEST(SimNetwork, UnusableValuesAreRefusedInTheReplyAndNotApplied) {
  NetworkIdentity id;
  NetworkResponder responder(id);
  const Bytes multicastMac = ConfigPacket(kMac, false, {10, 0, 0, 50}, {0x01, 0, 0, 0, 0, 1});
  auto reply = responder.OnConfig(multicastMac.data(), multicastMac.size());
  ASSERT_TRUE(reply);
  EXPECT_NE((*reply)[74], 0x00);
  const Bytes zeroIp = ConfigPacket(kMac, false, {0, 0, 0, 0}, kNewMac);
  reply = responder.OnConfig(zeroIp.data(), zeroIp.size());
  EXPECT_NE((*reply)[74], 0x00);
  EXPECT_EQ(id.mac[0], 0x02);
  EXPECT_EQ(id.mac[1], 0x56);
  EXPECT_EQ(responder.Counters().configsRefused, 2);
}

}  // namespace
}  // namespace velantor::sim
