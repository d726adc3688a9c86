#include "editor/TagView.h"

#include "document/HelpFormat.h"
#include "editor/RichTextBox.h"

#include <QTextBlock>
#include <QTextLayout>

using skyrend::ColorRef;

namespace {

// The state a block keeps: the palette row of the colour its line ends in.
int stateOf(ColorRef color)
{
    return skyrend::paletteRowOfColor(color).value_or(skyrend::Green);
}

ColorRef colorOfState(int state)
{
    return state >= 0 && state < skyrend::PaletteColorCount ? skyrend::ColorValues[state]
                                                            : skyrend::ColorValues[skyrend::Green];
}

const QColor kHeaderGround(0x14, 0x2A, 0x14);
const QColor kTagGround(0x3A, 0x3A, 0x3A);

} // namespace

TagHighlighter::TagHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

QTextCharFormat TagHighlighter::textFormat(ColorRef color, bool header) const
{
    QTextCharFormat format;
    format.setForeground(toQColor(color));
    if (header)
        format.setBackground(kHeaderGround);
    return format;
}

void TagHighlighter::highlightBlock(const QString& text)
{
    ColorRef current = colorOfState(previousBlockState());
    const bool header = !text.isEmpty() && skyrend::opensHeaderLine(text.front().unicode());
    const std::u16string_view line(reinterpret_cast<const char16_t*>(text.utf16()),
                                   std::size_t(text.size()));
    for (const skyrend::TaggedSpan& span : skyrend::readTaggedLine(line, current)) {
        QTextCharFormat format = textFormat(span.color, header);
        if (span.kind != skyrend::TaggedSpan::Text) {
            // Markup is set apart: boxed and lighter, so the text around it still reads.
            format.setBackground(kTagGround);
            format.setFontItalic(span.kind == skyrend::TaggedSpan::Dropped);
        }
        setFormat(int(span.start), int(span.length), format);
    }
    setCurrentBlockState(stateOf(current));
}

std::optional<ColorRef> TagHighlighter::colorAt(const QTextBlock& block, int column)
{
    if (!block.isValid() || !block.layout())
        return std::nullopt;
    for (const QTextLayout::FormatRange& range : block.layout()->formats())
        if (column >= range.start && column < range.start + range.length)
            return RichTextBox::colorOf(range.format);
    return std::nullopt;
}

ColorRef TagHighlighter::colorAtEnd(const QTextBlock& block)
{
    return colorOfState(block.userState());
}

TagView::TagView(QWidget* parent)
    : QPlainTextEdit(parent), highlighter_(new TagHighlighter(document()))
{
    setObjectName(QStringLiteral("tagView"));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(true);
}
