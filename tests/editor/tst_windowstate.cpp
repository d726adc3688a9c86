#include "WindowFixture.h"
#include "editor/WindowState.h"
#include "files/IniFile.h"

#include <QtTest>

class tst_WindowState : public QObject {
    Q_OBJECT

private slots:
    void readsWhatMakesSenseAndIgnoresTheRest_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QRect>("geometry"); // null: none
        QTest::addColumn<bool>("maximized");
        QTest::addColumn<int>("zoom");

        QTest::newRow("all") << QByteArray("[Window]\r\nLeft=10\r\nTop=20\r\nWidth=640\r\n"
                                           "Height=480\r\nMaximized=1\r\nZoom=3\r\n")
                             << QRect(10, 20, 640, 480) << true << 3;
        QTest::newRow("nothing") << QByteArray() << QRect() << false << 0;
        QTest::newRow("words") << QByteArray("[Window]\r\nLeft=ten\r\nTop=20\r\nWidth=640\r\n"
                                             "Height=480\r\nMaximized=yes\r\nZoom=big\r\n")
                               << QRect() << false << 0;
        QTest::newRow("tiny") << QByteArray("[Window]\r\nLeft=0\r\nTop=0\r\nWidth=5\r\n"
                                            "Height=480\r\n")
                              << QRect() << false << 0;
        QTest::newRow("huge") << QByteArray("[Window]\r\nLeft=0\r\nTop=0\r\nWidth=99999999999\r\n"
                                            "Height=480\r\nZoom=-2\r\n")
                              << QRect() << false << -2;
        QTest::newRow("zoom out of range") << QByteArray("[Window]\r\nZoom=500\r\n") << QRect()
                                           << false << int(WindowState::kMaxZoom);
        QTest::newRow("other section") << QByteArray("[Recent]\r\nLeft=1\r\nTop=1\r\nWidth=400\r\n"
                                                     "Height=400\r\n")
                                       << QRect() << false << 0;
    }
    void readsWhatMakesSenseAndIgnoresTheRest()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QRect, geometry);
        QFETCH(bool, maximized);
        QFETCH(int, zoom);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.ini"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(ini);
        f.close();
        const WindowState::Saved s = WindowState::read(skyrend::IniFile::load(path));
        QCOMPARE(s.geometry.value_or(QRect()), geometry);
        QCOMPARE(s.maximized, maximized);
        QCOMPARE(s.zoom, zoom);
    }

    void placesTheWindowOnAScreen_data()
    {
        QTest::addColumn<QRect>("saved");
        QTest::addColumn<QRect>("expected");
        const QRect screen(0, 0, 1280, 1024);
        QTest::newRow("inside") << QRect(100, 100, 600, 400) << QRect(100, 100, 600, 400);
        QTest::newRow("partly off to the right")
            << QRect(1200, 100, 600, 400) << QRect(1200, 100, 600, 400);
        QTest::newRow("far off") << QRect(5000, 5000, 600, 400) << QRect(340, 312, 600, 400);
        QTest::newRow("title above the screen")
            << QRect(100, -500, 600, 400) << QRect(340, 312, 600, 400);
        QTest::newRow("on the second screen")
            << QRect(1400, 100, 600, 400) << QRect(1400, 100, 600, 400);
        QTest::newRow("bigger than the screen, off it")
            << QRect(-4000, 0, 3000, 2000) << QRect(0, 0, 1280, 1024);
    }
    void placesTheWindowOnAScreen()
    {
        QFETCH(QRect, saved);
        QFETCH(QRect, expected);
        const QList<QRect> screens{QRect(0, 0, 1280, 1024), QRect(1280, 0, 1920, 1080)};
        QCOMPARE(WindowState::placed(saved, screens), expected);
    }

    void sizeAndZoomComeBackThroughConfigIni()
    {
        WindowFixture f;
        f.w().resize(640, 420);
        QTRY_COMPARE(f.w().width(), 640);
        const qreal points = f.edit().font().pointSizeF();
        QTest::keyClick(&f.edit(), Qt::Key_Plus, Qt::ControlModifier);
        QTest::keyClick(&f.edit(), Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(f.edit().font().pointSizeF(), points + 2);
        QTest::keyClick(&f.edit(), Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(f.w().windowState->zoom(), 1);
        const QRect geometry = f.w().geometry();
        f.w().close(); // nothing edited: nothing is asked
        const QString ini = QString::fromLatin1(f.readFile(f.w().settingsFile()));
        QVERIFY2(ini.contains(QStringLiteral("[Window]")), qPrintable(ini));
        QVERIFY(ini.contains(QStringLiteral("Zoom=1")));
        QVERIFY(ini.contains(QStringLiteral("Width=640")));

        // Restored before the window is shown (the docks may widen it once shown).
        frmMain again(f.desktop, f.dir.path());
        QCOMPARE(again.geometry().size(), geometry.size());
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(again.windowState->zoom(), 1);
        QCOMPARE(again.rEdit->font().pointSizeF(), points + 1);
        QTest::keyClick(again.rEdit, Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(again.rEdit->font().pointSizeF(), points);
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void keepsTheOtherSectionsOfConfigIni()
    {
        WindowFixture f;
        const QByteArray recent("[Recent]\r\n0=/tmp/a.hlp\r\n; a note\r\n");
        f.writeFile(QStringLiteral("config.ini"), recent);
        QVERIFY(f.w().windowState->save());
        QVERIFY(f.readFile(f.w().settingsFile()).startsWith(recent));
    }
};

QTEST_MAIN(tst_WindowState)
#include "tst_windowstate.moc"
