// SPDX-License-Identifier: MIT
// The Pages and Problems panels in the real window: they follow the text after a pause, take the
// caret where the user points, and find what `skyrend-f1 check` finds.

#include "CliTool.h"
#include "WindowFixture.h"
#include "panels/PageListModel.h"
#include "panels/PagesPanel.h"
#include "panels/ProblemCountLabel.h"
#include "panels/ProblemsPanel.h"
#include "panels/SidePanels.h"
#include "panels/TextTips.h"

#include <QDirIterator>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QProcess>
#include <QToolTip>
#include <QTreeView>
#include <QtTest>

#include <random>

namespace {

panels::SidePanels& panelsOf(WindowFixture& f)
{
    return *f.w().sidePanels;
}

QStringList pageTitles(WindowFixture& f)
{
    QStringList out;
    for (const auto& p : panelsOf(f).pages->model().pages())
        out << p.title;
    return out;
}

// A document of `pages` pages of `lines` lines each (header included).
QByteArray longDocument(int pages, int lines)
{
    QByteArray out;
    for (int p = 0; p < pages; ++p) {
        out += "#Page " + QByteArray::number(p) + "\r\n";
        for (int l = 1; l < lines; ++l)
            out += "%Rline%G " + QByteArray::number(l) + "\r\n";
    }
    return out;
}

int topBlock(RichTextBox& box)
{
    return box.cursorForPosition(QPoint(2, 2)).blockNumber();
}

// The text of the marks in the box.
QStringList markTexts(RichTextBox& box)
{
    QStringList out;
    for (const QTextEdit::ExtraSelection& s : box.extraSelections())
        out << s.cursor.selectedText();
    return out;
}

bool hasHeader(const QByteArray& file)
{
    return file.startsWith('#') || file.contains("\n#") || file.contains("\r#");
}

} // namespace

class tst_SidePanels : public QObject {
    Q_OBJECT

private slots:
    void pagesFollowEditsUndoAndLoads()
    {
        WindowFixture f;
        f.open("#Alpha\r\nx\r\n#Beta\r\ny");
        QTRY_COMPARE(pageTitles(f), QStringList({"Alpha", "Beta"}));

        // Typing never rebuilds the list inside the key press: it waits for a pause.
        f.edit().setFocus();
        f.edit().moveCursor(QTextCursor::End);
        QTest::keyClick(&f.edit(), Qt::Key_Return);
        f.type(QStringLiteral("#Gamma"));
        QVERIFY(panelsOf(f).refreshPending());
        QCOMPARE(pageTitles(f), QStringList({"Alpha", "Beta"}));
        QTRY_COMPARE(pageTitles(f), QStringList({"Alpha", "Beta", "Gamma"}));

        f.edit().selectAll();
        f.edit().setSelText(QStringLiteral("intro\r\n#One"));
        QTRY_COMPARE(pageTitles(f), QStringList({"(before the first page)", "One"}));
        f.edit().undo();
        QTRY_COMPARE(pageTitles(f), QStringList({"Alpha", "Beta", "Gamma"}));

        f.open("#Other\r\n", QStringLiteral("other.hlp"));
        QTRY_COMPARE(pageTitles(f), QStringList({"Other"}));
        f.w().menu_New_Click();
        QTRY_COMPARE(pageTitles(f), QStringList());
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void caretSelectsItsPage_data()
    {
        QTest::addColumn<int>("block");
        QTest::addColumn<int>("row");
        QTest::newRow("above the first page") << 0 << 0;
        QTest::newRow("on a header") << 2 << 1;
        QTest::newRow("inside the first page") << 3 << 1;
        QTest::newRow("last line") << 6 << 2;
    }
    void caretSelectsItsPage()
    {
        QFETCH(int, block);
        QFETCH(int, row);
        WindowFixture f;
        f.desktop.answer(platform::Button::Ok); // the first line is no header: a reminder
        f.open("intro\r\n\r\n#A\r\na\r\n#B\r\nb\r\nb");
        panelsOf(f).refreshNow();
        f.desktop.clear();
        f.edit().setTextCursor(QTextCursor(f.edit().document()->findBlockByNumber(block)));
        QTreeView& view = panelsOf(f).pages->view();
        QCOMPARE(view.currentIndex().row(), row);
        QCOMPARE(view.selectionModel()->selectedRows().size(), 1);
        QCOMPARE(f.edit().textCursor().blockNumber(), block); // following moves no caret
    }

    void clickAndEnterGoToThePage_data()
    {
        QTest::addColumn<bool>("byClick");
        QTest::addColumn<int>("row");
        QTest::newRow("click") << true << 3;
        QTest::newRow("Enter") << false << 2;
        QTest::newRow("click back to the first") << true << 0;
    }
    void clickAndEnterGoToThePage()
    {
        QFETCH(bool, byClick);
        QFETCH(int, row);
        WindowFixture f;
        f.open(longDocument(8, 40));
        panelsOf(f).refreshNow();
        // Start from the middle, so that going there means scrolling either way.
        f.edit().setTextCursor(QTextCursor(f.edit().document()->findBlockByNumber(150)));
        QTreeView& view = panelsOf(f).pages->view();
        const QModelIndex index = view.model()->index(row, 0);
        if (byClick) {
            QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(index).center());
        } else {
            view.setFocus();
            view.setCurrentIndex(index);
            QTest::keyClick(&view, Qt::Key_Return);
        }
        QCOMPARE(f.edit().textCursor().blockNumber(), row * 40);
        QCOMPARE(f.edit().textCursor().positionInBlock(), 0);
        QCOMPARE(topBlock(f.edit()), row * 40);
    }

    void altDownAndUpStepThroughHeaders_data()
    {
        QTest::addColumn<int>("startBlock");
        QTest::addColumn<int>("startColumn");
        QTest::addColumn<QString>("keys"); // d = Alt+Down, u = Alt+Up
        QTest::addColumn<int>("expectedBlock");
        // Headers at blocks 1, 4 and 5.
        QTest::newRow("down from above the first") << 0 << 2 << "d" << 1;
        QTest::newRow("down twice") << 1 << 0 << "dd" << 5;
        QTest::newRow("down at the last stays") << 6 << 1 << "d" << 6;
        QTest::newRow("up to the page's own header") << 3 << 1 << "u" << 1;
        QTest::newRow("up from inside a header") << 4 << 2 << "u" << 4;
        QTest::newRow("up from a header's start") << 4 << 0 << "u" << 1;
        QTest::newRow("up above the first stays") << 0 << 3 << "u" << 0;
    }
    void altDownAndUpStepThroughHeaders()
    {
        QFETCH(int, startBlock);
        QFETCH(int, startColumn);
        QFETCH(QString, keys);
        QFETCH(int, expectedBlock);
        WindowFixture f;
        f.desktop.answer(platform::Button::Ok); // the first line is no header
        f.open("intro\r\n#A\r\na\r\na\r\n#B\r\n#C\r\nc");
        f.desktop.clear();
        QTextCursor c(f.edit().document()->findBlockByNumber(startBlock));
        c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, startColumn);
        f.edit().setTextCursor(c);
        f.edit().setFocus();
        for (const QChar k : keys)
            QTest::keyClick(&f.edit(), k == u'd' ? Qt::Key_Down : Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(f.edit().textCursor().blockNumber(), expectedBlock);
        if (expectedBlock != startBlock)
            QCOMPARE(f.edit().textCursor().positionInBlock(), 0);
        QCOMPARE(f.edit().Text(), QStringLiteral("intro\r\n#A\r\na\r\na\r\n#B\r\n#C\r\nc"));
    }

    // F2 on a row, a new title, Enter: the header line changes, and one undo brings it back.
    void renameIsOneUndoStep()
    {
        WindowFixture f;
        f.fill(QStringLiteral("#Old title\r\ntext\r\n#Next"),
               QStringLiteral("GGGGGGGGGGGGRRRRRRGGGGG"));
        f.w().setDirty(false);
        panelsOf(f).refreshNow();
        QTreeView& view = panelsOf(f).pages->view();
        view.setFocus();
        view.setCurrentIndex(view.model()->index(0, 0));
        QTest::keyClick(&view, Qt::Key_F2);
        auto* editor = view.viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, QStringLiteral("New"));
        QTest::keyClick(editor, Qt::Key_Return); // the view commits it when the loop runs
        QTRY_COMPARE(f.edit().Text(), QStringLiteral("#New\r\ntext\r\n#Next"));
        QCOMPARE(colorLetters(f.colors()), QStringLiteral("GGGGGGRRRRRRGGGGG"));
        QCOMPARE(pageTitles(f), QStringList({"New", "Next"}));
        QVERIFY(f.w().IsDirty());
        f.edit().undo();
        QCOMPARE(f.edit().Text(), QStringLiteral("#Old title\r\ntext\r\n#Next"));
        QCOMPARE(colorLetters(f.colors()), QStringLiteral("GGGGGGGGGGGGRRRRRRGGGGG"));
        // A line break typed into a title stays one line.
        QVERIFY(!panelsOf(f).pages->rename(1, QStringLiteral("x"))); // not a header
        QVERIFY(panelsOf(f).pages->rename(2, QStringLiteral("a\nb")));
        QCOMPARE(f.edit().Text(), QStringLiteral("#Old title\r\ntext\r\n#a b"));
    }

    void problemsOfSmallDocuments_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("colors"); // palette letters, one per character
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("marks"); // text of each mark in the box
        QTest::newRow("clean") << "#H\r\nok %KB_WARP"
                               << "GGGGGGGGGGGGGGG" << QStringList() << QStringList();
        QTest::newRow("no header")
            << "plain"
            << "GGGGG" << QStringList{"1:1  no header line (a line that starts with '#')"}
            << QStringList{"p"};
        QTest::newRow("first line no header")
            << "x\r\n#H"
            << "GGGGG" << QStringList{"1:1  the first line is no header line"} << QStringList{"x"};
        QTest::newRow("unknown macro and a wrong tag")
            << "#H\r\n%KB_NOPE %q"
            << "GGGGGGGGGGGGGGG"
            << QStringList{"2:1  unknown key macro \"%KB_NOPE\"",
                           "2:10  \"%q\" is no colour tag (the tags are %W %P %Y %R %G %B %p)"}
            << QStringList{"%KB_NOPE", "%q"};
        // The saved file holds tags the box does not show: columns count the text as shown, as
        // the save's warning does.
        QTest::newRow("columns of the text as shown")
            << "#H\r\nab%q"
            << "GGGGGGRR"
            << QStringList{"2:3  \"%q\" is no colour tag (the tags are %W %P %Y %R %G %B %p)"}
            << QStringList{"%q"};
        // What a save cannot keep, in the words of the save's warning.
        QTest::newRow("percent pair")
            << "#H\r\nR%%x"
            << "GGGGRGGG"
            << QStringList{"2:2  the first \"%\" of \"%%\" is dropped when the file is read",
                           "2:3  \"%x\" is no colour tag (the tags are %W %P %Y %R %G %B %p)"}
            << QStringList{"%", "%x"};
        const QString noByte = QString::fromUtf8(
            "  the character '\u4e2d' (U+4E2D) has no byte in the game's code page");
        QTest::newRow("no byte for it") << QString::fromUtf8("#H\r\nab\u4e2d\u4e2d") << "GGGGGGGG"
                                        << QStringList{"2:3" + noByte, "2:4" + noByte}
                                        << QStringList(2, QString::fromUtf8("\u4e2d"));
        // Shown nowhere, so listed: one row for each run of them.
        const QString hidden = ", which neither the editor nor the game shows";
        QTest::newRow("control characters")
            << QStringLiteral("#H\r\nab") + QChar(0) + QChar(1) + u'c' + QChar(0x7F) << "GGGGGGRRGY"
            << QStringList{"2:3  2 control characters (U+0000, U+0001)" + hidden,
                           "2:6  control character U+007F" + hidden}
            << QStringList{QString(QChar(0)) + QChar(1), QString(QChar(0x7F))};
    }
    void problemsOfSmallDocuments()
    {
        QFETCH(QString, text);
        QFETCH(QString, colors);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, marks);
        WindowFixture f;
        f.fill(text, colors);
        QTRY_VERIFY(!panelsOf(f).refreshPending()); // after a pause
        QCOMPARE(panelsOf(f).problems->rows(), rows);
        QCOMPARE(markTexts(f.edit()), marks);
        QCOMPARE(panelsOf(f).problemCount->text(),
                 panels::ProblemCountLabel::textFor(int(rows.size())));
        for (const QTextEdit::ExtraSelection& s : f.edit().extraSelections())
            QCOMPARE(s.format.underlineStyle(), QTextCharFormat::WaveUnderline);
    }

    // The panel lists for an opened file what `skyrend-f1 check` reports for it, at the same
    // places, and normalizing the file changes neither; a mark covers the text its message
    // quotes.
    void problemsAgreeWithTheTool_data()
    {
        QTest::addColumn<QByteArray>("file");
        QDirIterator it(QStringLiteral(SKYREND_TEST_DATA), QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile data(it.next());
            if (data.open(QIODevice::ReadOnly) && data.size() < 1024 * 1024)
                QTest::newRow(qPrintable(it.fileInfo().fileName())) << data.readAll();
        }
        std::mt19937 random(2010);
        static const char* const pieces[] = {"%R", "%G", "%%",      "%K", "%KB_WARP", "#",  "\r\n",
                                             "\n", "x",  "%q",      " ",  "50%",      "%Y", "%Kx_1",
                                             "%b", "##", "\xe9%R%", "%",  "\x01\x7f"};
        for (int i = 0; i < 25; ++i) {
            QByteArray file;
            for (int k = int(random() % 30); k > 0; --k)
                file += pieces[random() % std::size(pieces)];
            QTest::newRow(qPrintable(QStringLiteral("random %1").arg(i))) << file;
        }
    }
    void problemsAgreeWithTheTool()
    {
        QFETCH(QByteArray, file);
        WindowFixture f;
        const QString in = f.writeFile(QStringLiteral("in.hlp"), file);
        const QString saved = f.path(QStringLiteral("saved.hlp"));
        runTool({QStringLiteral("normalize"), in, QStringLiteral("-o"), saved});
        QVERIFY(!f.readFile(saved).isEmpty());
        auto checked = [](const QString& path) {
            QStringList rows;
            for (const QByteArray& line : runTool({QStringLiteral("check"), path}).split('\n'))
                if (!line.isEmpty())
                    rows << QString::fromLatin1(line.mid(path.toLocal8Bit().size() + 1))
                                .replace(QRegularExpression(QStringLiteral("^(\\d+:\\d+): ")),
                                         QStringLiteral("\\1  "));
            return rows;
        };
        const QStringList expected = checked(in);
        QCOMPARE(checked(saved), expected);

        if (!hasHeader(file))
            f.desktop.answer(platform::Button::Ok);
        f.w().OpenFile(in);
        f.desktop.clear();
        panelsOf(f).refreshNow();
        QCOMPARE(panelsOf(f).problems->rows(), expected);

        for (const panels::ProblemsPanel::Problem& p : panelsOf(f).problems->problems()) {
            QTextCursor c(f.edit().document());
            c.setPosition(p.position);
            c.setPosition(p.position + p.length, QTextCursor::KeepAnchor);
            QCOMPARE(c.blockNumber() + 1, p.line);
            QCOMPARE(c.selectionStart() - c.block().position() + 1, p.column);
            if (p.message.startsWith(u'"') || p.message.contains(QStringLiteral("macro \"")))
                QCOMPARE(
                    u'"' + c.selectedText() + u'"',
                    QRegularExpression(QStringLiteral("\"[^\"]*\"")).match(p.message).captured(0));
        }
    }

    void tipsExplainMacrosAndProblems_data()
    {
        QTest::addColumn<int>("column"); // in line 2
        QTest::addColumn<QString>("tip");
        // Line 2: "Use %KB_WARP, %KB_NOPE or %Kx%q"
        QTest::newRow("on a known macro") << 8 << "'Warp' Key";
        QTest::newRow("on its %") << 4 << "'Warp' Key";
        QTest::newRow("plain text") << 1 << "";
        QTest::newRow("unknown macro") << 16 << "unknown key macro \"%KB_NOPE\"";
        QTest::newRow("a problem that is no macro")
            << 29 << "\"%q\" is no colour tag (the tags are %W %P %Y %R %G %B %p)";
    }
    void tipsExplainMacrosAndProblems()
    {
        QFETCH(int, column);
        QFETCH(QString, tip);
        WindowFixture f;
        f.open("#H\r\nUse %KB_WARP, %KB_NOPE or %Kx%q");
        panelsOf(f).refreshNow();
        const int position = f.edit().document()->findBlockByNumber(1).position() + column;
        QCOMPARE(panelsOf(f).tips->tipForCharacter(position), tip);

        // The same through a real tooltip event over the middle of that character.
        QTextCursor c(f.edit().document());
        c.setPosition(position);
        const QRect left = f.edit().cursorRect(c);
        c.setPosition(position + 1);
        const QPoint middle((left.x() + f.edit().cursorRect(c).x()) / 2, left.center().y());
        QHelpEvent event(QEvent::ToolTip, middle, f.edit().viewport()->mapToGlobal(middle));
        QApplication::sendEvent(f.edit().viewport(), &event);
        QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), tip);
        QToolTip::hideText();
    }

    void countInTheStatusLineOpensTheProblems()
    {
        WindowFixture f;
        f.open("#H\r\n%q %KB_NO");
        QTRY_COMPARE(panelsOf(f).problemCount->text(), QStringLiteral("2 problems"));
        QVERIFY(panelsOf(f).problemCount->isVisible());
        QVERIFY(!panelsOf(f).problems->isVisible());
        QTest::mouseClick(panelsOf(f).problemCount, Qt::LeftButton);
        QVERIFY(panelsOf(f).problems->isVisible());

        // Enter on a row takes the caret to the fault.
        QListView& view = panelsOf(f).problems->view();
        view.setCurrentIndex(view.model()->index(1, 0));
        QTest::keyClick(&view, Qt::Key_Return);
        QCOMPARE(f.edit().textCursor().position(),
                 f.edit().document()->findBlockByNumber(1).position() + 3);
        view.setCurrentIndex(view.model()->index(0, 0));
        // A double-click is a click and then the double-click.
        const QPoint row0 = view.visualRect(view.model()->index(0, 0)).center();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, row0);
        QCOMPARE(f.edit().textCursor().position(),
                 f.edit().document()->findBlockByNumber(1).position() + 3); // not yet
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, row0);
        QCOMPARE(f.edit().textCursor().position(),
                 f.edit().document()->findBlockByNumber(1).position());
    }

    // The View menu stands before Colors; which panels are shown is kept in config.ini.
    void viewMenuAndRememberedPanels()
    {
        WindowFixture f;
        QStringList bar;
        for (QAction* a : f.w().menuBar()->actions())
            bar << a->text();
        QCOMPARE(bar.indexOf(QStringLiteral("&View")) + 1, bar.indexOf(QStringLiteral("&Colors")));
        QCOMPARE(panelsOf(f).showPages->shortcut(), QKeySequence(QStringLiteral("Ctrl+1")));
        QCOMPARE(panelsOf(f).showProblems->shortcut(), QKeySequence(QStringLiteral("Ctrl+2")));
        QVERIFY(panelsOf(f).pages->isVisible()); // at first start
        QVERIFY(!panelsOf(f).problems->isVisible());

        f.edit().setFocus();
        panelsOf(f).showProblems->trigger();
        panelsOf(f).showPages->trigger();
        QVERIFY(!panelsOf(f).pages->isVisible());
        QVERIFY(panelsOf(f).problems->isVisible());

        f.window.reset();
        f.window = std::make_unique<frmMain>(f.desktop, f.dir.path());
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QVERIFY(!panelsOf(f).pages->isVisible());
        QVERIFY(panelsOf(f).problems->isVisible());

        // Hidden pages catch up when shown again.
        f.open("#Later\r\n");
        panelsOf(f).refreshNow();
        panelsOf(f).showPages->trigger();
        QCOMPARE(pageTitles(f), QStringList({"Later"}));
    }
};

QTEST_MAIN(tst_SidePanels)
#include "tst_sidepanels.moc"
