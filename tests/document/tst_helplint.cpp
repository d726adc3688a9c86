#include "document/Cp1252.h"
#include "document/HelpLint.h"

#include <QtTest>

using namespace skyrend;

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
};

QTEST_APPLESS_MAIN(tst_HelpLint)
#include "tst_helplint.moc"
