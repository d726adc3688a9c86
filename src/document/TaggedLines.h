// SPDX-License-Identifier: MIT

#pragma once

#include "document/HelpFormat.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skyrend {

// A document's tagged text (what a save writes, without the closing line break) held as lines,
// with the reader's colour at the start of each. Tags never hold a line break, so line k of the
// tagged text reads as line k of the document: an edit of some tagged lines changes the same
// lines of the document, plus the lines after them whose colour it carries into.
class TaggedLines {
public:
    // The tagged text of `doc`.
    explicit TaggedLines(const ColoredText& doc);
    // Tagged text given as lines (each without its line break; at least one).
    explicit TaggedLines(std::vector<std::u16string> lines);

    std::size_t size() const { return lines_.size(); }
    const std::u16string& line(std::size_t index) const { return lines_[index]; }
    ColorRef enteringColor(std::size_t index) const { return entering_[index]; }
    // All lines joined by `lineBreak`.
    std::u16string joined(std::u16string_view lineBreak) const;

    // What the document must do after an edit of the tagged text: replace its lines
    // [first, oldEnd) by `text` (lines [first, newEnd) of the new tagged text, read), where
    // `text` ends with a line break unless the change reaches the end. When it reaches the end
    // and first > 0, `text` starts with the line break before line `first`, which is replaced too.
    struct Change {
        std::size_t first = 0;
        std::size_t oldEnd = 0;
        std::size_t newEnd = 0;
        bool toEnd = false;
        ColoredText text;
    };
    // Lines [first, first + removed) were replaced by `added`. Nothing when no line differs.
    std::optional<Change> replaceLines(std::size_t first, std::size_t removed,
                                       std::vector<std::u16string> added);

    // Where a column of the visible text of line `index` stands in the tagged line: just after
    // the visible character before it, so a tag before the character stays after the column.
    std::size_t taggedColumn(std::size_t index, std::size_t visibleColumn) const;
    // The visible column of a place in the tagged line: the visible characters before it.
    std::size_t visibleColumn(std::size_t index, std::size_t taggedColumn) const;

private:
    void computeEntering(std::size_t from);

    std::vector<std::u16string> lines_;
    std::vector<ColorRef> entering_; // the reader's colour at the start of each line
};

} // namespace skyrend
