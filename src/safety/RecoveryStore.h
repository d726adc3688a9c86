#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace safety {

// One recovery copy: a document's unsaved text, as tagged help-file text, and where it belongs.
struct RecoveryCopy {
    QString file;         // the recovery file itself
    QString documentPath; // the help file it belongs to; empty for an untitled document
    QString title;        // the document's title when the copy was made
    QDateTime written;    // when the copy was made (UTC)
    QString taggedText;
};

// The recovery folder: one file per document, each written whole or not at all (QSaveFile),
// with its length and checksum inside, so a torn or damaged copy is recognised as such.
class RecoveryStore {
public:
    // `folder` gives the folder at the time of each use (the settings folder may move).
    explicit RecoveryStore(std::function<QString()> folder);

    QString folder() const;
    // The copy of the document saved as `documentPath` always has the same name.
    QString fileFor(const QString& documentPath) const;
    // A new name for an untitled document's copy.
    QString newUntitledFile() const;

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
    std::function<QString()> folder_;
};

} // namespace safety
