// SPDX-License-Identifier: MIT
// The recent-files list: its update rule, config.ini as loading leaves it, and the "Recent Files"
// submenu rebuilt from it.

#include "FilesTestSupport.h"
#include "MenuCaptions.h"
#include "files/RecentList.h"

#include <QDir>
#include <QtTest>

using namespace files_test;

namespace {

// "p1".."p6" stand for paths, "-" for an empty entry.
QStringList tokens(const char* list)
{
    return QString::fromLatin1(list).split(QLatin1Char(' '));
}

void addRecentTable()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QStringList>("after");
    auto row = [](const char* name, const char* before, const char* opened, const char* after) {
        QTest::newRow(name) << tokens(before) << QString::fromLatin1(opened) << tokens(after);
    };
    row("full list, new file", "p1 p2 p3 p4 p5", "p6", "p6 p1 p2 p3 p4");
    row("entry 2 again", "p1 p2 p3 p4 p5", "p3", "p3 p1 p2 p4 p5");
    row("entry 0 again", "p1 p2 p3 p4 p5", "p1", "p1 p2 p3 p4 p5");
    row("entry 4 again", "p1 p2 p3 p4 p5", "p5", "p5 p1 p2 p3 p4");
    row("entry 3 again", "p1 p2 p3 p4 p5", "p4", "p4 p1 p2 p3 p5");
    row("gaps keep their places", "p1 - p2 - -", "p3", "p3 p1 - p2 -");
    row("gap before a match", "p1 - p2 - -", "p2", "p2 p1 - - -");
    row("empty list", "- - - - -", "p1", "p1 - - - -");
    row("differs in case only", "p1 P2 p3 - -", "p2", "p2 p1 P2 p3 -");
}

} // namespace

class tst_RecentMenu : public QObject {
    Q_OBJECT

    static QString tokenPath(WindowFixture& f, const QString& token)
    {
        return token == QLatin1String("-") ? QString() : f.path(token + QStringLiteral(".hlp"));
    }
    static QStringList tokenPaths(WindowFixture& f, const QStringList& list)
    {
        QStringList out;
        for (const QString& t : list)
            out << tokenPath(f, t);
        return out;
    }

private slots:
    void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }

    void updateRule_data() { addRecentTable(); }
    void updateRule()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, opened);
        QFETCH(QStringList, after);
        auto asPath = [](const QString& t) {
            return t == QLatin1String("-") ? QString() : QStringLiteral("/help/") + t;
        };
        RecentList list;
        RecentList expected;
        for (int i = 0; i < 5; ++i) {
            // Stored values may carry the padding of a hand-edited file.
            list[i] = before[i] == QLatin1String("-") ? QStringLiteral("   ")
                                                      : QStringLiteral(" ") + asPath(before[i]);
            expected[i] = asPath(after[i]);
        }
        const RecentList result = withRecentFile(list, asPath(opened));
        for (int i = 0; i < 5; ++i)
            QCOMPARE(result[i], expected[i]);
    }

    // The same table through a real load: config.ini after OpenFile, and the submenu from it.
    void loadingUpdatesConfig_data() { addRecentTable(); }
    void loadingUpdatesConfig()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, opened);
        QFETCH(QStringList, after);
        WindowFixture f;
        frmMain& w = f.w();
        f.writeFile(QStringLiteral("config.ini"), recentSection(tokenPaths(f, before)));
        const QString path = f.writeFile(opened + QStringLiteral(".hlp"), "#Page\r\ntext");

        w.OpenFile(path);

        const QStringList expected = tokenPaths(f, after);
        QCOMPARE(recentKeys(w), expected);
        QCOMPARE(fileBytes(w.settingsFile()), recentSection(expected));
        QStringList shown;
        for (const QString& p : expected)
            shown << (p.isEmpty() ? QStringLiteral("hidden") : p);
        QCOMPARE(recentItems(w), shown);
        QCOMPARE(w.CurrentFile(), path);
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void firstLoadCreatesConfig()
    {
        WindowFixture f;
        frmMain& w = f.w();
        QVERIFY(!QFileInfo::exists(w.settingsFile()));
        const QString path = f.writeFile(QStringLiteral("first.hlp"), "#First\r\n");
        w.OpenFile(path);
        QCOMPARE(fileBytes(w.settingsFile()),
                 "[Recent]\n0=" + path.toUtf8() + "\n1=\n2=\n3=\n4=\n");
        QCOMPARE(recentItems(w), QStringList({path, "hidden", "hidden", "hidden", "hidden"}));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // Paths the store could not give back as they went in load normally but leave the list
    // alone.
    void unrememberablePathsLeaveTheList_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("line feed") << QStringLiteral("two\nlines.hlp");
        QTest::newRow("carriage return") << QStringLiteral("two\rlines.hlp");
        QTest::newRow("trailing space") << QStringLiteral("trailing.hlp ");
        QTest::newRow("trailing tab") << QStringLiteral("trailing.hlp\t");
        QTest::newRow("leading space (relative path)") << QStringLiteral(" leading.hlp");
        // Opens (the name is encoded with a replacement character) but cannot be stored as it is.
        QTest::newRow("lone surrogate")
            << QStringLiteral("odd") + QChar(0xD800) + QStringLiteral(".hlp");
    }
    void unrememberablePathsLeaveTheList()
    {
        QFETCH(QString, name);
        WindowFixture f;
        frmMain& w = f.w();
        const QStringList list = tokenPaths(f, tokens("p1 p2 p3 p4 p5"));
        f.writeFile(QStringLiteral("config.ini"), recentSection(list));
        w.LoadRecentMenu();
        const QByteArray config = fileBytes(w.settingsFile());
        const QStringList items = recentItems(w);
        f.writeFile(name, "#Odd name");

        // A leading space needs a relative path: absolute ones begin with the root.
        const QString previous = QDir::currentPath();
        const bool relative = name.startsWith(QLatin1Char(' '));
        QVERIFY(QDir::setCurrent(f.dir.path()));
        const QString path = relative ? name : f.path(name);
        w.OpenFile(path);
        QDir::setCurrent(previous);

        QCOMPARE(w.CurrentFile(), path);
        QCOMPARE(w.rEdit->Text(), QStringLiteral("#Odd name"));
        QCOMPARE(fileBytes(w.settingsFile()), config);
        QCOMPARE(recentItems(w), items);
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // Paths go into config.ini in the file-name encoding and come back whole through the menu:
    // the caption shows the path itself and a click opens exactly that path.
    void pathsRoundTripThroughTheMenu_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::newRow("accents") << QString::fromUtf8("Café/Résumé ÄÖÜ.hlp");
        QTest::newRow("cyrillic") << QString::fromUtf8("Справка/Команды.hlp");
        QTest::newRow("chinese") << QString::fromUtf8("帮助/命令.hlp");
        QTest::newRow("ampersands") << QStringLiteral("R&D/a&&b & c&.hlp");
        QTest::newRow("longer than 254 characters")
            << QString(200, QLatin1Char('d')) + QLatin1Char('/') + QString(120, QLatin1Char('f')) +
                   QStringLiteral(".hlp");
    }
    void pathsRoundTripThroughTheMenu()
    {
        QFETCH(QString, relative);
        WindowFixture f;
        frmMain& w = f.w();
        const QString path = f.path(relative);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#Round\r\ntrip");
        file.close();
        const QString other = f.writeFile(QStringLiteral("other.hlp"), "#Other\r\n");

        w.OpenFile(path);
        w.OpenFile(other);

        QCOMPARE(recentKeys(w).at(1), path);
        QVERIFY(fileBytes(w.settingsFile()).contains("\n1=" + QFile::encodeName(path) + "\n"));
        QAction* item = w.menu_Recent[1];
        QVERIFY(item->isVisible() && item->isEnabled());
        QCOMPARE(shownCaption(item), path);
        QCOMPARE(item->iconText(), path);

        item->trigger();
        QCOMPARE(w.CurrentFile(), path);
        QCOMPARE(w.DocTitle(), QFileInfo(path).fileName());
        QCOMPARE(w.rEdit->Text(), QStringLiteral("#Round\r\ntrip"));
        QCOMPARE(recentKeys(w).mid(0, 2), QStringList({path, other}));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // Two paths that differ in letter case are two files here.
    void caseSensitivePaths()
    {
        WindowFixture f;
        frmMain& w = f.w();
        const QString lower = f.writeFile(QStringLiteral("help.hlp"), "#lower");
        const QString upper = f.writeFile(QStringLiteral("HELP.hlp"), "#upper");
        w.OpenFile(lower);
        w.OpenFile(upper);
        QCOMPARE(recentKeys(w), QStringList({upper, lower, "", "", ""}));
        w.menu_Recent[1]->trigger();
        QCOMPARE(w.rEdit->Text(), QStringLiteral("#lower"));
        QCOMPARE(recentKeys(w), QStringList({lower, upper, "", "", ""}));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void menuAfterLoad_data()
    {
        QTest::addColumn<QByteArray>("config"); // "<absent>" or "<folder>" for those cases
        QTest::addColumn<QStringList>("items");
        const QString longPath = QStringLiteral("/help/") + QString(300, QLatin1Char('x'));
        const QStringList none = {"disabled:None.", "hidden", "hidden", "hidden", "hidden"};
        QTest::newRow("no config.ini") << QByteArray("<absent>") << none;
        QTest::newRow("a folder named config.ini") << QByteArray("<folder>") << none;
        QTest::newRow("no Recent section") << QByteArray("[Other]\n0=/help/zero\n") << none;
        QTest::newRow("empty keys") << recentSection({"", "", "", "", ""}) << none;
        QTest::newRow("key 0 empty, key 2 filled")
            << recentSection({"", "", "/help/two", "", ""})
            << QStringList({"disabled:None.", "hidden", "/help/two", "hidden", "hidden"});
        QTest::newRow("spaces only")
            << QByteArray("[Recent]\n0=   \n1=/help/one\n2=  \t \n3=/help/three\n")
            << QStringList({"disabled:None.", "/help/one", "hidden", "/help/three", "hidden"});
        QTest::newRow("None. under key 0")
            << recentSection({"None.", "/help/one", "", "", ""})
            << QStringList({"disabled:None.", "/help/one", "hidden", "hidden", "hidden"});
        QTest::newRow("padded values")
            << QByteArray("[Recent]\r\n0=  /help/zero  \r\n4=/help/four \r\n")
            << QStringList({"/help/zero", "hidden", "hidden", "hidden", "/help/four"});
        QTest::newRow("all five") << recentSection({"/a", "/b", "/c", "/d", "/e"})
                                  << QStringList({"/a", "/b", "/c", "/d", "/e"});
        QTest::newRow("longer than 254 characters")
            << recentSection({longPath, "", "", "", ""})
            << QStringList({longPath, "hidden", "hidden", "hidden", "hidden"});
    }
    void menuAfterLoad()
    {
        QFETCH(QByteArray, config);
        QFETCH(QStringList, items);
        WindowFixture f;
        frmMain& w = f.w();
        // Start from a full menu, so that a rebuild must also hide and disable.
        f.writeFile(QStringLiteral("config.ini"),
                    recentSection({"/full/0", "/full/1", "/full/2", "/full/3", "/full/4"}));
        w.LoadRecentMenu();
        QVERIFY(QFile::remove(w.settingsFile()));
        if (config == "<folder>")
            QVERIFY(QDir().mkdir(w.settingsFile()));
        else if (config != "<absent>")
            f.writeFile(QStringLiteral("config.ini"), config);

        w.LoadRecentMenu();
        w.LoadRecentMenu(); // a second rebuild creates nothing new

        QCOMPARE(recentItems(w), items);
        QList<QAction*> expected(w.menu_Recent.begin(), w.menu_Recent.end());
        expected << w.s1b << w.menu_ResetList;
        QCOMPARE(w.menu_RecentFile->actions(), expected);
        QVERIFY(w.s1b->isSeparator());
        QCOMPARE(shownCaption(w.menu_ResetList), QStringLiteral("Reset"));
        for (int i = 0; i < 5; ++i)
            if (items[i] != QLatin1String("hidden") &&
                !items[i].startsWith(QLatin1String("disabled")))
                QCOMPARE(w.menu_Recent[i]->data().toString(), items[i]);

        // Neither the placeholder nor a hidden item leads anywhere, even when called directly.
        typeAtEnd(f, QStringLiteral("edited"));
        const Snapshot before = Snapshot::of(f);
        for (int i = 0; i < 5; ++i)
            if (items[i] == QLatin1String("hidden") ||
                items[i].startsWith(QLatin1String("disabled")))
                w.menu_Recent_Click(i);
        COMPARE_SNAPSHOT(Snapshot::of(f), before);
        QVERIFY(f.desktop.boxes.isEmpty());
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // Reset drops the whole section, asks nothing, and the next load starts a fresh list.
    void resetRemovesTheSection()
    {
        WindowFixture f;
        frmMain& w = f.w();
        f.writeFile(QStringLiteral("config.ini"),
                    "; kept\n[Before]\na=1\n[Recent]\n0=/help/zero\n1=/help/one\nextra=x\n"
                    "4=/help/four\n[After]\nb=2\n");
        w.LoadRecentMenu();
        QCOMPARE(recentItems(w),
                 QStringList({"/help/zero", "/help/one", "hidden", "hidden", "/help/four"}));

        w.menu_ResetList->trigger();

        QVERIFY(f.desktop.boxes.isEmpty());
        QCOMPARE(fileBytes(w.settingsFile()), QByteArray("; kept\n[Before]\na=1\n[After]\nb=2\n"));
        QCOMPARE(recentItems(w),
                 QStringList({"disabled:None.", "hidden", "hidden", "hidden", "hidden"}));

        const QString path = f.writeFile(QStringLiteral("new.hlp"), "#New\r\n");
        w.OpenFile(path);
        QCOMPARE(fileBytes(w.settingsFile()), "; kept\n[Before]\na=1\n[After]\nb=2\n[Recent]\n0=" +
                                                  path.toUtf8() + "\n1=\n2=\n3=\n4=\n");
        QCOMPARE(recentItems(w), QStringList({path, "hidden", "hidden", "hidden", "hidden"}));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // config.ini cannot be written: loading goes on without a word and the menu shows what the
    // file holds.
    void unwritableConfigIsSilent()
    {
        WindowFixture f;
        frmMain& w = f.w();
        QVERIFY(QDir().mkdir(w.settingsFile()));
        const QString path = f.writeFile(QStringLiteral("a.hlp"), "#A\r\n");
        w.OpenFile(path);
        QCOMPARE(w.CurrentFile(), path);
        QCOMPARE(w.lblCaption->text(), QStringLiteral("File Loaded. [") + path + QLatin1Char(']'));
        QVERIFY(QFileInfo(w.settingsFile()).isDir());
        QCOMPARE(recentItems(w),
                 QStringList({"disabled:None.", "hidden", "hidden", "hidden", "hidden"}));
        w.menu_ResetList->trigger();
        QVERIFY(QFileInfo(w.settingsFile()).isDir());
        QVERIFY(f.desktop.boxes.isEmpty());
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }
};

QTEST_MAIN(tst_RecentMenu)
#include "tst_recentmenu.moc"
