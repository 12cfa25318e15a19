// Which of the fourteen segments of a glyph cell light up for a character.
#pragma once

#include <QChar>
#include <cstdint>

namespace velantor::skin {

// Bit numbers of the segments in a cell. The outer ring and the two middle halves make the
// familiar seven-segment digit; the centre bars and the diagonals shape the letters.
enum Segment : std::uint16_t {
  kTop = 1u << 0,
  kUpperRight = 1u << 1,
  kLowerRight = 1u << 2,
  kBottom = 1u << 3,
  kLowerLeft = 1u << 4,
  kUpperLeft = 1u << 5,
  kMiddleLeft = 1u << 6,
  kMiddleRight = 1u << 7,
  kDiagonalUpperLeft = 1u << 8,   // top-left corner to the centre
  kUpperCentre = 1u << 9,
  kDiagonalUpperRight = 1u << 10,  // top-right corner to the centre
  kDiagonalLowerLeft = 1u << 11,   // centre to the bottom-left corner
  kLowerCentre = 1u << 12,
  kDiagonalLowerRight = 1u << 13,  // centre to the bottom-right corner
};

inline constexpr int kSegmentCount = 14;

// The lit segments for `c`; lower-case letters light as their capitals. Characters the display
// cannot form (and space) light nothing.
std::uint16_t SegmentMask(QChar c);

}  // namespace velantor::skin
