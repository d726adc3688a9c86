#include "document/HelpExport.h"

#include "document/Cp1252.h"

#include <cstdio>

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

} // namespace

std::string htmlFragment(const ColoredText& doc)
{
    const std::u16string_view text = doc.text;
    std::string out;
    out.reserve(text.size() + text.size() / 4 + 128);
    out += "<span style=\"white-space:pre-wrap;background-color:#000000;"
           "font-family:monospace\">";
    RunCursor colors(doc);
    bool spanOpen = false;
    ColorRef open = 0;
    for (std::size_t i = 0; i < text.size();) {
        const ColorRef color = colors.at(i);
        if (!spanOpen || color != open) {
            if (spanOpen)
                out += "</span>";
            out += "<span style=\"color:";
            appendHexColor(out, color);
            out += "\">";
            spanOpen = true;
            open = color;
        }
        if (const std::size_t br = lineBreakAt(text, i)) {
            out += "<br>";
            i += br;
        } else {
            i += appendHtmlChar(out, text, i);
        }
    }
    if (spanOpen)
        out += "</span>";
    out += "</span>";
    return out;
}

} // namespace skyrend
