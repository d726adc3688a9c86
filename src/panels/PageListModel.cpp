// SPDX-License-Identifier: MIT

#include "panels/PageListModel.h"

#include "document/DocumentLines.h"

#include "document/HelpPages.h"

#include <QTextDocument>

#include <algorithm>

namespace panels {

PageListModel::PageListModel(QObject* parent) : QAbstractTableModel(parent) {}

QList<PageListModel::Page> PageListModel::pagesOf(std::u16string_view text)
{
    QList<Page> pages;
    for (const skyrend::PageSpan& span : skyrend::pagesOf(text)) {
        const QString title =
            span.beforeFirstPage
                ? tr("(before the first page)")
                : QString::fromUtf16(text.data() + span.titleStart, qsizetype(span.titleLength));
        pages.append({int(span.line), title, int(span.lines), span.beforeFirstPage});
    }
    return pages;
}

QList<PageListModel::Page> PageListModel::pagesOf(const skyrend::DocumentLines& lines)
{
    QList<Page> pages;
    for (const skyrend::PageSpan& span : lines.pages()) {
        const std::u16string& header = lines.line(span.line).text.text;
        const QString title =
            span.beforeFirstPage
                ? tr("(before the first page)")
                : QString::fromUtf16(header.data() + 1, qsizetype(header.size()) - 1);
        pages.append({int(span.line), title, int(span.lines), span.beforeFirstPage});
    }
    return pages;
}

QList<PageListModel::Page> PageListModel::pagesOf(const QTextDocument& document)
{
    const QString text = document.toPlainText();
    return pagesOf({reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size())});
}

void PageListModel::setPages(QList<Page> pages)
{
    if (pages.size() != pages_.size()) {
        beginResetModel();
        pages_ = std::move(pages);
        endResetModel();
        return;
    }
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (pages[i] == pages_[i])
            continue;
        pages_[i] = std::move(pages[i]);
        emit dataChanged(index(int(i), 0), index(int(i), ColumnCount - 1));
    }
}

int PageListModel::rowOfBlock(int block) const
{
    const auto after = std::upper_bound(pages_.begin(), pages_.end(), block,
                                        [](int b, const Page& p) { return b < p.block; });
    if (after == pages_.begin())
        return pages_.isEmpty() ? -1 : 0;
    return int(after - pages_.begin()) - 1;
}

int PageListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(pages_.size());
}

int PageListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PageListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= pages_.size())
        return {};
    const Page& page = pages_[index.row()];
    if (index.column() == TitleColumn) {
        if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::ToolTipRole)
            return page.title;
        if (role == Qt::FontRole && page.beforeFirstPage) {
            QFont italic;
            italic.setItalic(true);
            return italic;
        }
    } else if (index.column() == LinesColumn) {
        if (role == Qt::DisplayRole)
            return page.lines;
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant PageListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == TitleColumn ? tr("Page") : tr("Lines");
}

Qt::ItemFlags PageListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == TitleColumn && index.row() < pages_.size() &&
        !pages_[index.row()].beforeFirstPage)
        f |= Qt::ItemIsEditable;
    return f;
}

bool PageListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const QString title = value.toString();
    if (title == pages_[index.row()].title)
        return false;
    emit renameRequested(pages_[index.row()].block, title);
    return true;
}

} // namespace panels
