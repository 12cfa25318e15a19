// The emulator's side of the wire: the device model fed any byte stream, with frames its handlers
// accept and the raw EDID and firmware blocks their headers announce, in pieces and with time
// passing between them; and the frame stream alone with blocks expected at any point.
//
// Input: byte 0 bit 0 picks the frame stream alone (else the device model). Then steps, each a
// control byte c with kind c >> 5 and argument a = c & 0x1F:
//   0, 1  a+1 raw bytes
//   2, 3  a frame: start pair, the next 10 bytes, a correct checksum
//   4     a block of (a+1) * 16 bytes (the EDID block is 290, a firmware block 257)
//   5     time passes: a * 50 ms (a raw block left half way is given up after a second)
//   6     a fault knob or standby, picked by a (device model); ExpectBlock(a * 16) (stream alone)
//   7     a+1 bytes with a correct checksum byte appended (a firmware block's shape)
#include <cstdint>
#include <vector>

#include "base/virtual_event_loop.h"
#include "fuzz_input.h"
#include "link/command_frame.h"
#include "sim/device_model.h"
#include "sim/frame_stream.h"

namespace {

using velantor::fuzz::FuzzInput;

// The bytes of one step, or an empty vector for a step that feeds nothing.
std::vector<uint8_t> StepBytes(FuzzInput& in, int kind, int a) {
  std::vector<uint8_t> out;
  switch (kind) {
    case 0:
    case 1: {
      auto b = in.Take(static_cast<size_t>(a) + 1);
      out.assign(b.begin(), b.end());
      break;
    }
    case 2:
    case 3: {
      velantor::CommandFrame f;
      auto body = in.Take(10);
      std::copy(body.begin(), body.end(), f.bytes.begin() + 2);
      velantor::SealFrame(f);
      out.assign(f.bytes.begin(), f.bytes.end());
      break;
    }
    case 4: {
      auto b = in.Take(static_cast<size_t>(a + 1) * 16);
      out.assign(b.begin(), b.end());
      break;
    }
    case 7: {
      auto b = in.Take(static_cast<size_t>(a) + 1);
      uint8_t sum = 0;
      for (uint8_t x : b) sum = static_cast<uint8_t>(sum + x);
      out.push_back(static_cast<uint8_t>(0 - sum));
      out.insert(out.end(), b.begin(), b.end());
      break;
    }
    default:
      break;
  }
  return out;
}

void RunModel(FuzzInput& in) {
  velantor::VirtualEventLoop loop;
  velantor::sim::DeviceModel model(loop);
  size_t replied = 0;
  model.SetReplySink([&](const uint8_t*, size_t n) { replied += n; });
  while (!in.Done()) {
    const uint8_t c = in.Byte();
    const int kind = c >> 5, a = c & 0x1F;
    if (kind == 5) {
      loop.Advance(a * 50);
    } else if (kind == 6) {
      auto& f = model.Faults();
      switch (a % 8) {
        case 0: model.SetStandby(!model.InStandby()); break;
        case 1: f.splitBytes = a / 8; break;
        case 2: f.dupNext = 1; break;
        case 3: f.misportNext = 1; break;
        case 4: f.status = static_cast<uint8_t>(a); break;
        case 5: f.refuseFirmware = !f.refuseFirmware; break;
        case 6: model.SetPortConnected(a & 8, 1 + (a / 16) % 5, a & 16); break;
        default: f = {}; break;
      }
    } else {
      auto bytes = StepBytes(in, kind, a);
      model.Feed(bytes.data(), bytes.size());
    }
  }
  loop.Advance(10000);
}

void RunStream(FuzzInput& in) {
  size_t blockBytes = 0, expected = 0;
  velantor::sim::FrameStream stream({[](const velantor::CommandFrame&) {},
                                     [](const velantor::CommandFrame&) {},
                                     [&](const std::vector<uint8_t>& block) {
                                       // A block is handed over whole, exactly as long as announced.
                                       if (block.size() != expected) __builtin_trap();
                                       blockBytes += block.size();
                                     },
                                     [](size_t) {}});
  while (!in.Done()) {
    const uint8_t c = in.Byte();
    const int kind = c >> 5, a = c & 0x1F;
    if (kind == 5) {
      stream.AbandonBlock();
    } else if (kind == 6) {
      expected = static_cast<size_t>(a) * 16;
      stream.ExpectBlock(expected);
    } else {
      auto bytes = StepBytes(in, kind, a);
      stream.Feed(bytes.data(), bytes.size());
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  if (in.Byte() & 1) {
    RunStream(in);
  } else {
    RunModel(in);
  }
  return 0;
}
