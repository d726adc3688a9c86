// SPDX-License-Identifier: MIT

#include "document/Cp1252.h"
#include "document/HelpFormat.h"
#include "document/HelpLint.h"

#include <QtTest>

#include <random>

using namespace skyrend;

namespace {

std::u16string u16(const QString& s)
{
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), std::size_t(s.size()));
}

// Offsets of the starts of the lines of `text` ("\r\n" breaks only).
std::vector<std::size_t> lineStarts(std::u16string_view text)
{
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == u'\r' && text[i + 1] == u'\n')
            starts.push_back(i + 2);
    return starts;
}

} // namespace

class tst_HelpLint : public QObject {
    Q_OBJECT
private slots:
    void findings_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("expected"); // "line:column: message"
        const QString noHeader = "1:1: no header line (a line that starts with '#')";
        const QString firstNotHeader = "1:1: the first line is no header line";
        QTest::newRow("clean") << QByteArray("#Help\r\n%RText %KB_WARP 100%\r\n") << QStringList{};
        QTest::newRow("empty file") << QByteArray() << QStringList{noHeader};
        QTest::newRow("no header at all")
            << QByteArray("text\r\nmore # here") << QStringList{noHeader};
        QTest::newRow("header on line 2")
            << QByteArray("intro\r\n#Help") << QStringList{firstNotHeader};
        QTest::newRow("tag before # still a header") << QByteArray("%G#Help\r\nx") << QStringList{};
        QTest::newRow("blank first line") << QByteArray("\r\n#Help") << QStringList{firstNotHeader};
        QTest::newRow("lone LF ends a line")
            << QByteArray("#H\nab %b")
            << QStringList{"2:4: \"%b\" is no colour tag (the tags are %W %P %Y %R %G %B %p)"};
        QTest::newRow("lone CR ends a line")
            << QByteArray("#H\rx%r")
            << QStringList{"2:2: \"%r\" is no colour tag (the tags are %W %P %Y %R %G %B %p)"};
        QTest::newRow("unknown macros") << QByteArray("#H\r\n%KB_WARPED %Kesc %KEsc.")
                                        << QStringList{"2:1: unknown key macro \"%KB_WARPED\"",
                                                       "2:12: unknown key macro \"%Kesc\""};
        QTest::newRow("macro without a name")
            << QByteArray("#H %K") << QStringList{"1:4: key macro \"%K\" without a key name"};
        QTest::newRow("tags inside a header line")
            << QByteArray("#H %Rred %pink\r\n%Rbody")
            << QStringList{
                   "1:4: colour tag \"%R\" inside a header line; the editor does not keep it",
                   "1:10: colour tag \"%p\" inside a header line; the editor does not keep it"};
        QTest::newRow("%% reported once per run")
            << QByteArray("#H\r\na%%1 %%%R")
            << QStringList{"2:2: \"%%\": loading drops the first \"%\"",
                           "2:6: \"%%\": loading drops the first \"%\""};
        QTest::newRow("%% then a mistyped tag")
            << QByteArray("#H\r\n%%x")
            << QStringList{"2:1: \"%%\": loading drops the first \"%\"",
                           "2:2: \"%x\" is no colour tag (the tags are %W %P %Y %R %G %B %p)"};
        QTest::newRow("% before non-letters is fine")
            << QByteArray("#H\r\n50% 5%3 %_ %\xe9 %") << QStringList{};
        QTest::newRow("bytes count as columns")
            << QByteArray("#H\r\n\xe9\xe9%q")
            << QStringList{"2:3: \"%q\" is no colour tag (the tags are %W %P %Y %R %G %B %p)"};
        const QString hidden = ", which neither the editor nor the game shows";
        QTest::newRow("NUL") << QByteArray("#H\r\na\0b", 7)
                             << QStringList{"2:2: control character U+0000" + hidden};
        QTest::newRow("a run of controls is one finding naming each kind once")
            << QByteArray("#H\r\n\x01\x1b\x01\x1f\x7f ok")
            << QStringList{"2:1: 5 control characters (U+0001, U+001B, U+001F, U+007F)" + hidden};
        QTest::newRow("tab is no fault, a line break ends a run")
            << QByteArray("#H\t1\r\n\x07\n\x07\x08\r\x0b ")
            << QStringList{"2:1: control character U+0007" + hidden,
                           "3:1: 2 control characters (U+0007, U+0008)" + hidden,
                           "4:1: control character U+000B" + hidden};
        QTest::newRow("tags do not end a run, shown text does")
            << QByteArray("#H\r\n\x02%R\x03x\x04%\x04")
            << QStringList{"2:1: 2 control characters (U+0002, U+0003)" + hidden,
                           "2:6: control character U+0004" + hidden,
                           "2:8: control character U+0004" + hidden};
        QTest::newRow("in a header line, and with the faults of the whole file")
            << QByteArray("x\r\n#\x0c")
            << QStringList{firstNotHeader, "2:2: control character U+000C" + hidden};
        QTest::newRow("every byte has a character")
            << QByteArray("#H\r\n\x81\x8d\x8f\x90\x9d\x80\xff") << QStringList{};
    }
    void findings()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, expected);
        QStringList found;
        for (const LintFinding& f :
             lintHelpFile(decodeCp1252(std::string_view(file.data(), std::size_t(file.size())))))
            found << QStringLiteral("%1:%2: %3")
                         .arg(f.line)
                         .arg(f.column)
                         .arg(QString::fromStdString(f.message));
        QCOMPARE(found, expected);
    }

    // The text a save would write can hold characters no byte stands for.
    void unencodableCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected"); // "line:column+length: message"
        QTest::newRow("CJK") << QString::fromUtf8("#H\r\nab\u4e2d")
                             << QStringList{
                                    "2:3+1: character U+4E2D has no byte in Windows-1252: the file "
                                    "cannot hold it"};
        QTest::newRow("pair of surrogates is one character")
            << QString::fromUtf8("#\xf0\x9f\x98\x80x")
            << QStringList{"1:2+2: character U+1F600 has no byte in Windows-1252: the file "
                           "cannot hold it"};
        QTest::newRow("euro sign has a byte") << QString::fromUtf8("#\u20ac") << QStringList{};
        QTest::newRow("lone surrogate")
            << QStringLiteral("#") + QChar(0xDC00)
            << QStringList{"1:2+1: character U+DC00 has no byte in Windows-1252: the file "
                           "cannot hold it"};
    }
    void unencodableCharacters()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QStringList found;
        for (const LintFinding& f : lintHelpFile(u16(text)))
            found << QStringLiteral("%1:%2+%3: %4")
                         .arg(f.line)
                         .arg(f.column)
                         .arg(f.length)
                         .arg(QString::fromStdString(f.message));
        QCOMPARE(found, expected);
    }

    // Where a finding stands in the line as a load shows it, and how much of the file it spans.
    void visibleColumns_data()
    {
        QTest::addColumn<QByteArray>("file");
        // "column>visibleColumn+length" of each finding, then "%n" or "tn" when it starts with
        // a dropped '%' or tag after n others of its kind
        QTest::addColumn<QString>("expected");
        QTest::newRow("tags before are not shown")
            << QByteArray("#H\r\n%Rab%Gc%x") << QStringLiteral("2:8>4+2");
        QTest::newRow("%% drops one")
            << QByteArray("#H\r\na%%%%%Rb%q") << QStringLiteral("2:2>2+2%0 2:9>3+2");
        QTest::newRow("two runs of %% between shown characters")
            << QByteArray("#H\r\n%%R%%Gx") << QStringLiteral("2:1>1+2%0 2:4>1+2%1");
        QTest::newRow("macro spans its name")
            << QByteArray("#H\r\n%Y%KB_WARPX.") << QStringLiteral("2:3>1+9");
        QTest::newRow("tags in a header")
            << QByteArray("#A %R%Gb %Y") << QStringLiteral("1:4>4+2t0 1:6>4+2t1 1:10>6+2t0");
        QTest::newRow("whole-file finding") << QByteArray("x") << QStringLiteral("1:1>1+0");
        QTest::newRow("control run across tags") << QByteArray("#H\r\na\x01%R%G\x01"
                                                               "b\x01")
                                                 << QStringLiteral("2:2>2+6 2:9>5+1");
    }
    void visibleColumns()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        QStringList found;
        for (const LintFinding& f :
             lintHelpFile(decodeCp1252(std::string_view(file.data(), std::size_t(file.size()))))) {
            const QString kind = f.dropped == DroppedUnit::Percent ? QStringLiteral("%")
                                 : f.dropped == DroppedUnit::Tag   ? QStringLiteral("t")
                                                                   : QString();
            found << QStringLiteral("%1:%2>%3+%4")
                             .arg(f.line)
                             .arg(f.column)
                             .arg(f.visibleColumn)
                             .arg(f.length) +
                         (kind.isEmpty() ? QString() : kind + QString::number(f.droppedBefore));
        }
        QCOMPARE(found.join(u' '), expected);
    }

    // The editor lints what a save would write and marks each finding in its own text: the
    // marked characters must be the very characters the finding spans in the saved text.
    void findingsMapBackOntoTheEditorsText()
    {
        const std::u16string alphabet = u"%%%#KRGpbqx_B1 \u4e2d";
        const std::u16string words[] = {u"%KB_WARP", u"%KEsc", u"%Kno", u"%%",
                                        u"%%R",      u"\r\n",  u"#"};
        const ColorRef colors[] = {ColorValues[Red], ColorValues[Green], ColorValues[Blue],
                                   0x00123456};
        std::mt19937 random(1010);
        int mapped = 0;
        for (int round = 0; round < 3000; ++round) {
            ColoredText doc;
            const int pieces = int(random() % 24);
            for (int k = 0; k < pieces; ++k) {
                const std::u16string piece =
                    random() % 3 == 0 ? words[random() % std::size(words)]
                                      : std::u16string(1, alphabet[random() % alphabet.size()]);
                const ColorRef color = colors[random() % std::size(colors)];
                for (const char16_t c : piece) {
                    doc.text.push_back(c);
                    appendRun(doc.runs, 1, random() % 5 == 0 ? colors[random() % 4] : color);
                }
            }
            const std::u16string saved = encodeHelpText(doc);
            const std::vector<std::size_t> savedLines = lineStarts(saved);
            const std::vector<std::size_t> textLines = lineStarts(doc.text);
            std::size_t lastLine = 0, lastAt = 0; // findings of a line come in its order
            for (const LintFinding& f : lintHelpFile(saved)) {
                if (f.length == 0)
                    continue; // a fault of the whole file
                const std::size_t from = savedLines.at(f.line - 1) + f.column - 1;
                const std::size_t lineEnd =
                    f.line < textLines.size() ? textLines[f.line] - 2 : doc.text.size();
                const std::u16string_view line = std::u16string_view(doc.text).substr(
                    textLines.at(f.line - 1), lineEnd - textLines.at(f.line - 1));
                const std::size_t at = textIndexOf(line, f);
                // A tag the save wrote into a line that only the reader takes for a header
                // (a dropped '%' before its '#') is nowhere in the editor's text.
                if (f.dropped == DroppedUnit::Tag && !line.starts_with(u'#')) {
                    QVERIFY(at < line.size());
                    continue;
                }
                QVERIFY2(at + f.length <= line.size(), qPrintable(QString::number(round)));
                QVERIFY2(f.line != lastLine || at > lastAt, qPrintable(QString::number(round)));
                lastLine = f.line;
                lastAt = at;
                QVERIFY2(line.substr(at, f.length) == saved.substr(from, f.length),
                         qPrintable(QStringLiteral("round %1: %2")
                                        .arg(round)
                                        .arg(QString::fromStdString(f.message))));
                ++mapped;
            }
        }
        QVERIFY(mapped > 1000); // the documents do hold faults
    }

    void macroAtAPlace_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("expected"); // "start+length known: explanation" or "-"
        const QString line = QStringLiteral("a %KB_WARP, %KB_NOPE %K %x %%KEsc");
        QTest::newRow("on the %") << line << 2 << "2+8 1: 'Warp' Key";
        QTest::newRow("on the name") << line << 9 << "2+8 1: 'Warp' Key";
        QTest::newRow("just after") << line << 10 << "-";
        QTest::newRow("before") << line << 1 << "-";
        QTest::newRow("unknown") << line << 15 << "12+8 0: unknown key macro \"%KB_NOPE\"";
        QTest::newRow("no name") << line << 22 << "21+2 0: key macro \"%K\" without a key name";
        QTest::newRow("a % that is no macro") << line << 25 << "-";
        QTest::newRow("after %%") << line << 31 << "28+5 1: 'Escape' Key";
        QTest::newRow("past the end") << line << 99 << "-";
        QTest::newRow("trailing dot kept")
            << QStringLiteral("%KB_LEFT") << 0 << "0+8 1: 'Left' Key.";
    }
    void macroAtAPlace()
    {
        QFETCH(QString, line);
        QFETCH(int, index);
        QFETCH(QString, expected);
        const auto span = macroAt(u16(line), std::size_t(index));
        const QString found = span ? QStringLiteral("%1+%2 %3: %4")
                                         .arg(span->start)
                                         .arg(span->length)
                                         .arg(int(span->known))
                                         .arg(QString::fromStdString(span->explanation))
                                   : QStringLiteral("-");
        QCOMPARE(found, expected);
    }
};

QTEST_APPLESS_MAIN(tst_HelpLint)
#include "tst_helplint.moc"
