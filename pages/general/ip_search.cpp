#include "pages/general/ip_search.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/command_link.h"
#include "app/dialogs.h"

namespace velantor {

namespace {
constexpr uint8_t kSignature0 = 0x77;  // bytes 18 and 19 of a switcher's answer
constexpr uint8_t kSignature1 = 0x88;

std::string MacText(const uint8_t* bytes) {
  char text[13];
  std::snprintf(text, sizeof text, "%02X%02X%02X%02X%02X%02X", bytes[0], bytes[1], bytes[2], bytes[3],
                bytes[4], bytes[5]);
  return text;
}

std::string AddressText(const uint8_t* bytes) {
  return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]) + "." +
         std::to_string(bytes[3]);
}
}  // namespace

IpSearch::IpSearch(EventLoop& loop, SharedState& shared, MainWindowPort& mainWindow, DatagramSocket& socket)
    : TimerTarget(loop), shared_(shared), mainWindow_(mainWindow), socket_(socket) {}

std::vector<std::string> IpSearch::Addresses() const {
  std::vector<std::string> addresses;
  addresses.reserve(matrices_.size());
  for (const FoundMatrix& m : matrices_) addresses.push_back(m.address);
  return addresses;
}

void IpSearch::SearchMatrix() {
  matrices_.clear();
  selected_ = -1;
  fill_ = 0;  // half an answer to the previous probe must not join the first answer to this one
  lastError_.clear();
  // A new search drops the TCP link: the address it was made to may be about to change.
  DisconnectCommandSocket(shared_);
  shared_.TcpLinkUp = 0;
  if (addressesHook_) addressesHook_({}, -1);
  changed_.Notify();

  if (std::string error = socket_.Open(route_.bindAddress, route_.bindPort); !error.empty()) {
    Failed(error);
    return;
  }
  if (!socket_.EnableBroadcast()) {
    Failed("cannot enable broadcast on the search socket");
    return;
  }
  if (!socket_.WatchReads([this](const uint8_t* data, size_t length, const std::string& from, uint16_t) {
        OnReceive(data, length, from);
      })) {
    return;
  }
  const uint8_t probe = kProbe;
  errno = 0;
  if (socket_.SendTo(route_.broadcastAddress, route_.broadcastPort, &probe, 1) != 1) {
    // No probe went out, so an empty list would say "no matrix" where the truth is "no search".
    Failed("cannot send the search probe to " + route_.broadcastAddress + ":" +
           std::to_string(route_.broadcastPort) + (errno ? std::string(": ") + std::strerror(errno) : ""));
  }
}

void IpSearch::Failed(const std::string& reason) {
  lastError_ = reason;
  changed_.Notify();
  ShowMessage(*this, shared_.Message, kTimerMessage, kMessageMs, "Search failed");
}

void IpSearch::OnReceive(const uint8_t* data, size_t length, const std::string& fromAddress) {
  if (data == nullptr || length == 0) return;  // an empty datagram carries nothing
  length = std::min(length, DatagramSocket::kReceiveSize);
  if (!fromAddress.empty()) {
    if (fill_ > 0 && fromAddress != bufferSender_) fill_ = 0;
    bufferSender_ = fromAddress;
  }
  // Between receives the buffer holds fewer than kReplyMinimum bytes, so this always fits.
  std::memcpy(buffer_.data() + fill_, data, length);
  fill_ += length;
  // Probes (ours comes back to us on the shared port, other panels send theirs) come before any
  // answer; a switcher's MAC never starts with 0x61, which would mark a group address.
  size_t probes = 0;
  while (probes < fill_ && buffer_[probes] == kProbe) ++probes;
  if (probes > 0) {
    std::memmove(buffer_.data(), buffer_.data() + probes, fill_ - probes);
    fill_ -= probes;
  }
  if (fill_ >= kReplyMinimum) Evaluate();
}

void IpSearch::Evaluate() {
  const uint8_t* reply = buffer_.data();
  const bool signature = reply[18] == kSignature0 && reply[19] == kSignature1;
  FoundMatrix found{AddressText(reply + 6), MacText(reply)};
  fill_ = 0;  // whatever followed the answer in this receive goes with it
  if (signature) Take(found);
}

void IpSearch::Take(const FoundMatrix& found) {
  auto same = std::find_if(matrices_.begin(), matrices_.end(),
                           [&](const FoundMatrix& m) { return m.mac == found.mac; });
  if (same != matrices_.end()) {
    same->address = found.address;  // a matrix that answers again keeps its place
  } else if (matrices_.size() < kMaxMatrices) {
    matrices_.push_back(found);
  } else {
    return;
  }
  selected_ = 0;
  shared_.MatrixAddress = matrices_[0].address;
  MatrixMac = matrices_[0].mac;
  if (addressesHook_) addressesHook_(Addresses(), selected_);
  changed_.Notify();
  mainWindow_.PostMainMessage(kMsgNetworkNotice, kNetworkSearchAnswer);
}

void IpSearch::OnAddressSelected(int index) {
  if (index < 0 || index >= static_cast<int>(matrices_.size())) return;
  selected_ = index;
  MatrixMac = matrices_[static_cast<size_t>(index)].mac;
  changed_.Notify();
}

void IpSearch::OnTimer(int id) {
  if (id == kTimerMessage) CloseMessage(*this, shared_.Message, kTimerMessage);
}

}  // namespace velantor
