// SPDX-License-Identifier: MIT

#pragma once

#include "document/HelpFormat.h"

#include <string>
#include <string_view>

namespace skyrend {

// The coloured text as an HTML fragment in UTF-8, for pasting into other programs: the
// characters in spans of the palette's colours (neighbouring characters of one colour share a
// span), line breaks as <br>, markup characters and quotes escaped, spaces kept by
// white-space:pre-wrap. Everything sits in one outer span on the game's black background; the
// text is as the editor shows it, so a key macro stays "%KEsc".
std::string htmlFragment(const ColoredText& doc);

// The document as a standalone HTML5 page in UTF-8, in the game's colours on black in a
// monospace font: one section per help page, its header line's title as an <h2>, its other
// lines as preformatted text; lines above the first header line make a section without
// heading. Known key macros show as <kbd> labels with their Insert-menu captions. The page's
// title is `name` (say the file's name), or when that is empty the first page's title.
std::string htmlPage(const ColoredText& doc, std::u16string_view name);

// The document as forum BBCode in UTF-8: [color=#rrggbb] around each run of one colour, header
// lines (without their '#') in [b], known key macros by their captions in [i], a '[' of the
// text kept from starting a tag. Ends with a newline unless the document is empty.
std::string bbcode(const ColoredText& doc);

} // namespace skyrend
