// SPDX-License-Identifier: MIT

#pragma once

#include "document/HelpFormat.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace skyrend {

// Turns a help file into the coloured text the editor shows, a piece at a time, so that a
// window can stay live between pieces of a big file. The result is what the file reads as,
// in the colours a save and reload would give it (so a tag inside a header line, which the
// editor can never write back, does not show).
//
// The input is the file's bytes (Windows-1252) or text already decoded; it must outlive the
// reader. Pieces end at line ends, where the format has no state but the current colour.
class HelpFileReader {
public:
    explicit HelpFileReader(std::string_view bytes);
    explicit HelpFileReader(std::u16string_view text);

    bool done() const { return position_ >= size(); }
    // Reads at least `amount` more input characters (bytes), up to the end of a line.
    void readSome(std::size_t amount);
    // Input characters read so far, and in all.
    std::size_t position() const { return position_; }
    std::size_t size() const { return bytes_.empty() ? text_.size() : bytes_.size(); }

    const ColoredText& result() const { return out_; }
    ColoredText take() { return std::move(out_); }

private:
    std::size_t pieceEnd(std::size_t amount) const;

    std::string_view bytes_;
    std::u16string_view text_;
    std::size_t position_ = 0;
    ColorRef current_;  // the reader's colour at the end of what was read
    ColorRef entering_; // the colour shown for the last character read
    ColoredText decoded_;
    ColoredText out_;
};

// What the editor shows for a file (its bytes, Windows-1252), the whole file at once: the colours
// the text keeps after a save and reload.
ColoredText readHelpFile(std::string_view bytes);

// The same file by the reading rules alone: each character in the colour its tags give it, so a
// tag inside a header line still colours the rest of the line. For tools that look at a file's
// tags as they are; the editor never shows these colours where they differ.
ColoredText decodeHelpFile(std::string_view bytes);

} // namespace skyrend
