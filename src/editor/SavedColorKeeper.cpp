// SPDX-License-Identifier: MIT

#include "editor/SavedColorKeeper.h"

#include "document/HelpFormat.h"
#include "editor/RichTextBox.h"

#include <QTextBlock>
#include <QTextDocument>

#include <vector>

using skyrend::ColorRef;

SavedColorKeeper::SavedColorKeeper(RichTextBox& box) : QObject(&box), box_(box)
{
    connect(box.document(), &QTextDocument::contentsChange, this, &SavedColorKeeper::noteChange);
}

void SavedColorKeeper::resume()
{
    if (suspended_ > 0 && --suspended_ == 0)
        from_ = to_ = -1;
}

void SavedColorKeeper::noteChange(int position, int removed, int added)
{
    if (applying_ || suspended_ > 0)
        return;
    if (from_ < 0) {
        from_ = position;
        to_ = position + added;
    } else {
        // Move what was pending along with the text after it.
        if (to_ >= position + removed)
            to_ += added - removed;
        else if (to_ > position)
            to_ = position;
        from_ = qMin(from_, position);
        to_ = qMax(to_, position + added);
    }
    // Edits made through the box settle when they are done; anything else (a slot such as
    // cut() called from a menu) settles as soon as the event loop runs.
    if (!settleQueued_) {
        settleQueued_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                settleQueued_ = false;
                settle();
            },
            Qt::QueuedConnection);
    }
}

void SavedColorKeeper::settle()
{
    if (from_ < 0 || suspended_ > 0)
        return;
    QTextDocument* doc = box_.document();
    // Only an undo or redo leaves redo steps behind, and it brings back a state this kept
    // already; recolouring now would throw the redo steps away.
    if (doc->availableRedoSteps() > 0) {
        from_ = to_ = -1;
        return;
    }
    const int end = doc->characterCount() - 1;
    const QTextBlock first = doc->findBlock(qBound(0, from_, end));
    QTextBlock last = doc->findBlock(qBound(0, to_, end));
    from_ = to_ = -1;
    // An empty line's break takes its colour from the text above it.
    while (last.next().isValid() && last.next().length() == 1)
        last = last.next();

    // The changed lines as coloured text, and the Qt position of each character ("\r\n" is one
    // block separator, so both halves point at it).
    skyrend::ColoredText lines;
    std::vector<int> positions;
    const QTextBlock stop = last.next();
    for (QTextBlock b = first; b != stop; b = b.next()) {
        const QString text = b.text();
        const int start = b.position();
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const int offset = f.position() - start;
            const QStringView piece = QStringView(text).mid(offset, f.length());
            lines.text.append(reinterpret_cast<const char16_t*>(piece.utf16()),
                              std::size_t(piece.size()));
            skyrend::appendRun(lines.runs, std::size_t(piece.size()),
                               RichTextBox::colorOf(f.charFormat()));
            for (int i = 0; i < f.length(); ++i)
                positions.push_back(f.position() + i);
        }
        if (b.next().isValid()) {
            lines.text.append(u"\r\n");
            skyrend::appendRun(lines.runs, 2, RichTextBox::colorOf(b.next().charFormat()));
            positions.push_back(start + b.length() - 1);
            positions.push_back(start + b.length() - 1);
        }
    }
    if (lines.text.empty())
        return;
    const ColorRef entering = first == doc->begin() ? skyrend::ColorValues[skyrend::Green]
                                                    : RichTextBox::colorOf(first.charFormat());
    const std::vector<ColorRef> shown = skyrend::colorsOf(lines);
    const std::vector<ColorRef> saved =
        skyrend::colorsOf({lines.text, skyrend::colorsAfterReload(lines, entering)});

    // Recolour what differs, joining ranges of one colour.
    struct Change {
        int from;
        int to;
        ColorRef color;
    };
    std::vector<Change> changes;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == saved[i])
            continue;
        const int at = positions[i];
        if (!changes.empty() && changes.back().color == saved[i] && changes.back().to >= at)
            changes.back().to = at + 1;
        else
            changes.push_back({at, at + 1, saved[i]});
    }
    if (changes.empty())
        return;
    applying_ = true;
    // Part of the edit that caused it, for undo too. A cursor where the box's caret is, so the
    // undo step remembers no other caret position.
    QTextCursor cursor = box_.textCursor();
    cursor.joinPreviousEditBlock();
    for (const Change& c : changes) {
        cursor.setPosition(c.from);
        cursor.setPosition(c.to, QTextCursor::KeepAnchor);
        cursor.setCharFormat(box_.formatFor(c.color));
    }
    cursor.endEditBlock();
    applying_ = false;
}
