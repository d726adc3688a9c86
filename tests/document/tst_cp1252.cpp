// SPDX-License-Identifier: MIT

#include "document/Cp1252.h"

#include <QtTest>

using namespace skyrend;

class tst_Cp1252 : public QObject {
    Q_OBJECT
private slots:
    void everyByteRoundTrips()
    {
        std::string all;
        for (int b = 0; b < 256; ++b)
            all.push_back(char(b));
        const std::u16string text = decodeCp1252(all);
        QCOMPARE(text.size(), all.size());
        QVERIFY(!firstUnencodableCp1252(text));
        QVERIFY(encodeCp1252(text) == all);
    }

    void decodes_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("unicode");
        QTest::newRow("euro") << 0x80 << 0x20AC;
        QTest::newRow("undefined 81") << 0x81 << 0x0081;
        QTest::newRow("undefined 8D") << 0x8D << 0x008D;
        QTest::newRow("undefined 8F") << 0x8F << 0x008F;
        QTest::newRow("undefined 90") << 0x90 << 0x0090;
        QTest::newRow("undefined 9D") << 0x9D << 0x009D;
        QTest::newRow("left double quote") << 0x93 << 0x201C;
        QTest::newRow("Y diaeresis") << 0x9F << 0x0178;
        QTest::newRow("nbsp") << 0xA0 << 0x00A0;
        QTest::newRow("e acute") << 0xE9 << 0x00E9;
        QTest::newRow("percent") << 0x25 << 0x25;
        QTest::newRow("NUL") << 0x00 << 0x00;
    }
    void decodes()
    {
        QFETCH(int, byte);
        QFETCH(int, unicode);
        const std::u16string text = decodeCp1252(std::string(1, char(byte)));
        QCOMPARE(int(text.at(0)), unicode);
    }

    void rejectsWhatHasNoByte_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("firstBad");
        QTest::newRow("all fine") << QString::fromUtf16(u"caf\u00e9 \u20ac 100%") << -1;
        QTest::newRow("C1 control that is a defined byte") << QString::fromUtf16(u"a\u0080") << 1;
        QTest::newRow("Cyrillic") << QString::fromUtf16(u"ab\u0416") << 2;
        QTest::newRow("emoji surrogate") << QString::fromUtf16(u"x\U0001F600") << 1;
        QTest::newRow("line separator") << QString::fromUtf16(u"\u2028") << 0;
    }
    void rejectsWhatHasNoByte()
    {
        QFETCH(QString, text);
        QFETCH(int, firstBad);
        const std::u16string_view view(reinterpret_cast<const char16_t*>(text.utf16()),
                                       std::size_t(text.size()));
        const auto bad = firstUnencodableCp1252(view);
        QCOMPARE(bad ? int(*bad) : -1, firstBad);
    }
};

QTEST_APPLESS_MAIN(tst_Cp1252)
#include "tst_cp1252.moc"
