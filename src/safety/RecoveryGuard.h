// SPDX-License-Identifier: MIT

#pragma once

#include "platform/Desktop.h"
#include "safety/CopyLock.h"
#include "safety/DocumentHost.h"
#include "safety/RecoveryStore.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

#include <vector>

class QThread;

namespace safety {

// Keeps a recovery copy of the document while it has unsaved edits, and offers the copies an
// editor that did not exit cleanly left behind.
//
// Each editor writes copies under names of its own and holds a lock beside each from its first
// write, so two editors never share a copy, and no editor offers, deletes or sets aside a copy
// whose editor is still running. It also holds an "open" lock for the file it has open, so a
// second editor can say so before it opens that file too.
class RecoveryGuard : public QObject {
    Q_OBJECT

public:
    RecoveryGuard(DocumentHost& host, platform::Desktop& desktop, QObject* parent = nullptr);
    ~RecoveryGuard() override;

    // How long after an edit the copy is written at the latest.
    void setDelay(int milliseconds) { timer_.setInterval(milliseconds); }
    int delay() const { return timer_.interval(); }

    const RecoveryStore& store() const { return store_; }
    // The copy this document has on disk now (empty when none).
    QString currentCopy() const { return copy_.file; }
    // This editor's part of its copies' names.
    QString instance() const { return instance_; }

    // ---- Asked by the session
    // Before `path` is loaded: false when another running editor has it open and the user
    // chose not to open it here too.
    bool mayOpen(const QString& path);

    // ---- What the session tells it
    void documentEdited();
    void editedChanged(bool edited);
    // A new document came in (opened, New): its copy, if any, is not ours to write over.
    void documentReplaced();
    // The user chose to drop the unsaved edits.
    void editsDiscarded();
    // `path` was opened: offers every copy of it that no running editor holds.
    void fileOpened(const QString& path);
    // The document was saved as `path`, perhaps a new name.
    void fileSaved(const QString& path);
    // At start without a file: offers the newest copy that no running editor holds.
    void offerAtStart();

    // Writes the copy now, here; false when it could not be written.
    bool writeNow();
    // Writes the copy on a worker thread (what the timer does); the window's thread only takes
    // the document's lines for it. A write still going on is followed by another.
    void writeAside();
    // A write on the worker thread is going on.
    bool writing() const { return writer_ != nullptr; }
    // For an exit on a termination signal: writes the copy now, however recent the last write,
    // and keeps it on disk through the rest of the exit. False when it could not be written.
    bool writeNowForExit();

signals:
    // The copy could not be written, each time; `message` names the folder and the reason.
    void copyFailed(const QString& message);

private:
    // A copy of another editor, locked by us while we look at it.
    struct Candidate {
        RecoveryCopy copy;
        CopyLock lock;
    };
    // The copies in `files` no running editor holds, readable, newest first; the damaged ones
    // are reported and set aside.
    std::vector<Candidate> takeCandidates(const QStringList& files);
    // Asks about the copy; true when the user took it (or the restore was cancelled).
    bool offer(Candidate& candidate);
    // One write of the copy: what the window's thread takes for it, and how it went.
    struct Write {
        RecoveryCopy copy; // all but the text, which the lines give
        std::vector<skyrend::LinePtr> lines;
        CopyLock lock; // of a new copy file
        std::optional<QString> error;
        unsigned drops = 0, replacements = 0; // when it was taken
        void run(const RecoveryStore& store);
    };
    enum class Prepared { Nothing, Later, Failed, Ready };
    Prepared prepare(bool forExit, Write& job);
    bool finish(Write& job, bool forExit);
    // Writes the copy here and now (a running write on the worker ends first).
    bool write(bool forExit);
    // Waits for the worker's write, if any, and takes its result.
    void collectWriter();
    void reportWriteFailure(const QString& folder, const QString& reason, bool forExit);
    void reportDamage(const QString& file, const QString& error);
    void holdOpenLock(const QString& path);
    void dropCopy();

    DocumentHost& host_;
    platform::Desktop& desktop_;
    RecoveryStore store_;
    QString instance_;
    QTimer timer_;
    // The current document's copy: its file (empty when none), its lock, and the document path
    // it was written for.
    struct {
        QString file;
        CopyLock lock;
        QString documentPath;
    } copy_;
    CopyLock openLock_;
    QString openPath_;
    bool warnedWriteError_ = false; // the box was shown for this document
    bool exiting_ = false;          // the copy stays whatever the exit does
    QThread* writer_ = nullptr;     // writing the copy aside
    std::shared_ptr<Write> writing_;
    bool writeAgain_ = false;   // the timer ran out while a write was going on
    unsigned drops_ = 0;        // dropCopy() calls so far
    unsigned replacements_ = 0; // documentReplaced() calls so far
};

} // namespace safety
