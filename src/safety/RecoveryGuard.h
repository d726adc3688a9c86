#pragma once

#include "platform/Desktop.h"
#include "safety/DocumentHost.h"
#include "safety/RecoveryStore.h"

#include <QObject>
#include <QTimer>

namespace safety {

// Keeps a recovery copy of the document while it has unsaved edits, and offers the copies an
// editor that did not exit cleanly left behind.
class RecoveryGuard : public QObject {
    Q_OBJECT

public:
    RecoveryGuard(DocumentHost& host, platform::Desktop& desktop, QObject* parent = nullptr);

    // How long after an edit the copy is written at the latest.
    void setDelay(int milliseconds) { timer_.setInterval(milliseconds); }
    int delay() const { return timer_.interval(); }

    const RecoveryStore& store() const { return store_; }
    // The copy this document has on disk now (empty when none).
    QString currentCopy() const { return copy_; }

    // ---- What the window tells it
    void documentEdited();
    void editedChanged(bool edited);
    // A new document came in (opened, New): its copy, if any, is not ours to write over.
    void documentReplaced();
    // The user chose to drop the unsaved edits.
    void editsDiscarded();
    // `path` was opened: offers its copy when that is newer than the file.
    void fileOpened(const QString& path);
    // At start without a file: offers the newest copy that is newer than its file.
    void offerAtStart();

    // Writes the copy now (what the timer does); false when it could not be written.
    bool writeNow();

private:
    // Asks about the copy; true when the user took it.
    bool offer(const RecoveryCopy& copy);
    // A readable copy, or nothing after the damage was reported and the file set aside.
    std::optional<RecoveryCopy> readOrSetAside(const QString& file);
    bool newerThanItsFile(const RecoveryCopy& copy) const;
    void dropCopy();

    DocumentHost& host_;
    platform::Desktop& desktop_;
    RecoveryStore store_;
    QTimer timer_;
    QString copy_; // the current document's copy
    bool warnedWriteError_ = false;
};

} // namespace safety
