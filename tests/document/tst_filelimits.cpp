// SPDX-License-Identifier: MIT

#include "document/FileLimits.h"

#include <QtTest>

using namespace skyrend;

// Text as a table row: "a5" is five 'a's, "crlf", "cr" and "lf" are line breaks.
static std::string build(const QStringList& parts)
{
    std::string out;
    for (const QString& part : parts) {
        if (part == QLatin1String("crlf"))
            out += "\r\n";
        else if (part == QLatin1String("cr"))
            out += '\r';
        else if (part == QLatin1String("lf"))
            out += '\n';
        else
            out.append(std::size_t(part.mid(1).toInt()), part.at(0).toLatin1());
    }
    return out;
}

class tst_FileLimits : public QObject {
    Q_OBJECT
private slots:
    void findsTheFirstOverlongLine_data()
    {
        QTest::addColumn<QStringList>("parts");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("line"); // 0: none over
        QTest::addColumn<int>("characters");
        QTest::newRow("empty") << QStringList{} << 4 << 0 << 0;
        QTest::newRow("exactly at the limit") << QStringList{"a4"} << 4 << 0 << 0;
        QTest::newRow("one over") << QStringList{"a5"} << 4 << 1 << 5;
        QTest::newRow("at the limit, then a break") << QStringList{"a4", "crlf"} << 4 << 0 << 0;
        QTest::newRow("the third of several is over")
            << QStringList{"a4", "crlf", "b1", "crlf", "c9", "crlf", "d1"} << 4 << 3 << 9;
        QTest::newRow("the first of two over is named")
            << QStringList{"a2", "lf", "b6", "lf", "c7"} << 4 << 2 << 6;
        QTest::newRow("last line over, no break after it")
            << QStringList{"a1", "crlf", "b5"} << 4 << 2 << 5;
        QTest::newRow("CR LF is one break") << QStringList{"a3", "crlf", "b3"} << 4 << 0 << 0;
        QTest::newRow("a lone CR is a break") << QStringList{"a3", "cr", "b3"} << 4 << 0 << 0;
        QTest::newRow("a lone LF is a break") << QStringList{"a3", "lf", "b3"} << 4 << 0 << 0;
        QTest::newRow("CR LF counts one line")
            << QStringList{"a1", "crlf", "b1", "crlf", "c5"} << 4 << 3 << 5;
        QTest::newRow("LF CR counts two lines")
            << QStringList{"a1", "lf", "cr", "c5"} << 4 << 3 << 5;
        QTest::newRow("CR CR LF counts two lines")
            << QStringList{"a1", "cr", "crlf", "c5"} << 4 << 3 << 5;
        QTest::newRow("breaks not counted in the length")
            << QStringList{"crlf", "a4", "crlf", "crlf"} << 4 << 0 << 0;
        QTest::newRow("a break between over-long halves")
            << QStringList{"a4", "cr", "a4", "lf", "a4"} << 4 << 0 << 0;
    }
    void findsTheFirstOverlongLine()
    {
        QFETCH(QStringList, parts);
        QFETCH(int, limit);
        QFETCH(int, line);
        QFETCH(int, characters);
        const std::string bytes = build(parts);
        const std::u16string text(bytes.begin(), bytes.end());
        const auto fromBytes = firstOverlongLine(std::string_view(bytes), std::size_t(limit));
        const auto fromText = firstOverlongLine(std::u16string_view(text), std::size_t(limit));
        QCOMPARE(fromBytes.has_value(), line != 0);
        QCOMPARE(fromText.has_value(), line != 0);
        if (line == 0)
            return;
        QCOMPARE(int(fromBytes->line), line);
        QCOMPARE(int(fromBytes->characters), characters);
        QCOMPARE(int(fromText->line), line);
        QCOMPARE(int(fromText->characters), characters);
    }

    // The editor's own limit: a file's bytes at it open, one more does not.
    void theEditorsLimit()
    {
        std::string bytes = "#Title\r\n" + std::string(kMaxLineCharacters, 'x');
        QVERIFY(!firstOverlongLine(bytes));
        bytes += 'x';
        const auto found = firstOverlongLine(bytes);
        QVERIFY(found);
        QCOMPARE(found->line, std::size_t(2));
        QCOMPARE(found->characters, kMaxLineCharacters + 1);
    }

    void saysTheLineInGroupedNumbers_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("characters");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("sentence");
        QTest::newRow("small") << 1 << 5 << 4
                               << "Line 1 has 5 characters, more than the 4 a line can have in "
                                  "this editor.";
        QTest::newRow("thousands") << 1234 << 10485760 << 1000
                                   << "Line 1,234 has 10,485,760 characters, more than the 1,000 "
                                      "a line can have in this editor.";
        QTest::newRow("no comma under a thousand")
            << 999 << 100000 << 999
            << "Line 999 has 100,000 characters, more than the 999 a line can have in this "
               "editor.";
    }
    void saysTheLineInGroupedNumbers()
    {
        QFETCH(int, line);
        QFETCH(int, characters);
        QFETCH(int, limit);
        QFETCH(QString, sentence);
        const std::string said = overlongLineSentence(
            OverlongLine{std::size_t(line), std::size_t(characters)}, std::size_t(limit));
        QCOMPARE(QString::fromStdString(said), sentence);
    }
};

QTEST_APPLESS_MAIN(tst_FileLimits)
#include "tst_filelimits.moc"
