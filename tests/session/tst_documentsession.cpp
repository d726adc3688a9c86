// SPDX-License-Identifier: MIT
// The document session through the main window: a save keeps the document as it was until its
// bytes are on disk and the file what it was, a kept change on disk leaves the document edited,
// the recovery copy holds what is shown, names that are not UTF-8, a document too large to open
// again, Reload, and a recovery folder that cannot be written.

#include "../files/FilesTestSupport.h"
#include "SaveQuestion.h"

#include "document/FileLimits.h"
#include "document/SavePlan.h"
#include "safety/DiskWatcher.h"
#include "safety/RecoveryGuard.h"

#include <QDir>
#include <QtTest>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace files_test;
using namespace session_test;
using platform::Button;

#define VERIFY_CONTAINS(text, part) QVERIFY2((text).contains(part), qPrintable(text))

namespace {

const QByteArray kFile = "#A\r\nalpha\r\n";
// As the box shows it: the closing line break is the file's end of text.
const QString kFileText = QStringLiteral("#A\r\nalpha");

safety::RecoveryGuard* guardOf(WindowFixture& f)
{
    auto* guard = f.w().findChild<safety::RecoveryGuard*>();
    guard->setDelay(20);
    return guard;
}

// The recovery copy of the document is on disk.
bool copyOnDisk(WindowFixture& f)
{
    const QString copy = guardOf(f)->currentCopy();
    return !copy.isEmpty() && QFile::exists(copy);
}

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

struct stat lstatOf(const QString& path)
{
    struct stat st {}; // all zero when there is nothing there
    ::lstat(encoded(path).constData(), &st);
    return st;
}

// Undoes every step there is, as the user would with Ctrl+Z.
void undoAll(WindowFixture& f)
{
    f.edit().setFocus();
    for (int i = 0; i < 100 && f.edit().document()->isUndoAvailable(); ++i)
        QTest::keyClick(f.w().rEdit, Qt::Key_Z, Qt::ControlModifier);
}

// The window's files as they are on disk (the recovery folder and config.ini aside).
QStringList filesIn(WindowFixture& f)
{
    QStringList names =
        QDir(f.dir.path())
            .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    names.removeAll("recovery");
    names.removeAll("config.ini");
    return names;
}

// A save of A.hlp, edited: the edit ("no header" takes the "#" off the first line; "visible %R"
// puts a "%" before a typed "R"; anything else is typed at the end), the name given to Save As
// (none: Save; "pipe.hlp" is a FIFO, "device" a device, "link" a link to the FIFO "node"), each
// box's title and answer, whether the file is written, what the "Save Failed" box says ("%1":
// the folder), and what A.hlp is made before it is opened.
struct SaveRow {
    const char* name;
    QString edit;
    QString target;
    QList<std::pair<QString, Button>> boxes;
    bool written;
    QString said = {};
    QString file = {};
};

const QList<SaveRow>& saveRows()
{
    const QString noHeader = "no header", missing = "missing/new.hlp";
    const auto info = std::pair(QStringLiteral("Information"), Button::Ok);
    const auto failed = std::pair(QStringLiteral("Save Failed"), Button::Ok);
    const auto no = std::pair(QStringLiteral("Warning"), Button::No);
    const auto yes = std::pair(QStringLiteral("Warning"), Button::Yes);
    const QString fifo = "It is a FIFO (named pipe), not a regular file",
                  device = "It is a device, not a regular file",
                  link = "It links to '%1/node', which is a FIFO (named pipe)";
    static const QList<SaveRow> rows = {
        {"Save As, no header line, written", noHeader, "new.hlp", {info}, true},
        {"Save As, no header line, folder missing", noHeader, missing, {info, failed}, false},
        {"Save As, visible %R, No", "visible %R", "new.hlp", {no}, false},
        {"Save As, %%, No", "%%", "new.hlp", {no}, false},
        {"Save As, %%, Yes", "%%", "new.hlp", {yes}, true},
        {"Save As, folder missing", "zz", missing, {failed}, false},
        {"Save As, a FIFO", "zz", "pipe.hlp", {failed}, false, fifo},
        {"Save As, no header line, a FIFO", noHeader, "pipe.hlp", {info, failed}, false},
        {"Save As, a device", "zz", "device", {failed}, false, device},
        {"Save As, a link to a FIFO", "zz", "link", {failed}, false, link},
        {"Save, no header line, written", noHeader, "", {info}, true},
        {"Save, visible %R, No", "visible %R", "", {no}, false},
        // A regular file stays the file it was: its mode, its other names, its owner and group.
        {"Save, mode 0640", " more", "", {}, true, {}, "mode 0640"},
        {"Save, mode 0604", " more", "", {}, true, {}, "mode 0604"},
        {"Save, a hard link", " more", "", {}, true, {}, "hard link"},
        {"Save, owner and group", " more", "", {}, true, {}, "owner"},
    };
    return rows;
}

} // namespace

class tst_DocumentSession : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }

    // While a save's boxes are open the document is the old one, edited, with its recovery
    // copy; a save that writes nothing leaves it so and the target as it was, and undo still
    // finds the file's text.
    void save_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < saveRows().size(); ++i)
            QTest::newRow(saveRows()[i].name) << i;
    }
    void save()
    {
        QFETCH(int, row);
        const SaveRow& r = saveRows()[row];
        WindowFixture f;
        frmMain& w = f.w();
        auto* guard = guardOf(f);
        const QString a = f.writeFile("A.hlp", kFile), other = f.path("other name.hlp");
        if (r.file.startsWith("mode "))
            QCOMPARE(::chmod(encoded(a).constData(), mode_t(r.file.mid(5).toUInt(nullptr, 8))), 0);
        else if (r.file == "hard link")
            QCOMPARE(::link(encoded(a).constData(), encoded(other).constData()), 0);
        else if (r.file == "owner" && ::geteuid() != 0)
            QSKIP("only root can give a file to another owner");
        else if (r.file == "owner")
            QCOMPARE(::chown(encoded(a).constData(), 65534, 65534), 0);
        w.OpenFile(a);
        if (r.edit == "no header") {
            f.edit().setFocus();
            f.edit().setSelStart(0);
            QTest::keyClick(w.rEdit, Qt::Key_Delete);
        } else if (r.edit == "visible %R") {
            typeAtEnd(f, "R"); // the tag is made only by typing the letter after the "%"
            QTest::keyClick(w.rEdit, Qt::Key_Left);
            f.type("%");
        } else {
            typeAtEnd(f, r.edit);
        }
        const QString edited = w.rEdit->Text();
        QVERIFY(edited != kFileText);
        QTRY_VERIFY(copyOnDisk(f));
        const QString copy = guard->currentCopy();
        auto state = [&] {
            return QStringList{w.windowTitle(), w.DocTitle(), w.CurrentFile(),
                               QString::number(w.IsDirty()),
                               copyOnDisk(f) ? guard->currentCopy() : "no copy"};
        };
        // The old name, edited, with its copy: as long as nothing is on disk.
        const QStringList unsaved = {editedTitle(w, "A.hlp"), "A.hlp", a, "1", copy};
        QCOMPARE(state(), unsaved);

        const QString path = r.target.isEmpty() ? a : f.path(r.target);
        const QString node = r.target == "link" ? f.path("node") : path;
        // A FIFO is held open for reading without blocking: a writer that opens it never hangs.
        int fifo = -1;
        const auto closeFifo = qScopeGuard([&] { ::close(fifo); });
        if (r.target == "pipe.hlp" || r.target == "link") {
            QCOMPARE(::mkfifo(encoded(node).constData(), 0600), 0);
            fifo = ::open(encoded(node).constData(), O_RDONLY | O_NONBLOCK);
            QVERIFY(fifo >= 0);
        } else if (r.target == "device" &&
                   ::mknod(encoded(path).constData(), S_IFCHR | 0600, makedev(1, 3)) != 0) {
            QSKIP(qPrintable("mknod is not permitted here: " + qt_error_string()));
        }
        if (node != path)
            QCOMPARE(::symlink(encoded(node).constData(), encoded(path).constData()), 0);
        auto kept = [](const QString& p) {
            const struct stat st = lstatOf(p);
            return std::tuple(st.st_mode, st.st_uid, st.st_gid, st.st_nlink, st.st_rdev);
        };
        const auto pathBefore = kept(path), nodeBefore = kept(node);
        const ino_t inode = lstatOf(node).st_ino;
        const QStringList files = filesIn(f);

        if (!r.target.isEmpty())
            f.desktop.answerDialog(path);
        QStringList seen, expected;
        for (const auto& [title, answer] : r.boxes) {
            f.desktop.answer(answer);
            expected << title + ": " + unsaved.join('|');
        }
        f.desktop.onBox = [&](const platform::MessageBox& box) {
            seen << box.title + ": " + state().join('|');
        };
        QCOMPARE(r.target.isEmpty() ? w.menu_Save_Click() : w.menu_SaveAs_Click(), r.written);
        f.desktop.onBox = nullptr;
        VERIFY_NO_UNEXPECTED_BOXES(f);
        QVERIFY(f.desktop.allAnswersUsed());
        QCOMPARE(seen, expected);
        char c;
        QVERIFY(fifo < 0 || ::read(fifo, &c, 1) <= 0); // nothing was written into it
        QCOMPARE(w.rEdit->Text(), edited);
        if (!r.said.isEmpty()) {
            const platform::MessageBox& box = f.desktop.boxes.last().box;
            QCOMPARE(box.icon, platform::Icon::Critical);
            QVERIFY2(box.text.startsWith("Could not save the file.\r\n" + path),
                     qPrintable(box.text));
            VERIFY_CONTAINS(box.text, QString(r.said).replace("%1", f.dir.path()));
            VERIFY_CONTAINS(box.text, "nothing was written");
        }

        if (r.written) {
            const QString name = QFileInfo(path).fileName();
            QCOMPARE(state(), (QStringList{plainTitle(w, name), name, path, "0", "no copy"}));
            QVERIFY(!QFile::exists(copy));
            // The document as it is shown, no older state of it.
            QCOMPARE(fileBytes(path),
                     QByteArray::fromStdString(skyrend::planSave(f.edit().coloredText()).bytes));
            if (path != a)
                QCOMPARE(fileBytes(a), kFile);
            else
                QCOMPARE(kept(a), pathBefore); // still a regular file, as it was
            if (r.file == "hard link") {
                QCOMPARE(fileBytes(other), fileBytes(a));
                QCOMPARE(lstatOf(a).st_ino, inode);
                QCOMPARE(lstatOf(other).st_ino, inode);
            }
            return;
        }
        QCOMPARE(state(), unsaved);
        QVERIFY(w.menu_Save->isEnabled());
        QVERIFY(w.lblCaption->text().endsWith("NOT saved."));
        QCOMPARE(fileBytes(a), kFile);
        QCOMPARE(kept(path), pathBefore);
        QCOMPARE(kept(node), nodeBefore);
        QCOMPARE(lstatOf(node).st_ino, inode);
        QCOMPARE(filesIn(f), files); // no file of the write left behind
        QCOMPARE(w.findChild<safety::DiskWatcher*>()->trackedFile(),
                 QFileInfo(a).absoluteFilePath());

        // The undo history still knows where the text is the file's.
        undoAll(f);
        QCOMPARE(w.rEdit->Text(), kFileText);
        QCOMPARE(state(), (QStringList{plainTitle(w, "A.hlp"), "A.hlp", a, "0", "no copy"}));
        QVERIFY(!w.menu_Save->isEnabled());
        QVERIFY(!QFile::exists(copy));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // "Keep" in the "File Changed" box: the text is no longer the file's, whatever undo does.
    void keptChangeOnDiskLeavesTheDocumentEdited_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("edited");
        QTest::newRow("written in place") << "modify" << false;
        QTest::newRow("written in place, edited") << "modify" << true;
        QTest::newRow("replaced") << "replace" << false;
        QTest::newRow("replaced, edited") << "replace" << true;
        QTest::newRow("deleted") << "delete" << false;
    }
    void keptChangeOnDiskLeavesTheDocumentEdited()
    {
        QFETCH(QString, how);
        QFETCH(bool, edited);
        WindowFixture f;
        frmMain& w = f.w();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const QString path = f.open(kFile);
        if (edited)
            typeAtEnd(f, "x");
        const QByteArray theirs = "#A\r\ntheir text\r\n";
        f.desktop.answer(how == "delete" ? Button::Ok : Button::No); // No: Keep
        if (how == "delete")
            QVERIFY(QFile::remove(path));
        else if (how == "modify")
            f.writeFile("Commands.hlp", theirs);
        else // a new file takes the name, as QSaveFile writes
            std::filesystem::rename(f.writeFile("new", theirs).toStdString(), path.toStdString());
        QTRY_COMPARE(f.desktop.boxes.size(), 1);
        QCOMPARE(f.desktop.boxes.front().box.title, QStringLiteral("File Changed"));

        QCOMPARE(w.IsDirty(), quint8(1));
        QVERIFY(w.menu_Save->isEnabled());
        QCOMPARE(w.windowTitle(), editedTitle(w, "Commands.hlp"));
        // Undo back to the text that was read does not make it the file's again.
        undoAll(f);
        QCOMPARE(w.rEdit->Text(), kFileText);
        QCOMPARE(w.IsDirty(), quint8(1));
        QVERIFY(w.menu_Save->isEnabled());
        cancelCloseAtQuestion(f);
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // The copy is the document as shown, tags and colours a file cannot hold included; restored,
    // it is that again, and its save warns about what the file will not keep.
    void recoveryCopyHoldsWhatIsShown_data()
    {
        QTest::addColumn<bool>("untitled");
        QTest::addColumn<bool>("atStart"); // else when the file is opened
        QTest::newRow("untitled, offered at start") << true << true;
        QTest::newRow("a file, offered at start") << false << true;
        QTest::newRow("a file, offered when opened") << false << false;
    }
    void recoveryCopyHoldsWhatIsShown()
    {
        QFETCH(bool, untitled);
        QFETCH(bool, atStart);
        WindowFixture f;
        const QString path = untitled ? QString() : f.open(kFile);
        // A visible "%Y" and "%%", two characters outside Windows-1252 (one a surrogate pair),
        // and a colour outside the palette ('?'); then a line typed below them (an edit
        // recolours the lines it touches as a save would, so it keeps off theirs).
        f.fill(QString::fromUtf8("#Rules\r\nsee %Ytext 100%% \u0101\U0001F600 end\r\nlast"),
               "GGGGGGGGRRRRYYYYYY??????????PPPPPPWWWW", QString());
        typeAtEnd(f, "!");
        const skyrend::ColoredText shown = f.edit().coloredText();
        const QString shownText = f.edit().Text();
        VERIFY_CONTAINS(shownText, "%Ytext 100%%");
        QVERIFY(colorLetters(f.colors()).contains('?') && colorLetters(f.colors()).contains('Y'));
        QTRY_VERIFY(copyOnDisk(f));
        const QString copy = guardOf(f)->currentCopy();
        using safety::RecoveryStore;
        QTRY_VERIFY(RecoveryStore::read(copy).copy && RecoveryStore::read(copy).copy->doc == shown);

        // The editor started again in the same folders, as after a kill: the copy stays.
        f.window.reset();
        f.window = std::make_unique<frmMain>(f.desktop, f.dir.path());
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        guardOf(f);
        frmMain& w = f.w();
        f.desktop.answer(Button::Yes);
        if (atStart)
            w.recoverAtStart();
        else
            w.OpenFile(path);
        VERIFY_NO_UNEXPECTED_BOXES(f);
        QCOMPARE(f.desktop.boxes.size(), 1);
        QCOMPARE(f.desktop.boxes.front().box.title, QStringLiteral("Recover Unsaved Changes"));
        QVERIFY(f.edit().coloredText() == shown);
        QCOMPARE(f.edit().Text(), shownText);
        QCOMPARE(w.CurrentFile(), path);
        QCOMPARE(w.IsDirty(), quint8(1));
        QVERIFY(w.windowTitle().endsWith("*]"));

        // Its save: first the characters no byte holds, then, without them, the warning about
        // "%Y" and "%%". Nothing is written.
        const QString target = untitled ? f.path("saved.hlp") : path;
        f.desktop.clear();
        if (untitled)
            f.desktop.answerDialog(target);
        f.desktop.answer(Button::Ok);
        QVERIFY(!w.menu_Save_Click());
        QCOMPARE(f.desktop.boxes.size(), 1);
        const platform::MessageBox& refused = f.desktop.boxes.front().box;
        QCOMPARE(refused.title, QStringLiteral("Save Failed"));
        VERIFY_CONTAINS(refused.text, QString::fromUtf8("\u0101"));
        VERIFY_CONTAINS(refused.text, "cannot be written to a help file");

        f.edit().setFocus();
        f.edit().setSelStart(f.edit().Text().indexOf(QString::fromUtf8("\u0101")));
        f.edit().setSelLength(3); // "ā" and the pair of surrogates
        QTest::keyClick(w.rEdit, Qt::Key_Delete);
        VERIFY_CONTAINS(f.edit().Text(), "100%%  end");
        if (untitled)
            f.desktop.answerDialog(target);
        f.desktop.answer(Button::No);
        QVERIFY(!w.menu_Save_Click());
        QCOMPARE(f.desktop.boxes.size(), 2);
        const platform::MessageBox& warning = f.desktop.boxes.last().box;
        QCOMPARE(warning.title, QStringLiteral("Warning"));
        VERIFY_CONTAINS(warning.text, "\"%Y\" is read as a colour tag");
        VERIFY_CONTAINS(warning.text, "the first \"%\" of \"%%\" is dropped");
        QCOMPARE(fileBytes(target), untitled ? QByteArray("<absent>") : kFile);
        QCOMPARE(w.IsDirty(), quint8(1));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // A name Qt could not take from the system as it is (it holds U+FFFD in its place) is said
    // to be one and changes nothing; a name that really holds U+FFFD opens. (tst_openfile has
    // the other refusals.)
    void openNamesThatAreNotUtf8_data()
    {
        QTest::addColumn<QByteArray>("onDisk"); // the name's bytes
        QTest::addColumn<bool>("opens");
        QTest::newRow("not valid UTF-8") << QByteArray("bad\xff name.hlp") << false;
        QTest::newRow("a cut-off sequence") << QByteArray("bad\xc3.hlp") << false;
        QTest::newRow("U+FFFD itself, valid UTF-8") << QByteArray("odd\xef\xbf\xbd.hlp") << true;
    }
    void openNamesThatAreNotUtf8()
    {
        QFETCH(QByteArray, onDisk);
        QFETCH(bool, opens);
        WindowFixture f;
        const QByteArray bytes = encoded(f.dir.path()) + '/' + onDisk;
        QVERIFY(std::ofstream(bytes.constData()) << "#X\r\nx");
        // QTemporaryDir cannot remove a name it cannot decode.
        const auto removeIt = qScopeGuard([&] { ::unlink(bytes.constData()); });
        const QString path = QFile::decodeName(bytes);
        QVERIFY(path.contains(QChar::ReplacementCharacter));
        f.open("#Before\r\n%Rred text");
        typeAtEnd(f, "!");
        f.desktop.clear();
        const Snapshot before = Snapshot::of(f);

        if (!opens)
            f.desktop.answer(Button::Ok);
        f.w().OpenFile(path);
        VERIFY_NO_UNEXPECTED_BOXES(f);
        QCOMPARE(f.desktop.boxes.size(), opens ? 0 : 1);
        if (opens) {
            QCOMPARE(f.w().CurrentFile(), path);
            QCOMPARE(f.edit().Text(), QStringLiteral("#X\r\nx"));
            return;
        }
        QCOMPARE(f.desktop.boxes.front().box.text,
                 QStringLiteral("This file's name is not valid UTF-8 text, so the editor cannot "
                                "open it. Rename it and try again.\r\n") +
                     path);
        COMPARE_SNAPSHOT(Snapshot::of(f), before);
    }

    // A save that the editor could not open again is refused before anything is written; at the
    // limit it is written.
    void documentTooLargeToOpenAgainIsNotWritten_data()
    {
        QTest::addColumn<bool>("saveAs");
        QTest::addColumn<qint64>("over"); // bytes over the limit
        QTest::newRow("Save, one byte over") << false << qint64(1);
        QTest::newRow("Save As, one byte over") << true << qint64(1);
        QTest::newRow("Save, at the limit") << false << qint64(0);
    }
    void documentTooLargeToOpenAgainIsNotWritten()
    {
        QFETCH(bool, saveAs);
        QFETCH(qint64, over);
        WindowFixture f;
        frmMain& w = f.w();
        const QString a = f.open(kFile, "A.hlp");
        // Lines of a thousand characters, one colour run over all of them.
        auto oneRun = [](std::u16string text) {
            const std::size_t size = text.size();
            return skyrend::ColoredText{std::move(text),
                                        {{size, skyrend::ColorValues[skyrend::Green]}}};
        };
        const std::u16string head = u"#Big\r\n", line = std::u16string(998, u'a') + u"\r\n";
        const std::size_t wanted = skyrend::kMaxHelpFileBytes + std::size_t(over);
        const std::size_t length =
            wanted - (skyrend::planSave(oneRun(head + u'a')).bytes.size() - head.size() - 1);
        std::u16string text = head;
        text.reserve(length);
        while (text.size() + line.size() <= length)
            text += line;
        text.resize(length, u'a');
        {
            const skyrend::ColoredText doc = oneRun(std::move(text));
            RichTextBox::ColoredLoad load(f.edit(), doc);
            while (!load.done())
                load.colorUntil(QDeadlineTimer(QDeadlineTimer::Forever));
        }
        QCOMPARE(skyrend::planSave(f.edit().coloredText()).bytes.size(), wanted);
        w.setDirty(true); // edited, whatever the fill left
        const QStringList files = filesIn(f);
        const QString target = saveAs ? f.path("big.hlp") : a;
        if (saveAs)
            f.desktop.answerDialog(target);
        if (over > 0)
            f.desktop.answer(Button::Ok);

        QCOMPARE(saveAs ? w.menu_SaveAs_Click() : w.menu_Save_Click(), over == 0);
        VERIFY_NO_UNEXPECTED_BOXES(f);
        QCOMPARE(f.desktop.boxes.size(), over > 0 ? 1 : 0);
        if (over == 0) {
            QCOMPARE(QFileInfo(target).size(), qint64(wanted));
            QCOMPARE(w.IsDirty(), quint8(0));
            return;
        }
        const platform::MessageBox& box = f.desktop.boxes.front().box;
        QCOMPARE(box.title, QStringLiteral("Save Failed"));
        QCOMPARE(box.text, QStringLiteral("This document is too large for a help file (65 MiB; the "
                                          "editor opens files of up to 64 MiB). Nothing was "
                                          "saved."));
        QCOMPARE(fileBytes(a), kFile);
        QCOMPARE(filesIn(f), files);
        QCOMPARE(w.CurrentFile(), a);
        QCOMPARE(w.IsDirty(), quint8(1));
        QVERIFY(w.lblCaption->text().endsWith("NOT saved."));
    }

    // File, Reload: there only for a document with a file; asks when there are edits (No keeps
    // them), reads the file again otherwise.
    void reload_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("answer");      // -1: no question
        QTest::addColumn<QString>("outcome"); // "no reload", "enabled", "kept" or "read again"
        QTest::newRow("untitled at start") << "start" << -1 << "no reload";
        QTest::newRow("untitled, edited") << "start, edited" << -1 << "no reload";
        QTest::newRow("New after a file") << "open, New" << -1 << "no reload";
        QTest::newRow("untitled, saved under a name") << "save as" << -1 << "enabled";
        QTest::newRow("not edited: read again without a question") << "open" << -1 << "read again";
        QTest::newRow("edited, No keeps the edits") << "open, edited" << int(Button::No) << "kept";
        QTest::newRow("edited, Yes reads the file again")
            << "open, edited" << int(Button::Yes) << "read again";
    }
    void reload()
    {
        QFETCH(QString, state);
        QFETCH(int, answer);
        QFETCH(QString, outcome);
        WindowFixture f;
        frmMain& w = f.w();
        auto* guard = guardOf(f);
        if (state.startsWith("open"))
            f.open(kFile);
        if (state == "open, New")
            w.menu_New_Click();
        if (state.endsWith("edited") || state == "save as")
            typeAtEnd(f, state == "open, edited" ? " mine" : "#typed");
        if (state == "save as") {
            f.desktop.answerDialog(f.path("saved.hlp"));
            QVERIFY(w.menu_SaveAs_Click());
        }
        QCOMPARE(w.menu_Reload->isEnabled(), outcome != "no reload");
        if (outcome == "enabled")
            return;
        if (state == "open, edited")
            QTRY_VERIFY(copyOnDisk(f));
        const QString path = w.CurrentFile(), text = w.rEdit->Text(), title = w.windowTitle();
        const quint8 dirty = w.IsDirty();
        const QString copy = guard->currentCopy();
        const bool hadCopy = QFile::exists(copy), readAgain = outcome == "read again";
        // Another program's version, read by a reload (its watch sees the same file afterwards).
        if (readAgain)
            f.writeFile("Commands.hlp", "#A\r\n%Rtheirs\r\n");
        if (answer >= 0)
            f.desktop.answer(Button(answer));
        if (outcome == "no reload")
            QVERIFY(!w.session().reload());
        else
            w.menu_Reload->trigger();

        VERIFY_NO_UNEXPECTED_BOXES(f);
        QVERIFY(f.desktop.allAnswersUsed());
        QCOMPARE(f.desktop.boxes.size(), answer >= 0 ? 1 : 0);
        if (answer >= 0) {
            const platform::MessageBox& box = f.desktop.boxes.front().box;
            QCOMPARE(box.title, QStringLiteral("Reload"));
            QCOMPARE(box.buttons, platform::Buttons::YesNo);
            QCOMPARE(box.defaultButton, std::optional(Button::No));
            VERIFY_CONTAINS(box.text, path);
        }
        QCOMPARE(w.CurrentFile(), path);
        QCOMPARE(w.rEdit->Text(), readAgain ? QStringLiteral("#A\r\ntheirs") : text);
        QCOMPARE(w.IsDirty(), readAgain ? quint8(0) : dirty);
        QCOMPARE(w.windowTitle(), readAgain ? plainTitle(w, "Commands.hlp") : title);
        QCOMPARE(QFile::exists(copy), hadCopy && !readAgain);
        if (!readAgain) {
            QCOMPARE(fileBytes(path), path.isEmpty() ? QByteArray("<absent>") : kFile);
            return;
        }
        QVERIFY(colorLetters(f.colors()).contains("RRRRRR"));
        QVERIFY(!w.menu_Save->isEnabled());
        QVERIFY(guard->store().files().isEmpty());
    }

    // The recovery folder cannot be made (a file has its name): a box once per document, and
    // the status line at every try.
    void recoveryFolderThatCannotBeWritten_data()
    {
        QTest::addColumn<bool>("withFile");
        QTest::addColumn<QString>("then"); // "", "save" or "new"
        QTest::addColumn<int>("boxes");    // "Recover Unsaved Changes" boxes in all
        QTest::newRow("untitled") << false << "" << 1;
        QTest::newRow("a file") << true << "" << 1;
        QTest::newRow("a file, saved and edited again") << true << "save" << 1;
        QTest::newRow("a file, then New") << true << "new" << 2;
    }
    void recoveryFolderThatCannotBeWritten()
    {
        QFETCH(bool, withFile);
        QFETCH(QString, then);
        QFETCH(int, boxes);
        WindowFixture f;
        frmMain& w = f.w();
        const QString folder = guardOf(f)->store().folder();
        QVERIFY(!QFileInfo::exists(folder));
        QVERIFY(QFile(folder).open(QIODevice::WriteOnly));
        if (withFile)
            f.open(kFile);
        const QString said = "The recovery copy of your unsaved changes cannot be written in " +
                             QDir::toNativeSeparators(folder);
        auto recoveryBoxes = [&] {
            return std::count_if(f.desktop.boxes.begin(), f.desktop.boxes.end(), [](auto& shown) {
                return shown.box.title == QStringLiteral("Recover Unsaved Changes");
            });
        };

        f.desktop.answer(Button::Ok);
        typeAtEnd(f, "a");
        QTRY_COMPARE(recoveryBoxes(), 1);
        const platform::MessageBox& box = f.desktop.boxes.last().box;
        QCOMPARE(box.icon, platform::Icon::Warning);
        VERIFY_CONTAINS(box.text, QDir::toNativeSeparators(folder));
        QTRY_VERIFY2(w.lblCaption->text().startsWith(said), qPrintable(w.lblCaption->text()));
        if (then == "save") {
            QVERIFY(w.menu_Save_Click());
            QCOMPARE(w.IsDirty(), quint8(0));
        } else if (then == "new") {
            f.desktop.answer(Button::No); // drop the edits
            w.menu_New_Click();
            f.desktop.answer(Button::Ok);
        }
        for (int i = 0; i < 3; ++i) {
            w.lblCaption->setText(QString());
            typeAtEnd(f, "b");
            QTRY_VERIFY2(w.lblCaption->text().startsWith(said), qPrintable(w.lblCaption->text()));
        }
        VERIFY_NO_UNEXPECTED_BOXES(f);
        QVERIFY(f.desktop.allAnswersUsed());
        QCOMPARE(recoveryBoxes(), boxes);
        QVERIFY(QFileInfo(folder).isFile());
        w.setDirty(false); // no question at the end
    }
};

QTEST_MAIN(tst_DocumentSession)
#include "tst_documentsession.moc"
