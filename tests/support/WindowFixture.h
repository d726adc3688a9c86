// SPDX-License-Identifier: MIT

#pragma once

#include "ScriptedDesktop.h"
#include "document/Palette.h"
#include "editor/frmMain.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// A real main window in a temporary program folder (its config.ini lives there), talking to a
// scripted desktop.
class WindowFixture {
public:
    WindowFixture();
    ~WindowFixture();

    QTemporaryDir dir;
    ScriptedDesktop desktop;
    std::unique_ptr<frmMain> window;

    frmMain& w() { return *window; }
    RichTextBox& edit() { return *window->rEdit; }

    QString path(const QString& name) const { return dir.filePath(name); }
    QString writeFile(const QString& name, const QByteArray& bytes) const;
    QByteArray readFile(const QString& path) const;

    // Writes `tagged` to a file in the folder and opens it through OpenFile.
    QString open(const QByteArray& tagged, const QString& name = QStringLiteral("Commands.hlp"));

    // Puts text into the edit box with one palette letter per character for its colours, and
    // names the document after a file in the folder (not written yet).
    void fill(const QString& text, const QString& letters,
              const QString& name = QStringLiteral("doc.hlp"));

    // One colour per character of the edit box's text.
    std::vector<skyrend::ColorRef> colors() const;
    skyrend::ColorRef colorAt(qsizetype offset) const { return colors().at(std::size_t(offset)); }

    void type(const QString& keys);
    // The boxes the test did not expect, as one message (empty when none).
    QString unexpectedBoxes() const { return desktop.unexpected.join(QLatin1Char('\n')); }
};

// Palette values by name, for readable expectations.
namespace pal {
inline const skyrend::ColorRef W = skyrend::ColorValues[skyrend::White];
inline const skyrend::ColorRef P = skyrend::ColorValues[skyrend::Purple];
inline const skyrend::ColorRef Y = skyrend::ColorValues[skyrend::Yellow];
inline const skyrend::ColorRef R = skyrend::ColorValues[skyrend::Red];
inline const skyrend::ColorRef G = skyrend::ColorValues[skyrend::Green];
inline const skyrend::ColorRef B = skyrend::ColorValues[skyrend::Blue];
inline const skyrend::ColorRef p = skyrend::ColorValues[skyrend::Pink];
} // namespace pal

// The colours as a string of palette letters ('?' for anything else), one per character.
QString colorLetters(const std::vector<skyrend::ColorRef>& colors);

#define VERIFY_NO_UNEXPECTED_BOXES(fixture)                                                        \
    QVERIFY2((fixture).desktop.unexpected.isEmpty(), qPrintable((fixture).unexpectedBoxes()))
