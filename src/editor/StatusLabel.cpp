// SPDX-License-Identifier: MIT

#include "editor/StatusLabel.h"

#include <QPainter>

StatusLabel::StatusLabel(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void StatusLabel::setText(const QString& text)
{
    if (text == text_)
        return;
    text_ = text;
    setToolTip(shownText());
    update();
    emit textChanged(text_);
}

QString StatusLabel::shownText() const
{
    qsizetype end = 0;
    while (end < text_.size() && text_[end] != QLatin1Char('\r') && text_[end] != QLatin1Char('\n'))
        ++end;
    return text_.left(end);
}

void StatusLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    const QRect r = rect().adjusted(2, 0, -2, 0);
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               fontMetrics().elidedText(shownText(), Qt::ElideRight, r.width()));
}
