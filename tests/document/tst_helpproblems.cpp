// SPDX-License-Identifier: MIT

#include "document/HelpFileReader.h"
#include "document/HelpProblems.h"
#include "document/SavePlan.h"

#include "DocumentTestKit.h"

using namespace skyrend;
using namespace kit;

namespace {

QString rowsOf(const std::vector<HelpProblem>& problems)
{
    QStringList out;
    for (const HelpProblem& p : problems)
        out << QStringLiteral("%1:%2+%3 %4")
                   .arg(p.at.line)
                   .arg(p.at.column)
                   .arg(p.length)
                   .arg(QString::fromStdString(p.message));
    return out.join(u'\n');
}

std::string randomFile(std::mt19937& random)
{
    static const char* const pieces[] = {"%R", "%G", "%%", "%K",  "%KB_WARP", "#", "\r\n", "\n",
                                         "\r", "x",  "%q", "50%", "%Kx_1",    "%", "\xe9", "%p"};
    std::string file;
    for (int k = int(random() % 24); k > 0; --k)
        file += pieces[random() % std::size(pieces)];
    return file;
}

// The first "..." of a message: the text a lint finding is about.
std::u16string quotedIn(const std::string& message)
{
    const auto open = message.find('"');
    const auto close = message.find('"', open + 1);
    if (open == std::string::npos || close == std::string::npos)
        return {};
    return QString::fromStdString(message.substr(open + 1, close - open - 1)).toStdU16String();
}

} // namespace

class tst_HelpProblems : public QObject {
    Q_OBJECT
private slots:
    void problemsOfSmallDocuments_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("colors"); // palette letters, one per character
        QTest::addColumn<QString>("expected");
        const QString notATag = "is no colour tag (the tags are %W %P %Y %R %G %B %p)";
        QTest::newRow("clean") << "#H\r\nok %KB_WARP 50%"
                               << "GGGGGGGGGGGGGGGGGGG"
                               << "";
        QTest::newRow("visible tag in a header line, named once")
            << "#H %R"
            << "GGGGG"
            << "1:4+2 \"%R\" is read as a colour tag";
        QTest::newRow("percent pair")
            << "#H\r\nR%%x"
            << "GGGGRGGG"
            << "2:2+1 the first \"%\" of \"%%\" is dropped when the file is read\n2:3+2 \"%x\" " +
                   notATag;
        QTest::newRow("macro split by a colour change") << "#H\r\n%KB_WARP"
                                                        << "GGGGGGGGRRRR"
                                                        << "2:1+4 unknown key macro \"%KB_\"";
        QTest::newRow("faults of the whole file first")
            << "x%R"
            << "GGG"
            << "1:1+0 no header line (a line that starts with '#')\n"
               "1:2+2 \"%R\" is read as a colour tag";
        // After a reload the visible "%R" is a tag, so the line is a header line and the save's
        // own tag before "y" is lost too.
        QTest::newRow("tag the save writes into what a reload takes for a header line")
            << "%R#xy"
            << "GGGGB"
            << "1:1+2 \"%R\" is read as a colour tag\n"
               "1:5+0 colour tag \"%B\" inside a header line; the editor does not keep it";
    }
    void problemsOfSmallDocuments()
    {
        QFETCH(QString, text);
        QFETCH(QString, colors);
        QFETCH(QString, expected);
        QCOMPARE(rowsOf(helpProblems(colored(text, colors))), expected);
    }

    // Every place the save warns about is listed, at the same line and column and in the same
    // words; every other problem covers the very text its message quotes.
    void problemsHoldTheSavePlanAndTraceBack()
    {
        static const std::u16string_view pieces[] = {
            u"%", u"%%",   u"%R", u"%p", u"%q",     u"%K",           u"%KB_WARP", u"%KB_NO",
            u"#", u"\r\n", u"x",  u" ",  u"\u4e2d", u"\xd83d\xde00", u"\xdc00"};
        static const ColorRef colors[] = {ColorValues[Red], ColorValues[Green], ColorValues[Green]};
        std::mt19937 random(515);
        int traced = 0;
        for (int round = 0; round < 20000; ++round) {
            const ColoredText doc = randomDocument(random, pieces, colors, 16);
            const QByteArray what = named(doc);
            const std::vector<HelpProblem> problems = helpProblems(doc);
            std::vector<HelpProblem> rest = problems;
            for (const SavePlace& p : planSave(doc).places) {
                const HelpProblem expected{p.index, p.length, p.at, describe(p)};
                const auto it = std::find(rest.begin(), rest.end(), expected);
                QVERIFY2(it != rest.end(), what);
                rest.erase(it);
            }
            for (const HelpProblem& p : problems) {
                QVERIFY2(p.at == lineColumnOf(doc.text, p.index), what);
                QVERIFY2(p.index + p.length <= doc.text.size(), what);
            }
            // Faults of the whole file (no place, nothing quoted) first, then text order.
            std::size_t k = 0;
            while (k < problems.size() && problems[k].length == 0 &&
                   quotedIn(problems[k].message).empty())
                ++k;
            for (; k + 1 < problems.size(); ++k)
                QVERIFY2(problems[k].index <= problems[k + 1].index, what);
            for (const HelpProblem& p : rest) {
                if (p.length == 0)
                    continue;
                QVERIFY2(doc.text.substr(p.index, p.length) == quotedIn(p.message),
                         what + " " + QByteArray::fromStdString(p.message));
                ++traced;
            }
        }
        QVERIFY(traced > 1000);
    }

    // What `skyrend-f1 check` reports for a file is what the Problems panel lists once the file
    // is open, however the editor read it in; a file names no save place, and its normalized
    // form has the same problems.
    void aFileHasTheProblemsOfTheDocumentItLoadsAs()
    {
        std::mt19937 random(88);
        for (int round = 0; round < 5000; ++round) {
            const std::string file = randomFile(random);
            const QByteArray what = QByteArray::fromStdString(file).toPercentEncoding();
            HelpFileReader reader{std::string_view(file)};
            while (!reader.done())
                reader.readSome(1 + random() % 10);
            const ColoredText doc = reader.take();
            const std::vector<HelpProblem> ofFile = helpProblemsOfFile(file);
            QVERIFY2(ofFile == helpProblems(doc), what);
            QVERIFY2(savePlaces(doc.text).empty(), what);
            QVERIFY2(helpProblemsOfFile(planSave(doc).bytes) == ofFile, what);
        }
    }
};

QTEST_APPLESS_MAIN(tst_HelpProblems)
#include "tst_helpproblems.moc"
