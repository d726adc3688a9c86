// SPDX-License-Identifier: MIT

#include "WindowFixture.h"

#include "safety/DiskWatcher.h"

#include <QFile>
#include <QSaveFile>
#include <QtTest>

using platform::Button;

namespace {

const QString kTitle = QStringLiteral("File Changed");
const QByteArray kOriginal = QByteArrayLiteral("#T\r\nold text\r\n");
const QByteArray kTheirs = QByteArrayLiteral("#T\r\ntheir text\r\n");

// What another program does to the file.
void change(const QString& how, const QString& path)
{
    if (how == QLatin1String("delete")) {
        QVERIFY(QFile::remove(path));
        return;
    }
    const QByteArray bytes = how == QLatin1String("same bytes") ? kOriginal : kTheirs;
    if (how == QLatin1String("replace")) {
        QSaveFile out(path); // a new file renamed over the old one
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        QVERIFY(out.commit());
        return;
    }
    QFile out(path); // written in place
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(out.write(bytes), bytes.size());
}

bool activate(QWidget& w)
{
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

// Long enough for the watcher's notifications to arrive and settle.
void settle()
{
    QTest::qWait(600);
}

} // namespace

class tst_DiskWatcher : public QObject {
    Q_OBJECT

private slots:
    void reportsChangesBehindTheEditorsBack_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("edited");
        QTest::addColumn<int>("answer"); // Yes = Reload, No = Keep, Ok = the deletion noted
        QTest::addColumn<QString>("textAfter");
        QTest::addColumn<bool>("editedAfter");
        const int reload = int(Button::Yes), keep = int(Button::No), ok = int(Button::Ok);
        QTest::newRow("changed, Reload") << "modify" << false << reload << "their" << false;
        // Kept, the text differs from the file: Save is enabled and closing asks.
        QTest::newRow("changed, Keep") << "modify" << false << keep << "old" << true;
        QTest::newRow("replaced, Keep") << "replace" << false << keep << "old" << true;
        QTest::newRow("changed, edited, Reload") << "modify" << true << reload << "their" << false;
        QTest::newRow("changed, edited, Keep") << "modify" << true << keep << "old" << true;
        QTest::newRow("replaced, Reload") << "replace" << false << reload << "their" << false;
        QTest::newRow("replaced, edited, Keep") << "replace" << true << keep << "old" << true;
        QTest::newRow("deleted") << "delete" << false << ok << "old" << true;
        QTest::newRow("deleted, edited") << "delete" << true << ok << "old" << true;
        QTest::newRow("same bytes written again") << "same bytes" << false << -1 << "old" << false;
    }
    void reportsChangesBehindTheEditorsBack()
    {
        QFETCH(QString, how);
        QFETCH(bool, edited);
        QFETCH(int, answer);
        QFETCH(QString, textAfter);
        QFETCH(bool, editedAfter);

        WindowFixture f;
        QVERIFY(activate(f.w()));
        const QString path = f.open(kOriginal);
        if (edited)
            f.type(QStringLiteral("x"));
        if (answer >= 0)
            f.desktop.answer(Button(answer));
        change(how, path);
        if (answer >= 0)
            QTRY_COMPARE(f.desktop.boxes.size(), 1);
        settle();
        VERIFY_NO_UNEXPECTED_BOXES(f);
        QCOMPARE(f.desktop.boxes.size(), answer >= 0 ? 1 : 0);

        if (answer >= 0) {
            const platform::MessageBox& box = f.desktop.boxes.front().box;
            QCOMPARE(box.title, kTitle);
            QVERIFY(box.text.contains(QFileInfo(path).absoluteFilePath()));
            if (how == QLatin1String("delete")) {
                QCOMPARE(box.buttons, platform::Buttons::Ok);
            } else {
                QCOMPARE(box.buttonTexts, QStringList({"Reload", "Keep"}));
                QCOMPARE(box.text.contains(QLatin1String("your edits will be lost")), edited);
                // The careful answer is the default when there is something to lose.
                QCOMPARE(box.defaultButton, edited ? Button::No : Button::Yes);
            }
        }
        QVERIFY2(f.edit().toPlainText().contains(textAfter), qPrintable(f.edit().toPlainText()));
        QCOMPARE(bool(f.w().IsDirty()), editedAfter);

        // Once per change: nothing more until the file changes again.
        settle();
        QCOMPARE(f.desktop.boxes.size(), answer >= 0 ? 1 : 0);
        if (how != QLatin1String("delete") && answer >= 0) {
            f.desktop.answer(Button::No);
            QFile out(path);
            QVERIFY(out.open(QIODevice::Append));
            out.write("more\r\n");
            out.close();
            QTRY_COMPARE(f.desktop.boxes.size(), 2);
        }
        f.w().setDirty(false); // no "save?" at the end
    }

    void waitsUntilTheWindowIsActive()
    {
        WindowFixture f;
        const QString path = f.open(kOriginal);
        QWidget other;
        other.show();
        QVERIFY(activate(other));
        change(QStringLiteral("modify"), path);
        settle();
        QVERIFY(f.desktop.boxes.isEmpty());
        f.desktop.answer(Button::No);
        QVERIFY(activate(f.w()));
        QTRY_COMPARE(f.desktop.boxes.size(), 1);
        QCOMPARE(f.desktop.boxes.front().box.title, kTitle);
    }

    void ownSavesAreNotChanges()
    {
        WindowFixture f;
        QVERIFY(activate(f.w()));
        const QString path = f.open(kOriginal);
        QTest::keyClick(f.w().rEdit, Qt::Key_End, Qt::ControlModifier);
        for (int i = 0; i < 3; ++i) {
            f.type(QStringLiteral("x"));
            QVERIFY(f.w().menu_Save_Click());
            settle();
        }
        QVERIFY2(f.readFile(path).endsWith("xxx\r\n"),
                 qPrintable(f.readFile(path) + f.unexpectedBoxes()));
        // Save As to another name moves the watch there; its saves are ours too.
        f.desktop.answerDialog(f.path(QStringLiteral("other.hlp")));
        QVERIFY(f.w().menu_SaveAs_Click());
        f.type(QStringLiteral("y"));
        QVERIFY(f.w().menu_Save_Click());
        settle();
        VERIFY_NO_UNEXPECTED_BOXES(f);
        QVERIFY(f.desktop.boxes.isEmpty());
        auto* watcher = f.w().findChild<safety::DiskWatcher*>();
        QVERIFY(watcher);
        QCOMPARE(watcher->trackedFile(),
                 QFileInfo(f.path(QStringLiteral("other.hlp"))).absoluteFilePath());
    }

    void saveAsksBeforeOverwritingAChange()
    {
        WindowFixture f;
        const QString path = f.open(kOriginal);
        QTest::keyClick(f.w().rEdit, Qt::Key_End, Qt::ControlModifier);
        f.type(QStringLiteral(" mine"));
        // The window is not active: the change is not reported before the save.
        QWidget other;
        other.show();
        QVERIFY(activate(other));
        change(QStringLiteral("modify"), path);
        settle();

        f.desktop.answer(Button::Cancel);
        QVERIFY(!f.w().menu_Save_Click());
        QCOMPARE(f.readFile(path), kTheirs);
        QVERIFY(f.w().IsDirty());
        QCOMPARE(f.desktop.boxes.size(), 1);
        const platform::MessageBox& box = f.desktop.boxes.front().box;
        QCOMPARE(box.title, kTitle);
        QCOMPARE(box.buttonTexts, QStringList({"Overwrite", "Cancel"}));
        QCOMPARE(box.defaultButton, Button::Cancel);

        f.desktop.answer(Button::Ok);
        QVERIFY(f.w().menu_Save_Click());
        QVERIFY(f.readFile(path).endsWith(" mine\r\n"));
        QVERIFY(!f.w().IsDirty());
        // Answered at the save: not reported again when the window comes back.
        QVERIFY(activate(f.w()));
        settle();
        VERIFY_NO_UNEXPECTED_BOXES(f);
        QCOMPARE(f.desktop.boxes.size(), 2);
    }
};

QTEST_MAIN(tst_DiskWatcher)
#include "tst_diskwatcher.moc"
