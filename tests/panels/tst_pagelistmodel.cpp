// SPDX-License-Identifier: MIT

#include "panels/PageListModel.h"

#include <QSignalSpy>
#include <QTextDocument>
#include <QtTest>

using panels::PageListModel;

namespace {

// "title/lines" per row, "(before the first page)" rows in brackets.
QString describe(const QList<PageListModel::Page>& pages)
{
    QStringList out;
    for (const PageListModel::Page& p : pages)
        out << (p.beforeFirstPage
                    ? QStringLiteral("[%1]").arg(p.lines)
                    : QStringLiteral("%1@%2/%3").arg(p.title).arg(p.block).arg(p.lines));
    return out.join(u' ');
}

} // namespace

class tst_PageListModel : public QObject {
    Q_OBJECT

private slots:
    void pages_data()
    {
        QTest::addColumn<QString>("text"); // "\n" between lines
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty document") << ""
                                        << "";
        QTest::newRow("one page") << "#Rules\nbe nice"
                                  << "Rules@0/2";
        QTest::newRow("pages in file order") << "#A\na\n#B\n#C\nc\nc"
                                             << "A@0/2 B@2/1 C@3/3";
        QTest::newRow("text above the first header") << "intro\n\n#A\nx"
                                                     << "[2] A@2/2";
        QTest::newRow("blank line above the first header") << "\n#A"
                                                           << "[1] A@1/1";
        QTest::newRow("no header at all") << "just text\nmore"
                                          << "[2]";
        QTest::newRow("empty lines only") << "\n\n"
                                          << "[3]";
        QTest::newRow("# not at the start") << "#A\n x #no\n#"
                                            << "A@0/2 @2/1";
        QTest::newRow("title keeps its spaces") << "# Spaced  (F1) \n"
                                                << " Spaced  (F1) @0/2";
    }
    void pages()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QTextDocument doc;
        doc.setPlainText(text);
        QCOMPARE(describe(PageListModel::pagesOf(doc)), expected);
        // The same from the text as read for saving, and with the other line breaks.
        for (const QString& lineBreak : {QStringLiteral("\r\n"), QStringLiteral("\r")}) {
            const QString other = QString(text).replace(u'\n', lineBreak);
            QCOMPARE(
                describe(PageListModel::pagesOf(std::u16string_view(
                    reinterpret_cast<const char16_t*>(other.utf16()), std::size_t(other.size())))),
                expected);
        }
    }

    void rowOfBlock_data()
    {
        QTest::addColumn<int>("block");
        QTest::addColumn<int>("row");
        // Rows: [before] at 0, A at 2, B at 5.
        QTest::newRow("above the first page") << 1 << 0;
        QTest::newRow("on a header") << 2 << 1;
        QTest::newRow("inside a page") << 4 << 1;
        QTest::newRow("last page") << 7 << 2;
    }
    void rowOfBlock()
    {
        QFETCH(int, block);
        QFETCH(int, row);
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("x\ny\n#A\na\na\n#B\nb\nb"));
        PageListModel model;
        model.setPages(PageListModel::pagesOf(doc));
        QCOMPARE(model.rowOfBlock(block), row);
    }

    // An edit that changes a title keeps the rows (and the view's selection); one that adds a
    // page resets them.
    void updatesInPlaceWhenTheRowsStay()
    {
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("#A\n#B"));
        PageListModel model;
        model.setPages(PageListModel::pagesOf(doc));
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
        doc.setPlainText(QStringLiteral("#A\n#Bee"));
        model.setPages(PageListModel::pagesOf(doc));
        QCOMPARE(resets.count(), 0);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(changes[0][0].toModelIndex().row(), 1);
        QCOMPARE(model.data(model.index(1, 0), Qt::DisplayRole).toString(), QStringLiteral("Bee"));
        doc.setPlainText(QStringLiteral("#A\n#Bee\n#C"));
        model.setPages(PageListModel::pagesOf(doc));
        QCOMPARE(resets.count(), 1);
        QCOMPARE(model.rowCount(), 3);
    }

    // Only header rows can be renamed, and a rename asks the document to change.
    void editingATitleAsksForARename()
    {
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("pre\n#A\nx\n#B"));
        PageListModel model;
        model.setPages(PageListModel::pagesOf(doc));
        QSignalSpy renames(&model, &PageListModel::renameRequested);
        QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
        QVERIFY(!(model.flags(model.index(1, 1)) & Qt::ItemIsEditable));
        QVERIFY(!model.setData(model.index(0, 0), QStringLiteral("no"), Qt::EditRole));
        QVERIFY(!model.setData(model.index(1, 0), QStringLiteral("A"), Qt::EditRole)); // same
        QVERIFY(model.setData(model.index(2, 0), QStringLiteral("Bravo"), Qt::EditRole));
        QCOMPARE(renames.count(), 1);
        QCOMPARE(renames[0][0].toInt(), 3);
        QCOMPARE(renames[0][1].toString(), QStringLiteral("Bravo"));
        QCOMPARE(model.data(model.index(2, 0), Qt::DisplayRole).toString(), QStringLiteral("B"));
    }
};

QTEST_MAIN(tst_PageListModel)
#include "tst_pagelistmodel.moc"
