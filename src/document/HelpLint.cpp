// SPDX-License-Identifier: MIT

#include "document/HelpLint.h"

#include "document/Cp1252.h"
#include "document/HelpFormat.h"
#include "document/Macros.h"

#include <algorithm>
#include <optional>
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

bool isLineBreak(char16_t c)
{
    return c == u'\r' || c == u'\n';
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

// How a load reads the '%' at text[i]: the characters it drops there (a tag, or the first of
// "%%"), or 0 when the '%' is shown as text.
std::size_t droppedAtPercent(std::u16string_view text, std::size_t i)
{
    const char16_t next = i + 1 < text.size() ? text[i + 1] : u'\0';
    if (next == u'%')
        return 1;
    return tagColor(text[i], next) ? 2 : 0;
}

// End of the key name of a macro whose '%' stands at text[start].
std::size_t macroEnd(std::u16string_view text, std::size_t start)
{
    std::size_t end = start + 2;
    while (end < text.size() && isMacroNameChar(text[end]))
        ++end;
    return end;
}

std::string unknownMacroMessage(std::u16string_view name)
{
    if (name.empty())
        return "key macro \"%K\" without a key name";
    return "unknown key macro \"%K" + ascii(name) + "\"";
}

std::string unencodableMessage(char32_t c)
{
    return "character " + codePointName(c) +
           " has no byte in Windows-1252: the file cannot hold it";
}

// NUL and the other C0 controls but tab and the line breaks, and DEL: the edit box and the
// game show nothing for them, so nobody sees they are there.
bool isHiddenControl(char16_t c)
{
    return (c < 0x20 && c != u'\t' && !isLineBreak(c)) || c == 0x7F;
}

// A run of `count` such characters, of the kinds `codes` in the order they first came.
std::string controlMessage(std::size_t count, const std::u16string& codes)
{
    std::string names;
    for (const char16_t c : codes)
        names += (names.empty() ? "" : ", ") + codePointName(c);
    if (count == 1)
        return "control character " + names + ", which neither the editor nor the game shows";
    return std::to_string(count) + " control characters (" + names +
           "), which neither the editor nor the game shows";
}

} // namespace

std::vector<LintFinding> lintHelpFile(std::u16string_view text)
{
    std::vector<LintFinding> findings;
    const std::size_t n = text.size();
    std::size_t line = 1;
    std::size_t lineStart = 0;
    std::size_t shown = 0; // characters of this line a load shows, so far
    // What a load dropped since the last character it showed.
    std::size_t percentsDropped = 0;
    std::size_t tagsDropped = 0;
    // Header lines are judged as the editor shows them: a line whose first visible character
    // is '#', whatever tags stand before it.
    bool lineIsHeader = false;
    bool anyHeader = false;
    bool firstLineIsHeader = false;
    bool previousWasDropped = false; // the '%' just before was the first of "%%"
    // The run of hidden controls being read: its finding, how many it has, and which. Tags
    // between them do not end it, as the editor shows the run unbroken.
    std::optional<std::size_t> controlRun;
    std::size_t controlCount = 0;
    std::u16string controlCodes;

    auto report = [&](LintKind kind, std::size_t at, std::size_t length, std::string message,
                      DroppedUnit dropped = DroppedUnit::None) {
        const std::size_t before = dropped == DroppedUnit::Percent ? percentsDropped
                                   : dropped == DroppedUnit::Tag   ? tagsDropped
                                                                   : 0;
        findings.push_back({line, at - lineStart + 1, std::move(message), length, shown + 1,
                            dropped, before, kind, at});
    };
    auto endControlRun = [&] {
        if (controlRun)
            findings[*controlRun].message = controlMessage(controlCount, controlCodes);
        controlRun.reset();
    };
    auto show = [&](char16_t c) {
        if (controlRun && !isHiddenControl(c))
            endControlRun();
        percentsDropped = tagsDropped = 0;
        if (shown++ != 0)
            return;
        if (opensHeaderLine(c)) {
            lineIsHeader = true;
            anyHeader = true;
            if (line == 1)
                firstLineIsHeader = true;
        }
    };

    std::size_t i = 0;
    while (i < n) {
        const char16_t c = text[i];
        if (isLineBreak(c)) {
            endControlRun();
            i += (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') ? 2 : 1;
            ++line;
            lineStart = i;
            shown = percentsDropped = tagsDropped = 0;
            lineIsHeader = false;
            previousWasDropped = false;
            continue;
        }
        if (c != u'%') {
            previousWasDropped = false;
            // Plain ASCII text is most of a file: one step for a whole stretch of it.
            if (c >= 0x20 && c < 0x7F) {
                std::size_t j = i + 1;
                while (j < n && text[j] >= 0x20 && text[j] < 0x7F && text[j] != u'%')
                    ++j;
                show(c);
                shown += j - i - 1;
                i = j;
                continue;
            }
            if (isHiddenControl(c)) {
                if (!controlRun) {
                    report(LintKind::ControlCharacter, i, 0, {});
                    controlRun = findings.size() - 1;
                    controlCount = 0;
                    controlCodes.clear();
                }
                LintFinding& run = findings[*controlRun];
                run.length = i + 1 - run.offset;
                ++controlCount;
                if (controlCodes.find(c) == std::u16string::npos)
                    controlCodes.push_back(c);
                show(c);
                ++i;
                continue;
            }
            if (isEncodableCp1252(c)) {
                show(c);
                ++i;
                continue;
            }
            // A pair of surrogates is one character to the user.
            const CodePoint code = codePointAt(text, i);
            report(LintKind::Unencodable, i, code.length, unencodableMessage(code.value));
            for (std::size_t k = 0; k < code.length; ++k)
                show(text[i + k]);
            i += code.length;
            continue;
        }
        const std::size_t dropped = droppedAtPercent(text, i);
        if (dropped == 1) {
            if (!previousWasDropped)
                report(LintKind::DoubledPercent, i, 2, "\"%%\": loading drops the first \"%\"",
                       DroppedUnit::Percent);
            previousWasDropped = true;
            ++percentsDropped;
            ++i;
            continue;
        }
        previousWasDropped = false;
        if (dropped == 2) {
            if (lineIsHeader)
                report(LintKind::TagInHeaderLine, i, 2,
                       "colour tag \"%" + ascii(text.substr(i + 1, 1)) +
                           "\" inside a header line; the editor does not keep it",
                       DroppedUnit::Tag);
            ++tagsDropped;
            i += 2;
            continue;
        }
        const char16_t next = i + 1 < n ? text[i + 1] : u'\0';
        if (next == u'K') {
            const std::size_t end = macroEnd(text, i);
            const std::u16string_view name = text.substr(i + 2, end - (i + 2));
            if (!macroCaption(name))
                report(LintKind::UnknownMacro, i, end - i, unknownMacroMessage(name));
        } else if (isAsciiLetter(next)) {
            report(LintKind::NotAColourTag, i, 2,
                   "\"%" + ascii(text.substr(i + 1, 1)) +
                       "\" is no colour tag (the tags are %W %P %Y %R %G %B %p)");
        }
        show(c);
        ++i;
    }

    endControlRun();
    if (auto whole = wholeFileFinding(anyHeader, firstLineIsHeader))
        findings.insert(findings.begin(), std::move(*whole));
    return findings;
}

std::optional<LintFinding> wholeFileFinding(bool anyHeader, bool firstLineIsHeader)
{
    if (!anyHeader)
        return LintFinding{1,
                           1,
                           "no header line (a line that starts with '#')",
                           0,
                           1,
                           DroppedUnit::None,
                           0,
                           LintKind::NoHeaderLine,
                           0};
    if (!firstLineIsHeader)
        return LintFinding{1,
                           1,
                           "the first line is no header line",
                           0,
                           1,
                           DroppedUnit::None,
                           0,
                           LintKind::FirstLineNotHeader,
                           0};
    return std::nullopt;
}

std::size_t textIndexOf(std::u16string_view line, const LintFinding& finding)
{
    const std::size_t n = line.size();
    std::size_t i = 0;
    std::size_t shown = 0;
    std::size_t percents = 0;
    std::size_t tags = 0;
    std::size_t gapStart = n; // where the dropped things before the wanted character start
    while (i < n && shown < finding.visibleColumn) {
        const std::size_t dropped = line[i] == u'%' ? droppedAtPercent(line, i) : 0;
        if (shown + 1 == finding.visibleColumn && gapStart == n)
            gapStart = i;
        if (dropped == 0) {
            if (shown + 1 == finding.visibleColumn && finding.dropped == DroppedUnit::None)
                return i;
            ++shown;
            percents = tags = 0;
            ++i;
            continue;
        }
        if (shown + 1 == finding.visibleColumn) {
            const bool percent = dropped == 1;
            if (percent && finding.dropped == DroppedUnit::Percent &&
                percents == finding.droppedBefore)
                return i;
            if (!percent && finding.dropped == DroppedUnit::Tag && tags == finding.droppedBefore)
                return i;
        }
        ++(dropped == 1 ? percents : tags);
        i += dropped;
    }
    // A tag the save itself wrote (only in a line the reader takes for a header although the
    // editor does not): the place it stands.
    return std::min(gapStart, n);
}

std::optional<MacroSpan> macroAt(std::u16string_view line, std::size_t index)
{
    if (index >= line.size())
        return std::nullopt;
    for (std::size_t s = index + 1; s-- > 0;) {
        if (line[s] == u'%') {
            if (s + 1 >= line.size() || line[s + 1] != u'K')
                return std::nullopt;
            const std::size_t end = macroEnd(line, s);
            if (index >= end)
                return std::nullopt;
            const std::u16string_view name = line.substr(s + 2, end - (s + 2));
            if (const auto caption = macroCaption(name))
                return MacroSpan{s, end - s, true, std::string(*caption)};
            return MacroSpan{s, end - s, false, unknownMacroMessage(name)};
        }
        if (!isMacroNameChar(line[s]))
            return std::nullopt;
    }
    return std::nullopt;
}

} // namespace skyrend
