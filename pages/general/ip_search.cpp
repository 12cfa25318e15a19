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

void IpSearch::SearchMatrix(SearchOrigin origin) {
  origin_ = origin;
  preferredMac_ = MatrixMac;
  matrices_.clear();
  selected_ = -1;
  fill_ = 0;  // half an answer to the previous probe must not join the first answer to this one
  lastError_.clear();
  if (origin == SearchOrigin::kAfterConfiguration) {
    // The configured switcher may be about to answer from a new address: the link to the old
    // one is dropped.
    DisconnectCommandSocket(shared_);
    shared_.TcpLinkUp = 0;
  }
  listening_ = true;
  UpdateSummary();
  if (addressesHook_) addressesHook_({}, -1);
  changed_.Notify();

  if (std::string error = socket_.Open(route_.bindAddress, route_.bindPort); !error.empty()) {
    Failed(error);
    return;
  }
  boundPort_ = socket_.LocalPort();
  if (!socket_.EnableBroadcast()) {
    Failed("cannot enable broadcast on the search socket");
    return;
  }
  if (!socket_.WatchReads([this](const uint8_t* data, size_t length, const std::string& from, uint16_t) {
        OnReceive(data, length, from);
      })) {
    listening_ = false;
    UpdateSummary();
    return;
  }
  const uint8_t probe = kProbe;
  errno = 0;
  if (socket_.SendTo(route_.broadcastAddress, route_.broadcastPort, &probe, 1) != 1) {
    // No probe went out, so an empty list would say "no matrix" where the truth is "no search".
    Failed("cannot send the search probe to " + route_.broadcastAddress + ":" +
           std::to_string(route_.broadcastPort) + (errno ? std::string(": ") + std::strerror(errno) : ""));
    return;
  }
  SetTimer(kTimerSearchWindow, kSearchWindowMs);
}

void IpSearch::Failed(const std::string& reason) {
  lastError_ = reason;
  listening_ = false;
  UpdateSummary();
  changed_.Notify();
  ShowMessage(*this, shared_.Message, kTimerMessage, kMessageMs, "Search failed");
}

void IpSearch::EndSearchWindow() {
  KillTimer(kTimerSearchWindow);
  listening_ = false;
  // The configuration may have taken the shared socket meanwhile: only our own is closed.
  if (socket_.IsOpen() && socket_.LocalPort() == boundPort_) socket_.Close();
  UpdateSummary();
  changed_.Notify();
  if (matrices_.empty() && origin_ == SearchOrigin::kUser) {
    ShowMessage(*this, shared_.Message, kTimerMessage, kMessageMs, "No switcher answered");
  }
}

void IpSearch::UpdateSummary() {
  if (!lastError_.empty()) {
    summary_ = "Search failed: " + lastError_;
  } else if (!matrices_.empty()) {
    summary_ = std::to_string(matrices_.size()) + (matrices_.size() == 1 ? " switcher answered" : " switchers answered");
  } else {
    summary_ = listening_ ? "Searching..." : "No switcher answered";
  }
}

void IpSearch::OnReceive(const uint8_t* data, size_t length, const std::string& fromAddress) {
  if (data == nullptr || length == 0) return;  // an empty datagram carries nothing
  length = std::min(length, DatagramSocket::kReceiveSize);
  // Probes (ours comes back to us on the shared port, other panels send theirs) come before any
  // answer; a switcher's MAC never starts with 0x61, which would mark a group address.
  size_t probes = 0;
  if (fill_ == 0) {
    while (probes < length && data[probes] == kProbe) ++probes;
  }
  data += probes;
  length -= probes;
  if (length >= kReplyMinimum) {
    fill_ = 0;  // a whole answer in one datagram stands alone
    Evaluate(data);
    return;
  }
  if (length == 0) return;
  if (!fromAddress.empty()) {
    if (fill_ > 0 && fromAddress != bufferSender_) fill_ = 0;
    bufferSender_ = fromAddress;
  }
  // Between receives the buffer holds fewer than kReplyMinimum bytes, and so does this piece.
  std::memcpy(buffer_.data() + fill_, data, length);
  fill_ += length;
  if (fill_ >= kReplyMinimum) {
    fill_ = 0;  // whatever followed the answer in the pieces goes with it
    Evaluate(buffer_.data());
  }
}

void IpSearch::Evaluate(const uint8_t* reply) {
  if (reply[18] != kSignature0 || reply[19] != kSignature1) return;
  Take(FoundMatrix{AddressText(reply + 6), MacText(reply)});
}

void IpSearch::Take(const FoundMatrix& found) {
  auto same = std::find_if(matrices_.begin(), matrices_.end(),
                           [&](const FoundMatrix& m) { return m.mac == found.mac; });
  size_t index = 0;
  if (same != matrices_.end()) {
    same->address = found.address;  // a matrix that answers again keeps its place
    index = static_cast<size_t>(same - matrices_.begin());
  } else if (matrices_.size() < kMaxMatrices) {
    matrices_.push_back(found);
    index = matrices_.size() - 1;
  } else {
    return;
  }
  // The first answer is selected unless the user's own switcher turns up. An open session keeps
  // its switcher: MatrixAddress stays, and only the entry at that address may be selected (so
  // MatrixMac stays that switcher's); the list itself is still refreshed.
  const bool preferred = !preferredMac_.empty() && found.mac == preferredMac_;
  if (SessionHoldsAddress()) {
    if (found.address == shared_.MatrixAddress) {
      selected_ = static_cast<int>(index);
      MatrixMac = found.mac;
    }
  } else if (preferred || selected_ < 0) {
    Select(index);
  } else if (static_cast<size_t>(selected_) == index) {
    shared_.MatrixAddress = matrices_[index].address;  // the selected one moved to a new address
  }
  UpdateSummary();
  if (addressesHook_) addressesHook_(Addresses(), selected_);
  changed_.Notify();
  mainWindow_.PostMainMessage(kMsgNetworkNotice, kNetworkSearchAnswer);
}

void IpSearch::Select(size_t index) {
  selected_ = static_cast<int>(index);
  shared_.MatrixAddress = matrices_[index].address;
  MatrixMac = matrices_[index].mac;
}

// While a TCP session is open, or opening, or could be reopened by a header click, MatrixAddress
// is where it goes.
bool IpSearch::SessionHoldsAddress() const {
  return shared_.TcpLinkUp == 1 || shared_.PageSocketConnected == 1 ||
         (shared_.PageSocket && shared_.PageSocket->IsOpen());
}

void IpSearch::OnAddressTyped(const std::string& host) {
  const auto at = std::find_if(matrices_.begin(), matrices_.end(),
                               [&](const FoundMatrix& m) { return m.address == host; });
  selected_ = at == matrices_.end() ? -1 : static_cast<int>(at - matrices_.begin());
  MatrixMac = at == matrices_.end() ? std::string() : at->mac;
  preferredMac_ = MatrixMac;  // a search under way prefers the typed switcher too
  changed_.Notify();
}

void IpSearch::OnAddressSelected(int index) {
  if (index < 0 || index >= static_cast<int>(matrices_.size())) return;
  selected_ = index;
  MatrixMac = matrices_[static_cast<size_t>(index)].mac;
  changed_.Notify();
}

void IpSearch::OnTimer(int id) {
  if (id == kTimerMessage) CloseMessage(*this, shared_.Message, kTimerMessage);
  if (id == kTimerSearchWindow) EndSearchWindow();
}

}  // namespace velantor
