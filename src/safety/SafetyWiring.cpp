// The window's safety net: a recovery copy of unsaved edits, and the watch on the document's
// file. frmMain only creates it; everything else goes through the window's signals.

#include "editor/frmMain.h"

#include "document/HelpFormat.h"
#include "safety/DiskWatcher.h"
#include "safety/DocumentHost.h"
#include "safety/RecoveryGuard.h"

#include <QFileInfo>

class SafetyNet : public QObject, public safety::DocumentHost {
public:
    SafetyNet(frmMain& window, platform::Desktop& desktop)
        : QObject(&window), window_(window), guard(*this, desktop, this),
          watcher(*this, desktop, this)
    {
        connect(window.rEdit, &RichTextBox::Change, &guard, &safety::RecoveryGuard::documentEdited);
        connect(&window, &frmMain::dirtyChanged, &guard, &safety::RecoveryGuard::editedChanged);
        connect(&window, &frmMain::editsDiscarded, &guard, &safety::RecoveryGuard::editsDiscarded);
        connect(&window, &frmMain::fileLoaded, this, [this](const QString& path) {
            watcher.track(path);
            guard.fileOpened(path);
        });
        connect(&window, &frmMain::fileSaved, &watcher, &safety::DiskWatcher::track);
        connect(&window, &frmMain::documentCleared, this, [this] {
            watcher.stop();
            guard.documentReplaced();
        });
    }

    QWidget* widget() override { return &window_; }
    QString documentPath() const override { return window_.CurrentFile; }
    QString documentTitle() const override { return window_.DocTitle; }
    bool isEdited() const override { return window_.IsDirty != 0; }
    bool isBusy() const override { return window_.isBusy(); }
    QString taggedText() const override
    {
        return QString::fromStdU16String(skyrend::encodeHelpText(window_.rEdit->coloredText()));
    }
    QString settingsFolder() const override
    {
        return QFileInfo(window_.settingsFile()).absolutePath();
    }
    void reload() override { window_.OpenFile(window_.CurrentFile); }
    void markEdited() override { window_.setDirty(true); }
    bool restore(const QString& path, const QString& title, const QString& tagged) override
    {
        window_.CurrentFile = path;
        window_.DocTitle = path.isEmpty() ? title : QFileInfo(path).fileName();
        window_.colorText(tagged, window_.rEdit);
        const bool complete = !window_.AbortFlag;
        window_.rEdit->setSelStart(0);
        // Edited until saved: nothing is written for the user.
        window_.setDirty(true);
        if (path.isEmpty())
            watcher.stop();
        else
            watcher.track(path);
        window_.lblCaption->setText(QStringLiteral("Recovered unsaved changes. [") +
                                    (path.isEmpty() ? window_.DocTitle : path) + QLatin1Char(']'));
        return complete;
    }

private:
    frmMain& window_;

public:
    safety::RecoveryGuard guard;
    safety::DiskWatcher watcher;
};

void frmMain::createSafetyNet()
{
    safetyNet_ = new SafetyNet(*this, desktop_);
}

void frmMain::recoverAtStart()
{
    if (safetyNet_ && !isBusy())
        safetyNet_->guard.offerAtStart();
}

bool frmMain::mayOverwrite(const QString& path)
{
    return !safetyNet_ || safetyNet_->watcher.mayOverwrite(path);
}
