// SPDX-License-Identifier: MIT
// Run with QT_SCALE_FACTOR=2 (CTest sets it): the real window opens whole on the screen, at its
// first start and when config.ini holds a place too big or off every screen.
#include "WindowFixture.h"

#include <QScreen>
#include <QtTest>

class tst_WindowScale : public QObject {
    Q_OBJECT

private slots:
    void opensWholeOnTheScreen_data()
    {
        QTest::addColumn<QByteArray>("ini"); // empty: the first start
        QTest::newRow("first start") << QByteArray();
        QTest::newRow("saved wider than the screen")
            << QByteArray("[Window]\r\nLeft=0\r\nTop=0\r\nWidth=1462\r\nHeight=1100\r\n");
        QTest::newRow("saved on a screen that is gone")
            << QByteArray("[Window]\r\nLeft=4000\r\nTop=100\r\nWidth=300\r\nHeight=200\r\n");
    }
    void opensWholeOnTheScreen()
    {
        QFETCH(QByteArray, ini);
        QCOMPARE(qgetenv("QT_SCALE_FACTOR"), QByteArray("2"));
        QTemporaryDir dir;
        if (!ini.isEmpty()) {
            QFile f(dir.filePath(QStringLiteral("config.ini")));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(ini) == ini.size());
        }
        ScriptedDesktop desktop;
        frmMain window(desktop, dir.path());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCoreApplication::processEvents(); // the fit after show
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(available.contains(window.frameGeometry()),
                 qPrintable(QStringLiteral("window %1,%2 %3x%4 on a screen of %5x%6")
                                .arg(window.frameGeometry().x())
                                .arg(window.frameGeometry().y())
                                .arg(window.frameGeometry().width())
                                .arg(window.frameGeometry().height())
                                .arg(available.width())
                                .arg(available.height())));
        QVERIFY(desktop.unexpected.isEmpty());
    }
};

QTEST_MAIN(tst_WindowScale)
#include "tst_windowscale.moc"
