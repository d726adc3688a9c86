// SPDX-License-Identifier: MIT
// The File menu through the main window: New, Open, Save As, a recent entry, a dropped file,
// closing the window and the end of the desktop session, with the question about unsaved edits.

#include "FilesTestSupport.h"

#include "../session/SaveQuestion.h"
#include "files/IniFile.h"
#include "safety/RecoveryGuard.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QStandardPaths>
#include <QtTest>

using namespace files_test;
using namespace session_test;
using platform::Button;
using platform::Buttons;

namespace {

const QByteArray kA = "#A\r\nalpha";
const QByteArray kB = "#B\r\nbeta";

// How the document is edited and how the user answers the question about it.
struct Scenario {
    const char* name;
    bool untitled; // the document has no file (else it is A.hlp)
    QString edit;  // typed at the end; empty: not edited
    QList<Button> answers;
    QList<std::optional<QString>> saveDialog; // names relative to the folder; nothing: Cancel
    bool goesOn;
    QString written; // file that holds the edits afterwards, relative; empty: none
};

const QList<Scenario>& scenarios()
{
    const QString zz = QStringLiteral("zz");
    const auto C = std::optional(QStringLiteral("C.hlp"));
    const auto folder = std::optional(QStringLiteral("folder"));
    const QString omega = QString::fromUtf8("Ω");
    using B = Button;
    static const QList<Scenario> all = {
        // name, untitled, edit, answers, Save As dialog, goes on, file written
        {"not edited", false, {}, {}, {}, true, {}},
        {"Cancel", false, zz, {B::Cancel}, {}, false, {}},
        {"No", false, zz, {B::No}, {}, true, {}},
        {"Yes, saved", false, zz, {B::Yes}, {}, true, QStringLiteral("A.hlp")},
        {"Yes, untitled, saved as", true, zz, {B::Yes}, {C}, true, *C},
        {"Yes, Save As cancelled", true, zz, {B::Yes}, {std::nullopt}, false, {}},
        {"Yes, save fails", true, zz, {B::Yes, B::Ok}, {folder}, false, {}},
        {"Yes, not in the code page", false, omega, {B::Yes, B::Ok}, {}, false, {}},
        {"Yes, Save anyway? No", false, QStringLiteral("%%"), {B::Yes, B::No}, {}, false, {}},
    };
    return all;
}

const QStringList kCommands = {
    "New",   "Open",        "recent entry", "drop on the edit box", "drop on the window",
    "close", "session ends"};

// A drag that enters `target` and is dropped there; false when the target refused the drag.
bool drop(QWidget* target, const QList<QUrl>& urls)
{
    QMimeData mime;
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent event(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
    return true;
}

} // namespace

// Where a dialog starts when there is nothing better: Documents, or home where there is none.
QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir::cleanPath(QFileInfo(documents).isDir() ? documents : QDir::homePath());
}

class tst_FileCommands : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }

    // Every command that replaces the document or closes the window, with every answer.
    void questionAboutUnsavedEdits_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("scenario");
        for (const QString& command : kCommands)
            for (int s = 0; s < scenarios().size(); ++s)
                QTest::addRow("%s, %s", qPrintable(command), scenarios()[s].name) << command << s;
    }
    void questionAboutUnsavedEdits()
    {
        QFETCH(QString, command);
        QFETCH(int, scenario);
        const Scenario& sc = scenarios()[scenario];
        WindowFixture f;
        frmMain& w = f.w();
        const QString b = f.writeFile(QStringLiteral("B.hlp"), kB);
        const QString a = f.writeFile(QStringLiteral("A.hlp"), kA);
        QVERIFY(QDir().mkdir(f.path(QStringLiteral("folder"))));
        w.OpenFile(b);
        w.OpenFile(a); // the recent list: A, B
        if (sc.untitled) {
            w.menu_New_Click();
            typeAtEnd(f, QStringLiteral("#u"));
            w.setDirty(false); // as if just saved: only the edit below counts
        }
        if (!sc.edit.isEmpty()) {
            typeAtEnd(f, sc.edit);
            QCOMPARE(w.IsDirty(), quint8(1));
            QCOMPARE(w.windowTitle(), editedTitle(w, w.DocTitle()));
        }
        // The edits' recovery copy, to see that it goes exactly when the edits do.
        QString copy;
        if (!sc.edit.isEmpty()) {
            auto* guard = w.findChild<safety::RecoveryGuard*>();
            QVERIFY(guard && guard->writeNow());
            copy = guard->currentCopy();
            QVERIFY(QFileInfo::exists(copy));
        }
        // What the next dialog proposes, to see that a refused command leaves it alone.
        w.CD1.FileName = f.path(QStringLiteral("proposed.hlp"));
        f.desktop.clear();
        const Snapshot before = Snapshot::of(f);
        const QString docTitle = w.DocTitle();
        const int untitled = w.UntitledCount();

        for (Button answer : sc.answers)
            f.desktop.answer(answer);
        for (const auto& name : sc.saveDialog)
            f.desktop.answerDialog(name ? std::optional(f.path(*name)) : std::nullopt);
        if (command == QLatin1String("Open") && sc.goesOn)
            f.desktop.answerDialog(b);

        bool result = sc.goesOn; // only closing and the session's end answer
        if (command == QLatin1String("New"))
            w.menu_New->trigger();
        else if (command == QLatin1String("Open"))
            w.menu_Open->trigger();
        else if (command == QLatin1String("recent entry"))
            w.menu_Recent[1]->trigger();
        else if (command == QLatin1String("drop on the edit box"))
            QVERIFY(drop(w.rEdit->viewport(), {QUrl::fromLocalFile(b)}));
        else if (command == QLatin1String("drop on the window"))
            QVERIFY(drop(&w, {QUrl::fromLocalFile(b)}));
        else if (command == QLatin1String("close"))
            result = w.close();
        else if (command == QLatin1String("session ends"))
            result = w.sessionEnding(true);

        // The question, exactly when there were edits, and before anything else.
        QCOMPARE(f.desktop.boxes.isEmpty(), sc.edit.isEmpty());
        if (!sc.edit.isEmpty())
            compareQuestion(f.desktop.boxes[0].box);
        QVERIFY2(f.desktop.allAnswersUsed(), "an answer was left over");
        VERIFY_NO_UNEXPECTED_BOXES(f);
        for (const auto& shown : f.desktop.dialogsShown)
            if (shown.kind == QLatin1String("save")) {
                QCOMPARE(shown.title, QStringLiteral("Save File As"));
                // The question clears the name: the dialog starts in a folder, with no name.
                QVERIFY2(shown.proposed.endsWith(QLatin1Char('/')), qPrintable(shown.proposed));
            }

        // The edits are on disk where they were saved, and nowhere else.
        QCOMPARE(fileBytes(a) == kA, sc.written != QLatin1String("A.hlp"));
        if (!sc.written.isEmpty())
            QVERIFY(fileBytes(f.path(sc.written)).contains(sc.edit.toUtf8()));
        QCOMPARE(fileBytes(b), kB);

        if (!copy.isEmpty())
            QCOMPARE(QFileInfo::exists(copy), !sc.goesOn);

        if (!sc.goesOn) {
            // As after Cancel: nothing has changed and the window stays open. A save that was
            // tried says so in the status line.
            Snapshot now = Snapshot::of(f);
            const bool saveTried = sc.answers.size() > 1;
            QCOMPARE(now.status.endsWith(QLatin1String("NOT saved.")), saveTried);
            if (saveTried)
                now.status = before.status;
            COMPARE_SNAPSHOT(now, before);
            QVERIFY(!result);
            QVERIFY(w.isVisible());
            QCOMPARE(w.windowTitle(), editedTitle(w, docTitle));
            if (command == QLatin1String("session ends"))
                cancelCloseAtQuestion(f); // nothing was approved: closing asks again
            return;
        }

        QVERIFY(result);
        if (command == QLatin1String("New")) {
            QCOMPARE(w.DocTitle(), QStringLiteral("Untitled%1").arg(untitled + 1));
            QCOMPARE(w.rEdit->Text(), QString());
            QVERIFY(w.CurrentFile().isEmpty());
        } else if (command == QLatin1String("close")) {
            QVERIFY(!w.isVisible());
        } else if (command == QLatin1String("session ends")) {
            // The close that follows does not ask a second time.
            QVERIFY(w.close());
            QCOMPARE(f.desktop.boxes.size(), sc.answers.size());
            QVERIFY(!w.isVisible());
        } else {
            QCOMPARE(w.CurrentFile(), b);
            QCOMPARE(w.DocTitle(), QStringLiteral("B.hlp"));
            QCOMPARE(w.rEdit->Text(), QString::fromLatin1(kB));
        }
        if (command != QLatin1String("close") && command != QLatin1String("session ends")) {
            QCOMPARE(w.IsDirty(), quint8(0));
            QCOMPARE(w.windowTitle(), plainTitle(w, w.DocTitle()));
        }
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // "No" to saving, then a command that stops (its file dialog cancelled, or the file is
    // refused): the edits are still there, and so is their recovery copy.
    void editsKeptByAStoppedCommandKeepTheirCopy_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("Open, dialog cancelled") << "Open";
        QTest::newRow("a recent entry that is gone") << "recent entry";
    }
    void editsKeptByAStoppedCommandKeepTheirCopy()
    {
        QFETCH(QString, command);
        WindowFixture f;
        frmMain& w = f.w();
        const QString gone = f.writeFile(QStringLiteral("gone.hlp"), kB);
        w.OpenFile(gone);
        w.OpenFile(f.writeFile(QStringLiteral("A.hlp"), kA));
        QVERIFY(QFile::remove(gone));
        typeAtEnd(f, QStringLiteral("zz"));
        auto* guard = w.findChild<safety::RecoveryGuard*>();
        QVERIFY(guard->writeNow());
        const QString copy = guard->currentCopy();
        f.desktop.clear();
        f.desktop.answer(Button::No);
        if (command == QLatin1String("Open")) {
            f.desktop.answerDialog(std::nullopt);
            w.menu_Open->trigger();
        } else {
            f.desktop.answer(Button::Ok); // "This file does not exist."
            f.desktop.answer(Button::No); // keep it in the list
            w.menu_Recent[1]->trigger();
        }
        QVERIFY2(f.desktop.allAnswersUsed(), "an answer was left over");
        QCOMPARE(w.IsDirty(), quint8(1));
        QVERIFY(w.rEdit->Text().endsWith(QLatin1String("zz")));
        QVERIFY(QFileInfo::exists(copy));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // A session that ends without leave to ask does not ask, and the close after it neither.
    void sessionEndsWithoutLeaveToAsk()
    {
        WindowFixture f;
        frmMain& w = f.w();
        typeAtEnd(f, QStringLiteral("edited"));
        QVERIFY(w.sessionEnding(false));
        QVERIFY(w.close());
        QVERIFY(f.desktop.boxes.isEmpty());
    }

    // The answer given for the session's end holds for the document as it was then. When the
    // session goes on after all (another program refused to quit), later edits need a new one.
    void sessionAnswerDoesNotCoverLaterEdits_data()
    {
        QTest::addColumn<bool>("mayAsk");
        QTest::newRow("answered No") << true;
        QTest::newRow("not asked") << false;
    }
    void sessionAnswerDoesNotCoverLaterEdits()
    {
        QFETCH(bool, mayAsk);
        WindowFixture f;
        frmMain& w = f.w();
        typeAtEnd(f, QStringLiteral("edited"));
        if (mayAsk)
            f.desktop.answer(Button::No);
        QVERIFY(w.sessionEnding(mayAsk));
        typeAtEnd(f, QStringLiteral(" more"));
        QCOMPARE(w.IsDirty(), quint8(1));
        cancelCloseAtQuestion(f);
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void exitClosesWithoutQuestionWhenNotEdited()
    {
        WindowFixture f;
        frmMain& w = f.w();
        f.open("#A\r\nalpha");
        w.menu_Exit->trigger();
        QVERIFY(!w.isVisible());
        QVERIFY(f.desktop.boxes.isEmpty());
    }

    void exitAsksWhenEdited()
    {
        WindowFixture f;
        frmMain& w = f.w();
        typeAtEnd(f, QStringLiteral("x"));
        f.desktop.answer(Button::Cancel);
        w.menu_Exit->trigger();
        QVERIFY(w.isVisible());
        f.desktop.answer(Button::No);
        w.menu_Exit->trigger();
        QVERIFY(!w.isVisible());
        QCOMPARE(f.desktop.boxes.size(), 2);
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void newCountsUntitledDocuments()
    {
        WindowFixture f;
        frmMain& w = f.w();
        QCOMPARE(w.DocTitle(), QStringLiteral("Untitled0"));
        w.menu_New_Click();
        QCOMPARE(w.DocTitle(), QStringLiteral("Untitled1"));
        QCOMPARE(w.windowTitle(), plainTitle(w, QStringLiteral("Untitled1")));
        // Saving an untitled document under a name does not take its number back.
        typeAtEnd(f, QStringLiteral("#saved"));
        f.desktop.answerDialog(f.path(QStringLiteral("saved.hlp")));
        QVERIFY(w.menu_SaveAs_Click());
        w.menu_New_Click();
        QCOMPARE(w.DocTitle(), QStringLiteral("Untitled2"));

        w.session().setUntitledNumber(32766);
        w.menu_New_Click();
        QCOMPARE(w.DocTitle(), QStringLiteral("Untitled32767"));
        w.menu_New_Click();
        QCOMPARE(w.UntitledCount(), qint16(32767));
        QCOMPARE(w.DocTitle(), QStringLiteral("Untitled32767"));
        QCOMPARE(w.windowTitle(), plainTitle(w, QStringLiteral("Untitled32767")));
        QVERIFY(f.desktop.boxes.isEmpty());
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void newAfterALoadedFile()
    {
        WindowFixture f;
        frmMain& w = f.w();
        const QString path = f.writeFile(QStringLiteral("A.hlp"), "#A\r\n%Rred %Ggreen");
        f.desktop.answerDialog(path);
        w.menu_Open->trigger();
        QCOMPARE(w.CurrentFile(), path);
        QCOMPARE(w.CD1.FileName, path);
        w.rEdit->setSelStart(w.rEdit->TextLength());
        QCOMPARE(w.rEdit->SelColor(), std::optional(pal::G));

        w.menu_New->trigger();

        QCOMPARE(w.rEdit->Text(), QString());
        QCOMPARE(w.rEdit->SelColor(), std::optional(pal::W));
        QCOMPARE(w.IsDirty(), quint8(0));
        QCOMPARE(w.windowTitle(), plainTitle(w, QStringLiteral("Untitled1")));
        QCOMPARE(w.lblCaption->text(), QString());
        QVERIFY(!w.menu_Save->isEnabled());
        QVERIFY(w.CurrentFile().isEmpty());
        QVERIFY(w.CD1.FileName.isEmpty());
        QVERIFY(!w.rEdit->document()->isUndoAvailable());
        // What is typed now is White.
        typeAtEnd(f, QStringLiteral("ab"));
        QCOMPARE(colorLetters(f.colors()), QStringLiteral("WW"));
        QCOMPARE(w.windowTitle(), editedTitle(w, QStringLiteral("Untitled1")));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // The one file dialog: its titles, and the name it proposes from one use to the next.
    void dialogProposesTheLastFile()
    {
        WindowFixture f;
        frmMain& w = f.w();
        const QString x = f.writeFile(QStringLiteral("X.hlp"), "#X\r\n");
        f.desktop.answerDialog(x);
        w.menu_Open->trigger();
        f.desktop.answerDialog(std::nullopt);
        w.menu_SaveAs->trigger();
        f.desktop.answerDialog(std::nullopt);
        w.menu_Open->trigger();
        w.menu_New->trigger();
        f.desktop.answerDialog(std::nullopt);
        w.menu_SaveAs->trigger();
        f.desktop.answerDialog(std::nullopt);
        w.menu_Open->trigger();

        QCOMPARE(f.desktop.dialogsShown.size(), 5);
        const QStringList kinds = {"open", "save", "open", "save", "open"};
        // Untitled, the dialogs start in the folder of the file chosen last (after the first).
        const QString folder = QFileInfo(x).absolutePath() + QLatin1Char('/');
        const QStringList proposed = {documentsFolder() + QLatin1Char('/'), x, x, folder, folder};
        for (int i = 0; i < 5; ++i) {
            const auto& shown = f.desktop.dialogsShown[i];
            QCOMPARE(shown.kind, kinds[i]);
            QCOMPARE(shown.title, shown.kind == QLatin1String("open")
                                      ? QStringLiteral("Open File")
                                      : QStringLiteral("Save File As"));
            QCOMPARE(shown.proposed, proposed[i]);
            QCOMPARE(shown.filter, platform::CommonDialog::qtFilter(w.CD1.Filter));
        }
        QVERIFY(f.desktop.boxes.isEmpty());
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // Where Open and Save As start: the current file's folder, else the last folder used (from
    // config.ini, passed over when it is gone), else the user's Documents folder.
    void dialogsStartInTheRightFolder_data()
    {
        QTest::addColumn<QString>("kind");     // "open" or "save"
        QTest::addColumn<bool>("current");     // a file of folder "a" is open
        QTest::addColumn<QString>("last");     // [Files] LastFolder: "", "b" or the removed "gone"
        QTest::addColumn<QString>("expected"); // "a", "b" or "" for the Documents folder
        for (const char* kind : {"open", "save"}) {
            auto row = [kind](const char* name, bool current, const char* last,
                              const char* expected) {
                QTest::addRow("%s: %s", kind, name)
                    << QString::fromLatin1(kind) << current << QString::fromLatin1(last)
                    << QString::fromLatin1(expected);
            };
            row("untitled, nothing kept", false, "", "");
            row("untitled, a last folder", false, "b", "b");
            row("untitled, the last folder removed", false, "gone", "");
            row("a file open", true, "", "a");
            row("a file open beats the last folder", true, "b", "a");
        }
    }
    void dialogsStartInTheRightFolder()
    {
        QFETCH(QString, kind);
        QFETCH(bool, current);
        QFETCH(QString, last);
        QFETCH(QString, expected);
        WindowFixture f;
        for (const char* sub : {"a", "b", "gone"})
            QVERIFY(QDir(f.dir.path()).mkpath(QString::fromLatin1(sub)));
        if (current)
            f.open(kA, QStringLiteral("a/A.hlp"));
        if (!last.isEmpty()) {
            skyrend::IniFile ini = f.w().settings().read();
            QVERIFY(
                ini.setValue(QStringLiteral("Files"), QStringLiteral("LastFolder"), f.path(last)));
            QVERIFY(f.w().settings().write(ini));
        }
        QVERIFY(QDir(f.path(QStringLiteral("gone"))).removeRecursively());
        f.desktop.answerDialog(std::nullopt);
        if (kind == QLatin1String("open"))
            f.w().menu_Open->trigger();
        else
            f.w().menu_SaveAs->trigger();
        QCOMPARE(f.desktop.dialogsShown.size(), 1);
        QCOMPARE(f.desktop.dialogsShown[0].kind, kind);
        const QString folder = expected.isEmpty() ? documentsFolder() : f.path(expected);
        QCOMPARE(QFileInfo(f.desktop.dialogsShown[0].proposed).absolutePath(), folder);
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // A file chosen in Open is where the next untitled Save As starts, after a restart too.
    void theLastFolderIsKeptInConfigIni()
    {
        WindowFixture f;
        QVERIFY(QDir(f.dir.path()).mkpath(QStringLiteral("c")));
        const QString chosen = f.writeFile(QStringLiteral("c/C.hlp"), "#C\r\n");
        f.desktop.answerDialog(chosen);
        f.w().menu_Open->trigger();
        QCOMPARE(
            f.w().settings().read().value(QStringLiteral("Files"), QStringLiteral("LastFolder")),
            QDir::toNativeSeparators(f.path(QStringLiteral("c"))));
        frmMain again(f.desktop, f.dir.path());
        f.desktop.answerDialog(std::nullopt);
        again.menu_SaveAs->trigger();
        QCOMPARE(f.desktop.dialogsShown.size(), 2);
        QCOMPARE(f.desktop.dialogsShown[1].proposed, f.path(QStringLiteral("c")) + u'/');
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void saveAs_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("target"); // relative; empty: the dialog is cancelled
        QTest::addColumn<QList<Button>>("answers");
        QTest::addColumn<bool>("written");
        QTest::newRow("cancelled, edited") << true << "zz"
                                           << "" << QList<Button>{} << false;
        QTest::newRow("cancelled, not edited") << false << ""
                                               << "" << QList<Button>{} << false;
        QTest::newRow("new name, edited") << true << "zz"
                                          << "C.hlp" << QList<Button>{} << true;
        QTest::newRow("new name, not edited") << false << ""
                                              << "C.hlp" << QList<Button>{} << true;
        QTest::newRow("same name") << true << "zz"
                                   << "A.hlp" << QList<Button>{} << true;
        QTest::newRow("a folder, edited") << true << "zz"
                                          << "folder" << QList<Button>{Button::Ok} << false;
        QTest::newRow("a folder, not edited") << false << ""
                                              << "folder" << QList<Button>{Button::Ok} << false;
        QTest::newRow("character not in the code page")
            << true << QString::fromUtf8("Ω") << "C.hlp" << QList<Button>{Button::Ok} << false;
        QTest::newRow("Save anyway? No") << true << "%%"
                                         << "C.hlp" << QList<Button>{Button::No} << false;
        QTest::newRow("Save anyway? Yes") << true << "%%"
                                          << "C.hlp" << QList<Button>{Button::Yes} << true;
    }
    void saveAs()
    {
        QFETCH(bool, edited);
        QFETCH(QString, edit);
        QFETCH(QString, target);
        QFETCH(QList<Button>, answers);
        QFETCH(bool, written);
        WindowFixture f;
        frmMain& w = f.w();
        const QString other = f.writeFile(QStringLiteral("other.hlp"), "#O\r\n");
        QVERIFY(QDir().mkdir(f.path(QStringLiteral("folder"))));
        const QString a = f.open(kA, QStringLiteral("A.hlp"));
        f.w().OpenFile(other);
        f.w().OpenFile(a); // a recent list to leave alone: A, other
        if (edited)
            typeAtEnd(f, edit);
        QCOMPARE(w.IsDirty(), quint8(edited ? 1 : 0));
        f.desktop.clear();
        const Snapshot before = Snapshot::of(f);
        const QString text = w.rEdit->Text();

        for (Button answer : answers)
            f.desktop.answer(answer);
        f.desktop.answerDialog(target.isEmpty() ? std::nullopt : std::optional(f.path(target)));
        const bool result = w.menu_SaveAs_Click();

        QCOMPARE(result, written);
        QCOMPARE(f.desktop.dialogsShown.size(), 1);
        QCOMPARE(f.desktop.dialogsShown[0].kind, QStringLiteral("save"));
        QCOMPARE(f.desktop.dialogsShown[0].title, QStringLiteral("Save File As"));
        QCOMPARE(f.desktop.boxes.size(), answers.size());
        VERIFY_NO_UNEXPECTED_BOXES(f);
        QCOMPARE(fileBytes(other), QByteArray("#O\r\n"));
        QCOMPARE(w.rEdit->Text(), text);
        if (!written) {
            QCOMPARE(fileBytes(w.settingsFile()), before.config);
            QCOMPARE(recentItems(w), before.recent);
            QCOMPARE(w.CurrentFile(), a);
            QCOMPARE(w.DocTitle(), QStringLiteral("A.hlp"));
            QCOMPARE(w.IsDirty(), quint8(edited ? 1 : 0));
            QCOMPARE(w.windowTitle(), edited ? editedTitle(w, QStringLiteral("A.hlp"))
                                             : plainTitle(w, QStringLiteral("A.hlp")));
            QCOMPARE(fileBytes(a), kA);
            QCOMPARE(fileBytes(f.path(QStringLiteral("C.hlp"))), QByteArray("<absent>"));
            QVERIFY(QFileInfo(f.path(QStringLiteral("folder"))).isDir());
            if (target.isEmpty())
                COMPARE_SNAPSHOT(Snapshot::of(f), before);
            return;
        }
        const QString path = f.path(target);
        QCOMPARE(w.CurrentFile(), path);
        QCOMPARE(w.DocTitle(), target);
        QCOMPARE(w.IsDirty(), quint8(0));
        QCOMPARE(w.windowTitle(), plainTitle(w, target));
        QVERIFY(!w.menu_Save->isEnabled());
        QVERIFY(fileBytes(path).contains("alpha" + edit.toUtf8()));
        if (path != a)
            QCOMPARE(fileBytes(a), kA);
        QCOMPARE(w.CD1.FileName, path);
        // The file saved comes first among the recent files, as an opened one does.
        QCOMPARE(recentKeys(w).mid(0, 3),
                 path == a ? QStringList({a, other, QString()}) : QStringList({path, a, other}));
        QCOMPARE(recentItems(w).value(0), QString(path).replace(QLatin1Char('&'), "&&"));
    }

    // A recent entry that is gone can be taken off the list; a folder is said to be one.
    void recentEntryGoneOrAFolder_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<Button>("remove");
        QTest::newRow("gone, removed") << false << Button::Yes;
        QTest::newRow("gone, kept") << false << Button::No;
        QTest::newRow("a folder") << true << Button::No;
    }
    void recentEntryGoneOrAFolder()
    {
        QFETCH(bool, folder);
        QFETCH(Button, remove);
        WindowFixture f;
        frmMain& w = f.w();
        const QString gone = f.writeFile(QStringLiteral("gone.hlp"), "#G\r\n");
        const QString b = f.writeFile(QStringLiteral("B.hlp"), kB);
        const QString a = f.open(kA, QStringLiteral("A.hlp"));
        w.OpenFile(b);
        w.OpenFile(gone);
        w.OpenFile(a); // the list: A, gone, B
        QVERIFY(QFile::remove(gone));
        if (folder)
            QVERIFY(QDir().mkdir(gone));
        f.desktop.clear();
        f.desktop.answer(Button::Ok);
        if (!folder)
            f.desktop.answer(remove);
        w.menu_Recent[1]->trigger();
        QCOMPARE(f.desktop.boxes.size(), folder ? 1 : 2);
        QCOMPARE(f.desktop.boxes[0].box.text,
                 (folder ? QStringLiteral("This is a folder, not a file.\r\n")
                         : QStringLiteral("This file does not exist.\r\n")) +
                     gone);
        QCOMPARE(w.CurrentFile(), a);
        const bool removed = !folder && remove == Button::Yes;
        QCOMPARE(recentKeys(w).mid(0, 3),
                 removed ? QStringList({a, b, QString()}) : QStringList({a, gone, b}));
        QCOMPARE(recentItems(w).mid(0, 3),
                 removed ? QStringList({a, b, "hidden"}) : QStringList({a, gone, b}));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void saveAsAddsTheHelpExtension_data()
    {
        QTest::addColumn<QString>("nameFilter");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("help files") << "Skyrend Help (.hlp) (*.hlp)"
                                    << "hlp";
        QTest::newRow("text files") << "Text File (.txt) (*.txt)"
                                    << "";
        QTest::newRow("all files") << "All Files (*)"
                                   << "";
        QTest::newRow("help among others") << "Help (*.txt *.HLP)"
                                           << "hlp";
        QTest::newRow("no pattern") << "Help (.hlp)"
                                    << "";
    }
    void saveAsAddsTheHelpExtension()
    {
        QFETCH(QString, nameFilter);
        QFETCH(QString, suffix);
        QCOMPARE(platform::CommonDialog::defaultSuffixOf(nameFilter), suffix);
        // The window's own first filter is the help files'.
        const QString first =
            platform::CommonDialog::qtFilter(QStringLiteral("Skyrend Help (.hlp)|*.hlp|All|*.*"))
                .section(QStringLiteral(";;"), 0, 0);
        QCOMPARE(platform::CommonDialog::defaultSuffixOf(first), QStringLiteral("hlp"));
    }

    void saveAsProposesTheCurrentFile()
    {
        WindowFixture f;
        const QString a = f.open(kA, QStringLiteral("A.hlp"));
        f.desktop.answerDialog(std::nullopt);
        f.w().menu_SaveAs_Click();
        QCOMPARE(f.desktop.dialogsShown.value(0).proposed, a);
    }

    // Dropped files: only the first local file counts, and only files open anything.
    void droppedFiles_data()
    {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<QString>("opened"); // relative; empty: nothing
        QTest::addColumn<bool>("viaWindow");
        QTest::newRow("one file on the edit box")
            << QList<QUrl>{QUrl(QStringLiteral("B.hlp"))} << "B.hlp" << false;
        QTest::newRow("two files on the window")
            << QList<QUrl>{QUrl(QStringLiteral("B.hlp")), QUrl(QStringLiteral("A.hlp"))} << "B.hlp"
            << true;
        QTest::newRow("a web address on the window")
            << QList<QUrl>{QUrl(QStringLiteral("https://example.com/B.hlp"))} << "" << true;
    }
    void droppedFiles()
    {
        QFETCH(QList<QUrl>, urls);
        QFETCH(QString, opened);
        QFETCH(bool, viaWindow);
        WindowFixture f;
        frmMain& w = f.w();
        f.writeFile(QStringLiteral("A.hlp"), kA);
        f.writeFile(QStringLiteral("B.hlp"), kB);
        QList<QUrl> absolute;
        for (const QUrl& url : urls)
            absolute << (url.isRelative() ? QUrl::fromLocalFile(f.path(url.path())) : url);
        const Snapshot before = Snapshot::of(f);

        QVERIFY(drop(viaWindow ? static_cast<QWidget*>(&w) : w.rEdit->viewport(), absolute));

        if (opened.isEmpty()) {
            COMPARE_SNAPSHOT(Snapshot::of(f), before);
        } else {
            QCOMPARE(w.CurrentFile(), f.path(opened));
            QCOMPARE(recentKeys(w).at(0), f.path(opened));
            QCOMPARE(w.rEdit->Text(), QString::fromLatin1(kB));
        }
        QVERIFY(f.desktop.boxes.isEmpty());
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // A recent entry whose file is gone: the question first (its Yes saves), then the message,
    // and the document stays.
    void recentEntryWhoseFileIsGone()
    {
        WindowFixture f;
        frmMain& w = f.w();
        const QString gone = f.writeFile(QStringLiteral("gone.hlp"), "#G\r\n");
        const QString a = f.open(kA, QStringLiteral("A.hlp"));
        w.OpenFile(gone);
        w.OpenFile(a);
        QVERIFY(QFile::remove(gone));
        typeAtEnd(f, QStringLiteral("zz"));
        f.desktop.clear();
        f.desktop.answer(Button::Yes);
        f.desktop.answer(Button::Ok);
        f.desktop.answer(Button::No); // keep the entry
        w.menu_Recent[1]->trigger();
        QCOMPARE(f.desktop.boxes.size(), 3);
        compareQuestion(f.desktop.boxes[0].box);
        QCOMPARE(f.desktop.boxes[1].box.text,
                 QStringLiteral("This file does not exist.\r\n") + gone);
        QCOMPARE(f.desktop.boxes[2].box.buttons, Buttons::YesNo);
        QCOMPARE(f.desktop.boxes[2].box.defaultButton, std::optional(Button::No));
        QCOMPARE(w.CurrentFile(), a);
        QCOMPARE(w.IsDirty(), quint8(0));
        QVERIFY(fileBytes(a).contains("zz"));
        QCOMPARE(recentKeys(w).mid(0, 2), QStringList({a, gone}));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }
};

QTEST_MAIN(tst_FileCommands)
#include "tst_filecommands.moc"
