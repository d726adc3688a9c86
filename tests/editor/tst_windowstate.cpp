// SPDX-License-Identifier: MIT

#include "WindowFixture.h"
#include "editor/TagViewSwitch.h"
#include "editor/WindowState.h"
#include "files/IniFile.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QSet>
#include <QtTest>

#include <algorithm>
#include <array>
#include <optional>

Q_DECLARE_METATYPE(std::optional<QRect>)

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

    // Screens in device pixels, as the scale factor makes them for Qt; places in Qt's pixels.
    void fitsTheWindowOnAScreen_data()
    {
        QTest::addColumn<QList<QRect>>("screens"); // available areas, the primary first
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<std::optional<QRect>>("saved");
        QTest::addColumn<QMargins>("frame");
        QTest::addColumn<QRect>("expected");
        const QList<QRect> one{QRect(0, 0, 1280, 1024)};
        const QList<QRect> two{QRect(0, 0, 1280, 1024), QRect(1280, 0, 1920, 1080)};
        const QList<QRect> primaryRight{QRect(1920, 0, 1280, 1024), QRect(0, 0, 1920, 1080)};
        const QMargins none, frame(4, 24, 4, 4);
        const std::optional<QRect> first;
        auto row = [](const char* name, QList<QRect> screens, qreal scale,
                      std::optional<QRect> saved, QMargins margins, QRect expected) {
            QTest::newRow(name) << screens << scale << saved << margins << expected;
        };
        row("first start", one, 1, first, none, QRect(274, 232, 731, 560));
        row("first start at scale 2", one, 2, first, none, QRect(0, 0, 640, 512));
        row("first start at scale 2 with a frame", one, 2, first, frame, QRect(4, 24, 632, 484));
        row("saved too big at scale 2", one, 2, QRect(0, 0, 731, 560), none, QRect(0, 0, 640, 512));
        row("saved too big at scale 1.5 with a frame", one, 1.5, QRect(-10, -10, 1000, 800), frame,
            QRect(4, 24, 845, 654));
        row("inside", one, 1, QRect(100, 100, 600, 400), none, QRect(100, 100, 600, 400));
        row("partly off to the right", one, 1, QRect(1000, 100, 600, 400), none,
            QRect(680, 100, 600, 400));
        row("frame under the bottom", one, 1, QRect(100, 700, 600, 400), frame,
            QRect(100, 620, 600, 400));
        row("on the second screen", two, 1, QRect(1400, 100, 600, 400), none,
            QRect(1400, 100, 600, 400));
        row("mostly on the second screen", two, 1, QRect(1200, 100, 600, 400), none,
            QRect(1280, 100, 600, 400));
        row("second screen gone", one, 1, QRect(1400, 100, 600, 400), none,
            QRect(340, 312, 600, 400));
        row("above every screen", one, 1, QRect(100, -500, 600, 400), none,
            QRect(340, 312, 600, 400));
        row("gone, the primary screen on the right", primaryRight, 1, QRect(5000, 5000, 600, 400),
            none, QRect(2260, 312, 600, 400));
    }
    void fitsTheWindowOnAScreen()
    {
        QFETCH(QList<QRect>, screens);
        QFETCH(qreal, scale);
        QFETCH(std::optional<QRect>, saved);
        QFETCH(QMargins, frame);
        QFETCH(QRect, expected);
        QList<QRect> scaled;
        for (const QRect& s : screens)
            scaled << QRect(int(s.x() / scale), int(s.y() / scale), int(s.width() / scale),
                            int(s.height() / scale));
        const QRect got = WindowState::fitted(saved, QSize(731, 560), scaled, frame);
        QCOMPARE(got, expected);
        // Whatever the case, the window and its frame lie whole on one screen.
        const QRect framed = got.marginsAdded(frame);
        QVERIFY(std::any_of(scaled.begin(), scaled.end(),
                            [&](const QRect& s) { return s.contains(framed); }));
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

    // View, Zoom In / Zoom Out / Reset Zoom: the zoom keys' own actions, after Show Tags, with
    // their keys shown, zooming whichever view of the text is shown.
    void zoomIsInTheViewMenu_data()
    {
        QTest::addColumn<int>("item"); // after Show Tags and a separator
        QTest::addColumn<bool>("tags");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<int>("zoom"); // from a zoom of 2
        const QKeySequence in(Qt::CTRL | Qt::Key_Plus), out(Qt::CTRL | Qt::Key_Minus),
            reset(Qt::CTRL | Qt::Key_0);
        for (const bool tags : {false, true}) {
            const char* view = tags ? ", tags shown" : "";
            QTest::addRow("zoom in%s", view) << 0 << tags << "Zoom &In" << in << 3;
            QTest::addRow("zoom out%s", view) << 1 << tags << "Zoom &Out" << out << 1;
            QTest::addRow("reset%s", view) << 2 << tags << "Reset &Zoom" << reset << 0;
        }
    }
    void zoomIsInTheViewMenu()
    {
        QFETCH(int, item);
        QFETCH(bool, tags);
        QFETCH(QString, text);
        QFETCH(QKeySequence, keys);
        QFETCH(int, zoom);
        WindowFixture f;
        f.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.w()));
        const qreal points = f.edit().font().pointSizeF();
        f.w().windowState->setZoom(2);
        f.w().menu_ShowTags->setChecked(tags);
        QCOMPARE(f.w().tagViews->isShown(), tags);

        const QList<QAction*> items = f.w().menu_View->actions();
        const qsizetype showTags = items.indexOf(f.w().menu_ShowTags);
        QVERIFY(showTags >= 0 && showTags + 2 + item < items.size());
        QVERIFY(items[showTags + 1]->isSeparator());
        QAction* action = items[showTags + 2 + item];
        const std::array<QAction*, 3> own{f.w().windowState->zoomIn, f.w().windowState->zoomOut,
                                          f.w().windowState->zoomReset};
        QCOMPARE(action, own[std::size_t(item)]); // the key's own action, not a second one
        QCOMPARE(action->text(), text);
        QCOMPARE(action->shortcut(), keys);

        action->trigger();
        QCOMPARE(f.w().windowState->zoom(), zoom);
        QPlainTextEdit& shown = f.w().tagViews->current();
        QVERIFY(shown.isVisible());
        QCOMPARE(shown.font().pointSizeF(), points + zoom);
        // The key does the same to the view in sight.
        QTest::keySequence(&shown, QKeySequence(Qt::CTRL | Qt::Key_0));
        QCOMPARE(shown.font().pointSizeF(), points);
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    // No two items of the View menu share an access key, so Alt+letter reaches each.
    void viewMenuAccessKeysAreDistinct()
    {
        WindowFixture f;
        QSet<QChar> keys;
        for (const QAction* a : f.w().menu_View->actions()) {
            const QString text = a->text();
            const qsizetype amp = text.indexOf(QLatin1Char('&'));
            if (a->isSeparator() || amp < 0 || amp + 1 >= text.size())
                continue;
            const QChar key = text[amp + 1].toLower();
            QVERIFY2(!keys.contains(key), qPrintable(text));
            keys << key;
        }
        QVERIFY(keys.size() >= 3);
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
