#pragma once

#include <string_view>

namespace skyrend {

// A help file is a list of pages; each begins at a header line, a line whose first character
// is '#'. The rest of that line is the page's title.
inline constexpr char16_t HeaderMark = u'#';

inline bool isHeaderLine(std::u16string_view line)
{
    return !line.empty() && line.front() == HeaderMark;
}

inline std::u16string_view pageTitle(std::u16string_view headerLine)
{
    return isHeaderLine(headerLine) ? headerLine.substr(1) : headerLine;
}

} // namespace skyrend
