// SPDX-License-Identifier: MIT

#pragma once

#include "safety/RecoveryFormat.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace safety {

// The recovery folder: one file per document and editor, each written whole or not at all
// (QSaveFile). Beside each copy an editor owns lies its lock ("<copy>.lock", see CopyLock).
class RecoveryStore {
public:
    // `folder` gives the folder at the time of each use (the settings folder may move).
    explicit RecoveryStore(std::function<QString()> folder);

    QString folder() const;
    // The copy that the editor named `instance` keeps of the document saved as `documentPath`.
    QString fileFor(const QString& documentPath, const QString& instance) const;
    // Every copy of `documentPath` in the folder, whichever editor wrote it, newest first.
    QStringList filesFor(const QString& documentPath) const;
    // A new name for an untitled document's copy.
    QString newUntitledFile() const;
    // The lock an editor holds while it has `documentPath` open.
    QString openLockFor(const QString& documentPath) const;
    static QString lockOf(const QString& copyFile) { return copyFile + QStringLiteral(".lock"); }

    // Writes the copy; on failure returns the reason.
    std::optional<QString> write(const QString& file, const RecoveryCopy& copy) const;

    struct ReadResult {
        std::optional<RecoveryCopy> copy;
        QString error; // why there is no copy
    };
    static ReadResult read(const QString& file);

    // Every recovery file in the folder, newest first.
    QStringList files() const;

    // Renames a damaged copy so it is neither offered again nor lost; returns the new name,
    // or empty when it could not be moved.
    static QString setAside(const QString& file);
    static bool remove(const QString& file);

    static QString suffix() { return QStringLiteral(".recovery"); }

private:
    QString keyOf(const QString& documentPath) const;
    QStringList matching(const QStringList& patterns) const;

    std::function<QString()> folder_;
};

} // namespace safety
