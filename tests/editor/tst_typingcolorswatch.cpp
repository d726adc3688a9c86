// SPDX-License-Identifier: MIT

#include "WindowFixture.h"
#include "editor/TypingColorSwatch.h"

#include <QRandomGenerator>
#include <QtTest>

class tst_TypingColorSwatch : public QObject {
    Q_OBJECT

private slots:
    void namesTheTypingOrTheSelectionColour_data()
    {
        QTest::addColumn<QString>("letters");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("expected");
        QTest::newRow("caret after red") << "RRGG" << 2 << 0 << "Red";
        QTest::newRow("caret after green") << "RRGG" << 3 << 0 << "Green";
        QTest::newRow("one colour selected") << "RRGGGp" << 2 << 3 << "Green";
        QTest::newRow("two colours selected") << "RRGGGp" << 1 << 3 << "mixed";
        QTest::newRow("pink, not purple") << "pppP" << 0 << 3 << "Pink";
        QTest::newRow("purple") << "pppP" << 3 << 1 << "Purple";
        QTest::newRow("outside the palette") << "?" << 0 << 1 << "#FFFFFF";
    }
    void namesTheTypingOrTheSelectionColour()
    {
        QFETCH(QString, letters);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, expected);
        WindowFixture f;
        f.fill(QString(letters.size(), QLatin1Char('x')), letters);
        f.edit().setSelStart(start);
        f.edit().setSelLength(length);
        QCOMPARE(f.w().colorSwatch->colorName(), expected);
        QTRY_VERIFY(f.w().colorSwatch->isVisible());
    }

    void followsTheColoursMenuAndTypedTags()
    {
        WindowFixture f;
        f.edit().setFocus();
        QCOMPARE(f.w().colorSwatch->colorName(), QStringLiteral("Green"));
        f.type(QStringLiteral("a%Y"));
        QCOMPARE(f.w().colorSwatch->colorName(), QStringLiteral("Yellow"));
        f.w().menu_Color[3]->trigger(); // a row of the Colors menu, nothing selected
        QTest::qWait(0);
        QCOMPARE(f.w().colorSwatch->colorName(), TypingColorSwatch::nameOf(f.edit().SelColor()));
        // Colouring a selection changes what the swatch says about it.
        f.edit().selectAll();
        QCOMPARE(f.w().colorSwatch->colorName(), QStringLiteral("Green"));
        f.edit().setSelColor(skyrend::ColorValues[skyrend::Blue]);
        QCOMPARE(f.w().colorSwatch->colorName(), QStringLiteral("Blue"));
    }

    // Selections grown a key at a time (where the swatch reuses what it saw) always agree
    // with the box's own answer.
    void growingSelectionsAgreeWithTheBox()
    {
        WindowFixture f;
        QRandomGenerator rng(9);
        QString letters;
        for (int i = 0; i < 60; ++i)
            letters += rng.bounded(8) == 0 ? QLatin1Char('R') : QLatin1Char('G');
        f.fill(QString(60, QLatin1Char('x')), letters);
        f.edit().setFocus();
        for (int round = 0; round < 40; ++round) {
            f.edit().setSelStart(rng.bounded(60));
            const auto key = rng.bounded(2) ? Qt::Key_Right : Qt::Key_Left;
            for (int step = 0; step < 12; ++step) {
                QTest::keyClick(&f.edit(), key, Qt::ShiftModifier);
                QCOMPARE(f.w().colorSwatch->colorName(),
                         TypingColorSwatch::nameOf(f.edit().SelColor()));
            }
        }
    }
};

QTEST_MAIN(tst_TypingColorSwatch)
#include "tst_typingcolorswatch.moc"
