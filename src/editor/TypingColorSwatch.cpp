// SPDX-License-Identifier: MIT

#include "editor/TypingColorSwatch.h"

#include "editor/RichTextBox.h"

#include <QPainter>
#include <QTextBlock>
#include <QTimer>

namespace {

// Whether every character of [from, to) (Qt positions) has `color`; a line break has the colour
// of the block after it.
bool sameColor(const RichTextBox& box, int from, int to, skyrend::ColorRef color)
{
    for (QTextBlock b = box.document()->findBlock(from); b.isValid() && b.position() < to;
         b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.position() + f.length() > from && f.position() < to &&
                RichTextBox::colorOf(f.charFormat()) != color)
                return false;
        }
        const int separator = b.position() + b.length() - 1;
        if (b.next().isValid() && separator >= from && separator < to &&
            RichTextBox::colorOf(b.next().charFormat()) != color)
            return false;
    }
    return true;
}

} // namespace

TypingColorSwatch::TypingColorSwatch(RichTextBox& box, QWidget* parent) : QWidget(parent), box_(box)
{
    setObjectName(QStringLiteral("typingColorSwatch"));
    connect(&box, &QPlainTextEdit::cursorPositionChanged, this, &TypingColorSwatch::updateLater);
    connect(&box, &QPlainTextEdit::selectionChanged, this, &TypingColorSwatch::updateLater);
    // A typed colour tag changes the typing colour when its key is released.
    connect(&box, &RichTextBox::KeyUp, this, &TypingColorSwatch::updateLater);
    connect(&box, &RichTextBox::Change, this, [this] {
        seen_.valid = false; // colours under a remembered selection may have changed
        updateLater();
    });
    refresh();
}

QString TypingColorSwatch::nameOf(std::optional<skyrend::ColorRef> color)
{
    if (!color)
        return QStringLiteral("mixed");
    if (const auto row = skyrend::paletteRowOfColor(*color)) {
        const auto name = skyrend::ColorNames[std::size_t(*row)];
        return QString::fromLatin1(name.data(), qsizetype(name.size())).trimmed();
    }
    return toQColor(*color).name().toUpper();
}

QString TypingColorSwatch::colorName()
{
    refresh();
    return name_;
}

void TypingColorSwatch::showEvent(QShowEvent* event)
{
    // The window sets its first typing colour after the swatch is made, without a signal.
    updateLater();
    QWidget::showEvent(event);
}

void TypingColorSwatch::updateLater()
{
    if (pending_)
        return;
    pending_ = true;
    QTimer::singleShot(0, this, [this] {
        if (pending_)
            refresh();
    });
}

std::optional<skyrend::ColorRef> TypingColorSwatch::selectionColor()
{
    const QTextCursor c = box_.textCursor();
    if (!c.hasSelection()) {
        seen_.valid = false;
        return box_.SelColor();
    }
    const int start = c.selectionStart();
    const int end = c.selectionEnd();
    // A selection that only grew at one end: the old part's answer holds, look at the rest.
    if (seen_.valid && start <= seen_.start && end >= seen_.end &&
        (start == seen_.start || end == seen_.end)) {
        std::optional<skyrend::ColorRef> answer = seen_.color;
        if (answer) {
            const bool grewAtEnd = start == seen_.start;
            if (!sameColor(box_, grewAtEnd ? seen_.end : start, grewAtEnd ? end : seen_.start,
                           *answer))
                answer.reset();
        }
        seen_ = {true, start, end, answer};
        return answer;
    }
    const auto answer = box_.SelColor();
    seen_ = {true, start, end, answer};
    return answer;
}

void TypingColorSwatch::refresh()
{
    pending_ = false;
    const auto color = selectionColor();
    const QString name = nameOf(color);
    if (color == color_ && name == name_)
        return;
    color_ = color;
    name_ = name;
    setToolTip(color ? QStringLiteral("The colour of the next typed character or of the "
                                      "selection: %1")
                           .arg(name)
                     : QStringLiteral("The selection holds several colours"));
    // The name is painted, not a label: a screen reader reads it here (the tip describes it).
    setAccessibleName(QStringLiteral("Typing colour: %1").arg(name));
    update();
}

QSize TypingColorSwatch::sizeHint() const
{
    const QFontMetrics fm(font());
    return {fm.height() + 6 + fm.horizontalAdvance(QStringLiteral("Purple ")) + 4, fm.height() + 2};
}

void TypingColorSwatch::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int side = qMax(4, height() - 4);
    const QRect box(2, (height() - side) / 2, side, side);
    if (color_) {
        p.fillRect(box, toQColor(*color_));
    } else {
        // Mixed: the box split between two colours of the palette.
        p.fillRect(box, toQColor(skyrend::ColorValues[skyrend::Red]));
        p.fillRect(box.adjusted(side / 2, 0, 0, 0), toQColor(skyrend::ColorValues[skyrend::Blue]));
    }
    p.setPen(palette().color(QPalette::WindowText));
    p.drawRect(box.adjusted(0, 0, -1, -1));
    p.drawText(rect().adjusted(box.right() + 5, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, name_);
}
