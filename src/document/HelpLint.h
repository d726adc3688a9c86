// SPDX-License-Identifier: MIT

#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skyrend {

// What a load drops where a fault starts: nothing (the fault is shown), the first '%' of
// "%%", or a colour tag.
enum class DroppedUnit : unsigned char { None, Percent, Tag };

// What a finding is about.
enum class LintKind : unsigned char {
    NoHeaderLine,       // of the whole file
    FirstLineNotHeader, // of the whole file
    UnknownMacro,       // "%K" and a name the game does not know, or no name
    NotAColourTag,      // '%' and a letter that is no tag letter
    TagInHeaderLine,    // a colour tag inside a header line
    DoubledPercent,     // "%%", whose first '%' a load drops
    Unencodable,        // a character without a byte in Windows-1252
    ControlCharacter,   // a run of C0 controls but tab and line breaks, or DEL: shown nowhere
};

struct LintFinding {
    std::size_t line;   // 1-based, counted in the file's lines ("\r\n", "\r" or "\n" end one)
    std::size_t column; // 1-based, counted in the file's bytes
    std::string message;
    // Characters of the file the fault spans, from `column`; 0 for faults of the whole file.
    std::size_t length = 0;
    // The place in the line as a load shows it, so that a finding can be found in text that
    // holds no tags (see textIndexOf): after visibleColumn - 1 characters shown and, when the
    // fault starts with something dropped, after `droppedBefore` more of its kind.
    std::size_t visibleColumn = 1;
    DroppedUnit dropped = DroppedUnit::None;
    std::size_t droppedBefore = 0;
    LintKind kind = LintKind::NoHeaderLine;
    std::size_t offset = 0; // index into the linted text where the fault starts

    friend bool operator==(const LintFinding&, const LintFinding&) = default;
};

// Faults in a help file that the game or the editor would show differently from what its
// author meant. `fileText` is the file as read, one character per byte (decodeCp1252), line
// breaks as they are in the file; or the text a save would encode (encodeHelpText), where a
// character without a Windows-1252 byte is a fault too. Findings come in file order.
std::vector<LintFinding> lintHelpFile(std::u16string_view fileText);

// The fault of the whole file, if any, for a file with and without header lines.
std::optional<LintFinding> wholeFileFinding(bool anyHeader, bool firstLineIsHeader);

// Index into `line` (one line of text as the editor holds it: no tags, no line break) where
// `finding` starts. A save writes a line's characters in order and puts tags only between a
// '%' run and what stands before it, so the index is exact for findings in the text a save
// would write from that line.
std::size_t textIndexOf(std::u16string_view line, const LintFinding& finding);

// A key macro ("%K" and a key name) in a line of text.
struct MacroSpan {
    std::size_t start;  // index of its '%'
    std::size_t length; // '%', 'K' and the name
    bool known;
    // What the game puts there, in the words of the Insert menu ("'Warp' Key"), or why it
    // puts nothing.
    std::string explanation;

    friend bool operator==(const MacroSpan&, const MacroSpan&) = default;
};

// The key macro that covers line[index], if any.
std::optional<MacroSpan> macroAt(std::u16string_view line, std::size_t index);

} // namespace skyrend
