// SPDX-License-Identifier: MIT

#include "panels/TextTips.h"

#include "document/HelpLint.h"
#include "panels/ProblemsPanel.h"

#include <QHelpEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QToolTip>

namespace panels {

TextTips::TextTips(QPlainTextEdit& box, const ProblemsPanel& problems, QObject* parent)
    : QObject(parent), box_(box), problems_(problems)
{
    box_.viewport()->installEventFilter(this);
}

QString TextTips::tipAt(QPoint point) const
{
    QTextCursor c = box_.cursorForPosition(point);
    // The cursor lands between characters: the one under the pointer is on its left or right.
    int position = c.position();
    const QRect caret = box_.cursorRect(c);
    if (point.x() < caret.x() && c.positionInBlock() > 0)
        --position;
    const QTextBlock block = box_.document()->findBlock(position);
    if (position - block.position() >= block.length() - 1)
        return {}; // past the end of the line
    // A point below the last line is no character.
    if (point.y() > box_.cursorRect(c).bottom() + 2)
        return {};
    return tipForCharacter(position);
}

QString TextTips::tipForCharacter(int position) const
{
    QString tip = problems_.messageAt(position);
    if (!tip.isEmpty())
        return tip;
    const QTextBlock block = box_.document()->findBlock(position);
    const QString text = block.text();
    const auto macro = skyrend::macroAt(
        {reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size())},
        std::size_t(position - block.position()));
    if (macro)
        return QString::fromStdString(macro->explanation);
    return {};
}

bool TextTips::eventFilter(QObject* watched, QEvent* event)
{
    // The type first: events also come while the box is half destroyed, no longer a scroll area.
    if (event->type() == QEvent::ToolTip && watched == box_.viewport()) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = tipAt(help->pos());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, box_.viewport());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace panels
