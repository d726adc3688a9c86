// SPDX-License-Identifier: MIT

#pragma once

#include "document/Palette.h"

#include <QPlainTextEdit>

#include <functional>

// The box that shows a document's tagged text, as a save writes it, for editing there. It
// colours the text as the reader takes it: each character in the colour current when it is
// read, the tags themselves in the colour they switch to, on a box of their own, header lines
// on a tinted ground. Lines are coloured when they are about to be shown, from the colour each
// line starts in, so a big text costs no more than a plain one.
class TagView : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit TagView(QWidget* parent = nullptr);

    // The reader's colour at the start of each line.
    void setLineColors(std::function<skyrend::ColorRef(int line)> entering);
    // The lines' colours may have changed: they are coloured again when next shown.
    void recolor();
    // Colours every line now (a search by colour reads them all).
    void colorAll();
    // The colour the line break after `block` takes: the reader's colour at the end of it.
    skyrend::ColorRef colorAtEnd(const QTextBlock& block) const;

protected:
    bool viewportEvent(QEvent* event) override;

private:
    // Colours [first, last] where stale; true when any changed.
    bool colorBlocks(QTextBlock first, const QTextBlock& last);

    std::function<skyrend::ColorRef(int)> entering_;
    int generation_ = 1; // a block whose user state differs has stale colours
};
