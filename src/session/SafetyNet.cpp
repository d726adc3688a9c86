// SPDX-License-Identifier: MIT

#include "session/SafetyNet.h"

#include "editor/BoxLines.h"

#include "editor/RichTextBox.h"
#include "files/Settings.h"
#include "session/DocumentSession.h"

namespace session {

SafetyNet::SafetyNet(DocumentSession& session, RichTextBox& box, platform::Desktop& desktop,
                     const skyrend::Settings& settings, QWidget* window)
    : QObject(&session), session_(session), box_(box), settings_(settings), window_(window),
      guard(*this, desktop, this), watcher(*this, desktop, this)
{
    connect(&session, &DocumentSession::contentEdited, &guard,
            &safety::RecoveryGuard::documentEdited);
    connect(&session, &DocumentSession::editedChanged, &guard,
            &safety::RecoveryGuard::editedChanged);
    connect(&session, &DocumentSession::editsDiscarded, &guard,
            &safety::RecoveryGuard::editsDiscarded);
    connect(&session, &DocumentSession::fileLoaded, this, [this](const QString& path) {
        watcher.track(path);
        guard.fileOpened(path);
    });
    connect(&session, &DocumentSession::fileSaved, this, [this](const QString& path) {
        watcher.track(path);
        guard.fileSaved(path);
    });
    connect(&session, &DocumentSession::documentCleared, this, [this] {
        watcher.stop();
        guard.documentReplaced();
    });
    connect(&session, &DocumentSession::restored, this, [this] {
        if (session_.path().isEmpty())
            watcher.stop();
        else
            watcher.track(session_.path());
    });
    connect(&guard, &safety::RecoveryGuard::copyFailed, &session, &DocumentSession::status);
}

QString SafetyNet::documentPath() const
{
    return session_.path();
}

QString SafetyNet::documentTitle() const
{
    return session_.title();
}

bool SafetyNet::isEdited() const
{
    return session_.isEdited();
}

bool SafetyNet::isBusy() const
{
    return session_.isBusy();
}

std::vector<skyrend::LinePtr> SafetyNet::shownLines() const
{
    return box_.lines().lines().snapshot();
}

skyrend::ColoredText SafetyNet::shownText() const
{
    return box_.coloredText();
}

QString SafetyNet::settingsFolder() const
{
    return settings_.folder();
}

void SafetyNet::reload()
{
    // The user has just chosen to read the file again over the edits.
    session_.open(session_.path());
}

void SafetyNet::markEdited()
{
    session_.markDiffersFromFile();
}

bool SafetyNet::restore(const QString& path, const QString& title, const skyrend::ColoredText& doc)
{
    return session_.restore(path, title, doc);
}

} // namespace session
