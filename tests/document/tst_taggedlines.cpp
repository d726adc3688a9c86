// SPDX-License-Identifier: MIT
// The tagged text held as lines: a line edit tells the document exactly what to change, and
// columns map between the tagged and the visible text.

#include "DocumentTestKit.h"
#include "document/TaggedLines.h"

#include <QTest>

#include <random>

using namespace skyrend;

namespace {

const std::u16string_view kPieces[] = {u"a", u"b",  u" ", u"%R", u"%G", u"%W",  u"%p", u"%%",
                                       u"%", u"%b", u"#", u"é",  u"%K", u"%%R", u"xyz"};

std::u16string randomLine(std::mt19937& random)
{
    std::u16string line;
    for (unsigned k = random() % 6; k > 0; --k)
        line += kPieces[random() % std::size(kPieces)];
    return line;
}

std::vector<std::u16string> randomLines(std::mt19937& random, unsigned atMost)
{
    std::vector<std::u16string> lines(1 + random() % atMost);
    for (auto& line : lines)
        line = randomLine(random);
    return lines;
}

std::u16string joined(const std::vector<std::u16string>& lines)
{
    std::u16string out;
    for (std::size_t i = 0; i < lines.size(); ++i)
        out += (i ? u"\r\n" : u"") + lines[i];
    return out;
}

// Offset of line `k` in a text with "\r\n" line breaks.
// Offset of line `k` in a text with "\r\n" line breaks; nothing when it has fewer lines.
std::optional<std::size_t> lineStart(std::u16string_view text, std::size_t k)
{
    std::size_t at = 0;
    for (; k > 0; --k) {
        at = text.find(u"\r\n", at);
        if (at == std::u16string_view::npos)
            return std::nullopt;
        at += 2;
    }
    return at;
}

// What the document does with a change: the range it names is replaced by the change's text.
// False when the document has no such range.
bool applyTo(ColoredText& doc, const TaggedLines::Change& change)
{
    std::optional<std::size_t> start = 0, end = doc.text.size();
    if (!change.toEnd) {
        start = lineStart(doc.text, change.first);
        end = lineStart(doc.text, change.oldEnd);
    } else if (change.first > 0) { // from the end of the line before
        start = lineStart(doc.text, change.first - 1);
        if (start)
            start = std::min(doc.text.find(u"\r\n", *start), doc.text.size());
    }
    if (!start || !end || *start > *end)
        return false;
    std::vector<ColorRef> colors = colorsOf(doc);
    const std::vector<ColorRef> added = colorsOf(change.text);
    colors.erase(colors.begin() + std::ptrdiff_t(*start), colors.begin() + std::ptrdiff_t(*end));
    colors.insert(colors.begin() + std::ptrdiff_t(*start), added.begin(), added.end());
    doc.text.replace(*start, *end - *start, change.text.text);
    doc.runs = runsFromColors(colors);
    return true;
}

} // namespace

class TstTaggedLines : public QObject {
    Q_OBJECT

private slots:
    // After every one of many random line edits, the document the changes built is the tagged
    // text read as a whole, and each line starts in the colour a reading from the top gives.
    void editsKeepTheDocumentRead()
    {
        std::mt19937 random(20261209);
        for (int round = 0; round < 300; ++round) {
            std::vector<std::u16string> lines = randomLines(random, 8);
            TaggedLines tagged(lines);
            ColoredText doc = decodeHelpText(joined(lines) + u"\r\n");
            for (int step = 0; step < 12; ++step) {
                const std::size_t first = random() % (lines.size() + 1);
                const std::size_t removed = random() % (lines.size() - first + 1);
                std::vector<std::u16string> added = randomLines(random, 3);
                added.resize(random() % (added.size() + 1));
                if (lines.size() - removed + added.size() == 0)
                    added.emplace_back();
                // Sometimes "replace" lines by themselves, as a repaint reports them.
                if (random() % 5 == 0)
                    added.assign(lines.begin() + std::ptrdiff_t(first),
                                 lines.begin() + std::ptrdiff_t(first + removed));
                lines.erase(lines.begin() + std::ptrdiff_t(first),
                            lines.begin() + std::ptrdiff_t(first + removed));
                lines.insert(lines.begin() + std::ptrdiff_t(first), added.begin(), added.end());

                const auto change = tagged.replaceLines(first, removed, added);
                if (change)
                    QVERIFY2(applyTo(doc, *change), qPrintable(QStringLiteral("lines %1..%2 of %3")
                                                                   .arg(change->first)
                                                                   .arg(change->oldEnd)
                                                                   .arg(kit::qs(doc.text))));
                const ColoredText expected = decodeHelpText(joined(lines) + u"\r\n");
                QCOMPARE(kit::named(doc), kit::named(expected));
                QCOMPARE(tagged.size(), lines.size());
                const TaggedLines fresh(lines);
                for (std::size_t i = 0; i < lines.size(); ++i) {
                    QVERIFY(tagged.line(i) == lines[i]);
                    QCOMPARE(tagged.enteringColor(i), fresh.enteringColor(i));
                }
                if (!change) // nothing reported means nothing differed
                    QVERIFY(doc == expected);
            }
        }
    }

    // A visible column goes to just after the visible character before it and comes back;
    // every tagged column between two visible characters is one visible column.
    void columnsMapBothWays()
    {
        std::mt19937 random(7);
        for (int round = 0; round < 500; ++round) {
            const TaggedLines tagged(randomLines(random, 3));
            for (std::size_t i = 0; i < tagged.size(); ++i) {
                const std::u16string& line = tagged.line(i);
                ColorRef current = tagged.enteringColor(i);
                std::size_t visible = 0;
                for (const TaggedSpan& span : readTaggedLine(line, current))
                    if (span.kind == TaggedSpan::Text)
                        visible += span.length;
                std::size_t previous = 0;
                for (std::size_t v = 0; v <= visible; ++v) {
                    const std::size_t c = tagged.taggedColumn(i, v);
                    QVERIFY(c <= line.size());
                    QVERIFY(v == 0 || c > previous);
                    QCOMPARE(tagged.visibleColumn(i, c), v);
                    previous = c;
                }
                for (std::size_t c = 0; c <= line.size(); ++c)
                    QVERIFY(tagged.taggedColumn(i, tagged.visibleColumn(i, c)) <= c);
            }
        }
    }

    void spansOfALine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("kinds"); // per character: t text, T tag, d dropped
        QTest::newRow("tag then text") << "%Rab"
                                       << "TTtt";
        QTest::newRow("double percent before a letter") << "%%R!"
                                                        << "dTTt";
        QTest::newRow("double percent before text") << "%%x"
                                                    << "dtt";
        QTest::newRow("lone percent at the end") << "a%"
                                                 << "tt";
        QTest::newRow("no tag letter") << "%b%K"
                                       << "tttt";
        QTest::newRow("header mark") << "#%Yh"
                                     << "tTTt";
    }
    void spansOfALine()
    {
        QFETCH(QString, line);
        QFETCH(QString, kinds);
        ColorRef current = ColorValues[Red];
        const std::u16string text = kit::u16(line);
        QString got(line.size(), QLatin1Char('?'));
        for (const TaggedSpan& span : readTaggedLine(text, current))
            for (std::size_t k = span.start; k < span.start + span.length; ++k)
                got[qsizetype(k)] = span.kind == TaggedSpan::Text  ? QLatin1Char('t')
                                    : span.kind == TaggedSpan::Tag ? QLatin1Char('T')
                                                                   : QLatin1Char('d');
        QCOMPARE(got, kinds);
    }
};

QTEST_APPLESS_MAIN(TstTaggedLines)
#include "tst_taggedlines.moc"
