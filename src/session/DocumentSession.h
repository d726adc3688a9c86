// SPDX-License-Identifier: MIT

#pragma once

#include "document/HelpFormat.h"
#include "platform/Desktop.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QWidget;
class RichTextBox;
class InputBlocker;
namespace platform {
class CommonDialog;
}
namespace skyrend {
class HelpFileReader;
struct OverlongLine;
class Settings;
} // namespace skyrend

namespace session {

class SafetyNet;

// The open document: the file it belongs to, whether it differs from that file, and the
// commands that bring it in from disk and write it back. It owns no widget: the text lives in
// the edit box's document, whose undo history says where the text is the file's; boxes and
// dialogs go through platform::Desktop. The window, the recovery copy, the file watch and the
// panels observe its signals.
class DocumentSession : public QObject {
    Q_OBJECT

public:
    enum class Activity { Idle, Loading, Saving };

    // `dialogParent` parents the boxes; `dialog` is the window's shared file dialog.
    DocumentSession(RichTextBox& box, platform::Desktop& desktop, platform::CommonDialog& dialog,
                    const skyrend::Settings& settings, QWidget* dialogParent,
                    QObject* parent = nullptr);
    ~DocumentSession() override;

    // ---- Which file --------------------------------------------------------------------------
    // Empty for an untitled document.
    QString path() const { return path_; }
    // The file's name, or "UntitledN".
    QString title() const { return title_; }
    int untitledNumber() const { return untitledNumber_; }
    // Gives the document a file without reading or writing it; edited or not as before.
    void nameAfter(const QString& path, const QString& title);
    // The number the next New counts on from (for tests of its limit).
    void setUntitledNumber(int number);

    // ---- Edited --------------------------------------------------------------------------------
    // The document differs from its file: the undo history is away from the state last read or
    // written, or something else made them part (see markDiffersFromFile).
    bool isEdited() const;
    // The text is no longer its file's whatever undo does: the user kept it over a change on
    // disk, the file went away, it was recovered, or its history was cleared.
    void markDiffersFromFile();
    // The text as it stands is its file's: the clean point moves here and the mark goes. The
    // session calls it once a file is read or written; outside it, only for text known to be on
    // disk as it is.
    void markSaved();

    // ---- Busy ----------------------------------------------------------------------------------
    Activity activity() const { return activity_; }
    bool isBusy() const { return activity_ != Activity::Idle; }
    // The document is being replaced by the program, not edited by the user.
    bool isQuiet() const { return quiet_ > 0; }
    // Asks a running load to stop: Escape (it says so and starts a new document), or the
    // window closing (`quietly`: nothing to say, nothing was edited).
    void requestAbort(bool quietly = false)
    {
        abort_ = true;
        abortQuietly_ = abortQuietly_ || quietly;
    }
    bool abortRequested() const { return abort_; }
    // Loading and saving let the event loop run at least this often.
    int sliceMilliseconds = 30;

    // ---- Commands ------------------------------------------------------------------------------
    // Reads `path` into the box as the clean document of that name. False when it was not
    // (refused, unreadable, cancelled); the document is then as it was, or empty after a
    // cancelled load.
    bool open(const QString& path);
    // Writes the document to its file; without one, asks for a name. True when written.
    bool save();
    // Asks for a name, then writes there. True when written.
    bool saveAs();
    // An empty untitled document (no question: see confirmDiscard).
    void newDocument();
    // Reads the document's file again; asks first when there are edits. True when read.
    bool reload();
    // Asks about unsaved edits before the document is replaced or the window closes. True when
    // the command may go on (nothing edited, No, or Yes and the file was written).
    bool confirmDiscard();
    // The edits are to go with the window (the user answered No to saving them): their
    // recovery copy goes now.
    void discardEdits();
    // Puts recovered text in, as an edited document belonging to `path` (empty: untitled, named
    // `title`). False when the load was cancelled, or refused for a line longer than the editor
    // takes (said in a message; the document stays as it was).
    bool restore(const QString& path, const QString& title, const skyrend::ColoredText& doc);
    // Decodes tagged text or a file's bytes into the box, in slices, with progress in the status
    // text. False when cancelled (the document is then a new empty one).
    bool load(skyrend::HelpFileReader& reader);
    // The same, except that text with a line longer than the editor takes is refused with a
    // message and the document stays as it was.
    bool loadTagged(const QString& tagged);

    // The program was told to end (a signal): once no load or save runs, the edits go to the
    // recovery copy and `then` is told whether they were kept. From then on no command reads or
    // writes a file, whatever a box that closes with the program answers.
    void endKeepingEdits(const std::function<void(bool kept)>& then);
    bool isEnding() const { return ending_; }

    // The recovery copy and the file watch; null when not made.
    SafetyNet* safetyNet() const { return safety_; }
    // Offers a recovery copy that an editor which did not close normally left behind.
    void offerRecoveryAtStart();

signals:
    // The path or title changed.
    void identityChanged();
    void editedChanged(bool edited);
    // Every change of the text or its colours made by the user (not by a load).
    void contentEdited();
    void activityChanged(session::DocumentSession::Activity activity);
    // A line for the status label.
    void status(const QString& text);
    // The box holds the file now (before the warnings about it); not after a cancelled load.
    void fileRead(const QString& path);
    // A load was cancelled and the document emptied.
    void loadCancelled();
    // A file was read in and is the clean document.
    void fileLoaded(const QString& path);
    // The document was written to `path`; `renamed` when that is a new name for it.
    void fileSaved(const QString& path, bool renamed);
    // New emptied the box: an untitled document.
    void documentCleared();
    // The user chose to drop the unsaved edits with the window.
    void editsDiscarded();
    // The recovered text is in.
    void restored();

private:
    friend class BusyScope;
    friend class QuietScope;

    // Tells the edited state when it changed, or `always`.
    void reportEdited(bool always);
    bool fillBox(const skyrend::ColoredText& doc, const QString& progressLabel);
    void loadCancelledByUser();
    bool writeDocument(const QString& path, bool renamed);
    // Runs `work` on a worker thread, calling `progress` and yielding to the window until it is
    // done.
    void runAside(const std::function<void()>& work, const std::function<void()>& progress);
    bool readFileBytes(const QString& path, std::string& bytes);
    // Says why a text with a line longer than the editor takes is not opened; `what` names it.
    bool refuseOverlongLine(std::u16string_view text, const QString& advice, const QString& what);
    void refuseOverlongLine(const skyrend::OverlongLine& found, const QString& advice,
                            const QString& what);
    static QString breakLinesAdvice();
    void cannotOpen(const QString& text);

    RichTextBox& box_;
    platform::Desktop& desktop_;
    platform::CommonDialog& dialog_;
    const skyrend::Settings& settings_;
    QWidget* dialogParent_;
    SafetyNet* safety_ = nullptr;

    QString path_;
    QString title_;
    int untitledNumber_ = 0;
    bool differs_ = false;
    bool reportedEdited_ = false;

    Activity activity_ = Activity::Idle;
    std::unique_ptr<InputBlocker> inputBlocker_;
    int quiet_ = 0;
    bool abort_ = false;
    bool ending_ = false;
    bool endPending_ = false; // waiting for a load or save to end
    bool abortQuietly_ = false;
};

} // namespace session
