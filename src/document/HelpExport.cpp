// SPDX-License-Identifier: MIT

#include "document/HelpExport.h"

#include "document/Cp1252.h"
#include "document/HelpLint.h"
#include "document/HelpPages.h"

#include <cstdio>
#include <optional>

namespace skyrend {
namespace {

// The colour of each character in turn, for indices that never decrease. Where the runs fall
// short of the text the rest is Green, as colorsOf has it.
class RunCursor {
public:
    explicit RunCursor(const ColoredText& doc) : runs_(doc.runs) {}

    ColorRef at(std::size_t index)
    {
        while (run_ < runs_.size() && index >= runEnd_ + runs_[run_].length) {
            runEnd_ += runs_[run_].length;
            ++run_;
        }
        return run_ < runs_.size() ? runs_[run_].color : ColorValues[Green];
    }

private:
    const std::vector<ColorRun>& runs_;
    std::size_t run_ = 0;
    std::size_t runEnd_ = 0; // where run_ starts
};

void appendHexColor(std::string& out, ColorRef color)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", redOf(color), greenOf(color),
                  blueOf(color));
    out += buffer;
}

void appendNumericReference(std::string& out, char32_t c)
{
    out += "&#";
    out += std::to_string(unsigned(c));
    out += ';';
}

// Appends the character at text[i] as HTML text and returns how many UTF-16 units it took.
// Controls other than tab become numeric references, so nothing is dropped silently; a
// surrogate without its partner has no UTF-8 form and becomes U+FFFD.
std::size_t appendHtmlChar(std::string& out, std::u16string_view text, std::size_t i)
{
    const char16_t c = text[i];
    switch (c) {
    case u'<':
        out += "&lt;";
        return 1;
    case u'>':
        out += "&gt;";
        return 1;
    case u'&':
        out += "&amp;";
        return 1;
    case u'"':
        out += "&quot;";
        return 1;
    case u'\'':
        out += "&#39;";
        return 1;
    case u'\t':
        out += '\t';
        return 1;
    default:
        break;
    }
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
        appendNumericReference(out, c);
        return 1;
    }
    if (c < 0x80) {
        out += char(c);
        return 1;
    }
    const CodePoint cp = codePointAt(text, i);
    const bool lone = cp.value >= 0xD800 && cp.value <= 0xDFFF;
    appendUtf8(out, lone ? U'\uFFFD' : cp.value);
    return cp.length;
}

// Length of the line break at text[i] ("\r\n", "\r" or "\n"), 0 when there is none.
std::size_t lineBreakAt(std::u16string_view text, std::size_t i)
{
    if (text[i] == u'\n')
        return 1;
    if (text[i] != u'\r')
        return 0;
    return i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
}

// Writes a stretch of text through a format: the format is told when the shown colour changes
// (line breaks show none, so they never change it), and gets the line breaks, the characters and,
// when asked for, the captions of the key macros.
template <class Format> class TextWalker {
public:
    TextWalker(const ColoredText& doc, Format& format)
        : text_(doc.text), colors_(doc), format_(format)
    {
    }

    void walk(std::size_t begin, std::size_t end, bool captions)
    {
        const std::u16string_view text = text_.substr(0, end);
        for (std::size_t i = begin; i < end;) {
            if (const std::size_t br = lineBreakAt(text, i)) {
                format_.lineBreak();
                i += br;
                continue;
            }
            const ColorRef color = colors_.at(i);
            if (!open_ || color != *open_) {
                if (open_)
                    format_.closeColor();
                format_.openColor(color);
                open_ = color;
            }
            if (captions && text[i] == u'%' && i + 1 < end && text[i + 1] == u'K') {
                if (const auto macro = macroAt(text, i); macro && macro->known) {
                    format_.macro(macro->explanation);
                    i += macro->length;
                    continue;
                }
            }
            i += format_.character(text, i);
        }
    }

    // Ends the open colour, if any, so that what follows starts afresh.
    void closeColor()
    {
        if (open_)
            format_.closeColor();
        open_.reset();
    }

private:
    std::u16string_view text_;
    RunCursor colors_;
    Format& format_;
    std::optional<ColorRef> open_;
};

void appendHtmlText(std::string& out, std::string_view utf8)
{
    for (const char c : utf8) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
}

std::string utf8Of(std::u16string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const CodePoint cp = codePointAt(text, i);
        const bool lone = cp.value >= 0xD800 && cp.value <= 0xDFFF;
        appendUtf8(out, lone ? U'\uFFFD' : cp.value);
        i += cp.length;
    }
    return out;
}

struct HtmlFormat {
    std::string& out;
    const char* lineBreakText; // "<br>" in flowing text, a newline inside <pre>

    void openColor(ColorRef color)
    {
        out += "<span style=\"color:";
        appendHexColor(out, color);
        out += "\">";
    }
    void closeColor() { out += "</span>"; }
    void lineBreak() { out += lineBreakText; }
    void macro(std::string_view caption)
    {
        out += "<kbd>";
        appendHtmlText(out, caption);
        out += "</kbd>";
    }
    std::size_t character(std::u16string_view text, std::size_t i)
    {
        return appendHtmlChar(out, text, i);
    }
};

struct BbcodeFormat {
    std::string& out;

    void openColor(ColorRef color)
    {
        out += "[color=";
        appendHexColor(out, color);
        out += ']';
    }
    void closeColor() { out += "[/color]"; }
    void lineBreak() { out += '\n'; }
    void macro(std::string_view caption)
    {
        out += "[i]";
        out += caption; // captions hold no '['
        out += "[/i]";
    }
    std::size_t character(std::u16string_view text, std::size_t i)
    {
        // BBCode has no escape of its own. An empty [b][/b] right after a '[' keeps it from
        // opening a tag on every common forum, and shows nothing itself.
        if (text[i] == u'[') {
            out += "[[b][/b]";
            return 1;
        }
        const CodePoint cp = codePointAt(text, i);
        const bool lone = cp.value >= 0xD800 && cp.value <= 0xDFFF;
        appendUtf8(out, lone ? U'\uFFFD' : cp.value);
        return cp.length;
    }
};

// Where each line of `text` starts, and where the text ends.
std::vector<std::size_t> lineStarts(std::u16string_view text)
{
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t br = lineBreakAt(text, i)) {
            i += br;
            starts.push_back(i);
        } else {
            ++i;
        }
    }
    return starts;
}

// End of the line that starts at `start`, before its line break.
std::size_t lineEnd(std::u16string_view text, std::size_t start)
{
    while (start < text.size() && text[start] != u'\r' && text[start] != u'\n')
        ++start;
    return start;
}

constexpr std::string_view PageStyle =
    "body{background:#000000;color:#adadad;font-family:monospace;margin:1em}\n"
    "section{margin:0 0 2em}\n"
    "h2{font-size:1em;margin:0 0 0.5em}\n"
    "pre{font-family:inherit;margin:0;white-space:pre-wrap}\n"
    "kbd{font-family:inherit;border:1px solid currentColor;border-radius:3px;"
    "padding:0 0.25em}\n";

} // namespace

std::string htmlPage(const ColoredText& doc, std::u16string_view name)
{
    const std::u16string_view text = doc.text;
    const std::vector<PageSpan> pages = pagesOf(text);
    std::u16string_view title = name;
    if (title.empty()) {
        for (const PageSpan& page : pages)
            if (!page.beforeFirstPage) {
                title = text.substr(page.titleStart, page.titleLength);
                break;
            }
    }
    if (title.empty())
        title = u"Skyrend help";

    std::string out;
    out.reserve(text.size() + text.size() / 4 + 1024);
    out += "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>";
    appendHtmlText(out, utf8Of(title));
    out += "</title>\n<style>\n";
    out += PageStyle;
    out += "</style>\n</head>\n<body>\n";

    const std::vector<std::size_t> starts = lineStarts(text);
    HtmlFormat heading{out, "<br>"};
    HtmlFormat body{out, "\n"};
    TextWalker headingWalker(doc, heading);
    TextWalker bodyWalker(doc, body);
    for (const PageSpan& page : pages) {
        out += "<section>\n";
        std::size_t firstBodyLine = page.line;
        if (!page.beforeFirstPage) {
            out += "<h2>";
            headingWalker.walk(page.titleStart, page.titleStart + page.titleLength, true);
            headingWalker.closeColor();
            out += "</h2>\n";
            ++firstBodyLine;
        }
        const std::size_t endLine = page.line + page.lines; // one past the page's last line
        if (firstBodyLine < endLine) {
            // A newline right after <pre> is dropped by the parser, so one is always written:
            // a blank first line of the page then survives.
            out += "<pre>\n";
            bodyWalker.walk(starts[firstBodyLine], lineEnd(text, starts[endLine - 1]), true);
            bodyWalker.closeColor();
            out += "</pre>\n";
        }
        out += "</section>\n";
    }
    out += "</body>\n</html>\n";
    return out;
}

std::string bbcode(const ColoredText& doc)
{
    const std::u16string_view text = doc.text;
    std::string out;
    out.reserve(text.size() + text.size() / 8 + 64);
    BbcodeFormat format{out};
    TextWalker walker(doc, format);
    for (std::size_t start = 0;;) {
        const std::size_t end = lineEnd(text, start);
        if (startsHeaderLine(text, start)) {
            // Tags must nest: the colour of the lines before ends outside the bold.
            walker.closeColor();
            out += "[b]";
            walker.walk(start + 1, end, true);
            walker.closeColor();
            out += "[/b]";
        } else {
            walker.walk(start, end, true);
        }
        if (end == text.size())
            break;
        start = end + lineBreakAt(text, end);
        out += '\n';
    }
    walker.closeColor();
    if (!out.empty())
        out += '\n';
    return out;
}

std::string htmlFragment(const ColoredText& doc)
{
    std::string out;
    out.reserve(doc.text.size() + doc.text.size() / 4 + 128);
    out += "<span style=\"white-space:pre-wrap;background-color:#000000;"
           "font-family:monospace\">";
    HtmlFormat format{out, "<br>"};
    TextWalker walker(doc, format);
    walker.walk(0, doc.text.size(), false);
    walker.closeColor();
    out += "</span>";
    return out;
}

} // namespace skyrend
