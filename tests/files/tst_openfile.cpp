// SPDX-License-Identifier: MIT
// Loading a file into the main window: what is refused and how, the header warnings, the state a
// load leaves, and Escape during the colouring.

#include "FilesTestSupport.h"

#include <QDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace files_test;
using platform::Button;
using platform::Buttons;
using platform::Icon;

namespace {

// Opening a pipe for reading blocks until a writer comes. While it lives, this opens the pipe
// for writing whenever a reader waits, so a load that opens it returns (and fails its test)
// instead of hanging.
class PipeUnblocker {
public:
    explicit PipeUnblocker(const QString& path) : path_(QFile::encodeName(path))
    {
        thread_ = std::thread([this] {
            while (!stop_) {
                const int fd = ::open(path_.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    readerSeen_ = true;
                    ::close(fd);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
    }
    ~PipeUnblocker()
    {
        stop_ = true;
        thread_.join();
    }
    PipeUnblocker(const PipeUnblocker&) = delete;
    PipeUnblocker& operator=(const PipeUnblocker&) = delete;
    bool readerSeen() const { return readerSeen_; }

private:
    QByteArray path_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> readerSeen_{false};
    std::thread thread_;
};

struct ExpectedBox {
    QString text;
    QString title;
    Icon icon;
};

void compareBox(const ScriptedDesktop::Box& got, const ExpectedBox& want)
{
    QCOMPARE(got.box.text, want.text);
    QCOMPARE(got.box.title, want.title);
    QCOMPARE(got.box.icon, want.icon);
    QCOMPARE(got.box.buttons, Buttons::Ok);
}

const QList<ExpectedBox> kHeaderWarnings = {
    {QStringLiteral("This is not a valid F1 (Commands.hlp) file. Missing a header #Title line."),
     QStringLiteral("Please Fix."), Icon::Information},
    {QStringLiteral("Since header line is not valid, colors will not be accurate; and saving will "
                    "only overwrite incorrect colors."),
     QString(), Icon::None},
    {QStringLiteral("Best deal 1.) open commands.hlp in notepad or text editor add a line, then "
                    "re-open with this program."),
     QString(), Icon::None},
};

} // namespace

class tst_OpenFile : public QObject {
    Q_OBJECT

    // A window with a loaded document that was then edited, and a recent list on disk: the state
    // a refused load must not touch.
    static void prepareEditedDocument(WindowFixture& f)
    {
        f.writeFile(QStringLiteral("config.ini"),
                    recentSection({"/help/a", "/help/b", "", "", ""}));
        f.open("#Before\r\n%Rred text");
        typeAtEnd(f, QStringLiteral("!"));
        QCOMPARE(f.w().IsDirty(), quint8(1));
        f.desktop.clear();
    }

private slots:
    void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }

    void refusedFilesChangeNothing_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("expected"); // "%1" is the path
        QTest::addColumn<bool>("prefixOnly");  // the system's reason follows
        const QString missing = QStringLiteral("This file does not exist.\r\n%1");
        QTest::newRow("no such file") << "missing.hlp" << missing << false;
        QTest::newRow("empty path") << "" << missing << false;
        QTest::newRow("a folder") << "<folder>"
                                  << QStringLiteral("This is a folder, not a file.\r\n%1") << false;
        QTest::newRow("a file whose reading fails")
            << "/proc/self/mem" << QStringLiteral("This file could not be read.\r\n%1\r\n") << true;
        QTest::newRow("a pipe") << "<fifo>"
                                << QStringLiteral("This file could not be read.\r\n%1\r\nIt is a "
                                                  "FIFO (named pipe), not a regular file.")
                                << false;
        QTest::newRow("just over 64 MiB")
            << "<size 67108865>"
            << QStringLiteral("This file is too large to edit (65 MiB; the limit is 64 MiB).\r\n%1")
            << false;
        QTest::newRow("200 MiB")
            << "<size 209715200>"
            << QStringLiteral(
                   "This file is too large to edit (200 MiB; the limit is 64 MiB).\r\n%1")
            << false;
        QTest::newRow("no size, endless content")
            << "/proc/self/pagemap"
            << QStringLiteral("This file is too large to edit (more than 64 MiB; the limit is 64 "
                              "MiB).\r\n%1")
            << false;
    }
    void refusedFilesChangeNothing()
    {
        QFETCH(QString, what);
        QFETCH(QString, expected);
        QFETCH(bool, prefixOnly);
        WindowFixture f;
        frmMain& w = f.w();
        prepareEditedDocument(f);

        QString path = what;
        std::unique_ptr<PipeUnblocker> unblocker;
        if (what == QLatin1String("<folder>")) {
            path = f.path(QStringLiteral("folder.hlp"));
            QVERIFY(QDir().mkdir(path));
        } else if (what == QLatin1String("<fifo>")) {
            path = f.path(QStringLiteral("pipe.hlp"));
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            unblocker = std::make_unique<PipeUnblocker>(path);
        } else if (what.startsWith(QLatin1String("<size "))) {
            path = f.path(QStringLiteral("huge.hlp"));
            QFile huge(path);
            QVERIFY(huge.open(QIODevice::WriteOnly));
            QVERIFY(huge.resize(what.mid(6).chopped(1).toLongLong())); // sparse: no disk used
        } else if (what == QLatin1String("missing.hlp")) {
            path = f.path(what);
        }
        if (path.startsWith(QLatin1String("/proc/")) && !QFileInfo::exists(path))
            QSKIP("this system has no such kernel file");
        const Snapshot before = Snapshot::of(f);
        const bool undoBefore = w.rEdit->document()->isUndoAvailable();

        f.desktop.answer(Button::Ok);
        w.OpenFile(path);

        if (unblocker)
            QVERIFY2(!unblocker->readerSeen(), "the pipe was opened for reading");
        QCOMPARE(f.desktop.boxes.size(), 1);
        const platform::MessageBox& box = f.desktop.boxes[0].box;
        const QString text = expected.arg(path);
        if (prefixOnly) {
            QVERIFY2(box.text.startsWith(text) && box.text.size() > text.size(),
                     qPrintable(box.text));
            QVERIFY(!box.text.mid(text.size()).contains(QLatin1Char('\n')));
        } else {
            QCOMPARE(box.text, text);
        }
        QCOMPARE(box.title, QStringLiteral("can not open"));
        QCOMPARE(box.icon, Icon::Critical);
        QCOMPARE(box.buttons, Buttons::Ok);
        COMPARE_SNAPSHOT(Snapshot::of(f), before);
        QCOMPARE(w.rEdit->document()->isUndoAvailable(), undoBefore);
        QCOMPARE(w.windowTitle(), editedTitle(w, QStringLiteral("Commands.hlp")));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void loadedFileIsTheCleanCurrentDocument()
    {
        WindowFixture f;
        frmMain& w = f.w();
        QVERIFY(QDir().mkpath(f.path(QStringLiteral("deep/er"))));
        typeAtEnd(f, QStringLiteral("typed before"));
        QVERIFY(w.rEdit->document()->isUndoAvailable());

        const QString path =
            f.writeFile(QStringLiteral("deep/er/My Help.hlp"), "#Title\r\nplain %Rred%Ggreen");
        w.OpenFile(path);

        QCOMPARE(w.CurrentFile(), path);
        QCOMPARE(w.DocTitle(), QStringLiteral("My Help.hlp"));
        QCOMPARE(w.windowTitle(), plainTitle(w, QStringLiteral("My Help.hlp")));
        QCOMPARE(w.lblCaption->text(), QStringLiteral("File Loaded. [") + path + QLatin1Char(']'));
        QCOMPARE(w.rEdit->Text(), QStringLiteral("#Title\r\nplain redgreen"));
        QVERIFY(colorLetters(f.colors()).endsWith(QStringLiteral("RRRGGGGG")));
        QCOMPARE(w.IsDirty(), quint8(0));
        QCOMPARE(w.SavedLength, qint32(w.rEdit->TextLength()));
        QCOMPARE(w.rEdit->SelStart(), 0);
        QCOMPARE(w.rEdit->SelLength(), 0);
        QCOMPARE(w.rEdit->SelColor(), std::optional(pal::W));
        QVERIFY(!w.menu_Save->isEnabled());
        QVERIFY(w.menu_SaveAs->isEnabled());
        QVERIFY(w.menu_RecentFile->menuAction()->isEnabled());
        QVERIFY(w.menu_Colors->menuAction()->isEnabled());

        // The load is not an edit: nothing to undo, and Ctrl+Z does not bring the old text back.
        QVERIFY(!w.rEdit->document()->isUndoAvailable());
        w.rEdit->setFocus();
        QTest::keyClick(w.rEdit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.rEdit->Text(), QStringLiteral("#Title\r\nplain redgreen"));
        QCOMPARE(w.IsDirty(), quint8(0));

        // The first keystroke marks it edited.
        typeAtEnd(f, QStringLiteral("x"));
        QCOMPARE(w.IsDirty(), quint8(1));
        QCOMPARE(w.windowTitle(), editedTitle(w, QStringLiteral("My Help.hlp")));
        QVERIFY(w.menu_Save->isEnabled());
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // A header line is a line that starts with "#"; without one the user gets three warnings,
    // and the file is loaded all the same.
    void headerWarnings_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("warned");
        QTest::newRow("empty file") << QByteArray() << true;
        QTest::newRow("# only inside a line") << QByteArray("a#b") << true;
        QTest::newRow("# after leading spaces") << QByteArray("text\r\n  #not a header") << true;
        QTest::newRow("no # at all") << QByteArray("line one\r\nline two\r\n") << true;
        QTest::newRow("header on the first line") << QByteArray("#Title\r\nbody") << false;
        QTest::newRow("header on a later line") << QByteArray("intro\r\n#Title") << false;
        QTest::newRow("later line after LF") << QByteArray("intro\n#Title") << false;
        QTest::newRow("later line after lone CR") << QByteArray("intro\r#Title") << false;
    }
    void headerWarnings()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, warned);
        WindowFixture f;
        frmMain& w = f.w();
        if (warned)
            for (int i = 0; i < 3; ++i)
                f.desktop.answer(Button::Ok);
        const QString path = f.open(content, QStringLiteral("page.hlp"));

        QCOMPARE(f.desktop.boxes.size(), warned ? 3 : 0);
        for (int i = 0; i < f.desktop.boxes.size(); ++i) {
            compareBox(f.desktop.boxes[i], kHeaderWarnings[i]);
            if (QTest::currentTestFailed())
                return;
        }
        QCOMPARE(w.CurrentFile(), path);
        QCOMPARE(w.DocTitle(), QStringLiteral("page.hlp"));
        QCOMPARE(w.windowTitle(), plainTitle(w, QStringLiteral("page.hlp")));
        QCOMPARE(w.lblCaption->text(), QStringLiteral("File Loaded. [") + path + QLatin1Char(']'));
        QCOMPARE(w.rEdit->TextLength() == 0, content.isEmpty());
        QCOMPARE(recentKeys(w).at(0), path);
        QCOMPARE(w.IsDirty(), quint8(0));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // While the colouring runs, the menus that could start another load or a save are off.
    void menusAreOffWhileColouring()
    {
        WindowFixture f;
        frmMain& w = f.w();
        w.session().sliceMilliseconds = 0;
        QStringList seen;
        f.desktop.onYield = [&](int) {
            seen << QStringLiteral("%1%2%3")
                        .arg(w.menu_RecentFile->menuAction()->isEnabled())
                        .arg(w.menu_SaveAs->isEnabled())
                        .arg(w.menu_Colors->menuAction()->isEnabled());
        };
        QByteArray content("#Page\r\n");
        for (int i = 0; i < 200; ++i)
            content += "%Rred %Ggreen ";
        f.open(content);
        f.desktop.onYield = nullptr;

        QVERIFY(seen.size() > 2);
        QCOMPARE(seen, QStringList(seen.size(), QStringLiteral("000")));
        QVERIFY(w.menu_RecentFile->menuAction()->isEnabled());
        QVERIFY(w.menu_SaveAs->isEnabled());
        QVERIFY(w.menu_Colors->menuAction()->isEnabled());
        QVERIFY(!w.menu_Save->isEnabled());
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // Escape during the colouring: one box, a new untitled document, config.ini as it was.
    void escapeAbortsTheLoad_data()
    {
        QTest::addColumn<int>("atYield");
        QTest::newRow("before the colouring") << 1;
        QTest::newRow("during the colouring") << 4;
    }
    void escapeAbortsTheLoad()
    {
        QFETCH(int, atYield);
        WindowFixture f;
        frmMain& w = f.w();
        w.session().sliceMilliseconds = 0;
        f.writeFile(QStringLiteral("config.ini"), recentSection({"/help/a", "", "", "", ""}));
        w.LoadRecentMenu();
        const QByteArray config = fileBytes(w.settingsFile());
        // No header line: the warnings must not come after an abort.
        QByteArray content("no header ");
        for (int i = 0; i < 300; ++i)
            content += "%Rred %Ggreen ";
        const QString path = f.writeFile(QStringLiteral("long.hlp"), content);

        f.desktop.onYield = [&](int n) {
            if (n == atYield)
                QTest::keyClick(w.rEdit, Qt::Key_Escape);
        };
        f.desktop.answer(Button::Ok);
        w.OpenFile(path);
        f.desktop.onYield = nullptr;

        QVERIFY(f.desktop.yields >= atYield);
        QCOMPARE(f.desktop.boxes.size(), 1);
        QCOMPARE(f.desktop.boxes[0].box.text, QStringLiteral("Abort Was Called."));
        QCOMPARE(f.desktop.boxes[0].box.title, QStringLiteral("File Load Aborted."));
        QCOMPARE(f.desktop.boxes[0].box.icon, Icon::Information);
        QCOMPARE(w.DocTitle(), QStringLiteral("Untitled1"));
        QVERIFY(w.CurrentFile().isEmpty());
        QCOMPARE(w.rEdit->Text(), QString());
        QCOMPARE(w.IsDirty(), quint8(0));
        QCOMPARE(w.windowTitle(), plainTitle(w, QStringLiteral("Untitled1")));
        QCOMPARE(w.lblCaption->text(), QString());
        QCOMPARE(w.rEdit->SelColor(), std::optional(pal::W));
        QCOMPARE(fileBytes(w.settingsFile()), config);
        QCOMPARE(recentItems(w), QStringList({"/help/a", "hidden", "hidden", "hidden", "hidden"}));
        QVERIFY(!w.menu_Save->isEnabled());
        QVERIFY(w.menu_SaveAs->isEnabled());
        QVERIFY(w.menu_RecentFile->menuAction()->isEnabled());
        QVERIFY(w.menu_Colors->menuAction()->isEnabled());
        QCOMPARE(w.AbortFlag(), quint8(1));

        // The next load is not aborted by the old flag.
        f.desktop.onYield = nullptr;
        const QString next = f.writeFile(QStringLiteral("next.hlp"), "#Next\r\n%Rred");
        w.OpenFile(next);
        QCOMPARE(w.CurrentFile(), next);
        QCOMPARE(w.rEdit->Text(), QStringLiteral("#Next\r\nred"));
        QCOMPARE(recentKeys(w).mid(0, 2), QStringList({next, "/help/a"}));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }
};

QTEST_MAIN(tst_OpenFile)
#include "tst_openfile.moc"
