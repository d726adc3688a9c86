#include "safety/RecoveryGuard.h"

#include <QFileInfo>

namespace safety {
namespace {

// Well inside the promised five seconds, and rare enough that typing never waits on it.
constexpr int kDefaultDelayMs = 2000;

const QString kTitle = QStringLiteral("Recover Unsaved Changes");

bool isUntitledCopy(const QString& file)
{
    return QFileInfo(file).fileName().startsWith(QLatin1String("untitled-"));
}

bool samePath(const QString& a, const QString& b)
{
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

QString timeText(const QDateTime& utc)
{
    return utc.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

RecoveryGuard::RecoveryGuard(DocumentHost& host, platform::Desktop& desktop, QObject* parent)
    : QObject(parent), host_(host), desktop_(desktop),
      store_([&host] { return host.settingsFolder(); })
{
    timer_.setSingleShot(true);
    timer_.setInterval(kDefaultDelayMs);
    connect(&timer_, &QTimer::timeout, this, &RecoveryGuard::writeNow);
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
    // Anything still on disk stays there for a later recovery; it is no longer this document's.
    timer_.stop();
    copy_.clear();
}

void RecoveryGuard::editsDiscarded()
{
    timer_.stop();
    dropCopy();
}

void RecoveryGuard::dropCopy()
{
    if (!copy_.isEmpty() && RecoveryStore::remove(copy_))
        copy_.clear();
}

bool RecoveryGuard::writeNow()
{
    if (!host_.isEdited())
        return true;
    if (host_.isBusy()) {
        timer_.start(); // the text is changing hands; try again shortly
        return false;
    }
    const QString path = host_.documentPath();
    QString file;
    if (!path.isEmpty())
        file = store_.fileFor(path);
    else if (!copy_.isEmpty() && isUntitledCopy(copy_))
        file = copy_;
    else
        file = store_.newUntitledFile();

    const RecoveryCopy copy{file, path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath(),
                            host_.documentTitle(), QDateTime::currentDateTimeUtc(),
                            host_.taggedText()};
    if (const auto error = store_.write(file, copy)) {
        if (!warnedWriteError_)
            qWarning("Cannot write the recovery copy %s: %s", qPrintable(file), qPrintable(*error));
        warnedWriteError_ = true;
        return false;
    }
    // The document got a new name since the last copy: the old copy is superseded.
    if (!copy_.isEmpty() && copy_ != file)
        RecoveryStore::remove(copy_);
    copy_ = file;
    return true;
}

std::optional<RecoveryCopy> RecoveryGuard::readOrSetAside(const QString& file)
{
    RecoveryStore::ReadResult result = RecoveryStore::read(file);
    if (result.copy)
        return result.copy;
    const QString aside = RecoveryStore::setAside(file);
    const QString where = aside.isEmpty()
                              ? QStringLiteral("It could not be moved and was left as it is.")
                              : QStringLiteral("It was kept as\r\n") + aside;
    platform::showMessage(desktop_, host_.widget(),
                          QStringLiteral("A recovery copy of unsaved changes could not be "
                                         "read:\r\n") +
                              file + QStringLiteral("\r\n") + result.error +
                              QStringLiteral("\r\n\r\n") + where,
                          kTitle, platform::Icon::Warning);
    return std::nullopt;
}

bool RecoveryGuard::newerThanItsFile(const RecoveryCopy& copy) const
{
    if (copy.documentPath.isEmpty())
        return true;
    const QFileInfo info(copy.documentPath);
    return !info.exists() || copy.written > info.lastModified().toUTC();
}

void RecoveryGuard::fileOpened(const QString& path)
{
    documentReplaced();
    const QString file = store_.fileFor(path);
    if (!QFileInfo::exists(file))
        return;
    const auto copy = readOrSetAside(file);
    if (copy && samePath(copy->documentPath, path) && newerThanItsFile(*copy))
        offer(*copy);
}

void RecoveryGuard::offerAtStart()
{
    std::optional<RecoveryCopy> newest;
    const QStringList files = store_.files();
    for (const QString& file : files) {
        const auto copy = readOrSetAside(file);
        if (copy && newerThanItsFile(*copy) && (!newest || copy->written > newest->written))
            newest = copy;
    }
    if (newest)
        offer(*newest);
}

bool RecoveryGuard::offer(const RecoveryCopy& copy)
{
    const QString what = copy.documentPath.isEmpty()
                             ? QStringLiteral("an untitled document (%1)").arg(copy.title)
                             : copy.documentPath + (QFileInfo::exists(copy.documentPath)
                                                        ? QString()
                                                        : QStringLiteral(" (the file is gone)"));
    const platform::Button answer = platform::showMessage(
        desktop_, host_.widget(),
        QStringLiteral("The editor did not close normally. It kept unsaved changes to\r\n%1\r\n"
                       "from %2.\r\n\r\nRecover them? No deletes the copy.")
            .arg(what, timeText(copy.written)),
        kTitle, platform::Icon::Question, platform::Buttons::YesNo, platform::Button::Yes);
    if (answer != platform::Button::Yes) {
        RecoveryStore::remove(copy.file);
        return false;
    }
    const QString title = copy.title.isEmpty() ? QStringLiteral("Untitled") : copy.title;
    if (!host_.restore(copy.documentPath, title, copy.taggedText))
        return false; // cancelled: the copy stays for another time
    copy_ = copy.file;
    return true;
}

} // namespace safety
