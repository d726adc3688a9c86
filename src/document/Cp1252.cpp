// SPDX-License-Identifier: MIT

#include "document/Cp1252.h"

#include <array>
#include <cstdio>

namespace skyrend {
namespace {

// Bytes 0x80..0x9F. The undefined bytes map to the C1 control of the same value.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, //
};

// Byte for a character, or -1.
int byteFor(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == c)
            return int(0x80 + i);
    return -1;
}

} // namespace

std::u16string decodeCp1252(std::string_view bytes)
{
    std::u16string out(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : char16_t(b);
    }
    return out;
}

bool isEncodableCp1252(char16_t c)
{
    return byteFor(c) >= 0;
}

std::optional<std::size_t> firstUnencodableCp1252(std::u16string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i)
        if (byteFor(text[i]) < 0)
            return i;
    return std::nullopt;
}

std::string encodeCp1252(std::u16string_view text)
{
    std::string out(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int b = byteFor(text[i]);
        out[i] = static_cast<char>(b >= 0 ? b : '?');
    }
    return out;
}

CodePoint codePointAt(std::u16string_view text, std::size_t index)
{
    const char16_t c = text[index];
    if (c >= 0xD800 && c < 0xDC00 && index + 1 < text.size() && text[index + 1] >= 0xDC00 &&
        text[index + 1] < 0xE000)
        return {0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[index + 1]) - 0xDC00), 2};
    return {char32_t(c), 1};
}

std::string codePointName(char32_t c)
{
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", unsigned(c));
    return code;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(char(c));
    } else if (c < 0x800) {
        out.push_back(char(0xC0 | (c >> 6)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(char(0xE0 | (c >> 12)));
        out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (c >> 18)));
        out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    }
}

} // namespace skyrend
