// SPDX-License-Identifier: MIT

#include "WindowFixture.h"

#include "document/HelpFormat.h"
#include "safety/RecoveryGuard.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using platform::Button;
using safety::RecoveryCopy;
using safety::RecoveryStore;

namespace {

const QString kTitle = QStringLiteral("Recover Unsaved Changes");
// A document a load cannot give: a visible "%Y" and "%%", and a colour outside the palette.
const skyrend::ColoredText kRecoveredDoc{u"#Rules\r\nrecovered %Ytext 100%%",
                                         {{8, skyrend::ColorValues[skyrend::Green]},
                                          {10, skyrend::ColorValues[skyrend::Red]},
                                          {2, skyrend::ColorValues[skyrend::Yellow]},
                                          {10, 0x00123456u}}};
const QByteArray kOnDisk = QByteArrayLiteral("#Base\r\nold\r\n");

safety::RecoveryGuard* guardOf(WindowFixture& f)
{
    auto* guard = f.w().findChild<safety::RecoveryGuard*>();
    if (guard)
        guard->setDelay(20);
    return guard;
}

QString savedForm(const skyrend::ColoredText& doc)
{
    return QString::fromStdU16String(skyrend::encodeHelpText(doc));
}

// Types at the end of the document, below its header line.
void typeAtEnd(WindowFixture& f, const QString& keys)
{
    QTest::keyClick(f.w().rEdit, Qt::Key_End, Qt::ControlModifier);
    f.type(keys);
}

QStringList copiesIn(WindowFixture& f)
{
    return guardOf(f)->store().files();
}

} // namespace

class tst_RecoveryGuard : public QObject {
    Q_OBJECT

private slots:
    // A copy written on the worker thread while the user saves, exits or types on: a save
    // leaves no copy behind, an exit and more typing leave the latest text.
    void aCopyWrittenAsideMeetsWhatComesNext_data()
    {
        QTest::addColumn<QString>("next");
        QTest::newRow("saved") << u"save"_qs;
        QTest::newRow("exit") << u"exit"_qs;
        QTest::newRow("typed on") << u"type"_qs;
    }
    void aCopyWrittenAsideMeetsWhatComesNext()
    {
        QFETCH(QString, next);
        WindowFixture f;
        auto* guard = guardOf(f);
        guard->setDelay(60000); // only the writes the test asks for
        QByteArray big = "#Big\r\n";
        while (big.size() < 4 * 1024 * 1024)
            big += "%Rsome red %Gand green text to copy\r\n";
        f.open(big);
        typeAtEnd(f, u"a"_qs);
        guard->writeAside();
        QVERIFY(guard->writing());
        if (next == u"save") {
            QVERIFY(f.w().menu_Save_Click());
            QTRY_VERIFY(!guard->writing());
            QTest::qWait(50);
            QVERIFY2(copiesIn(f).isEmpty(), qPrintable(copiesIn(f).join(u' ')));
            return;
        }
        if (next == u"exit") {
            typeAtEnd(f, u"b"_qs);
            QVERIFY(guard->writeNowForExit());
        } else {
            typeAtEnd(f, u"b"_qs);
            guard->writeAside(); // while the first is going on: another follows it
            guard->setDelay(20);
            QTRY_VERIFY(!guard->writing());
            QTRY_VERIFY(!guard->currentCopy().isEmpty());
        }
        QTRY_VERIFY(RecoveryStore::read(guard->currentCopy()).copy->doc == f.edit().coloredText());
        QCOMPARE(copiesIn(f).size(), 1);
    }

    void keepsACopyOfTheEditsUntilSaved()
    {
        WindowFixture f;
        auto* guard = guardOf(f);
        QVERIFY(guard);
        const QString path = f.open(kOnDisk);
        QVERIFY(guard->currentCopy().isEmpty());
        typeAtEnd(f, QStringLiteral("%Rnew "));
        QTRY_VERIFY(!guard->currentCopy().isEmpty());
        QTRY_VERIFY(RecoveryStore::read(guard->currentCopy()).copy->doc == f.edit().coloredText());
        const auto copy = RecoveryStore::read(guard->currentCopy()).copy;
        QCOMPARE(copy->documentPath, QFileInfo(path).absoluteFilePath());
        QCOMPARE(f.readFile(path), kOnDisk); // the document's file is not touched

        QVERIFY(f.w().menu_Save_Click());
        QVERIFY(copiesIn(f).isEmpty());
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void droppedEditsAndCleanExitLeaveNoCopy_data()
    {
        QTest::addColumn<bool>("untitled");
        QTest::addColumn<QString>("how");
        QTest::newRow("file, New, No") << false << "new";
        QTest::newRow("file, close, No") << false << "close";
        QTest::newRow("untitled, New, No") << true << "new";
        QTest::newRow("untitled, close, No") << true << "close";
    }
    void droppedEditsAndCleanExitLeaveNoCopy()
    {
        QFETCH(bool, untitled);
        QFETCH(QString, how);
        WindowFixture f;
        auto* guard = guardOf(f);
        if (!untitled)
            f.open(kOnDisk);
        f.type(QStringLiteral("abc"));
        QTRY_COMPARE(copiesIn(f).size(), 1);
        QCOMPARE(RecoveryStore::read(copiesIn(f).front()).copy->documentPath.isEmpty(), untitled);
        f.desktop.answer(Button::No);
        if (how == QLatin1String("new"))
            f.w().menu_New_Click();
        else
            QVERIFY(f.w().close());
        QVERIFY(copiesIn(f).isEmpty());
        QVERIFY(guard->currentCopy().isEmpty());
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void offersCopies_data()
    {
        QTest::addColumn<QString>("copyKind"); // valid, damaged, empty
        QTest::addColumn<QString>("file");     // older (than the copy), newer, gone, untitled
        QTest::addColumn<QString>("when");     // start, open
        QTest::addColumn<int>("answer");       // -1: no question expected
        QTest::addColumn<bool>("restored");
        QTest::addColumn<bool>("copyLeft");
        QTest::addColumn<bool>("setAside");

        const int yes = int(Button::Yes), no = int(Button::No);
        QTest::newRow("start, Yes") << "valid"
                                    << "older"
                                    << "start" << yes << true << true << false;
        QTest::newRow("start, No") << "valid"
                                   << "older"
                                   << "start" << no << false << false << false;
        QTest::newRow("open, Yes") << "valid"
                                   << "older"
                                   << "open" << yes << true << true << false;
        QTest::newRow("open, No") << "valid"
                                  << "older"
                                  << "open" << no << false << false << false;
        QTest::newRow("file gone, Yes") << "valid"
                                        << "gone"
                                        << "start" << yes << true << true << false;
        QTest::newRow("untitled, Yes") << "valid"
                                       << "untitled"
                                       << "start" << yes << true << true << false;
        QTest::newRow("untitled, No") << "valid"
                                      << "untitled"
                                      << "start" << no << false << false << false;
        // A copy is offered also after its file was touched or changed, and says so.
        QTest::newRow("file newer, start, Yes") << "valid"
                                                << "newer"
                                                << "start" << yes << true << true << false;
        QTest::newRow("file newer, open, Yes") << "valid"
                                               << "newer"
                                               << "open" << yes << true << true << false;
        QTest::newRow("file newer, open, No") << "valid"
                                              << "newer"
                                              << "open" << no << false << false << false;
        QTest::newRow("damaged, start") << "damaged"
                                        << "older"
                                        << "start" << -1 << false << false << true;
        QTest::newRow("damaged, open") << "damaged"
                                       << "older"
                                       << "open" << -1 << false << false << true;
        QTest::newRow("empty, start") << "empty"
                                      << "gone"
                                      << "start" << -1 << false << false << true;
    }
    void offersCopies()
    {
        QFETCH(QString, copyKind);
        QFETCH(QString, file);
        QFETCH(QString, when);
        QFETCH(int, answer);
        QFETCH(bool, restored);
        QFETCH(bool, copyLeft);
        QFETCH(bool, setAside);

        WindowFixture f;
        const RecoveryStore& store = guardOf(f)->store();
        const QString path = f.path(QStringLiteral("Commands.hlp"));
        QDateTime written = QDateTime::currentDateTimeUtc();
        if (file == QLatin1String("older") || file == QLatin1String("newer")) {
            f.writeFile(QStringLiteral("Commands.hlp"), kOnDisk);
            const QDateTime mtime = QFileInfo(path).lastModified().toUTC();
            written = mtime.addSecs(file == QLatin1String("older") ? 60 : -60);
        }
        const bool untitled = file == QLatin1String("untitled");
        const QString copyFile =
            untitled ? store.newUntitledFile() : store.fileFor(path, QStringLiteral("crashed"));
        QVERIFY(!store.write(copyFile, RecoveryCopy{{},
                                                    untitled ? QString() : path,
                                                    untitled ? QStringLiteral("Untitled4")
                                                             : QStringLiteral("Commands.hlp"),
                                                    written,
                                                    kRecoveredDoc}));
        if (copyKind == QLatin1String("damaged")) {
            QFile c(copyFile);
            QVERIFY(c.resize(c.size() - 4));
        } else if (copyKind == QLatin1String("empty")) {
            QFile c(copyFile);
            QVERIFY(c.resize(0));
        }
        const QByteArray copyBytes = f.readFile(copyFile);

        if (answer >= 0)
            f.desktop.answer(Button(answer));
        if (copyKind != QLatin1String("valid"))
            f.desktop.answer(Button::Ok); // the report of the damage
        if (when == QLatin1String("start"))
            f.w().recoverAtStart();
        else
            f.w().OpenFile(path);
        VERIFY_NO_UNEXPECTED_BOXES(f);
        QVERIFY(f.desktop.allAnswersUsed());

        if (answer >= 0) {
            QCOMPARE(f.desktop.boxes.size(), 1);
            const platform::MessageBox& box = f.desktop.boxes.front().box;
            QCOMPARE(box.title, kTitle);
            QCOMPARE(box.buttons, platform::Buttons::YesNo);
            QCOMPARE(box.defaultButton, Button::Yes);
            QVERIFY2(box.text.contains(untitled ? QStringLiteral("Untitled4") : path),
                     qPrintable(box.text));
            QVERIFY2(box.text.contains(
                         written.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))),
                     qPrintable(box.text));
            // Named when the file changed after the copy, with the file's time.
            const QString fileTime =
                QFileInfo(path).lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            QCOMPARE(box.text.contains(QLatin1String("changed after")),
                     file == QLatin1String("newer"));
            if (file == QLatin1String("newer"))
                QVERIFY2(box.text.contains(fileTime), qPrintable(box.text));
        } else if (copyKind != QLatin1String("valid")) {
            QCOMPARE(f.desktop.boxes.size(), 1);
            QCOMPARE(f.desktop.boxes.front().box.icon, platform::Icon::Warning);
            QVERIFY(f.desktop.boxes.front().box.text.contains(copyFile));
        } else {
            QVERIFY(f.desktop.boxes.isEmpty());
        }

        if (restored) {
            // Exactly as it was shown, not as a save and reload would give it.
            QVERIFY(f.edit().coloredText() == kRecoveredDoc);
            QVERIFY(f.w().IsDirty());
            QVERIFY(f.w().windowTitle().endsWith(QLatin1String("*]")));
            QCOMPARE(f.w().CurrentFile(), untitled ? QString() : path);
        } else {
            QVERIFY(!f.edit().toPlainText().contains(QLatin1String("recovered")));
        }
        // Nothing is written for the user: the file is as it was, or still gone.
        if (file == QLatin1String("older") || file == QLatin1String("newer"))
            QCOMPARE(f.readFile(path), kOnDisk);
        else
            QVERIFY(!QFile::exists(path));

        QCOMPARE(QFile::exists(copyFile), copyLeft);
        QCOMPARE(QFile::exists(copyFile + QStringLiteral(".damaged")), setAside);
        if (setAside) // kept whole for the user, not deleted
            QCOMPARE(f.readFile(copyFile + QStringLiteral(".damaged")), copyBytes);
    }

    void recoveredDocumentSavesToItsFile()
    {
        // Two windows on one settings folder.
        WindowFixture first;
        const QString path = first.open(kOnDisk);
        typeAtEnd(first, QStringLiteral("%Yadded "));
        QTRY_VERIFY(!guardOf(first)->currentCopy().isEmpty());
        QTRY_VERIFY(RecoveryStore::read(guardOf(first)->currentCopy()).copy->doc ==
                    first.edit().coloredText());
        const QString copy = guardOf(first)->currentCopy();
        const QString expected = savedForm(first.edit().coloredText());

        ScriptedDesktop desktop;
        frmMain second(desktop, first.dir.path());
        // The first editor is running: its copy is neither offered nor deleted.
        second.recoverAtStart();
        QVERIFY(desktop.boxes.isEmpty());
        QVERIFY(QFile::exists(copy));

        // Now it is gone as a killed editor goes, leaving its copy.
        first.window.reset();
        QVERIFY(QFile::exists(copy));
        desktop.answer(Button::Yes);
        second.recoverAtStart();
        QCOMPARE(desktop.boxes.size(), 1);
        QCOMPARE(savedForm(second.rEdit->coloredText()), expected);
        QCOMPARE(first.readFile(path), kOnDisk);
        QVERIFY(second.menu_Save_Click());
        QVERIFY2(desktop.unexpected.isEmpty(), qPrintable(desktop.unexpected.join(u'\n')));
        QCOMPARE(QString::fromLatin1(first.readFile(path)), expected);
        QVERIFY(second.findChild<safety::RecoveryGuard*>()->store().files().isEmpty());
    }
};

QTEST_MAIN(tst_RecoveryGuard)
#include "tst_recoveryguard.moc"
