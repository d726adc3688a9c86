// SPDX-License-Identifier: MIT
// Reads arbitrary bytes as a help file, and as a coloured document, and checks that saving
// and loading keep what the format can hold.

#include "document/Cp1252.h"
#include "document/HelpFormat.h"
#include "document/HelpLint.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace skyrend;

namespace {

void require(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

bool isBreak(char16_t c)
{
    return c == u'\r' || c == u'\n';
}

std::optional<std::size_t> firstWithoutEscape(std::u16string_view t)
{
    for (std::size_t i = 0; i + 1 < t.size(); ++i)
        if (t[i] == u'%' && (t[i + 1] == u'%' || paletteRowOfLetter(t[i + 1])))
            return i;
    return std::nullopt;
}

// The bytes as a file: loading gives canonical runs in palette colours, and what the editor
// saves reads back whole and saves to the same text again.
void checkFile(std::string_view bytes)
{
    const std::u16string raw = normalizeLineBreaks(decodeCp1252(bytes));
    const ColoredText doc = decodeHelpText(raw);
    require(hasCanonicalRuns(doc), "loaded runs are maximal and cover the text");
    for (const ColorRun& run : doc.runs)
        require(paletteRowOfColor(run.color).has_value(), "loaded colours are palette colours");
    const std::u16string saved = encodeHelpText(doc);
    require(!findUnkeepable(doc, saved), "a loaded document can always be saved");
    const ColoredText back = decodeHelpText(saved);
    require(back.text == doc.text, "saved text reads back");
    require(encodeHelpText(back) == saved, "saving is idempotent");

    const std::u16string file = decodeCp1252(bytes);
    std::size_t line = 0, column = 0;
    for (const LintFinding& f : lintHelpFile(file)) {
        require(f.line > line || (f.line == line && f.column >= column), "findings in file order");
        line = f.line;
        column = f.column;
        require(f.column >= 1 && f.column <= file.size() + 1, "finding column in range");
    }
}

// The bytes as (character, colour) pairs: a document as the user may have coloured it.
void checkColoured(std::string_view bytes)
{
    static const ColorRef extra[] = {0x00123456, 0x00000000};
    std::string chars;
    std::vector<ColorRef> colors;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        chars.push_back(bytes[i]);
        const unsigned pick = static_cast<unsigned char>(bytes[i + 1]) % 9;
        colors.push_back(pick < 7 ? ColorValues[pick] : extra[pick - 7]);
    }
    ColoredText doc{decodeCp1252(chars), runsFromColors(colors)};
    const std::u16string encoded = encodeHelpText(doc);
    const auto unkeepable = findUnkeepable(doc, encoded);
    require(unkeepable == firstWithoutEscape(doc.text),
            "unkeepable exactly where there is no escape");
    const ColoredText back = decodeHelpText(encoded);
    require(unkeepable.has_value() == (back.text != doc.text), "findUnkeepable agrees with reload");
    if (unkeepable)
        return;
    const std::vector<ColorRef> after = colorsOf(back);
    const std::u16string& t = doc.text;
    bool header = false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == u'#' && (i == 0 || t[i - 1] == u'\n'))
            header = true;
        const bool mayChange = header || isBreak(t[i]) || t[i] == u'#' ||
                               !paletteRowOfColor(colors[i]) ||
                               (t[i] == u'%' && i + 1 < t.size() && colors[i + 1] != colors[i]);
        require(mayChange || after[i] == colors[i], "colour kept");
        if (header && t[i] == u'\r' && i + 1 < t.size() && t[i + 1] == u'\n')
            header = false;
    }
    require(encodeHelpText(back) == encoded, "saving the reloaded document is idempotent");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    checkFile(bytes);
    checkColoured(bytes);
    return 0;
}
