// SPDX-License-Identifier: MIT

#pragma once

#include "document/DocumentLines.h"

#include <QList>
#include <QObject>
#include <QTextFormat>

#include <memory>
#include <optional>
#include <vector>

class QTextBlock;
class RichTextBox;

// The edit box's document as lines (skyrend::DocumentLines), kept in step with every change of
// the box: only the lines a change touched are read again. The panels, the recovery copy and
// the save read these instead of the box, and can hand them to a worker thread.
class BoxLines : public QObject {
    Q_OBJECT

public:
    explicit BoxLines(RichTextBox& box);

    const skyrend::DocumentLines& lines() const { return lines_; }
    // Reads the whole box again (for a test, or after the box was refilled without signals).
    void readAll();

    // A load fills the box with `doc` in pieces: the lines are cut from it as the pieces go in
    // (up to doc.text[offset]), and the box is not read. `doc` must stay until endLoad. When
    // the load did not finish, the box is read as it is.
    void beginLoad(const skyrend::ColoredText& doc);
    void loadedUpTo(std::size_t offset);
    void endLoad(bool finished);

signals:
    // Some lines changed.
    void changed();

private:
    void noteChange(int position, int removed, int added);
    skyrend::LinePtr read(const QTextBlock& block) const;
    skyrend::ColorRef colorOfFormat(int index) const;

    RichTextBox& box_;
    skyrend::DocumentLines lines_;
    std::unique_ptr<skyrend::LineSplitter> loading_;
    std::vector<skyrend::LinePtr> loaded_;
    // The colour of each of the document's formats, by index, as far as looked up.
    mutable QList<QTextFormat> formats_;
    mutable std::vector<std::optional<skyrend::ColorRef>> colors_;
};
