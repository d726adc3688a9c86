// SPDX-License-Identifier: MIT

#pragma once

#include "document/TaggedLines.h"

#include <QObject>

#include <memory>

class QPlainTextEdit;
class RichTextBox;
class TagView;

// Switches between the coloured document and its tagged text. The coloured box stays the one
// document: the session, the panels, the recovery copy and the save all read it. While the tags
// are shown every edit made there is read at once, line by line, and put into the box, all of
// one visit in one undo step of the box, so the rest of the program never sees a stale text.
// The carets of the two boxes follow each other, so a toggle keeps the caret, the selection and
// the first line shown on the same characters.
class TagViewSwitch : public QObject {
    Q_OBJECT

public:
    TagViewSwitch(RichTextBox& box, TagView& view);
    ~TagViewSwitch() override;

    bool isShown() const { return lines_ != nullptr; }
    void setShown(bool shown);
    // Leaves the tags without reading them again: the box was given a new document.
    void drop();
    // The box the user edits now.
    QPlainTextEdit& current();

    // Qt positions in the box and in the tag view, mapped by line and visible column.
    int viewPosition(int boxPosition) const;
    int boxPosition(int viewPosition) const;

signals:
    void shownChanged(bool shown);
    // The caret of the tag view moved (the box's caret has followed it).
    void caretMoved();

private:
    void show();
    void hide();
    void viewChanged(int position, int removed, int added);
    void apply(const skyrend::TaggedLines::Change& change);
    // The box no longer matches the tags line for line (something else changed it): it takes
    // the tags' whole text.
    void resyncBox();
    // Replaces the box's Qt positions [start, end) by `text`, in this visit's undo step.
    void writeToBox(int start, int end, const skyrend::ColoredText& text);
    void viewCursorMoved();
    void boxCursorMoved();

    RichTextBox& box_;
    TagView& view_;
    std::unique_ptr<skyrend::TaggedLines> lines_;
    bool editStarted_ = false; // this visit's edits have their undo step in the box
    bool applying_ = false;

    // The carets when the tags were last left, so that going back without moving gives the
    // very same place (several tag positions show as one coloured position).
    struct Memo {
        bool valid = false;
        int boxRevision = -1;
        int boxAnchor = 0, boxPosition = 0;
        int viewAnchor = 0, viewPosition = 0;
    };
    Memo memo_;
};
