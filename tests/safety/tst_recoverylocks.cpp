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
using safety::RecoveryCopy;
using safety::RecoveryGuard;
using safety::RecoveryStore;

namespace {

const QString kTitle = QStringLiteral("Recover Unsaved Changes");

// The process side of LockHolder: takes the lock, says so, and keeps it until stdin closes.
int holdLock(const char* lockFile)
{
    CopyLock lock(QString::fromLocal8Bit(lockFile));
    const bool taken = lock.take();
    std::printf(taken ? "locked\n" : "failed\n");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return taken ? 0 : 1;
}

// Another editor's process holding a lock.
class LockHolder {
public:
    ~LockHolder() { crash(); }

    bool start(const QString& lockFile)
    {
        process_.start(QCoreApplication::applicationFilePath(),
                       {QStringLiteral("--hold-lock"), lockFile});
        if (!process_.waitForStarted())
            return false;
        while (!process_.canReadLine())
            if (!process_.waitForReadyRead(30000))
                return false;
        return process_.readLine().startsWith("locked");
    }
    qint64 pid() const { return process_.processId(); }
    // Ends it as a crash does: its lock file stays, naming a process that is gone.
    void crash()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.kill();
        process_.waitForFinished();
    }

private:
    QProcess process_;
};

skyrend::ColoredText document(const std::u16string& text, skyrend::ColorRef color)
{
    return {text, text.empty() ? std::vector<skyrend::ColorRun>{}
                               : std::vector<skyrend::ColorRun>{{text.size(), color}}};
}

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
        if (!f.open(QIODevice::WriteOnly) || f.write("#Base\r\nold\r\n") < 0)
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void cleanup()
    {
        for (const QString& f : QDir(store_.folder()).entryList(QDir::Files))
            QFile::remove(QDir(store_.folder()).filePath(f));
    }

    void aRunningEditorsCopyIsLeftAloneUntilItCrashes_data()
    {
        QTest::addColumn<bool>("atStart"); // or at the open of its file
        QTest::addColumn<bool>("damaged");
        QTest::newRow("start") << true << false;
        QTest::newRow("open") << false << false;
        QTest::newRow("start, damaged") << true << true;
        QTest::newRow("open, damaged") << false << true;
    }
    void aRunningEditorsCopyIsLeftAloneUntilItCrashes()
    {
        QFETCH(bool, atStart);
        QFETCH(bool, damaged);
        const QString path = helpFile();
        const QString copy = store_.fileFor(path, QStringLiteral("other"));
        const skyrend::ColoredText doc = document(u"#Base\r\ntheirs %Y", 0x00ABCDEFu);
        QVERIFY(
            !store_.write(copy, {{}, path, "Commands.hlp", QDateTime::currentDateTimeUtc(), doc}));
        if (damaged)
            QVERIFY(QFile(copy).resize(QFile(copy).size() - 3));
        const QByteArray bytes = readAll(copy);
        LockHolder other;
        QVERIFY(other.start(RecoveryStore::lockOf(copy)));

        Editor editor(dir_.path());
        auto look = [&] {
            if (atStart)
                editor.guard.offerAtStart();
            else
                editor.guard.fileOpened(path);
        };
        look();
        QVERIFY2(editor.desktop.boxes.isEmpty(), qPrintable(editor.desktop.unexpected.join('\n')));
        QCOMPARE(readAll(copy), bytes); // not deleted, not set aside, not written
        QCOMPARE(editor.host.restores, 0);

        other.crash();
        QVERIFY(QFile::exists(RecoveryStore::lockOf(copy))); // stale now
        editor.desktop.answer(damaged ? Button::Ok : Button::Yes);
        look();
        QVERIFY2(editor.desktop.unexpected.isEmpty(),
                 qPrintable(editor.desktop.unexpected.join('\n')));
        QCOMPARE(editor.desktop.boxes.size(), 1);
        if (damaged) {
            QVERIFY(!QFile::exists(copy));
            QCOMPARE(readAll(copy + QStringLiteral(".damaged")), bytes);
            QVERIFY(!QFile::exists(RecoveryStore::lockOf(copy)));
        } else {
            QCOMPARE(editor.host.restores, 1);
            QVERIFY(editor.host.doc == doc);
            QCOMPARE(editor.host.path, path);
            // Taken over: this editor holds the copy now.
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
        for (Editor* e : {&a, b2.get()}) {
            e->host.path = path;
            e->host.edited = true;
        }
        a.host.doc = document(u"mine", skyrend::ColorValues[skyrend::Red]);
        b2->host.doc = document(u"yours", skyrend::ColorValues[skyrend::Blue]);
        QVERIFY(a.guard.writeNow());
        QVERIFY(b2->guard.writeNow());
        const QString copyA = a.guard.currentCopy(), copyB = b2->guard.currentCopy();
        QVERIFY(!copyA.isEmpty() && copyA != copyB);
        a.host.doc = document(u"mine, later", skyrend::ColorValues[skyrend::Red]);
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
        QVERIFY(QFile::exists(copyB));
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
        if (holder == QLatin1String("process") || holder == QLatin1String("crashed")) {
            QVERIFY(process.start(store_.openLockFor(path)));
            pid = process.pid();
            if (holder == QLatin1String("crashed"))
                process.crash();
        } else if (holder == QLatin1String("editor")) {
            other.guard.fileOpened(path);
        } else if (holder == QLatin1String("self")) {
            editor.guard.fileOpened(path);
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
                                           .arg(pid)),
                     qPrintable(box.text));
            QVERIFY(box.text.contains(path));
            QCOMPARE(box.buttons, platform::Buttons::YesNo);
            QCOMPARE(box.defaultButton, Button::No);
        }
    }

    void theOpenLockFollowsTheDocument()
    {
        const QString first = helpFile();
        const QString renamed = dir_.filePath(QStringLiteral("Renamed.hlp"));
        Editor a(dir_.path()), b(dir_.path());
        auto asks = [&b](const QString& path) {
            b.desktop.clear();
            b.desktop.answer(Button::No);
            const bool may = b.guard.mayOpen(path);
            const bool asked = b.desktop.allAnswersUsed();
            b.desktop.clear();
            return asked && !may;
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

    void aCopyThatCannotBeWrittenIsSaidOncePerDocument()
    {
        // The recovery folder would lie below a regular file: it can never be made.
        const QString blocker = dir_.filePath(QStringLiteral("not-a-folder"));
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        Editor editor(blocker);
        QSignalSpy failed(&editor.guard, &RecoveryGuard::copyFailed);
        editor.host.edited = true;
        editor.host.doc = document(u"unsaved", skyrend::ColorValues[skyrend::Green]);
        editor.desktop.answer(Button::Ok);
        for (int i = 0; i < 3; ++i)
            QVERIFY(!editor.guard.writeNow());
        QCOMPARE(failed.count(), 3);
        QCOMPARE(editor.desktop.boxes.size(), 1);
        const platform::MessageBox& box = editor.desktop.boxes.front().box;
        QCOMPARE(box.title, kTitle);
        QCOMPARE(box.icon, platform::Icon::Warning);
        const QString folder = QDir::toNativeSeparators(editor.guard.store().folder());
        QVERIFY2(box.text.contains(folder), qPrintable(box.text));
        QVERIFY2(box.text.contains(QLatin1String("cannot be made")), qPrintable(box.text));
        QVERIFY(failed.front().front().toString().contains(folder));

        // Writable again: quiet, and the copy is there.
        editor.host.settings = dir_.path();
        QVERIFY(editor.guard.writeNow());
        QVERIFY(QFile::exists(editor.guard.currentCopy()));
        QCOMPARE(failed.count(), 3);
        QCOMPARE(editor.desktop.boxes.size(), 1);

        // The next document is told again, once.
        editor.guard.editedChanged(false);
        editor.guard.documentReplaced();
        editor.host.settings = blocker;
        editor.desktop.answer(Button::Ok);
        QVERIFY(!editor.guard.writeNow());
        QVERIFY(!editor.guard.writeNow());
        QCOMPARE(failed.count(), 5);
        QCOMPARE(editor.desktop.boxes.size(), 2);
        QVERIFY2(editor.desktop.unexpected.isEmpty(),
                 qPrintable(editor.desktop.unexpected.join('\n')));
    }

    void anExitOnASignalKeepsTheCopy()
    {
        auto editor = std::make_unique<Editor>(dir_.path());
        editor->guard.setDelay(60 * 60 * 1000);
        editor->host.path = helpFile();
        editor->host.edited = true;
        editor->host.doc = document(u"typed just now", skyrend::ColorValues[skyrend::Pink]);
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

        // The next start offers it.
        Editor next(dir_.path());
        next.desktop.answer(Button::Yes);
        next.guard.offerAtStart();
        QCOMPARE(next.host.restores, 1);
        QCOMPARE(QString::fromStdU16String(next.host.doc.text), QStringLiteral("typed just now"));
    }
};

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--hold-lock") == 0)
        return holdLock(argv[2]);
    QApplication app(argc, argv);
    tst_RecoveryLocks test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recoverylocks.moc"
