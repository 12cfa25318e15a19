#include "pages/general/network_config.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/dialogs.h"

namespace velantor {

namespace {
constexpr size_t kModeByte = 18;
constexpr size_t kNewMacByte = 19;
constexpr size_t kFlagsByte = 25;
constexpr size_t kStatusByte = 74;  // 0xFF in what we send, 0 in the matrix's acceptance
constexpr size_t kSumByte = 75;
constexpr size_t kMatchLength = 3;  // bytes that tie a reply to the packet we sent

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }
}  // namespace

std::vector<uint8_t> ParseHexBytes(const std::string& text) {
  std::vector<uint8_t> bytes;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) break;
    const int high = HexDigit(text[i]);
    const int low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) break;
    bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    i += 2;
  }
  return bytes;
}

std::optional<uint8_t> ParseIpOctet(const std::string& text, int field, std::string* error) {
  const std::string name = "IP Address field " + std::to_string(field);
  if (text.empty()) {
    *error = name + " is empty";
    return std::nullopt;
  }
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') {
      *error = name + ": " + Quoted(text) + " is not a number";
      return std::nullopt;
    }
    value = value * 10 + (c - '0');
    if (value > 255) break;  // stops before a long text could overflow
  }
  if (value > 255) {
    *error = name + ": " + Quoted(text) + " is above 255";
    return std::nullopt;
  }
  return static_cast<uint8_t>(value);
}

std::optional<uint8_t> ParseMacByte(const std::string& text, int field, std::string* error) {
  if (text.size() != 2 || HexDigit(text[0]) < 0 || HexDigit(text[1]) < 0) {
    *error = "MAC field " + std::to_string(field) + ": " + Quoted(text) + " is not two hex digits";
    return std::nullopt;
  }
  return static_cast<uint8_t>(HexDigit(text[0]) << 4 | HexDigit(text[1]));
}

ConfigPacket BuildConfigPacket(const ConfigPacket& previous, const std::string& targetMac, const ConfigFields& fields) {
  ConfigPacket p = previous;
  const std::vector<uint8_t> target = ParseHexBytes(targetMac);
  std::copy_n(target.begin(), std::min<size_t>(target.size(), 6), p.begin());
  if (!fields.autoIp) {
    std::copy(fields.ip.begin(), fields.ip.end(), p.begin() + 6);
    const uint8_t gateway[4] = {fields.ip[0], fields.ip[1], fields.ip[2], 1};
    std::copy(gateway, gateway + 4, p.begin() + 10);
    const uint8_t mask[4] = {255, 255, 255, 0};
    std::copy(mask, mask + 4, p.begin() + 14);
  }
  p[kModeByte] = fields.autoIp ? 1 : 0;
  std::copy(fields.newMac.begin(), fields.newMac.end(), p.begin() + kNewMacByte);
  p[kFlagsByte] = fields.autoIp ? 0x16 : 0x17;
  std::fill(p.begin() + kFlagsByte + 1, p.begin() + kStatusByte, 0);
  p[kStatusByte] = 0xFF;
  uint8_t sum = 0;
  for (size_t i = 0; i < kSumByte; ++i) sum = static_cast<uint8_t>(sum + p[i]);
  p[kSumByte] = sum;
  return p;
}

CNetworkConfigDialog::CNetworkConfigDialog(EventLoop& loop, SharedState& shared, MainWindowPort& mainWindow,
                                           DatagramSocket& socket, const std::string& matrixMac)
    : TimerTarget(loop), shared_(shared), mainWindow_(mainWindow), socket_(socket), matrixMac_(matrixMac) {}

void CNetworkConfigDialog::OpenNetworkConfig() {
  if (!view_.created) {
    view_.created = true;
    view_.autoIp = true;
    view_.ipEditsEnabled = false;
  }
  Refill();
  view_.shown = true;
  Notify();
}

// The dialog is bound to the switcher it shows when it opens: a search answer that arrives while it
// is open (and moves MatrixMac) must not redirect OK to another switcher.
void CNetworkConfigDialog::Refill() {
  targetMac_ = matrixMac_;
  const std::string& address = shared_.MatrixAddress;
  size_t start = 0;
  for (size_t i = 0; i < 4; ++i) {
    const size_t dot = i < 3 ? address.find('.', start) : std::string::npos;
    if (start > address.size()) {
      view_.ip[i].clear();
    } else {
      view_.ip[i] = address.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    }
    start = dot == std::string::npos ? address.size() + 1 : dot + 1;
  }
  for (size_t i = 0; i < 6; ++i) {
    view_.mac[i] = 2 * i < targetMac_.size() ? targetMac_.substr(2 * i, 2) : std::string();
  }
}

void CNetworkConfigDialog::OnAutoIp() {
  view_.autoIp = true;
  view_.ipEditsEnabled = false;
  Notify();
}

void CNetworkConfigDialog::OnStaticIp() {
  view_.autoIp = false;
  view_.ipEditsEnabled = true;
  Notify();
}

void CNetworkConfigDialog::OnIpEdited(int index, const std::string& text) {
  if (index < 0 || index >= 4) return;
  view_.ip[static_cast<size_t>(index)] = text;
}

void CNetworkConfigDialog::OnMacEdited(int index, const std::string& text) {
  if (index < 0 || index >= 6) return;
  std::string upper = text;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
  view_.mac[static_cast<size_t>(index)] = upper;
}

void CNetworkConfigDialog::Refuse(const std::string& message) {
  ShowMessage(*this, shared_.Message, kTimerMessage, kMessageMs, message);
}

std::optional<ConfigFields> CNetworkConfigDialog::ReadFields(std::string* error) const {
  // Without the switcher's MAC the packet would go to whatever MAC the previous packet carried,
  // that is, to the switcher configured before, whatever address the dialog shows.
  if (ParseHexBytes(targetMac_).size() < 6) {
    *error = "The switcher's MAC is not known: search for it and choose it in the address list";
    return std::nullopt;
  }
  ConfigFields fields;
  fields.autoIp = view_.autoIp;
  if (!fields.autoIp) {
    for (size_t i = 0; i < 4; ++i) {
      const auto octet = ParseIpOctet(view_.ip[i], static_cast<int>(i) + 1, error);
      if (!octet) return std::nullopt;
      fields.ip[i] = *octet;
    }
  }
  for (size_t i = 0; i < 6; ++i) {
    const auto byte = ParseMacByte(view_.mac[i], static_cast<int>(i) + 1, error);
    if (!byte) return std::nullopt;
    fields.newMac[i] = *byte;
  }
  return fields;
}

std::string CNetworkConfigDialog::ChangeQuestion() const {
  std::string error;
  const auto fields = ReadFields(&error);
  if (!fields) return "";
  const std::string who = "the switcher at " + (shared_.MatrixAddress.empty() ? "an unknown address" : shared_.MatrixAddress) +
                          " (MAC " + (targetMac_.empty() ? "unknown" : targetMac_) + ")";
  std::string what;
  if (fields->autoIp) {
    what = "take its address automatically";
  } else {
    const auto& ip = fields->ip;
    what = "use the address " + std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) +
           "." + std::to_string(ip[3]);
  }
  return "Change the network settings of " + who + " to " + what +
         "? It will no longer answer at its present address.";
}

void CNetworkConfigDialog::OnOk() {
  std::string error;
  const auto read = ReadFields(&error);
  if (!read) return Refuse(error);
  const ConfigFields& fields = *read;
  packet_ = BuildConfigPacket(packet_, targetMac_, fields);

  // The matrix answers on the same port, so we listen where we send.
  lastError_ = socket_.Open(route_.bindAddress, route_.bindPort);
  if (lastError_.empty()) {
    socket_.EnableBroadcast();
    socket_.WatchReads([this](const uint8_t* data, size_t length, const std::string& from, uint16_t) {
      OnReceive(data, length, from);
    });
    errno = 0;
    if (socket_.SendTo(route_.broadcastAddress, route_.broadcastPort, packet_.data(), packet_.size()) ==
        static_cast<long>(packet_.size())) {
      ++packetsSent_;
    } else {
      lastError_ = "cannot send to " + route_.broadcastAddress + ":" + std::to_string(route_.broadcastPort) +
                   (errno ? std::string(": ") + std::strerror(errno) : "");
    }
  }
  // Nothing left the machine: say why at once and keep the entries, instead of ten seconds of
  // "Configuring" for a packet no switcher can have seen.
  if (!lastError_.empty()) {
    socket_.Close();
    return Refuse("The configuration could not be sent: " + lastError_);
  }
  // Without an answer the configuring dialog gives up by itself and says so.
  fill_ = 0;
  awaiting_ = true;
  view_.shown = false;
  Notify();
  mainWindow_.PostMainMessage(kMsgLinkNotice, kLinkNoticeConfiguring);
}

void CNetworkConfigDialog::OnCancel() {
  view_.shown = false;
  Notify();
}

void CNetworkConfigDialog::OnReceive(const uint8_t* data, size_t length, const std::string& fromAddress) {
  if (data == nullptr || length == 0) return;  // an empty datagram carries nothing
  length = std::min(length, DatagramSocket::kReceiveSize);
  receiveLog_.AppendLine(data, length);
  // A datagram that holds a whole reply stands alone, so a stray short one before it cannot
  // shift it; shorter ones are pieces of one sender's reply.
  if (length >= kConfigPacketSize) {
    fill_ = 0;
    Evaluate(data, length);
    return;
  }
  if (!fromAddress.empty()) {
    if (fill_ > 0 && fromAddress != bufferSender_) fill_ = 0;
    bufferSender_ = fromAddress;
  }
  // Between receives fewer than kConfigPacketSize bytes are kept, and the piece is shorter too.
  std::memcpy(buffer_.data() + fill_, data, length);
  fill_ += length;
  if (fill_ >= kConfigPacketSize) {
    const size_t kept = fill_;
    fill_ = 0;
    Evaluate(buffer_.data(), kept);
  }
}

void CNetworkConfigDialog::Evaluate(const uint8_t* reply, size_t length) {
  // The reply is the packet sent back with its status byte set: find where it lines up with
  // what we sent, looking only at offsets from which a whole packet has arrived.
  std::optional<size_t> at;
  for (size_t i = 0; i + kConfigPacketSize <= length && i + kMatchLength <= kConfigPacketSize; ++i) {
    if (std::equal(reply + i, reply + i + kMatchLength, packet_.begin() + i)) {
      at = i;
      break;
    }
  }
  if (!at) return;  // not an answer to our packet
  // Our own packet comes back to us too, with 0xFF there; only the matrix's 0 confirms, and only
  // once for each packet sent.
  if (awaiting_ && reply[*at + kStatusByte] == 0) {
    awaiting_ = false;
    Notify();
    mainWindow_.PostMainMessage(kMsgNetworkNotice, kNetworkConfirmed);
  }
}

void CNetworkConfigDialog::OnTimer(int id) {
  if (id == kTimerMessage) CloseMessage(*this, shared_.Message, kTimerMessage);
}

}  // namespace velantor
