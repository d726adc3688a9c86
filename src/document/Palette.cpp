// SPDX-License-Identifier: MIT

#include "document/Palette.h"

namespace skyrend {
namespace {

struct Tables {
    std::array<ColorRef, 8> values{};
    std::array<char, 8> letters{};
    std::array<std::string_view, 8> names{};
};

constexpr Tables makeTables()
{
    Tables t;
    auto set = [&t](int row, char letter, std::string_view paddedName, ColorRef value) {
        t.letters[row] = letter;
        t.names[row] = paddedName;
        t.values[row] = value;
    };
    set(White, 'W', "White ", 0x00ADADAD);
    set(Purple, 'P', "Purple", 0x00FFC0C0);
    set(Yellow, 'Y', "Yellow", 0x0063CEFF);
    set(Red, 'R', "Red   ", 0x000808CE);
    set(Green, 'G', "Green ", 0x0063FF73);
    set(Blue, 'B', "Blue  ", 0x00FFB5B5);
    set(Pink, 'p', "Pink  ", 0x009C8CFF);
    set(RedCopy, 'b', "Red   ", 0);
    t.values[RedCopy] = t.values[Red]; // the copy can never drift from Red
    return t;
}

constinit Tables g_tables = makeTables();

} // namespace

const std::array<ColorRef, 8>& ColorValues = g_tables.values;
const std::array<char, 8>& ColorLetters = g_tables.letters;
const std::array<std::string_view, 8>& ColorNames = g_tables.names;

void InitColors()
{
    g_tables = makeTables();
}

std::optional<int> paletteRowOfLetter(char16_t letter)
{
    for (int row = 0; row < PaletteColorCount; ++row)
        if (letter == char16_t(ColorLetters[row]))
            return row;
    return std::nullopt;
}

std::optional<int> paletteRowOfColor(ColorRef color)
{
    for (int row = 0; row < PaletteColorCount; ++row)
        if (color == ColorValues[row])
            return row;
    return std::nullopt;
}

} // namespace skyrend
