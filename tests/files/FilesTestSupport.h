// SPDX-License-Identifier: MIT

#pragma once

// Helpers shared by the tests of loading, the file commands and the recent list.

#include "WindowFixture.h"
#include "files/IniFile.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QStringList>
#include <QTest>

namespace files_test {

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<absent>");
}

// The values of keys "0" to "4" of [Recent] in the window's config.ini.
inline QStringList recentKeys(frmMain& w)
{
    QStringList keys;
    for (int i = 0; i < 5; ++i)
        keys << skyrend::ReadINI(QStringLiteral("Recent"), QString::number(i), w.settingsFile());
    return keys;
}

// A config.ini with the given values under keys "0" to "4" (LF lines, as the program writes).
inline QByteArray recentSection(const QStringList& values)
{
    QByteArray out("[Recent]\n");
    for (int i = 0; i < values.size(); ++i)
        out += QByteArray::number(i) + '=' + values[i].toUtf8() + '\n';
    return out;
}

// Each recent item as the user sees it: "hidden", "disabled:<caption>" or the caption shown
// (access-key "&&" resolved).
inline QStringList recentItems(frmMain& w)
{
    QStringList items;
    for (QAction* item : w.menu_Recent) {
        if (!item)
            items << QStringLiteral("<missing>");
        else if (!item->isVisible())
            items << QStringLiteral("hidden");
        else if (!item->isEnabled())
            items << QStringLiteral("disabled:") + item->iconText();
        else
            items << item->iconText();
    }
    return items;
}

// What a command that is refused or cancelled must leave as it was.
struct Snapshot {
    QString text;
    QString colors;
    QString title;
    QString currentFile;
    QString docTitle;
    quint8 dirty = 0;
    qint32 savedLength = 0;
    QString status;
    QString dialogFileName;
    QByteArray config;
    bool saveEnabled = false;
    QStringList recent;

    static Snapshot of(WindowFixture& f)
    {
        frmMain& w = f.w();
        return {w.rEdit->Text(),
                colorLetters(f.colors()),
                w.windowTitle(),
                w.CurrentFile(),
                w.DocTitle(),
                w.IsDirty(),
                w.SavedLength,
                w.lblCaption->text(),
                w.CD1.FileName,
                fileBytes(w.settingsFile()),
                w.menu_Save->isEnabled(),
                recentItems(w)};
    }
};

// QCOMPARE in a helper: the caller checks QTest::currentTestFailed() after it.
inline void compareSnapshots(const Snapshot& now, const Snapshot& before)
{
    QCOMPARE(now.text, before.text);
    QCOMPARE(now.colors, before.colors);
    QCOMPARE(now.title, before.title);
    QCOMPARE(now.currentFile, before.currentFile);
    QCOMPARE(now.docTitle, before.docTitle);
    QCOMPARE(now.dirty, before.dirty);
    QCOMPARE(now.savedLength, before.savedLength);
    QCOMPARE(now.status, before.status);
    QCOMPARE(now.dialogFileName, before.dialogFileName);
    QCOMPARE(now.config, before.config);
    QCOMPARE(now.saveEnabled, before.saveEnabled);
    QCOMPARE(now.recent, before.recent);
}

#define COMPARE_SNAPSHOT(now, before)                                                              \
    do {                                                                                           \
        files_test::compareSnapshots((now), (before));                                             \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)

// Types at the end of the document, as the user would after clicking there.
inline void typeAtEnd(WindowFixture& f, const QString& keys)
{
    f.edit().setFocus();
    f.edit().setSelStart(f.edit().TextLength());
    for (const QChar c : keys) {
        if (c.unicode() < 0x80)
            f.type(QString(c));
        else // keyClicks knows ASCII only
            QTest::sendKeyEvent(QTest::Click, f.w().rEdit, Qt::Key_unknown, QString(c),
                                Qt::NoModifier);
    }
}

inline QString plainTitle(frmMain& w, const QString& name)
{
    return QStringLiteral("Skyrend F1 Editor ") + w.AppVersion + QStringLiteral(" [") + name +
           QLatin1Char(']');
}

inline QString editedTitle(frmMain& w, const QString& name)
{
    return QStringLiteral("Skyrend F1 Editor ") + w.AppVersion + QStringLiteral(" [") + name +
           QStringLiteral("*]");
}

} // namespace files_test
