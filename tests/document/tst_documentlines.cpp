// SPDX-License-Identifier: MIT
// A document held as lines: the results put together from the lines are those of the whole
// document, however the lines were edited.

#include "DocumentTestKit.h"
#include "document/DocumentLines.h"

#include <QTest>

#include <random>

using namespace skyrend;
using namespace kit;

namespace {

const std::u16string_view kPieces[] = {
    u"%",    u"%%",    u"%R", u"%q", u"%KB_WARP", u"%KB_NO",       u"#",
    u"\r\n", u"\r\n#", u"x",  u" ",  u"\u4e2d",   u"\xd83d\xde00", u"\r\n\r\n"};
const ColorRef kColors[] = {ColorValues[Red], ColorValues[Green], ColorValues[Blue], rgb(1, 2, 3)};

QByteArray describe(const std::vector<HelpProblem>& problems)
{
    QByteArray out;
    for (const HelpProblem& p : problems)
        out += QByteArray::number(qulonglong(p.index)) + "+" +
               QByteArray::number(qulonglong(p.length)) + " " +
               QByteArray::number(qulonglong(p.at.line)) + ":" +
               QByteArray::number(qulonglong(p.at.column)) + " " +
               QByteArray::fromStdString(p.message) + "\n";
    return out;
}

void compareWithWhole(const DocumentLines& lines, const ColoredText& doc)
{
    QCOMPARE(named(joinLines(lines.snapshot())), named(doc));
    QCOMPARE(describe(lines.problems()), describe(helpProblems(doc)));
    QVERIFY(lines.pages() == pagesOf(doc.text));
}

} // namespace

class TstDocumentLines : public QObject {
    Q_OBJECT

private slots:
    void linesGiveTheWholeDocumentsResults()
    {
        std::mt19937 random(2026);
        for (int round = 0; round < 3000; ++round) {
            ColoredText doc = randomDocument(random, kPieces, kColors, 14, 3);
            DocumentLines lines(doc);
            compareWithWhole(lines, doc);
            // Edits: some lines replaced by the lines of another random text.
            for (int step = 0; step < 4; ++step) {
                const std::size_t first = random() % lines.size();
                const std::size_t removed = random() % (lines.size() - first + 1);
                const ColoredText piece = randomDocument(random, kPieces, kColors, 6, 3);
                std::vector<LinePtr> added = splitLines(piece);
                if (random() % 3 == 0)
                    added.clear();
                std::vector<LinePtr> all = lines.snapshot();
                all.erase(all.begin() + std::ptrdiff_t(first),
                          all.begin() + std::ptrdiff_t(first + removed));
                all.insert(all.begin() + std::ptrdiff_t(first), added.begin(), added.end());
                if (all.empty())
                    all = splitLines({});
                lines.replace(first, removed, added);
                const ColoredText expected = joinLines(all);
                compareWithWhole(lines, expected);
            }
        }
    }

    // Cut piece by piece, at any places, a document gives the lines it gives at once.
    void piecesGiveTheSameLines()
    {
        std::mt19937 random(9);
        for (int round = 0; round < 2000; ++round) {
            const ColoredText doc = randomDocument(random, kPieces, kColors, 20, 3);
            LineSplitter splitter(doc);
            std::vector<LinePtr> lines;
            std::size_t at = 0;
            while (at < doc.text.size() && random() % 4 != 0) {
                at += random() % 6;
                const std::vector<LinePtr> some = splitter.take(at, false);
                lines.insert(lines.end(), some.begin(), some.end());
            }
            const std::vector<LinePtr> rest = splitter.take(doc.text.size(), true);
            lines.insert(lines.end(), rest.begin(), rest.end());
            QCOMPARE(named(joinLines(lines)), named(joinLines(splitLines(doc))));
            QCOMPARE(lines.size(), splitLines(doc).size());
            QCOMPARE(named(joinLines(lines)), named(doc));
        }
    }

    // A snapshot stays as it was when the lines change afterwards.
    void aSnapshotDoesNotChange()
    {
        DocumentLines lines(colored(u"#A\r\nb"_qs, u"GGGGR"_qs));
        const std::vector<LinePtr> before = lines.snapshot();
        lines.replace(1, 1, splitLines(colored(u"c\r\nd"_qs, u"WWWW"_qs)));
        QCOMPARE(named(joinLines(before)), named(colored(u"#A\r\nb"_qs, u"GGGGR"_qs)));
        QCOMPARE(lines.size(), std::size_t(3));
    }
};

QTEST_APPLESS_MAIN(TstDocumentLines)
#include "tst_documentlines.moc"
