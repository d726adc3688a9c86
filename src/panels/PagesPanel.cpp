// SPDX-License-Identifier: MIT

#include "panels/PagesPanel.h"

#include "document/HelpPages.h"
#include "panels/PageListModel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTreeView>

namespace panels {

// The view also takes Enter as "go there" (it is the edit key on some platforms).
class PageView : public QTreeView {
public:
    using QTreeView::QTreeView;
    bool editing() const { return state() == EditingState; }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
            state() != EditingState && currentIndex().isValid()) {
            emit activated(currentIndex());
            return;
        }
        QTreeView::keyPressEvent(event);
    }
};

namespace {

bool isHeaderBlock(const QTextBlock& block)
{
    return block.isValid() &&
           block.document()->characterAt(block.position()) == QChar(skyrend::HeaderMark);
}

} // namespace

PagesPanel::PagesPanel(QPlainTextEdit& box, QWidget* parent)
    : QDockWidget(tr("Pages"), parent), box_(box), model_(new PageListModel(this)),
      view_(new PageView(this))
{
    setObjectName(QStringLiteral("pagesPanel"));
    view_->setObjectName(QStringLiteral("pageList"));
    view_->setAccessibleName(tr("Pages"));
    view_->setAccessibleDescription(
        tr("The pages of the document. Enter goes to a page, F2 renames it, Escape goes back to "
           "the text."));
    view_->setModel(model_);
    view_->setRootIsDecorated(false);
    view_->setUniformRowHeights(true);
    view_->setAllColumnsShowFocus(true);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setEditTriggers(QAbstractItemView::EditKeyPressed);
    view_->header()->setStretchLastSection(false);
    view_->header()->setSectionResizeMode(PageListModel::TitleColumn, QHeaderView::Stretch);
    view_->header()->setSectionResizeMode(PageListModel::LinesColumn,
                                          QHeaderView::ResizeToContents);
    setWidget(view_);

    connect(view_, &QAbstractItemView::clicked, this, &PagesPanel::goToRow);
    connect(view_, &QAbstractItemView::activated, this, &PagesPanel::goToRow);
    connect(model_, &PageListModel::renameRequested, this, &PagesPanel::rename);
    connect(&box_, &QPlainTextEdit::cursorPositionChanged, this, &PagesPanel::followCaret);
    connect(model_, &QAbstractItemModel::modelReset, this, &PagesPanel::followCaret);
}

QTreeView& PagesPanel::view()
{
    return *view_;
}

void PagesPanel::refresh()
{
    model_->setPages(PageListModel::pagesOf(*box_.document()));
    followCaret();
}

void PagesPanel::refresh(std::u16string_view text)
{
    model_->setPages(PageListModel::pagesOf(text));
    followCaret();
}

void PagesPanel::refresh(const skyrend::DocumentLines& lines)
{
    model_->setPages(PageListModel::pagesOf(lines));
    followCaret();
}

void PagesPanel::followCaret()
{
    const int row = model_->rowOfBlock(box_.textCursor().blockNumber());
    if (row < 0 || view_->editing())
        return;
    const QModelIndex index = model_->index(row, PageListModel::TitleColumn);
    if (view_->currentIndex().row() == row && view_->selectionModel()->isSelected(index))
        return;
    following_ = true;
    view_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                        QItemSelectionModel::Rows);
    view_->scrollTo(index);
    following_ = false;
}

void PagesPanel::goToRow(const QModelIndex& index)
{
    if (!index.isValid() || following_ || index.row() >= model_->pages().size())
        return;
    goToBlock(model_->pages()[index.row()].block);
}

void PagesPanel::goToBlock(int block)
{
    const QTextBlock target = box_.document()->findBlockByNumber(block);
    if (!target.isValid())
        return;
    box_.setTextCursor(QTextCursor(target));
    // The header line at the top of the view (the scroll bar counts lines).
    box_.verticalScrollBar()->setValue(target.firstLineNumber());
}

void PagesPanel::nextPage()
{
    for (QTextBlock b = box_.textCursor().block().next(); b.isValid(); b = b.next())
        if (isHeaderBlock(b))
            return goToBlock(b.blockNumber());
}

void PagesPanel::previousPage()
{
    const QTextCursor caret = box_.textCursor();
    QTextBlock b = caret.block();
    // From inside a header line (not at its start), its own start comes first.
    if (!(isHeaderBlock(b) && caret.positionInBlock() > 0))
        b = b.previous();
    for (; b.isValid(); b = b.previous())
        if (isHeaderBlock(b))
            return goToBlock(b.blockNumber());
}

bool PagesPanel::rename(int block, const QString& title)
{
    const QTextBlock header = box_.document()->findBlockByNumber(block);
    if (!isHeaderBlock(header))
        return false;
    QString clean = title;
    // A title is one line.
    for (QChar& c : clean)
        if (c == u'\r' || c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u' ';
    QTextCursor c(header);
    c.setPosition(header.position() + 1);
    // The game shows a header line in one colour: the new title takes the colour of its '#'.
    const QTextCharFormat format = c.charFormat();
    c.setPosition(header.position() + header.length() - 1, QTextCursor::KeepAnchor);
    c.beginEditBlock();
    c.insertText(clean, format);
    c.endEditBlock();
    refresh();
    return true;
}

} // namespace panels
