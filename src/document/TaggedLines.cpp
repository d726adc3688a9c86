// SPDX-License-Identifier: MIT

#include "document/TaggedLines.h"

#include <algorithm>

namespace skyrend {
namespace {

std::vector<std::u16string> splitLines(std::u16string_view text)
{
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    lines.emplace_back(text.substr(start));
    return lines;
}

// The reader's colour after `line`, read from `current`.
ColorRef colorAfter(std::u16string_view line, ColorRef current)
{
    readTaggedLine(line, current);
    return current;
}

} // namespace

TaggedLines::TaggedLines(const ColoredText& doc)
{
    std::u16string tagged = encodeHelpText(doc);
    tagged.resize(tagged.size() - 2); // the line break a save adds after the document
    lines_ = splitLines(tagged);
    computeEntering(0);
}

TaggedLines::TaggedLines(std::vector<std::u16string> lines) : lines_(std::move(lines))
{
    if (lines_.empty())
        lines_.emplace_back();
    computeEntering(0);
}

void TaggedLines::computeEntering(std::size_t from)
{
    entering_.resize(from + 1);
    if (from == 0)
        entering_[0] = ColorValues[Green];
    ColorRef current = entering_[from];
    for (std::size_t i = from; i < lines_.size(); ++i) {
        current = colorAfter(lines_[i], current);
        entering_.push_back(current);
    }
}

std::u16string TaggedLines::joined(std::u16string_view lineBreak) const
{
    std::size_t total = 0;
    for (const auto& line : lines_)
        total += line.size() + lineBreak.size();
    std::u16string out;
    out.reserve(total);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0)
            out.append(lineBreak);
        out.append(lines_[i]);
    }
    return out;
}

std::optional<TaggedLines::Change> TaggedLines::replaceLines(std::size_t first, std::size_t removed,
                                                             std::vector<std::u16string> added)
{
    const std::size_t oldSize = lines_.size();
    first = std::min(first, oldSize);
    removed = std::min(removed, oldSize - first);
    // Lines that came back as they were are no change (a highlighter reports its own
    // repaint as a replacement of the same lines).
    std::size_t same = 0;
    while (same < removed && same < added.size() && lines_[first + same] == added[same])
        ++same;
    std::size_t sameAtEnd = 0;
    while (sameAtEnd < removed - same && sameAtEnd < added.size() - same &&
           lines_[first + removed - 1 - sameAtEnd] == added[added.size() - 1 - sameAtEnd])
        ++sameAtEnd;
    const std::size_t p = first + same;
    std::size_t oldEnd = first + removed - sameAtEnd;
    added.erase(added.end() - std::ptrdiff_t(sameAtEnd), added.end());
    added.erase(added.begin(), added.begin() + std::ptrdiff_t(same));
    if (added.empty() && oldEnd == p)
        return std::nullopt;
    if (added.empty() && p == 0 && oldEnd == oldSize)
        added.emplace_back(); // there is always one line, if empty

    std::vector<std::u16string> tail(
        std::make_move_iterator(lines_.begin() + std::ptrdiff_t(oldEnd)),
        std::make_move_iterator(lines_.end()));
    const std::vector<ColorRef> tailEntering(entering_.begin() + std::ptrdiff_t(oldEnd),
                                             entering_.end());
    lines_.resize(p);
    entering_.resize(p + 1);
    lines_.insert(lines_.end(), std::make_move_iterator(added.begin()),
                  std::make_move_iterator(added.end()));

    // The new lines, then the old ones after them as long as the colour they start in changed.
    ColorRef current = entering_[p];
    for (std::size_t i = p; i < lines_.size(); ++i) {
        current = colorAfter(lines_[i], current);
        entering_.push_back(current);
    }
    std::size_t kept = 0; // tail lines read again for their colour
    while (kept < tail.size() && current != tailEntering[kept]) {
        current = colorAfter(tail[kept], current);
        lines_.push_back(std::move(tail[kept]));
        entering_.push_back(current);
        ++kept;
    }
    Change change;
    change.first = p;
    change.oldEnd = oldEnd + kept;
    change.newEnd = lines_.size();
    change.toEnd = change.oldEnd == oldSize;
    lines_.insert(lines_.end(), std::make_move_iterator(tail.begin() + std::ptrdiff_t(kept)),
                  std::make_move_iterator(tail.end()));
    entering_.insert(entering_.end(), tailEntering.begin() + std::ptrdiff_t(kept) + 1,
                     tailEntering.end());

    // Read the changed lines with their line breaks; a line break takes the colour current at
    // the end of its line.
    ColoredText& text = change.text;
    for (std::size_t i = change.first; i < change.newEnd; ++i) {
        ColorRef colour = entering_[i];
        if (change.toEnd && (i > 0))
            decodeHelpPiece(u"\r\n", colour, false, text);
        decodeHelpPiece(lines_[i], colour, false, text);
        if (!change.toEnd)
            decodeHelpPiece(u"\r\n", colour, false, text);
    }
    return change;
}

std::size_t TaggedLines::taggedColumn(std::size_t index, std::size_t visibleColumn) const
{
    if (index >= lines_.size() || visibleColumn == 0)
        return 0;
    ColorRef current = entering_[index];
    std::size_t seen = 0;
    for (const TaggedSpan& span : readTaggedLine(lines_[index], current)) {
        if (span.kind != TaggedSpan::Text)
            continue;
        if (visibleColumn <= seen + span.length)
            return span.start + (visibleColumn - seen);
        seen += span.length;
    }
    return lines_[index].size();
}

std::size_t TaggedLines::visibleColumn(std::size_t index, std::size_t taggedColumn) const
{
    if (index >= lines_.size())
        return 0;
    ColorRef current = entering_[index];
    std::size_t seen = 0;
    for (const TaggedSpan& span : readTaggedLine(lines_[index], current)) {
        if (span.start >= taggedColumn)
            break;
        if (span.kind == TaggedSpan::Text)
            seen += std::min(span.length, taggedColumn - span.start);
    }
    return seen;
}

} // namespace skyrend
