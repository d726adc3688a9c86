// SPDX-License-Identifier: MIT

#include "WindowFixture.h"
#include "find/FindBar.h"

#include <QApplication>
#include <QLineEdit>
#include <QtTest>

using find::FindOptions;

namespace {

// Options written as letters: c match case, w whole words, x regular expression, and a palette
// letter after '=' for the colour filter ("cw=Y").
FindOptions optionsOf(const QString& letters)
{
    FindOptions o;
    o.matchCase = letters.contains(QLatin1Char('c'));
    o.wholeWords = letters.contains(QLatin1Char('w'));
    o.regularExpression = letters.contains(QLatin1Char('x'));
    const qsizetype eq = letters.indexOf(QLatin1Char('='));
    if (eq >= 0)
        o.color = skyrend::ColorValues[*skyrend::paletteRowOfLetter(letters[eq + 1].unicode())];
    return o;
}

QString selectionOf(const RichTextBox& box)
{
    const QTextCursor c = box.textCursor();
    return QStringLiteral("%1+%2")
        .arg(c.selectionStart())
        .arg(c.selectionEnd() - c.selectionStart());
}

void press(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QTest::keyClick(w, key, mods);
}

} // namespace

class tst_FindBar : public QObject {
    Q_OBJECT

private slots:
    void findsEveryMatchInTurn_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("letters");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("expected"); // the matches Enter selects, in Qt positions

        QTest::newRow("plain") << "the cat the"
                               << "GGGGGGGGGGG"
                               << "the"
                               << ""
                               << "0+3 8+3";
        QTest::newRow("any case") << "The the THE"
                                  << "GGGGGGGGGGG"
                                  << "the"
                                  << ""
                                  << "0+3 4+3 8+3";
        QTest::newRow("match case") << "The the THE"
                                    << "GGGGGGGGGGG"
                                    << "the"
                                    << "c"
                                    << "4+3";
        QTest::newRow("whole words") << "other the thee"
                                     << "WWWWWWWWWWWWWW"
                                     << "the"
                                     << "w"
                                     << "6+3";
        QTest::newRow("only yellow") << "Warp Warp Warp"
                                     << "YYYYWRRRRWYYYY"
                                     << "warp"
                                     << "=Y"
                                     << "0+4 10+4";
        QTest::newRow("only red") << "Warp Warp Warp"
                                  << "YYYYWRRRRWYYYY"
                                  << "warp"
                                  << "=R"
                                  << "5+4";
        QTest::newRow("partly red is not red") << "abab"
                                               << "RRRG"
                                               << "ab"
                                               << "=R"
                                               << "0+2";
        QTest::newRow("tags are no text") << "red green"
                                          << "RRRWGGGGG"
                                          << "%R"
                                          << ""
                                          << "";
        QTest::newRow("\\n is no line break") << "end\nstart"
                                              << "GGGGGGGGG"
                                              << "d\\ns"
                                              << ""
                                              << "";
        QTest::newRow("\\n in an expression") << "end\nstart"
                                              << "GGGGGGGGG"
                                              << "d\\ns"
                                              << "x"
                                              << "2+3";
        QTest::newRow("expression") << "a1 b22 c333"
                                    << "GGGGGGGGGGG"
                                    << "[a-z]\\d+"
                                    << "x"
                                    << "0+2 3+3 7+4";
        QTest::newRow("expression, whole words, pink") << "ab1 ab12ab ab3"
                                                       << "ppppWppppppWGGG"
                                                       << "ab\\d"
                                                       << "xw=p"
                                                       << "0+3";
    }
    void findsEveryMatchInTurn()
    {
        QFETCH(QString, text);
        QFETCH(QString, letters);
        QFETCH(QString, pattern);
        QFETCH(QString, options);
        QFETCH(QString, expected);
        WindowFixture f;
        f.fill(text, letters.left(text.size()));
        f.edit().setFocus();
        f.edit().setSelStart(0);
        f.w().findBar->setOptions(optionsOf(options));
        const int revision = f.edit().document()->revision();

        press(&f.edit(), Qt::Key_F, Qt::ControlModifier);
        QLineEdit* field = f.w().findBar->findField();
        QVERIFY(f.w().findBar->isVisible());
        QCOMPARE(QApplication::focusWidget(), field);
        QTest::keyClicks(field, pattern); // looks as it goes
        QStringList found;
        if (f.w().findBar->note() != QLatin1String("Not found")) {
            const QString first = selectionOf(f.edit());
            for (int i = 0; i < 10 && (found.isEmpty() || selectionOf(f.edit()) != first); ++i) {
                found << selectionOf(f.edit());
                press(field, Qt::Key_Return);
            }
        }
        QCOMPARE(found.join(QLatin1Char(' ')), expected);
        if (expected.isEmpty())
            QCOMPARE(f.w().findBar->note(), QStringLiteral("Not found"));
        // Searching never changes the document.
        QCOMPARE(f.edit().toPlainText(), text);
        QCOMPARE(f.edit().document()->revision(), revision);
    }

    void wrapsWithANoteBothWays()
    {
        WindowFixture f;
        f.fill(QStringLiteral("xa xb xc"), QStringLiteral("GGGGGGGG"));
        f.edit().setSelStart(4);
        f.w().findBar->setOptions({});
        f.w().findBar->openFind();
        QTest::keyClicks(f.w().findBar->findField(), QStringLiteral("x"));
        QCOMPARE(selectionOf(f.edit()), QStringLiteral("6+1"));
        press(f.w().findBar->findField(), Qt::Key_F3);
        QCOMPARE(selectionOf(f.edit()), QStringLiteral("0+1"));
        QVERIFY(f.w().findBar->note().contains(QStringLiteral("top")));
        press(f.w().findBar->findField(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(selectionOf(f.edit()), QStringLiteral("6+1"));
        QVERIFY(!f.w().findBar->note().isEmpty());
        press(f.w().findBar->findField(), Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(selectionOf(f.edit()), QStringLiteral("3+1"));
        QVERIFY(f.w().findBar->note().isEmpty());
    }

    void opensWithTheSelectionAndEscapeGivesTheFocusBack()
    {
        WindowFixture f;
        f.fill(QStringLiteral("one two\nthree"), QStringLiteral("GGGGGGGGGGGGG"));
        const int textHeight = f.edit().height();
        f.edit().setFocus();
        f.edit().setSelStart(4);
        f.edit().setSelLength(3);
        press(&f.edit(), Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(f.w().findBar->findField()->text(), QStringLiteral("two"));
        QVERIFY(!f.w().findBar->replaceShown());
        // The bar takes its room from the text, above the status line.
        QVERIFY(f.edit().height() < textHeight);
        QCOMPARE(f.w().findBar->geometry().bottom() + 1, f.w().lblCaption->y());
        press(f.w().findBar->findField(), Qt::Key_Escape);
        QVERIFY(f.w().findBar->isHidden());
        QCOMPARE(QApplication::focusWidget(), &f.edit());
        QCOMPARE(f.edit().height(), textHeight);

        // A selection over a line break is no search text: the field keeps the last one.
        f.edit().setSelStart(0);
        f.edit().setSelLength(12);
        press(&f.edit(), Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(f.w().findBar->findField()->text(), QStringLiteral("two"));
    }

    void replaceAll_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("letters");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("expectedText");
        QTest::addColumn<QString>("expectedLetters");
        QTest::addColumn<int>("count");

        QTest::newRow("plain") << "cat hat cat"
                               << "GGGGGGGGGGG"
                               << "cat"
                               << "dog"
                               << ""
                               << "dog hat dog"
                               << "GGGGGGGGGGG" << 2;
        QTest::newRow("takes the first character's colour") << "Warp on"
                                                            << "RYYYWGG"
                                                            << "warp"
                                                            << "Jumps"
                                                            << ""
                                                            << "Jumps on"
                                                            << "RRRRRWGG" << 1;
        QTest::newRow("only where yellow") << "Warp Warp"
                                           << "YYYYWRRRR"
                                           << "Warp"
                                           << "Go"
                                           << "=Y"
                                           << "Go Warp"
                                           << "YYWRRRR" << 1;
        QTest::newRow("whole words") << "cat concat cat"
                                     << "GGGGGGGGGGGGGG"
                                     << "cat"
                                     << "dog"
                                     << "w"
                                     << "dog concat dog"
                                     << "GGGGGGGGGGGGGG" << 2;
        QTest::newRow("line break by expression") << "a\nb c"
                                                  << "RBRWG"
                                                  << "a\\nb"
                                                  << "x"
                                                  << "x"
                                                  << "x c"
                                                  << "RWG" << 1;
        QTest::newRow("no overlap") << "aaaaa"
                                    << "GGGGG"
                                    << "aa"
                                    << "b"
                                    << ""
                                    << "bba"
                                    << "GGG" << 2;
        QTest::newRow("none") << "abc"
                              << "GGG"
                              << "x"
                              << "y"
                              << ""
                              << "abc"
                              << "GGG" << 0;
    }
    void replaceAll()
    {
        QFETCH(QString, text);
        QFETCH(QString, letters);
        QFETCH(QString, pattern);
        QFETCH(QString, replacement);
        QFETCH(QString, options);
        QFETCH(QString, expectedText);
        QFETCH(QString, expectedLetters);
        QFETCH(int, count);
        WindowFixture f;
        f.fill(text, letters);
        const QString before = colorLetters(f.colors());
        const int revision = f.edit().document()->revision();
        f.edit().setFocus();
        f.w().findBar->setOptions(optionsOf(options));
        press(&f.edit(), Qt::Key_H, Qt::ControlModifier);
        QVERIFY(f.w().findBar->replaceShown());
        QTest::keyClicks(f.w().findBar->findField(), pattern);
        press(f.w().findBar->findField(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), f.w().findBar->replaceField());
        QTest::keyClicks(f.w().findBar->replaceField(), replacement);
        press(f.w().findBar->replaceField(), Qt::Key_Return, Qt::ControlModifier | Qt::AltModifier);

        QCOMPARE(f.edit().toPlainText(), expectedText);
        QCOMPARE(colorLetters(f.colors()), expectedLetters);
        QCOMPARE(f.w().findBar->note(), QStringLiteral("%1 replaced").arg(count));
        QCOMPARE(f.edit().document()->revision() != revision, count > 0);

        // One undo step takes all of it back, colours included, and one redo brings it again.
        if (count > 0) {
            f.edit().setFocus();
            press(&f.edit(), Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(f.edit().toPlainText(), text);
            QCOMPARE(colorLetters(f.colors()), before);
            press(&f.edit(), Qt::Key_Y, Qt::ControlModifier);
            QCOMPARE(f.edit().toPlainText(), expectedText);
            QCOMPARE(colorLetters(f.colors()), expectedLetters);
        }
    }

    void enterInTheReplaceFieldReplacesTheMatchAndFindsTheNext()
    {
        WindowFixture f;
        f.fill(QStringLiteral("cat cat cat"), QStringLiteral("RRRWGGGWBBB"));
        f.edit().setSelStart(0);
        f.w().findBar->setOptions({});
        f.w().findBar->openReplace();
        QTest::keyClicks(f.w().findBar->findField(), QStringLiteral("cat"));
        QCOMPARE(selectionOf(f.edit()), QStringLiteral("0+3"));
        f.w().findBar->replaceField()->setFocus();
        QTest::keyClicks(f.w().findBar->replaceField(), QStringLiteral("dogs"));
        press(f.w().findBar->replaceField(), Qt::Key_Return);
        QCOMPARE(f.edit().toPlainText(), QStringLiteral("dogs cat cat"));
        QCOMPARE(selectionOf(f.edit()), QStringLiteral("5+3"));
        press(f.w().findBar->replaceField(), Qt::Key_Enter);
        QCOMPARE(f.edit().toPlainText(), QStringLiteral("dogs dogs cat"));
        QCOMPARE(colorLetters(f.colors()), QStringLiteral("RRRRWGGGGWBBB"));
        QCOMPARE(selectionOf(f.edit()), QStringLiteral("10+3"));
    }

    void aBadExpressionIsSaidAndChangesNothing()
    {
        WindowFixture f;
        f.fill(QStringLiteral("a(b"), QStringLiteral("GGG"));
        f.w().findBar->setOptions(optionsOf(QStringLiteral("x")));
        f.w().findBar->openReplace();
        QTest::keyClicks(f.w().findBar->findField(), QStringLiteral("(b"));
        QVERIFY(f.w().findBar->note().startsWith(QStringLiteral("Bad regular expression")));
        f.w().findBar->replaceAll();
        QVERIFY(f.w().findBar->note().startsWith(QStringLiteral("Bad regular expression")));
        QCOMPARE(f.edit().toPlainText(), QStringLiteral("a(b"));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void optionsStayForTheNextSearch()
    {
        WindowFixture f;
        const FindOptions o = optionsOf(QStringLiteral("cwx=B"));
        f.w().findBar->setOptions(o);
        f.w().findBar->openFind();
        f.w().findBar->close();
        f.w().findBar->openReplace();
        const FindOptions kept = f.w().findBar->options();
        QCOMPARE(kept.matchCase, true);
        QCOMPARE(kept.wholeWords, true);
        QCOMPARE(kept.regularExpression, true);
        QCOMPARE(kept.color, o.color);
        // They start off.
        WindowFixture fresh;
        QCOMPARE(fresh.w().findBar->options().color, std::nullopt);
        QVERIFY(!fresh.w().findBar->options().matchCase);
    }
};

QTEST_MAIN(tst_FindBar)
#include "tst_findbar.moc"
