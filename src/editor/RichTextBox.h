// SPDX-License-Identifier: MIT

#pragma once

#include "document/HelpFormat.h"
#include "document/Palette.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QPlainTextEdit>
#include <QSet>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QUrl>

#include <optional>

class BoxLines;
class SavedColorKeeper;

// The document's edit box. Every character carries its own colour in Qt's character formats
// (so undo, copy and paste carry colours for free), line breaks included: the colour of a line
// break is that of the block separator, which Qt reports as the char format of the block after it.
//
// Offsets: the rest of the program counts a line break as the two characters "\r\n", while Qt
// counts one block separator. The conversions below never copy the document; they cost one
// search over the blocks.
class RichTextBox : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit RichTextBox(QWidget* parent = nullptr);

    // The whole content, line breaks as "\r\n". Copies the document: not for per-key work.
    QString Text() const;
    // Replaces the whole content in the typing colour; the undo history starts afresh.
    void setText(const QString& text);
    qsizetype TextLength() const;
    // The character at an offset ('\r' and '\n' for the two halves of a line break), or a null
    // character outside the text.
    QChar charAt(qsizetype offset) const;

    qsizetype SelStart() const;
    // Caret at the offset, nothing selected. An offset between the CR and LF of a line break
    // moves to the end of the pair.
    void setSelStart(qsizetype offset);
    qsizetype SelLength() const;
    // Selects that many characters from SelStart (clamped to the text, never half a line break).
    void setSelLength(qsizetype length);
    QString SelText() const;
    enum UndoStep { NewUndoStep, JoinPreviousUndoStep };
    // Replaces the selection; the caret ends after the new text.
    void setSelText(const QString& text, UndoStep step = NewUndoStep);

    // The colour of the selected characters, or the typing colour when nothing is selected;
    // nothing when the selection holds more than one colour.
    std::optional<skyrend::ColorRef> SelColor() const;
    // Colours the selection, or sets the typing colour when nothing is selected.
    void setSelColor(skyrend::ColorRef color);
    // The same with the colour given as decimal digits; false (and nothing changes) otherwise.
    bool setSelColor(const QString& decimal);

    // Replaces the content with a file's text (Windows-1252; CR LF, CR and LF each make one line
    // break). A line longer than the editor takes fails too. On failure nothing changes and
    // `error` says why.
    bool LoadFile(const QString& path, QString* error = nullptr);

    // The document as text plus colour runs, read without moving the caret.
    skyrend::ColoredText coloredText() const;
    // The document as lines, kept in step with every change: what whole-document work reads.
    const BoxLines& lines() const { return *lines_; }
    // The selection the same way.
    skyrend::ColoredText selectedColoredText() const;

    // The clipboard beyond Qt's cut, copy and paste (which keep colours inside the editor and
    // read text from other programs by the file's tags): the selection as the tagged text a
    // save writes for it, as plain text; and the clipboard's text pasted with every character
    // as it is, in the typing colour. Each paste is one undo step.
    void copyWithTags();
    void pasteAsPlainText();

    // Reads the document's text and colours in slices, for the save. The box must not change
    // while it reads.
    class ColoredRead {
    public:
        explicit ColoredRead(const RichTextBox& box);
        bool done() const { return !block_.isValid(); }
        // Reads blocks until the deadline has passed (looked at every 64 blocks).
        void readUntil(const QDeadlineTimer& deadline);
        const skyrend::ColoredText& result() const { return out_; }
        skyrend::ColoredText take() { return std::move(out_); }

    private:
        skyrend::ColorRef colorOfFormat(int index);

        QString raw_; // the document's characters, one per block separator
        QList<QTextFormat> formats_;
        std::vector<std::optional<skyrend::ColorRef>> colors_; // by format index
        QTextBlock block_;
        qsizetype position_ = 0;
        skyrend::ColoredText out_;
    };

    // Offset of the '#' that starts the last line beginning with '#' among the first `offset`
    // characters, if any.
    std::optional<qsizetype> headerLineBefore(qsizetype offset) const;
    // True when something is selected and all of it lies in header lines (their line breaks
    // included), which always show Green.
    bool selectionInHeaderLines() const;
    // The line that starts at `offset`, with its line break if it has one.
    QString lineFrom(qsizetype offset) const;

    // Qt position <-> offset.
    int positionOf(qsizetype offset) const;
    qsizetype offsetOf(int position) const;

    static skyrend::ColorRef colorOf(const QTextCharFormat& format);
    // The one format used for each colour, so Qt's format collection stays small.
    QTextCharFormat formatFor(skyrend::ColorRef color) const;

    // Fills the box with a decoded document run by run, in slices, for the colorizer. The box
    // holds what is coloured so far.
    class ColoredLoad {
    public:
        // Empties the box.
        ColoredLoad(RichTextBox& box, const skyrend::ColoredText& doc);
        ~ColoredLoad();
        ColoredLoad(const ColoredLoad&) = delete;
        ColoredLoad& operator=(const ColoredLoad&) = delete;

        bool done() const { return run_ >= doc_.runs.size(); }
        // Colours runs until the deadline has passed; returns the number of characters coloured
        // so far.
        std::size_t colorUntil(const QDeadlineTimer& deadline);

    private:
        std::size_t lineBreaksIn(std::size_t from, std::size_t to) const;
        // Just past the line break that ends the line at `offset` (past its CR for CR LF).
        std::size_t endOfLineAt(std::size_t offset) const;

        RichTextBox& box_;
        const skyrend::ColoredText& doc_;
        QTextCursor cursor_;
        std::size_t run_ = 0;
        std::size_t runDone_ = 0;   // characters of run_ already in the box
        std::size_t offset_ = 0;    // into doc_.text
        bool skipLineFeed_ = false; // the LF that starts the next piece went in with its CR
        bool undoWasEnabled_;
    };

    // Recolours what the last edits changed as a save and reload would colour it. Every edit
    // of the box calls it when it is done; call it after working on document() directly.
    void keepSavedColors();
    // Pressing this key started a shortcut (Ctrl or Alt was held): its release is no typing,
    // whatever is held by then. Forgets the key.
    bool releaseEndsShortcut(int key);

signals:
    // After every change of the content or of its colours, typed or made by the program.
    void Change();
    // Before a key takes effect / after it was released.
    void KeyDown(int key, Qt::KeyboardModifiers modifiers);
    void KeyUp(int key, Qt::KeyboardModifiers modifiers);
    // Text a key typed, just after it went in (before KeyDone).
    void TextTyped(int key, const QString& text);
    // After a key press has taken effect (the caret has moved, the text changed).
    void KeyDone(int key, Qt::KeyboardModifiers modifiers);
    // Every mouse button press: button 1 left, 2 right, 4 middle; position in twips.
    void MouseDown(int button, Qt::KeyboardModifiers modifiers, int xTwips, int yTwips);
    // The keyboard's menu key, at the caret (global position).
    void menuKeyPressed(QPoint globalPosition);
    // Files dropped on the box.
    void filesDropped(const QList<QUrl>& urls);

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    QMimeData* createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    struct BlockSpan {
        QTextBlock block;
        qsizetype startOffset; // offset of the block's first character
    };
    BlockSpan blockAtOffset(qsizetype offset) const;
    std::optional<skyrend::ColorRef> uniformColor(int from, int to) const;
    // Text of [from, to) in Qt positions with "\n" for line breaks, and its colours.
    void readRange(int from, int to, QString& text,
                   QList<QPair<int, skyrend::ColorRef>>& runs) const;
    void insertPlain(QTextCursor& cursor, const QString& text);
    // Replaces the selection with `doc` (line breaks in any form) in its colours, one undo step
    // with the recolouring that follows.
    void insertColored(const skyrend::ColoredText& doc);

    void forgetHeadersFrom(int position);

    mutable QHash<skyrend::ColorRef, QTextCharFormat> formats_;
    SavedColorKeeper* keeper_ = nullptr;
    BoxLines* lines_ = nullptr;
    QSet<int> shortcutKeys_; // pressed with Ctrl or Alt, not released yet
    // Where the last typed text ended and the undo steps then, so the next typed text can
    // join its undo step.
    int typedEnd_ = -1;
    int typedSteps_ = -1;
    // What the last header search learnt: no block starting after `header` (a Qt position, or
    // -1 for none) and before `headerFreeTo` begins with '#'. Edits shrink or drop it.
    struct HeaderMemo {
        bool valid = false;
        int header = -1;
        int headerFreeTo = 0;
    };
    mutable HeaderMemo headerMemo_;
};

// A palette colour (0x00BBGGRR) as Qt's colour.
QColor toQColor(skyrend::ColorRef color);

// Twips (1/1440 inch) and pixels at a widget's logical DPI.
int twipsToPixels(int twips, int dpi);
int pixelsToTwips(int pixels, int dpi);

// Every kind of line break ("\r\n", "\r", "\n", U+2028, U+2029) as "\n", the form Qt's
// cursor turns into block separators.
QString toQtLineBreaks(const QString& text);
