// SPDX-License-Identifier: MIT

#pragma once

#include "document/Palette.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace skyrend {

// A stretch of `length` characters in one colour.
struct ColorRun {
    std::size_t length;
    ColorRef color;

    friend bool operator==(const ColorRun&, const ColorRun&) = default;
};

// A header line is a line whose first character is HeaderMark; it begins a help page, and the
// game shows it in one colour.
inline constexpr char16_t HeaderMark = u'#';

// True for a line whose first character is `first`. For callers that know where lines start
// (a text block, the first character a load shows in a line).
constexpr bool opensHeaderLine(char16_t first)
{
    return first == HeaderMark;
}

// True when text[index] is the first character of a line ("\r\n", a lone "\r" and a lone "\n"
// each end one) and that line is a header line.
bool startsHeaderLine(std::u16string_view text, std::size_t index);

// The colour that `percent` and `letter` stand for as a colour tag: a '%' and the tag letter of
// a palette row among 0..6, case-sensitive. The reader takes such a pair for a tag, and typing it
// switches the typing colour.
std::optional<ColorRef> tagColor(char16_t percent, char16_t letter);

// What the editor holds: visible text plus the colour of every character.
struct ColoredText {
    std::u16string text;        // visible text, line breaks as "\r\n"
    std::vector<ColorRun> runs; // maximal runs (neighbours differ), covering text exactly

    friend bool operator==(const ColoredText&, const ColoredText&) = default;
};

// "\r\n", a lone "\r" and a lone "\n" each become "\r\n".
std::u16string normalizeLineBreaks(std::u16string_view raw);

// `doc` with its line breaks normalized as above, each in the colour it had, so that it holds
// line breaks as the editor does. A save writes a lone "\r" or "\n" as it is and the reader
// makes "\r\n" of it, so text from elsewhere (the tool's JSON) needs this before a save to read
// back the same.
ColoredText normalizeLineBreaks(const ColoredText& doc);

// Reads a help file's text (line breaks already normalized) into visible text and colours.
// One line break at the very end of `raw` is ignored: it is the one a save writes after the
// document, so loading and saving an unedited file gives the same bytes.
ColoredText decodeHelpText(std::u16string_view raw);

// decodeHelpText for a file read piece by piece: `raw` starts at a line start, `current` is the
// reader's colour before it and after it, and the final line break is ignored only when the
// piece ends the file. What it reads is appended to `out`.
void decodeHelpPiece(std::u16string_view raw, ColorRef& current, bool fileEnd, ColoredText& out);

// One stretch of a line of tagged text as the reader takes it: visible text, a colour tag (with
// the colour it switches to), or the first '%' of "%%", which the reader drops.
struct TaggedSpan {
    enum Kind { Text, Tag, Dropped };
    std::size_t start;
    std::size_t length;
    ColorRef color;
    Kind kind;
    friend bool operator==(const TaggedSpan&, const TaggedSpan&) = default;
};

// Reads one line of tagged text (without its line break) starting in `current`, and leaves
// `current` as the reader's colour at its end. The spans cover the line in order; neighbouring
// text of one colour is one span.
std::vector<TaggedSpan> readTaggedLine(std::u16string_view line, ColorRef& current);

// Tagged text pasted from another program, read by the file's reading rules: CR LF, a lone CR
// and a lone LF each make one line break, and the reader starts in `entering`, the colour the
// text goes into. Unlike a file, the text has no closing line break a save wrote, so a final
// line break is kept; characters outside Windows-1252 stay as they are.
ColoredText decodePastedText(std::u16string_view raw, ColorRef entering);

// Only the visible text of decodeHelpText(raw), without building runs.
std::u16string decodeVisibleText(std::u16string_view raw);

// The tagged text a save writes for `doc`, closing "\r\n" included. Runs that fall short of the
// text leave the rest Green; runs beyond it are ignored.
std::u16string encodeHelpText(const ColoredText& doc);

// The tagged text of `doc` alone, as a copy of a selection gives it to other programs: what
// encodeHelpText writes, from the writer's start colour, without the closing CR LF a save adds
// after a document (copying a word must not bring a line break along). Line breaks are CR LF.
std::u16string encodeCopiedText(const ColoredText& doc);

// encodeHelpText(doc), and where it put its colour tags: the offset in `text` of each tag's '%',
// in order. Every other character of `text` is one of doc.text, in order, then the closing CR LF;
// so a place in the saved text can be traced back to the document.
struct TracedEncoding {
    std::u16string text;
    std::vector<std::size_t> tags; // each tag is two characters long
};
TracedEncoding encodeHelpTextTraced(const ColoredText& doc);

// Index into doc.text of the first character that would not come back when `encoded` (the
// output of encodeHelpText(doc)) is read again: the visible "%" that the reader would take for
// a tag or for the first half of "%%". nullopt when the text comes back whole.
std::optional<std::size_t> findUnkeepable(const ColoredText& doc, std::u16string_view encoded);

// The colours `doc` has after a save and a reload: the writer's rules followed by the reader's.
// A header line (from a '#' that starts a line up to its line break) comes back Green, a '%'
// takes the colour of the character after it, a line break the colour of the text before it,
// a colour outside the palette Green. `entering` is the colour before doc.text, which must start
// at the start of a line (Green at the start of a file); so a stretch of whole lines can be
// looked at alone. Where text would not come back (see findUnkeepables), the colours are those
// of the characters as they stand.
std::vector<ColorRun> colorsAfterReload(const ColoredText& doc,
                                        ColorRef entering = ColorValues[Green]);

// A place in the visible text that a save and reload would not give back.
struct Unkeepable {
    enum Kind {
        DroppedPercent, // the first '%' of "%%" is dropped by the reader
        ReadAsTag,      // '%' and a colour letter are read as a colour tag
    };
    std::size_t index; // into the text: the first '%' of "%%", or the '%' of the tag
    Kind kind;
    char16_t letter; // the tag letter, for ReadAsTag
    friend bool operator==(const Unkeepable&, const Unkeepable&) = default;
};

// Every such place, in text order. The format has no escape for a visible '%', so these are
// all the places where the text itself (not only its colour) would change.
std::vector<Unkeepable> findUnkeepables(std::u16string_view text);

struct LineColumn {
    std::size_t line;   // 1-based
    std::size_t column; // 1-based
    friend bool operator==(const LineColumn&, const LineColumn&) = default;
};

// Position of text[index]; line breaks are "\r\n", "\r" or "\n". An index past the end is
// taken as the end.
LineColumn lineColumnOf(std::u16string_view text, std::size_t index);

// lineColumnOf for many indices of one text in increasing order, in one pass over it.
class LineColumnCursor {
public:
    explicit LineColumnCursor(std::u16string_view text) : text_(text) {}
    // `index` must not decrease between calls.
    LineColumn at(std::size_t index);

private:
    std::u16string_view text_;
    std::size_t scanned_ = 0;
    std::size_t line_ = 1;
    std::size_t lineStart_ = 0;
};

// True when some line of `text` is a header line (see startsHeaderLine).
bool hasHeaderLine(std::u16string_view text);

// ---- Helpers for building and inspecting coloured text ----

// Maximal runs for one colour per character; `colors` must have one entry per character.
std::vector<ColorRun> runsFromColors(std::span<const ColorRef> colors);

// Appends `length` characters of `color` to `runs`, merging with the last run when it has the
// same colour. A zero length adds nothing.
void appendRun(std::vector<ColorRun>& runs, std::size_t length, ColorRef color);

// One colour per character of doc.text (Green where the runs fall short).
std::vector<ColorRef> colorsOf(const ColoredText& doc);

// True when the runs cover doc.text exactly, none is empty and neighbours differ.
bool hasCanonicalRuns(const ColoredText& doc);

// The tag letter for a colour: the first palette row among 0..6 with that value.
std::optional<char> tagLetterOf(ColorRef color);

} // namespace skyrend
