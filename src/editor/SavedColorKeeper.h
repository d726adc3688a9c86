// SPDX-License-Identifier: MIT

#pragma once

#include <QObject>

class RichTextBox;

// Keeps the edit box honest: the colours it shows are the colours the help file will hold. A
// save writes no tag inside a header line, writes a '%' in the colour of what follows it and a
// line break in the colour of the text before it, so after every edit the lines it touched are
// recoloured as a save and a reload would colour them, inside the edit's own undo step.
//
// Only the changed lines are looked at (plus the line breaks of the empty lines after them,
// which take their colour from above), so a key press stays cheap in a big document.
class SavedColorKeeper : public QObject {
    Q_OBJECT

public:
    explicit SavedColorKeeper(RichTextBox& box);

    // Recolours what changed since the last call; nothing to do costs nothing.
    void settle();
    // While suspended (a load fills the box with colours already right) changes are not looked
    // at; resuming forgets them.
    void suspend() { ++suspended_; }
    void resume();

private:
    void noteChange(int position, int removed, int added);

    RichTextBox& box_;
    // Qt positions of what changed and is not settled yet; from_ < 0 when nothing.
    int from_ = -1;
    int to_ = -1;
    int suspended_ = 0;
    bool applying_ = false;
    bool settleQueued_ = false;
};
