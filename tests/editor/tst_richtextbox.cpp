// SPDX-License-Identifier: MIT

#include "document/Cp1252.h"
#include "document/FileLimits.h"
#include "document/HelpFormat.h"
#include "editor/RichTextBox.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <random>

using skyrend::ColorRef;

namespace {

ColorRef row(int r)
{
    return skyrend::ColorValues[r];
}
const ColorRef R = row(skyrend::Red);
const ColorRef G = row(skyrend::Green);
const ColorRef W = row(skyrend::White);
const ColorRef Y = row(skyrend::Yellow);

// Fills the box with text whose colours are given as one palette letter per character.
void fill(RichTextBox& box, const QString& text, const QString& letters)
{
    Q_ASSERT(text.size() == letters.size());
    std::vector<ColorRef> colors;
    for (QChar l : letters)
        colors.push_back(skyrend::ColorValues[*skyrend::paletteRowOfLetter(l.unicode())]);
    skyrend::ColoredText doc{text.toStdU16String(), skyrend::runsFromColors(colors)};
    RichTextBox::ColoredLoad load(box, doc);
    while (!load.done())
        load.colorUntil(QDeadlineTimer(QDeadlineTimer::Forever));
}

QString letters(const RichTextBox& box)
{
    QString out;
    for (ColorRef c : skyrend::colorsOf(box.coloredText())) {
        const auto r = skyrend::paletteRowOfColor(c);
        out += r ? QLatin1Char(skyrend::ColorLetters[*r]) : QLatin1Char('?');
    }
    return out;
}

} // namespace

class tst_RichTextBox : public QObject {
    Q_OBJECT

    std::unique_ptr<RichTextBox> box;

private slots:
    void init()
    {
        box = std::make_unique<RichTextBox>();
        box->resize(400, 300);
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        box->setSelColor(G);
    }
    void cleanup() { box.reset(); }

    void lengthAndCharactersCountALineBreakAsTwo()
    {
        box->setText(QStringLiteral("ab\r\nc"));
        QCOMPARE(box->TextLength(), 5);
        QCOMPARE(box->Text(), QStringLiteral("ab\r\nc"));
        const QString expected = QStringLiteral("ab\r\nc");
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(box->charAt(i), expected[i]);
        QCOMPARE(box->charAt(5), QChar());
        box->setSelStart(4);
        QCOMPARE(box->SelStart(), 4);
        box->setSelLength(1);
        QCOMPARE(box->SelText(), QStringLiteral("c"));
    }

    void selectionEdits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("selected"); // SelText before the replacement
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("caret");
        QTest::newRow("delete two") << "0123456789" << 5 << 2 << ""
                                    << "56"
                                    << "01234789" << 5;
        QTest::newRow("delete a line break") << "ab\r\ncd\r\nef" << 2 << 2 << ""
                                             << "\r\n"
                                             << "abcd\r\nef" << 2;
        QTest::newRow("delete across lines") << "ab\r\ncd\r\nef" << 1 << 8 << ""
                                             << "b\r\ncd\r\ne"
                                             << "af" << 1;
        QTest::newRow("start between CR and LF moves past the pair") << "ab\r\ncd" << 3 << 1 << ""
                                                                     << "c"
                                                                     << "ab\r\nd" << 4;
        QTest::newRow("end between CR and LF takes the whole pair") << "ab\r\ncd" << 1 << 2 << ""
                                                                    << "b\r\n"
                                                                    << "acd" << 1;
        QTest::newRow("length beyond the end is cut") << "abc" << 1 << 99 << "X"
                                                      << "bc"
                                                      << "aX" << 2;
        QTest::newRow("replace with lone LF") << "abc" << 1 << 1 << "x\ny"
                                              << "b"
                                              << "ax\r\nyc" << 5;
        QTest::newRow("replace with lone CR") << "abc" << 1 << 1 << "x\ry"
                                              << "b"
                                              << "ax\r\nyc" << 5;
        QTest::newRow("line separator becomes a break")
            << "abc" << 1 << 1 << QString::fromUtf16(u"x\u2028y") << "b"
            << "ax\r\nyc" << 5;
        QTest::newRow("paragraph separator becomes a break")
            << "abc" << 1 << 1 << QString::fromUtf16(u"x\u2029y") << "b"
            << "ax\r\nyc" << 5;
        QTest::newRow("insert at the end") << "ab\r\n"
                                           << 4 << 0 << "z"
                                           << ""
                                           << "ab\r\nz" << 5;
    }
    void selectionEdits()
    {
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, replacement);
        QFETCH(QString, selected);
        QFETCH(QString, after);
        QFETCH(int, caret);
        box->setText(text);
        box->setSelStart(start);
        box->setSelLength(length);
        QCOMPARE(box->SelText(), selected);
        QCOMPARE(box->SelLength(), selected.size());
        box->setSelText(replacement);
        QCOMPARE(box->Text(), after);
        QCOMPARE(box->TextLength(), after.size());
        QCOMPARE(box->SelStart(), caret);
        QCOMPARE(box->SelLength(), 0);
    }

    void selColorReportsNothingForMixedSelections_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("expected"); // palette letter, or "-" for several colours
        // "aR" red a, green R; the line break is yellow; "cd" green.
        QTest::newRow("one red") << 0 << 1 << "R";
        QTest::newRow("red and green") << 0 << 2 << "-";
        QTest::newRow("line break alone") << 2 << 2 << "Y";
        QTest::newRow("green then yellow break") << 1 << 3 << "-";
        QTest::newRow("yellow break then green") << 2 << 3 << "-";
        QTest::newRow("green after the break") << 4 << 2 << "G";
    }
    void selColorReportsNothingForMixedSelections()
    {
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, expected);
        fill(*box, QStringLiteral("ab\r\ncd"), QStringLiteral("RGYYGG"));
        box->setSelStart(start);
        box->setSelLength(length);
        const auto color = box->SelColor();
        if (expected == QLatin1String("-")) {
            QVERIFY(!color);
            for (ColorRef c : {R, G, W, ColorRef(0), ColorRef(0xFFFFFF)})
                QVERIFY(color != c);
        } else {
            QVERIFY(color);
            QCOMPARE(*color,
                     skyrend::ColorValues[*skyrend::paletteRowOfLetter(expected[0].unicode())]);
        }
    }

    void aLineBreakSplitBetweenTwoColoursStaysOneBreak()
    {
        const skyrend::ColoredText doc{u"ab\r\ncd\r\ne",
                                       {{3, R}, {3, G}, {1, Y}, {2, W}}}; // CR red, LF green...
        {
            RichTextBox::ColoredLoad load(*box, doc);
            while (!load.done())
                load.colorUntil(QDeadlineTimer(QDeadlineTimer::Forever));
        }
        QCOMPARE(box->Text(), QStringLiteral("ab\r\ncd\r\ne"));
        QCOMPARE(box->TextLength(), 9);
        QCOMPARE(letters(*box).size(), 9);
        QCOMPARE(letters(*box).left(2), QStringLiteral("RR"));
        QCOMPARE(letters(*box).right(1), QStringLiteral("W"));
    }

    void slicedLoadingPutsEachCharacterInOnce()
    {
        // Whatever the number of slices, each character goes into the box once: the work stays
        // linear in the size of the document. A long run goes in in pieces, never splitting a
        // line break.
        skyrend::ColoredText doc;
        for (int i = 0; i < 3000; ++i) {
            doc.text += i % 50 == 49 ? u"\r\n" : u"ab";
            skyrend::appendRun(doc.runs, 2, i % 2 ? R : G);
        }
        std::u16string longRun(70000, u'x');
        for (std::size_t at : {std::size_t(32767), std::size_t(65535 - 6000)})
            longRun.replace(at, 2, u"\r\n");
        doc.text += longRun;
        skyrend::appendRun(doc.runs, longRun.size(), R);
        doc.text += u"ab";
        skyrend::appendRun(doc.runs, 2, G);
        qint64 touched = 0;
        connect(box->document(), &QTextDocument::contentsChange, this,
                [&touched](int, int, int added) { touched += added; });
        {
            RichTextBox::ColoredLoad load(*box, doc);
            while (!load.done())
                load.colorUntil(QDeadlineTimer(0)); // every slice as short as can be
        }
        QCOMPARE(box->Text(), QString::fromStdU16String(doc.text));
        QVERIFY2(touched <= 3 * qint64(doc.text.size()), qPrintable(QString::number(touched)));
        QCOMPARE(letters(*box).left(4), QStringLiteral("GGRR"));
        QCOMPARE(letters(*box).right(4), QStringLiteral("RRGG"));
    }

    // Where lines are long, a slice ends with the line it is in: the box never holds half a
    // line between slices, which it would lay out again with each. Short lines go in up to the
    // deadline.
    void slicesInLongLinesEndAtALineBreak_data()
    {
        QTest::addColumn<int>("lineLength");
        QTest::addColumn<QString>("lineBreak");
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("oneSlice");
        QTest::newRow("long lines, CR LF") << 5000 << "\r\n" << 60 << false;
        QTest::newRow("long lines, LF") << 5000 << "\n" << 60 << false;
        QTest::newRow("long lines, lone CR") << 3000 << "\r" << 100 << false;
        QTest::newRow("one line longer than a slice") << 200000 << "\r\n" << 1 << true;
        QTest::newRow("short lines") << 40 << "\r\n" << 8000 << true;
    }
    void slicesInLongLinesEndAtALineBreak()
    {
        QFETCH(int, lineLength);
        QFETCH(QString, lineBreak);
        QFETCH(int, lines);
        QFETCH(bool, oneSlice);
        skyrend::ColoredText doc;
        std::vector<ColorRef> colors;
        for (int line = 0; line < lines; ++line) {
            for (int i = 0; i < lineLength; ++i)
                doc.text += char16_t('a' + i % 26);
            if (line + 1 < lines)
                doc.text += lineBreak.toStdU16String();
        }
        for (std::size_t i = 0; i < doc.text.size(); ++i)
            colors.push_back(i / 18 % 2 ? R : G); // a colour change every 18 characters
        doc.runs = skyrend::runsFromColors(colors);
        int slices = 0;
        {
            RichTextBox::ColoredLoad load(*box, doc);
            while (!load.done()) {
                const std::size_t at = load.colorUntil(QDeadlineTimer(QDeadlineTimer::Forever));
                ++slices;
                if (load.done())
                    break;
                // The last block is the empty one after a line break.
                QCOMPARE(box->document()->lastBlock().length(), 1);
                QVERIFY(at > 0 && (doc.text[at - 1] == u'\n' || doc.text[at - 1] == u'\r'));
            }
        }
        QCOMPARE(slices == 1, oneSlice);
        QCOMPARE(box->Text(),
                 QString::fromStdU16String(doc.text).replace(
                     QRegularExpression(QStringLiteral("\r\n|\r|\n")), QStringLiteral("\r\n")));
        const QString shown = letters(*box);
        QCOMPARE(shown.count(u'?'), 0);
    }

    void colouringASelectionColoursItsLineBreaks()
    {
        fill(*box, QStringLiteral("ab\r\ncd"), QStringLiteral("GGGGGG"));
        box->setSelStart(1);
        box->setSelLength(4);
        box->setSelColor(R);
        QCOMPARE(letters(*box), QStringLiteral("GRRRRG"));
        QVERIFY(box->setSelColor(QString::number(Y)));
        QCOMPARE(letters(*box), QStringLiteral("GYYYYG"));
        QVERIFY(!box->setSelColor(QStringLiteral("not a colour")));
        QCOMPARE(letters(*box), QStringLiteral("GYYYYG"));
    }

    void emptyLineTypesInTheColourOfItsLineBreak()
    {
        fill(*box, QStringLiteral("ab\r\n\r\ncd"), QStringLiteral("GRRRRRGG"));
        box->setSelStart(4); // the empty second line
        QCOMPARE(box->SelColor().value_or(0), R);
        QTest::keyClicks(box.get(), QStringLiteral("x"));
        QCOMPARE(box->Text(), QStringLiteral("ab\r\nx\r\ncd"));
        QCOMPARE(letters(*box), QStringLiteral("GRRRRRRGG"));
    }

    // A line break shows the colour of the text before it, as the file holds it.
    void lineBreakColoursFollowTypingDeletingAndUndo()
    {
        fill(*box, QStringLiteral("ab\r\ncd"), QStringLiteral("RRRRGG"));
        const QString start = letters(*box);

        box->setSelStart(2); // end of the first line
        box->setSelColor(Y);
        QTest::keyClicks(box.get(), QStringLiteral("x"));
        QCOMPARE(box->Text(), QStringLiteral("abx\r\ncd"));
        QCOMPARE(letters(*box), QStringLiteral("RRYYYGG"));

        box->setSelStart(5); // start of the second line
        QTest::keyClick(box.get(), Qt::Key_Delete);
        QCOMPARE(box->Text(), QStringLiteral("abx\r\nd"));
        QCOMPARE(letters(*box), QStringLiteral("RRYYYG"));

        QTest::keyClick(box.get(), Qt::Key_Backspace);
        QCOMPARE(box->Text(), QStringLiteral("abxd"));
        box->undo();
        QCOMPARE(box->Text(), QStringLiteral("abx\r\nd"));
        QCOMPARE(letters(*box), QStringLiteral("RRYYYG"));
        box->undo();
        box->undo();
        QCOMPARE(box->Text(), QStringLiteral("ab\r\ncd"));
        QCOMPARE(letters(*box), start);
        box->redo();
        QCOMPARE(box->Text(), QStringLiteral("abx\r\ncd"));
        QCOMPARE(letters(*box), QStringLiteral("RRYYYGG"));
    }

    void enterTakesTheTypingColour()
    {
        box->setText(QString());
        box->setSelColor(R);
        QTest::keyClicks(box.get(), QStringLiteral("a"));
        QTest::keyClick(box.get(), Qt::Key_Return);
        box->setSelColor(Y);
        QTest::keyClicks(box.get(), QStringLiteral("b"));
        QCOMPARE(box->Text(), QStringLiteral("a\r\nb"));
        QCOMPARE(letters(*box), QStringLiteral("RRRY"));
    }

    void softLineBreaksBecomeOrdinaryOnes()
    {
        box->setText(QStringLiteral("ab"));
        box->setSelStart(1);
        QTest::keyClick(box.get(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(box->Text(), QStringLiteral("a\r\nb"));
        QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar::LineSeparator));
        QApplication::sendEvent(box.get(), &typed);
        QCOMPARE(box->Text(), QStringLiteral("a\r\n\r\nb"));
        QCOMPARE(box->TextLength(), 6);
        QCOMPARE(box->SelStart(), 5);
    }

    void loadFileRoundTripsEveryByte()
    {
        QTemporaryDir dir;
        QByteArray bytes;
        for (int b = 0; b < 256; ++b)
            if (b != '\r' && b != '\n')
                bytes.append(char(b));
        bytes.insert(100, "\r\n");
        bytes.append("\r\n\r\nend");
        const QString path = dir.filePath(QStringLiteral("all.hlp"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();

        QString error;
        QVERIFY(box->LoadFile(path, &error));
        const QString text = box->Text();
        QCOMPARE(text.size(), bytes.size());
        const std::string back = skyrend::encodeCp1252(text.toStdU16String());
        QCOMPARE(QByteArray(back.data(), qsizetype(back.size())), bytes);
    }

    void loadFileMakesEveryKindOfLineBreakOne()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("breaks.txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("a\rb\nc\r\nd\n\re");
        f.close();
        QVERIFY(box->LoadFile(path));
        QCOMPARE(box->Text(), QStringLiteral("a\r\nb\r\nc\r\nd\r\n\r\ne"));
    }

    void loadFileFailureChangesNothing()
    {
        box->setText(QStringLiteral("keep me"));
        QString error;
        QVERIFY(!box->LoadFile(QStringLiteral("/nonexistent/file.hlp"), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(box->Text(), QStringLiteral("keep me"));

        // A line longer than the editor takes.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("long.txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("short\r\n" + QByteArray(qsizetype(skyrend::kMaxLineCharacters) + 1, 'x'));
        f.close();
        QVERIFY(!box->LoadFile(path, &error));
        QVERIFY2(error.startsWith(QLatin1String("Line 2 has 20,001 characters")),
                 qPrintable(error));
        QCOMPARE(box->Text(), QStringLiteral("keep me"));
    }

    void copyAndPasteInsideKeepColours()
    {
        fill(*box, QStringLiteral("ab\r\ncd"), QStringLiteral("RGGGYR"));
        box->setSelStart(1);
        box->setSelLength(4); // "b\r\nc"
        box->copy();
        box->setSelStart(6);
        box->setSelColor(W);
        box->paste();
        QCOMPARE(box->Text(), QStringLiteral("ab\r\ncdb\r\nc"));
        QCOMPARE(letters(*box), QStringLiteral("RGGGYRGGGY"));
        // One undo step takes the whole paste back.
        box->undo();
        QCOMPARE(box->Text(), QStringLiteral("ab\r\ncd"));
    }

    void foreignPasteTakesTheTypingColour()
    {
        box->setText(QStringLiteral("xy"));
        box->setSelStart(1);
        box->setSelColor(Y);
        auto* data = new QMimeData;
        data->setHtml(QStringLiteral("<span style='color:#ff0000;font-size:40pt'>big</span>"));
        data->setText(QStringLiteral("1\r\n2"));
        QApplication::clipboard()->setMimeData(data);
        box->paste();
        QCOMPARE(box->Text(), QStringLiteral("x1\r\n2y"));
        QCOMPARE(letters(*box).mid(1, 4), QStringLiteral("YYYY"));
        // No font from outside: every fragment uses the box's own font.
        for (QTextBlock b = box->document()->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                QVERIFY(!it.fragment().charFormat().hasProperty(QTextFormat::FontPointSize));
    }

    void headerSearchLooksAtLineStartsBeforeTheCaret_data()
    {
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("header"); // -1: none
        // "x#a\r\n#H1\r\nbody\r\n#H2"
        QTest::newRow("first line, '#' inside it") << 3 << -1;
        QTest::newRow("at the start of #H1") << 5 << -1;
        QTest::newRow("just after the #") << 6 << 5;
        QTest::newRow("in the body") << 12 << 5;
        QTest::newRow("at the start of #H2") << 16 << 5;
        QTest::newRow("at the end") << 19 << 16;
    }
    void headerSearchLooksAtLineStartsBeforeTheCaret()
    {
        QFETCH(int, caret);
        QFETCH(int, header);
        box->setText(QStringLiteral("x#a\r\n#H1\r\nbody\r\n#H2"));
        const auto found = box->headerLineBefore(caret);
        QCOMPARE(found ? int(*found) : -1, header);
        if (found)
            QVERIFY(box->lineFrom(*found).startsWith(QLatin1Char('#')));
    }

    void headerSearchStaysRightThroughEdits()
    {
        // The search remembers what it learnt between calls; edits anywhere must not fool it.
        auto naive = [](const QString& text, qsizetype offset) -> qsizetype {
            qsizetype found = -1;
            for (qsizetype i = 0; i < offset && i < text.size(); ++i)
                if (text[i] == u'#' && (i == 0 || text[i - 1] == u'\n'))
                    found = i;
            return found;
        };
        std::mt19937 rng(7);
        box->setText(QStringLiteral("intro\r\n#One\r\nbody\r\nmore\r\n#Two\r\nend"));
        const QStringList pieces = {QStringLiteral("#"), QStringLiteral("x"),
                                    QStringLiteral("\r\n"), QStringLiteral("\r\n#H"),
                                    QStringLiteral("ab")};
        for (int step = 0; step < 400; ++step) {
            const qsizetype length = box->TextLength();
            const qsizetype at = length ? qsizetype(rng() % (length + 1)) : 0;
            box->setSelStart(at);
            if (rng() % 3 == 0 && length > 0)
                box->setSelLength(1 + rng() % 3);
            box->setSelText(rng() % 4 == 0 ? QString() : pieces[int(rng() % pieces.size())]);
            const QString text = box->Text();
            for (int q = 0; q < 3; ++q) {
                const qsizetype offset = qsizetype(rng() % (text.size() + 1));
                const auto found = box->headerLineBefore(offset);
                QCOMPARE(found.value_or(-1), naive(text, offset));
            }
        }
    }

    void twipsFollowTheDpi_data()
    {
        QTest::addColumn<int>("twips");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("pixels");
        QTest::newRow("one inch at 96") << 1440 << 96 << 96;
        QTest::newRow("label height at 96") << 255 << 96 << 17;
        QTest::newRow("one inch at 144") << 1440 << 144 << 144;
        QTest::newRow("edit width at 120") << 7935 << 120 << 661;
    }
    void twipsFollowTheDpi()
    {
        QFETCH(int, twips);
        QFETCH(int, dpi);
        QFETCH(int, pixels);
        QCOMPARE(twipsToPixels(twips, dpi), pixels);
        QVERIFY(qAbs(pixelsToTwips(pixels, dpi) - twips) <= 1440 / dpi);
    }
};

QTEST_MAIN(tst_RichTextBox)
#include "tst_richtextbox.moc"
