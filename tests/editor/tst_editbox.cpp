// SPDX-License-Identifier: MIT

#include "WindowFixture.h"

#include <QMenu>
#include <QTextBlock>
#include <QWindow>
#include <QtTest>

namespace {

const QString kNoHeader = QStringLiteral(
    "Error: You must have at least 1 header line (ie: #Welcome to My Zone (F1 For More "
    "Information))");

// Puts plain text in the box as the program would, without making it an edit.
void setPlain(WindowFixture& f, const QString& text)
{
    f.w().menu_New_Click();
    f.edit().setText(text);
    f.w().setDirty(false);
}

} // namespace

class tst_EditBox : public QObject {
    Q_OBJECT

private slots:
    void typedTags_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("colors");
        QTest::newRow("red after text") << "ab%Rcd"
                                        << "abcd"
                                        << "GGRR";
        QTest::newRow("at offset 2") << "%Rcd"
                                     << "cd"
                                     << "RR";
        QTest::newRow("pink") << "a%pb"
                              << "ab"
                              << "Gp";
        QTest::newRow("blue") << "a%Bb"
                              << "ab"
                              << "GB";
        QTest::newRow("White then Yellow") << "%Wa%Yb"
                                           << "ab"
                                           << "WY";
        QTest::newRow("b is no tag") << "a%bc"
                                     << "a%bc"
                                     << "GGGG";
        QTest::newRow("r is no tag") << "a%rc"
                                     << "a%rc"
                                     << "GGGG";
        QTest::newRow("K is a macro") << "a%Kc"
                                      << "a%Kc"
                                      << "GGGG";
        // The "%" left shows the colour a save writes it in: that of the character after it.
        QTest::newRow("second of two percents") << "a%%Rc"
                                                << "a%c"
                                                << "GRR";
        QTest::newRow("percent alone at the start") << "%"
                                                    << "%"
                                                    << "G";
    }
    void typedTags()
    {
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(QString, colors);
        WindowFixture f;
        f.type(keys);
        QCOMPARE(f.edit().Text(), text);
        QCOMPARE(colorLetters(f.colors()), colors);
        QCOMPARE(f.w().IsDirty(), quint8(1));
    }

    // A tag is taken when its letter is typed, before any key is released: a fast typist's
    // next key already goes in the tag's colour. "+x" presses x, "-x" releases it; the release
    // of the tag letter then leaves older text before the caret alone.
    void typedTagsWithKeysHeldDown_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("colors");
        QTest::newRow("rollover") << u"ab"_qs << QStringList{u"+%"_qs, u"-%"_qs, u"+R"_qs, u"+h"_qs,
                                                             u"-R"_qs, u"+i"_qs, u"-h"_qs, u"-i"_qs}
                                  << u"abhi"_qs << u"WWRR"_qs;
        QTest::newRow("all held") << u"ab"_qs << QStringList{u"+%"_qs, u"+G"_qs, u"+x"_qs,
                                                             u"-x"_qs, u"-G"_qs, u"-%"_qs}
                                  << u"abx"_qs << u"WWG"_qs;
        QTest::newRow("older pair stays")
            << u"x%G"_qs << QStringList{u"+%"_qs, u"+R"_qs, u"-R"_qs, u"-%"_qs, u"+y"_qs, u"-y"_qs}
            << u"x%Gy"_qs << u"WWWR"_qs;
        QTest::newRow("away and back onto an older pair")
            << u"x%G"_qs << QStringList{u"+%"_qs, u"+R"_qs, u"-R"_qs, u"-%"_qs,
                                        u"+<"_qs, u"-<"_qs, u"+>"_qs, u"->"_qs}
            << u"x"_qs << u"W"_qs;
        QTest::newRow("no tag letter")
            << u"ab"_qs << QStringList{u"+%"_qs, u"+b"_qs, u"+c"_qs, u"-b"_qs, u"-c"_qs, u"-%"_qs}
            << u"ab%bc"_qs << u"WWWWW"_qs;
    }
    void typedTagsWithKeysHeldDown()
    {
        QFETCH(QString, start);
        QFETCH(QStringList, events);
        QFETCH(QString, text);
        QFETCH(QString, colors);
        WindowFixture f;
        setPlain(f, start);
        f.edit().setSelStart(start.size());
        f.edit().setSelColor(pal::W);
        for (const QString& e : events) {
            const QChar c = e[1];
            const auto type = e[0] == u'+' ? QTest::Press : QTest::Release;
            if (c == u'<' || c == u'>') { // the arrow keys
                QTest::sendKeyEvent(type, f.w().rEdit, c == u'<' ? Qt::Key_Left : Qt::Key_Right,
                                    QString(), Qt::NoModifier);
                continue;
            }
            const int key =
                c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - 'A') : Qt::Key_Percent;
            QTest::sendKeyEvent(type, f.w().rEdit, Qt::Key(key), QString(c), Qt::NoModifier);
        }
        QCOMPARE(f.edit().Text(), text);
        QCOMPARE(colorLetters(f.colors()), colors);
    }

    void movingOntoATagPairTurnsItIntoTheTypingColour()
    {
        WindowFixture f;
        setPlain(f, QStringLiteral("ab%Gcd"));
        f.edit().setSelStart(0);
        f.edit().setSelColor(pal::R);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(f.w().rEdit, Qt::Key_Right);
        QCOMPARE(f.edit().Text(), QStringLiteral("ab%Gcd")); // not yet after the pair
        QTest::keyClick(f.w().rEdit, Qt::Key_Right);
        QCOMPARE(f.edit().Text(), QStringLiteral("abcd"));
        QCOMPARE(f.edit().SelStart(), 2);
        f.type(QStringLiteral("x"));
        QCOMPARE(f.colorAt(2), pal::G);
        QCOMPARE(f.w().IsDirty(), quint8(1));
    }

    void undoAfterATypedTagGoesBackBeforeThePercent()
    {
        WindowFixture f;
        f.type(QStringLiteral("ab%R"));
        QCOMPARE(f.edit().Text(), QStringLiteral("ab"));
        QTest::keyClick(f.w().rEdit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.edit().Text(), QStringLiteral("ab")); // as before the "%", not "ab%R"
        QTest::keyClick(f.w().rEdit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.edit().Text(), QString());
        QTest::keyClick(f.w().rEdit, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(f.edit().Text(), QStringLiteral("ab"));
        QTest::keyClick(f.w().rEdit, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(f.edit().Text(), QStringLiteral("ab"));
        f.type(QStringLiteral("c"));
        QCOMPARE(f.edit().Text(), QStringLiteral("abc"));
    }

    void undoBringingBackAPairDoesNotTagIt()
    {
        WindowFixture f;
        setPlain(f, QStringLiteral("x"));
        f.edit().setSelStart(1);
        f.edit().setSelText(QStringLiteral("%R")); // a pair that is text, put there by a command
        f.edit().setSelStart(1);
        f.edit().setSelLength(2);
        QTest::keyClick(f.w().rEdit, Qt::Key_Delete);
        QCOMPARE(f.edit().Text(), QStringLiteral("x"));
        QTest::keyClick(f.w().rEdit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.edit().Text(), QStringLiteral("x%R"));
    }

    void statusShowsThePageAtTheCaret_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("label");
        const QString doc = QStringLiteral("#Head\r\nbody\r\n#Two\r\nmore");
        QTest::newRow("caret at 0 shows the first line") << doc << 0 << "#Head\r\n";
        QTest::newRow("inside the first page") << doc << 9 << "#Head\r\n";
        QTest::newRow("at the start of the second header") << doc << 13 << "#Head\r\n";
        QTest::newRow("in the second page") << doc << 21 << "#Two\r\n";
        QTest::newRow("last line without a break") << QStringLiteral("x\r\n#End") << 7 << "#End";
        QTest::newRow("caret 0, first line no header")
            << QStringLiteral("plain\r\n#H") << 0 << "plain\r\n";
        QTest::newRow("no header before the caret")
            << QStringLiteral("plain\r\n#H") << 3 << kNoHeader;
        QTest::newRow("# inside a line is no header")
            << QStringLiteral("a #b\r\nc") << 7 << kNoHeader;
    }
    void statusShowsThePageAtTheCaret()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(QString, label);
        WindowFixture f;
        setPlain(f, text);
        f.edit().setSelStart(caret);
        QTest::keyClick(f.w().rEdit, Qt::Key_Shift);
        QCOMPARE(f.w().lblCaption->text(), label);
    }

    // The label names the page the caret is on after the key or click that moved it.
    void statusFollowsKeysAndClicks()
    {
        WindowFixture f;
        setPlain(f, QStringLiteral("#A\r\nx\r\n#B\r\ny"));
        f.edit().setSelStart(0);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(f.w().rEdit, Qt::Key_Down);
        QCOMPARE(f.w().lblCaption->text(), QStringLiteral("#B\r\n"));
        QTest::keyClick(f.w().rEdit, Qt::Key_Up);
        QCOMPARE(f.w().lblCaption->text(), QStringLiteral("#A\r\n"));
        QTextCursor c(f.edit().document()->findBlockByNumber(3));
        QTest::mouseClick(f.w().rEdit->viewport(), Qt::LeftButton, {},
                          f.w().rEdit->cursorRect(c).center());
        QCOMPARE(f.w().lblCaption->text(), QStringLiteral("#B\r\n"));
    }

    // Ctrl let go before the key: the release is still no typing, so what an undo or redo
    // brings back stays as it is, and so does the redo history.
    void releasingCtrlFirstTypesNoTag_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Ctrl+Z") << int(Qt::Key_Z) << int(Qt::ControlModifier);
        QTest::newRow("Ctrl+Y") << int(Qt::Key_Y) << int(Qt::ControlModifier);
        QTest::newRow("Ctrl+Shift+Z")
            << int(Qt::Key_Z) << int(Qt::ControlModifier | Qt::ShiftModifier);
    }
    void releasingCtrlFirstTypesNoTag()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        WindowFixture f;
        setPlain(f, QStringLiteral("a"));
        f.edit().setSelStart(1);
        f.edit().setSelText(QStringLiteral("%R")); // text, put there by a command
        QTest::keyClick(f.w().rEdit, Qt::Key_Backspace);
        QTest::keyClick(f.w().rEdit, Qt::Key_Backspace);
        // Other than an undo: back to before "%R" came, so the redo brings it.
        if (!(key == Qt::Key_Z && modifiers == Qt::ControlModifier)) {
            for (int i = 0; i < 3; ++i)
                QTest::keyClick(f.w().rEdit, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(f.edit().Text(), QStringLiteral("a"));
        }
        const auto mods = Qt::KeyboardModifiers(modifiers);
        QTest::keyPress(f.w().rEdit, Qt::Key_Control, Qt::ControlModifier);
        QTest::keyPress(f.w().rEdit, Qt::Key(key), mods);
        QTest::keyRelease(f.w().rEdit, Qt::Key_Control, Qt::NoModifier);
        QTest::keyRelease(f.w().rEdit, Qt::Key(key), Qt::NoModifier);
        QCOMPARE(f.edit().Text(), QStringLiteral("a%R"));
        QVERIFY(f.edit().document()->isRedoAvailable());
    }

    // Edited means different from the file: undo and redo back to it clear the mark.
    void undoBackToTheFileIsNotAnEdit()
    {
        WindowFixture f;
        f.open(QByteArray("#T\r\nx"));
        f.edit().setSelStart(5);
        f.type(QStringLiteral("yz"));
        QCOMPARE(f.w().IsDirty(), quint8(1));
        QTest::keyClick(f.w().rEdit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.edit().Text(), QStringLiteral("#T\r\nx"));
        QCOMPARE(f.w().IsDirty(), quint8(0));
        QVERIFY(!f.w().menu_Save->isEnabled());
        QVERIFY(!f.w().windowTitle().endsWith(QStringLiteral("*]")));
        QTest::keyClick(f.w().rEdit, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(f.w().IsDirty(), quint8(1));
        QVERIFY(f.w().menu_Save->isEnabled());
        QVERIFY(f.w().menu_Save_Click());
        QCOMPARE(f.w().IsDirty(), quint8(0));
        QTest::keyClick(f.w().rEdit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.w().IsDirty(), quint8(1));
        QTest::keyClick(f.w().rEdit, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(f.w().IsDirty(), quint8(0));
        f.w().menu_New_Click(); // asks nothing: the document is its file
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void aFileNameWithThePlaceholderIsShownAsItIs()
    {
        WindowFixture f;
        f.open(QByteArray("#T\r\n"), QStringLiteral("odd[*]name.hlp"));
        QVERIFY2(f.w().windowHandle()->title().endsWith(QStringLiteral("[odd[*]name.hlp]")),
                 qPrintable(f.w().windowHandle()->title()));
        f.type(QStringLiteral("x"));
        QVERIFY2(f.w().windowHandle()->title().endsWith(QStringLiteral("[odd[*]name.hlp*]")),
                 qPrintable(f.w().windowHandle()->title()));
    }

    void emptyDocumentLeavesTheStatusAlone()
    {
        WindowFixture f;
        QTest::keyClick(f.w().rEdit, Qt::Key_Shift);
        QCOMPARE(f.w().lblCaption->text(), QStringLiteral(" :: Skyrend F1 Editor ::"));
    }

    void pureWhiteOrBlackTypingBecomesThePaletteWhite_data()
    {
        QTest::addColumn<uint>("color");
        QTest::newRow("white") << 0xFFFFFFu;
        QTest::newRow("black") << 0u;
    }
    void pureWhiteOrBlackTypingBecomesThePaletteWhite()
    {
        QFETCH(uint, color);
        WindowFixture f;
        f.edit().setSelColor(skyrend::ColorRef(color));
        f.type(QStringLiteral("a"));
        QCOMPARE(f.colorAt(0), pal::W);
    }

    void escapeSetsTheAbortFlag()
    {
        WindowFixture f;
        QTest::keyClick(f.w().rEdit, Qt::Key_Escape);
        QCOMPARE(f.w().AbortFlag(), quint8(1));
    }

    // Save is on exactly while the document differs from its file.
    void aKeyThatChangesNothingLeavesSaveOff()
    {
        WindowFixture f;
        f.open(QByteArray("#T\r\nx"));
        QVERIFY(!f.w().menu_Save->isEnabled());
        QTest::keyClick(f.w().rEdit, Qt::Key_Right);
        QVERIFY(!f.w().menu_Save->isEnabled());
        QCOMPARE(f.w().IsDirty(), quint8(0));
    }

    void everyUserChangeMarksTheDocumentEdited_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("same-length replacement") << "replace";
        QTest::newRow("colour from the menu") << "colour";
        QTest::newRow("macro") << "macro";
        QTest::newRow("delete and retype") << "retype";
        QTest::newRow("undo") << "undo";
    }
    void everyUserChangeMarksTheDocumentEdited()
    {
        QFETCH(QString, change);
        WindowFixture f;
        const QString path = f.open(QByteArray("#T\r\nabc"));
        if (change == QLatin1String("undo")) {
            f.edit().setSelStart(7);
            f.type(QStringLiteral("z"));
            QVERIFY(f.w().menu_Save_Click());
            QCOMPARE(f.w().IsDirty(), quint8(0));
            QTest::keyClick(f.w().rEdit, Qt::Key_Z, Qt::ControlModifier);
        } else {
            f.edit().setSelStart(4);
            f.edit().setSelLength(1);
            if (change == QLatin1String("replace"))
                f.type(QStringLiteral("x"));
            else if (change == QLatin1String("colour"))
                f.w().menu_Color[skyrend::Red]->trigger();
            else if (change == QLatin1String("macro"))
                f.w().menu_macro[0]->trigger();
            else {
                QTest::keyClick(f.w().rEdit, Qt::Key_Delete);
                f.type(QStringLiteral("a"));
            }
        }
        QCOMPARE(f.w().IsDirty(), quint8(1));
        QCOMPARE(f.w().windowTitle(), QStringLiteral("Skyrend F1 Editor v.1.2 [Commands.hlp*]"));
        QVERIFY(f.w().menu_Save->isEnabled());
        // Closing now asks.
        f.desktop.answer(platform::Button::Cancel);
        QVERIFY(!f.w().close());
        QCOMPARE(f.desktop.boxes.size(), 1);
        QCOMPARE(f.desktop.boxes[0].box.text,
                 QStringLiteral("You have edited this file since last save, save?"));
        QVERIFY(f.w().isVisible());
        QCOMPARE(f.w().CurrentFile(), path);
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void aColourWithNothingSelectedIsNoEdit()
    {
        WindowFixture f;
        f.open(QByteArray("#T\r\nabc"));
        f.edit().setSelStart(5);
        f.w().menu_Color[skyrend::Yellow]->trigger();
        QCOMPARE(f.w().IsDirty(), quint8(0));
        QVERIFY(!f.w().windowTitle().endsWith(QStringLiteral("*]")));
        f.type(QStringLiteral("y"));
        QCOMPARE(f.colorAt(5), pal::Y);
    }

    void untitledEditsEnableSave()
    {
        WindowFixture f;
        QVERIFY(!f.w().menu_Save->isEnabled());
        f.type(QStringLiteral("a"));
        QVERIFY(f.w().menu_Save->isEnabled());
        QCOMPARE(f.w().windowTitle(), QStringLiteral("Skyrend F1 Editor v.1.2 [Untitled0*]"));
    }

    void rightClickOpensTheColorsPopUp()
    {
        WindowFixture f;
        setPlain(f, QStringLiteral("#Head\r\nbody"));
        f.edit().setSelStart(8);
        QTest::mouseClick(f.w().rEdit->viewport(), Qt::RightButton, {}, QPoint(30, 8));
        QTRY_VERIFY(f.w().menu_Colors->isVisible());
        // The pop-up is the Colors menu itself: the same items in the same order.
        QCOMPARE(f.w().menu_Colors->actions().first(), f.w().menu_Color[0]);
        const QPoint expected =
            f.w().rEdit->mapToGlobal(f.w().rEdit->viewport()->mapTo(f.w().rEdit, QPoint(30, 8)));
        QVERIFY((f.w().menu_Colors->pos() - expected).manhattanLength() <= 2);
        f.w().menu_Colors->hide();
    }

    void rightClickOnTheSelectedHeaderOnlyExplains()
    {
        WindowFixture f;
        setPlain(f, QStringLiteral("#Head\r\nbody"));
        f.edit().setSelStart(8);
        QTest::keyClick(f.w().rEdit, Qt::Key_Shift); // the label shows the page header
        QCOMPARE(f.w().lblCaption->text(), QStringLiteral("#Head\r\n"));
        f.edit().setSelStart(0);
        f.edit().setSelLength(3); // "#He", compared without regard to case
        QTest::mouseClick(f.w().rEdit->viewport(), Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(f.w().lblCaption->text(),
                 QStringLiteral("Coloring This Line Makes No Difference."));
        QVERIFY(!f.w().menu_Colors->isVisible());
    }

    void noPopUpWhileTheColorsMenuIsDisabled()
    {
        WindowFixture f;
        f.w().menu_Colors->menuAction()->setEnabled(false);
        QTest::mouseClick(f.w().rEdit->viewport(), Qt::RightButton, {}, QPoint(5, 5));
        QTest::qWait(20);
        QVERIFY(!f.w().menu_Colors->isVisible());
    }
};

QTEST_MAIN(tst_EditBox)
#include "tst_editbox.moc"
