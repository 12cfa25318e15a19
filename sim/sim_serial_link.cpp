#include "sim/sim_serial_link.h"

#include <algorithm>

namespace velantor::sim {

namespace {
constexpr int kWireTimer = 1;
}

SimSerialLink::SimSerialLink(EventLoop& loop, DeviceModel& model)
    : TimerTarget(loop), model_(model) {}

SimSerialLink::~SimSerialLink() {
  *alive_ = false;
  Close();
}

int SimSerialLink::Open(PortOwner* owner, int portNumber, const SerialSettings& settings) {
  Close();
  if (!present_ || portNumber < 1 || portNumber > 255) {
    ++stats_.failedOpens;
    return 0;
  }
  ++stats_.opens;
  owner_ = owner;
  portNumber_ = portNumber;
  settings_ = settings;
  open_ = true;
  failed_ = false;
  const uint64_t generation = generation_;
  channel_ = model_.OpenChannel([this, generation](const uint8_t* d, size_t n) {
    if (generation == generation_) OnReply(d, n);
  });
  return 1;
}

int SimSerialLink::StartMonitoring() {
  if (!open_) return 0;
  monitoring_ = true;
  return 1;
}

void SimSerialLink::Close() {
  ++generation_;
  if (channel_ >= 0) model_.CloseChannel(channel_);
  channel_ = -1;
  open_ = false;
  monitoring_ = false;
  tx_.clear();
  rx_.clear();
  KillTimer(kWireTimer);
}

void SimSerialLink::Write(const uint8_t* data, size_t length) {
  if (!open_) {
    ++stats_.writesWhileClosed;
    return;
  }
  if (failed_) {
    ++stats_.writesWhileUnplugged;
    return;
  }
  if (length > settings_.bufferSize) {
    ++stats_.oversizeWrites;  // the real port's write buffer cannot hold it
    return;
  }
  ++stats_.writes;
  txFreeNs_ = std::max(txFreeNs_, NowNs()) + static_cast<int64_t>(length) * kSerialByteNs;
  tx_.push_back({txFreeNs_, std::vector<uint8_t>(data, data + length)});
  Schedule();
}

void SimSerialLink::Unplug() {
  present_ = false;
  if (!open_ || failed_) return;
  failed_ = true;
  tx_.clear();
  rx_.clear();
  KillTimer(kWireTimer);
  if (channel_ >= 0) model_.CloseChannel(channel_);
  channel_ = -1;
  ++stats_.failures;
  const uint64_t generation = generation_;
  std::weak_ptr<bool> alive = alive_;
  Loop().Post([this, alive, generation] {
    auto token = alive.lock();
    if (token && *token && generation == generation_ && onFailure_) onFailure_();
  });
}

void SimSerialLink::OnReply(const uint8_t* data, size_t length) {
  if (!monitoring_ || failed_) return;  // nobody reads the port: the bytes are purged at the next start
  int64_t at = std::max(rxFreeNs_, feedingAtNs_ >= 0 ? feedingAtNs_ : NowNs());
  for (size_t i = 0; i < length; ++i) {
    at += kSerialByteNs;
    rx_.push_back({at, data[i]});
  }
  rxFreeNs_ = at;
  Schedule();
}

void SimSerialLink::Schedule() {
  int64_t next = -1;
  if (!tx_.empty()) next = tx_.front().dueNs;
  if (!rx_.empty() && (next < 0 || rx_.front().dueNs < next)) next = rx_.front().dueNs;
  if (next < 0) {
    KillTimer(kWireTimer);
    return;
  }
  const int64_t dueUs = (next + 999) / 1000;  // the loop's clock counts microseconds
  SetTimerUs(kWireTimer, std::max<int64_t>(1, dueUs - Loop().NowUs()));
}

void SimSerialLink::OnTimer(int) {
  KillTimer(kWireTimer);
  const uint64_t generation = generation_;
  const int64_t now = NowNs();
  while (!tx_.empty() && tx_.front().dueNs <= now) {
    TxBlock block = std::move(tx_.front());
    tx_.pop_front();
    stats_.bytesWritten += block.bytes.size();
    feedingAtNs_ = block.dueNs;
    model_.Feed(channel_, block.bytes.data(), block.bytes.size());
    feedingAtNs_ = -1;
    if (generation != generation_) return;
  }
  bool delivered = false;
  while (!rx_.empty() && rx_.front().dueNs <= now) {
    const uint8_t byte = rx_.front().byte;
    rx_.pop_front();
    ++stats_.bytesDelivered;
    delivered = true;
    if (owner_) owner_->OnPortRxChar(byte, portNumber_);
    if (generation != generation_) return;  // the owner closed the port
  }
  // A burst ends when the line falls quiet: one notice per reply, not per byte.
  if (delivered && rx_.empty() && (settings_.eventMask & kEvRxFlag) && owner_) {
    ++stats_.bursts;
    owner_->OnPortNotice(kPortNoticeEventChar, portNumber_);
    if (generation != generation_) return;
  }
  Schedule();
}

}  // namespace velantor::sim
