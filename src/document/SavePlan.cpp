// SPDX-License-Identifier: MIT

#include "document/SavePlan.h"

#include "document/Cp1252.h"

#include <algorithm>
#include <iterator>

namespace skyrend {
namespace {

// A character that can stand in quotes in a message: no lone surrogate (UTF-8 has no form for
// it) and no control character (it would show as nothing, or break the line).
bool isShowable(char32_t c)
{
    return c >= 0x20 && !(c >= 0x7F && c < 0xA0) && !(c >= 0xD800 && c < 0xE000);
}

std::vector<SavePlace> unencodablePlaces(std::u16string_view text)
{
    std::vector<SavePlace> places;
    for (std::size_t i = 0; i < text.size();) {
        if (isEncodableCp1252(text[i])) {
            ++i;
            continue;
        }
        const CodePoint c = codePointAt(text, i);
        places.push_back({i, SavePlace::Unencodable, c.value, {}, c.length});
        i += c.length;
    }
    return places;
}

std::vector<SavePlace> unkeepablePlaces(std::u16string_view text)
{
    std::vector<SavePlace> places;
    for (const Unkeepable& u : findUnkeepables(text)) {
        if (u.kind == Unkeepable::ReadAsTag) {
            places.push_back({u.index, SavePlace::ReadAsTag, u.letter, {}, 2});
            continue;
        }
        // Every '%' of the run but the last is dropped.
        std::size_t end = u.index;
        while (end < text.size() && text[end] == u'%')
            ++end;
        places.push_back({u.index, SavePlace::DroppedPercent, U'%', {}, end - u.index - 1});
    }
    return places;
}

} // namespace

std::vector<SavePlace> savePlaces(std::u16string_view text)
{
    const std::vector<SavePlace> percents = unkeepablePlaces(text);
    const std::vector<SavePlace> unencodable = unencodablePlaces(text);
    std::vector<SavePlace> places;
    places.reserve(percents.size() + unencodable.size());
    // Neither kind is ever at the index of the other: a '%' has a byte.
    std::merge(percents.begin(), percents.end(), unencodable.begin(), unencodable.end(),
               std::back_inserter(places),
               [](const SavePlace& a, const SavePlace& b) { return a.index < b.index; });
    LineColumnCursor lines(text);
    for (SavePlace& p : places)
        p.at = lines.at(p.index);
    return places;
}

SavePlan planSave(const ColoredText& doc)
{
    return {encodeCp1252(encodeHelpText(doc)), savePlaces(doc.text)};
}

std::string describe(const SavePlace& place)
{
    switch (place.kind) {
    case SavePlace::DroppedPercent:
        return "the first \"%\" of \"%%\" is dropped when the file is read";
    case SavePlace::ReadAsTag: {
        std::string out = "\"%";
        appendUtf8(out, place.character);
        return out + "\" is read as a colour tag";
    }
    case SavePlace::Unencodable:
        break;
    }
    const std::string code = codePointName(place.character);
    std::string out = "the character ";
    if (isShowable(place.character)) {
        out += '\'';
        appendUtf8(out, place.character);
        out += "' (";
        out += code;
        out += ')';
    } else {
        out += code;
    }
    return out + " has no byte in the game's code page";
}

} // namespace skyrend
