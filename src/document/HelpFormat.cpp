// SPDX-License-Identifier: MIT

#include "document/HelpFormat.h"

#include <algorithm>
#include <array>
#include <limits>

namespace skyrend {
namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

bool isLineBreak(char16_t c)
{
    return c == u'\r' || c == u'\n';
}

// The save writes one CR LF after the document; the reader drops it again.
std::u16string_view withoutFinalLineBreak(std::u16string_view raw)
{
    if (raw.ends_with(u"\r\n"))
        raw.remove_suffix(2);
    else if (!raw.empty() && isLineBreak(raw.back()))
        raw.remove_suffix(1);
    return raw;
}

// The reading rules, feeding visible stretches and their colour to `sink` (as views into `raw`).
// Stretches without '%' or '#' go over in one piece, so long plain text costs one append. A sink
// that has markup(index, length, colour) is also told of each tag (with the colour it switches
// to) and each dropped '%' (with the colour that stays).
template <class Sink>
void readTags(std::u16string_view raw, Sink& sink, ColorRef& current, bool fileEnd = true)
{
    if (fileEnd)
        raw = withoutFinalLineBreak(raw);
    // The colour of the tag "%" + c for each ASCII c, looked up once: tag letters are ASCII.
    std::array<std::optional<ColorRef>, 128> tagColors;
    for (char16_t c = 0; c < 128; ++c)
        tagColors[c] = tagColor(u'%', c);
    const ColorRef green = ColorValues[Green];
    const std::size_t n = raw.size();
    std::size_t i = 0;
    while (i < n) {
        std::size_t j = i;
        while (j < n && raw[j] != u'%' && raw[j] != HeaderMark)
            ++j;
        if (j > i) {
            sink.append(raw.substr(i, j - i), current);
            i = j;
            if (i == n)
                break;
        }
        if (raw[i] == HeaderMark) { // the reader turns Green at every '#', header line or not
            current = green;
            sink.append(raw.substr(i, 1), current);
            ++i;
            continue;
        }
        if (i + 1 < n) {
            const char16_t next = raw[i + 1];
            if (next == u'%') { // the first of two is dropped, the second read again
                if constexpr (requires { sink.markup(i, std::size_t(1), current); })
                    sink.markup(i, std::size_t(1), current);
                ++i;
                continue;
            }
            if (next < 128 && tagColors[next]) {
                current = *tagColors[next];
                if constexpr (requires { sink.markup(i, std::size_t(2), current); })
                    sink.markup(i, std::size_t(2), current);
                i += 2;
                continue;
            }
        }
        sink.append(raw.substr(i, 1), current); // a '%' that starts no tag is text
        ++i;
    }
}

struct TextSink {
    std::u16string& text;
    void append(std::u16string_view s, ColorRef) { text.append(s); }
};

// Compares the visible text with `expected` as it is produced, without keeping it.
struct CompareSink {
    explicit CompareSink(std::u16string_view text) : expected(text) {}
    std::u16string_view expected;
    std::size_t produced = 0;
    std::optional<std::size_t> firstDifference;

    void append(std::u16string_view s, ColorRef)
    {
        if (firstDifference)
            return;
        const std::u16string_view mine =
            expected.substr(std::min(produced, expected.size()), s.size());
        if (mine != s) {
            const auto diff = std::mismatch(mine.begin(), mine.end(), s.begin(), s.end()).first;
            firstDifference = produced + std::size_t(diff - mine.begin());
        }
        produced += s.size();
    }
};

struct ColoredSink {
    ColoredText& doc;
    ColorRef runColor = 0;
    std::size_t runLength = 0;

    void append(std::u16string_view s, ColorRef color)
    {
        doc.text.append(s);
        if (runLength != 0 && color == runColor) {
            runLength += s.size();
            return;
        }
        flush();
        runColor = color;
        runLength = s.size();
    }
    void flush()
    {
        if (runLength != 0)
            doc.runs.push_back({runLength, runColor});
        runLength = 0;
    }
};

// Walks the runs alongside the text and hands out the palette row each character is written
// in: colours outside rows 0..6 count as Green, and so does text past the last run.
class RowCursor {
public:
    explicit RowCursor(const std::vector<ColorRun>& runs) : runs_(runs) {}

    // `i` must not decrease between calls on one cursor.
    int rowAt(std::size_t i)
    {
        while (i >= end_) {
            if (next_ == runs_.size()) {
                end_ = kNone;
                row_ = Green;
                break;
            }
            const std::size_t length = runs_[next_].length;
            end_ = length > kNone - end_ ? kNone : end_ + length;
            row_ = paletteRowOfColor(runs_[next_].color).value_or(Green);
            ++next_;
        }
        return row_;
    }
    // End of the run that the last rowAt() found.
    std::size_t runEnd() const { return end_; }

private:
    const std::vector<ColorRun>& runs_;
    std::size_t next_ = 0;
    std::size_t end_ = 0;
    int row_ = Green;
};

} // namespace

std::u16string normalizeLineBreaks(std::u16string_view raw)
{
    std::u16string out;
    out.reserve(raw.size() + raw.size() / 32 + 2);
    const std::size_t n = raw.size();
    std::size_t i = 0;
    while (i < n) {
        std::size_t j = i;
        while (j < n && !isLineBreak(raw[j]))
            ++j;
        out.append(raw.substr(i, j - i));
        if (j == n)
            break;
        out.append(u"\r\n");
        i = (raw[j] == u'\r' && j + 1 < n && raw[j + 1] == u'\n') ? j + 2 : j + 1;
    }
    return out;
}

ColoredText normalizeLineBreaks(const ColoredText& doc)
{
    const std::u16string_view text = doc.text;
    ColoredText out{normalizeLineBreaks(text), {}};
    if (out.text.size() == text.size()) { // only "\r\n" there: each lone break adds a unit
        out.runs = doc.runs;
        return out;
    }
    auto isLone = [&](std::size_t i) {
        return (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n')) ||
               (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'));
    };
    std::size_t start = 0;
    for (const ColorRun& run : doc.runs) {
        const std::size_t end = std::min(text.size(), start + run.length);
        std::size_t added = 0;
        for (std::size_t i = start; i < end; ++i)
            added += isLone(i) ? 1 : 0;
        appendRun(out.runs, end - start + added, run.color);
        start = end;
    }
    return out;
}

ColoredText decodeHelpText(std::u16string_view raw)
{
    ColoredText doc;
    doc.text.reserve(raw.size());
    // Help files change colour every few words; growing the run list by doubling would copy it
    // over and over.
    doc.runs.reserve(raw.size() / 16 + 1);
    ColoredSink sink{doc};
    ColorRef current = ColorValues[Green];
    readTags(raw, sink, current);
    sink.flush();
    return doc;
}

void decodeHelpPiece(std::u16string_view raw, ColorRef& current, bool fileEnd, ColoredText& out)
{
    out.text.reserve(out.text.size() + raw.size());
    ColoredSink sink{out};
    // Go on with the last run, so a colour that carries over joins it.
    if (!out.runs.empty()) {
        sink.runColor = out.runs.back().color;
        sink.runLength = out.runs.back().length;
        out.runs.pop_back();
    }
    readTags(raw, sink, current, fileEnd);
    sink.flush();
}

namespace {

struct SpanSink {
    std::u16string_view line;
    std::vector<TaggedSpan>& spans;

    void append(std::u16string_view s, ColorRef color)
    {
        if (!spans.empty() && spans.back().kind == TaggedSpan::Text && spans.back().color == color)
            spans.back().length += s.size();
        else
            spans.push_back(
                {std::size_t(s.data() - line.data()), s.size(), color, TaggedSpan::Text});
    }
    void markup(std::size_t index, std::size_t length, ColorRef color)
    {
        spans.push_back(
            {index, length, color, length == 2 ? TaggedSpan::Tag : TaggedSpan::Dropped});
    }
};

} // namespace

std::vector<TaggedSpan> readTaggedLine(std::u16string_view line, ColorRef& current)
{
    std::vector<TaggedSpan> spans;
    SpanSink sink{line, spans};
    readTags(line, sink, current, false);
    return spans;
}

ColoredText decodePastedText(std::u16string_view raw, ColorRef entering)
{
    // The reader's rules need no line start, only the colour before the text.
    ColoredText out;
    decodeHelpPiece(normalizeLineBreaks(raw), entering, false, out);
    return out;
}

std::u16string decodeVisibleText(std::u16string_view raw)
{
    std::u16string text;
    text.reserve(raw.size());
    TextSink sink{text};
    ColorRef current = ColorValues[Green];
    readTags(raw, sink, current);
    return text;
}

namespace {

// The writer's rules. For each stretch of `doc.text` in order, `sink.tag(row)` is called for a
// colour tag written before it and `sink.text(piece, row)` for its characters, where `row` is the
// palette row the reader will give them. `entering` is the reader's colour before the first
// character, which must start a line.
template <class Sink> void writeTags(const ColoredText& doc, int entering, Sink& sink)
{
    const std::u16string_view text = doc.text;
    const std::size_t n = text.size();

    RowCursor cursor(doc.runs);
    int running = entering; // the colour the reader will have when it reaches the next character
    bool inHeader = false;
    // A visible '%' must not be split from the character after it by a tag, or the reader would
    // see "%%" or a tag; so a block of '%' is written in the colour of what follows it.
    std::size_t percentEnd = 0;
    int percentRow = Green;

    std::size_t i = 0;
    while (i < n) {
        const char16_t c = text[i];
        if (c == HeaderMark) { // the reader turns Green at every '#'
            // Only a line feed ends a line here, not a lone CR as in startsHeaderLine: the
            // editor's text never holds one, and documents that do are written as they always
            // were.
            if (i == 0 || text[i - 1] == u'\n')
                inHeader = true;
            running = Green;
            sink.text(text.substr(i, 1), running);
            ++i;
            continue;
        }
        if (inHeader) {
            // The game shows a header line in one colour: no tags up to and including the CR
            // of the next CR LF. The running colour stays Green, as its '#' left it.
            std::size_t end = i;
            while (end < n && !(text[end] == u'\r' && end + 1 < n && text[end + 1] == u'\n'))
                ++end;
            if (end < n) {
                ++end;
                inHeader = false;
            }
            sink.text(text.substr(i, end - i), running);
            i = end;
            continue;
        }
        int row = cursor.rowAt(i);
        if (c == u'%') {
            if (i >= percentEnd) {
                std::size_t end = i;
                while (end < n && text[end] == u'%')
                    ++end;
                RowCursor ahead = cursor;
                const bool takesNext =
                    end < n && !isLineBreak(text[end]) && text[end] != HeaderMark;
                percentRow = ahead.rowAt(takesNext ? end : end - 1);
                percentEnd = end;
            }
            row = percentRow;
        }
        if (row != running) {
            // A tag before a line break would show nowhere; the colour is written with the next
            // visible character instead.
            if (isLineBreak(c)) {
                sink.text(text.substr(i, 1), running);
                ++i;
                continue;
            }
            sink.tag(row);
            running = row;
        }
        if (c == u'%') {
            sink.text(text.substr(i, 1), running);
            ++i;
            continue;
        }
        // The rest of the run up to the next '#' or '%' needs no tag.
        const std::size_t runEnd = std::min(cursor.runEnd(), n);
        std::size_t end = i + 1;
        while (end < runEnd && text[end] != HeaderMark && text[end] != u'%')
            ++end;
        sink.text(text.substr(i, end - i), running);
        i = end;
    }
}

struct EncodeSink {
    std::u16string& out;
    std::vector<std::size_t>* tags = nullptr; // where each tag went, when asked for
    void tag(int row)
    {
        if (tags)
            tags->push_back(out.size());
        out.push_back(u'%');
        out.push_back(char16_t(ColorLetters[row]));
    }
    void text(std::u16string_view piece, int) { out.append(piece); }
};

struct ReloadColorSink {
    std::vector<ColorRun>& runs;
    void tag(int) {}
    void text(std::u16string_view piece, int row)
    {
        appendRun(runs, piece.size(), ColorValues[row]);
    }
};

} // namespace

std::u16string encodeHelpText(const ColoredText& doc)
{
    const std::size_t n = doc.text.size();
    std::u16string out;
    out.reserve(n + n / 8 + 16);
    EncodeSink sink{out};
    writeTags(doc, Green, sink);
    out.append(u"\r\n");
    return out;
}

std::u16string encodeCopiedText(const ColoredText& doc)
{
    std::u16string out;
    out.reserve(doc.text.size() + doc.text.size() / 8 + 16);
    EncodeSink sink{out};
    writeTags(doc, Green, sink);
    return out;
}

TracedEncoding encodeHelpTextTraced(const ColoredText& doc)
{
    TracedEncoding traced;
    const std::size_t n = doc.text.size();
    traced.text.reserve(n + n / 8 + 16);
    EncodeSink sink{traced.text, &traced.tags};
    writeTags(doc, Green, sink);
    traced.text.append(u"\r\n");
    return traced;
}

std::vector<ColorRun> colorsAfterReload(const ColoredText& doc, ColorRef entering)
{
    std::vector<ColorRun> runs;
    ReloadColorSink sink{runs};
    writeTags(doc, paletteRowOfColor(entering).value_or(Green), sink);
    return runs;
}

std::vector<Unkeepable> findUnkeepables(std::u16string_view text)
{
    std::vector<Unkeepable> found;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        if (text[i] != u'%') {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < n && text[end] == u'%')
            ++end;
        // The reader drops the first '%' of each "%%", then takes "%" and a letter as a tag.
        if (end - i >= 2)
            found.push_back({i, Unkeepable::DroppedPercent, 0});
        if (end < n && tagColor(text[end - 1], text[end]))
            found.push_back({end - 1, Unkeepable::ReadAsTag, text[end]});
        i = end;
    }
    return found;
}

std::optional<std::size_t> findUnkeepable(const ColoredText& doc, std::u16string_view encoded)
{
    const std::u16string_view text = doc.text;
    CompareSink sink(text);
    ColorRef current = ColorValues[Green];
    readTags(encoded, sink, current);
    if (!sink.firstDifference && sink.produced == text.size())
        return std::nullopt;
    const std::size_t lost = sink.firstDifference.value_or(std::min(sink.produced, text.size()));
    // The reader drops a '%' only as part of a tag or of "%%"; the first such '%' is where the
    // text stops coming back.
    for (std::size_t j = 0; j <= lost && j + 1 < text.size(); ++j)
        if ((text[j] == u'%' && text[j + 1] == u'%') || tagColor(text[j], text[j + 1]))
            return j;
    return lost;
}

LineColumn LineColumnCursor::at(std::size_t index)
{
    index = std::min(index, text_.size());
    for (; scanned_ < index; ++scanned_) {
        const char16_t c = text_[scanned_];
        if (c == u'\n' ||
            (c == u'\r' && (scanned_ + 1 >= text_.size() || text_[scanned_ + 1] != u'\n'))) {
            ++line_;
            lineStart_ = scanned_ + 1;
        }
    }
    return {line_, index - lineStart_ + 1};
}

LineColumn lineColumnOf(std::u16string_view text, std::size_t index)
{
    return LineColumnCursor(text).at(index);
}

bool startsHeaderLine(std::u16string_view text, std::size_t index)
{
    return index < text.size() && opensHeaderLine(text[index]) &&
           (index == 0 || isLineBreak(text[index - 1]));
}

std::optional<ColorRef> tagColor(char16_t percent, char16_t letter)
{
    if (percent != u'%')
        return std::nullopt;
    if (const auto row = paletteRowOfLetter(letter))
        return ColorValues[*row];
    return std::nullopt;
}

bool hasHeaderLine(std::u16string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i)
        if (startsHeaderLine(text, i))
            return true;
    return false;
}

std::vector<ColorRun> runsFromColors(std::span<const ColorRef> colors)
{
    std::vector<ColorRun> runs;
    for (const ColorRef c : colors)
        appendRun(runs, 1, c);
    return runs;
}

void appendRun(std::vector<ColorRun>& runs, std::size_t length, ColorRef color)
{
    if (length == 0)
        return;
    if (!runs.empty() && runs.back().color == color)
        runs.back().length += length;
    else
        runs.push_back({length, color});
}

std::vector<ColorRef> colorsOf(const ColoredText& doc)
{
    std::vector<ColorRef> colors;
    colors.reserve(doc.text.size());
    for (const ColorRun& run : doc.runs) {
        const std::size_t room = doc.text.size() - colors.size();
        colors.insert(colors.end(), std::min(run.length, room), run.color);
    }
    colors.resize(doc.text.size(), ColorValues[Green]);
    return colors;
}

bool hasCanonicalRuns(const ColoredText& doc)
{
    std::size_t covered = 0;
    for (std::size_t r = 0; r < doc.runs.size(); ++r) {
        const ColorRun& run = doc.runs[r];
        if (run.length == 0 || run.length > doc.text.size() - covered)
            return false;
        if (r > 0 && doc.runs[r - 1].color == run.color)
            return false;
        covered += run.length;
    }
    return covered == doc.text.size();
}

std::optional<char> tagLetterOf(ColorRef color)
{
    if (const auto row = paletteRowOfColor(color))
        return ColorLetters[*row];
    return std::nullopt;
}

} // namespace skyrend
