#include "document/HelpLint.h"

#include "document/Macros.h"
#include "document/Palette.h"

#include <utility>

namespace skyrend {
namespace {

bool isAsciiLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isMacroNameChar(char16_t c)
{
    return isAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'_';
}

// Only ASCII reaches the messages (names and letters are ASCII by construction).
std::string ascii(std::u16string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (const char16_t c : s)
        out.push_back(c < 0x80 ? char(c) : '?');
    return out;
}

} // namespace

std::vector<LintFinding> lintHelpFile(std::u16string_view text)
{
    std::vector<LintFinding> findings;
    const std::size_t n = text.size();
    std::size_t line = 1;
    std::size_t lineStart = 0;
    // Header lines are judged as the editor shows them: a line whose first visible character
    // is '#', whatever tags stand before it.
    bool lineHasVisible = false;
    bool lineIsHeader = false;
    bool anyHeader = false;
    bool firstLineIsHeader = false;
    bool previousWasDropped = false; // the '%' just before was the first of "%%"

    auto report = [&](std::size_t at, std::string message) {
        findings.push_back({line, at - lineStart + 1, std::move(message)});
    };
    auto visible = [&](char16_t c) {
        if (lineHasVisible)
            return;
        lineHasVisible = true;
        if (c == u'#') {
            lineIsHeader = true;
            anyHeader = true;
            if (line == 1)
                firstLineIsHeader = true;
        }
    };

    std::size_t i = 0;
    while (i < n) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            i += (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') ? 2 : 1;
            ++line;
            lineStart = i;
            lineHasVisible = lineIsHeader = false;
            previousWasDropped = false;
            continue;
        }
        if (c != u'%') {
            visible(c);
            previousWasDropped = false;
            ++i;
            continue;
        }
        const char16_t next = i + 1 < n ? text[i + 1] : u'\0';
        if (next == u'%') {
            if (!previousWasDropped)
                report(i, "\"%%\": loading drops the first \"%\"");
            previousWasDropped = true;
            ++i;
            continue;
        }
        previousWasDropped = false;
        if (paletteRowOfLetter(next)) {
            if (lineIsHeader)
                report(i, "colour tag \"%" + ascii(text.substr(i + 1, 1)) +
                              "\" inside a header line; the editor does not keep it");
            i += 2;
            continue;
        }
        visible(c);
        if (next == u'K') {
            std::size_t end = i + 2;
            while (end < n && isMacroNameChar(text[end]))
                ++end;
            const std::u16string_view name = text.substr(i + 2, end - (i + 2));
            if (name.empty())
                report(i, "key macro \"%K\" without a key name");
            else if (!isMacroName(name))
                report(i, "unknown key macro \"%K" + ascii(name) + "\"");
        } else if (isAsciiLetter(next)) {
            report(i, "\"%" + ascii(text.substr(i + 1, 1)) +
                          "\" is no colour tag (the tags are %W %P %Y %R %G %B %p)");
        }
        ++i;
    }

    if (!anyHeader)
        findings.insert(findings.begin(), {1, 1, "no header line (a line that starts with '#')"});
    else if (!firstLineIsHeader)
        findings.insert(findings.begin(), {1, 1, "the first line is no header line"});
    return findings;
}

} // namespace skyrend
