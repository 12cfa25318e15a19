// Device options: IR, beep, border, display mode, multi-viewer, video wall, input channel.
#include "sim/command_table.h"

namespace velantor::sim {

namespace {

constexpr uint8_t kIr = 0x05;
constexpr uint8_t kBeep = 0x06;
constexpr uint8_t kBorder = 0x0C;
constexpr uint8_t kMode = 0x13;
constexpr uint8_t kViewer = 0x14;
constexpr uint8_t kWall = 0x15;
constexpr uint8_t kChannel = 0x16;
constexpr int kLayouts = 4;
constexpr int kWallMax = 32;

bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

// On/off options travel as 0x0F / 0xF0; anything else is refused.
void SetSwitch(DeviceCore& c, const CommandFrame& f, Reaction& out, bool& option) {
  uint8_t status = (f[4] == kOnValue || f[4] == kOffValue) ? c.Refusal() : kBadValue;
  if (status == 0) option = f[4] == kOnValue;
  out.Frame(f[2], 0x01, status);
}

void SetIr(DeviceCore& c, const CommandFrame& f, Reaction& out) { SetSwitch(c, f, out, c.state.options.ir); }
void SetBeep(DeviceCore& c, const CommandFrame& f, Reaction& out) { SetSwitch(c, f, out, c.state.options.beep); }
void SetBorder(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  SetSwitch(c, f, out, c.state.options.border);
}

void QueryBorder(DeviceCore& c, const CommandFrame&, Reaction& out) {
  out.Frame(kBorder, 0x03, c.state.options.border ? kOnValue : kOffValue);
}

void SetDisplayMode(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  uint8_t status = InRange(f[4], 1, 3) ? c.Refusal() : kBadValue;
  if (status == 0) c.state.options.displayMode = f[4];
  out.Frame(kMode, 0x01, status, 0, c.state.options.displayMode);
}

void QueryDisplayMode(DeviceCore& c, const CommandFrame&, Reaction& out) {
  out.Frame(kMode, 0x02, c.state.options.displayMode);
}

void SetLayout(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  uint8_t status = InRange(f[4], 1, kLayouts) ? c.Refusal() : kBadValue;
  if (status == 0) c.state.options.layout = f[4];
  out.Frame(kViewer, 0x01, status, 0, c.state.options.layout);
}

void QueryLayout(DeviceCore& c, const CommandFrame&, Reaction& out) {
  out.Frame(kViewer, 0x02, c.state.options.layout, 0, c.state.options.layout);
}

// The main window's source is kept per layout (byte 6).
void SetMainSource(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  const bool ok = c.state.ValidInput(f[4]) && InRange(f[6], 1, kLayouts);
  uint8_t status = ok ? c.Refusal() : kBadValue;
  if (status == 0) c.state.options.mainSource[f[6] - 1] = f[4];
  out.Frame(kViewer, 0x03, status, 0, f[6]);
}

void QueryMainSource(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  const int layout = InRange(f[6], 1, kLayouts) ? f[6] : c.state.options.layout;
  out.Frame(kViewer, 0x04, c.state.options.mainSource[layout - 1], 0,
            static_cast<uint8_t>(layout));
}

void SetWallSide(DeviceCore& c, const CommandFrame& f, Reaction& out, uint8_t& side) {
  uint8_t status = InRange(f[4], 1, kWallMax) ? c.Refusal() : kBadValue;
  if (status == 0) side = f[4];
  out.Frame(kWall, f[3], status, 0, side);
}

void SetWallColumns(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  SetWallSide(c, f, out, c.state.options.wallColumns);
}
void SetWallRows(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  SetWallSide(c, f, out, c.state.options.wallRows);
}

void QueryWallSize(DeviceCore& c, const CommandFrame&, Reaction& out) {
  out.Frame(kWall, 0x03, c.state.options.wallColumns, 0, c.state.options.wallRows);
}

void SetInputChannel(DeviceCore& c, const CommandFrame& f, Reaction& out) {
  uint8_t status = c.state.ValidInput(f[4]) ? c.Refusal() : kBadValue;
  if (status == 0) c.state.options.inputChannel = f[4];
  out.Frame(kChannel, 0x01, status, 0, c.state.options.inputChannel);
}

void QueryInputChannel(DeviceCore& c, const CommandFrame&, Reaction& out) {
  out.Frame(kChannel, 0x02, c.state.options.inputChannel, 0, c.state.options.inputChannel);
}

constexpr CommandRow kRows[] = {
    {kIr, 0x01, SetIr},
    {kBeep, 0x01, SetBeep},
    {kBorder, 0x01, SetBorder},
    {kBorder, 0x03, QueryBorder},
    {kMode, 0x01, SetDisplayMode},
    {kMode, 0x02, QueryDisplayMode},
    {kViewer, 0x01, SetLayout},
    {kViewer, 0x02, QueryLayout},
    {kViewer, 0x03, SetMainSource},
    {kViewer, 0x04, QueryMainSource},
    {kWall, 0x01, SetWallColumns},
    {kWall, 0x02, SetWallRows},
    {kWall, 0x03, QueryWallSize},
    {kChannel, 0x01, SetInputChannel},
    {kChannel, 0x02, QueryInputChannel},
};

}  // namespace

std::span<const CommandRow> OptionCommands() { return kRows; }

}  // namespace velantor::sim
