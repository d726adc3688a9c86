// SPDX-License-Identifier: MIT
// The Colors menu (also the edit box's pop-up) and its Insert submenu of key macros.

#include "editor/frmMain.h"

#include "document/Macros.h"
#include "document/Palette.h"
#include "editor/TagView.h"
#include "editor/TagViewSwitch.h"
#include "platform/AccessKeys.h"

#include <QAction>
#include <QMenu>
#include <QPainter>

namespace {

QIcon swatch(skyrend::ColorRef color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.setBrush(toQColor(color));
    p.drawRect(1, 1, 13, 13);
    return QIcon(pixmap);
}

QString fromLatin1(std::string_view s)
{
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

} // namespace

void frmMain::BuildMenus()
{
    skyrend::InitColors();
    skyrend::InitMacros();

    // The captions come from the tables: each gets a letter no other item of its menu has (the
    // Insert menu holds more items than there are letters, so its last ones may have none).
    platform::AccessKeys macroKeys;
    for (int i = 0; i < skyrend::MacroUpperBound; ++i) {
        if (i >= menu_macro.size()) {
            QAction* item = menu_Insert->addAction(QString());
            connect(item, &QAction::triggered, this, [this, i] { menu_macro_Click(i); });
            menu_macro.append(item);
        }
        menu_macro[i]->setText(
            macroKeys.assign(fromLatin1(skyrend::trimmedField(skyrend::MacroDescriptions[i]))));
    }

    platform::AccessKeys colorKeys;
    colorKeys.reserve(menu_Insert->title());
    for (int i = 0; i < skyrend::ColorUpperBound; ++i) {
        if (i >= menu_Color.size()) {
            auto* item = new QAction(menu_Colors);
            menu_Colors->insertAction(s2, item);
            connect(item, &QAction::triggered, this, [this, i] { menu_Color_Click(i); });
            menu_Color.append(item);
        }
        // The caption is the name with its padding.
        menu_Color[i]->setText(colorKeys.assign(fromLatin1(skyrend::ColorNames[i])));
        menu_Color[i]->setIcon(swatch(skyrend::ColorValues[i]));
    }
}

void frmMain::menu_Color_Click(int index)
{
    if (index < 0 || index >= skyrend::PaletteColorCount)
        return;
    if (tagViews->isShown()) { // among the tags, a colour is its tag
        tagView->insertPlainText(QStringLiteral("%") + QLatin1Char(skyrend::ColorLetters[index]));
        return;
    }
    // A header line is always Green in the file: say so instead of colouring it for nothing.
    if (rEdit->selectionInHeaderLines()) {
        lblCaption->setText(QStringLiteral("Coloring This Line Makes No Difference."));
        return;
    }
    rEdit->setSelColor(skyrend::ColorValues[index]);
}

void frmMain::menu_macro_Click(int index)
{
    if (index < 0 || index >= skyrend::MacroCount)
        return;
    const QString macro = fromLatin1(skyrend::trimmedField(skyrend::MacroTokens[index]));
    if (tagViews->isShown())
        tagView->insertPlainText(macro);
    else
        rEdit->setSelText(macro);
}
