// SPDX-License-Identifier: MIT
// What a screen reader and a keyboard user meet in the real window: names, labels, access keys
// and where the focus goes.

#include "MenuCaptions.h"
#include "WindowFixture.h"
#include "editor/ProgramIcon.h"
#include "editor/TagViewSwitch.h"
#include "find/FindBar.h"
#include "panels/PagesPanel.h"
#include "panels/ProblemsPanel.h"
#include "panels/SidePanels.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString accessibleText(QWidget* widget, QAccessible::Text which)
{
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
    return a ? a->text(which) : QStringLiteral("<no interface>");
}

// The window active, so that shortcuts fire and hasFocus() tells where the keys go.
bool activate(frmMain& w)
{
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

void press(const QKeySequence& keys)
{
    QWidget* target = QApplication::focusWidget();
    QVERIFY(target);
    QTest::keySequence(target, keys);
}

QString focusName()
{
    QWidget* w = QApplication::focusWidget();
    return w ? w->objectName() : QStringLiteral("<none>");
}

QSet<QChar> menuBarKeys(frmMain& w)
{
    QSet<QChar> keys;
    for (QAction* a : w.menuBar()->actions())
        keys.insert(accessKeyOf(a->text()));
    return keys;
}

} // namespace

class tst_Accessibility : public QObject {
    Q_OBJECT

private slots:
    void inputsHaveNamesAndLabels_data()
    {
        QTest::addColumn<QString>("object");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("label"); // the caption of its buddy label, if it has one
        QTest::addColumn<bool>("described");
        QTest::newRow("edit box") << "rEdit"
                                  << "Help text" << QString() << true;
        QTest::newRow("tag view") << "tagView"
                                  << "Help text with tags" << QString() << true;
        QTest::newRow("find field") << "findField"
                                    << "Find"
                                    << "Find:" << true;
        QTest::newRow("replace field") << "replaceField"
                                       << "Replace with"
                                       << "Replace:" << true;
        // On Linux Qt names a combo box by its current text; its label is its relation.
        QTest::newRow("colour filter") << "findColor"
                                       << "any colour"
                                       << "Colour:" << true;
        QTest::newRow("match case") << "matchCase"
                                    << "Match case" << QString() << false;
        QTest::newRow("whole words") << "wholeWords"
                                     << "Whole words" << QString() << false;
        QTest::newRow("regular expression") << "regularExpression"
                                            << "Regular expression" << QString() << false;
        QTest::newRow("pages") << "pageList"
                               << "Pages" << QString() << true;
        QTest::newRow("problems") << "problemList"
                                  << "Problems" << QString() << true;
        QTest::newRow("typing colour") << "typingColorSwatch"
                                       << "Typing colour: Green" << QString() << true;
        QTest::newRow("problem count") << "problemCount"
                                       << "1 problem" << QString() << true; // no header
    }
    void inputsHaveNamesAndLabels()
    {
        QFETCH(QString, object);
        QFETCH(QString, name);
        QFETCH(QString, label);
        QFETCH(bool, described);
        WindowFixture f;
        f.w().findBar->openReplace();
        auto* widget = f.w().findChild<QWidget*>(object);
        QVERIFY2(widget, qPrintable(object));
        QCOMPARE(accessibleText(widget, QAccessible::Name), name);
        if (described)
            QVERIFY(!accessibleText(widget, QAccessible::Description).isEmpty());
        QStringList buddies;
        for (QLabel* l : f.w().findChildren<QLabel*>())
            if (l->buddy() == widget)
                buddies << shownCaption(l->text());
        QCOMPARE(buddies, label.isEmpty() ? QStringList() : QStringList{label});
    }

    // Whatever takes the focus in the window (the panels' and find bar's own buttons included)
    // has a name a screen reader can say.
    void everyFocusableWidgetHasAName()
    {
        WindowFixture f;
        f.w().findBar->openReplace();
        for (QWidget* w : f.w().findChildren<QWidget*>()) {
            const bool input = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                               qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractItemView*>(w) ||
                               qobject_cast<QPlainTextEdit*>(w);
            if (input && w->focusPolicy() != Qt::NoFocus)
                QVERIFY2(
                    !accessibleText(w, QAccessible::Name).isEmpty(),
                    qPrintable(w->metaObject()->className() + QLatin1Char(' ') + w->objectName()));
        }
    }

    // Within each menu no two items share an access key, and each item has one (the macros of
    // Insert outnumber the letters: there, only uniqueness).
    void menusHaveUniqueAccessKeys_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<bool>("everyItem");
        for (const char* menu :
             {"File", "Edit", "Tools", "Colors", "View", "Help", "Export", "Recent Files"})
            QTest::newRow(menu) << menu << true;
        QTest::newRow("Insert") << "Insert" << false;
    }
    void menusHaveUniqueAccessKeys()
    {
        QFETCH(QString, menu);
        QFETCH(bool, everyItem);
        WindowFixture f;
        // Recent files whose names begin alike, one with an "&", one named by a digit.
        for (const QString name :
             {"Commands.hlp", "commands2.hlp", "R&D.hlp", "Rules.hlp", "1.hlp"})
            f.open("#Page\r\n", name);
        QMenu* found = nullptr;
        for (QMenu* m : f.w().findChildren<QMenu*>())
            if (shownCaption(m->title()) == menu)
                found = m;
        QVERIFY(found);
        QHash<QChar, QString> keys;
        for (QAction* a : found->actions()) {
            if (a->isSeparator() || a->text().isEmpty())
                continue;
            const QChar key = accessKeyOf(a->text());
            if (key.isNull()) {
                QVERIFY2(!everyItem, qPrintable(a->text()));
                continue;
            }
            QVERIFY2(!keys.contains(key),
                     qPrintable(a->text() + QStringLiteral(" and ") + keys.value(key)));
            keys.insert(key, a->text());
        }
        QVERIFY(!keys.isEmpty());
    }

    void findBarKeysClashWithNoMenu()
    {
        WindowFixture f;
        f.w().findBar->openReplace();
        const QSet<QChar> menus = menuBarKeys(f.w());
        QVERIFY(menus.contains(QLatin1Char('F')) && menus.contains(QLatin1Char('C')));
        QSet<QChar> seen;
        QStringList captions;
        for (QLabel* l : f.w().findBar->findChildren<QLabel*>())
            if (l->buddy())
                captions << l->text();
        for (QAbstractButton* b : f.w().findBar->findChildren<QAbstractButton*>())
            if (b->text().size() > 1) // not the close button's "x"
                captions << b->text();
        QCOMPARE(captions.size(), 10); // 3 labels, 4 buttons, 3 check boxes
        for (const QString& caption : captions) {
            const QChar key = accessKeyOf(caption);
            QVERIFY2(!key.isNull(), qPrintable(caption));
            QVERIFY2(!menus.contains(key), qPrintable(caption));
            QVERIFY2(!seen.contains(key), qPrintable(caption));
            seen.insert(key);
        }
    }

    // A panel's key shows it with the focus in its list; Escape gives the focus back to the
    // text shown; Undo and Redo there act on the document.
    void panelKeysMoveTheFocus_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("list");
        QTest::addColumn<bool>("tags");
        QTest::addColumn<bool>("shownBefore");
        QTest::newRow("pages") << "Ctrl+1"
                               << "pageList" << false << false;
        QTest::newRow("problems") << "Ctrl+2"
                                  << "problemList" << false << false;
        QTest::newRow("pages, tags shown") << "Ctrl+1"
                                           << "pageList" << true << false;
        QTest::newRow("problems, tags shown") << "Ctrl+2"
                                              << "problemList" << true << false;
        QTest::newRow("pages already shown") << "Ctrl+1"
                                             << "pageList" << false << true;
        QTest::newRow("problems already shown, tags shown") << "Ctrl+2"
                                                            << "problemList" << true << true;
    }
    void panelKeysMoveTheFocus()
    {
        QFETCH(QString, key);
        QFETCH(QString, list);
        QFETCH(bool, tags);
        QFETCH(bool, shownBefore);
        WindowFixture f;
        frmMain& w = f.w();
        QVERIFY(activate(w));
        w.sidePanels->pages->setVisible(shownBefore);
        w.sidePanels->problems->setVisible(shownBefore);
        if (tags)
            w.menu_ShowTags->trigger();
        const QString text = tags ? QStringLiteral("tagView") : QStringLiteral("rEdit");
        w.tagViews->current().setFocus();
        QCOMPARE(focusName(), text);
        QTest::keyClicks(&w.tagViews->current(), QStringLiteral("abc"));
        QCOMPARE(f.edit().Text(), QStringLiteral("abc"));

        press(QKeySequence(key));
        QCOMPARE(focusName(), list);
        QVERIFY(w.findChild<QWidget*>(list)->isVisible());
        press(QKeySequence(QStringLiteral("Ctrl+Z")));
        QCOMPARE(f.edit().Text(), QString());
        QCOMPARE(focusName(), list);
        press(QKeySequence(QStringLiteral("Ctrl+Y")));
        QCOMPARE(f.edit().Text(), QStringLiteral("abc"));

        press(QKeySequence(Qt::Key_Escape));
        QCOMPARE(focusName(), text);
        QVERIFY(w.findChild<QWidget*>(list)->isVisible());

        // Shown but without the focus, the panel takes it again; with it, the key closes it.
        press(QKeySequence(key));
        QCOMPARE(focusName(), list);
        press(QKeySequence(key));
        QVERIFY(!w.findChild<QWidget*>(list)->isVisible());
        QVERIFY(focusName() != list);
    }

    // Going to a problem puts the focus in the text shown, the tag view when tags are shown.
    void goingToAProblemFocusesTheTextShown_data()
    {
        QTest::addColumn<bool>("tags");
        QTest::newRow("text") << false;
        QTest::newRow("tags shown") << true;
    }
    void goingToAProblemFocusesTheTextShown()
    {
        QFETCH(bool, tags);
        WindowFixture f;
        frmMain& w = f.w();
        QVERIFY(activate(w));
        f.open("#H\r\n%q");
        if (tags)
            w.menu_ShowTags->trigger();
        w.sidePanels->refreshNow();
        QVERIFY(!w.sidePanels->problems->problems().isEmpty());
        w.sidePanels->problems->view().setFocus();
        w.sidePanels->problems->goTo(0);
        QCOMPARE(focusName(), tags ? QStringLiteral("tagView") : QStringLiteral("rEdit"));
    }

    // Undo in the find field is the field's own, as before: the document keeps its text.
    void undoInTheFindFieldUndoesTheField()
    {
        WindowFixture f;
        QVERIFY(activate(f.w()));
        f.edit().setFocus();
        f.type(QStringLiteral("abc"));
        press(QKeySequence(QStringLiteral("Ctrl+F")));
        QCOMPARE(focusName(), QStringLiteral("findField"));
        QTest::keyClicks(f.w().findBar->findField(), QStringLiteral("xy"));
        press(QKeySequence(QStringLiteral("Ctrl+Z")));
        QCOMPARE(f.w().findBar->findField()->text(), QString());
        QCOMPARE(f.edit().Text(), QStringLiteral("abc"));
    }

    // The theme's icon where it has one, else the built-in PNGs.
    void windowIconComesFromTheThemeOrTheProgram_data()
    {
        QTest::addColumn<bool>("themeHasIt");
        QTest::addColumn<QList<QSize>>("sizes");
        QTest::newRow("no theme icon") << false << QList<QSize>{{48, 48}, {256, 256}};
        QTest::newRow("theme icon") << true << QList<QSize>{{32, 32}};
    }
    void windowIconComesFromTheThemeOrTheProgram()
    {
        QFETCH(bool, themeHasIt);
        QFETCH(QList<QSize>, sizes);
        QTemporaryDir themes;
        const QString folder = themes.filePath(QStringLiteral("test/apps/32"));
        QVERIFY(QDir().mkpath(folder));
        QFile index(themes.filePath(QStringLiteral("test/index.theme")));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=test\nDirectories=apps/32\n\n"
                    "[apps/32]\nSize=32\nType=Fixed\n");
        index.close();
        if (themeHasIt) {
            QImage image(32, 32, QImage::Format_ARGB32);
            image.fill(Qt::red);
            QVERIFY(image.save(folder + QStringLiteral("/skyrend-f1-editor.png")));
        }
        const QStringList paths = QIcon::themeSearchPaths();
        const QString theme = QIcon::themeName();
        QIcon::setThemeSearchPaths({themes.path()});
        QIcon::setThemeName(QStringLiteral("test"));
        // A theme's icon follows the theme: the test's is put back only when it is looked at.
        const auto restore = qScopeGuard([&] {
            QIcon::setThemeSearchPaths(paths);
            QIcon::setThemeName(theme);
        });

        WindowFixture f;
        const QIcon icon = f.w().windowIcon();
        QVERIFY(!icon.isNull());
        QList<QSize> available = icon.availableSizes();
        std::sort(available.begin(), available.end(),
                  [](QSize a, QSize b) { return a.width() < b.width(); });
        QCOMPARE(available, sizes);
    }
};

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
