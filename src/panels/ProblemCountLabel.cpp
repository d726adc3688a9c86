// SPDX-License-Identifier: MIT

#include "panels/ProblemCountLabel.h"

#include <QMouseEvent>

namespace panels {

ProblemCountLabel::ProblemCountLabel(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("problemCount"));
    setCursor(Qt::PointingHandCursor);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setContentsMargins(4, 0, 4, 0);
    setToolTip(tr("Show the problems"));
    setAccessibleDescription(tr("Click to show the Problems panel (Ctrl+2)"));
    setCount(0);
}

QString ProblemCountLabel::textFor(int count)
{
    return count == 1 ? tr("1 problem") : tr("%1 problems").arg(count);
}

void ProblemCountLabel::setCount(int count)
{
    setText(textFor(count));
    // Faults stand out; none is quiet.
    setStyleSheet(count > 0 ? QStringLiteral("color: #c03030;") : QString());
}

void ProblemCountLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        emit clicked();
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

} // namespace panels
