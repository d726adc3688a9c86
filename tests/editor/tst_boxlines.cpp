// SPDX-License-Identifier: MIT
// The edit box's document as lines follows every edit: after each step of random edits the
// lines, their faults and pages are those of the whole document read afresh.

#include "WindowFixture.h"
#include "editor/BoxLines.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTextBlock>
#include <QtTest>

#include <random>

using namespace skyrend;

namespace {

QByteArray describe(const ColoredText& doc)
{
    QByteArray out = QString::fromStdU16String(doc.text).toUtf8() + "|";
    for (const ColorRun& r : doc.runs)
        out +=
            QByteArray::number(qulonglong(r.length)) + ":" + QByteArray::number(r.color, 16) + " ";
    return out;
}

QByteArray describe(const std::vector<HelpProblem>& problems)
{
    QByteArray out;
    for (const HelpProblem& p : problems)
        out += QByteArray::number(qulonglong(p.index)) + " " +
               QByteArray::fromStdString(p.message) + "\n";
    return out;
}

} // namespace

class tst_BoxLines : public QObject {
    Q_OBJECT

private slots:
    void linesFollowEveryEdit()
    {
        WindowFixture f;
        f.w().show();
        RichTextBox& box = f.edit();
        std::mt19937 random(4711);
        const char* const files[] = {"#One\r\n%Rred %Gand green\r\n#Two\r\n%Yyellow", "",
                                     "plain\r\n\r\n%%R #x\r\n"};
        for (int round = 0; round < 6; ++round) {
            f.open(files[round % 3]);
            for (int step = 0; step < 80; ++step) {
                const int size = box.document()->characterCount() - 1;
                QTextCursor c = box.textCursor();
                c.setPosition(int(random() % unsigned(size + 1)));
                if (random() % 3 == 0)
                    c.setPosition(int(random() % unsigned(size + 1)), QTextCursor::KeepAnchor);
                box.setTextCursor(c);
                switch (random() % 9) {
                case 0:
                    f.type(u"ab"_qs);
                    break;
                case 1:
                    f.type(u"%R"_qs);
                    break;
                case 2:
                    QTest::keyClick(&box, Qt::Key_Return);
                    break;
                case 3:
                    QTest::keyClick(&box, Qt::Key_Backspace);
                    break;
                case 4:
                    f.w().menu_Color_Click(int(random() % 7));
                    break;
                case 5: {
                    auto* data = new QMimeData;
                    data->setText(u"%Gx\r\n#Page\r\n%Ry"_qs);
                    QGuiApplication::clipboard()->setMimeData(data);
                    box.paste();
                    break;
                }
                case 6:
                    box.undo();
                    break;
                case 7:
                    box.redo();
                    break;
                case 8: { // a header line made or unmade
                    QTextCursor start = box.textCursor();
                    start.movePosition(QTextCursor::StartOfBlock);
                    box.setTextCursor(start);
                    if (start.block().text().startsWith(u'#'))
                        QTest::keyClick(&box, Qt::Key_Delete);
                    else
                        f.type(u"#"_qs);
                    break;
                }
                }
                QCoreApplication::processEvents(); // the recolouring a slot's edit waits for
                const DocumentLines& lines = box.lines().lines();
                const ColoredText whole = box.coloredText();
                QCOMPARE(describe(joinLines(lines.snapshot())), describe(whole));
                QCOMPARE(describe(lines.problems()), describe(helpProblems(whole)));
                QVERIFY(lines.pages() == pagesOf(whole.text));
            }
        }
    }
};

QTEST_MAIN(tst_BoxLines)
#include "tst_boxlines.moc"
