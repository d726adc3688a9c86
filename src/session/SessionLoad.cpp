// SPDX-License-Identifier: MIT
// Bringing a file, tagged text or a recovered document into the edit box.

#include "session/DocumentSession.h"
#include "session/Progress.h"

#include "document/FileLimits.h"
#include "document/HelpFileReader.h"
#include "document/HelpFormat.h"
#include "document/Palette.h"
#include "editor/RichTextBox.h"
#include "platform/RedrawLock.h"
#include "session/SafetyNet.h"
#include "session/SessionScopes.h"
#include "storage/Storage.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace session {
namespace {

std::u16string_view viewOf(const QString& s)
{
    return {reinterpret_cast<const char16_t*>(s.utf16()), std::size_t(s.size())};
}

QString fromLocal(const std::string& text)
{
    return QString::fromLocal8Bit(text.data(), qsizetype(text.size()));
}

// A reason as a sentence of a message: with its full stop.
QString sentence(QString text)
{
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    return text;
}

} // namespace

int phase2Percent(std::size_t k, std::size_t m)
{
    if (m < 2)
        return 0;
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    return int(std::nearbyint(double(k) / double(m - 1) * 100.0));
}

void DocumentSession::cannotOpen(const QString& text)
{
    platform::showMessage(desktop_, dialogParent_, text, QStringLiteral("can not open"),
                          platform::Icon::Critical);
}

bool DocumentSession::readFileBytes(const QString& path, std::string& bytes)
{
    const QByteArray name = QFile::encodeName(path);
    storage::ReadResult read =
        storage::readFile(std::filesystem::path(name.toStdString()), skyrend::kMaxHelpFileBytes);
    switch (read.error) {
    case storage::ReadError::None:
        bytes = std::move(read.bytes);
        return true;
    case storage::ReadError::NotFound:
        // A name Qt could not take from the system as it is never matches a file.
        if (path.contains(QChar::ReplacementCharacter))
            cannotOpen(QStringLiteral("This file's name is not valid UTF-8 text, so the editor "
                                      "cannot open it. Rename it and try again.\r\n") +
                       path);
        else
            cannotOpen(QStringLiteral("This file does not exist.\r\n") + path);
        return false;
    case storage::ReadError::TooLarge: {
        constexpr qint64 mib = 1024 * 1024;
        const qint64 size = QFileInfo(path).size();
        // Rounded up, so that a file just over the limit is not called as large as the limit;
        // some files give no size and go on and on (a kernel file such as /proc/self/pagemap).
        const QString sizeText =
            size > qint64(skyrend::kMaxHelpFileBytes)
                ? QStringLiteral("%1 MiB").arg((size + mib - 1) / mib)
                : QStringLiteral("more than %1 MiB").arg(skyrend::kMaxHelpFileBytes / mib);
        cannotOpen(QStringLiteral("This file is too large to edit (%1; the limit is %2 MiB).\r\n")
                       .arg(sizeText)
                       .arg(skyrend::kMaxHelpFileBytes / mib) +
                   path);
        return false;
    }
    case storage::ReadError::NotRegularFile:
    case storage::ReadError::Unreadable:
        cannotOpen(QStringLiteral("This file could not be read.\r\n") + path +
                   QStringLiteral("\r\n") + sentence(fromLocal(read.message)));
        return false;
    }
    return false;
}

bool DocumentSession::refuseOverlongLine(std::u16string_view text, const QString& advice,
                                         const QString& what)
{
    const auto found = skyrend::firstOverlongLine(text);
    if (found)
        refuseOverlongLine(*found, advice, what);
    return found.has_value();
}

void DocumentSession::refuseOverlongLine(const skyrend::OverlongLine& found, const QString& advice,
                                         const QString& what)
{
    // Refused rather than shown read-only: laying out such a line stops the window for as long
    // as it takes (seconds for a few megabytes), and no slice of a load can be shorter than one
    // layout of it.
    cannotOpen(QString::fromStdString(skyrend::overlongLineSentence(found)) +
               QStringLiteral(" The editor lays a line out again at every key in it, which takes "
                              "seconds for a line of megabytes. ") +
               advice + QStringLiteral("\r\n") + what);
}

QString DocumentSession::breakLinesAdvice()
{
    return QStringLiteral("Break it into shorter lines in a text editor, then open the file "
                          "again.");
}

bool DocumentSession::open(const QString& path)
{
    if (isBusy() || ending_)
        return false;
    if (!path.isEmpty() && QFileInfo(path).isDir()) {
        cannotOpen(QStringLiteral("This is a folder, not a file.\r\n") + path);
        return false;
    }
    // Another editor has it open: two sets of edits of one file end in one lost.
    if (safety_ && !safety_->mayOpen(path))
        return false;

    // Read the whole file before anything changes: a file that cannot be read leaves the
    // document, its name and the recent list as they were.
    std::string bytes;
    if (!readFileBytes(path, bytes))
        return false;
    if (const auto found = skyrend::firstOverlongLine(std::string_view(bytes))) {
        refuseOverlongLine(*found, breakLinesAdvice(), path);
        return false;
    }

    markSaved();
    nameAfter(path, QFileInfo(path).fileName());

    // Decoded a piece at a time while the box fills, so a big file never freezes the window.
    skyrend::HelpFileReader reader{std::string_view(bytes)};
    const bool complete = load(reader);
    bytes.clear();
    if (!complete)
        return false;
    {
        QuietScope quiet(*this);
        box_.setSelStart(0);
        box_.setSelColor(skyrend::ColorValues[skyrend::White]);
    }
    emit fileRead(path_);

    if (!box_.headerLineBefore(box_.TextLength())) {
        platform::showMessage(
            desktop_, dialogParent_,
            QStringLiteral("This is not a valid F1 (Commands.hlp) file. Missing a "
                           "header #Title line."),
            QStringLiteral("Please Fix."), platform::Icon::Information);
        platform::showMessage(desktop_, dialogParent_,
                              QStringLiteral("Since header line is not valid, colors will not be "
                                             "accurate; and saving will only overwrite incorrect "
                                             "colors."),
                              QString());
        platform::showMessage(desktop_, dialogParent_,
                              QStringLiteral("Best deal 1.) open commands.hlp in notepad or text "
                                             "editor add a line, then re-open with this program."),
                              QString());
    }

    markSaved();
    emit status(QStringLiteral("File Loaded. [") + path_ + QLatin1Char(']'));
    emit fileLoaded(path_);
    return true;
}

bool DocumentSession::loadTagged(const QString& tagged)
{
    if (refuseOverlongLine(viewOf(tagged), breakLinesAdvice(), path_.isEmpty() ? title_ : path_))
        return false;
    skyrend::HelpFileReader reader(viewOf(tagged));
    return load(reader);
}

bool DocumentSession::load(skyrend::HelpFileReader& reader)
{
    // The file is read in pieces of this many characters, the deadline looked at between them.
    constexpr std::size_t kReadPiece = 64 * 1024;
    const QString colorizing = QStringLiteral("Colorizing File [") + path_ + QLatin1Char(']');
    bool complete = false;
    {
        BusyScope busy(*this, Activity::Loading);
        abort_ = false;
        abortQuietly_ = false;
        {
            QuietScope quiet(*this);
            platform::RedrawLock lock(&box_);
            box_.setText(QString());
            box_.setSelColor(skyrend::ColorValues[skyrend::Green]);
        }
        emit status(colorizing);

        // Pass 1: decode, in slices between which the window stays live (Escape, closing). The
        // first slice is shorter: reading the file came before it.
        QDeadlineTimer slice(sliceMilliseconds / 2);
        while (!reader.done()) {
            do
                reader.readSome(kReadPiece);
            while (!reader.done() && !slice.hasExpired());
            if (reader.done())
                break;
            desktop_.yield();
            if (abort_)
                break;
            slice.setRemainingTime(sliceMilliseconds);
        }
        const skyrend::ColoredText doc = reader.take();
        emit status(colorizing + QLatin1Char(' '));
        // An Escape pressed during pass 1 is seen here at the latest, before anything is
        // coloured.
        if (!doc.text.empty() && !abort_)
            desktop_.yield();
        if (!abort_)
            complete = fillBox(doc, colorizing);
    }
    if (!complete) {
        loadCancelledByUser();
        return false;
    }
    emit status(QStringLiteral("File Loaded. [") + path_ + QLatin1Char(']'));
    return true;
}

bool DocumentSession::fillBox(const skyrend::ColoredText& doc, const QString& progressLabel)
{
    constexpr std::size_t kSmallDocument = 64 * 1024;
    QuietScope quiet(*this);
    platform::RedrawLock lock(&box_);
    const std::size_t m = doc.text.size();
    {
        // The visible text goes into the box run by run, in slices between which the window
        // stays live.
        RichTextBox::ColoredLoad load(box_, doc);
        emit status(progressLabel);
        while (!load.done()) {
            const std::size_t done = load.colorUntil(QDeadlineTimer(sliceMilliseconds));
            emit status(progressLabel + QStringLiteral(" Phase2: ") +
                        QString::number(phase2Percent(done - 1, m)) + QLatin1Char('%'));
            // Also after the last slice: what comes after the load starts afresh.
            if (load.done() && m < kSmallDocument)
                break;
            desktop_.yield();
            if (abort_)
                return false;
        }
    }
    if (m > 0) {
        box_.setSelStart(qsizetype(m) - 1);
        box_.setSelLength(1);
    }
    return !abort_;
}

void DocumentSession::loadCancelledByUser()
{
    const bool quietly = abortQuietly_;
    abort_ = false;
    abortQuietly_ = false;
    // A close of the window ends the load without a word: nothing was edited.
    if (!quietly)
        platform::showMessage(desktop_, dialogParent_, QStringLiteral("Abort Was Called."),
                              QStringLiteral("File Load Aborted."), platform::Icon::Information);
    if (!ending_) {
        markSaved();
        newDocument();
    }
    abort_ = true; // callers see the load as cancelled
    emit loadCancelled();
}

} // namespace session
