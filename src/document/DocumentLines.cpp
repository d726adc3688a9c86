// SPDX-License-Identifier: MIT

#include "document/DocumentLines.h"

#include <algorithm>

namespace skyrend {

std::shared_ptr<const DocumentLine> DocumentLine::make(ColoredText text, ColorRef breakColor)
{
    auto line = std::make_shared<DocumentLine>();
    line->header = !text.text.empty() && opensHeaderLine(text.text.front());
    line->text = std::move(text);
    line->breakColor = breakColor;
    return line;
}

const LineResults& DocumentLine::results() const
{
    std::call_once(resultsMade_, [this] {
        results_.problems = lineProblems(text);
        const std::u16string shown = decodeVisibleText(encodeHelpText(text));
        results_.savedAsHeader = !shown.empty() && opensHeaderLine(shown.front());
        resultsReady_.store(true, std::memory_order_release);
    });
    return results_;
}

void makeResults(const std::vector<LinePtr>& lines)
{
    for (const LinePtr& line : lines)
        (void)line->results();
}

DocumentLines::DocumentLines() : DocumentLines(ColoredText{}) {}

DocumentLines::DocumentLines(const ColoredText& doc)
    : lines_(splitLines(doc)), lengths_(lines_.size()), headers_(lines_.size()),
      results_(lines_.size())
{
    noteLines(0, lines_.size());
}

void DocumentLines::noteLines(std::size_t first, std::size_t count)
{
    for (std::size_t i = first; i < first + count; ++i) {
        const DocumentLine& line = *lines_[i];
        lengths_[i] = std::uint32_t(std::min<std::size_t>(line.text.text.size(), UINT32_MAX));
        headers_[i] = line.header;
        results_[i] = 0;
    }
}

void DocumentLines::replace(std::size_t first, std::size_t removed, std::vector<LinePtr> lines)
{
    first = std::min(first, lines_.size());
    removed = std::min(removed, lines_.size() - first);
    if (removed == lines_.size() && lines.empty())
        lines.push_back(DocumentLine::make({}, ColorValues[Green])); // one line always stays
    const std::size_t added = lines.size();
    auto splice = [&](auto& v, auto value) {
        const auto at = v.begin() + std::ptrdiff_t(first);
        v.erase(at, at + std::ptrdiff_t(removed));
        v.insert(v.begin() + std::ptrdiff_t(first), added, value);
    };
    splice(lengths_, std::uint32_t(0));
    splice(headers_, (unsigned char)0);
    splice(results_, (unsigned char)0);
    const auto at = lines_.begin() + std::ptrdiff_t(first);
    lines_.erase(at, at + std::ptrdiff_t(removed));
    lines_.insert(lines_.begin() + std::ptrdiff_t(first), std::make_move_iterator(lines.begin()),
                  std::make_move_iterator(lines.end()));
    noteLines(first, added);
}

std::vector<HelpProblem> DocumentLines::problems() const
{
    bool anyHeader = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (!(results_[i] & Known)) {
            const LineResults& r = lines_[i]->results();
            results_[i] = Known | (r.savedAsHeader ? SavedAsHeader : 0) |
                          (r.problems.empty() ? 0 : HasProblems);
        }
        anyHeader = anyHeader || (results_[i] & SavedAsHeader);
    }
    std::vector<HelpProblem> out = wholeFileProblems(anyHeader, results_.front() & SavedAsHeader);
    std::size_t start = 0;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (results_[i] & HasProblems)
            for (HelpProblem p : lines_[i]->results().problems) {
                p.index += start;
                p.at.line = i + 1;
                out.push_back(std::move(p));
            }
        start += lengths_[i] + 2;
    }
    return out;
}

std::vector<PageSpan> DocumentLines::pages() const
{
    std::vector<PageSpan> pages;
    std::size_t start = 0;
    const std::size_t n = lines_.size();
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t length = lengths_[i];
        if (headers_[i])
            pages.push_back({i, start + 1, length - 1, 0, false});
        else if (pages.empty() && !(n == 1 && length == 0))
            pages.push_back({0, 0, 0, 0, true});
        if (!pages.empty())
            ++pages.back().lines;
        start += length + 2;
    }
    return pages;
}

ColoredText joinLines(const std::vector<LinePtr>& lines)
{
    ColoredText doc;
    std::size_t total = 0;
    for (const LinePtr& line : lines)
        total += line->text.text.size() + 2;
    doc.text.reserve(total);
    for (std::size_t i = 0; i < lines.size(); ++i)
        appendLine(doc, *lines[i], i + 1 == lines.size());
    return doc;
}

void appendLine(ColoredText& doc, const DocumentLine& line, bool last)
{
    doc.text.append(line.text.text);
    for (const ColorRun& run : line.text.runs)
        appendRun(doc.runs, run.length, run.color);
    if (!last) {
        doc.text.append(u"\r\n");
        appendRun(doc.runs, 2, line.breakColor);
    }
}

std::vector<LinePtr> splitLines(const ColoredText& doc)
{
    return LineSplitter(doc).take(doc.text.size(), true);
}

ColorRef LineSplitter::colorAt(std::size_t index)
{
    while (run_ < doc_.runs.size() && index >= runStart_ + doc_.runs[run_].length)
        runStart_ += doc_.runs[run_++].length;
    return run_ < doc_.runs.size() ? doc_.runs[run_].color : ColorValues[Green];
}

void LineSplitter::appendColors(ColoredText& line, std::size_t from, std::size_t to)
{
    while (from < to) {
        const ColorRef color = colorAt(from);
        const std::size_t runEnd =
            run_ < doc_.runs.size() ? runStart_ + doc_.runs[run_].length : doc_.text.size();
        const std::size_t stop = std::min(to, std::max(runEnd, from + 1));
        appendRun(line.runs, stop - from, color);
        from = stop;
    }
}

std::vector<LinePtr> LineSplitter::take(std::size_t upTo, bool end)
{
    const std::u16string& text = doc_.text;
    upTo = std::min(upTo, text.size());
    std::vector<LinePtr> lines;
    // Only what was read is searched, so a long line costs its length once, not once a piece.
    const std::u16string_view read = std::u16string_view(text).substr(0, end ? text.size() : upTo);
    for (;;) {
        const std::size_t lineEnd = read.find(u"\r\n", start_);
        const bool hasBreak = lineEnd != std::u16string_view::npos && lineEnd + 2 <= upTo;
        if (!hasBreak && !end)
            break;
        const std::size_t stop = hasBreak ? lineEnd : text.size();
        ColoredText line;
        line.text.assign(text, start_, stop - start_);
        appendColors(line, start_, stop);
        const ColorRef breakColor = hasBreak ? colorAt(stop) : ColorValues[Green];
        lines.push_back(DocumentLine::make(std::move(line), breakColor));
        if (!hasBreak)
            break;
        start_ = stop + 2;
    }
    return lines;
}

} // namespace skyrend
