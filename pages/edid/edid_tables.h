// The fixed lists and texts of the EDID page: the built-in EDID modes with the values sent for
// them, the input, output and read-source lists, the status codes an input reports, and the
// "EDID content" grid that shows 256 EDID bytes as hex.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velantor {

constexpr int kEdidMaxPorts = 8;  // the lists hold eight inputs and outputs before trimming

struct EdidModeEntry {
  const char* text;
  uint8_t modeValue;  // what "Set" sends in byte 4
};

// The "Set EDID Mode" list, in its order (not sorted).
std::span<const EdidModeEntry> EdidModes();
// The mode value for a list index; nullopt outside the list.
std::optional<uint8_t> EdidModeValue(int index);

// "IN1" .. "IN<inputCount>" followed by "All Inputs", which thus sits at index inputCount.
// inputCount is held to 1..8.
std::vector<std::string> EdidInputItems(int inputCount);
// "HDMI OUT A" .. for outputCount outputs (held to 1..8).
std::vector<std::string> EdidOutputItems(int outputCount);
// The letter of output index 0..7 ('A'..'H'); '?' outside.
char EdidOutputLetter(int index);
// The "Read EDID data from" list: "Out1" .. "Out8", "User1 Memory", "User2 Memory".
std::vector<std::string> EdidReadSourceItems();

// Status codes an input reports (not the mode values above): 0..18 have a text of their own,
// every other byte, 0x80..0xFF (negative as a signed byte) included, is "User define".
constexpr int kEdidStatusCodeCount = 19;
std::string EdidStatusText(uint8_t code);
// The label of input n's status row: "IN1:" .. "IN8:"; empty outside 1..8.
std::string EdidStatusLabel(int input);
// What a status row shows before any answer.
inline constexpr const char* kEdidStatusInitialText = "s";

// The "EDID content" grid: column 0 holds the row's offset, columns 1..16 the bytes.
constexpr int kEdidContentRows = 16;
constexpr int kEdidContentByteColumns = 16;
constexpr int kEdidContentColumns = 1 + kEdidContentByteColumns;

// Column headers: "Offset", then "0" .. "F".
std::vector<std::string> EdidContentColumnHeaders();
// Row header: the offset of the row's first byte, "00" .. "F0"; empty outside 0..15.
std::string EdidContentRowHeader(int row);
// Two upper-case hex digits.
std::string EdidContentCellText(uint8_t byte);

struct EdidCellPosition {
  int row;
  int column;  // list column, 1..16
};
// Where byte k (0..255) of the EDID is shown.
EdidCellPosition EdidContentCellOf(int k);

// The texts of the 16 x 16 byte cells (row, byte column 0..15) for 256 EDID bytes.
using EdidContentCells = std::array<std::array<std::string, kEdidContentByteColumns>, kEdidContentRows>;
EdidContentCells FormatEdidContent(std::span<const uint8_t, kEdidContentRows * kEdidContentByteColumns> bytes);

}  // namespace velantor
