// SPDX-License-Identifier: MIT

#pragma once

#include <QString>

#include <memory>
#include <optional>

class QLockFile;

namespace safety {

// A lock file that one running editor holds: beside each recovery copy it owns, and for each
// file it has open. A lock whose process is gone is stale and taken over; its age does not
// matter, so a long session keeps its locks.
class CopyLock {
public:
    explicit CopyLock(const QString& lockFile = {});
    ~CopyLock();
    CopyLock(CopyLock&&) noexcept;
    CopyLock& operator=(CopyLock&&) noexcept;

    // Takes the lock (making its folder when needed); false when a live process holds it or it
    // cannot be made. `waitMs` rides out another editor that only looks at it.
    bool take(int waitMs = 0);
    void release();
    bool held() const;
    QString file() const { return file_; }

    // The process that holds `lockFile`, when a live one does (this one included).
    static std::optional<qint64> liveHolder(const QString& lockFile);

private:
    QString file_;
    std::unique_ptr<QLockFile> lock_;
};

} // namespace safety
