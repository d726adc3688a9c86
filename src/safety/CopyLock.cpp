// SPDX-License-Identifier: MIT

#include "safety/CopyLock.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

namespace safety {
namespace {

std::unique_ptr<QLockFile> lockFor(const QString& file)
{
    auto lock = std::make_unique<QLockFile>(file);
    // Stale only when its process is dead: QLockFile then looks at nothing else.
    lock->setStaleLockTime(0);
    return lock;
}

} // namespace

CopyLock::CopyLock(const QString& lockFile) : file_(lockFile) {}
CopyLock::~CopyLock() = default;
CopyLock::CopyLock(CopyLock&&) noexcept = default;
CopyLock& CopyLock::operator=(CopyLock&&) noexcept = default;

bool CopyLock::take(int waitMs)
{
    if (held())
        return true;
    if (file_.isEmpty() || !QDir().mkpath(QFileInfo(file_).absolutePath()))
        return false;
    auto lock = lockFor(file_);
    if (!lock->tryLock(waitMs))
        return false;
    lock_ = std::move(lock);
    return true;
}

void CopyLock::release()
{
    lock_.reset(); // QLockFile removes the file it holds
}

bool CopyLock::held() const
{
    return lock_ && lock_->isLocked();
}

std::optional<qint64> CopyLock::liveHolder(const QString& lockFile)
{
    if (!QFileInfo::exists(lockFile))
        return std::nullopt;
    auto probe = lockFor(lockFile);
    if (probe->tryLock(0)) {
        probe->unlock(); // it was stale: nobody holds it
        return std::nullopt;
    }
    qint64 pid = 0;
    QString host, app;
    if (!probe->getLockInfo(&pid, &host, &app))
        return qint64(0); // held, but its contents are not readable yet
    return pid;
}

} // namespace safety
