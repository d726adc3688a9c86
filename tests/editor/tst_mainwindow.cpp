// SPDX-License-Identifier: MIT

#include "MenuCaptions.h"
#include "WindowFixture.h"
#include "editor/EditMenu.h"

#include <QAction>
#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

namespace {

// The side panels dock outside the central widget; the layout below is the central widget's.
void hideSidePanels(frmMain& w)
{
    for (QDockWidget* dock : w.findChildren<QDockWidget*>())
        dock->hide();
}

} // namespace

class tst_MainWindow : public QObject {
    Q_OBJECT

private slots:
    void startsUntitledWithItsTitleAndStatus()
    {
        WindowFixture f;
        QCOMPARE(f.w().windowTitle(), QStringLiteral("Skyrend F1 Editor v.1.2 [Untitled0]"));
        QCOMPARE(f.w().lblCaption->text(), QStringLiteral(" :: Skyrend F1 Editor ::"));
        QCOMPARE(f.w().AppVersion, QStringLiteral("v.1.2"));
        QCOMPARE(f.w().DocTitle(), QStringLiteral("Untitled0"));
        QCOMPARE(f.w().IsDirty(), quint8(0));
        QCOMPARE(f.w().SavedLength, 0);
        QVERIFY(f.w().CurrentFile().isEmpty());
        QCOMPARE(f.w().AppFolder, f.dir.path() + QLatin1Char('/'));
        QCOMPARE(f.w().settingsFile(), f.dir.path() + QStringLiteral("/config.ini"));
        QCOMPARE(f.w().CD1.Filter,
                 QStringLiteral("Skyrend Help (.hlp)|*.hlp|Text File (.txt)|*.txt|All Files|*.*"));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void typedTextIsGreen()
    {
        WindowFixture f;
        f.edit().setFocus();
        f.type(QStringLiteral("Hi"));
        QCOMPARE(f.edit().Text(), QStringLiteral("Hi"));
        QCOMPARE(colorLetters(f.colors()), QStringLiteral("GG"));
        QCOMPARE(f.colorAt(0), skyrend::ColorRef(0x0063FF73));
    }

    void folderGetsOneSeparator_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "/opt/skyrend"
                               << "/opt/skyrend/";
        QTest::newRow("already ends in one") << "/opt/skyrend/"
                                             << "/opt/skyrend/";
        QTest::newRow("root") << "/"
                              << "/";
    }
    void folderGetsOneSeparator()
    {
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        QCOMPARE(frmMain::folderWithSeparator(folder), expected);
    }

    void menuBarHasItsCaptionsShortcutsAndHiddenItems()
    {
        WindowFixture f;
        frmMain& w = f.w();
        // The captions as shown; each top-level menu has its own access key (Alt+letter).
        QStringList bar;
        QSet<QChar> keys;
        for (QAction* a : w.menuBar()->actions()) {
            if (!a->isVisible())
                continue;
            bar << QString(a->text()).remove(QLatin1Char('&'));
            const qsizetype amp = a->text().indexOf(QLatin1Char('&'));
            QVERIFY2(amp >= 0 && amp + 1 < a->text().size(), qPrintable(a->text()));
            keys.insert(a->text()[amp + 1].toUpper());
        }
        QCOMPARE(bar, QStringList({"File", "Edit", "View", "Colors", "Help"}));
        QCOMPARE(keys.size(), bar.size());
        QVERIFY(!w.menu_Tools->menuAction()->isVisible());
        QCOMPARE(shownCaption(w.menu_PurgeColors), QStringLiteral("Purge Colors"));

        QStringList file;
        for (QAction* a : w.menu_File->actions())
            file << (a->isSeparator() ? QStringLiteral("-") : shownCaption(a)) +
                        (a->isVisible() ? QString() : QStringLiteral(" (hidden)"));
        QCOMPARE(file, QStringList({"New", "Open", "Save", "Save As", "Reload", "Export", "-",
                                    "Recent Files", "- (hidden)", "Configuration (hidden)", "-",
                                    "Exit"}));
        QCOMPARE(w.menu_New->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
        QCOMPARE(w.menu_Open->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(w.menu_Save->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(w.menu_SaveAs->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+S")));
        QCOMPARE(w.menu_Reload->shortcut(), QKeySequence(QStringLiteral("F5")));
        QVERIFY(!w.menu_Reload->isEnabled()); // nothing to read again in an untitled document
        QCOMPARE(w.menu_Exit->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
        QVERIFY(!w.menu_Save->isEnabled());

        QStringList edit;
        for (QAction* a : w.menu_Edit->actions())
            edit << (a->isSeparator() ? QStringLiteral("-")
                                      : shownCaption(a) + QLatin1Char(' ') +
                                            a->shortcut().toString(QKeySequence::PortableText));
        QCOMPARE(edit, QStringList({"Undo Ctrl+Z", "Redo Ctrl+Y", "-", "Cut Ctrl+X", "Copy Ctrl+C",
                                    "Copy with Tags Ctrl+Shift+C", "Paste Ctrl+V",
                                    "Paste as Plain Text Ctrl+Shift+V", "Delete Del", "-",
                                    "Select All Ctrl+A", "-", "Find... Ctrl+F", "Find Next F3",
                                    "Find Previous Shift+F3", "Replace... Ctrl+H", "-",
                                    "Go to Line... Ctrl+G"}));
        QVERIFY(
            w.editMenu->redo->shortcuts().contains(QKeySequence(QStringLiteral("Ctrl+Shift+Z"))));
        QCOMPARE(w.menu_HelpFile->shortcut(), QKeySequence(Qt::Key_F1));

        QStringList help;
        for (QAction* a : w.menu_Help->actions())
            help << shownCaption(a);
        QCOMPARE(help, QStringList({"Help Topics", "About..."}));
        QCOMPARE(shownCaption(w.menu_Insert->title()), QStringLiteral("Insert"));
        QVERIFY(w.menu_Colors->actions().contains(w.s2));
    }

    void resizingFillsTheWidthAndKeepsTheLabelAtTheBottom_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("wider") << 900 << 500;
        QTest::newRow("narrower") << 300 << 250;
    }
    void resizingFillsTheWidthAndKeepsTheLabelAtTheBottom()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        WindowFixture f;
        frmMain& w = f.w();
        hideSidePanels(w);
        const int labelWidth = w.lblCaption->width();
        QCOMPARE(labelWidth, w.twipsX(7935));
        w.resize(width, height);
        QTRY_COMPARE(w.centralWidget()->width(), width);
        const QWidget* client = w.centralWidget();
        QCOMPARE(w.rEdit->geometry(),
                 QRect(0, 0, client->width(), client->height() - w.lblCaption->height()));
        QCOMPARE(w.lblCaption->y(), client->height() - w.lblCaption->height());
        QCOMPARE(w.lblCaption->x(), 0);
        QCOMPARE(w.lblCaption->width(), labelWidth);
        QCOMPARE(w.lblCaption->height(), w.twipsY(255));
    }

    void tooSmallAWindowKeepsTheEditHeight()
    {
        WindowFixture f;
        frmMain& w = f.w();
        hideSidePanels(w);
        w.resize(400, 300);
        QTRY_COMPARE(w.centralWidget()->width(), 400);
        const int before = w.rEdit->height();
        w.Form_Resize(); // unchanged size: same layout
        QCOMPARE(w.rEdit->height(), before);
        w.centralWidget()->resize(400, w.lblCaption->height() - 5);
        QCOMPARE(w.rEdit->height(), before);
        QCOMPARE(w.lblCaption->y(), -5);
    }

    void editBoxIsDarkWithAReadableSelection()
    {
        WindowFixture f;
        const QPalette p = f.edit().palette();
        QCOMPARE(p.color(QPalette::Base), QColor(Qt::black));
        QVERIFY(p.color(QPalette::Text).lightness() > 128);
        QVERIFY(qAbs(p.color(QPalette::Highlight).lightness() -
                     p.color(QPalette::HighlightedText).lightness()) > 100);
        QVERIFY(f.edit().frameShadow() == QFrame::Sunken);
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
