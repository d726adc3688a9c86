// SPDX-License-Identifier: MIT

#include "WindowFixture.h"
#include "editor/EditMenu.h"
#include "find/FindBar.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QtTest>

class tst_EditMenu : public QObject {
    Q_OBJECT

private slots:
    void itemsAreEnabledOnlyWhenTheyCanAct()
    {
        WindowFixture f;
        EditMenu& m = *f.w().editMenu;
        QApplication::clipboard()->clear();
        f.edit().setFocus();
        QVERIFY(!m.undo->isEnabled());
        QVERIFY(!m.redo->isEnabled());
        QVERIFY(!m.cut->isEnabled());
        QVERIFY(!m.copy->isEnabled());
        QVERIFY(!m.copyWithTags->isEnabled());
        QVERIFY(!m.deleteSelection->isEnabled());
        QVERIFY(!m.paste->isEnabled());
        QVERIFY(!m.pastePlain->isEnabled());
        QVERIFY(!m.selectAll->isEnabled());

        f.type(QStringLiteral("abc"));
        QVERIFY(m.undo->isEnabled());
        QVERIFY(m.selectAll->isEnabled());
        QVERIFY(!m.copy->isEnabled());
        QVERIFY(!m.copyWithTags->isEnabled());
        m.selectAll->trigger();
        QCOMPARE(f.edit().SelLength(), 3);
        QVERIFY(m.cut->isEnabled());
        QVERIFY(m.copy->isEnabled());
        QVERIFY(m.copyWithTags->isEnabled());
        QVERIFY(m.deleteSelection->isEnabled());
        m.copy->trigger();
        QVERIFY(m.paste->isEnabled());
        QVERIFY(m.pastePlain->isEnabled());
        m.deleteSelection->trigger();
        QCOMPARE(f.edit().Text(), QString());
        QVERIFY(!m.copy->isEnabled());
        m.paste->trigger();
        QCOMPARE(f.edit().Text(), QStringLiteral("abc"));
        // Undo from the menu takes back what the paste did, and Redo brings it again.
        m.undo->trigger();
        QCOMPARE(f.edit().Text(), QString());
        QVERIFY(m.redo->isEnabled());
        m.redo->trigger();
        QCOMPARE(f.edit().Text(), QStringLiteral("abc"));
    }

    // In the box, the keys of the menu's items act once, through the box (so the edit box's
    // key handlers see them), not through the menu and the box both.
    void keysActOnceInTheBox_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("expected");
        // Typed "ab", then "cd" before it: two undo steps.
        QTest::newRow("Ctrl+Z") << int(Qt::Key_Z) << int(Qt::ControlModifier) << "ab";
        QTest::newRow("Ctrl+Z, Ctrl+Y") << int(Qt::Key_Y) << int(Qt::ControlModifier) << "cdab";
        QTest::newRow("Ctrl+Z, Ctrl+Shift+Z")
            << int(Qt::Key_Z) << int(Qt::ControlModifier | Qt::ShiftModifier) << "cdab";
    }
    void keysActOnceInTheBox()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, expected);
        WindowFixture f;
        f.edit().setFocus();
        f.type(QStringLiteral("ab"));
        f.edit().setSelStart(0); // typing elsewhere is another undo step
        f.type(QStringLiteral("cd"));
        QSignalSpy undos(f.w().editMenu->undo, &QAction::triggered);
        QSignalSpy keys(&f.edit(), &RichTextBox::KeyDown);
        if (key != Qt::Key_Z || modifiers != Qt::ControlModifier)
            QTest::keyClick(&f.edit(), Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(&f.edit(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(f.edit().Text(), expected);
        QCOMPARE(undos.count(), 0); // the key went to the box
        QVERIFY(keys.count() >= 1);
    }

    // The box's keys pressed in another widget act there or nowhere, never on the text.
    void boxKeysElsewhereLeaveTheText()
    {
        WindowFixture f;
        f.fill(QStringLiteral("abc"), QStringLiteral("GGG"));
        f.edit().selectAll();
        f.w().findBar->openFind();
        auto* option = f.w().findBar->findChild<QCheckBox*>();
        QVERIFY(option);
        option->setFocus();
        QTRY_VERIFY(option->hasFocus());
        QApplication::clipboard()->setText(QStringLiteral("pasted"));
        using Press = std::pair<Qt::Key, Qt::KeyboardModifiers>;
        for (const auto& [key, mods] :
             {Press{Qt::Key_Delete, Qt::NoModifier}, Press{Qt::Key_X, Qt::ControlModifier},
              Press{Qt::Key_V, Qt::ControlModifier}, Press{Qt::Key_Z, Qt::ControlModifier},
              Press{Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier}})
            QTest::keyClick(option, key, mods);
        QCOMPARE(f.edit().toPlainText(), QStringLiteral("abc"));
    }

    void goToLine_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("line"); // 0: the caret stays
        QTest::addColumn<bool>("message");
        QTest::newRow("first") << "1" << 1 << false;
        QTest::newRow("third") << "3" << 3 << false;
        QTest::newRow("last, with spaces") << " 4 " << 4 << false;
        QTest::newRow("cancel") << "" << 0 << false;
        QTest::newRow("past the end") << "5" << 0 << true;
        QTest::newRow("zero") << "0" << 0 << true;
        QTest::newRow("negative") << "-2" << 0 << true;
        QTest::newRow("words") << "three" << 0 << true;
        QTest::newRow("huge") << "99999999999999999999999" << 0 << true;
    }
    void goToLine()
    {
        QFETCH(QString, answer);
        QFETCH(int, line);
        QFETCH(bool, message);
        WindowFixture f;
        f.fill(QStringLiteral("one\ntwo\nthree\nfour"), QStringLiteral("GGGGGGGGGGGGGGGGGG"));
        f.edit().setSelStart(5);
        f.desktop.answerInput(answer);
        if (message)
            f.desktop.answer(platform::Button::Ok);
        QTest::keyClick(&f.edit(), Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(f.desktop.inputsShown.size(), 1);
        QCOMPARE(f.desktop.inputsShown[0].defaultAnswer, QStringLiteral("2"));
        QVERIFY(f.desktop.inputsShown[0].prompt.contains(QStringLiteral("1 to 4")));
        QCOMPARE(f.desktop.boxes.size(), message ? 1 : 0);
        const QTextCursor c = f.edit().textCursor();
        if (line > 0) {
            QCOMPARE(c.blockNumber() + 1, line);
            QCOMPARE(c.positionInBlock(), 0);
        } else {
            QCOMPARE(c.position(), 4); // offset 5 is the second line's first character
        }
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void menuCommandsWaitWhileTheWindowIsBusy()
    {
        WindowFixture f;
        f.fill(QStringLiteral("abc"), QStringLiteral("GGG"));
        bool tried = false;
        // A big file loads in slices; at the first yield the window is busy.
        f.desktop.onYield = [&](int) {
            if (tried)
                return;
            tried = true;
            QVERIFY(f.w().isBusy());
            f.w().editMenu->selectAll->trigger();
            f.w().editMenu->goToLine->trigger();
            QCOMPARE(f.w().rEdit->SelLength(), 0);
            f.w().rEdit->setSelLength(4);
            f.w().editMenu->copyWithTags->trigger();
            f.w().editMenu->pastePlain->trigger();
            f.w().editMenu->paste->trigger();
        };
        QApplication::clipboard()->setText(QStringLiteral("%Ypasted"));
        QByteArray big("#Page\r\n");
        for (int i = 0; i < 40000; ++i)
            big += "%Rline %Gof %Btext\r\n";
        f.w().session().sliceMilliseconds = 1;
        f.open(big);
        QVERIFY(tried);
        QVERIFY(f.desktop.inputsShown.isEmpty());
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("%Ypasted"));
        QVERIFY(!f.edit().Text().contains(QStringLiteral("pasted")));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }
};

QTEST_MAIN(tst_EditMenu)
#include "tst_editmenu.moc"
