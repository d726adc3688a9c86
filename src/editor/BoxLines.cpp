// SPDX-License-Identifier: MIT

#include "editor/BoxLines.h"

#include "editor/RichTextBox.h"

#include <QTextBlock>
#include <QTextDocument>

using skyrend::ColorRef;

BoxLines::BoxLines(RichTextBox& box) : QObject(&box), box_(box)
{
    connect(box.document(), &QTextDocument::contentsChange, this, &BoxLines::noteChange);
    readAll();
}

void BoxLines::readAll()
{
    std::vector<skyrend::LinePtr> all;
    for (QTextBlock b = box_.document()->begin(); b.isValid(); b = b.next())
        all.push_back(read(b));
    lines_.replace(0, lines_.size(), std::move(all));
    emit changed();
}

ColorRef BoxLines::colorOfFormat(int index) const
{
    // Looking a format up costs more than the rest of reading a fragment; a document holds only
    // a handful of them.
    if (index < 0)
        return RichTextBox::colorOf(QTextCharFormat());
    if (std::size_t(index) >= colors_.size()) {
        const QList<QTextFormat> formats = box_.document()->allFormats();
        colors_.assign(std::size_t(formats.size()), std::nullopt);
        formats_ = formats;
        if (std::size_t(index) >= colors_.size())
            return RichTextBox::colorOf(QTextCharFormat());
    }
    auto& color = colors_[std::size_t(index)];
    if (!color)
        color = RichTextBox::colorOf(formats_[index].toCharFormat());
    return *color;
}

skyrend::LinePtr BoxLines::read(const QTextBlock& block) const
{
    skyrend::ColoredText line;
    const QString text = block.text();
    line.text.assign(reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size()));
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        skyrend::appendRun(line.runs, std::size_t(f.length()),
                           RichTextBox::colorOf(f.charFormat()));
    }
    // The line break's colour is kept as the format of the block after it.
    const QTextBlock next = block.next();
    const ColorRef breakColor = next.isValid() ? RichTextBox::colorOf(next.charFormat())
                                               : skyrend::ColorValues[skyrend::Green];
    return skyrend::DocumentLine::make(std::move(line), breakColor);
}

void BoxLines::beginLoad(const skyrend::ColoredText& doc)
{
    loading_ = std::make_unique<skyrend::LineSplitter>(doc);
    loaded_.clear();
}

void BoxLines::loadedUpTo(std::size_t offset)
{
    if (!loading_)
        return;
    std::vector<skyrend::LinePtr> some = loading_->take(offset, false);
    loaded_.insert(loaded_.end(), std::make_move_iterator(some.begin()),
                   std::make_move_iterator(some.end()));
}

void BoxLines::endLoad(bool finished)
{
    if (!loading_)
        return;
    if (finished) {
        std::vector<skyrend::LinePtr> rest = loading_->take(std::size_t(-1), true);
        loaded_.insert(loaded_.end(), std::make_move_iterator(rest.begin()),
                       std::make_move_iterator(rest.end()));
    }
    loading_.reset();
    colors_.clear();
    formats_.clear();
    if (finished) {
        lines_.replace(0, lines_.size(), std::move(loaded_));
        loaded_.clear();
        emit changed();
    } else {
        loaded_.clear();
        readAll();
    }
}

void BoxLines::noteChange(int position, int removed, int added)
{
    if (loading_)
        return; // the lines come from what is loaded
    const QTextDocument& doc = *box_.document();
    // A document emptied (a load starts) numbers its formats afresh.
    if (position == 0 && added <= 1 && removed > 0 && doc.characterCount() <= 1) {
        colors_.clear();
        formats_.clear();
    }
    const int end = doc.characterCount() - 1;
    // The line before too: its line break's colour is the format of the first block changed.
    QTextBlock first = doc.findBlock(qBound(0, position, end));
    if (first.previous().isValid())
        first = first.previous();
    const QTextBlock last = doc.findBlock(qBound(0, position + added, end));
    const int newCount = last.blockNumber() - first.blockNumber() + 1;
    const int oldCount = newCount - (doc.blockCount() - int(lines_.size()));
    if (oldCount < 0 || first.blockNumber() + oldCount > int(lines_.size())) {
        readAll();
        return;
    }
    std::vector<skyrend::LinePtr> lines;
    lines.reserve(std::size_t(newCount));
    for (QTextBlock b = first; b.isValid() && b.blockNumber() <= last.blockNumber(); b = b.next())
        lines.push_back(read(b));
    lines_.replace(std::size_t(first.blockNumber()), std::size_t(oldCount), std::move(lines));
    emit changed();
}
