// SPDX-License-Identifier: MIT

#include "document/FileLimits.h"

namespace skyrend {
namespace {

template <typename Char>
std::optional<OverlongLine> firstOverlong(std::basic_string_view<Char> text, std::size_t limit)
{
    const std::size_t size = text.size();
    std::size_t line = 1;
    std::size_t start = 0;
    for (std::size_t i = 0;; ++i) {
        const bool end = i == size;
        if (end || text[i] == Char('\r') || text[i] == Char('\n')) {
            if (i - start > limit)
                return OverlongLine{line, i - start};
            if (end)
                return std::nullopt;
            if (text[i] == Char('\r') && i + 1 < size && text[i + 1] == Char('\n'))
                ++i;
            ++line;
            start = i + 1;
        }
    }
}

std::string grouped(std::size_t n)
{
    std::string digits = std::to_string(n);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, 1, ',');
    return digits;
}

} // namespace

std::optional<OverlongLine> firstOverlongLine(std::string_view text, std::size_t limit)
{
    return firstOverlong(text, limit);
}

std::optional<OverlongLine> firstOverlongLine(std::u16string_view text, std::size_t limit)
{
    return firstOverlong(text, limit);
}

std::string overlongLineSentence(const OverlongLine& found, std::size_t limit)
{
    return "Line " + grouped(found.line) + " has " + grouped(found.characters) +
           " characters, more than the " + grouped(limit) + " a line can have in this editor.";
}

} // namespace skyrend
