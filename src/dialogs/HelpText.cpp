// SPDX-License-Identifier: MIT

#include "dialogs/HelpText.h"

#include "document/Palette.h"
#include "editor/frmMain.h"

#include <QDir>

QString helpText(const QString& settingsFile)
{
    const QString crlf = QStringLiteral("\r\n");
    QString text;
    text += QStringLiteral("Skyrend F1 Editor - Help ") + crlf;
    text += QStringLiteral("How-to-use: Essentially, just type text, select the text you want to "
                           "color,") +
            crlf;
    text += QStringLiteral("  right click, and select a color. As of v1.2, I have enabled a list "
                           "of macros, ") +
            crlf;
    text +=
        QStringLiteral("  that Skyrend has in game. Essentially, these are replaced with the ") +
        crlf;
    text += QStringLiteral("  true key values, of the game. %KEsc, becomes 'Esc' in the F1.") +
            crlf + crlf;
    text += QStringLiteral(".: Common Error :.") + crlf;
    text += QStringLiteral("You may receive an error about missing a header line, this means you "
                           "need to create, ") +
            crlf;
    text +=
        QStringLiteral(" a header (Essentially a line with a leading '#'). This creates a new F1 "
                       "'window', i.e.") +
        crlf;
    text += QStringLiteral("#Help (F1 for More)") + crlf + crlf;
    text += QStringLiteral("Color Tags - that are currently implemented (for loading of files).") +
            crlf;
    // Every colour but the last row, which only repeats Red.
    for (int row = 0; row < skyrend::ColorUpperBound; ++row) {
        const std::string_view name = skyrend::ColorNames[row];
        text += QLatin1Char(skyrend::ColorLetters[row]) + QStringLiteral("-") +
                QString::fromLatin1(name.data(), qsizetype(name.size())) + crlf;
    }
    // An installed copy keeps its settings away from the program: say where.
    text += crlf + QStringLiteral("Settings and recent files: ") +
            QDir::toNativeSeparators(settingsFile) + crlf;
    return text;
}

void frmMain::menu_HelpFile_Click()
{
    platform::showMessage(desktop_, this, helpText(settingsFile()), QStringLiteral("EZ Help"),
                          platform::Icon::Information);
}
