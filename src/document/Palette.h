// SPDX-License-Identifier: MIT

#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace skyrend {

// A colour as the game stores it: 0x00BBGGRR, red in the lowest byte.
using ColorRef = std::uint32_t;

constexpr ColorRef rgb(unsigned red, unsigned green, unsigned blue)
{
    return ColorRef(red) | (ColorRef(green) << 8) | (ColorRef(blue) << 16);
}
constexpr unsigned redOf(ColorRef c)
{
    return c & 0xFFu;
}
constexpr unsigned greenOf(ColorRef c)
{
    return (c >> 8) & 0xFFu;
}
constexpr unsigned blueOf(ColorRef c)
{
    return (c >> 16) & 0xFFu;
}

// Rows of the palette. The last row is a copy of Red that no one reads; lists and
// look-ups stop at PaletteColorCount.
enum PaletteRow : int { White = 0, Purple, Yellow, Red, Green, Blue, Pink, RedCopy };

inline constexpr int ColorUpperBound = 7;   // rows 0..7
inline constexpr int PaletteColorCount = 7; // rows 0..6 are the document's colours
inline constexpr std::size_t ColorNameWidth = 6;

extern const std::array<ColorRef, 8>& ColorValues;
extern const std::array<char, 8>& ColorLetters;           // tag letters, case-sensitive
extern const std::array<std::string_view, 8>& ColorNames; // padded to six characters

// Fills the three tables. They start filled already, so nothing depends on when
// this runs; calling it again restores them.
void InitColors();

// First row among 0..6 whose letter is exactly `letter`.
std::optional<int> paletteRowOfLetter(char16_t letter);
// First row among 0..6 whose value is exactly `color`.
std::optional<int> paletteRowOfColor(ColorRef color);

} // namespace skyrend
