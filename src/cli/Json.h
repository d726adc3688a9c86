// SPDX-License-Identifier: MIT

#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace skyrend::json {

// A fault in JSON input, with the 1-based line and column (in characters) where it was found.
class Error : public std::runtime_error {
public:
    Error(std::size_t line, std::size_t column, const std::string& message)
        : std::runtime_error(message), line(line), column(column)
    {
    }
    std::size_t line;
    std::size_t column;
};

// A strict pull reader over UTF-8 JSON text (RFC 8259, no extensions): the caller asks for
// what it expects next, so nothing is held but the values it keeps, and nesting is only as
// deep as the caller goes. Every fault throws Error.
class Reader {
public:
    explicit Reader(std::string_view utf8);

    // Calls onMember(key, keyOffset) for each member of an object; onMember must read the
    // value.
    template <class F> void readObject(F&& onMember)
    {
        expect('{', "an object");
        if (consume('}'))
            return;
        do {
            skipSpace();
            if (peekRaw() != '"')
                fail("expected a member name in double quotes");
            const std::size_t keyOffset = pos_;
            const std::u16string key = readString();
            expect(':', "':' after the member name");
            onMember(key, keyOffset);
        } while (consume(','));
        expect('}', "',' or '}'");
    }

    // Calls onElement() for each element of an array; onElement must read the element.
    template <class F> void readArray(F&& onElement)
    {
        expect('[', "an array");
        if (consume(']'))
            return;
        do
            onElement();
        while (consume(','));
        expect(']', "',' or ']'");
    }

    std::u16string readString();
    // A number that is a whole number from 0 to 2^53 (no sign, fraction or exponent).
    std::uint64_t readCount();
    // Checks that only white space is left.
    void finish();

    // Throws an Error at the start of the value about to be read (or the current position).
    [[noreturn]] void fail(const std::string& message);
    // Position of the next value, for messages about it once it has been read.
    std::size_t offset()
    {
        skipSpace();
        return pos_;
    }
    [[noreturn]] void failAt(std::size_t offset, const std::string& message);

private:
    void skipSpace();
    int peekRaw() const
    {
        return pos_ < text_.size() ? static_cast<unsigned char>(text_[pos_]) : -1;
    }
    bool consume(char c);
    void expect(char c, const char* what);
    char32_t readEscape();
    char32_t readUtf8();

    std::string_view text_;
    std::size_t pos_ = 0;
};

// Appends `text` to `out` as a JSON string in double quotes, UTF-8 encoded.
void appendString(std::string& out, std::u16string_view text);

// A short printable form of a character for messages: 'x' or U+XXXX.
std::string describeChar(char32_t c);

} // namespace skyrend::json
