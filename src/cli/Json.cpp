// SPDX-License-Identifier: MIT

#include "cli/Json.h"

#include "document/Cp1252.h"

namespace skyrend::json {
namespace {

constexpr std::uint64_t kMaxCount = std::uint64_t(1) << 53; // exact in every JSON reader

bool isSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool isDigit(int c)
{
    return c >= '0' && c <= '9';
}

int hexValue(int c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void appendUtf16(std::u16string& out, char32_t c)
{
    if (c < 0x10000) {
        out.push_back(char16_t(c));
    } else {
        c -= 0x10000;
        out.push_back(char16_t(0xD800 + (c >> 10)));
        out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
    }
}

} // namespace

Reader::Reader(std::string_view utf8) : text_(utf8)
{
    if (text_.starts_with("\xEF\xBB\xBF")) // a byte-order mark, as some Windows editors write
        pos_ = 3;
}

void Reader::failAt(std::size_t offset, const std::string& message)
{
    std::size_t line = 1;
    std::size_t column = 1;
    for (std::size_t i = 0; i < offset && i < text_.size(); ++i) {
        const auto b = static_cast<unsigned char>(text_[i]);
        if (b == '\n') {
            ++line;
            column = 1;
        } else if ((b & 0xC0) != 0x80) { // count characters, not bytes
            ++column;
        }
    }
    throw Error(line, column, message);
}

void Reader::fail(const std::string& message)
{
    skipSpace();
    failAt(pos_, message);
}

void Reader::skipSpace()
{
    while (pos_ < text_.size() && isSpace(static_cast<unsigned char>(text_[pos_])))
        ++pos_;
}

bool Reader::consume(char c)
{
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == c) {
        ++pos_;
        return true;
    }
    return false;
}

void Reader::expect(char c, const char* what)
{
    if (consume(c))
        return;
    std::string found = "the end of the input";
    if (pos_ < text_.size()) {
        const auto b = static_cast<unsigned char>(text_[pos_]);
        found = b < 0x80 ? describeChar(b) : "a non-ASCII character";
    }
    failAt(pos_, std::string("expected ") + what + ", found " + found);
}

void Reader::finish()
{
    skipSpace();
    if (pos_ != text_.size())
        failAt(pos_, "unexpected text after the end of the JSON value");
}

// Decodes one UTF-8 sequence at pos_, refusing overlong forms, surrogates and values past
// U+10FFFF, so that nothing invalid slips into the document.
char32_t Reader::readUtf8()
{
    const std::size_t start = pos_;
    const auto lead = static_cast<unsigned char>(text_[pos_++]);
    int extra;
    char32_t c;
    char32_t min;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1, c = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2, c = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, c = lead & 0x07, min = 0x10000;
    } else {
        failAt(start, "invalid UTF-8");
    }
    for (int k = 0; k < extra; ++k) {
        if (pos_ >= text_.size() || (static_cast<unsigned char>(text_[pos_]) & 0xC0) != 0x80)
            failAt(start, "invalid UTF-8");
        c = (c << 6) | (static_cast<unsigned char>(text_[pos_++]) & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        failAt(start, "invalid UTF-8");
    return c;
}

char32_t Reader::readEscape()
{
    const std::size_t start = pos_ - 1; // the backslash
    if (pos_ >= text_.size())
        failAt(start, "unfinished escape at the end of the input");
    const char e = text_[pos_++];
    switch (e) {
    case '"':
        return U'"';
    case '\\':
        return U'\\';
    case '/':
        return U'/';
    case 'b':
        return U'\b';
    case 'f':
        return U'\f';
    case 'n':
        return U'\n';
    case 'r':
        return U'\r';
    case 't':
        return U'\t';
    case 'u':
        break;
    default:
        failAt(start, "unknown escape: backslash followed by " +
                          describeChar(static_cast<unsigned char>(e)));
    }
    auto hex4 = [&](std::size_t at) {
        char32_t v = 0;
        for (int k = 0; k < 4; ++k) {
            const int h =
                pos_ < text_.size() ? hexValue(static_cast<unsigned char>(text_[pos_])) : -1;
            if (h < 0)
                failAt(at, "\"\\u\" must be followed by four hexadecimal digits");
            v = (v << 4) | char32_t(h);
            ++pos_;
        }
        return v;
    };
    const char32_t first = hex4(start);
    if (first >= 0xDC00 && first <= 0xDFFF)
        failAt(start, "unpaired surrogate in \"\\u\" escape");
    if (first < 0xD800 || first > 0xDBFF)
        return first;
    if (!text_.substr(pos_).starts_with("\\u"))
        failAt(start, "unpaired surrogate in \"\\u\" escape");
    pos_ += 2;
    const char32_t second = hex4(start);
    if (second < 0xDC00 || second > 0xDFFF)
        failAt(start, "unpaired surrogate in \"\\u\" escape");
    return 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
}

std::u16string Reader::readString()
{
    skipSpace();
    if (peekRaw() != '"')
        fail("expected a string");
    const std::size_t start = pos_++;
    std::u16string out;
    for (;;) {
        // Plain ASCII goes over in stretches.
        std::size_t end = pos_;
        while (end < text_.size()) {
            const auto b = static_cast<unsigned char>(text_[end]);
            if (b < 0x20 || b >= 0x80 || b == '"' || b == '\\')
                break;
            ++end;
        }
        out.append(text_.begin() + std::ptrdiff_t(pos_), text_.begin() + std::ptrdiff_t(end));
        pos_ = end;
        if (pos_ >= text_.size())
            failAt(start, "string without its closing '\"'");
        const auto b = static_cast<unsigned char>(text_[pos_]);
        if (b == '"') {
            ++pos_;
            return out;
        }
        if (b < 0x20)
            failAt(pos_, "control character " + describeChar(b) +
                             " inside a string (JSON needs an escape such as \\n)");
        if (b == '\\') {
            ++pos_;
            appendUtf16(out, readEscape());
        } else {
            appendUtf16(out, readUtf8());
        }
    }
}

std::uint64_t Reader::readCount()
{
    skipSpace();
    const std::size_t start = pos_;
    const int first = peekRaw();
    if (first == '-')
        failAt(start, "expected a whole number of 0 or more, found a negative number");
    if (!isDigit(first))
        failAt(start, "expected a number");
    std::uint64_t value = 0;
    bool tooLarge = false;
    while (isDigit(peekRaw())) {
        if (!tooLarge) // stop adding once too large, so nothing wraps around
            value = value * 10 + std::uint64_t(text_[pos_] - '0');
        tooLarge = tooLarge || value > kMaxCount;
        ++pos_;
    }
    if (first == '0' && pos_ - start > 1)
        failAt(start, "a number must not start with 0");
    const int after = peekRaw();
    if (after == '.' || after == 'e' || after == 'E')
        failAt(start, "expected a whole number, found a fraction or exponent");
    if (tooLarge)
        failAt(start, "number too large");
    return value;
}

void appendString(std::string& out, std::u16string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    out.push_back('"');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0x20 && c < 0x80 && c != u'"' && c != u'\\') {
            out.push_back(char(c));
            continue;
        }
        switch (c) {
        case u'"':
            out += "\\\"";
            continue;
        case u'\\':
            out += "\\\\";
            continue;
        case u'\n':
            out += "\\n";
            continue;
        case u'\r':
            out += "\\r";
            continue;
        case u'\t':
            out += "\\t";
            continue;
        case u'\b':
            out += "\\b";
            continue;
        case u'\f':
            out += "\\f";
            continue;
        default:
            break;
        }
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        const bool low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((char32_t(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (c < 0x20 || high || low) { // escaped, so the output stays valid UTF-8
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4)
                out.push_back(kHex[(c >> shift) & 0xF]);
        } else {
            appendUtf8(out, c);
        }
    }
    out.push_back('"');
}

std::string describeChar(char32_t c)
{
    if (c >= 0x20 && c < 0x7F)
        return std::string{'\'', char(c), '\''};
    return codePointName(c);
}

} // namespace skyrend::json
