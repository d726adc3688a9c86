// SPDX-License-Identifier: MIT

#include "editor/RichTextBox.h"
#include "find/EditorFindSupport.h"

#include <QRandomGenerator>
#include <QtTest>

using find::DocumentSearch;
using find::FindOptions;
using find::Match;

namespace {

const skyrend::ColorRef kRed = skyrend::ColorValues[skyrend::Red];
const skyrend::ColorRef kBlue = skyrend::ColorValues[skyrend::Blue];

// Fills a box with `text` ('\n' for line breaks), one colour per character ('r' red, 'b' blue).
void fill(RichTextBox& box, const QString& text, const QString& colors)
{
    box.setText(QString());
    QTextCursor c(box.document());
    for (qsizetype i = 0; i < text.size(); ++i)
        c.insertText(QString(text[i]), box.formatFor(colors[i] == QLatin1Char('r') ? kRed : kBlue));
}

bool isWord(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// The plain definition: every place, left to right without overlap, where the pattern stands.
std::vector<Match> bruteForce(const QString& text, const QString& colors, const QString& pattern,
                              const FindOptions& o)
{
    std::vector<Match> out;
    const auto cs = o.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (qsizetype i = 0; i + pattern.size() <= text.size();) {
        bool ok = QStringView(text).mid(i, pattern.size()).compare(pattern, cs) == 0;
        const qsizetype end = i + pattern.size();
        if (ok && o.wholeWords)
            ok = !(i > 0 && isWord(text[i - 1])) && !(end < text.size() && isWord(text[end]));
        if (ok && o.color)
            for (qsizetype k = i; k < end; ++k)
                ok = ok && (colors[k] == QLatin1Char('r') ? kRed : kBlue) == *o.color;
        if (ok) {
            out.push_back({int(i), int(pattern.size())});
            i = end;
        } else {
            ++i;
        }
    }
    return out;
}

} // namespace

class tst_EditorFindSupport : public QObject {
    Q_OBJECT

private slots:
    // Random documents of a small alphabet (so matches are many, overlapping and cut by colour
    // changes and line breaks) against the plain definition, for every option.
    void findsWhatThePlainDefinitionFinds()
    {
        RichTextBox box;
        QRandomGenerator rng(20261208);
        const QString alphabet = QStringLiteral("aAb_ \n");
        for (int round = 0; round < 400; ++round) {
            QString text, colors, pattern;
            const int length = int(rng.bounded(0, 40));
            for (int i = 0; i < length; ++i) {
                text += alphabet[int(rng.bounded(alphabet.size()))];
                colors += rng.bounded(4) == 0 ? QLatin1Char('b') : QLatin1Char('r');
            }
            const int patternLength = int(rng.bounded(1, 4));
            for (int i = 0; i < patternLength; ++i)
                pattern += alphabet[int(rng.bounded(4))]; // no space or line break
            FindOptions o;
            o.matchCase = rng.bounded(2);
            o.wholeWords = rng.bounded(2);
            if (rng.bounded(2))
                o.color = rng.bounded(2) ? kRed : kBlue;
            fill(box, text, colors);
            const DocumentSearch search(*box.document(), pattern, o);
            const auto expected = bruteForce(text, colors, pattern, o);
            const auto got = search.all();
            if (got != expected) {
                QString g, e;
                for (const Match& m : got)
                    g += QStringLiteral("%1+%2 ").arg(m.position).arg(m.length);
                for (const Match& m : expected)
                    e += QStringLiteral("%1+%2 ").arg(m.position).arg(m.length);
                QFAIL(qPrintable(QStringLiteral("text \"%1\" colours %2 pattern \"%3\" case %4 "
                                                "words %5: got [%6] expected [%7]")
                                     .arg(text, colors, pattern)
                                     .arg(o.matchCase)
                                     .arg(o.wholeWords)
                                     .arg(g, e)));
            }
            // The same as a regular expression of the escaped pattern.
            FindOptions re = o;
            re.regularExpression = true;
            const auto viaExpression =
                DocumentSearch(*box.document(), QRegularExpression::escape(pattern), re).all();
            QVERIFY(viaExpression == expected);
            // Every match is one by itself; the next from each place is the first after it.
            for (const Match& m : expected) {
                QVERIFY(search.isMatch(m));
                QVERIFY(!search.isMatch({m.position, m.length + 1}));
            }
        }
    }

    // What a replacement makes of each match, replacing the first match and replacing all: in
    // regular-expression mode \0..\9, \\, \n and \t mean something; elsewhere nothing does.
    void replacementTakesGroupsInRegularExpressions_data()
    {
        QTest::addColumn<bool>("regex");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("once"); // after Replace on the first match
        QTest::addColumn<QString>("all");  // after Replace All
        QTest::addColumn<QString>("message");
        auto row = [](const char* name, bool regex, const char* pattern, const char* replacement,
                      const char* text, const char* once, const char* all,
                      const char* message = "") {
            QTest::newRow(name) << regex << QString::fromUtf8(pattern)
                                << QString::fromUtf8(replacement) << QString::fromUtf8(text)
                                << QString::fromUtf8(once) << QString::fromUtf8(all)
                                << QString::fromUtf8(message);
        };
        row("groups swapped", true, R"((\w+)=(\w+))", R"(\2=\1)", "a=b c=d", "b=a c=d", "b=a d=c");
        row("whole match", true, R"(\d+)", R"([\0])", "x1 y22", "x[1] y22", "x[1] y[22]");
        row("dollar stays literal", true, R"((a))", "$1", "aa", "$1a", "$1$1");
        row("escaped backslash", true, "a", R"(\\1)", "ab", R"(\1b)", R"(\1b)");
        row("line break and tab", true, "-", R"(\n\t)", "a-b", "a\n\tb", "a\n\tb");
        row("group in a line", true, R"(^#(.*)$)", R"(# \1 #)", "#Top\nx\n#End", "# Top #\nx\n#End",
            "# Top #\nx\n# End #");
        row("unmatched group is empty", true, R"(a(x)?)", R"(<\1>)", "ab", "<>b", "<>b");
        row("other escape kept", true, "a", R"(\q)", "a", R"(\q)", R"(\q)");
        row("trailing backslash kept", true, "a", "b\\", "a", "b\\", "b\\");
        row("missing group", true, R"((a)b)", R"(\2)", "ab ab", "ab ab", "ab ab",
            "The replacement refers to group \\2, but the pattern has only 1 group.");
        row("no groups at all", true, "ab", R"(\1)", "ab", "ab", "ab",
            "The replacement refers to group \\1, but the pattern has no groups.");
        row("plain mode is literal", false, "a", R"(\1$1\n)", "ab", R"(\1$1\nb)", R"(\1$1\nb)");
    }
    void replacementTakesGroupsInRegularExpressions()
    {
        QFETCH(bool, regex);
        QFETCH(QString, pattern);
        QFETCH(QString, replacement);
        QFETCH(QString, text);
        QFETCH(QString, once);
        QFETCH(QString, all);
        QFETCH(QString, message);
        FindOptions o;
        o.regularExpression = regex;
        o.matchCase = true;

        RichTextBox box;
        find::EditorFindSupport support(box);
        fill(box, text, QString(text.size(), QLatin1Char('r')));
        box.moveCursor(QTextCursor::Start);
        QCOMPARE(support.find(pattern, o, find::Direction::Forward, true).status,
                 find::FindOutcome::Found);
        const find::FindOutcome replaced = support.replace(pattern, replacement, o);
        QCOMPARE(box.toPlainText(), once);
        QCOMPARE(replaced.error, message);
        QCOMPARE(replaced.status == find::FindOutcome::BadPattern, !message.isEmpty());

        fill(box, text, QString(text.size(), QLatin1Char('r')));
        QString error;
        const int count = support.replaceAll(pattern, replacement, o, &error);
        QCOMPARE(box.toPlainText(), all);
        QCOMPARE(error, message);
        QCOMPARE(count < 0, !message.isEmpty());
    }

    void lineBreaksHaveTheColourTheyAreSavedIn()
    {
        RichTextBox box;
        fill(box, QStringLiteral("ab\ncd"), QStringLiteral("rrbrr"));
        FindOptions o;
        o.regularExpression = true;
        o.color = kRed;
        QVERIFY(DocumentSearch(*box.document(), QStringLiteral("b\\nc"), o).all().empty());
        o.color = std::nullopt;
        const DocumentSearch any(*box.document(), QStringLiteral("b\\nc"), o);
        QCOMPARE(any.all().size(), std::size_t(1));
        QCOMPARE(any.colorAt(2), kBlue);
        QCOMPARE(any.colorAt(3), kRed);
    }
};

QTEST_MAIN(tst_EditorFindSupport)
#include "tst_editorfindsupport.moc"
