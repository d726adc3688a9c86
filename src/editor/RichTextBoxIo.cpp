// SPDX-License-Identifier: MIT
// The edit box's whole-document reads and loads, in slices the window can stay live between.

#include "editor/RichTextBox.h"

#include "editor/BoxLines.h"

#include "editor/SavedColorKeeper.h"

#include <QTextBlock>
#include <QTextDocument>

using skyrend::ColorRef;

// ---------------------------------------------------------------------------------------------
// Whole-document reads

skyrend::ColoredText RichTextBox::coloredText() const
{
    ColoredRead read(*this);
    read.readUntil(QDeadlineTimer(QDeadlineTimer::Forever));
    return read.take();
}

RichTextBox::ColoredRead::ColoredRead(const RichTextBox& box)
    : raw_(box.document()->toRawText()), formats_(box.document()->allFormats()),
      colors_(std::size_t(formats_.size())), block_(box.document()->begin())
{
    out_.text.reserve(std::size_t(box.TextLength()));
}

ColorRef RichTextBox::ColoredRead::colorOfFormat(int index)
{
    if (index < 0 || index >= formats_.size())
        return colorOf(QTextCharFormat());
    auto& color = colors_[std::size_t(index)];
    if (!color)
        color = colorOf(formats_[index].toCharFormat());
    return *color;
}

void RichTextBox::ColoredRead::readUntil(const QDeadlineTimer& deadline)
{
    // Fragments come in document order, so the text is sliced from the raw copy by their
    // lengths; a fragment's position would cost a tree walk each.
    const auto* raw = reinterpret_cast<const char16_t*>(raw_.utf16());
    auto append = [this](const char16_t* data, std::size_t length, ColorRef color) {
        out_.text.append(data, length);
        skyrend::appendRun(out_.runs, length, color);
    };
    int count = 0;
    while (block_.isValid()) {
        for (auto it = block_.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const auto length = std::size_t(f.length());
            append(raw + position_, length, colorOfFormat(f.charFormatIndex()));
            position_ += qsizetype(length);
        }
        const QTextBlock next = block_.next();
        if (next.isValid()) {
            append(u"\r\n", 2, colorOfFormat(next.charFormatIndex()));
            ++position_; // one block separator
        }
        block_ = next;
        if ((++count & 63) == 0 && deadline.hasExpired())
            break;
    }
}

// ---------------------------------------------------------------------------------------------
// Loading a decoded document

RichTextBox::ColoredLoad::ColoredLoad(RichTextBox& box, const skyrend::ColoredText& doc)
    : box_(box), doc_(doc), cursor_(box.document()),
      undoWasEnabled_(box.document()->isUndoRedoEnabled())
{
    // A load is not an edit anyone could undo; switching undo off also forgets the history.
    // What is loaded is shown as it comes: the keeper of saved colours does not look at it.
    box.keeper_->suspend();
    box.document()->setUndoRedoEnabled(false);
    box.document()->clear();
    // The lines are cut from the document loaded, not read back from the box.
    box.lines_->beginLoad(doc);
}

RichTextBox::ColoredLoad::~ColoredLoad()
{
    box_.document()->setUndoRedoEnabled(undoWasEnabled_);
    box_.keeper_->resume();
    box_.lines_->endLoad(done());
}

std::size_t RichTextBox::ColoredLoad::lineBreaksIn(std::size_t from, std::size_t to) const
{
    const std::u16string& text = doc_.text;
    std::size_t count = 0;
    for (std::size_t i = from; i < to; ++i) {
        const bool crBeforeLf = text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n';
        if ((text[i] == u'\r' && !crBeforeLf) || text[i] == u'\n')
            ++count;
    }
    return count;
}

std::size_t RichTextBox::ColoredLoad::endOfLineAt(std::size_t offset) const
{
    const std::size_t at = std::u16string_view(doc_.text).find_first_of(u"\r\n", offset);
    // After a CR the piece takes its LF along.
    return at == std::u16string::npos ? doc_.text.size() : at + 1;
}

std::size_t RichTextBox::ColoredLoad::colorUntil(const QDeadlineTimer& deadline)
{
    // Pieces of a run longer than this go in one by one, so a slice ends near its deadline even
    // in a file of one colour.
    constexpr std::size_t kPiece = 32 * 1024;
    // When the slice ends the box lays out its last screenful of lines, in time that grows with
    // their length: short lines cost nothing, but a screenful of lines of thousands of
    // characters takes far longer than inserting them. So every this many characters the slice
    // looks at how long its lines are, and where they are long it ends with the line it is in
    // (a line cut between slices would be laid out twice).
    constexpr std::size_t kLook = 64 * 1024;
    constexpr std::size_t kLongLineBreaks = 32; // fewer breaks in kLook: lines of 2,000 or more
    const std::size_t size = doc_.text.size();
    std::size_t look = offset_ + kLook;
    std::size_t stop = size;
    // One edit block per slice: Qt lays the text out once, when the block ends.
    cursor_.beginEditBlock();
    while (run_ < doc_.runs.size()) {
        const skyrend::ColorRun& run = doc_.runs[run_];
        const std::size_t take = std::min({run.length - runDone_, kPiece, stop - offset_});
        const auto* data = reinterpret_cast<const QChar*>(doc_.text.data() + offset_);
        // Appending each run in its colour is the cheapest way to a coloured document. A line
        // break is one character in the box: a piece that ends between CR and LF gives the
        // pair its colour (the LF is skipped when the next piece starts).
        const std::size_t from = skipLineFeed_ ? 1 : 0;
        std::size_t length = take;
        skipLineFeed_ = false;
        if (data[length - 1] == QLatin1Char('\r') && offset_ + length < size &&
            doc_.text[offset_ + length] == u'\n') {
            skipLineFeed_ = true;
            ++length; // take the LF along
        }
        if (length > from)
            cursor_.insertText(QString::fromRawData(data + from, qsizetype(length - from)),
                               box_.formatFor(run.color));
        offset_ += take;
        runDone_ += take;
        if (runDone_ == run.length) {
            runDone_ = 0;
            ++run_;
        }
        if (deadline.hasExpired() || offset_ >= stop)
            break;
        if (offset_ >= look && stop == size) {
            if (lineBreaksIn(look - kLook, offset_) < kLongLineBreaks)
                stop = endOfLineAt(offset_);
            look = offset_ + kLook;
        }
    }
    cursor_.endEditBlock();
    box_.lines_->loadedUpTo(offset_);
    return offset_;
}
