#include "sim/firmware_receiver.h"

#include <numeric>

namespace velantor::sim {

namespace {
constexpr uint8_t kOp = 0x20;
constexpr uint8_t kStart = 0x01;
constexpr uint8_t kStartPart3 = 0x03;
constexpr uint8_t kPrepare1 = 0x80;
constexpr uint8_t kPrepare2 = 0x10;
constexpr uint8_t kHeader = 0xAA;
constexpr uint8_t kLastHeader = 0x56;
constexpr uint8_t kRefused = 0x44;
constexpr uint8_t kChannel = 0x40;
constexpr uint8_t kWrap = 0xB0;
constexpr int kWrapIndex = 240;
constexpr int kIrPart = 3;
constexpr int kPanelPart = 4;
}  // namespace

void FirmwareReceiver::Refuse(uint8_t sub, Reaction& out) {
  ++refusals_;
  out.Frame(kOp, sub, kRefused, 0, 0, 0, 0, kChannel, 0);
}

void FirmwareReceiver::Start(int part, uint8_t readySub, uint8_t readyValue, bool refuse,
                             Reaction& out) {
  if (refuse) {
    Refuse(readySub, out);
    return;
  }
  part_ = part;
  bank_ = 0;
  lastAccepted_ = {};
  parts_[part - 1] = {};  // a new start rewrites the part
  stage_ = part == 1 ? Stage::kAwaitPrepare : Stage::kReady;
  out.Frame(kOp, readySub, readyValue, 0, 0, 0, 0, kChannel, 0);
}

namespace {
// The two header forms, bytes 5 to 11: 00 00 01 01 40 b 00 (or B0 01 at block index 240) and the
// marked last block's 00 FE 00 01 40 b 00.
bool WellFormedHeader(const CommandFrame& f, bool last) {
  if (f[5] != 0 || f[11] != 0) return false;
  if (last) return f[6] == 0xFE && f[7] == 0 && f[8] == 1 && f[9] == kChannel;
  return f[6] == 0 && f[7] == 1 && f[8] == 1 && (f[9] == kChannel || (f[9] == kWrap && f[10] == 0x01));
}
}  // namespace

void FirmwareReceiver::OnFrame(const CommandFrame& f, FirmwareFaults& faults, Reaction& out) {
  const bool refuse = faults.refuseStarts;
  const uint8_t sub = f[3];
  const uint8_t b4 = f[4];
  if (sub < 1 || sub > kFirmwareParts) {
    out.Reject("no such firmware part");
    return;
  }
  if (b4 == kStart && sub == kPanelPart) {
    // The panel MCU3 part has no write exchange: its start is taken and not answered.
    ++panelStarts_;
    out.Reject("panel MCU3 start: no answer");
    return;
  }
  if (b4 == kStart) {
    Start(sub, sub, kHeader, refuse, out);
    return;
  }
  if (b4 == kStartPart3 && sub == 2) {
    Start(3, 2, 0xFE, refuse, out);  // part 3 answers "ready" through part 2's channel
    return;
  }
  if ((b4 == kPrepare1 || b4 == kPrepare2) && sub == 1) {
    const bool first = b4 == kPrepare1;
    // A preparation resent after its answer was lost is answered again.
    const bool inOrder = part_ == 1 && (first ? (stage_ == Stage::kAwaitPrepare ||
                                                 stage_ == Stage::kAwaitSecondPrepare)
                                              : (stage_ == Stage::kAwaitSecondPrepare ||
                                                 stage_ == Stage::kReady));
    if (!inOrder) {
      ++outOfOrder_;
      Refuse(sub, out);
      return;
    }
    stage_ = first ? Stage::kAwaitSecondPrepare : Stage::kReady;
    out.Frame(kOp, 1, 0, 0, 0, 0, 0, kChannel, 0);
    return;
  }
  if (b4 == kHeader || b4 == kLastHeader) {
    if (part_ != sub || (stage_ != Stage::kReady && stage_ != Stage::kAwaitBlock)) {
      if (part_ == sub && stage_ == Stage::kIdle && parts_[sub - 1].complete) ++afterLast_;
      ++outOfOrder_;
      Refuse(sub, out);
      return;
    }
    if (!WellFormedHeader(f, b4 == kLastHeader)) {
      ++badHeaders_;
      out.Reject("malformed firmware header");
      return;
    }
    if (faults.refuseHeader > 0 && --faults.refuseHeader == 0) {
      stage_ = Stage::kIdle;  // the write is abandoned: a new start is needed
      Refuse(sub, out);
      return;
    }
    Header(f, b4 == kLastHeader, faults, out);
    return;
  }
  out.Reject("unknown firmware step");
}

void FirmwareReceiver::Header(const CommandFrame& f, bool last, FirmwareFaults&, Reaction& out) {
  HeaderInfo h;
  h.b9 = f[9];
  h.b10 = f[10];
  h.wrap = f[9] == kWrap;
  h.last = last;
  const int index = h.wrap ? kWrapIndex : f[10];
  // A header repeated after its acknowledgement was lost names the block already taken.
  const bool resend = lastAccepted_.number >= 0 && lastAccepted_.b9 == h.b9 &&
                      lastAccepted_.b10 == h.b10 && lastAccepted_.wrap;
  h.number = resend ? lastAccepted_.number : bank_ * 256 + index;
  // After the wrap block the next bank starts at its index 0.
  const int expected = lastAccepted_.number < 0 ? 0 : lastAccepted_.wrap ? bank_ * 256 : lastAccepted_.number + 1;
  if (h.number != expected && h.number != lastAccepted_.number) ++indexGaps_;
  pending_ = h;
  stage_ = Stage::kAwaitBlock;
  out.ExpectBlock(kFirmwareBlockSize, BlockPurpose::kFirmware);
}

void FirmwareReceiver::OnBlock(const std::vector<uint8_t>& block, FirmwareFaults& faults, Reaction& out) {
  Part& p = parts_[part_ - 1];
  const uint8_t sum = static_cast<uint8_t>(std::accumulate(block.begin(), block.end(), 0u));
  stage_ = Stage::kReady;
  if (block.size() != kFirmwareBlockSize || sum != 0) {
    ++p.badBlocks;  // no answer: the writer resends header and block
    out.Reject("firmware block checksum wrong");
    return;
  }
  std::array<uint8_t, 256> data;
  std::copy(block.begin() + 1, block.end(), data.begin());
  const bool firstTime = !(pending_.number == lastAccepted_.number);
  if (p.blocks.count(pending_.number) != 0) ++rewrites_;
  p.blocks[pending_.number] = data;
  ++p.blocksAccepted;
  if (pending_.wrap && firstTime) ++bank_;
  lastAccepted_ = pending_;
  if (faults.trueIndex) {
    out.Frame(kOp, static_cast<uint8_t>(part_), 0, 0, 0, 1, 1, kChannel, static_cast<uint8_t>(pending_.number % 256));
  } else {
    out.Frame(kOp, static_cast<uint8_t>(part_), 0, 0, 0, 1, 1, pending_.b9, pending_.b10);
  }
  if (pending_.last) {
    p.complete = true;
    stage_ = Stage::kIdle;
    // The IR MCU2 part ends with its last acknowledgement: no final report, no restart.
    if (part_ == kIrPart) return;
    if (faults.dropFinal > 0) {
      --faults.dropFinal;
    } else {
      out.Frame(kOp, static_cast<uint8_t>(part_), 0, 0, 0xFE, 0, 1, kChannel, 0);
    }
    out.reboot = true;
  }
}

std::vector<uint8_t> FirmwareReceiver::Assembled(int part, uint8_t fill) const {
  const Part& p = parts_[part - 1];
  if (p.blocks.empty()) return {};
  const int count = p.blocks.rbegin()->first + 1;
  std::vector<uint8_t> image(static_cast<size_t>(count) * 256, fill);
  for (const auto& [number, data] : p.blocks) {
    std::copy(data.begin(), data.end(), image.begin() + static_cast<long>(number) * 256);
  }
  return image;
}

}  // namespace velantor::sim
