// SPDX-License-Identifier: MIT

#pragma once

#include "document/HelpFormat.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace skyrend {

// A help file is a list of pages; each begins at a header line (see startsHeaderLine). The
// rest of that line, after its HeaderMark, is the page's title.

struct PageSpan {
    std::size_t line;        // 0-based line of the header (0 for the lines above the first)
    std::size_t titleStart;  // index into the text of the title, after the '#'
    std::size_t titleLength; // up to the line break
    std::size_t lines;       // lines of the page, its header included
    bool beforeFirstPage;    // the lines above the first header line, if any stand there

    friend bool operator==(const PageSpan&, const PageSpan&) = default;
};

// The pages of `text` in order ("\r\n", a lone "\r" and a lone "\n" each end a line). Text
// above the first header line, even blank lines, makes a first span; an empty text has none.
std::vector<PageSpan> pagesOf(std::u16string_view text);

} // namespace skyrend
