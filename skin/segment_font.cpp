#include "skin/segment_font.h"

#include <array>
#include <utility>

namespace velantor::skin {

namespace {
constexpr std::uint16_t kRing = kTop | kUpperRight | kLowerRight | kBottom | kLowerLeft | kUpperLeft;
constexpr std::uint16_t kMiddle = kMiddleLeft | kMiddleRight;
constexpr std::uint16_t kCentre = kUpperCentre | kLowerCentre;
constexpr std::uint16_t kLeft = kUpperLeft | kLowerLeft;
constexpr std::uint16_t kRight = kUpperRight | kLowerRight;

// 0 carries a slash so it never reads as O; 5 keeps its digit shape and S bends through the
// upper-left diagonal instead, so the two stay apart.
constexpr std::pair<char, std::uint16_t> kGlyphs[] = {
    {'0', kRing | kDiagonalUpperRight | kDiagonalLowerLeft},
    {'1', kRight},
    {'2', kTop | kUpperRight | kMiddle | kLowerLeft | kBottom},
    {'3', kTop | kRight | kMiddle | kBottom},
    {'4', kUpperLeft | kMiddle | kRight},
    {'5', kTop | kUpperLeft | kMiddle | kLowerRight | kBottom},
    {'6', kTop | kLeft | kMiddle | kLowerRight | kBottom},
    {'7', kTop | kRight},
    {'8', kRing | kMiddle},
    {'9', kTop | kUpperLeft | kRight | kMiddle | kBottom},
    {'A', kTop | kLeft | kRight | kMiddle},
    {'B', kTop | kRight | kBottom | kCentre | kMiddleRight},
    {'C', kTop | kLeft | kBottom},
    {'D', kTop | kRight | kBottom | kCentre},
    {'E', kTop | kLeft | kBottom | kMiddleLeft},
    {'F', kTop | kLeft | kMiddleLeft},
    {'G', kTop | kLeft | kBottom | kLowerRight | kMiddleRight},
    {'H', kLeft | kRight | kMiddle},
    {'I', kTop | kBottom | kCentre},
    {'J', kRight | kBottom | kLowerLeft},
    {'K', kLeft | kMiddleLeft | kDiagonalUpperRight | kDiagonalLowerRight},
    {'L', kLeft | kBottom},
    {'M', kLeft | kRight | kDiagonalUpperLeft | kDiagonalUpperRight},
    {'N', kLeft | kRight | kDiagonalUpperLeft | kDiagonalLowerRight},
    {'O', kRing},
    {'P', kTop | kLeft | kUpperRight | kMiddle},
    {'Q', kRing | kDiagonalLowerRight},
    {'R', kTop | kLeft | kUpperRight | kMiddle | kDiagonalLowerRight},
    {'S', kTop | kDiagonalUpperLeft | kMiddleRight | kLowerRight | kBottom},
    {'T', kTop | kCentre},
    {'U', kLeft | kRight | kBottom},
    {'V', kLeft | kDiagonalLowerLeft | kDiagonalUpperRight},
    {'W', kLeft | kRight | kDiagonalLowerLeft | kDiagonalLowerRight},
    {'X', kDiagonalUpperLeft | kDiagonalUpperRight | kDiagonalLowerLeft | kDiagonalLowerRight},
    {'Y', kDiagonalUpperLeft | kDiagonalUpperRight | kLowerCentre},
    {'Z', kTop | kDiagonalUpperRight | kDiagonalLowerLeft | kBottom},
    {'-', kMiddle},
    {'_', kBottom},
    {'=', kMiddle | kBottom},
    {'+', kMiddle | kCentre},
    {'*', kMiddle | kCentre | kDiagonalUpperLeft | kDiagonalUpperRight | kDiagonalLowerLeft |
              kDiagonalLowerRight},
    {'/', kDiagonalUpperRight | kDiagonalLowerLeft},
    {'\\', kDiagonalUpperLeft | kDiagonalLowerRight},
    {'(', kDiagonalUpperRight | kDiagonalLowerRight},
    {')', kDiagonalUpperLeft | kDiagonalLowerLeft},
    {'\'', kUpperCentre},
};

constexpr std::array<std::uint16_t, 128> BuildTable() {
  std::array<std::uint16_t, 128> table{};
  for (const auto& [c, mask] : kGlyphs) table[static_cast<unsigned char>(c)] = mask;
  return table;
}

constexpr std::array<std::uint16_t, 128> kTable = BuildTable();
}  // namespace

std::uint16_t SegmentMask(QChar c) {
  const char16_t u = c.toUpper().unicode();
  return u < kTable.size() ? kTable[u] : 0;
}

}  // namespace velantor::skin
