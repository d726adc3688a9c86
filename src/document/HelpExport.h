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

} // namespace skyrend
