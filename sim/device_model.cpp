#include "sim/device_model.h"

#include <algorithm>
#include <string>

#include "sim/command_table.h"
#include "sim/port_queries.h"

namespace velantor::sim {

namespace {
constexpr int kDelayTimer = 1;
constexpr int kRebootTimer = 2;
constexpr uint8_t kStandby = 0x88;
}  // namespace

DeviceModel::DeviceModel(EventLoop& loop, DeviceState initial) : TimerTarget(loop) {
  core_.state = std::move(initial);
}

DeviceModel::~DeviceModel() = default;

std::shared_ptr<DeviceModel::Channel> DeviceModel::MakeChannel(ChannelId id, Sink sink,
                                                               CloseHook onClose) {
  auto channel = std::make_shared<Channel>();
  channel->sink = std::move(sink);
  channel->onClose = std::move(onClose);
  FrameStream::Handlers h;
  h.onFrame = [this, id](const CommandFrame& f) { OnFrame(id, f); };
  h.onBadFrame = [this, id](const CommandFrame& f) { OnBadFrame(id, f); };
  h.onBlock = [this, id](const std::vector<uint8_t>& b) { OnBlock(id, b); };
  h.onGarbage = [this](size_t n) { counters_.garbageBytes += static_cast<int>(n); };
  channel->stream = std::make_unique<FrameStream>(std::move(h));
  channels_[id] = channel;
  return channel;
}

DeviceModel::ChannelId DeviceModel::OpenChannel(Sink sink, CloseHook onClose) {
  const ChannelId id = nextChannel_++;
  MakeChannel(id, std::move(sink), std::move(onClose));
  return id;
}

void DeviceModel::SetReplySink(Sink sink) {
  auto it = channels_.find(kDefaultChannel);
  if (it != channels_.end()) {
    it->second->sink = std::move(sink);
    return;
  }
  MakeChannel(kDefaultChannel, std::move(sink), {});
}

void DeviceModel::CloseChannel(ChannelId id) {
  channels_.erase(id);
  KillTimer(BlockTimerId(id));
  // Replies still held for a closed connection have nowhere to go.
  std::erase_if(delayed_, [id](const Delayed& d) { return d.channel == id; });
  ScheduleDelayed();
}

void DeviceModel::Feed(ChannelId id, const uint8_t* data, size_t length) {
  auto it = channels_.find(id);
  if (it == channels_.end() || length == 0) return;
  std::shared_ptr<Channel> channel = it->second;  // stays alive if a handler closes it
  channel->stream->Feed(data, length);
  if (channel->stream->InBlock() && channels_.count(id)) {
    SetTimer(BlockTimerId(id), blockTimeoutMs_);
  }
}

ModelCounters DeviceModel::Counters() const {
  ModelCounters c = counters_;
  c.statusOverrides = core_.statusOverrides;
  c.firmwareRefusals = core_.firmware.Refusals();
  c.firmwareBadHeaders = core_.firmware.BadHeaders();
  c.firmwareIndexGaps = core_.firmware.IndexGaps();
  c.firmwareRewrites = core_.firmware.Rewrites();
  c.firmwareAfterLast = core_.firmware.AfterLast();
  return c;
}

void DeviceModel::LogIn(ChannelId id, PayloadKind kind, const uint8_t* data, size_t n,
                        std::string note) {
  transcript_.Add({Loop().NowMs(), Direction::kIn, kind, id, std::vector<uint8_t>(data, data + n),
                   std::move(note)});
}

void DeviceModel::OnBadFrame(ChannelId id, const CommandFrame& frame) {
  ++counters_.badFrames;
  LogIn(id, PayloadKind::kFrame, frame.data(), frame.size(), "bad checksum");
}

void DeviceModel::OnFrame(ChannelId id, const CommandFrame& frame) {
  ++counters_.framesReceived;
  if (rebooting_) {
    ++counters_.ignoredWhileRebooting;
    LogIn(id, PayloadKind::kFrame, frame.data(), frame.size(), "rebooting");
    return;
  }
  if (standby_) {
    ++counters_.ignoredInStandby;
    LogIn(id, PayloadKind::kFrame, frame.data(), frame.size(), "standby");
    Reaction r;
    r.Frame(kStandby, kStandby);
    ++counters_.standbyReports;
    Carry(id, r);
    return;
  }
  CommandHandler handler = FindHandler(frame.Opcode(), frame.Sub());
  if (!handler) {
    ++counters_.unknownFrames;
    LogIn(id, PayloadKind::kFrame, frame.data(), frame.size(), "unknown command");
    return;
  }
  core_.statusOverride = faults_.status;
  FirmwareKnobsIn();
  CommandFrame asked = frame;
  const int misported = faults_.misportNext > 0 ? RedirectPortQuery(core_.state, asked) : 0;
  if (misported != 0) {
    --faults_.misportNext;
    ++counters_.repliesMisported;
  }
  Reaction r;
  const int setsBefore = core_.setCommands;
  handler(core_, asked, r);
  FirmwareKnobsOut();
  // A change made whose answer is lost: the case a panel must not report as the old state.
  if (core_.setCommands != setsBefore && core_.statusOverride == 0 && faults_.muteSetsNext > 0) {
    --faults_.muteSetsNext;
    for (Outgoing& reply : r.replies) {
      ++counters_.repliesMuted;
      transcript_.Add({Loop().NowMs(), Direction::kOut, reply.kind, id, std::move(reply.bytes), "muted (change made)"});
    }
    r.replies.clear();
  }
  if (!r.rejected.empty() && r.replies.empty()) ++counters_.rejectedRequests;
  std::string note = r.rejected;
  if (misported != 0 && note.empty()) note = "answered for port " + std::to_string(misported);
  LogIn(id, PayloadKind::kFrame, frame.data(), frame.size(), std::move(note));
  Carry(id, r);
}

void DeviceModel::OnBlock(ChannelId id, const std::vector<uint8_t>& block) {
  KillTimer(BlockTimerId(id));
  auto it = channels_.find(id);
  if (it == channels_.end()) return;
  const BlockPurpose purpose = it->second->blockPurpose;
  it->second->blockPurpose = BlockPurpose::kNone;
  const bool edid = purpose == BlockPurpose::kEdid;
  const PayloadKind kind = edid ? PayloadKind::kEdidBlock : PayloadKind::kFirmwareBlock;
  if (rebooting_ || standby_) {
    LogIn(id, kind, block.data(), block.size(), rebooting_ ? "rebooting" : "standby");
    return;
  }
  Reaction r;
  if (edid) {
    core_.edidResult = faults_.edidResult;
    HandleEdidBlock(core_, block, r);
  } else {
    FirmwareKnobsIn();
    core_.firmware.OnBlock(block, core_.firmwareFaults, r);
    FirmwareKnobsOut();
  }
  const bool bad = !r.rejected.empty();
  ++(edid ? counters_.edidBlocks : counters_.firmwareBlocks);
  if (bad) ++(edid ? counters_.badEdidBlocks : counters_.badFirmwareBlocks);
  LogIn(id, kind, block.data(), block.size(), r.rejected);
  Carry(id, r);
}

void DeviceModel::Carry(ChannelId id, Reaction& r) {
  for (Outgoing& reply : r.replies) Emit(id, std::move(reply));
  auto it = channels_.find(id);
  if (r.expectBlock > 0 && it != channels_.end()) {
    it->second->blockPurpose = r.blockPurpose;
    it->second->stream->ExpectBlock(r.expectBlock);
  }
  if (r.reboot) {
    ++counters_.reboots;
    if (rebootMs_ > 0) {
      rebooting_ = true;
      SetTimer(kRebootTimer, rebootMs_);
    }
    if (faults_.fwCloseAtReboot > 0) {
      --faults_.fwCloseAtReboot;
      ++counters_.closesAtReboot;
      CloseConnections();
    }
  }
}

void DeviceModel::FirmwareKnobsIn() {
  core_.firmwareFaults = {faults_.refuseFirmware, faults_.fwTrueIndex, faults_.fwRefuseHeader, faults_.fwDropFinal};
}

void DeviceModel::FirmwareKnobsOut() {
  faults_.fwRefuseHeader = core_.firmwareFaults.refuseHeader;
  faults_.fwDropFinal = core_.firmwareFaults.dropFinal;
}

void DeviceModel::Emit(ChannelId id, Outgoing reply) {
  auto drop = [&](const char* why) {
    ++counters_.repliesDropped;
    transcript_.Add({Loop().NowMs(), Direction::kOut, reply.kind, id, std::move(reply.bytes), why});
  };
  if (faults_.dropNext > 0) {
    --faults_.dropNext;
    return drop("dropped");
  }
  ++replyOrdinal_;
  if (faults_.dropEvery > 0 && replyOrdinal_ % static_cast<uint64_t>(faults_.dropEvery) == 0) {
    return drop("dropped (every n-th)");
  }
  if (faults_.corruptNext > 0 && reply.kind == PayloadKind::kFrame && reply.bytes.size() == 13) {
    --faults_.corruptNext;
    ++counters_.repliesCorrupted;
    reply.bytes[12] ^= 0xFF;  // the sum is then odd: never 0 modulo 256
  }
  int holdMs = std::max(0, faults_.delayMs);
  if (faults_.lateNext > 0) {
    --faults_.lateNext;
    ++counters_.repliesLate;
    holdMs += std::max(0, faults_.lateMs);
  }
  const bool twice = faults_.dupNext > 0;
  if (twice) {
    --faults_.dupNext;
    ++counters_.repliesDuplicated;
  }
  if (holdMs > 0 || !delayed_.empty()) {
    // Later replies queue behind held ones so the order never changes.
    int64_t due = Loop().NowMs() + holdMs;
    if (!delayed_.empty()) due = std::max(due, delayed_.back().dueMs);
    if (faults_.delayMs > 0) ++counters_.repliesDelayed;
    if (twice) delayed_.push_back({due, id, reply});
    delayed_.push_back({due, id, std::move(reply)});
    ScheduleDelayed();
    return;
  }
  if (twice) Deliver(id, reply);
  Deliver(id, reply);
}

void DeviceModel::Deliver(ChannelId id, const Outgoing& reply) {
  auto it = channels_.find(id);
  if (it == channels_.end()) return;
  std::shared_ptr<Channel> channel = it->second;
  ++counters_.repliesSent;
  transcript_.Add({Loop().NowMs(), Direction::kOut, reply.kind, id, reply.bytes, ""});
  if (channel->sink) channel->sink(reply.bytes.data(), reply.bytes.size());
}

void DeviceModel::ScheduleDelayed() {
  if (delayed_.empty()) {
    KillTimer(kDelayTimer);
    return;
  }
  const int64_t wait = delayed_.front().dueMs - Loop().NowMs();
  SetTimer(kDelayTimer, static_cast<int>(std::max<int64_t>(1, wait)));
}

void DeviceModel::OnTimer(int id) {
  if (id == kDelayTimer) {
    const int64_t now = Loop().NowMs();
    while (!delayed_.empty() && delayed_.front().dueMs <= now) {
      Delayed d = std::move(delayed_.front());
      delayed_.pop_front();
      Deliver(d.channel, d.reply);
    }
    ScheduleDelayed();
    return;
  }
  if (id == kRebootTimer) {
    KillTimer(kRebootTimer);
    rebooting_ = false;
    return;
  }
  KillTimer(id);
  const ChannelId channel = id - BlockTimerId(0);
  auto it = channels_.find(channel);
  if (it != channels_.end() && it->second->stream->InBlock()) {
    ++counters_.blockTimeouts;
    it->second->stream->AbandonBlock();
    it->second->blockPurpose = BlockPurpose::kNone;
  }
}

void DeviceModel::SetStandby(bool on) {
  const bool entering = on && !standby_;
  standby_ = on;
  if (!entering) return;
  std::vector<ChannelId> ids;
  for (const auto& [id, channel] : channels_) ids.push_back(id);
  for (ChannelId id : ids) {
    Reaction r;
    r.Frame(kStandby, kStandby);
    ++counters_.standbyReports;
    Carry(id, r);
  }
}

bool DeviceModel::SetPortConnected(bool input, int n, bool connected) {
  if (input ? !core_.state.ValidInput(n) : !core_.state.ValidOutput(n)) return false;
  (input ? core_.state.Input(n).connected : core_.state.Output(n).connected) = connected;
  return true;
}

void DeviceModel::CloseConnections() {
  ++counters_.closeRequests;
  std::vector<CloseHook> hooks;
  for (const auto& [id, channel] : channels_) {
    if (channel->onClose) hooks.push_back(channel->onClose);
  }
  for (CloseHook& hook : hooks) hook();
}

}  // namespace velantor::sim
