// SPDX-License-Identifier: MIT

#include "safety/RecoveryGuard.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QUuid>

#include <algorithm>

namespace safety {
namespace {

// Well inside the promised five seconds, and rare enough that typing never waits on it.
constexpr int kDefaultDelayMs = 2000;
// Another editor may be looking at our lock for a moment (CopyLock::liveHolder).
constexpr int kOwnLockWaitMs = 200;

const QString kTitle = QStringLiteral("Recover Unsaved Changes");

QString absolutePath(const QString& path)
{
    return path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

QString timeText(const QDateTime& time)
{
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

RecoveryGuard::RecoveryGuard(DocumentHost& host, platform::Desktop& desktop, QObject* parent)
    : QObject(parent), host_(host), desktop_(desktop),
      store_([&host] { return host.settingsFolder(); }),
      instance_(QUuid::createUuid().toString(QUuid::Id128).left(12))
{
    timer_.setSingleShot(true);
    timer_.setInterval(kDefaultDelayMs);
    connect(&timer_, &QTimer::timeout, this, &RecoveryGuard::writeAside);
}

// The copies stay on disk; the locks go, so a later editor may offer what is left.
RecoveryGuard::~RecoveryGuard()
{
    collectWriter();
}

bool RecoveryGuard::mayOpen(const QString& path)
{
    const QString absolute = absolutePath(path);
    if (openLock_.held() && openPath_ == absolute)
        return true;
    const auto holder = CopyLock::liveHolder(store_.openLockFor(absolute));
    if (!holder)
        return true;
    const QString process = *holder > 0 ? QStringLiteral(" (process %1)").arg(*holder) : QString();
    return platform::showMessage(desktop_, host_.widget(),
                                 absolute + QStringLiteral("\r\n\r\nThis file is open in another "
                                                           "Skyrend F1 Editor%1.\r\nOpen it here "
                                                           "too?")
                                                .arg(process),
                                 QString(), platform::Icon::Question, platform::Buttons::YesNo,
                                 platform::Button::No) == platform::Button::Yes;
}

void RecoveryGuard::documentEdited()
{
    // Not restarted by later edits: a copy is never older than the delay while typing goes on.
    if (!timer_.isActive())
        timer_.start();
}

void RecoveryGuard::editedChanged(bool edited)
{
    if (edited) {
        documentEdited();
        return;
    }
    timer_.stop();
    dropCopy();
}

void RecoveryGuard::documentReplaced()
{
    ++replacements_;
    // Anything still on disk stays there for a later recovery; it is no longer this document's.
    timer_.stop();
    copy_.file.clear();
    copy_.documentPath.clear();
    copy_.lock.release();
    openLock_.release();
    openPath_.clear();
    warnedWriteError_ = false;
}

void RecoveryGuard::editsDiscarded()
{
    timer_.stop();
    dropCopy();
}

void RecoveryGuard::dropCopy()
{
    ++drops_;
    if (exiting_ || copy_.file.isEmpty() || !RecoveryStore::remove(copy_.file))
        return;
    copy_.file.clear();
    copy_.documentPath.clear();
    copy_.lock.release();
}

void RecoveryGuard::holdOpenLock(const QString& path)
{
    const QString absolute = absolutePath(path);
    if (openLock_.held() && openPath_ == absolute)
        return;
    openLock_ = CopyLock(store_.openLockFor(absolute));
    openPath_ = absolute;
    // Held by another editor when the user chose to open the file here too: that one keeps it.
    openLock_.take(kOwnLockWaitMs);
}

void RecoveryGuard::fileSaved(const QString& path)
{
    holdOpenLock(path);
}

bool RecoveryGuard::writeNow()
{
    return write(false);
}

bool RecoveryGuard::writeNowForExit()
{
    exiting_ = true;
    timer_.stop();
    return write(true);
}

RecoveryGuard::Prepared RecoveryGuard::prepare(bool forExit, Write& job)
{
    if (!host_.isEdited())
        return Prepared::Nothing;
    if (host_.isBusy()) {
        if (!forExit)
            timer_.start(); // the text is changing hands; try again shortly
        return Prepared::Later;
    }
    const QString path = absolutePath(host_.documentPath());
    // The copy we hold is written again while it is still this document's, in this folder.
    QString file = copy_.file;
    if (file.isEmpty() || copy_.documentPath != path ||
        QFileInfo(file).absolutePath() != QFileInfo(store_.folder()).absoluteFilePath())
        file = path.isEmpty() ? store_.newUntitledFile() : store_.fileFor(path, instance_);

    if (!QDir().mkpath(store_.folder())) {
        reportWriteFailure(store_.folder(), QStringLiteral("The folder cannot be made."), forExit);
        return Prepared::Failed;
    }
    if (file != copy_.file) {
        job.lock = CopyLock(RecoveryStore::lockOf(file));
        if (!job.lock.take(kOwnLockWaitMs)) {
            reportWriteFailure(
                store_.folder(),
                QStringLiteral("Its lock file %1 cannot be made.").arg(job.lock.file()), forExit);
            return Prepared::Failed;
        }
    }
    job.copy = RecoveryCopy{file, path, host_.documentTitle(), QDateTime::currentDateTimeUtc(), {}};
    job.lines = host_.shownLines();
    return Prepared::Ready;
}

bool RecoveryGuard::finish(Write& job, bool forExit)
{
    if (job.error) {
        reportWriteFailure(store_.folder(), *job.error, forExit);
        return false;
    }
    const QString& file = job.copy.file;
    if (file != copy_.file) {
        // The document got a new name (or the folder moved) since the last copy: the old copy
        // is superseded.
        if (!copy_.file.isEmpty())
            RecoveryStore::remove(copy_.file);
        copy_.file = file;
        copy_.lock = std::move(job.lock);
    }
    copy_.documentPath = job.copy.documentPath;
    return true;
}

void RecoveryGuard::Write::run(const RecoveryStore& store)
{
    copy.doc = skyrend::joinLines(lines);
    lines.clear();
    error = store.write(copy.file, copy);
}

bool RecoveryGuard::write(bool forExit)
{
    collectWriter();
    Write job;
    switch (prepare(forExit, job)) {
    case Prepared::Nothing:
        return true;
    case Prepared::Later:
    case Prepared::Failed:
        return false;
    case Prepared::Ready:
        break;
    }
    job.run(store_);
    return finish(job, forExit);
}

void RecoveryGuard::writeAside()
{
    if (writer_) { // one at a time; the next starts when it is done
        writeAgain_ = true;
        return;
    }
    auto job = std::make_shared<Write>();
    if (prepare(false, *job) != Prepared::Ready)
        return;
    // The window's thread only takes the lines; joining, encoding and writing them is the
    // worker's, which sees nothing but the lines and the store.
    job->drops = drops_;
    job->replacements = replacements_;
    QThread* writer = QThread::create([job, store = store_] { job->run(store); });
    writer_ = writer;
    writing_ = job;
    connect(writer, &QThread::finished, this, [this, writer] {
        if (writer_ == writer)
            collectWriter();
    });
    writer->start();
}

void RecoveryGuard::collectWriter()
{
    if (!writer_)
        return;
    writer_->wait();
    writer_->deleteLater();
    writer_ = nullptr;
    const std::shared_ptr<Write> job = std::move(writing_);
    if (job->drops != drops_) {
        // The copy was dropped (saved, discarded) while this one was written: it goes too.
        if (!job->error && job->copy.file != copy_.file)
            RecoveryStore::remove(job->copy.file);
    } else if (job->replacements == replacements_) {
        finish(*job, false);
    } // else another document came in: what was written stays for a later recovery
    if (writeAgain_) {
        writeAgain_ = false;
        if (host_.isEdited() && !exiting_)
            timer_.start();
    }
}

void RecoveryGuard::reportWriteFailure(const QString& folder, const QString& reason, bool forExit)
{
    const QString message =
        QStringLiteral("The recovery copy of your unsaved changes cannot be written in %1: %2")
            .arg(QDir::toNativeSeparators(folder), reason);
    emit copyFailed(message);
    qWarning("%s", qPrintable(message));
    // Once per document; not while the editor is on its way out.
    if (warnedWriteError_ || forExit)
        return;
    warnedWriteError_ = true;
    platform::showMessage(desktop_, host_.widget(),
                          QStringLiteral("The recovery copy of your unsaved changes cannot be "
                                         "written in\r\n%1\r\n%2\r\n\r\nUntil it can, a crash "
                                         "loses them: save your work.")
                              .arg(QDir::toNativeSeparators(folder), reason),
                          kTitle, platform::Icon::Warning);
}

void RecoveryGuard::reportDamage(const QString& file, const QString& error)
{
    const QString aside = RecoveryStore::setAside(file);
    const QString where = aside.isEmpty()
                              ? QStringLiteral("It could not be moved and was left as it is.")
                              : QStringLiteral("It was kept as\r\n") + aside;
    platform::showMessage(desktop_, host_.widget(),
                          QStringLiteral("A recovery copy of unsaved changes could not be "
                                         "read:\r\n") +
                              file + QStringLiteral("\r\n") + error + QStringLiteral("\r\n\r\n") +
                              where,
                          kTitle, platform::Icon::Warning);
}

std::vector<RecoveryGuard::Candidate> RecoveryGuard::takeCandidates(const QStringList& files)
{
    std::vector<Candidate> out;
    for (const QString& file : files) {
        if (file == copy_.file)
            continue; // our own
        // Taken first: a running editor's copy is never read, and two editors starting at
        // once never offer the same copy.
        CopyLock lock(RecoveryStore::lockOf(file));
        if (!lock.take())
            continue;
        RecoveryStore::ReadResult result = RecoveryStore::read(file);
        if (!result.copy) {
            reportDamage(file, result.error);
            continue;
        }
        out.push_back({std::move(*result.copy), std::move(lock)});
    }
    std::stable_sort(out.begin(), out.end(), [](const Candidate& a, const Candidate& b) {
        return a.copy.written > b.copy.written;
    });
    return out;
}

void RecoveryGuard::fileOpened(const QString& path)
{
    documentReplaced();
    holdOpenLock(path);
    const QString absolute = absolutePath(path);
    std::vector<Candidate> candidates = takeCandidates(store_.filesFor(absolute));
    for (Candidate& candidate : candidates) {
        if (candidate.copy.documentPath != absolute)
            continue; // another file with the same short name
        if (offer(candidate))
            break;
    }
}

void RecoveryGuard::offerAtStart()
{
    std::vector<Candidate> candidates = takeCandidates(store_.files());
    if (!candidates.empty())
        offer(candidates.front());
}

bool RecoveryGuard::offer(Candidate& candidate)
{
    const RecoveryCopy& copy = candidate.copy;
    const QFileInfo info(copy.documentPath);
    QString what = copy.documentPath;
    QString changed;
    if (copy.documentPath.isEmpty())
        what = QStringLiteral("an untitled document (%1)").arg(copy.title);
    else if (!info.exists())
        what += QStringLiteral(" (the file is gone)");
    else if (info.lastModified().toUTC() > copy.written)
        changed = QStringLiteral("\r\n\r\nThe file was changed after that, at %1; recovering "
                                 "puts these changes in place of that version.")
                      .arg(timeText(info.lastModified()));
    const platform::Button answer = platform::showMessage(
        desktop_, host_.widget(),
        QStringLiteral("The editor did not close normally. It kept unsaved changes to\r\n%1\r\n"
                       "from %2.%3\r\n\r\nRecover them? No deletes the copy.")
            .arg(what, timeText(copy.written), changed),
        kTitle, platform::Icon::Question, platform::Buttons::YesNo, platform::Button::Yes);
    if (answer != platform::Button::Yes) {
        RecoveryStore::remove(copy.file);
        return false;
    }
    const QString title = copy.title.isEmpty() ? QStringLiteral("Untitled") : copy.title;
    if (!host_.restore(copy.documentPath, title, copy.doc))
        return true; // cancelled: the copy stays for another time
    // The recovered copy is this document's now, until its next write.
    copy_.file = copy.file;
    copy_.lock = std::move(candidate.lock);
    copy_.documentPath = copy.documentPath;
    if (!copy.documentPath.isEmpty())
        holdOpenLock(copy.documentPath);
    return true;
}

} // namespace safety
