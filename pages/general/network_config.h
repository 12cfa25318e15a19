// CNetworkConfigDialog, the "TCP Configuration" dialog: tells the matrix with MAC `MatrixMac`
// to use automatic addressing or a static address (and a new MAC) with one 76-byte broadcast
// on the configuration port, and reports the matrix's confirmation to the main window.
// Modeless, created on the first "Config..." and afterwards only shown and hidden.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/change_notifier.h"
#include "base/event_loop.h"
#include "app/shared_state.h"
#include "app/window_messages.h"
#include "link/datagram_socket.h"
#include "link/hex_log.h"

namespace velantor {

// Control ids of dialog 187, as the layout names them.
namespace network_config_ids {
constexpr int kTitle = 1159;
constexpr int kCloseButton = 1158;
constexpr int kGroup = 1161;
constexpr int kAutoIpRadio = 1162;
constexpr int kStaticIpRadio = 1163;
constexpr int kIpLabel = 1164;
constexpr int kFirstIpEdit = 1102;   // 1102..1105
constexpr int kMacLabel = 1168;
constexpr int kFirstMacEdit = 1106;  // 1106..1111
constexpr int kOkButton = 1174;
constexpr int kCancelButton = 1175;
constexpr int kReceiveLog = 1060;
}  // namespace network_config_ids

// Where the configuration socket is bound and where the packet goes (production defaults).
struct ConfigRoute {
  std::string bindAddress = "0.0.0.0";
  uint16_t bindPort = 30601;
  std::string broadcastAddress = "255.255.255.255";
  uint16_t broadcastPort = 30601;
};

constexpr size_t kConfigPacketSize = 76;
using ConfigPacket = std::array<uint8_t, kConfigPacketSize>;

// What the dialog's fields say, already checked.
struct ConfigFields {
  bool autoIp = true;
  std::array<uint8_t, 4> ip{};
  std::array<uint8_t, 6> newMac{};
};

// The hex parser of the MAC texts: spaces are skipped, two digits make one byte (high digit
// first), and it stops at the first non-digit or when one digit is left over.
std::vector<uint8_t> ParseHexBytes(const std::string& text);

// Builds the packet over `previous` (auto IP keeps its bytes 6..17) for the matrix whose MAC
// text is `targetMac` (bytes 0..5 keep their previous values where it has no digits), with the
// checksum in byte 75.
ConfigPacket BuildConfigPacket(const ConfigPacket& previous, const std::string& targetMac, const ConfigFields& fields);

// Checks an IP octet edit (decimal 0..255) or a MAC edit (exactly two hex digits); nullopt and
// a message naming the field when it does not hold one.
std::optional<uint8_t> ParseIpOctet(const std::string& text, int field, std::string* error);
std::optional<uint8_t> ParseMacByte(const std::string& text, int field, std::string* error);

// What dialog 187 shows.
struct NetworkConfigState {
  bool created = false;
  bool shown = false;
  bool autoIp = true;           // radio 1162 checked (else 1163)
  bool ipEditsEnabled = false;  // 1102..1105
  std::array<std::string, 4> ip;
  std::array<std::string, 6> mac;
};

class CNetworkConfigDialog : public TimerTarget {
 public:
  static constexpr int kTimerMessage = 55;
  static constexpr int kMessageMs = 2500;
  static constexpr size_t kReplyBufferSize = 2 * (kConfigPacketSize - 1);  // kept bytes plus a piece

  // `matrixMac` is the MAC text of the matrix chosen in the address list (the IP search's).
  CNetworkConfigDialog(EventLoop& loop, SharedState& shared, MainWindowPort& mainWindow, DatagramSocket& socket,
                       const std::string& matrixMac);

  void SetRoute(ConfigRoute route) { route_ = std::move(route); }

  // The "Config..." button: creates the dialog the first time, shows it and refills the IP and
  // MAC fields from MatrixAddress and MatrixMac (the radios keep their state).
  void OpenNetworkConfig();
  void OnAutoIp();
  void OnStaticIp();
  void OnIpEdited(int index, const std::string& text);   // index 0..3 for 1102..1105
  void OnMacEdited(int index, const std::string& text);  // index 0..5 for 1106..1111
  // "OK": checks the fields, sends the packet, hides the dialog and asks the main window for the
  // configuring dialog. A field that holds no valid value, or a switcher whose MAC is not known,
  // is named in a message, nothing is sent and the dialog stays open.
  void OnOk();
  // The question the view asks before OK changes a switcher's address: which switcher (address
  // and MAC, as the dialog was opened for it) and what it is to become. Empty when a field holds
  // no valid value (OK then names that field).
  std::string ChangeQuestion() const;
  void OnCancel();  // "Cancel" and the close button
  // One receive from the configuration socket. As with the search, a reply in pieces comes from
  // one sender: bytes kept from another are dropped first (an empty `fromAddress` joins them).
  void OnReceive(const uint8_t* data, size_t length, const std::string& fromAddress = {});

  void OnTimer(int id) override;

  const NetworkConfigState& View() const { return view_; }
  const ConfigPacket& LastPacket() const { return packet_; }
  int PacketsSent() const { return packetsSent_; }
  bool AwaitingConfirmation() const { return awaiting_; }
  size_t BufferedBytes() const { return fill_; }
  const HexLog& ReceiveLog() const { return receiveLog_; }  // hidden edit 1060
  // Why the last send did not go out (empty when it did).
  const std::string& LastError() const { return lastError_; }
  ChangeNotifier& Changed() { return changed_; }

 private:
  void Refill();
  std::optional<ConfigFields> ReadFields(std::string* error) const;
  void Refuse(const std::string& message);
  void Evaluate(const uint8_t* reply, size_t length);
  void Notify() { changed_.Notify(); }

  SharedState& shared_;
  MainWindowPort& mainWindow_;
  DatagramSocket& socket_;
  const std::string& matrixMac_;
  std::string targetMac_;  // the MAC of the switcher the dialog was opened for
  ConfigRoute route_;
  NetworkConfigState view_;
  ConfigPacket packet_{};
  int packetsSent_ = 0;
  bool awaiting_ = false;
  std::array<uint8_t, kReplyBufferSize> buffer_{};
  size_t fill_ = 0;
  std::string bufferSender_;  // who sent the kept bytes
  HexLog receiveLog_{64 * 1024};
  std::string lastError_;
  ChangeNotifier changed_;
};

}  // namespace velantor
