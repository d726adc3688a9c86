// SPDX-License-Identifier: MIT

#pragma once

#include "editor/RichTextBox.h"

#include <QFont>
#include <QFontDatabase>
#include <QRect>
#include <QWidget>

// Design positions are in twips; they become pixels at the widget's real DPI.
inline QRect twipsRect(const QWidget* w, int left, int top, int width, int height)
{
    return {twipsToPixels(left, w->logicalDpiX()), twipsToPixels(top, w->logicalDpiY()),
            twipsToPixels(width, w->logicalDpiX()), twipsToPixels(height, w->logicalDpiY())};
}

// Tahoma 8.25 pt where the desktop has it, else its own interface font at that size.
inline QFont tahoma(bool bold = false, bool underline = false)
{
    QFont f = QFontDatabase::families().contains(QStringLiteral("Tahoma"), Qt::CaseInsensitive)
                  ? QFont(QStringLiteral("Tahoma"))
                  : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    f.setPointSizeF(8.25);
    f.setBold(bold);
    f.setUnderline(underline);
    return f;
}
