// SPDX-License-Identifier: MIT

#pragma once

#include <QAbstractTableModel>
#include <QList>

#include <string_view>

class QTextDocument;

namespace skyrend {
class DocumentLines;
}

namespace panels {

// The pages of the document in file order: the header line's title and the page's number of
// lines, plus a first row for the lines above the first header line, if any.
class PageListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    struct Page {
        int block = 0; // number of the header line's block (0 for the lines above the first)
        QString title; // without the '#'
        int lines = 0; // lines up to the next page
        bool beforeFirstPage = false;
        friend bool operator==(const Page&, const Page&) = default;
    };
    enum Column { TitleColumn, LinesColumn, ColumnCount };

    explicit PageListModel(QObject* parent = nullptr);

    // The pages of a text, line breaks as "\r\n" (or "\r" or "\n").
    static QList<Page> pagesOf(std::u16string_view text);
    static QList<Page> pagesOf(const skyrend::DocumentLines& lines);
    static QList<Page> pagesOf(const QTextDocument& document);
    // Takes the new list; rows that did not change keep their place (and the view its
    // selection) unless the number of pages changed.
    void setPages(QList<Page> pages);
    const QList<Page>& pages() const { return pages_; }
    // Row of the page that holds block `block`; -1 when there are no pages.
    int rowOfBlock(int block) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // An edited title is not stored here: it asks for the header line to change, and the list
    // follows the document.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

signals:
    void renameRequested(int block, const QString& title);

private:
    QList<Page> pages_;
};

} // namespace panels
