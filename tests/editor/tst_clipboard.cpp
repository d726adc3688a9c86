// SPDX-License-Identifier: MIT

#include "DocumentTestKit.h"
#include "WindowFixture.h"
#include "document/HelpExport.h"
#include "editor/EditMenu.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QtTest>

#include <random>

using skyrend::ColoredText;
using skyrend::ColorRef;

namespace {

// Text as another program puts it on the clipboard: plain text only.
void putForeignText(const QString& text)
{
    auto* data = new QMimeData;
    data->setText(text);
    QApplication::clipboard()->setMimeData(data);
}

void load(RichTextBox& box, const ColoredText& doc)
{
    RichTextBox::ColoredLoad load(box, doc);
    while (!load.done())
        load.colorUntil(QDeadlineTimer(QDeadlineTimer::Forever));
}

QString clipboardText()
{
    return QApplication::clipboard()->text();
}

} // namespace

class tst_Clipboard : public QObject {
    Q_OBJECT

private slots:
    // Text from another program pasted with Ctrl+V into "ab" (Red) between the two letters:
    // it is read by the file's tags, starting in the Red it goes into.
    void foreignPasteReadsTags_data()
    {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("text");    // the whole document after the paste
        QTest::addColumn<QString>("letters"); // its colours
        QTest::newRow("no tag: the colour it goes into") << "xy"
                                                         << "axyb"
                                                         << "RRRR";
        QTest::newRow("tags") << "x%Gy%Bz"
                              << "axyzb"
                              << "RRGBR";
        QTest::newRow("%% before a letter: the second % starts a tag") << "1%%Gx"
                                                                       << "a1xb"
                                                                       << "RRGR";
        QTest::newRow("%% before other text: one %") << "1%%, 2"
                                                     << "a1%, 2b"
                                                     << "RRRRRRR";
        QTest::newRow("a lone % at the end is text") << "5%"
                                                     << "a5%b"
                                                     << "RRRR";
        QTest::newRow("%b is no tag") << "%bold"
                                      << "a%boldb"
                                      << "RRRRRRR";
        QTest::newRow("%K is a key macro, plain text") << "%KEsc"
                                                       << "a%KEscb"
                                                       << "RRRRRRR";
        QTest::newRow("a header line after red text") << "r\r\n#H\r\nn"
                                                      << "ar\r\n#H\r\nnb"
                                                      << "RR RR GG GG G R";
        QTest::newRow("CR, LF and CR LF: one break each") << "1\r2\n3\r\n4"
                                                          << "a1\r\n2\r\n3\r\n4b"
                                                          << "RRRRRRRRRRRR";
        QTest::newRow("LF CR: two breaks") << "1\n\r2"
                                           << "a1\r\n\r\n2b"
                                           << "RRRRRRRR";
        QTest::newRow("a final line break is kept") << "x\r\n"
                                                    << "ax\r\nb"
                                                    << "RRRRR";
        QTest::newRow("a final lone CR is kept") << "x\r"
                                                 << "ax\r\nb"
                                                 << "RRRRR";
        QTest::newRow("outside Windows-1252, kept") << "%G\U0001F600"
                                                    << "a\U0001F600b"
                                                    << "RGGR";
        QTest::newRow("the euro sign") << "\u20AC%Y\u20AC"
                                       << "a\u20AC\u20ACb"
                                       << "RRYR";
        QTest::newRow("empty") << ""
                               << "ab"
                               << "RR";
    }
    void foreignPasteReadsTags()
    {
        QFETCH(QString, pasted);
        QFETCH(QString, text);
        QFETCH(QString, letters);
        WindowFixture f;
        f.fill(QStringLiteral("ab"), QStringLiteral("RR"));
        f.edit().setSelStart(1);
        putForeignText(pasted);
        QTest::keyClick(&f.edit(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f.edit().Text(), text);
        QCOMPARE(colorLetters(f.colors()), QString(letters).remove(u' '));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void pasteAsPlainTextKeepsEveryCharacter()
    {
        WindowFixture f;
        f.fill(QStringLiteral("ab"), QStringLiteral("RR"));
        f.edit().setSelStart(1);
        f.edit().setSelColor(pal::Y);
        putForeignText(QStringLiteral("%Gx%%\ry"));
        QTest::keyClick(&f.edit(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(f.edit().Text(), QStringLiteral("a%Gx%%\r\nyb"));
        QCOMPARE(colorLetters(f.colors()), QStringLiteral("RYYYYYYYYR"));
        // The menu item does the same.
        f.w().editMenu->pastePlain->trigger();
        QCOMPARE(f.edit().Text(), QStringLiteral("a%Gx%%\r\ny%Gx%%\r\nyb"));
    }

    // A copy inside the editor pastes from its own colour format, not from the plain text (which
    // reads as other tags here) nor from the HTML beside it.
    void insideTheEditorTheOwnFormatWins()
    {
        WindowFixture f;
        // Its colours; read by its tags, the copy would take the Yellow at the end.
        f.fill(QStringLiteral("ab\r\ncd"), QStringLiteral("RRRRYY"));
        f.edit().selectAll();
        QTest::keyClick(&f.edit(), Qt::Key_C, Qt::ControlModifier);
        QVERIFY(QApplication::clipboard()->mimeData()->hasHtml());
        f.edit().setSelStart(f.edit().TextLength());
        QTest::keyClick(&f.edit(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f.edit().Text(), QStringLiteral("ab\r\ncdab\r\ncd"));
        QCOMPARE(colorLetters(f.colors()), QStringLiteral("RRRRYYRRRRYY"));
        // Its text: read by its tags, the copy would lose "%G".
        f.fill(QStringLiteral("5%Gx"), QStringLiteral("RRRR"));
        f.edit().selectAll();
        QTest::keyClick(&f.edit(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("5%Gx"));
        f.edit().setSelStart(f.edit().TextLength());
        QTest::keyClick(&f.edit(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f.edit().Text(), QStringLiteral("5%Gx5%Gx"));
    }

    // Copy and Cut offer the visible text, the editor's own colours and HTML in the colours.
    void copyOffersTextColoursAndHtml_data()
    {
        QTest::addColumn<bool>("cut");
        QTest::newRow("copy") << false;
        QTest::newRow("cut") << true;
    }
    void copyOffersTextColoursAndHtml()
    {
        QFETCH(bool, cut);
        WindowFixture f;
        f.fill(QStringLiteral("one <two>\r\n%KEsc"), QStringLiteral("GGGGRRRRRRRYYYYY"));
        f.edit().selectAll();
        QTest::keyClick(&f.edit(), cut ? Qt::Key_X : Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(f.edit().Text(), cut ? QString() : QStringLiteral("one <two>\r\n%KEsc"));
        const QMimeData* data = QApplication::clipboard()->mimeData();
        QCOMPARE(data->text(), QStringLiteral("one <two>\n%KEsc"));
        QVERIFY(data->hasFormat(QStringLiteral("application/x-skyrend-f1-colored-text")));
        const QString html = data->html();
        // The same fragment an export gives, so each colour and the escaped text are in it.
        const ColoredText copied =
            kit::colored(QStringLiteral("one <two>\r\n%KEsc"), QStringLiteral("GGGGRRRRRRRYYYYY"));
        QCOMPARE(html.toStdString(), skyrend::htmlFragment(copied));
        for (const char* part : {"#73ff63", "#ce0808", "#ffce63", "&lt;two&gt;", "%KEsc"})
            QVERIFY2(html.contains(QLatin1String(part)), part);
    }

    void copyWithTagsWritesWhatASaveWrites_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("letters");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("tagged");
        QTest::newRow("a red word: no line break after it") << "one two"
                                                            << "GGGGRRR" << 4 << 3 << "%Rtwo";
        QTest::newRow("a green word: no tag") << "one two"
                                              << "GGGGRRR" << 0 << 3 << "one";
        QTest::newRow("two lines, CR LF between") << "ab\r\ncd"
                                                  << "RRRRYY" << 0 << 6 << "%Rab\r\n%Ycd";
        QTest::newRow("ending in a line break") << "ab\r\ncd"
                                                << "RRRRYY" << 1 << 3 << "%Rb\r\n";
        QTest::newRow("a header line, then red") << "#Head\r\nx"
                                                 << "GGGGGGGR" << 0 << 8 << "#Head\r\n%Rx";
        QTest::newRow("a visible % before a letter") << "50% off"
                                                     << "RRRRRRR" << 0 << 7 << "%R50% off";
    }
    void copyWithTagsWritesWhatASaveWrites()
    {
        QFETCH(QString, text);
        QFETCH(QString, letters);
        QFETCH(int, from);
        QFETCH(int, length);
        QFETCH(QString, tagged);
        WindowFixture f;
        f.fill(text, letters);
        f.edit().setSelStart(from);
        f.edit().setSelLength(length);
        QTest::keyClick(&f.edit(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(clipboardText(), tagged);
        const QMimeData* data = QApplication::clipboard()->mimeData();
        QCOMPARE(data->formats(), QStringList{QStringLiteral("text/plain")});
        // The menu item gives the same, and a save of that selection alone writes it plus the
        // closing CR LF.
        QApplication::clipboard()->clear();
        f.w().editMenu->copyWithTags->trigger();
        QCOMPARE(clipboardText(), tagged);
        QCOMPARE(QString::fromStdU16String(skyrend::encodeHelpText(f.edit().selectedColoredText())),
                 tagged + QStringLiteral("\r\n"));
    }

    // Copy with Tags, then Ctrl+V into an empty document, gives the selection back: its text
    // always, its colours as the selection shows in a document of its own. That is the colours
    // it had, unless its new start changes them: a selection that starts with a '#' from the
    // middle of a line starts a header line now, and line breaks at its start no longer follow
    // the text that was before them. Documents whose text a save would not keep (a visible '%'
    // before a colour letter or another '%') are left out: no tagged form gives them back.
    void copyWithTagsPastesBackTheSame()
    {
        WindowFixture f;
        RichTextBox& box = f.edit();
        std::mt19937 random(20240611);
        const std::u16string_view pieces[] = {u"%", u"#", u"\r\n", u"a",      u"b",         u"R",
                                              u" ", u"#", u"%K",   u"\u20AC", u"\U0001F600"};
        const std::vector<ColorRef> colors(std::begin(skyrend::ColorValues),
                                           std::begin(skyrend::ColorValues) + 7);
        int tried = 0;
        int sameColors = 0;
        while (tried < 300) {
            ColoredText doc = kit::randomDocument(random, pieces, colors, 24, 3);
            if (doc.text.empty() || !skyrend::findUnkeepables(doc.text).empty())
                continue;
            doc.runs = skyrend::colorsAfterReload(doc); // as the box shows it
            ++tried;
            load(box, doc);
            // Some text selected (Copy with Tags does nothing without), a quarter of the time all.
            const auto length = qsizetype(doc.text.size());
            const auto pick = [&random](qsizetype below) {
                return qsizetype(random() % std::uint32_t(below));
            };
            const bool all = random() % 4 == 0;
            box.setSelStart(all ? 0 : pick(length));
            if (box.SelStart() == length) // the LF of the last line break: after it
                box.setSelStart(0);
            const qsizetype rest = length - box.SelStart();
            box.setSelLength(all ? length : 1 + pick(rest));
            QVERIFY(box.textCursor().hasSelection());
            const ColoredText selection = box.selectedColoredText();
            box.copyWithTags();

            box.setText(QString());
            box.setSelColor(pal::G); // a new document's typing colour
            QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
            const ColoredText pasted = box.coloredText();
            const QByteArray what = kit::named(selection) + " copied as " +
                                    clipboardText().toUtf8().toPercentEncoding() + " pasted as " +
                                    kit::named(pasted);
            QVERIFY2(pasted.text == selection.text, what.constData());
            const std::vector<skyrend::ColorRun> alone = skyrend::colorsAfterReload(selection);
            QVERIFY2(pasted.runs == alone, what.constData());
            sameColors += alone == selection.runs ? 1 : 0;
        }
        QVERIFY2(sameColors > tried * 2 / 3, qPrintable(QString::number(sameColors)));
    }

    // Each paste is one undo step, the recolouring it needs included: one undo gives back the
    // text and colours from before it, one redo those after it.
    void eachPasteIsOneUndoStep_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("pasted");
        // Pasted over "cd" at the start of the second line: "#..." makes it a header line, which
        // turns the rest of it Green.
        QTest::newRow("tagged, from outside") << 0 << "#%Rx";
        QTest::newRow("plain text") << 1 << "#%Rx";
        QTest::newRow("inside the editor") << 2 << "";
        QTest::newRow("dropped from outside") << 3 << "#%Rx\r\n%Yy";
    }
    void eachPasteIsOneUndoStep()
    {
        QFETCH(int, kind);
        QFETCH(QString, pasted);
        WindowFixture f;
        RichTextBox& box = f.edit();
        f.fill(QStringLiteral("#ab\r\ncdef"), QStringLiteral("GGGGGRRYY"));
        box.setSelStart(box.TextLength());
        f.type(QStringLiteral("z")); // something to undo before the paste
        if (kind == 2) {
            box.setSelStart(1);
            box.setSelLength(2);
            box.copy();
        } else {
            putForeignText(pasted);
        }
        box.setSelStart(5);
        box.setSelLength(2);
        const QString textBefore = box.Text();
        const std::vector<ColorRef> colorsBefore = f.colors();
        const int steps = box.document()->availableUndoSteps();
        switch (kind) {
        case 1:
            f.w().editMenu->pastePlain->trigger();
            break;
        case 3: {
            QMimeData data;
            data.setText(pasted);
            const QPoint at = box.cursorRect().center();
            QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(box.viewport(), &enter);
            QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(box.viewport(), &drop);
            break;
        }
        default:
            QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
        }
        QCoreApplication::processEvents();
        QVERIFY(box.Text() != textBefore);
        const QString textAfter = box.Text();
        const std::vector<ColorRef> colorsAfter = f.colors();
        // The stack counts Qt's commands, not the steps of undo: one undo takes it back to where
        // it stood before the paste.
        box.undo();
        QCOMPARE(box.document()->availableUndoSteps(), steps);
        QCOMPARE(box.Text(), textBefore);
        QCOMPARE(colorLetters(f.colors()), colorLetters(colorsBefore));
        box.redo();
        QCOMPARE(box.Text(), textAfter);
        QCOMPARE(colorLetters(f.colors()), colorLetters(colorsAfter));
    }
};

QTEST_MAIN(tst_Clipboard)
#include "tst_clipboard.moc"
