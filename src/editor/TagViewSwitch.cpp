// SPDX-License-Identifier: MIT

#include "editor/TagViewSwitch.h"

#include "editor/RichTextBox.h"
#include "editor/TagView.h"

#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

namespace {

std::u16string_view viewOf(const QString& s)
{
    return {reinterpret_cast<const char16_t*>(s.utf16()), std::size_t(s.size())};
}

// A block and the column in it of a Qt position.
std::pair<int, int> lineAndColumn(const QTextDocument& doc, int position)
{
    const QTextBlock block = doc.findBlock(qBound(0, position, doc.characterCount() - 1));
    return {block.blockNumber(), position - block.position()};
}

int positionAt(const QTextDocument& doc, int line, int column)
{
    const QTextBlock block = doc.findBlockByNumber(qBound(0, line, doc.blockCount() - 1));
    return block.position() + qBound(0, column, block.length() - 1);
}

} // namespace

TagViewSwitch::TagViewSwitch(RichTextBox& box, TagView& view)
    : QObject(&box), box_(box), view_(view)
{
    view_.hide();
    view_.setLineColors([this](int line) {
        return lines_ && line >= 0 && std::size_t(line) < lines_->size()
                   ? lines_->enteringColor(std::size_t(line))
                   : skyrend::ColorValues[skyrend::Green];
    });
    connect(view_.document(), &QTextDocument::contentsChange, this, &TagViewSwitch::viewChanged);
    connect(&view_, &QPlainTextEdit::cursorPositionChanged, this, &TagViewSwitch::viewCursorMoved);
    connect(&view_, &QPlainTextEdit::selectionChanged, this, &TagViewSwitch::viewCursorMoved);
    connect(&box_, &QPlainTextEdit::cursorPositionChanged, this, &TagViewSwitch::boxCursorMoved);
}

TagViewSwitch::~TagViewSwitch() = default;

QPlainTextEdit& TagViewSwitch::current()
{
    return isShown() ? static_cast<QPlainTextEdit&>(view_) : box_;
}

void TagViewSwitch::setShown(bool shown)
{
    if (shown == isShown())
        return;
    if (shown)
        show();
    else
        hide();
    emit shownChanged(shown);
}

int TagViewSwitch::viewPosition(int boxPosition) const
{
    if (!lines_)
        return boxPosition;
    const auto [line, column] = lineAndColumn(*box_.document(), boxPosition);
    return positionAt(*view_.document(), line,
                      int(lines_->taggedColumn(std::size_t(line), std::size_t(column))));
}

int TagViewSwitch::boxPosition(int viewPosition) const
{
    if (!lines_)
        return viewPosition;
    const auto [line, column] = lineAndColumn(*view_.document(), viewPosition);
    return positionAt(*box_.document(), line,
                      int(lines_->visibleColumn(std::size_t(line), std::size_t(column))));
}

void TagViewSwitch::show()
{
    const QTextCursor boxCursor = box_.textCursor();
    const int firstLine = box_.verticalScrollBar()->value();
    const bool caretInSight = box_.viewport()->rect().contains(box_.cursorRect().center());
    {
        QScopedValueRollback guard(applying_, true);
        lines_ = std::make_unique<skyrend::TaggedLines>(box_.coloredText());
        view_.setPlainText(QString::fromStdU16String(lines_->joined(u"\n")));
        view_.recolor();
        editStarted_ = false;

        const bool sameAsLeft = memo_.valid && memo_.boxRevision == box_.document()->revision() &&
                                memo_.boxAnchor == boxCursor.anchor() &&
                                memo_.boxPosition == boxCursor.position();
        QTextCursor c(view_.document());
        c.setPosition(sameAsLeft ? memo_.viewAnchor : viewPosition(boxCursor.anchor()));
        c.setPosition(sameAsLeft ? memo_.viewPosition : viewPosition(boxCursor.position()),
                      QTextCursor::KeepAnchor);
        view_.setTextCursor(c);
    }
    view_.setFont(box_.font());
    view_.setPalette(box_.palette());
    view_.setGeometry(box_.geometry());
    view_.show();
    box_.hide();
    view_.verticalScrollBar()->setValue(firstLine);
    if (caretInSight)
        view_.ensureCursorVisible();
    view_.setFocus(Qt::OtherFocusReason);
}

void TagViewSwitch::hide()
{
    const QTextCursor viewCursor = view_.textCursor();
    const int firstLine = view_.verticalScrollBar()->value();
    const bool caretInSight = view_.viewport()->rect().contains(view_.cursorRect().center());
    viewCursorMoved(); // the box's caret already follows; this makes sure
    const QTextCursor boxCursor = box_.textCursor();
    memo_ = {true,
             box_.document()->revision(),
             boxCursor.anchor(),
             boxCursor.position(),
             viewCursor.anchor(),
             viewCursor.position()};
    lines_.reset();
    box_.show();
    view_.hide();
    {
        QScopedValueRollback guard(applying_, true);
        view_.clear(); // its text and undo steps went into the box
    }
    box_.verticalScrollBar()->setValue(firstLine);
    if (caretInSight)
        box_.ensureCursorVisible();
    box_.setFocus(Qt::OtherFocusReason);
}

void TagViewSwitch::drop()
{
    if (!isShown())
        return;
    memo_.valid = false;
    lines_.reset();
    box_.show();
    view_.hide();
    {
        QScopedValueRollback guard(applying_, true);
        view_.clear();
    }
    emit shownChanged(false);
}

void TagViewSwitch::viewChanged(int position, int /*removed*/, int added)
{
    if (applying_ || !lines_)
        return;
    const QTextDocument& doc = *view_.document();
    const int end = doc.characterCount() - 1;
    const QTextBlock first = doc.findBlock(qBound(0, position, end));
    const QTextBlock last = doc.findBlock(qBound(0, position + added, end));
    const int newCount = last.blockNumber() - first.blockNumber() + 1;
    const int delta = doc.blockCount() - int(lines_->size());
    const int oldCount = newCount - delta;
    if (oldCount < 0 || first.blockNumber() + oldCount > int(lines_->size())) {
        // Not a change this can follow line by line: read the whole text again.
        std::vector<std::u16string> all;
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
            all.push_back(b.text().toStdU16String());
        lines_ = std::make_unique<skyrend::TaggedLines>(std::move(all));
        resyncBox();
        return;
    }
    std::vector<std::u16string> lines;
    lines.reserve(std::size_t(newCount));
    for (QTextBlock b = first; b.isValid() && b.blockNumber() <= last.blockNumber(); b = b.next())
        lines.emplace_back(viewOf(b.text()));
    if (const auto change = lines_->replaceLines(std::size_t(first.blockNumber()),
                                                 std::size_t(oldCount), std::move(lines)))
        apply(*change);
}

void TagViewSwitch::apply(const skyrend::TaggedLines::Change& change)
{
    QTextDocument* doc = box_.document();
    if (doc->blockCount() != int(lines_->size()) - int(change.newEnd - change.first) +
                                 int(change.oldEnd - change.first)) {
        resyncBox();
        return;
    }
    int start = 0;
    int end = doc->characterCount() - 1;
    if (!change.toEnd) {
        start = doc->findBlockByNumber(int(change.first)).position();
        end = doc->findBlockByNumber(int(change.oldEnd)).position();
    } else if (change.first > 0) {
        const QTextBlock before = doc->findBlockByNumber(int(change.first) - 1);
        start = before.position() + before.length() - 1;
    }
    writeToBox(start, end, change.text);
    view_.recolor(); // the colour an edit changed may reach the lines after it
    viewCursorMoved();
}

void TagViewSwitch::resyncBox()
{
    writeToBox(0, box_.document()->characterCount() - 1,
               skyrend::decodeHelpText(lines_->joined(u"\r\n") + u"\r\n"));
}

void TagViewSwitch::writeToBox(int start, int end, const skyrend::ColoredText& text)
{
    QScopedValueRollback guard(applying_, true);
    QTextCursor c(box_.document());
    c.setPosition(start);
    c.setPosition(end, QTextCursor::KeepAnchor);
    if (editStarted_)
        c.joinPreviousEditBlock();
    else
        c.beginEditBlock();
    editStarted_ = true;
    c.removeSelectedText();
    std::size_t at = 0;
    for (const skyrend::ColorRun& run : text.runs) {
        const QString piece = QString::fromStdU16String(text.text.substr(at, run.length));
        c.insertText(toQtLineBreaks(piece), box_.formatFor(run.color));
        at += run.length;
    }
    c.endEditBlock();
    box_.keepSavedColors();
}

void TagViewSwitch::viewCursorMoved()
{
    if (applying_ || !lines_)
        return;
    const QTextCursor v = view_.textCursor();
    QTextCursor c(box_.document());
    c.setPosition(boxPosition(v.anchor()));
    c.setPosition(boxPosition(v.position()), QTextCursor::KeepAnchor);
    {
        QScopedValueRollback guard(applying_, true);
        box_.setTextCursor(c);
    }
    emit caretMoved();
}

void TagViewSwitch::boxCursorMoved()
{
    // Something moved the hidden box's caret (a page chosen in the Pages panel): the tags follow.
    if (applying_ || !lines_)
        return;
    const QTextCursor b = box_.textCursor();
    QTextCursor c(view_.document());
    c.setPosition(viewPosition(b.anchor()));
    c.setPosition(viewPosition(b.position()), QTextCursor::KeepAnchor);
    QScopedValueRollback guard(applying_, true);
    view_.setTextCursor(c);
    view_.ensureCursorVisible();
}
