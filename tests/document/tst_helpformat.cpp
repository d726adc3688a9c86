// SPDX-License-Identifier: MIT

#include "document/Cp1252.h"
#include "document/HelpFormat.h"

#include "DocumentTestKit.h"

#include <QtTest>

#include <random>

using namespace skyrend;
using namespace kit;

namespace {

QString lettersOf(const std::vector<ColorRef>& colors)
{
    QString out;
    for (const ColorRef c : colors)
        out += c == kForeign ? QChar(u'x') : QChar(tagLetterOf(c).value_or('?'));
    return out;
}

bool isBreak(char16_t c)
{
    return c == u'\r' || c == u'\n';
}

// Characters whose colour a save may change: header lines (from a '#' that begins a line to
// the CR of the next CR LF), line breaks, '#', colours outside the palette, and a '%' right
// before a colour change.
std::vector<bool> colourMayChange(const ColoredText& doc)
{
    const std::u16string& t = doc.text;
    const std::vector<ColorRef> colors = colorsOf(doc);
    std::vector<bool> exempt(t.size(), false);
    bool header = false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == u'#' && (i == 0 || t[i - 1] == u'\n'))
            header = true;
        exempt[i] = header || isBreak(t[i]) || t[i] == u'#' || !paletteRowOfColor(colors[i]) ||
                    (t[i] == u'%' && i + 1 < t.size() && colors[i + 1] != colors[i]);
        if (header && t[i] == u'\r' && i + 1 < t.size() && t[i + 1] == u'\n')
            header = false;
    }
    return exempt;
}

// The format has no escape for "%%" or "%" before a tag letter; everything else must be kept.
std::optional<std::size_t> firstWithoutEscape(std::u16string_view t)
{
    for (std::size_t i = 0; i + 1 < t.size(); ++i)
        if (t[i] == u'%' && (t[i + 1] == u'%' || paletteRowOfLetter(t[i + 1])))
            return i;
    return std::nullopt;
}

// Checks what a save and reload must keep; returns an empty string or what went wrong.
QString roundTripFault(const ColoredText& doc)
{
    const std::u16string encoded = encodeHelpText(doc);
    const ColoredText back = decodeHelpText(encoded);
    const auto unkeepable = findUnkeepable(doc, encoded);
    if (unkeepable.has_value() != (back.text != doc.text))
        return QStringLiteral("findUnkeepable disagrees with the reload");
    if (unkeepable != firstWithoutEscape(doc.text))
        return QStringLiteral("text lost that the format can hold, or the wrong place named");
    if (unkeepable)
        return {};
    if (!hasCanonicalRuns(back))
        return QStringLiteral("reload has runs that are not maximal");
    const std::vector<ColorRef> before = colorsOf(doc);
    const std::vector<ColorRef> after = colorsOf(back);
    const std::vector<bool> exempt = colourMayChange(doc);
    for (std::size_t i = 0; i < before.size(); ++i)
        if (!exempt[i] && before[i] != after[i])
            return QStringLiteral("colour of character %1 changed").arg(i);
    if (encodeHelpText(back) != encoded)
        return QStringLiteral("saving the reloaded document gives other text");
    return {};
}

// Text made of the characters the format cares about, in random colours.
ColoredText randomDocument(std::mt19937& random)
{
    static const ColorRef colors[] = {ColorValues[0], ColorValues[1], ColorValues[2],
                                      ColorValues[3], ColorValues[4], ColorValues[5],
                                      ColorValues[6], kForeign};
    return kit::randomDocument(random, std::u16string_view(u"%%%%##\r\n\r\nWPYRGBpbK a\u00e9"),
                               colors, 40, 4);
}

} // namespace

class tst_HelpFormat : public QObject {
    Q_OBJECT
private slots:
    // The text alone, and a coloured document, whose line breaks keep their colours.
    void normalizesLineBreaks_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("rawColors");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("colors");
        QTest::newRow("empty") << ""
                               << ""
                               << ""
                               << "";
        QTest::newRow("CR LF kept") << "a\r\nb"
                                    << "RBBG"
                                    << "a\r\nb"
                                    << "RBBG";
        QTest::newRow("lone CR and LF") << "a\rb\nc"
                                        << "RBGPY"
                                        << "a\r\nb\r\nc"
                                        << "RBBGPPY";
        QTest::newRow("LF CR is two breaks") << "a\n\rb"
                                             << "GRBG"
                                             << "a\r\n\r\nb"
                                             << "GRRBBG";
        QTest::newRow("CR CR LF") << "\r\r\n"
                                  << "RBp"
                                  << "\r\n\r\n"
                                  << "RRBp";
        QTest::newRow("CR LF split between runs") << "\r\n"
                                                  << "RB"
                                                  << "\r\n"
                                                  << "RB";
        QTest::newRow("break at the end") << "a\r"
                                          << "GW"
                                          << "a\r\n"
                                          << "GWW";
        QTest::newRow("break at the start") << "\na"
                                            << "YG"
                                            << "\r\na"
                                            << "YYG";
    }
    void normalizesLineBreaks()
    {
        QFETCH(QString, raw);
        QFETCH(QString, rawColors);
        QFETCH(QString, expected);
        QFETCH(QString, colors);
        QCOMPARE(qs(normalizeLineBreaks(u16(raw))), expected);
        const ColoredText doc = normalizeLineBreaks(colored(raw, rawColors));
        QCOMPARE(doc, colored(expected, colors));
        QVERIFY(hasCanonicalRuns(doc));
    }

    void decodes_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("colors");
        QTest::newRow("empty") << ""
                               << ""
                               << "";
        QTest::newRow("untagged text is Green") << "ab\r\ncd"
                                                << "ab\r\ncd"
                                                << "GG GG GG";
        QTest::newRow("two tags") << "%Rab %Gcd"
                                  << "ab cd"
                                  << "RRR GG";
        QTest::newRow("letters are case-exact") << "%Pa%pb%Bc"
                                                << "abc"
                                                << "P p B";
        QTest::newRow("%b is no tag") << "%ba"
                                      << "%ba"
                                      << "GGG";
        QTest::newRow("key macro is text") << "%R%KEsc"
                                           << "%KEsc"
                                           << "RRRRR";
        QTest::newRow("%% before a letter is one tag") << "x%%Ry"
                                                       << "xy"
                                                       << "GR";
        QTest::newRow("%% before text leaves one %") << "%%x"
                                                     << "%x"
                                                     << "GG";
        QTest::newRow("three % then a tag") << "%%%Ry"
                                            << "y"
                                            << "R";
        QTest::newRow("% at the end is text") << "%Ra%"
                                              << "a%"
                                              << "RR";
        QTest::newRow("tag at the end") << "a%R"
                                        << "a"
                                        << "G";
        QTest::newRow("% before a line break is text") << "%R5%\r\nx"
                                                       << "5%\r\nx"
                                                       << "RR RR R";
        QTest::newRow("# turns Green mid-line") << "%Rab#cd"
                                                << "ab#cd"
                                                << "RR GGG";
        QTest::newRow("% before #") << "%R%#a"
                                    << "%#a"
                                    << "R GG";
        QTest::newRow("header after red text stays Green") << "%Rx\r\n#T\r\ny"
                                                           << "x\r\n#T\r\ny"
                                                           << "RRR GGGG G";
        QTest::newRow("colour crosses blank lines") << "%Ya\r\n\r\nb"
                                                    << "a\r\n\r\nb"
                                                    << "YYYYYY";
        QTest::newRow("tags inside a header line") << "#A%RB"
                                                   << "#AB"
                                                   << "GGR";
        QTest::newRow("only tags") << "%R%G%p"
                                   << ""
                                   << "";
        QTest::newRow("final CR LF dropped") << "a\r\n"
                                             << "a"
                                             << "G";
        QTest::newRow("only one final CR LF dropped") << "a\r\n\r\n"
                                                      << "a\r\n"
                                                      << "GGG";
        QTest::newRow("lone break") << "\r\n"
                                    << ""
                                    << "";
        QTest::newRow("% before the final CR LF") << "50%\r\n"
                                                  << "50%"
                                                  << "GGG";
    }
    void decodes()
    {
        QFETCH(QString, raw);
        QFETCH(QString, text);
        QFETCH(QString, colors);
        const ColoredText doc = decodeHelpText(u16(raw));
        QCOMPARE(qs(doc.text), text);
        QCOMPARE(lettersOf(colorsOf(doc)), colors.remove(u' '));
        QVERIFY(hasCanonicalRuns(doc));
        QCOMPARE(qs(decodeVisibleText(u16(raw))), text);
    }

    void encodes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("colors");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << ""
                               << ""
                               << "\r\n";
        QTest::newRow("all Green") << "ab\r\ncd"
                                   << "GGGGGG"
                                   << "ab\r\ncd\r\n";
        QTest::newRow("header, red line, green line") << "#Help\r\nHi\r\nBye"
                                                      << "GGGGGGG RRRR GGG"
                                                      << "#Help\r\n%RHi\r\n%GBye\r\n";
        QTest::newRow("starts White") << "ab"
                                      << "WW"
                                      << "%Wab\r\n";
        QTest::newRow("change on a line break") << "a\r\nb"
                                                << "G RR R"
                                                << "a\r\n%Rb\r\n";
        QTest::newRow("header keeps the running colour") << "x\r\n#T\r\nb"
                                                         << "RRR GGG R R"
                                                         << "%Rx\r\n#T\r\n%Rb\r\n";
        QTest::newRow("# mid-line") << "a#b"
                                    << "GGR"
                                    << "a#%Rb\r\n";
        QTest::newRow("red # mid-line turns Green") << "a#b"
                                                    << "RRR"
                                                    << "%Ra#%Rb\r\n";
        QTest::newRow("Item #3 keeps hot red") << "Item #3 hot"
                                               << "GGGGGGGG RRR"
                                               << "Item #3 %Rhot\r\n";
        QTest::newRow("Blue and Pink") << "ab"
                                       << "Bp"
                                       << "%Ba%pb\r\n";
        QTest::newRow("purged, header first") << "#T\r\nbody"
                                              << "WWWW WWWW"
                                              << "#T\r\n%Wbody\r\n";
        QTest::newRow("colours inside a header are dropped") << "#A\r\nb"
                                                             << "GRRR R"
                                                             << "#A\r\n%Rb\r\n";
        QTest::newRow("header runs to the end without CR LF") << "#a\nb"
                                                              << "GGRR"
                                                              << "#a\nb\r\n";
        QTest::newRow("% takes the colour after it") << "50% off"
                                                     << "RRR GGGG"
                                                     << "%R50%G% off\r\n";
        QTest::newRow("% before a line break keeps its colour") << "5%\r\nx"
                                                                << "RRGGG"
                                                                << "%R5%\r\n%Gx\r\n";
        QTest::newRow("% before # keeps its colour") << "a%#"
                                                     << "GRG"
                                                     << "a%R%#\r\n";
        QTest::newRow("foreign colour counts as Green") << "abc"
                                                        << "RxG"
                                                        << "%Ra%Gbc\r\n";
        QTest::newRow("text ending in a line break") << "a\r\n"
                                                     << "GGG"
                                                     << "a\r\n\r\n";
        QTest::newRow("key macro") << "%KB_WARP"
                                   << "YYYYYYYY"
                                   << "%Y%KB_WARP\r\n";
    }
    void encodes()
    {
        QFETCH(QString, text);
        QFETCH(QString, colors);
        QFETCH(QString, expected);
        const ColoredText doc = colored(text, colors);
        const std::u16string encoded = encodeHelpText(doc);
        QCOMPARE(qs(encoded), expected);
        QVERIFY(!findUnkeepable(doc, encoded));
    }

    void encodeToleratesRunsThatDoNotFit()
    {
        // Too short: the rest is Green. Too long and empty runs: ignored.
        ColoredText shortRuns{u"abc", {{1, ColorValues[Red]}}};
        QCOMPARE(qs(encodeHelpText(shortRuns)), QString("%Ra%Gbc\r\n"));
        ColoredText longRuns{u"ab", {{0, ColorValues[Blue]}, {5, ColorValues[Red]}, {9, 0}}};
        QCOMPARE(qs(encodeHelpText(longRuns)), QString("%Rab\r\n"));
    }

    void findsUnkeepableText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("colors");
        // Every lost place: its index, then "%" for a dropped "%" or the letter of a tag.
        QTest::addColumn<QStringList>("lost");
        QTest::newRow("plain %") << "100% sure"
                                 << "GGGGGGGGG" << QStringList();
        QTest::newRow("% before no tag letter") << "%b %K %r"
                                                << "GGGGGGGG" << QStringList();
        QTest::newRow("% before a tag letter") << "x%Ry"
                                               << "GGGG" << QStringList{"1R"};
        QTest::newRow("%% at the start") << "%%a"
                                         << "GGG" << QStringList{"0%"};
        QTest::newRow("%% at the end") << "a%%"
                                       << "GGG" << QStringList{"1%"};
        QTest::newRow("lost % hidden by the next %") << "%R%x"
                                                     << "GGGG" << QStringList{"0R"};
        QTest::newRow("in a header line") << "#%P"
                                          << "GGG" << QStringList{"1P"};
        QTest::newRow("% before G after a colour change") << "50%Go"
                                                          << "RRRGG" << QStringList{"2G"};
        QTest::newRow("every place, in order")
            << "ab%%c%R%%%p"
            << "GGGGGGGGGGG" << QStringList{"2%", "5R", "7%", "9p"};
    }
    void findsUnkeepableText()
    {
        QFETCH(QString, text);
        QFETCH(QString, colors);
        QFETCH(QStringList, lost);
        const ColoredText doc = colored(text, colors);
        QStringList found;
        for (const Unkeepable& u : findUnkeepables(doc.text))
            found << QString::number(u.index) +
                         (u.kind == Unkeepable::DroppedPercent ? QChar(u'%') : QChar(u.letter));
        QCOMPARE(found, lost);
        const auto first = findUnkeepable(doc, encodeHelpText(doc));
        QCOMPARE(first ? QString::number(*first) : QString(),
                 lost.isEmpty() ? QString() : lost.front().chopped(1));
    }

    void lineColumn_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("column");
        QTest::newRow("start") << "ab" << 0 << 1 << 1;
        QTest::newRow("after CR LF") << "a\r\nbc" << 4 << 2 << 2;
        QTest::newRow("on the LF of CR LF") << "a\r\nb" << 2 << 1 << 3;
        QTest::newRow("after lone CR") << "a\rb" << 2 << 2 << 1;
        QTest::newRow("after lone LF") << "a\nb" << 2 << 2 << 1;
        QTest::newRow("blank lines") << "\r\n\r\n\nx" << 5 << 4 << 1;
        QTest::newRow("past the end") << "ab\r\n" << 99 << 2 << 1;
    }
    void lineColumn()
    {
        QFETCH(QString, text);
        QFETCH(int, index);
        QFETCH(int, line);
        QFETCH(int, column);
        const LineColumn at = lineColumnOf(u16(text), std::size_t(index));
        QCOMPARE(int(at.line), line);
        QCOMPARE(int(at.column), column);
    }

    void headerLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("has");
        QTest::newRow("empty") << "" << false;
        QTest::newRow("first line") << "#Help" << true;
        QTest::newRow("later line") << "a\r\n#b" << true;
        QTest::newRow("after lone CR") << "a\r#b" << true;
        QTest::newRow("mid-line only") << "a #b" << false;
        QTest::newRow("indented") << " #b" << false;
    }
    void headerLine()
    {
        QFETCH(QString, text);
        QFETCH(bool, has);
        QCOMPARE(hasHeaderLine(u16(text)), has);
    }

    // Documents made of the characters the format cares about, in random colours.
    void generatedDocumentsSurviveSaveAndReload()
    {
        std::mt19937 random(20240611);
        int kept = 0;
        for (int round = 0; round < 20000; ++round) {
            const ColoredText doc = randomDocument(random);
            const QString fault = roundTripFault(doc);
            QVERIFY2(fault.isEmpty(), qPrintable(fault + " for: " + named(doc)));
            kept += findUnkeepable(doc, encodeHelpText(doc)) ? 0 : 1;
        }
        QVERIFY2(kept > 5000, "too few generated documents can be kept to test the property");
    }

    // The colours the editor shows are those of a save and reload, also when only the lines from
    // some line start on are looked at; and the places named as lost are exactly where text is.
    void reloadColorsAndLostPlacesMatchTheRoundTrip()
    {
        std::mt19937 random(99);
        int kept = 0;
        for (int round = 0; round < 20000; ++round) {
            const ColoredText doc = randomDocument(random);
            const QByteArray what = named(doc);
            const ColoredText back = decodeHelpText(encodeHelpText(doc));
            const std::vector<Unkeepable> lost = findUnkeepables(doc.text);
            QVERIFY2(lost.empty() == (back.text == doc.text), what);
            const auto first = findUnkeepable(doc, encodeHelpText(doc));
            QVERIFY2(lost.empty() ? !first : first == lost.front().index, what);

            const ColoredText shown{doc.text, colorsAfterReload(doc)};
            QVERIFY2(hasCanonicalRuns(shown), what);
            // Showing them changes nothing a second time.
            QVERIFY2(colorsAfterReload(shown) == shown.runs, what);
            if (!lost.empty())
                continue;
            ++kept;
            QVERIFY2(shown == back, what);

            // From a line start on, with the colour before it, the rest comes out the same.
            std::vector<std::size_t> lineStarts{0};
            for (std::size_t i = 1; i < doc.text.size(); ++i)
                if (doc.text[i - 1] == u'\r' && doc.text[i] == u'\n')
                    lineStarts.push_back(i + 1);
            const std::size_t from = lineStarts[random() % lineStarts.size()];
            const std::vector<ColorRef> all = colorsOf(shown);
            const std::vector<ColorRef> docColors = colorsOf(doc);
            ColoredText tail{doc.text.substr(from),
                             runsFromColors(std::span(docColors).subspan(from))};
            const ColorRef entering = from == 0 ? ColorValues[Green] : all[from - 1];
            QVERIFY2(colorsAfterReload(tail, entering) ==
                         runsFromColors(std::span(all).subspan(from)),
                     what);
        }
        QVERIFY(kept > 5000);
    }

    // Any file: what the editor writes for it reads back whole and saves to the same bytes.
    void savingALoadedFileIsStable()
    {
        std::mt19937 random(7);
        const std::string bytes = "%%%##\r\n\r\nWPYRGBpbK a\x80\xe9";
        for (int round = 0; round < 20000; ++round) {
            std::string file;
            const int length = int(random() % 48);
            for (int i = 0; i < length; ++i)
                file.push_back(bytes[random() % bytes.size()]);
            const ColoredText doc = decodeHelpText(normalizeLineBreaks(decodeCp1252(file)));
            const std::u16string saved = encodeHelpText(doc);
            QVERIFY2(!findUnkeepable(doc, saved), file.c_str());
            QVERIFY2(encodeHelpText(decodeHelpText(saved)) == saved, file.c_str());
        }
    }
};

QTEST_APPLESS_MAIN(tst_HelpFormat)
#include "tst_helpformat.moc"
