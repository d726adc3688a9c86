// SPDX-License-Identifier: MIT

#include "cli/HelpJson.h"

#include "cli/Json.h"
#include "document/Cp1252.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <vector>

namespace skyrend {
namespace {

void appendNumber(std::string& out, std::size_t value)
{
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, end);
}

// `s` in double quotes, as it stood in the input.
std::string quoted(std::u16string_view s)
{
    std::string out;
    json::appendString(out, s);
    return out;
}

std::optional<ColorRef> parseColor(std::u16string_view s)
{
    if (s.size() == 1) {
        if (const auto row = paletteRowOfLetter(s[0]))
            return ColorValues[*row];
        return std::nullopt;
    }
    if (s.size() != 7 || s[0] != u'#')
        return std::nullopt;
    unsigned written = 0; // 0xRRGGBB, as in the text
    for (std::size_t k = 1; k < 7; ++k) {
        const char16_t c = s[k];
        unsigned digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return std::nullopt;
        written = written * 16 + digit;
    }
    return rgb(written >> 16, (written >> 8) & 0xFF, written & 0xFF);
}

struct RunEntry {
    std::uint64_t start;
    std::uint64_t length;
    ColorRef color;
    std::size_t offset; // where the run stands in the input, for messages
};

} // namespace

std::string toJson(const ColoredText& doc)
{
    std::string out;
    out.reserve(doc.text.size() + doc.text.size() / 8 + doc.runs.size() * 44 + 32);
    out += "{\"text\": ";
    json::appendString(out, doc.text);
    out += ", \"runs\": [";
    std::size_t start = 0;
    for (std::size_t r = 0; r < doc.runs.size(); ++r) {
        const ColorRun& run = doc.runs[r];
        out += r == 0 ? "{\"start\": " : ", {\"start\": ";
        appendNumber(out, start);
        out += ", \"length\": ";
        appendNumber(out, run.length);
        out += ", \"color\": \"";
        if (const auto letter = tagLetterOf(run.color)) {
            out.push_back(*letter);
        } else { // not from a file (the reader only yields palette colours), but kept exact
            char hex[8];
            std::snprintf(hex, sizeof hex, "#%02x%02x%02x", redOf(run.color), greenOf(run.color),
                          blueOf(run.color));
            out += hex;
        }
        out += "\"}";
        start += run.length;
    }
    out += "]}\n";
    return out;
}

ColoredText fromJson(std::string_view utf8)
{
    json::Reader in(utf8);
    std::optional<std::u16string> text;
    std::size_t textOffset = 0;
    std::optional<std::vector<RunEntry>> runs;
    std::size_t runsOffset = 0;

    const std::size_t objectOffset = in.offset();
    in.readObject([&](const std::u16string& key, std::size_t keyOffset) {
        if (key == u"text") {
            if (text)
                in.failAt(keyOffset, "member \"text\" appears twice");
            textOffset = in.offset();
            text = in.readString();
        } else if (key == u"runs") {
            if (runs)
                in.failAt(keyOffset, "member \"runs\" appears twice");
            runsOffset = in.offset();
            runs.emplace();
            in.readArray([&] {
                RunEntry entry{};
                bool seen[3] = {false, false, false};
                entry.offset = in.offset();
                in.readObject([&](const std::u16string& field, std::size_t fieldOffset) {
                    int which = field == u"start"    ? 0
                                : field == u"length" ? 1
                                : field == u"color"  ? 2
                                                     : -1;
                    if (which < 0)
                        in.failAt(fieldOffset,
                                  "unknown member " + quoted(field) +
                                      " in a run (expected \"start\", \"length\", \"color\")");
                    if (seen[which])
                        in.failAt(fieldOffset,
                                  "member " + quoted(field) + " appears twice in a run");
                    seen[which] = true;
                    if (which == 0) {
                        entry.start = in.readCount();
                    } else if (which == 1) {
                        entry.length = in.readCount();
                    } else {
                        const std::size_t at = in.offset();
                        const std::u16string name = in.readString();
                        const auto color = parseColor(name);
                        if (!color)
                            in.failAt(at, "unknown colour " + quoted(name) +
                                              " (use W, P, Y, R, G, B, p or \"#rrggbb\")");
                        entry.color = *color;
                    }
                });
                if (!seen[0] || !seen[1] || !seen[2])
                    in.failAt(entry.offset,
                              std::string("a run needs \"start\", \"length\" and \"color\""));
                runs->push_back(entry);
            });
        } else {
            in.failAt(keyOffset,
                      "unknown member " + quoted(key) + " (expected \"text\" and \"runs\")");
        }
    });
    in.finish();
    if (!text)
        in.failAt(objectOffset, "missing member \"text\"");
    if (!runs)
        in.failAt(objectOffset, "missing member \"runs\"");

    if (const auto bad = firstUnencodableCp1252(*text)) {
        const LineColumn at = lineColumnOf(*text, *bad);
        in.failAt(textOffset,
                  "the character " + json::describeChar(codePointAt(*text, *bad).value) +
                      " at line " + std::to_string(at.line) + ", column " +
                      std::to_string(at.column) + " of the text has no byte in Windows-1252");
    }

    ColoredText doc;
    doc.text = std::move(*text);
    std::uint64_t covered = 0;
    for (const RunEntry& run : *runs) {
        if (run.start != covered)
            in.failAt(run.offset, "run starts at " + std::to_string(run.start) + ", expected " +
                                      std::to_string(covered) +
                                      " (runs follow each other without gaps)");
        if (run.length == 0)
            in.failAt(run.offset, "run has length 0");
        if (run.length > doc.text.size() - covered)
            in.failAt(run.offset, "run goes past the end of the text (" +
                                      std::to_string(doc.text.size()) + " characters)");
        covered += run.length;
        appendRun(doc.runs, std::size_t(run.length), run.color);
    }
    if (covered != doc.text.size())
        in.failAt(runsOffset, "the runs cover " + std::to_string(covered) + " of the text's " +
                                  std::to_string(doc.text.size()) + " characters");
    return doc;
}

} // namespace skyrend
