// SPDX-License-Identifier: MIT

#include "WindowFixture.h"

#include <QtTest>

class tst_PurgeColors : public QObject {
    Q_OBJECT

private slots:
    void onlyYesPurges_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("purges");
        QTest::newRow("Cancel (empty)") << "" << false;
        QTest::newRow("the default NO") << "NO" << false;
        QTest::newRow("leading space") << " YES" << false;
        QTest::newRow("trailing space") << "YES " << false;
        QTest::newRow("YE") << "YE" << false;
        QTest::newRow("YES") << "YES" << true;
        QTest::newRow("lower case") << "yes" << true;
        QTest::newRow("mixed case") << "yEs" << true;
    }
    void onlyYesPurges()
    {
        QFETCH(QString, answer);
        QFETCH(bool, purges);
        WindowFixture f;
        f.open(QByteArray("#T\r\n%Rred %Ggreen"));
        const QString before = colorLetters(f.colors());
        f.edit().setSelStart(6);
        f.edit().setSelLength(3);
        f.desktop.answerInput(answer);
        f.w().menu_PurgeColors_Click();

        QCOMPARE(f.desktop.inputsShown.size(), 1);
        QCOMPARE(f.desktop.inputsShown[0].prompt,
                 QStringLiteral("CAUTION: Performing this operating will strip the colors, and CAN "
                                "NOT be undone.\r\n\r\nType 'YES' to continue."));
        QCOMPARE(f.desktop.inputsShown[0].title, QStringLiteral("Confirm"));
        QCOMPARE(f.desktop.inputsShown[0].defaultAnswer, QStringLiteral("NO"));
        if (purges) {
            // The header line stays Green: the file cannot hold it in another colour.
            QCOMPARE(colorLetters(f.colors()), QString(4, u'G') + QString(before.size() - 4, u'W'));
            QCOMPARE(f.w().IsDirty(), quint8(1));
            QCOMPARE(f.w().windowTitle(),
                     QStringLiteral("Skyrend F1 Editor v.1.2 [Commands.hlp*]"));
            // The caret stays where it was; the selection is gone; there is no way back.
            QCOMPARE(f.edit().SelStart(), 6);
            QCOMPARE(f.edit().SelLength(), 0);
            QVERIFY(!f.edit().document()->isUndoAvailable());
        } else {
            QCOMPARE(colorLetters(f.colors()), before);
            QCOMPARE(f.w().IsDirty(), quint8(0));
            QCOMPARE(f.edit().SelLength(), 3);
        }
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void anEmptyDocumentIsStillMarkedEdited()
    {
        WindowFixture f;
        f.desktop.answerInput(QStringLiteral("YES"));
        f.w().menu_PurgeColors_Click();
        QCOMPARE(f.w().IsDirty(), quint8(1));
        QVERIFY(f.w().windowTitle().endsWith(QStringLiteral("[Untitled0*]")));
        f.type(QStringLiteral("a"));
        QCOMPARE(colorLetters(f.colors()), QStringLiteral("W"));
    }

    void aPurgedDocumentSavesAndReloads_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<QString>("reloaded");
        QTest::newRow("header first")
            << QByteArray("#T\r\n%Rbody") << QByteArray("#T\r\n%Wbody\r\n") << "GGGGWWWW";
        QTest::newRow("body first")
            << QByteArray("%Rbody\r\n#T") << QByteArray("%Wbody\r\n#T\r\n") << "WWWWWWGG";
    }
    void aPurgedDocumentSavesAndReloads()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, saved);
        QFETCH(QString, reloaded);
        WindowFixture f;
        const QString path = f.open(file);
        f.desktop.answerInput(QStringLiteral("yes"));
        f.w().menu_PurgeColors_Click();
        QVERIFY(f.w().menu_Save_Click());
        QCOMPARE(f.readFile(path), saved);
        f.w().OpenFile(path);
        QCOMPARE(colorLetters(f.colors()), reloaded);
    }
};

QTEST_MAIN(tst_PurgeColors)
#include "tst_purgecolors.moc"
