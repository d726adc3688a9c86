// SPDX-License-Identifier: MIT
// File > Export through the main window: what it writes, what it proposes, and that the document
// stays as it was.

#include "FilesTestSupport.h"
#include "MenuCaptions.h"

#include <QDir>
#include <QtTest>

using namespace files_test;
using platform::Button;

namespace {

QByteArray exportFixture(const QString& name)
{
    return fileBytes(QStringLiteral(SKYREND_TEST_DATA "/export/") + name);
}

QMenu* exportMenu(frmMain& w)
{
    for (QAction* a : w.menu_File->actions())
        if (a->menu() && shownCaption(a) == QStringLiteral("Export"))
            return a->menu();
    return nullptr;
}

QAction* exportItem(frmMain& w, const QString& caption)
{
    if (QMenu* menu = exportMenu(w))
        for (QAction* a : menu->actions())
            if (shownCaption(a) == caption)
                return a;
    return nullptr;
}

} // namespace

class tst_ExportCommands : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }

    void submenuFollowsReload()
    {
        WindowFixture f;
        const QList<QAction*> items = f.w().menu_File->actions();
        const qsizetype reload = items.indexOf(f.w().menu_Reload);
        QVERIFY(reload >= 0 && reload + 1 < items.size());
        QCOMPARE(items[reload + 1]->menu(), exportMenu(f.w()));
        QVERIFY(exportItem(f.w(), QStringLiteral("HTML...")));
        QVERIFY(exportItem(f.w(), QStringLiteral("BBCode...")));
    }

    void writesTheDocument_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("edited");
        QTest::newRow("HTML") << u"HTML..."_qs << u".html"_qs << false;
        QTest::newRow("BBCode") << u"BBCode..."_qs << u".txt"_qs << false;
        QTest::newRow("HTML, edited") << u"HTML..."_qs << u".html"_qs << true;
        QTest::newRow("BBCode, edited") << u"BBCode..."_qs << u".txt"_qs << true;
    }
    void writesTheDocument()
    {
        QFETCH(QString, item);
        QFETCH(QString, suffix);
        QFETCH(bool, edited);
        WindowFixture f;
        const QString source = f.open(exportFixture(u"pages.hlp"_qs), u"pages.hlp"_qs);
        if (edited)
            typeAtEnd(f, u" zz"_qs);
        QCOMPARE(bool(f.w().IsDirty()), edited);
        const Snapshot before = Snapshot::of(f);
        const QString target = f.path(u"out"_qs + suffix);
        f.desktop.answerDialog(target);

        exportItem(f.w(), item)->trigger();

        QCOMPARE(f.desktop.dialogsShown.size(), 1);
        QCOMPARE(f.desktop.dialogsShown[0].kind, u"save"_qs);
        QCOMPARE(f.desktop.dialogsShown[0].proposed, f.path(u"pages"_qs + suffix));
        QVERIFY(f.desktop.dialogsShown[0].filter.contains(u"*"_qs + suffix));
        const QByteArray written = fileBytes(target);
        if (edited)
            QVERIFY2(written.contains("zz"), written.constData()); // the text as it stands
        else // as the command line exports the file
            QCOMPARE(written,
                     exportFixture(suffix == u".html"_qs ? u"pages.html"_qs : u"pages.bbcode"_qs));
        COMPARE_SNAPSHOT(Snapshot::of(f), before);
        QCOMPARE(fileBytes(source), exportFixture(u"pages.hlp"_qs));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void cancelledOrFailed_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancelled") << true;
        QTest::newRow("a folder chosen") << false;
    }
    void cancelledOrFailed()
    {
        QFETCH(bool, cancel);
        WindowFixture f;
        f.open("#A\r\nalpha", u"A.hlp"_qs);
        QVERIFY(QDir(f.dir.path()).mkdir(u"folder"_qs));
        const Snapshot before = Snapshot::of(f);
        f.desktop.answerDialog(cancel ? std::nullopt : std::optional(f.path(u"folder"_qs)));
        if (!cancel)
            f.desktop.answer(Button::Ok);

        exportItem(f.w(), u"HTML..."_qs)->trigger();

        QVERIFY(f.desktop.allAnswersUsed());
        QCOMPARE(f.desktop.boxes.size(), cancel ? 0 : 1);
        if (!cancel) {
            QCOMPARE(f.desktop.boxes[0].box.title, u"Export Failed"_qs);
            QCOMPARE(f.desktop.boxes[0].box.icon, platform::Icon::Critical);
            QVERIFY(f.desktop.boxes[0].box.text.contains(u"folder"_qs));
        }
        QVERIFY(QFileInfo(f.path(u"folder"_qs)).isDir());
        COMPARE_SNAPSHOT(Snapshot::of(f), before);
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // A load fills the box piece by piece: no export of the half-read text.
    void refusedWhileLoading()
    {
        WindowFixture f;
        f.w().session().sliceMilliseconds = 0;
        QByteArray content("#Page\r\n");
        for (int i = 0; i < 200; ++i)
            content += "%Rred %Ggreen ";
        QStringList enabled;
        f.desktop.onYield = [&](int) {
            enabled << QString::number(exportMenu(f.w())->menuAction()->isEnabled());
            exportItem(f.w(), u"HTML..."_qs)->trigger();
        };
        f.open(content);
        f.desktop.onYield = nullptr;

        QVERIFY(enabled.size() > 2);
        QCOMPARE(enabled, QStringList(enabled.size(), u"0"_qs));
        QVERIFY(f.desktop.dialogsShown.isEmpty());
        QVERIFY(exportMenu(f.w())->menuAction()->isEnabled());
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }
};

QTEST_MAIN(tst_ExportCommands)
#include "tst_exportcommands.moc"
