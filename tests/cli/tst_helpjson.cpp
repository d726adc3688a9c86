// SPDX-License-Identifier: MIT

#include "cli/HelpJson.h"
#include "cli/Json.h"

#include <QtTest>

using namespace skyrend;

namespace {
// JSON written with ' for ", to keep the test data readable.
QByteArray j(const char* text)
{
    return QByteArray(text).replace('\'', '"');
}
QString qs(std::u16string_view s)
{
    return QString::fromUtf16(s.data(), qsizetype(s.size()));
}
} // namespace

class tst_HelpJson : public QObject {
    Q_OBJECT
private slots:
    void writes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("empty") << ""
                               << QByteArray(R"({"text": "", "runs": []})"
                                             "\n");
        QTest::newRow("escapes")
            << QString::fromUtf16(u"\"\\\r\n\t\x01\x7f")
            << QByteArray("{\"text\": \"\\\"\\\\\\r\\n\\t\\u0001\x7f\", "
                          "\"runs\": [{\"start\": 0, \"length\": 7, \"color\": \"G\"}]}\n");
        QTest::newRow("UTF-8") << QString::fromUtf16(u"\u20ac\u00e9")
                               << QByteArray(
                                      "{\"text\": \"\xe2\x82\xac\xc3\xa9\", \"runs\": [{\"start\": "
                                      "0, \"length\": 2, \"color\": \"G\"}]}\n");
    }
    void writes()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, expected);
        ColoredText doc;
        doc.text.assign(reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size()));
        appendRun(doc.runs, doc.text.size(), ColorValues[Green]);
        QCOMPARE(QByteArray::fromStdString(toJson(doc)), expected);
    }

    void readsWhatItWrites()
    {
        ColoredText doc{u"#H\r\n\u20ac%x\"\\", {}};
        appendRun(doc.runs, 4, ColorValues[Green]);
        appendRun(doc.runs, 2, ColorValues[Pink]);
        appendRun(doc.runs, 2, ColorValues[Blue]);
        appendRun(doc.runs, 1, 0x00563412); // outside the palette: written as "#123456"
        QVERIFY(QByteArray::fromStdString(toJson(doc)).contains("\"color\": \"#123456\""));
        QVERIFY(fromJson(toJson(doc)) == doc);
    }

    void reads_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<uint>>("colors"); // one per run, runs of length 1
        QTest::newRow("members in any order, white space, BOM")
            << QByteArray("\xEF\xBB\xBF {\n \"runs\" : [ "
                          "{\"color\":\"p\",\"length\":1,\"start\":0} ] ,\"text\":\"a\" }\n")
            << "a" << QList<uint>{ColorValues[Pink]};
        QTest::newRow("hex colour, any case")
            << j("{'text':'ab','runs':[{'start':0,'length':1,'color':'#CE0808'},{'start':1,'length'"
                 ":1,'color':'#12abEF'}]}")
            << "ab" << QList<uint>{ColorValues[Red], 0x00EFAB12u};
        QTest::newRow("escapes and surrogate-free \\u")
            << j("{'text':'\\u0041\\/"
                 "\\b','runs':[{'start':0,'length':1,'color':'W'},{'start':1,'length':1,'color':'P'"
                 "},{'start':2,'length':1,'color':'Y'}]}")
            << "A/\b" << QList<uint>{ColorValues[White], ColorValues[Purple], ColorValues[Yellow]};
        QTest::newRow("empty text, no runs") << j("{'text':'','runs':[]}") << "" << QList<uint>{};
    }
    void reads()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, text);
        QFETCH(QList<uint>, colors);
        const ColoredText doc = fromJson(json.toStdString());
        QCOMPARE(qs(doc.text), text);
        QCOMPARE(doc.runs.size(), std::size_t(colors.size()));
        for (qsizetype r = 0; r < colors.size(); ++r)
            QCOMPARE(doc.runs[std::size_t(r)].color, ColorRef(colors[r]));
    }

    void rejects_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("message"); // a part of it
        const QByteArray run = j("{'start':0,'length':1,'color':'G'}");
        QTest::newRow("empty input") << QByteArray() << 1 << 1 << "expected an object";
        QTest::newRow("not an object") << QByteArray("[]") << 1 << 1 << "expected an object";
        QTest::newRow("trailing comma") << j("{'text':'a',}") << 1 << 13 << "member name";
        QTest::newRow("unclosed object")
            << QByteArray("{\"text\":\"\",\"runs\":[]") << 1 << 21 << "the end of the input";
        QTest::newRow("unclosed string") << QByteArray("{\"text\":\"ab") << 1 << 9 << "closing";
        QTest::newRow("garbage after")
            << j("{'text':'','runs':[]} x") << 1 << 23 << "after the end";
        QTest::newRow("unknown member")
            << QByteArray("{\n  \"txt\":\"a\"}") << 2 << 3 << "unknown member \"txt\"";
        QTest::newRow("repeated member")
            << j("{'text':'','text':''}") << 1 << 12 << "appears twice";
        QTest::newRow("missing runs") << j("{'text':''}") << 1 << 1 << "missing member \"runs\"";
        QTest::newRow("text not a string")
            << j("{'text':5,'runs':[]}") << 1 << 9 << "expected a string";
        QTest::newRow("raw control character")
            << QByteArray("{\"text\":\"a\tb\"}") << 1 << 11 << "control character";
        QTest::newRow("bad escape") << j("{'text':'\\x'}") << 1 << 10 << "unknown escape";
        QTest::newRow("lone surrogate")
            << j("{'text':'\\ud800x'}") << 1 << 10 << "unpaired surrogate";
        QTest::newRow("invalid UTF-8")
            << QByteArray("{\"text\":\"\xc3\x28\"}") << 1 << 10 << "invalid UTF-8";
        QTest::newRow("overlong UTF-8")
            << QByteArray("{\"text\":\"\xc0\xaf\"}") << 1 << 10 << "invalid UTF-8";
        QTest::newRow("column counts characters")
            << QByteArray("{\"text\":\"\xc3\xa9\xc3\xa9\", x}") << 1 << 15 << "member name";
        QTest::newRow("no byte in Windows-1252")
            << QByteArray("{\"text\":\"a\\r\\nb\xd0\x96\",\"runs\":[]}") << 1 << 9
            << "U+0416 at line 2, column 2";
        QTest::newRow("emoji") << QByteArray("{\"text\":\"\xf0\x9f\x98\x80\",\"runs\":[]}") << 1
                               << 9 << "U+1F600 at line 1, column 1";
        QTest::newRow("colour b is no tag")
            << j("{'text':'a','runs':[{'start':0,'length':1,'color':'b'}]}") << 1 << 51
            << "unknown colour \"b\"";
        QTest::newRow("colour name")
            << j("{'text':'a','runs':[{'start':0,'length':1,'color':'Red'}]}") << 1 << 51
            << "unknown colour";
        QTest::newRow("short hex colour")
            << j("{'text':'a','runs':[{'start':0,'length':1,'color':'#fff'}]}") << 1 << 51
            << "unknown colour";
        QTest::newRow("negative number")
            << j("{'text':'a','runs':[{'start':-1,'length':1,'color':'G'}]}") << 1 << 30
            << "negative";
        QTest::newRow("fraction") << j("{'text':'a','runs':[{'start':0,'length':1.0,'color':'G'}]}")
                                  << 1 << 41 << "whole number";
        QTest::newRow("leading zero")
            << j("{'text':'a','runs':[{'start':00,'length':1,'color':'G'}]}") << 1 << 30
            << "start with 0";
        QTest::newRow("huge number")
            << j("{'text':'a','runs':[{'start':0,'length':99999999999999999999,'color':'G'}]}") << 1
            << 41 << "too large";
        QTest::newRow("run field missing")
            << j("{'text':'a','runs':[{'start':0,'color':'G'}]}") << 1 << 21 << "needs";
        QTest::newRow("unknown run field")
            << j("{'text':'a','runs':[{'start':0,'length':1,'color':'G','bold':true}]}") << 1 << 55
            << "unknown member \"bold\"";
        QTest::newRow("gap between runs")
            << j("{'text':'ab','runs':[{'start':1,'length':1,'color':'G'}]}") << 1 << 22
            << "starts at 1, expected 0";
        QTest::newRow("empty run")
            << QByteArray(R"({"text":"a","runs":[{"start":0,"length":0,"color":"G"},)" + run + "]}")
            << 1 << 21 << "length 0";
        QTest::newRow("run past the end")
            << j("{'text':'a','runs':[{'start':0,'length':2,'color':'G'}]}") << 1 << 21
            << "past the end";
        QTest::newRow("runs fall short") << QByteArray(R"({"text":"ab","runs":[)" + run + "]}") << 1
                                         << 21 << "cover 1 of the text's 2";
        QTest::newRow("deep nesting") << QByteArray(100000, '[') << 1 << 1 << "expected an object";
        QTest::newRow("nested value for text")
            << j("{'text':{'a':1}}") << 1 << 9 << "expected a string";
    }
    void rejects()
    {
        QFETCH(QByteArray, json);
        QFETCH(int, line);
        QFETCH(int, column);
        QFETCH(QString, message);
        try {
            fromJson(json.toStdString());
            QFAIL("accepted");
        } catch (const json::Error& e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains(message), e.what());
            QCOMPARE(QString("%1:%2").arg(e.line).arg(e.column),
                     QString("%1:%2").arg(line).arg(column));
        }
    }
};

QTEST_APPLESS_MAIN(tst_HelpJson)
#include "tst_helpjson.moc"
