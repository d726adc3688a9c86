// SPDX-License-Identifier: MIT

#include "safety/DiskWatcher.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

namespace safety {
namespace {

const QString kTitle = QStringLiteral("File Changed");
// Notifications of one write arrive within a few milliseconds; a short pause lets them settle.
constexpr int kSettleMs = 150;

} // namespace

DiskState DiskState::of(const QString& path, bool withHash)
{
    DiskState state;
    const QFileInfo info(path);
    state.exists = info.exists() && info.isFile();
    if (!state.exists)
        return state;
    state.size = info.size();
    state.modified = info.lastModified().toUTC();
    if (withHash) {
        // A fast hash, not a secure one: it only tells a change of the contents from a touch, and
        // it runs after every load and save, where a big file must not hold the window up.
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const uchar* data = file.size() > 0 ? file.map(0, file.size()) : nullptr;
            const QByteArray contents = data ? QByteArray() : file.readAll();
            const std::size_t value =
                data ? qHashBits(data, std::size_t(file.size()), 0x5eed)
                     : qHashBits(contents.constData(), std::size_t(contents.size()), 0x5eed);
            state.hash = QByteArray::number(quint64(value), 16);
        }
    }
    return state;
}

DiskWatcher::DiskWatcher(DocumentHost& host, platform::Desktop& desktop, QObject* parent)
    : QObject(parent), host_(host), desktop_(desktop)
{
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &DiskWatcher::report);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &DiskWatcher::somethingChanged);
    // The folder too: a file replaced by a rename or created again after a delete is only seen
    // there.
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &DiskWatcher::somethingChanged);
    host_.widget()->installEventFilter(this);
}

void DiskWatcher::track(const QString& path)
{
    path_ = QFileInfo(path).absoluteFilePath();
    base_ = DiskState::of(path_, true);
    reported_.reset();
    pending_ = false;
    rewatch();
}

void DiskWatcher::stop()
{
    path_.clear();
    pending_ = false;
    settle_.stop();
    rewatch();
}

void DiskWatcher::rewatch()
{
    const QStringList watched = watcher_.files() + watcher_.directories();
    if (!watched.isEmpty())
        watcher_.removePaths(watched);
    if (path_.isEmpty())
        return;
    const QString folder = QFileInfo(path_).absolutePath();
    if (QFileInfo(folder).isDir())
        watcher_.addPath(folder);
    if (QFileInfo(path_).isFile())
        watcher_.addPath(path_);
}

bool DiskWatcher::differsFromBase(DiskState& now)
{
    if (now.exists != base_.exists)
        return true;
    if (!now.exists)
        return false;
    if (now.size != base_.size)
        return true;
    if (now.modified == base_.modified)
        return false;
    // Same size, new time: the same bytes written again (or a touch) are no change.
    if (now.hash.isEmpty())
        now = DiskState::of(path_, true);
    if (base_.hash.isEmpty() || now.hash != base_.hash)
        return true;
    base_.modified = now.modified;
    return false;
}

void DiskWatcher::somethingChanged()
{
    if (path_.isEmpty())
        return;
    // A replaced file is a new file: the old watch went with the old one.
    if (!watcher_.files().contains(path_) && QFileInfo(path_).isFile())
        watcher_.addPath(path_);
    DiskState now = DiskState::of(path_, false);
    if (!differsFromBase(now)) {
        pending_ = false;
        return;
    }
    pending_ = true;
    reportSoon();
}

void DiskWatcher::reportSoon()
{
    settle_.start();
}

bool DiskWatcher::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && pending_ && watched == host_.widget() &&
        host_.widget()->isActiveWindow())
        reportSoon();
    return QObject::eventFilter(watched, event);
}

void DiskWatcher::report()
{
    if (!pending_ || reporting_ || path_.isEmpty())
        return;
    // Only when the user looks at the window; activation brings us back here.
    if (!host_.widget()->isActiveWindow() || QApplication::activeModalWidget())
        return;
    if (host_.isBusy()) {
        reportSoon();
        return;
    }
    DiskState now = DiskState::of(path_, false);
    pending_ = false;
    if (!differsFromBase(now))
        return;
    if (reported_ && now.exists == reported_->exists && now.size == reported_->size &&
        now.modified == reported_->modified)
        return; // told already
    reported_ = now;
    reporting_ = true;
    const QString path = path_;

    if (!now.exists) {
        platform::showMessage(desktop_, host_.widget(),
                              path + QStringLiteral("\r\n\r\nThis file was deleted or moved by "
                                                    "another program. The text stays open here; "
                                                    "save it to write the file again."),
                              kTitle, platform::Icon::Warning);
        host_.markEdited();
        reporting_ = false;
        return;
    }

    const bool edited = host_.isEdited();
    platform::MessageBox box;
    box.title = kTitle;
    box.icon = platform::Icon::Warning;
    box.buttons = platform::Buttons::YesNo;
    box.buttonTexts = {QStringLiteral("Reload"), QStringLiteral("Keep")};
    if (edited) {
        box.text = path + QStringLiteral("\r\n\r\nThis file was changed by another program, and "
                                         "you have unsaved edits.\r\nReload reads the file "
                                         "again: your edits will be lost. Keep keeps your text.");
        box.defaultButton = platform::Button::No;
    } else {
        box.text = path + QStringLiteral("\r\n\r\nThis file was changed by another program.\r\n"
                                         "Reload reads it again; Keep keeps the text as it is "
                                         "here.");
        box.defaultButton = platform::Button::Yes;
    }
    const platform::Button answer = desktop_.messageBox(host_.widget(), box);
    reporting_ = false;
    if (path_ != path)
        return; // the document was replaced while the box was up
    if (answer == platform::Button::Yes)
        host_.reload();
    else
        host_.markEdited(); // kept: the text now differs from the file, so Save and Exit ask
}

bool DiskWatcher::mayOverwrite(const QString& path)
{
    if (path_.isEmpty() || QFileInfo(path).absoluteFilePath() != path_)
        return true;
    DiskState now = DiskState::of(path_, false);
    if (!now.exists || !differsFromBase(now))
        return true;
    platform::MessageBox box;
    box.title = kTitle;
    box.icon = platform::Icon::Warning;
    box.buttons = platform::Buttons::OkCancel;
    box.buttonTexts = {QStringLiteral("Overwrite"), QStringLiteral("Cancel")};
    box.defaultButton = platform::Button::Cancel;
    box.text = path_ + QStringLiteral("\r\n\r\nThis file was changed by another program since "
                                      "it was opened or saved here.\r\nOverwrite it with your "
                                      "text?");
    if (desktop_.messageBox(host_.widget(), box) != platform::Button::Ok)
        return false;
    // The user has seen this change.
    pending_ = false;
    reported_ = now;
    return true;
}

} // namespace safety
