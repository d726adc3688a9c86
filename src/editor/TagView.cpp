// SPDX-License-Identifier: MIT

#include "editor/TagView.h"

#include "document/HelpFormat.h"
#include "editor/RichTextBox.h"

#include <QEvent>
#include <QTextBlock>
#include <QTextLayout>

using skyrend::ColorRef;

namespace {

const QColor kHeaderGround(0x14, 0x2A, 0x14);
const QColor kTagGround(0x3A, 0x3A, 0x3A);

} // namespace

TagView::TagView(QWidget* parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("tagView"));
    setAccessibleName(QStringLiteral("Help text with tags"));
    setAccessibleDescription(QStringLiteral(
        "The help file as it is saved, its colour tags and key macros written out (View, Show "
        "Tags)."));
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

void TagView::setLineColors(std::function<ColorRef(int)> entering)
{
    entering_ = std::move(entering);
    recolor();
}

void TagView::recolor()
{
    ++generation_;
    viewport()->update();
}

ColorRef TagView::colorAtEnd(const QTextBlock& block) const
{
    return entering_ ? entering_(block.blockNumber() + 1) : skyrend::ColorValues[skyrend::Green];
}

void TagView::colorAll()
{
    colorBlocks(document()->firstBlock(), document()->lastBlock());
}

bool TagView::colorBlocks(QTextBlock b, const QTextBlock& last)
{
    if (!entering_)
        return false;
    bool changed = false;
    for (; b.isValid() && b.blockNumber() <= last.blockNumber(); b = b.next()) {
        if (b.userState() == generation_)
            continue;
        const QString text = b.text();
        const bool header = !text.isEmpty() && skyrend::opensHeaderLine(text.front().unicode());
        ColorRef current = entering_(b.blockNumber());
        QList<QTextLayout::FormatRange> ranges;
        const std::u16string_view line(reinterpret_cast<const char16_t*>(text.utf16()),
                                       std::size_t(text.size()));
        for (const skyrend::TaggedSpan& span : skyrend::readTaggedLine(line, current)) {
            QTextCharFormat format;
            format.setForeground(toQColor(span.color));
            if (header)
                format.setBackground(kHeaderGround);
            if (span.kind != skyrend::TaggedSpan::Text) {
                // Markup is set apart: boxed, so the text around it still reads.
                format.setBackground(kTagGround);
                format.setFontItalic(span.kind == skyrend::TaggedSpan::Dropped);
            }
            ranges.append({int(span.start), int(span.length), format});
        }
        b.layout()->setFormats(ranges);
        b.setUserState(generation_);
        document()->markContentsDirty(b.position(), b.length());
        changed = true;
    }
    return changed;
}

bool TagView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Paint) {
        // The lines in sight, and a screenful either side so scrolling meets coloured text.
        QTextBlock first = firstVisibleBlock();
        const int page = qMax(1, viewport()->height() / qMax(1, fontMetrics().height()));
        for (int i = 0; i < page && first.previous().isValid(); ++i)
            first = first.previous();
        QTextBlock last = firstVisibleBlock();
        for (int i = 0; i < 2 * page && last.next().isValid(); ++i)
            last = last.next();
        colorBlocks(first, last);
    }
    return QPlainTextEdit::viewportEvent(event);
}
