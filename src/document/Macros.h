// SPDX-License-Identifier: MIT

#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace skyrend {

// Key macros: "%K" and a key name, which the game replaces with the player's key.
inline constexpr int MacroUpperBound = 29; // rows 0..29; row 29 is blank
inline constexpr int MacroCount = 29;      // rows 0..28 hold macros
inline constexpr std::size_t MacroTokenWidth = 16;
inline constexpr std::size_t MacroDescriptionWidth = 30;

// The text inserted into the document, filled out with spaces to 16 characters.
extern const std::array<std::string_view, MacroUpperBound + 1>& MacroTokens;
// The menu caption, filled out with spaces to 30 characters.
extern const std::array<std::string_view, MacroUpperBound + 1>& MacroDescriptions;

// Fills both tables. They start filled already; calling this again restores them.
void InitMacros();

// `field` without leading and trailing spaces.
std::string_view trimmedField(std::string_view field);

// True when "%K" + `name` is one of the tokens of rows 0..28, compared exactly.
bool isMacroName(std::u16string_view name);

// The Insert menu's caption for that key name ("'Warp' Key"), if it is one.
std::optional<std::string_view> macroCaption(std::u16string_view name);

} // namespace skyrend
