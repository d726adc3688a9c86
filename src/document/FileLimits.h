// SPDX-License-Identifier: MIT

#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace skyrend {

// The most bytes the editor opens or saves, and the tool reads as a help file. A help file is
// text for one key of a game, far below this; a bigger file is something else opened by
// mistake, and the editor holds a document several times over in memory (its text, colours,
// undo steps and safety copy).
inline constexpr std::size_t kMaxHelpFileBytes = 64u * 1024 * 1024;

// The longest line the editor opens. The edit box lays a line out whole after every key press
// and every slice of a load, in time that grows with the line: a key takes about 11 ms in a line
// this long, 16 ms near 29,000 characters, and 6 s in a line of 10 MiB, whose load never ends
// (docs/long-lines.md). The margin is for slower machines; a help page's lines are a few dozen
// characters.
inline constexpr std::size_t kMaxLineCharacters = 20000;

struct OverlongLine {
    std::size_t line;       // counted from 1, as in the file
    std::size_t characters; // the whole line's, its line break not counted
};

// The first line longer than `limit` characters. CR LF, a lone CR and a lone LF each end a
// line. For a file's bytes (one character each in Windows-1252) and for decoded text alike;
// one pass over the text.
std::optional<OverlongLine> firstOverlongLine(std::string_view text,
                                              std::size_t limit = kMaxLineCharacters);
std::optional<OverlongLine> firstOverlongLine(std::u16string_view text,
                                              std::size_t limit = kMaxLineCharacters);

// "Line 3 has 10,485,760 characters, more than the 20,000 a line can have in this editor."
std::string overlongLineSentence(const OverlongLine& found, std::size_t limit = kMaxLineCharacters);

} // namespace skyrend
