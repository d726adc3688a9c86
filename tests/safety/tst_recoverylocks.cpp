// SPDX-License-Identifier: MIT
// The recovery guard among several editors: whose copy is whose, what a running editor's lock
// keeps others from doing, and what happens when the copy cannot be written or the editor is
// told to end. Other editors are other guards in this process, or this test run again as a
// process that only holds a lock.

#include "FakeHost.h"
#include "ScriptedDesktop.h"
#include "document/Palette.h"
#include "safety/RecoveryGuard.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <cstring>
#include <memory>

using platform::Button;
using safety::CopyLock;
using safety::RecoveryGuard;
using safety::RecoveryStore;
using namespace skyrend;

namespace {

// Another editor's process holding a lock: this test run with --hold-lock, which takes the
// lock, says so, and keeps it until it is killed, as a crash ends it (the lock file stays).
class LockHolder {
public:
    ~LockHolder() { crash(); }
    bool start(const QString& lockFile)
    {
        process_.start(QCoreApplication::applicationFilePath(), {"--hold-lock", lockFile});
        while (process_.waitForReadyRead(30000) && !process_.canReadLine()) {
        }
        return process_.readLine().startsWith("locked");
    }
    qint64 pid() const { return process_.processId(); }
    void crash()
    {
        process_.kill();
        process_.waitForFinished();
    }

private:
    QProcess process_;
};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An editor: a host, a desktop and a guard on one settings folder.
struct Editor {
    explicit Editor(const QString& settings) : host(settings), guard(host, desktop) {}
    ScriptedDesktop desktop;
    FakeHost host;
    RecoveryGuard guard;
    QByteArray unexpected() const { return desktop.unexpected.join('\n').toLocal8Bit(); }
};

} // namespace

class tst_RecoveryLocks : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    RecoveryStore store_{[this] { return dir_.path(); }};

    QString helpFile()
    {
        const QString path = dir_.filePath(QStringLiteral("Commands.hlp"));
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write("#Base\r\nold\r\n") > 0 ? path : QString();
    }

private slots:
    void cleanup()
    {
        for (const QString& f : QDir(store_.folder()).entryList(QDir::Files))
            QFile::remove(QDir(store_.folder()).filePath(f));
    }

    // Looked for at the start or at the open of its file, sound or damaged.
    void aRunningEditorsCopyIsLeftAloneUntilItCrashes_data()
    {
        QTest::addColumn<bool>("atStart");
        QTest::addColumn<bool>("damaged");
        for (const bool atStart : {true, false})
            for (const bool damaged : {false, true})
                QTest::addRow("%s%s", atStart ? "start" : "open", damaged ? ", damaged" : "")
                    << atStart << damaged;
    }
    void aRunningEditorsCopyIsLeftAloneUntilItCrashes()
    {
        QFETCH(bool, atStart);
        QFETCH(bool, damaged);
        const QString path = helpFile();
        const QString copy = store_.fileFor(path, QStringLiteral("other"));
        const ColoredText doc{u"#Base\r\ntheirs %Y", {{16, 0x00ABCDEFu}}};
        QVERIFY(
            !store_.write(copy, {{}, path, "Commands.hlp", QDateTime::currentDateTimeUtc(), doc}));
        if (damaged)
            QVERIFY(QFile(copy).resize(QFile(copy).size() - 3));
        const QByteArray bytes = readAll(copy);
        LockHolder other;
        QVERIFY(other.start(RecoveryStore::lockOf(copy)));

        Editor editor(dir_.path());
        auto look = [&] { atStart ? editor.guard.offerAtStart() : editor.guard.fileOpened(path); };
        look();
        QVERIFY2(editor.desktop.boxes.isEmpty(), editor.unexpected().constData());
        QCOMPARE(readAll(copy), bytes); // not deleted, not set aside, not written
        QCOMPARE(editor.host.restores, 0);

        other.crash();
        QVERIFY(QFile::exists(RecoveryStore::lockOf(copy))); // stale now
        editor.desktop.answer(damaged ? Button::Ok : Button::Yes);
        look();
        QVERIFY2(editor.desktop.unexpected.isEmpty(), editor.unexpected().constData());
        QCOMPARE(editor.desktop.boxes.size(), 1);
        if (damaged) {
            QVERIFY(!QFile::exists(copy));
            QCOMPARE(readAll(copy + QStringLiteral(".damaged")), bytes);
            QVERIFY(!QFile::exists(RecoveryStore::lockOf(copy)));
        } else { // restored and taken over: this editor holds the copy now
            QCOMPARE(editor.host.restores, 1);
            QVERIFY(editor.host.doc == doc);
            QCOMPARE(editor.host.path, path);
            QCOMPARE(editor.guard.currentCopy(), copy);
            QCOMPARE(CopyLock::liveHolder(RecoveryStore::lockOf(copy)),
                     QCoreApplication::applicationPid());
        }
    }

    void twoEditorsOnOneFileNeverShareACopy()
    {
        const QString path = helpFile();
        Editor a(dir_.path()), b(dir_.path());
        auto b2 = std::make_unique<Editor>(dir_.path());
        a.host.edit(path, u"mine", ColorValues[Red]);
        b2->host.edit(path, u"yours", ColorValues[Blue]);
        QVERIFY(a.guard.writeNow() && b2->guard.writeNow());
        const QString copyA = a.guard.currentCopy(), copyB = b2->guard.currentCopy();
        QVERIFY(!copyA.isEmpty() && copyA != copyB);
        a.host.edit(path, u"mine, later", ColorValues[Red]);
        QVERIFY(a.guard.writeNow());
        QCOMPARE(a.guard.currentCopy(), copyA);
        QVERIFY(RecoveryStore::read(copyA).copy->doc == a.host.doc);
        QVERIFY(RecoveryStore::read(copyB).copy->doc == b2->host.doc);

        // A third editor sees both running: nothing to offer, nothing deleted.
        b.guard.fileOpened(path);
        b.guard.offerAtStart();
        QVERIFY(b.desktop.boxes.isEmpty());

        // Saved in one editor: only its copy goes.
        a.guard.editedChanged(false);
        QVERIFY(!QFile::exists(copyA));
        QVERIFY(QFile::exists(copyB));

        // The other ends without a clean exit: its copy is offered, and No deletes it.
        b2.reset();
        b.desktop.answer(Button::No);
        b.guard.fileOpened(path);
        QCOMPARE(b.desktop.boxes.size(), 1);
        QVERIFY(b.desktop.boxes.front().box.text.contains(QLatin1String("No deletes the copy")));
        QVERIFY(!QFile::exists(copyB));
        QVERIFY(!QFile::exists(RecoveryStore::lockOf(copyB)));
    }

    void asksBeforeOpeningAFileOpenElsewhere_data()
    {
        QTest::addColumn<QString>("holder"); // who has the file open
        QTest::addColumn<int>("answer");     // -1: no question
        QTest::addColumn<bool>("mayOpen");
        const int yes = int(Button::Yes), no = int(Button::No);
        QTest::newRow("nobody") << "nobody" << -1 << true;
        QTest::newRow("another process, No") << "process" << no << false;
        QTest::newRow("another process, Yes") << "process" << yes << true;
        QTest::newRow("another editor in this process") << "editor" << no << false;
        QTest::newRow("this editor") << "self" << -1 << true;
        QTest::newRow("a crashed editor") << "crashed" << -1 << true;
    }
    void asksBeforeOpeningAFileOpenElsewhere()
    {
        QFETCH(QString, holder);
        QFETCH(int, answer);
        QFETCH(bool, mayOpen);
        const QString path = helpFile();
        Editor editor(dir_.path()), other(dir_.path());
        LockHolder process;
        qint64 pid = QCoreApplication::applicationPid();
        if (holder == "process" || holder == "crashed") {
            QVERIFY(process.start(store_.openLockFor(path)));
            pid = process.pid();
            if (holder == "crashed")
                process.crash();
        } else if (holder != "nobody") {
            (holder == "self" ? editor : other).guard.fileOpened(path);
        }
        if (answer >= 0)
            editor.desktop.answer(Button(answer));
        QCOMPARE(editor.guard.mayOpen(path), mayOpen);
        QVERIFY(editor.desktop.allAnswersUsed());
        QCOMPARE(editor.desktop.boxes.size(), answer >= 0 ? 1 : 0);
        if (answer >= 0) {
            const platform::MessageBox& box = editor.desktop.boxes.front().box;
            QVERIFY2(box.text.contains(QStringLiteral("This file is open in another Skyrend F1 "
                                                      "Editor (process %1).\r\nOpen it here too?")
                                           .arg(pid)) &&
                         box.text.contains(path),
                     qPrintable(box.text));
            QCOMPARE(box.buttons, platform::Buttons::YesNo);
            QCOMPARE(box.defaultButton, Button::No);
        }
    }

    void theOpenLockFollowsTheDocument()
    {
        const QString first = helpFile(), renamed = dir_.filePath(QStringLiteral("Renamed.hlp"));
        Editor a(dir_.path()), b(dir_.path());
        auto asks = [&b](const QString& path) {
            b.desktop.clear();
            b.desktop.answer(Button::No);
            return !b.guard.mayOpen(path) && b.desktop.allAnswersUsed();
        };
        a.guard.fileOpened(first);
        QVERIFY(asks(first));
        a.guard.fileSaved(first); // saved under its own name: still held
        QVERIFY(asks(first));
        a.guard.fileSaved(renamed);
        QVERIFY(!asks(first));
        QVERIFY(asks(renamed));
        a.guard.documentReplaced(); // New
        QVERIFY(!asks(renamed));
    }

    // Said in a box once per document, and by copyFailed each time.
    void aCopyThatCannotBeWrittenIsSaidOncePerDocument()
    {
        // The recovery folder would lie below a regular file: it can never be made.
        const QString blocker = dir_.filePath(QStringLiteral("not-a-folder"));
        QVERIFY(QFile(blocker).open(QIODevice::WriteOnly));
        Editor editor(blocker);
        QSignalSpy failed(&editor.guard, &RecoveryGuard::copyFailed);
        editor.host.edit({}, u"unsaved", ColorValues[Green]);
        auto failTimes = [&](int times) {
            editor.desktop.answer(Button::Ok);
            for (int i = 0; i < times; ++i)
                QVERIFY(!editor.guard.writeNow());
        };
        failTimes(3);
        QCOMPARE(failed.count(), 3);
        QCOMPARE(editor.desktop.boxes.size(), 1);
        const platform::MessageBox& box = editor.desktop.boxes.front().box;
        QCOMPARE(box.title, QStringLiteral("Recover Unsaved Changes"));
        QCOMPARE(box.icon, platform::Icon::Warning);
        const QString folder = QDir::toNativeSeparators(editor.guard.store().folder());
        QVERIFY2(box.text.contains(folder) && box.text.contains(QLatin1String("cannot be made")),
                 qPrintable(box.text));
        QVERIFY(failed.front().front().toString().contains(folder));

        // Writable again: quiet, and the copy is there.
        editor.host.settings = dir_.path();
        QVERIFY(editor.guard.writeNow());
        QVERIFY(QFile::exists(editor.guard.currentCopy()));

        // The next document is told again, once.
        editor.guard.editedChanged(false);
        editor.guard.documentReplaced();
        editor.host.settings = blocker;
        failTimes(2);
        QCOMPARE(failed.count(), 5);
        QCOMPARE(editor.desktop.boxes.size(), 2);
        QVERIFY2(editor.desktop.unexpected.isEmpty(), editor.unexpected().constData());
    }

    void anExitOnASignalKeepsTheCopy()
    {
        auto editor = std::make_unique<Editor>(dir_.path());
        editor->guard.setDelay(60 * 60 * 1000);
        editor->host.edit(helpFile(), u"typed just now", ColorValues[Pink]);
        editor->guard.documentEdited(); // its write is an hour away
        QVERIFY(editor->guard.writeNowForExit());
        const QString copy = editor->guard.currentCopy();
        QVERIFY(RecoveryStore::read(copy).copy->doc == editor->host.doc);
        // What the rest of a quick exit may do does not take the copy away.
        editor->guard.editsDiscarded();
        editor->guard.editedChanged(false);
        editor->guard.documentReplaced();
        editor.reset();
        QVERIFY(QFile::exists(copy));
        QVERIFY(!CopyLock::liveHolder(RecoveryStore::lockOf(copy)));

        Editor next(dir_.path()); // the next start offers it
        next.desktop.answer(Button::Yes);
        next.guard.offerAtStart();
        QCOMPARE(next.host.restores, 1);
        QCOMPARE(QString::fromStdU16String(next.host.doc.text), QStringLiteral("typed just now"));
    }
};

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--hold-lock") == 0) {
        CopyLock lock(QString::fromLocal8Bit(argv[2]));
        std::puts(lock.take() ? "locked" : "failed");
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        return 0;
    }
    QApplication app(argc, argv);
    tst_RecoveryLocks test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recoverylocks.moc"
