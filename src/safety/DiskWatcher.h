// SPDX-License-Identifier: MIT

#pragma once

#include "platform/Desktop.h"
#include "safety/DocumentHost.h"

#include <QByteArray>
#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <optional>

namespace safety {

// The document's file as it stands on disk, enough to tell whether someone else wrote it.
struct DiskState {
    bool exists = false;
    qint64 size = -1;
    QDateTime modified;
    QByteArray hash; // of the contents; filled only when needed

    static DiskState of(const QString& path, bool withHash);
};

// Watches the document's file. When another program changes, replaces or deletes it, says so
// once per change when the window is next active; and asks before a save writes over such a
// change. The editor's own saves are not changes: after each, the file as written is the base.
class DiskWatcher : public QObject {
    Q_OBJECT

public:
    DiskWatcher(DocumentHost& host, platform::Desktop& desktop, QObject* parent = nullptr);

    // The document now matches `path` as it is on disk (after a load or a save).
    void track(const QString& path);
    // No file belongs to the document any more.
    void stop();
    QString trackedFile() const { return path_; }

    // Save is about to write `path`; false when the user chose not to overwrite a change.
    bool mayOverwrite(const QString& path);

    // A change is waiting to be reported.
    bool changePending() const { return pending_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void somethingChanged();
    void reportSoon();
    void report();
    // The file differs from what the document was loaded from or saved as.
    bool differsFromBase(DiskState& now);
    void rewatch();

    DocumentHost& host_;
    platform::Desktop& desktop_;
    QFileSystemWatcher watcher_;
    QTimer settle_; // a write comes as several notifications: report once they settle
    QString path_;
    DiskState base_;
    std::optional<DiskState> reported_; // the last state the user was told about
    bool pending_ = false;
    bool reporting_ = false;
};

} // namespace safety
