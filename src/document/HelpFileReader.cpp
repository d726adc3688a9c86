// SPDX-License-Identifier: MIT

#include "document/HelpFileReader.h"

#include "document/Cp1252.h"

#include <algorithm>

namespace skyrend {

HelpFileReader::HelpFileReader(std::string_view bytes)
    : bytes_(bytes), current_(ColorValues[Green]), entering_(ColorValues[Green])
{
    out_.text.reserve(bytes.size());
}

HelpFileReader::HelpFileReader(std::u16string_view text)
    : text_(text), current_(ColorValues[Green]), entering_(ColorValues[Green])
{
    out_.text.reserve(text.size());
}

std::size_t HelpFileReader::pieceEnd(std::size_t amount) const
{
    const std::size_t n = size();
    std::size_t end = std::min(n, position_ + std::max<std::size_t>(amount, 1));
    // Just past a line feed, so a CR LF is never split and the next piece starts a line.
    auto lineFeedAt = [this](std::size_t i) {
        return bytes_.empty() ? text_[i] == u'\n' : bytes_[i] == '\n';
    };
    while (end < n && !lineFeedAt(end - 1))
        ++end;
    return end;
}

void HelpFileReader::readSome(std::size_t amount)
{
    if (done())
        return;
    const std::size_t end = pieceEnd(amount);
    const bool fileEnd = end == size();
    const std::u16string raw =
        bytes_.empty()
            ? normalizeLineBreaks(text_.substr(position_, end - position_))
            : normalizeLineBreaks(decodeCp1252(bytes_.substr(position_, end - position_)));
    position_ = end;

    decoded_.text.clear();
    decoded_.runs.clear();
    decodeHelpPiece(raw, current_, fileEnd, decoded_);
    if (decoded_.text.empty())
        return;
    out_.text += decoded_.text;
    for (const ColorRun& run : colorsAfterReload(decoded_, entering_))
        appendRun(out_.runs, run.length, run.color);
    entering_ = out_.runs.back().color;
}

ColoredText readHelpFile(std::string_view bytes)
{
    HelpFileReader reader(bytes);
    reader.readSome(bytes.size());
    return reader.take();
}

ColoredText decodeHelpFile(std::string_view bytes)
{
    return decodeHelpText(normalizeLineBreaks(decodeCp1252(bytes)));
}

} // namespace skyrend
