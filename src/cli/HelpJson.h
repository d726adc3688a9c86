// SPDX-License-Identifier: MIT

#pragma once

#include "document/HelpFormat.h"

#include <string>
#include <string_view>

namespace skyrend {

// The JSON form of a coloured document:
//   {"text": "...", "runs": [{"start": 0, "length": 5, "color": "G"}, ...]}
// `start` and `length` count characters of `text`; `color` is a palette letter, or "#rrggbb"
// for a colour outside the palette.
std::string toJson(const ColoredText& doc);

// Reads that form back; `color` may also be "#rrggbb". Strict: unknown or repeated members,
// gaps or overlaps between runs, runs that do not cover the text, unknown colour letters and
// characters that have no byte in Windows-1252 all throw json::Error.
ColoredText fromJson(std::string_view utf8);

} // namespace skyrend
