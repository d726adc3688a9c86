// SPDX-License-Identifier: MIT

#include "document/HelpPages.h"

namespace skyrend {

std::vector<PageSpan> pagesOf(std::u16string_view text)
{
    std::vector<PageSpan> pages;
    const std::size_t n = text.size();
    std::size_t line = 0;
    std::size_t start = 0; // of the current line
    while (true) {
        std::size_t end = start;
        while (end < n && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        if (startsHeaderLine(text, start))
            pages.push_back({line, start + 1, end - start - 1, 0, false});
        else if (pages.empty() && n > 0)
            pages.push_back({0, 0, 0, 0, true});
        if (end == n)
            break;
        start = end + ((text[end] == u'\r' && end + 1 < n && text[end + 1] == u'\n') ? 2 : 1);
        ++line;
    }
    const std::size_t lineCount = line + 1;
    for (std::size_t i = 0; i < pages.size(); ++i)
        pages[i].lines = (i + 1 < pages.size() ? pages[i + 1].line : lineCount) - pages[i].line;
    return pages;
}

} // namespace skyrend
