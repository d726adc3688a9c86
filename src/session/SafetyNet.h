// SPDX-License-Identifier: MIT

#pragma once

#include "platform/Desktop.h"
#include "safety/DiskWatcher.h"
#include "safety/DocumentHost.h"
#include "safety/RecoveryGuard.h"

#include <QObject>

class RichTextBox;
namespace skyrend {
class Settings;
}

namespace session {

class DocumentSession;

// The session's recovery copy and the watch on its file: the session as they see it, and its
// signals brought to them.
class SafetyNet : public QObject, public safety::DocumentHost {
    Q_OBJECT

public:
    SafetyNet(DocumentSession& session, RichTextBox& box, platform::Desktop& desktop,
              const skyrend::Settings& settings, QWidget* window);

    // Asked before a file is read: false when another editor has it open and the user does not
    // want it open twice.
    bool mayOpen(const QString& path) { return guard.mayOpen(path); }
    // Asked before a save writes over `path`: false when it changed on disk and the user declines.
    bool mayOverwrite(const QString& path) { return watcher.mayOverwrite(path); }
    void offerAtStart() { guard.offerAtStart(); }
    // The program is told to end (a signal): the edits go to the recovery copy, which stays.
    bool keepEditsForExit() { return guard.writeNowForExit(); }

    // ---- What the recovery copy and the watcher see
    QWidget* widget() override { return window_; }
    QString documentPath() const override;
    QString documentTitle() const override;
    bool isEdited() const override;
    bool isBusy() const override;
    skyrend::ColoredText shownText() const override;
    std::vector<skyrend::LinePtr> shownLines() const override;
    QString settingsFolder() const override;
    void reload() override;
    void markEdited() override;
    bool restore(const QString& path, const QString& title,
                 const skyrend::ColoredText& doc) override;

private:
    DocumentSession& session_;
    RichTextBox& box_;
    const skyrend::Settings& settings_;
    QWidget* window_;

public:
    safety::RecoveryGuard guard;
    safety::DiskWatcher watcher;
};

} // namespace session
