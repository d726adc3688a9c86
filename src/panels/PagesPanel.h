// SPDX-License-Identifier: MIT

#pragma once

#include <QDockWidget>

#include <string_view>

class QAction;
class QPlainTextEdit;
class QTreeView;

namespace skyrend {
class DocumentLines;
}

namespace panels {

class PageListModel;
class PageView;

// The pages of the document, in a dock: the row of the caret's page is selected as the caret
// moves; a click or Enter on a row takes the caret to that page's header line; editing a row
// (F2) renames the page in the document, as one undo step.
class PagesPanel : public QDockWidget {
    Q_OBJECT

public:
    explicit PagesPanel(QPlainTextEdit& box, QWidget* parent = nullptr);

    // Reads the page list again, from the box or from its text as already read ("\r\n").
    void refresh();
    void refresh(std::u16string_view text);
    void refresh(const skyrend::DocumentLines& lines);

    PageListModel& model() { return *model_; }
    QTreeView& view();

    // The caret to the start of the next / previous header line, if there is one.
    void nextPage();
    void previousPage();
    // The caret to the start of block `block`, shown at the top of the view.
    void goToBlock(int block);
    // Replaces the title of the header line in block `block`; false when that block is no
    // header line (any more).
    bool rename(int block, const QString& title);

private:
    void followCaret();
    void goToRow(const QModelIndex& index);

    QPlainTextEdit& box_;
    PageListModel* model_;
    PageView* view_;
    bool following_ = false; // selecting the caret's row, not the user
};

} // namespace panels
