// EDID commands (opcode 0x03): modes, copies, reads, the handshake and downloads.
#include "sim/command_table.h"
#include "sim/edid_data.h"

namespace velantor::sim {

namespace {

constexpr uint8_t kOp = 0x03;
constexpr uint8_t kReady = 0xAA;
constexpr uint8_t kBlockHeader = 0x56;
constexpr uint8_t kAllInputs = 0xFE;
constexpr uint8_t kFailed = 0xFF;
constexpr uint8_t kFromOutput = 0xF0;
constexpr uint8_t kUser1 = 0xF1;
constexpr uint8_t kUser2 = 0xF2;
constexpr uint8_t kResultFlag = 0x01;  // byte 7 of a download's result

void ApplyMode(InputState& in, int mode) {
  in.edidMode = static_cast<uint8_t>(mode);
  in.edidCode = *BuiltInModeCode(mode);
  in.edid = BuiltInModeEdid(mode);
}

void ApplyCopy(DeviceState& s, int input, int output) {
  InputState& in = s.Input(input);
  in.edidMode = 0;
  in.edidCode = CopiedEdidCode(output);
  in.edid = s.Output(output).displayEdid;
}

void ModeAll(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  uint8_t status = BuiltInModeCode(f[4]) ? c.Refusal() : kBadValue;
  if (status == 0) {
    for (int n = 1; n <= c.state.identity.inputs; ++n) ApplyMode(c.state.Input(n), f[4]);
  }
  out.Frame(kOp, 0x01, status);
}

void ModeOne(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  const int i = f[6];
  if (!c.state.ValidInput(i)) return out.Reject("no such input");
  uint8_t status = BuiltInModeCode(f[4]) ? c.Refusal() : kBadValue;
  if (status == 0) ApplyMode(c.state.Input(i), f[4]);
  out.Frame(kOp, 0x02, status, 0, f[6]);
}

// A copy needs a display on the output to read its EDID from.
uint8_t CopyStatus(DeviceCore& c, int output) {
  if (!c.state.ValidOutput(output) || !c.state.Output(output).connected) return kBadValue;
  return c.Refusal();
}

void CopyAll(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  const int o = f[4];
  uint8_t status = CopyStatus(c, o);
  if (status == 0) {
    for (int n = 1; n <= c.state.identity.inputs; ++n) ApplyCopy(c.state, n, o);
  }
  out.Frame(kOp, 0x03, status);
}

void CopyOne(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  const int o = f[4];
  const int i = f[6];
  if (!c.state.ValidInput(i)) return out.Reject("no such input");
  uint8_t status = CopyStatus(c, o);
  if (status == 0) ApplyCopy(c.state, i, o);
  out.Frame(kOp, 0x04, status, 0, f[6]);
}

// A read answers with a lead byte and the 256 EDID bytes; a source it cannot read is refused.
void Read(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  const EdidBytes* edid = nullptr;
  if (f[5] == kFromOutput && c.state.ValidOutput(f[4]) && c.state.Output(f[4]).connected) {
    edid = &c.state.Output(f[4]).displayEdid;
  } else if (f[5] == kUser1 || f[5] == kUser2) {
    edid = &c.state.userMemory[f[5] - kUser1];
  }
  if (!edid) {
    out.Frame(kOp, 0x05, kFailed, f[5], f[4]);
    return;
  }
  std::vector<uint8_t> answer{kEdidReadLead};
  answer.insert(answer.end(), edid->begin(), edid->end());
  out.Raw(PayloadKind::kEdidData, answer.data(), answer.size());
}

// Announce (byte 4 = target) or block header (byte 4 = 0x56, byte 7 = 1) of a download.
void Download(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  const uint8_t sub = f[3];
  if (f[4] == kBlockHeader && f[7] == 0x01) {
    out.ExpectBlock(kEdidBlockSize, BlockPurpose::kEdid);
    c.edidDownload.headerSub = sub;
    return;
  }
  const bool all = sub == 0x06;
  const bool targetOk = all ? f[4] == kAllInputs : c.state.ValidInput(f[4]);
  uint8_t status = targetOk ? c.Refusal() : kFailed;
  if (status != 0) {
    // A refused announcement gets the download's result form (byte 7 = 1): byte 7 = 0 is the
    // form of "ready", and a refusal must not look like one.
    c.edidDownload = {};
    out.Frame(kOp, sub, status == kBadValue ? kFailed : status, 0, 0, kResultFlag);
    return;
  }
  c.edidDownload = {sub, all ? 0 : f[4]};
  out.Frame(kOp, sub, kReady);
}

void Handshake(DeviceCore& c, const CommandFrame&, Reaction& out) {
  ++c.handshakes;
  out.Frame(kOp, 0x08);
}

constexpr CommandRow kRows[] = {
    {kOp, 0x01, ModeAll},  {kOp, 0x02, ModeOne},  {kOp, 0x03, CopyAll},
    {kOp, 0x04, CopyOne},  {kOp, 0x05, Read},     {kOp, 0x06, Download},
    {kOp, 0x07, Download}, {kOp, 0x08, Handshake},
};

}  // namespace

std::span<const CommandRow> EdidCommands() { return kRows; }

// The result answers with the header's own sub-command; a header of the other download form
// than the one announced fails the download. The edid-result knob overrides the result byte, and
// only a good block with result 00 is stored.
void HandleEdidBlock(DeviceCore& c, const std::vector<uint8_t>& block, Reaction& out) {
  const EdidDownload job = c.edidDownload;
  c.edidDownload = {};
  const uint8_t sub = job.headerSub;
  EdidBlockVerdict verdict = CheckEdidBlock(block.data(), block.size());
  if (!job.sub) verdict = {std::nullopt, "no download announced"};
  else if (job.sub != sub) verdict = {std::nullopt, "block header of the other download form"};
  const uint8_t result = c.edidResult >= 0 ? static_cast<uint8_t>(c.edidResult) : verdict.edid ? 0 : kFailed;
  if (!verdict.edid || result != 0) {
    if (!verdict.edid) out.Reject(verdict.reason);
    out.Frame(kOp, sub, result, 0, 0, kResultFlag);
    return;
  }
  const int first = job.sub == 0x06 ? 1 : job.input;
  const int last = job.sub == 0x06 ? c.state.identity.inputs : job.input;
  for (int n = first; n <= last; ++n) {
    InputState& in = c.state.Input(n);
    in.edid = *verdict.edid;
    in.edidMode = 0;
    in.edidCode = kUserEdidCode;
  }
  out.Frame(kOp, sub, 0, 0, 0, kResultFlag);
}

}  // namespace velantor::sim
