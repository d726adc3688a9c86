// The document session through the main window: a save keeps the document as it was until its
// bytes are on disk, a kept change on disk leaves it edited, the recovery copy holds what is shown,
// a save keeps the file what it was, what an open says, Reload, and a recovery folder that cannot
// be written.

#include "../files/FilesTestSupport.h"

#include "document/FileLimits.h"
#include "document/SavePlan.h"
#include "safety/DiskWatcher.h"
#include "safety/RecoveryGuard.h"

#include <QDir>
#include <QSaveFile>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace files_test;
using platform::Button;
using platform::Buttons;
using platform::Icon;
using safety::RecoveryStore;

namespace {

const QByteArray kFile = "#A\r\nalpha\r\n";
// As the box shows it: the closing line break is the file's end of text.
const QString kFileText = QStringLiteral("#A\r\nalpha");
const QString kRecoveryTitle = QStringLiteral("Recover Unsaved Changes");

safety::RecoveryGuard* guardOf(WindowFixture& f)
{
    auto* guard = f.w().findChild<safety::RecoveryGuard*>();
    if (guard)
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
    struct stat st {};
    if (::lstat(encoded(path).constData(), &st) != 0)
        st.st_mode = 0;
    return st;
}

// Holds a FIFO open for reading without blocking: a writer that opens it never hangs, and what it
// wrote can be seen.
class FifoReader {
public:
    explicit FifoReader(const QString& path)
        : fd_(::open(encoded(path).constData(), O_RDONLY | O_NONBLOCK))
    {
    }
    ~FifoReader()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FifoReader(const FifoReader&) = delete;
    FifoReader& operator=(const FifoReader&) = delete;
    bool isOpen() const { return fd_ >= 0; }
    QByteArray received() const
    {
        QByteArray out;
        char buffer[4096];
        ssize_t got;
        while ((got = ::read(fd_, buffer, sizeof buffer)) > 0)
            out.append(buffer, qsizetype(got));
        return out;
    }

private:
    int fd_;
};

void compareQuestion(const platform::MessageBox& box)
{
    QCOMPARE(box.text, QStringLiteral("You have edited this file since last save, save?"));
    QCOMPARE(box.title, QStringLiteral("Save?"));
    QCOMPARE(box.buttons, Buttons::YesNoCancel);
}

// Undoes every step there is, as the user would with Ctrl+Z.
void undoAll(WindowFixture& f)
{
    f.edit().setFocus();
    for (int i = 0; i < 100 && f.edit().document()->isUndoAvailable(); ++i)
        QTest::keyClick(f.w().rEdit, Qt::Key_Z, Qt::ControlModifier);
}

// Makes the edit a row names: "no header" takes the "#" off the first line; "visible %R" puts a
// "%" before a typed "R" (which stays text: the tag is made only by typing the letter after the
// "%"); anything else is typed at the end.
void makeEdit(WindowFixture& f, const QString& edit)
{
    if (edit == QLatin1String("no header")) {
        f.edit().setFocus();
        f.edit().setSelStart(0);
        QTest::keyClick(f.w().rEdit, Qt::Key_Delete);
    } else if (edit == QLatin1String("visible %R")) {
        typeAtEnd(f, QStringLiteral("R"));
        QTest::keyClick(f.w().rEdit, Qt::Key_Left);
        f.type(QStringLiteral("%"));
    } else {
        typeAtEnd(f, edit);
    }
}

// The window's files as they are on disk (the recovery folder and config.ini aside).
QStringList filesIn(WindowFixture& f)
{
    QStringList names =
        QDir(f.dir.path())
            .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    names.removeAll(QStringLiteral("recovery"));
    names.removeAll(QStringLiteral("config.ini"));
    return names;
}

bool activate(QWidget& w)
{
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

// A second window in the same folders, as the editor started again.
void restartWindow(WindowFixture& f)
{
    f.window.reset(); // as a killed editor goes: its copy stays
    f.window = std::make_unique<frmMain>(f.desktop, f.dir.path());
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    guardOf(f);
}

// `text` in one run of Green.
skyrend::ColoredText oneRun(const QString& text)
{
    return {text.toStdU16String(),
            {{std::size_t(text.size()), skyrend::ColorValues[skyrend::Green]}}};
}

void fillBox(WindowFixture& f, const skyrend::ColoredText& doc)
{
    RichTextBox::ColoredLoad load(f.edit(), doc);
    while (!load.done())
        load.colorUntil(QDeadlineTimer(QDeadlineTimer::Forever));
}

} // namespace

class tst_DocumentSession : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }

    // While a save's boxes are open the document is the old one, edited, with its recovery
    // copy; a save that writes nothing leaves it so, and undo still finds the file's text.
    void saveKeepsTheDocumentUntilWritten_data()
    {
        QTest::addColumn<bool>("saveAs");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("target"); // Save As: "new", "missing folder" or "fifo"
        QTest::addColumn<QList<Button>>("answers");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<bool>("written");
        using L = QList<Button>;
        const QString info = QStringLiteral("Information"), warning = QStringLiteral("Warning"),
                      failed = QStringLiteral("Save Failed");
        QTest::newRow("Save As, no header line, written")
            << true << "no header"
            << "new" << L{Button::Ok} << QStringList{info} << true;
        QTest::newRow("Save As, no header line, folder missing")
            << true << "no header"
            << "missing folder" << L{Button::Ok, Button::Ok} << QStringList{info, failed} << false;
        QTest::newRow("Save As, visible %R, No")
            << true << "visible %R"
            << "new" << L{Button::No} << QStringList{warning} << false;
        QTest::newRow("Save As, %%, No") << true << "%%"
                                         << "new" << L{Button::No} << QStringList{warning} << false;
        QTest::newRow("Save As, %%, Yes")
            << true << "%%"
            << "new" << L{Button::Yes} << QStringList{warning} << true;
        QTest::newRow("Save As, folder missing")
            << true << "zz"
            << "missing folder" << L{Button::Ok} << QStringList{failed} << false;
        QTest::newRow("Save As, a FIFO") << true << "zz"
                                         << "fifo" << L{Button::Ok} << QStringList{failed} << false;
        QTest::newRow("Save As, no header line, a FIFO")
            << true << "no header"
            << "fifo" << L{Button::Ok, Button::Ok} << QStringList{info, failed} << false;
        QTest::newRow("Save, no header line, written")
            << false << "no header"
            << "" << L{Button::Ok} << QStringList{info} << true;
        QTest::newRow("Save, visible %R, No")
            << false << "visible %R"
            << "" << L{Button::No} << QStringList{warning} << false;
    }
    void saveKeepsTheDocumentUntilWritten()
    {
        QFETCH(bool, saveAs);
        QFETCH(QString, edit);
        QFETCH(QString, target);
        QFETCH(QList<Button>, answers);
        QFETCH(QStringList, titles);
        QFETCH(bool, written);

        WindowFixture f;
        frmMain& w = f.w();
        auto* guard = guardOf(f);
        QVERIFY(guard);
        const QString a = f.open(kFile, QStringLiteral("A.hlp"));
        makeEdit(f, edit);
        const QString edited = w.rEdit->Text();
        QVERIFY(edited != kFileText);
        QCOMPARE(w.IsDirty(), quint8(1));
        QTRY_VERIFY(copyOnDisk(f));
        const QString copy = guard->currentCopy();

        QString path = a;
        std::unique_ptr<FifoReader> fifo;
        if (saveAs) {
            if (target == QLatin1String("new")) {
                path = f.path(QStringLiteral("new.hlp"));
            } else if (target == QLatin1String("missing folder")) {
                path = f.path(QStringLiteral("missing/new.hlp"));
            } else {
                path = f.path(QStringLiteral("pipe.hlp"));
                QCOMPARE(::mkfifo(encoded(path).constData(), 0600), 0);
                fifo = std::make_unique<FifoReader>(path);
                QVERIFY(fifo->isOpen());
            }
            f.desktop.answerDialog(path);
        }

        struct Seen {
            QString box;
            QString windowTitle;
            QString currentFile;
            quint8 dirty;
            bool copyOnDisk;
            QString copy;
        };
        QList<Seen> seen;
        f.desktop.onBox = [&](const platform::MessageBox& box) {
            seen.append({box.title, w.windowTitle(), w.CurrentFile(), w.IsDirty(), copyOnDisk(f),
                         guard->currentCopy()});
        };
        for (Button answer : answers)
            f.desktop.answer(answer);
        const bool result = saveAs ? w.menu_SaveAs_Click() : w.menu_Save_Click();
        f.desktop.onBox = nullptr;

        VERIFY_NO_UNEXPECTED_BOXES(f);
        QVERIFY(f.desktop.allAnswersUsed());
        QCOMPARE(result, written);
        QStringList shownTitles;
        for (const Seen& s : seen)
            shownTitles << s.box;
        QCOMPARE(shownTitles, titles);
        for (const Seen& s : seen) {
            // The old name, edited, with its copy: nothing is on disk yet.
            QCOMPARE(s.windowTitle, editedTitle(w, QStringLiteral("A.hlp")));
            QCOMPARE(s.currentFile, a);
            QCOMPARE(s.dirty, quint8(1));
            QVERIFY2(s.copyOnDisk, qPrintable(s.box));
            QCOMPARE(s.copy, copy);
        }
        if (fifo)
            QCOMPARE(fifo->received(), QByteArray());
        QCOMPARE(w.rEdit->Text(), edited);

        if (written) {
            QCOMPARE(w.CurrentFile(), path);
            QCOMPARE(w.DocTitle(), QFileInfo(path).fileName());
            QCOMPARE(w.IsDirty(), quint8(0));
            QCOMPARE(w.windowTitle(), plainTitle(w, QFileInfo(path).fileName()));
            QVERIFY(!QFile::exists(copy));
            // The document as it is shown, no older state of it.
            QCOMPARE(fileBytes(path),
                     QByteArray::fromStdString(skyrend::planSave(f.edit().coloredText()).bytes));
            if (path != a)
                QCOMPARE(fileBytes(a), kFile);
            return;
        }

        QCOMPARE(w.CurrentFile(), a);
        QCOMPARE(w.DocTitle(), QStringLiteral("A.hlp"));
        QCOMPARE(w.IsDirty(), quint8(1));
        QCOMPARE(w.windowTitle(), editedTitle(w, QStringLiteral("A.hlp")));
        QVERIFY(w.menu_Save->isEnabled());
        QVERIFY(w.lblCaption->text().endsWith(QLatin1String("NOT saved.")));
        QCOMPARE(guard->currentCopy(), copy);
        QVERIFY(QFile::exists(copy));
        QCOMPARE(fileBytes(a), kFile);
        if (target == QLatin1String("fifo"))
            QVERIFY(S_ISFIFO(lstatOf(path).st_mode));
        else if (saveAs)
            QVERIFY(!QFileInfo::exists(path));
        auto* watcher = w.findChild<safety::DiskWatcher*>();
        QVERIFY(watcher);
        QCOMPARE(watcher->trackedFile(), QFileInfo(a).absoluteFilePath());

        // The undo history still knows where the text is the file's.
        undoAll(f);
        QCOMPARE(w.rEdit->Text(), kFileText);
        QCOMPARE(w.IsDirty(), quint8(0));
        QCOMPARE(w.windowTitle(), plainTitle(w, QStringLiteral("A.hlp")));
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
        QVERIFY(activate(w));
        const QString path = f.open(kFile);
        if (edited)
            typeAtEnd(f, QStringLiteral("x"));
        const QByteArray theirs = "#A\r\ntheir text\r\n";
        if (how == QLatin1String("delete")) {
            f.desktop.answer(Button::Ok);
            QVERIFY(QFile::remove(path));
        } else {
            f.desktop.answer(Button::No); // Keep
            if (how == QLatin1String("replace")) {
                QSaveFile out(path);
                QVERIFY(out.open(QIODevice::WriteOnly));
                out.write(theirs);
                QVERIFY(out.commit());
            } else {
                QFile out(path);
                QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
                QCOMPARE(out.write(theirs), theirs.size());
            }
        }
        QTRY_COMPARE(f.desktop.boxes.size(), 1);
        QCOMPARE(f.desktop.boxes.front().box.title, QStringLiteral("File Changed"));

        QCOMPARE(w.IsDirty(), quint8(1));
        QVERIFY(w.menu_Save->isEnabled());
        QCOMPARE(w.windowTitle(), editedTitle(w, QStringLiteral("Commands.hlp")));
        // Undo back to the text that was read does not make it the file's again.
        undoAll(f);
        QCOMPARE(w.rEdit->Text(), kFileText);
        QCOMPARE(w.IsDirty(), quint8(1));
        QVERIFY(w.menu_Save->isEnabled());

        f.desktop.answer(Button::Cancel);
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        QCOMPARE(f.desktop.boxes.size(), 2);
        compareQuestion(f.desktop.boxes.last().box);
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // The copy is the document as shown, tags and colours a file cannot hold included; restored,
    // it is that again, and its save warns about what the file will not keep.
    void recoveryCopyHoldsWhatIsShown_data()
    {
        QTest::addColumn<bool>("untitled");
        QTest::addColumn<QString>("when"); // "start" or "open"
        QTest::newRow("untitled, offered at start") << true << "start";
        QTest::newRow("a file, offered at start") << false << "start";
        QTest::newRow("a file, offered when opened") << false << "open";
    }
    void recoveryCopyHoldsWhatIsShown()
    {
        QFETCH(bool, untitled);
        QFETCH(QString, when);
        WindowFixture f;
        QString path;
        if (!untitled)
            path = f.open(kFile);
        // A visible "%Y" and "%%", two characters outside Windows-1252 (one a surrogate pair),
        // and a colour outside the palette ('?'); then a line typed below them (an edit
        // recolours the lines it touches as a save would, so it keeps off theirs).
        const QString text =
            QString::fromUtf8("#Rules\r\nsee %Ytext 100%% \u0101\U0001F600 end\r\nlast");
        const QString letters = QStringLiteral("GGGGGGGG") + QStringLiteral("RRRR") +
                                QStringLiteral("YYYYYY") + QStringLiteral("??????????") +
                                QStringLiteral("PPPP") + QStringLiteral("PP") +
                                QStringLiteral("WWWW");
        f.fill(text, letters, QString());
        typeAtEnd(f, QStringLiteral("!"));
        const skyrend::ColoredText shown = f.edit().coloredText();
        const QString shownText = f.edit().Text();
        QVERIFY2(shownText.contains(QLatin1String("%Ytext 100%%")), qPrintable(shownText));
        QVERIFY(colorLetters(f.colors()).contains(QLatin1Char('?')));
        QVERIFY(colorLetters(f.colors()).contains(QLatin1Char('Y')));

        auto* guard = guardOf(f);
        QTRY_VERIFY(copyOnDisk(f));
        const QString copy = guard->currentCopy();
        QTRY_VERIFY(RecoveryStore::read(copy).copy &&
                    RecoveryStore::read(copy).copy->doc == f.edit().coloredText());

        restartWindow(f);
        if (QTest::currentTestFailed())
            return;
        f.desktop.answer(Button::Yes);
        if (when == QLatin1String("start"))
            f.w().recoverAtStart();
        else
            f.w().OpenFile(path);
        VERIFY_NO_UNEXPECTED_BOXES(f);
        QCOMPARE(f.desktop.boxes.size(), 1);
        QCOMPARE(f.desktop.boxes.front().box.title, kRecoveryTitle);
        QVERIFY(f.edit().coloredText() == shown);
        QCOMPARE(f.edit().Text(), shownText);
        QCOMPARE(f.w().CurrentFile(), path);
        QCOMPARE(f.w().IsDirty(), quint8(1));
        QVERIFY(f.w().windowTitle().endsWith(QLatin1String("*]")));

        // Its save: first the characters no byte holds, then, without them, the warning about
        // "%Y" and "%%". Nothing is written.
        const QString target = untitled ? f.path(QStringLiteral("saved.hlp")) : path;
        f.desktop.clear();
        if (untitled)
            f.desktop.answerDialog(target);
        f.desktop.answer(Button::Ok);
        QVERIFY(!f.w().menu_Save_Click());
        QCOMPARE(f.desktop.boxes.size(), 1);
        const platform::MessageBox& refused = f.desktop.boxes.front().box;
        QCOMPARE(refused.title, QStringLiteral("Save Failed"));
        QVERIFY2(refused.text.contains(QString::fromUtf8("\u0101")), qPrintable(refused.text));
        QVERIFY2(refused.text.contains(QLatin1String("cannot be written to a help file")),
                 qPrintable(refused.text));

        const qsizetype at = f.edit().Text().indexOf(QString::fromUtf8("\u0101"));
        QVERIFY(at > 0);
        f.edit().setFocus();
        f.edit().setSelStart(at);
        f.edit().setSelLength(3); // "ā" and the pair of surrogates
        QTest::keyClick(f.w().rEdit, Qt::Key_Delete);
        QVERIFY(f.edit().Text().contains(QLatin1String("100%%  end")));

        if (untitled)
            f.desktop.answerDialog(target);
        f.desktop.answer(Button::No);
        QVERIFY(!f.w().menu_Save_Click());
        QCOMPARE(f.desktop.boxes.size(), 2);
        const platform::MessageBox& warning = f.desktop.boxes.last().box;
        QCOMPARE(warning.title, QStringLiteral("Warning"));
        QVERIFY2(warning.text.contains(QLatin1String("\"%Y\" is read as a colour tag")),
                 qPrintable(warning.text));
        QVERIFY2(warning.text.contains(QLatin1String("the first \"%\" of \"%%\" is dropped")),
                 qPrintable(warning.text));
        if (untitled)
            QVERIFY(!QFileInfo::exists(target));
        else
            QCOMPARE(fileBytes(path), kFile);
        QCOMPARE(f.w().IsDirty(), quint8(1));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // What is no regular file is refused by Save, says what it is, and stays as it was.
    void saveRefusesWhatIsNoRegularFile_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("said"); // "%1": the folder
        QTest::newRow("a FIFO") << "fifo"
                                << "It is a FIFO (named pipe), not a regular file";
        QTest::newRow("a device") << "device"
                                  << "It is a device, not a regular file";
        QTest::newRow("a link to a FIFO") << "link to fifo"
                                          << "It links to '%1/node', which is a FIFO (named pipe)";
    }
    void saveRefusesWhatIsNoRegularFile()
    {
        QFETCH(QString, node);
        QFETCH(QString, said);
        WindowFixture f;
        frmMain& w = f.w();
        const QString path = f.path(QStringLiteral("doc.hlp"));
        const QString made =
            node == QLatin1String("link to fifo") ? f.path(QStringLiteral("node")) : path;
        if (node == QLatin1String("device")) {
            if (::mknod(encoded(made).constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
                QSKIP(qPrintable(QStringLiteral("mknod is not permitted here: ") +
                                 QString::fromLocal8Bit(std::strerror(errno))));
        } else {
            QCOMPARE(::mkfifo(encoded(made).constData(), 0600), 0);
        }
        if (made != path)
            QCOMPARE(::symlink(encoded(made).constData(), encoded(path).constData()), 0);
        std::unique_ptr<FifoReader> fifo;
        if (node != QLatin1String("device")) {
            fifo = std::make_unique<FifoReader>(made);
            QVERIFY(fifo->isOpen());
        }
        const struct stat before = lstatOf(made);
        const QStringList files = filesIn(f);

        f.fill(QStringLiteral("#A\r\nmine"), QStringLiteral("GGGGRRRR"));
        typeAtEnd(f, QStringLiteral("!"));
        QCOMPARE(w.CurrentFile(), path);
        f.desktop.answer(Button::Ok);
        QVERIFY(!w.menu_Save_Click());

        QCOMPARE(f.desktop.boxes.size(), 1);
        const platform::MessageBox& box = f.desktop.boxes.front().box;
        QCOMPARE(box.title, QStringLiteral("Save Failed"));
        QCOMPARE(box.icon, Icon::Critical);
        QVERIFY2(box.text.startsWith(QStringLiteral("Could not save the file.\r\n") + path),
                 qPrintable(box.text));
        if (said.contains(QLatin1String("%1")))
            said = said.arg(f.dir.path());
        QVERIFY2(box.text.contains(said), qPrintable(box.text));
        QVERIFY2(box.text.contains(QLatin1String("nothing was written")), qPrintable(box.text));
        const struct stat after = lstatOf(made);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_rdev, before.st_rdev);
        if (made != path)
            QVERIFY(S_ISLNK(lstatOf(path).st_mode));
        if (fifo)
            QCOMPARE(fifo->received(), QByteArray());
        QCOMPARE(filesIn(f), files); // no file of the write left behind
        QCOMPARE(w.IsDirty(), quint8(1));
        QCOMPARE(w.windowTitle(), editedTitle(w, QStringLiteral("doc.hlp")));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // A regular file stays the file it was: its mode, its other names, its owner and group.
    void saveKeepsTheFileWhatItWas_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("mode 0640") << "mode 0640";
        QTest::newRow("mode 0604") << "mode 0604";
        QTest::newRow("a hard link") << "hard link";
        QTest::newRow("owner and group") << "owner";
    }
    void saveKeepsTheFileWhatItWas()
    {
        QFETCH(QString, what);
        WindowFixture f;
        frmMain& w = f.w();
        const QString path = f.writeFile(QStringLiteral("A.hlp"), kFile);
        const QString other = f.path(QStringLiteral("other name.hlp"));
        if (what.startsWith(QLatin1String("mode "))) {
            const mode_t mode = mode_t(what.mid(5).toUInt(nullptr, 8));
            QCOMPARE(::chmod(encoded(path).constData(), mode), 0);
        } else if (what == QLatin1String("hard link")) {
            QCOMPARE(::link(encoded(path).constData(), encoded(other).constData()), 0);
        } else {
            if (::geteuid() != 0)
                QSKIP("only root can give a file to another owner");
            QCOMPARE(::chown(encoded(path).constData(), 65534, 65534), 0);
        }
        const struct stat before = lstatOf(path);
        w.OpenFile(path);
        typeAtEnd(f, QStringLiteral(" more"));
        QVERIFY(w.menu_Save_Click());
        VERIFY_NO_UNEXPECTED_BOXES(f);

        const QByteArray bytes = fileBytes(path);
        QVERIFY2(bytes.contains("alpha more"), bytes.constData());
        const struct stat after = lstatOf(path);
        QVERIFY(S_ISREG(after.st_mode));
        QCOMPARE(after.st_mode & 07777, before.st_mode & 07777);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        QCOMPARE(after.st_nlink, before.st_nlink);
        if (what == QLatin1String("hard link")) {
            QCOMPARE(fileBytes(other), bytes);
            QCOMPARE(lstatOf(other).st_ino, after.st_ino);
            QCOMPARE(after.st_ino, before.st_ino);
        }
        QCOMPARE(w.IsDirty(), quint8(0));
        QCOMPARE(w.windowTitle(), plainTitle(w, QStringLiteral("A.hlp")));
    }

    // A name Qt could not take from the system as it is (it holds U+FFFD in its place) is said
    // to be one; a name that really holds U+FFFD opens.
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
        frmMain& w = f.w();
        const QByteArray bytes = encoded(f.dir.path()) + '/' + onDisk;
        {
            const int fd = ::open(bytes.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            QVERIFY(fd >= 0);
            QCOMPARE(::write(fd, "#X\r\nx", 5), ssize_t(5));
            ::close(fd);
        }
        // QTemporaryDir cannot remove a name it cannot decode.
        const auto removeIt = qScopeGuard([&] { ::unlink(bytes.constData()); });
        const QString path = QFile::decodeName(bytes);
        QVERIFY(path.contains(QChar::ReplacementCharacter));
        f.open("#Before\r\n%Rred text");
        typeAtEnd(f, QStringLiteral("!"));
        f.desktop.clear();
        const Snapshot before = Snapshot::of(f);

        if (!opens)
            f.desktop.answer(Button::Ok);
        w.OpenFile(path);
        VERIFY_NO_UNEXPECTED_BOXES(f);
        if (opens) {
            QVERIFY(f.desktop.boxes.isEmpty());
            QCOMPARE(w.CurrentFile(), path);
            QCOMPARE(w.rEdit->Text(), QStringLiteral("#X\r\nx"));
            return;
        }
        QCOMPARE(f.desktop.boxes.size(), 1);
        const platform::MessageBox& box = f.desktop.boxes.front().box;
        QCOMPARE(box.title, QStringLiteral("can not open"));
        QCOMPARE(box.icon, Icon::Critical);
        QCOMPARE(box.text, QStringLiteral("This file's name is not valid UTF-8 text, so the editor "
                                          "cannot open it. Rename it and try again.\r\n") +
                               path);
        COMPARE_SNAPSHOT(Snapshot::of(f), before);
        QCOMPARE(w.windowTitle(), editedTitle(w, QStringLiteral("Commands.hlp")));
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
        const QString a = f.open(kFile, QStringLiteral("A.hlp"));
        const QString head = QStringLiteral("#Big\r\n");
        const std::size_t overhead =
            skyrend::planSave(oneRun(head + QLatin1Char('a'))).bytes.size() -
            std::size_t(head.size() + 1);
        const std::size_t wanted = skyrend::kMaxHelpFileBytes + std::size_t(over);
        // Lines of a thousand characters, one colour run over all of them.
        QString text = head;
        text.reserve(qsizetype(wanted));
        const QString line = QString(998, QLatin1Char('a')) + QStringLiteral("\r\n");
        const qsizetype length = qsizetype(wanted - overhead);
        while (text.size() + line.size() <= length)
            text += line;
        text += QString(length - text.size(), QLatin1Char('a'));
        const skyrend::ColoredText doc = oneRun(text);
        text.clear();
        fillBox(f, doc);
        QCOMPARE(skyrend::planSave(f.edit().coloredText()).bytes.size(), wanted);
        w.setDirty(true); // edited, whatever the fill left
        const QStringList files = filesIn(f);
        const QString target = saveAs ? f.path(QStringLiteral("big.hlp")) : a;
        if (saveAs)
            f.desktop.answerDialog(target);

        if (over == 0) {
            QVERIFY(saveAs ? w.menu_SaveAs_Click() : w.menu_Save_Click());
            VERIFY_NO_UNEXPECTED_BOXES(f);
            QCOMPARE(QFileInfo(target).size(), qint64(wanted));
            QCOMPARE(w.IsDirty(), quint8(0));
            return;
        }
        f.desktop.answer(Button::Ok);
        QVERIFY(!(saveAs ? w.menu_SaveAs_Click() : w.menu_Save_Click()));
        VERIFY_NO_UNEXPECTED_BOXES(f);
        QCOMPARE(f.desktop.boxes.size(), 1);
        const platform::MessageBox& box = f.desktop.boxes.front().box;
        QCOMPARE(box.title, QStringLiteral("Save Failed"));
        QCOMPARE(box.text, QStringLiteral("This document is too large for a help file (65 MiB; the "
                                          "editor opens files of up to 64 MiB). Nothing was "
                                          "saved."));
        QCOMPARE(fileBytes(a), kFile);
        QCOMPARE(filesIn(f), files);
        QCOMPARE(w.CurrentFile(), a);
        QCOMPARE(w.IsDirty(), quint8(1));
        QVERIFY(w.lblCaption->text().endsWith(QLatin1String("NOT saved.")));
    }

    // File, Reload: asks when there are edits (No keeps them), reads the file again otherwise.
    void reload_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<int>("answer"); // -1: no question
        QTest::addColumn<bool>("readAgain");
        QTest::newRow("not edited: read again without a question") << false << -1 << true;
        QTest::newRow("edited, No keeps the edits") << true << int(Button::No) << false;
        QTest::newRow("edited, Yes reads the file again") << true << int(Button::Yes) << true;
    }
    void reload()
    {
        QFETCH(bool, edited);
        QFETCH(int, answer);
        QFETCH(bool, readAgain);
        WindowFixture f;
        frmMain& w = f.w();
        auto* guard = guardOf(f);
        const QString path = f.open(kFile);
        QVERIFY(w.menu_Reload->isEnabled());
        if (edited) {
            typeAtEnd(f, QStringLiteral(" mine"));
            QTRY_VERIFY(copyOnDisk(f));
        }
        const QString text = w.rEdit->Text();
        const QString copy = guard->currentCopy();
        // Another program's version, read by a reload (its watch sees the same file afterwards).
        const QByteArray theirs = "#A\r\n%Rtheirs\r\n";
        if (readAgain)
            f.writeFile(QStringLiteral("Commands.hlp"), theirs);
        if (answer >= 0)
            f.desktop.answer(Button(answer));
        w.menu_Reload->trigger();

        VERIFY_NO_UNEXPECTED_BOXES(f);
        QVERIFY(f.desktop.allAnswersUsed());
        QCOMPARE(f.desktop.boxes.size(), answer >= 0 ? 1 : 0);
        if (answer >= 0) {
            const platform::MessageBox& box = f.desktop.boxes.front().box;
            QCOMPARE(box.title, QStringLiteral("Reload"));
            QCOMPARE(box.buttons, Buttons::YesNo);
            QCOMPARE(box.defaultButton, std::optional(Button::No));
            QVERIFY2(box.text.contains(path), qPrintable(box.text));
        }
        QCOMPARE(w.CurrentFile(), path);
        if (readAgain) {
            QCOMPARE(w.rEdit->Text(), QStringLiteral("#A\r\ntheirs"));
            QVERIFY(colorLetters(f.colors()).contains(QStringLiteral("RRRRRR")));
            QCOMPARE(w.IsDirty(), quint8(0));
            QCOMPARE(w.windowTitle(), plainTitle(w, QStringLiteral("Commands.hlp")));
            QVERIFY(!w.menu_Save->isEnabled());
            if (!copy.isEmpty())
                QVERIFY(!QFile::exists(copy));
            QVERIFY(guard->store().files().isEmpty());
        } else {
            QCOMPARE(w.rEdit->Text(), text);
            QCOMPARE(w.IsDirty(), quint8(1));
            QCOMPARE(w.windowTitle(), editedTitle(w, QStringLiteral("Commands.hlp")));
            QVERIFY(QFile::exists(copy));
            QCOMPARE(fileBytes(path), kFile);
        }
    }

    // Reload is there only for a document with a file.
    void reloadNeedsAFile_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("untitled at start") << "start" << false;
        QTest::newRow("untitled, edited") << "start, edited" << false;
        QTest::newRow("a file") << "open" << true;
        QTest::newRow("New after a file") << "open, New" << false;
        QTest::newRow("untitled, saved under a name") << "save as" << true;
    }
    void reloadNeedsAFile()
    {
        QFETCH(QString, state);
        QFETCH(bool, enabled);
        WindowFixture f;
        frmMain& w = f.w();
        if (state.startsWith(QLatin1String("open")))
            f.open(kFile);
        if (state == QLatin1String("open, New"))
            w.menu_New_Click();
        if (state == QLatin1String("start, edited") || state == QLatin1String("save as"))
            typeAtEnd(f, QStringLiteral("#typed"));
        if (state == QLatin1String("save as")) {
            f.desktop.answerDialog(f.path(QStringLiteral("saved.hlp")));
            QVERIFY(w.menu_SaveAs_Click());
        }
        QCOMPARE(w.menu_Reload->isEnabled(), enabled);
        if (enabled)
            return;
        const QString text = w.rEdit->Text();
        const quint8 dirty = w.IsDirty();
        QVERIFY(!w.session().reload());
        QCOMPARE(w.rEdit->Text(), text);
        QCOMPARE(w.IsDirty(), dirty);
        QVERIFY(f.desktop.boxes.isEmpty());
        VERIFY_NO_UNEXPECTED_BOXES(f);
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
        auto* guard = guardOf(f);
        const QString folder = guard->store().folder();
        QVERIFY(!QFileInfo::exists(folder));
        {
            QFile blocker(folder);
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        if (withFile)
            f.open(kFile);
        const QString said = QStringLiteral("The recovery copy of your unsaved changes cannot be "
                                            "written in ") +
                             QDir::toNativeSeparators(folder);
        auto recoveryBoxes = [&] {
            int n = 0;
            for (const auto& shown : f.desktop.boxes)
                n += shown.box.title == kRecoveryTitle;
            return n;
        };

        f.desktop.answer(Button::Ok);
        typeAtEnd(f, QStringLiteral("a"));
        QTRY_COMPARE(recoveryBoxes(), 1);
        const platform::MessageBox& box = f.desktop.boxes.last().box;
        QCOMPARE(box.icon, Icon::Warning);
        QVERIFY2(box.text.contains(QDir::toNativeSeparators(folder)), qPrintable(box.text));
        QTRY_VERIFY2(w.lblCaption->text().startsWith(said), qPrintable(w.lblCaption->text()));

        if (then == QLatin1String("save")) {
            QVERIFY(w.menu_Save_Click());
            QCOMPARE(w.IsDirty(), quint8(0));
        } else if (then == QLatin1String("new")) {
            f.desktop.answer(Button::No); // drop the edits
            w.menu_New_Click();
            f.desktop.answer(Button::Ok);
        }
        for (int i = 0; i < 3; ++i) {
            w.lblCaption->setText(QString());
            typeAtEnd(f, QStringLiteral("b"));
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
