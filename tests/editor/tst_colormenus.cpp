// SPDX-License-Identifier: MIT

#include "MenuCaptions.h"
#include "WindowFixture.h"

#include <QAction>
#include <QMenu>
#include <QtTest>

class tst_ColorMenus : public QObject {
    Q_OBJECT

private slots:
    void colorsMenuListsThePaletteThenInsert()
    {
        WindowFixture f;
        QStringList items;
        for (QAction* a : f.w().menu_Colors->actions())
            items << (a->isSeparator() ? QStringLiteral("-") : shownCaption(a));
        QCOMPARE(items, QStringList({"White ", "Purple", "Yellow", "Red   ", "Green ", "Blue  ",
                                     "Pink  ", "-", "Insert"}));
        for (int i = 0; i < 7; ++i) {
            QCOMPARE(f.w().menu_Colors->actions()[i], f.w().menu_Color[i]);
            // A swatch of the colour beside its name.
            const QImage swatch = f.w().menu_Color[i]->icon().pixmap(16, 16).toImage();
            QCOMPARE(swatch.pixelColor(8, 8).rgb() & 0xFFFFFF,
                     QColor(int(skyrend::redOf(skyrend::ColorValues[i])),
                            int(skyrend::greenOf(skyrend::ColorValues[i])),
                            int(skyrend::blueOf(skyrend::ColorValues[i])))
                             .rgb() &
                         0xFFFFFF);
        }
    }

    void insertListsTheMacros_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("token");
        QTest::newRow("first") << 0 << "'Escape' Key"
                               << "%KEsc";
        QTest::newRow("full stop kept") << 1 << "'Left' Key."
                                        << "%KB_LEFT";
        QTest::newRow("fills its field") << 5 << "'Afterburners' Key."
                                         << "%KB_AFTERBURNERS";
        QTest::newRow("warp") << 17 << "'Warp' Key"
                              << "%KB_WARP";
        QTest::newRow("last") << 28 << "'Take screenshot' Key"
                              << "%KPrintScrn";
    }
    void insertListsTheMacros()
    {
        QFETCH(int, index);
        QFETCH(QString, caption);
        QFETCH(QString, token);
        WindowFixture f;
        QCOMPARE(f.w().menu_Insert->actions().size(), 29);
        QCOMPARE(f.w().menu_macro.size(), 29);
        QCOMPARE(shownCaption(f.w().menu_Insert->actions()[index]), caption);
        f.edit().setText(QStringLiteral("go word here"));
        f.w().setDirty(false);
        f.edit().setSelStart(3);
        f.edit().setSelLength(4);
        f.w().menu_macro[index]->trigger();
        QCOMPARE(f.edit().Text(), QStringLiteral("go ") + token + QStringLiteral(" here"));
        QCOMPARE(f.edit().SelStart(), 3 + token.size());
        QCOMPARE(f.edit().SelLength(), 0);
        QCOMPARE(f.w().IsDirty(), quint8(1));
    }

    void aColourColoursTheWholeSelectionInOneUndoStep()
    {
        WindowFixture f;
        f.open(QByteArray("#T\r\nab\r\ncd"));
        f.edit().setSelStart(5);
        f.edit().setSelLength(4); // "b", the line break, "c"
        f.w().menu_Color[skyrend::Pink]->trigger();
        QCOMPARE(colorLetters(f.colors()), QStringLiteral("GGGGGppppG"));
        QCOMPARE(f.w().IsDirty(), quint8(1));
        QTest::keyClick(f.w().rEdit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(colorLetters(f.colors()), QStringLiteral("GGGGGGGGGG"));
        QTest::keyClick(f.w().rEdit, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(colorLetters(f.colors()), QStringLiteral("GGGGGppppG"));
    }

    void aMacroTakesTheTypingColour()
    {
        WindowFixture f;
        f.w().menu_Color[skyrend::Yellow]->trigger();
        f.w().menu_macro[0]->trigger();
        QCOMPARE(f.edit().Text(), QStringLiteral("%KEsc"));
        QCOMPARE(colorLetters(f.colors()), QStringLiteral("YYYYY"));
    }
};

QTEST_MAIN(tst_ColorMenus)
#include "tst_colormenus.moc"
