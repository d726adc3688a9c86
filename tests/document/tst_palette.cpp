// SPDX-License-Identifier: MIT

#include "document/Palette.h"

#include <QtTest>

using namespace skyrend;

class tst_Palette : public QObject {
    Q_OBJECT
private slots:
    void rows_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<char>("letter");
        QTest::addColumn<QString>("paddedName");
        QTest::addColumn<uint>("value");
        QTest::addColumn<int>("red");
        QTest::addColumn<int>("green");
        QTest::addColumn<int>("blue");
        QTest::newRow("White") << 0 << 'W' << "White " << 11382189u << 173 << 173 << 173;
        QTest::newRow("Purple") << 1 << 'P' << "Purple" << 16761024u << 192 << 192 << 255;
        QTest::newRow("Yellow") << 2 << 'Y' << "Yellow" << 6541055u << 255 << 206 << 99;
        QTest::newRow("Red") << 3 << 'R' << "Red   " << 526542u << 206 << 8 << 8;
        QTest::newRow("Green") << 4 << 'G' << "Green " << 6553459u << 115 << 255 << 99;
        QTest::newRow("Blue") << 5 << 'B' << "Blue  " << 16758197u << 181 << 181 << 255;
        QTest::newRow("Pink") << 6 << 'p' << "Pink  " << 10259711u << 255 << 140 << 156;
        QTest::newRow("copy of Red") << 7 << 'b' << "Red   " << 526542u << 206 << 8 << 8;
    }
    void rows()
    {
        QFETCH(int, row);
        QFETCH(char, letter);
        QFETCH(QString, paddedName);
        QFETCH(uint, value);
        QFETCH(int, red);
        QFETCH(int, green);
        QFETCH(int, blue);
        InitColors();
        QCOMPARE(ColorLetters[row], letter);
        QCOMPARE(QString::fromLatin1(ColorNames[row].data(), qsizetype(ColorNames[row].size())),
                 paddedName);
        QCOMPARE(ColorValues[row], ColorRef(value));
        QCOMPARE(int(redOf(ColorValues[row])), red);
        QCOMPARE(int(greenOf(ColorValues[row])), green);
        QCOMPARE(int(blueOf(ColorValues[row])), blue);
        QCOMPARE(rgb(red, green, blue), ColorRef(value));
    }

    void documentColoursAreDistinctAndNeverPureWhiteOrBlack()
    {
        for (int a = 0; a < PaletteColorCount; ++a) {
            QVERIFY(ColorValues[a] != 0x00FFFFFFu);
            QVERIFY(ColorValues[a] != 0x00000000u);
            for (int b = a + 1; b < PaletteColorCount; ++b)
                QVERIFY2(ColorValues[a] != ColorValues[b],
                         qPrintable(QString("%1/%2").arg(a).arg(b)));
        }
    }

    void lookups_data()
    {
        QTest::addColumn<QChar>("letter");
        QTest::addColumn<int>("row"); // -1: no tag letter
        QTest::newRow("W") << QChar('W') << 0;
        QTest::newRow("P") << QChar('P') << 1;
        QTest::newRow("p is Pink") << QChar('p') << 6;
        QTest::newRow("B is Blue") << QChar('B') << 5;
        QTest::newRow("b is no tag") << QChar('b') << -1;
        QTest::newRow("lower r is no tag") << QChar('r') << -1;
        QTest::newRow("K is a macro, not a tag") << QChar('K') << -1;
        QTest::newRow("percent") << QChar('%') << -1;
    }
    void lookups()
    {
        QFETCH(QChar, letter);
        QFETCH(int, row);
        const auto found = paletteRowOfLetter(letter.unicode());
        QCOMPARE(found.value_or(-1), row);
        if (row >= 0)
            QCOMPARE(paletteRowOfColor(ColorValues[row]).value_or(-1), row);
    }

    void colourLookupFindsRedBeforeItsCopyAndRejectsOthers()
    {
        QCOMPARE(paletteRowOfColor(0x000808CE).value_or(-1), 3);
        QVERIFY(!paletteRowOfColor(0x00FFFFFF));
        QVERIFY(!paletteRowOfColor(0x00ADADAE));
    }
};

QTEST_APPLESS_MAIN(tst_Palette)
#include "tst_palette.moc"
