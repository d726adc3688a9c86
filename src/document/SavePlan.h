// SPDX-License-Identifier: MIT

#pragma once

#include "document/HelpFormat.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace skyrend {

// A place in a document that a save cannot write so that it reads back as it stands.
struct SavePlace {
    enum Kind {
        DroppedPercent, // a run of '%' before another '%': the reader drops all but the last
        ReadAsTag,      // a visible '%' and a colour letter, which the reader takes for a tag
        Unencodable,    // a character without a byte in Windows-1252, written as '?'
    };
    std::size_t index; // into the document's text: the first character that does not come back
    Kind kind;
    // '%' for DroppedPercent, the tag letter for ReadAsTag, the whole code point for Unencodable
    // (a pair of surrogates is one character).
    char32_t character;
    LineColumn at;      // lineColumnOf(text, index), as the editor's messages count
    std::size_t length; // UTF-16 units of the text that do not come back as they stand

    friend bool operator==(const SavePlace&, const SavePlace&) = default;
};

// What a save of a document writes, and every place where the file will not read back as the
// text stands.
struct SavePlan {
    std::string bytes;             // Windows-1252, the closing CR LF included
    std::vector<SavePlace> places; // all of them, in text order
};

SavePlan planSave(const ColoredText& doc);

// Only the places: they depend on the text alone, not on its colours.
std::vector<SavePlace> savePlaces(std::u16string_view text);

// The words a message uses for a place (UTF-8), such as "\"%R\" is read as a colour tag".
std::string describe(const SavePlace& place);

} // namespace skyrend
