// SPDX-License-Identifier: MIT

#include "session/DocumentSession.h"

#include "document/FileLimits.h"
#include "document/Palette.h"
#include "editor/InputBlocker.h"
#include "editor/RichTextBox.h"
#include "platform/CommonDialog.h"
#include "session/SafetyNet.h"
#include "session/SessionScopes.h"

#include <QApplication>
#include <QFileInfo>
#include <QTextDocument>

namespace session {

DocumentSession::DocumentSession(RichTextBox& box, platform::Desktop& desktop,
                                 platform::CommonDialog& dialog, const skyrend::Settings& settings,
                                 QWidget* dialogParent, QObject* parent)
    : QObject(parent), box_(box), desktop_(desktop), dialog_(dialog), settings_(settings),
      dialogParent_(dialogParent)
{
    title_ = QStringLiteral("Untitled%1").arg(untitledNumber_);
    // The undo history knows where the text is the file's: undo back there is no edit.
    connect(box_.document(), &QTextDocument::modificationChanged, this,
            [this] { reportEdited(false); });
    connect(&box_, &RichTextBox::Change, this, [this] {
        if (!isQuiet())
            emit contentEdited();
    });
    safety_ = new SafetyNet(*this, box_, desktop_, settings_, dialogParent_);
}

DocumentSession::~DocumentSession() = default;

void DocumentSession::nameAfter(const QString& path, const QString& title)
{
    if (path == path_ && title == title_)
        return;
    path_ = path;
    title_ = title;
    emit identityChanged();
}

void DocumentSession::setUntitledNumber(int number)
{
    untitledNumber_ = number;
}

bool DocumentSession::isEdited() const
{
    return differs_ || box_.document()->isModified();
}

void DocumentSession::markDiffersFromFile()
{
    differs_ = true;
    reportEdited(true);
}

void DocumentSession::markSaved()
{
    differs_ = false;
    box_.document()->setModified(false); // the undo history's clean point
    // Told even when it seems unchanged: a load in between may have left the window's view of
    // it behind.
    reportEdited(true);
}

void DocumentSession::reportEdited(bool always)
{
    // A load fills the box before it is the file's: only its end counts.
    if (isQuiet())
        return;
    const bool edited = isEdited();
    if (edited == reportedEdited_ && !always)
        return;
    reportedEdited_ = edited;
    emit editedChanged(edited);
}

// ---------------------------------------------------------------------------------------------

BusyScope::BusyScope(DocumentSession& session, DocumentSession::Activity activity)
    : session_(session), previous_(session.activity_)
{
    session_.activity_ = activity;
    if (previous_ == DocumentSession::Activity::Idle) {
        // Escape gets through a load, to cancel it.
        session_.inputBlocker_ =
            std::make_unique<InputBlocker>(activity == DocumentSession::Activity::Loading);
        qApp->installEventFilter(session_.inputBlocker_.get());
    }
    if (previous_ != activity)
        emit session_.activityChanged(activity);
}

BusyScope::~BusyScope()
{
    const DocumentSession::Activity was = session_.activity_;
    session_.activity_ = previous_;
    if (previous_ == DocumentSession::Activity::Idle)
        session_.inputBlocker_.reset(); // removes the filter
    if (was != previous_)
        emit session_.activityChanged(previous_);
}

QuietScope::QuietScope(DocumentSession& session) : session_(session)
{
    ++session_.quiet_;
}

QuietScope::~QuietScope()
{
    --session_.quiet_;
}

// ---------------------------------------------------------------------------------------------

bool DocumentSession::confirmDiscard()
{
    if (ending_)
        return false;
    if (!isEdited())
        return true;
    const platform::Button answer = platform::showMessage(
        desktop_, dialogParent_, QStringLiteral("You have edited this file since last save, save?"),
        QStringLiteral("Save?"), platform::Icon::Information, platform::Buttons::YesNoCancel,
        platform::Button::Yes);
    switch (answer) {
    case platform::Button::No:
        // The edits (and their recovery copy) go only when the document does: a command that
        // stops after this (a cancelled file dialog) leaves them, and their copy, in place.
        return true;
    case platform::Button::Yes: {
        // Save As from here proposes no name: the dialog's last one belongs to another file.
        const QString proposed = dialog_.FileName;
        dialog_.FileName.clear();
        // Edits the user asked to keep are never dropped: no file written, no going on, and
        // everything as after Cancel.
        if (save())
            return true;
        dialog_.FileName = proposed;
        return false;
    }
    default:
        return false;
    }
}

void DocumentSession::discardEdits()
{
    if (isEdited())
        emit editsDiscarded();
}

void DocumentSession::newDocument()
{
    if (isBusy() || ending_)
        return;
    {
        QuietScope quiet(*this);
        box_.setText(QString());
        box_.setSelStart(0);
        box_.setSelColor(skyrend::ColorValues[skyrend::White]);
    }
    if (untitledNumber_ < 32767)
        ++untitledNumber_;
    markSaved();
    nameAfter(QString(), QStringLiteral("Untitled%1").arg(untitledNumber_));
    emit status(QString());
    emit documentCleared();
}

bool DocumentSession::reload()
{
    if (isBusy() || ending_ || path_.isEmpty())
        return false;
    if (isEdited()) {
        const platform::Button answer = platform::showMessage(
            desktop_, dialogParent_,
            path_ + QStringLiteral("\r\n\r\nReload this file from disk? Your unsaved edits will "
                                   "be lost."),
            QStringLiteral("Reload"), platform::Icon::Warning, platform::Buttons::YesNo,
            platform::Button::No);
        if (answer != platform::Button::Yes)
            return false;
    }
    // The edits (and their recovery copy) go once the file has been read.
    return open(path_);
}

bool DocumentSession::restore(const QString& path, const QString& title,
                              const skyrend::ColoredText& doc)
{
    if (isBusy() || ending_)
        return false;
    // The copy stays on disk: it is the user's text, and No at its next offer deletes it.
    if (refuseOverlongLine(std::u16string_view(doc.text),
                           QStringLiteral("The recovered changes are not opened; their copy is "
                                          "kept, and answering No when it is offered again "
                                          "deletes it."),
                           QStringLiteral("Recovered changes to ") +
                               (path.isEmpty() ? title : path)))
        return false;
    bool complete = false;
    abort_ = false;
    abortQuietly_ = false;
    {
        BusyScope busy(*this, Activity::Loading);
        complete = fillBox(doc, QStringLiteral("Recovering [") + (path.isEmpty() ? title : path) +
                                    QLatin1Char(']'));
    }
    if (!complete) {
        loadCancelledByUser();
        return false;
    }
    {
        QuietScope quiet(*this);
        box_.setSelStart(0);
    }
    // Edited until saved: nothing is written for the user. (Never unedited on the way: that
    // would drop the very copy being recovered.)
    box_.document()->setModified(false);
    markDiffersFromFile();
    nameAfter(path, path.isEmpty() ? title : QFileInfo(path).fileName());
    emit status(QStringLiteral("Recovered unsaved changes. [") + (path.isEmpty() ? title_ : path) +
                QLatin1Char(']'));
    emit restored();
    return true;
}

void DocumentSession::endKeepingEdits(const std::function<void(bool kept)>& then)
{
    if (endPending_)
        return; // told again (a second signal) while waiting: the first request stands
    if (isBusy()) {
        endPending_ = true;
        // A save reads the text whole first (and then writes nothing); a load stops at once, and
        // what it had put in the box is the file's, not the user's, so there is nothing to keep.
        const bool loading = activity_ == Activity::Loading;
        requestAbort(true);
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = connect(this, &DocumentSession::activityChanged, this,
                              [this, connection, loading, then] {
                                  if (isBusy())
                                      return;
                                  disconnect(*connection);
                                  endPending_ = false;
                                  if (!loading) {
                                      endKeepingEdits(then);
                                      return;
                                  }
                                  ending_ = true;
                                  then(true);
                              });
        return;
    }
    if (ending_)
        return;
    ending_ = true;
    requestAbort(true);
    then(!safety_ || safety_->keepEditsForExit());
}

void DocumentSession::offerRecoveryAtStart()
{
    if (safety_ && !isBusy())
        safety_->offerAtStart();
}

} // namespace session
