// SPDX-License-Identifier: MIT
// Save and Save As: the coloured document back into tagged text, written to disk. The document
// keeps its name and its edited state until its bytes are on disk.

#include "session/DocumentSession.h"

#include "document/FileLimits.h"
#include "document/HelpFormat.h"
#include "editor/BoxLines.h"
#include "editor/RichTextBox.h"
#include "files/DialogFolder.h"
#include "platform/CommonDialog.h"
#include "platform/RedrawLock.h"
#include "session/Progress.h"
#include "session/SafetyNet.h"
#include "session/SaveMessages.h"
#include "session/SessionScopes.h"
#include "storage/Storage.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <memory>

namespace session {

void DocumentSession::runAside(const std::function<void()>& work,
                               const std::function<void()>& progress)
{
    // The work reads only what the caller handed it; the window goes on answering meanwhile
    // (its input is refused while the session is busy).
    std::unique_ptr<QThread> worker(QThread::create(work));
    worker->start();
    do {
        progress();
        desktop_.yield();
    } while (!worker->wait(QDeadlineTimer(5)));
    progress();
}

QString savedPercent(double percent)
{
    return QLocale::system().toString(percent, 'g', 15);
}

bool DocumentSession::save()
{
    if (isBusy() || ending_)
        return false;
    if (path_.isEmpty() || title_.isEmpty())
        return saveAs();
    return writeDocument(path_, false);
}

bool DocumentSession::saveAs()
{
    if (isBusy() || ending_)
        return false;
    dialog_.DialogTitle = QStringLiteral("Save File As");
    // The dialog proposes the document's own file; cancelled, it keeps the name it had.
    const QString lastName = dialog_.FileName;
    if (!path_.isEmpty())
        dialog_.FileName = path_;
    const skyrend::DialogFolder folders(settings_);
    dialog_.InitDir = folders.startFor(path_);
    if (!dialog_.ShowSave()) {
        dialog_.FileName = lastName;
        return false;
    }
    const QString target = dialog_.FileName;
    const bool renamed = path_.isEmpty() || QFileInfo(target).absoluteFilePath() !=
                                                QFileInfo(path_).absoluteFilePath();
    if (!writeDocument(target, renamed))
        return false;
    folders.remember(target);
    return true;
}

bool DocumentSession::writeDocument(const QString& path, bool renamed)
{
    if (safety_ && !safety_->mayOverwrite(path))
        return false;

    // The document's lines, taken as they are now: nothing below reads the box again.
    const std::vector<skyrend::LinePtr> lines = box_.lines().lines().snapshot();
    if (std::none_of(lines.begin(), lines.end(),
                     [](const skyrend::LinePtr& line) { return line->header; })) {
        platform::showMessage(
            desktop_, dialogParent_,
            QStringLiteral("Suggestion: It is common practice to have at least 1 header line in "
                           "each Commands.hlp file. Line 1 should read:\r\n"
                           "# <title> (F1 for more options)"),
            QStringLiteral("Information"), platform::Icon::Information);
    }

    const QString fileLabel = QStringLiteral("File [") + path + QStringLiteral("] ");
    const qsizetype caret = box_.SelStart();

    // The walk: a worker joins the lines into the document and works out what the save writes
    // and what it would not keep, showing progress. The last figure, 100, waits for the file to
    // be written: nothing may claim a save that has not happened (a box below may still stop it).
    SaveCheck plan;
    {
        BusyScope busy(*this, Activity::Saving);
        std::atomic<std::size_t> joined = 0;
        std::size_t shownAt = 0;
        runAside(
            [&] {
                skyrend::ColoredText doc;
                for (const skyrend::LinePtr& line : lines) {
                    skyrend::appendLine(doc, *line, &line == &lines.back());
                    joined.fetch_add(1, std::memory_order_relaxed);
                }
                plan = checkSave(doc);
            },
            [&] {
                const std::size_t done = joined.load(std::memory_order_relaxed);
                if (done > shownAt && done < lines.size())
                    emit status(fileLabel +
                                savedPercent(double(done) / double(lines.size()) * 100) +
                                QStringLiteral("% Saved."));
                shownAt = done;
            });
    }
    box_.setSelStart(caret);

    // Nothing written: the document stays as it was, its name and edited state included.
    auto notSaved = [&] {
        emit status(fileLabel + QStringLiteral("NOT saved."));
        return false;
    };
    auto failed = [&](const QString& text) {
        platform::showMessage(desktop_, dialogParent_, text, QStringLiteral("Save Failed"),
                              platform::Icon::Critical);
        return notSaved();
    };

    // A character the game's code page has no byte for would turn into something else.
    if (!plan.unwritable.isEmpty())
        return failed(plan.unwritable);
    // The format has no escape for a "%" before a tag letter or another "%": say where the text
    // would come back different, and how, before it does.
    if (!plan.unkeepable.isEmpty()) {
        const platform::Button answer = platform::showMessage(
            desktop_, dialogParent_, plan.unkeepable, QStringLiteral("Warning"),
            platform::Icon::Warning, platform::Buttons::YesNo, platform::Button::No);
        if (answer != platform::Button::Yes)
            return notSaved();
    }
    // A file the editor would refuse to open again is no save.
    if (plan.bytes.size() > skyrend::kMaxHelpFileBytes)
        return failed(tooLargeMessage(plan.bytes.size()));
    // The program is ending while a box was open: what it answered is nobody's choice.
    if (ending_)
        return notSaved();

    storage::WriteResult written;
    {
        BusyScope busy(*this, Activity::Saving);
        const std::filesystem::path file(QFile::encodeName(path).toStdString());
        runAside([&] { written = storage::writeFile(file, plan.bytes); }, [] {});
    }
    if (!written.ok())
        return failed(writeFailedMessage(path, written));

    emit status(fileLabel + savedPercent(100) + QStringLiteral("% Saved."));
    if (renamed)
        nameAfter(path, QFileInfo(path).fileName());
    markSaved();
    emit status(fileLabel + QStringLiteral("Saved."));
    emit fileSaved(path, renamed);
    return true;
}

} // namespace session
