// SPDX-License-Identifier: MIT

#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace skyrend {

// Windows-1252, the game's code page. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same number, so every
// byte survives a read and a write.
std::u16string decodeCp1252(std::string_view bytes);

// Index of the first character that has no byte in Windows-1252, if any.
std::optional<std::size_t> firstUnencodableCp1252(std::u16string_view text);

// Encodes `text`; a character without a byte becomes '?'. Callers that must not lose
// characters check firstUnencodableCp1252 first.
std::string encodeCp1252(std::u16string_view text);

bool isEncodableCp1252(char16_t c);

// The character at text[index] as the user sees it: a high surrogate and the low one after it
// are one character; a surrogate without its partner stands alone.
struct CodePoint {
    char32_t value;
    std::size_t length; // UTF-16 units: 1 or 2
};
CodePoint codePointAt(std::u16string_view text, std::size_t index);

// How messages name a character: by its code point, "U+0000" or "U+1F600", never by half of a
// pair of surrogates.
std::string codePointName(char32_t c);

// Appends the UTF-8 bytes of the code point `c` (the caller has made sure it is one).
void appendUtf8(std::string& out, char32_t c);

} // namespace skyrend
