// SPDX-License-Identifier: MIT

#include "WindowFixture.h"

#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

#include <utility>

namespace {

QString loaded(const QString& path)
{
    return QStringLiteral("File Loaded. [") + path + u']';
}

// A page of 600 characters in 600 runs: many slices when every slice is as short as can be.
QByteArray manyRuns()
{
    QByteArray file("#H\r\n");
    for (int i = 0; i < 300; ++i)
        file += "%Ra%Gb";
    return file;
}

} // namespace

class tst_ColorText : public QObject {
    Q_OBJECT

private slots:
    void decodesIntoTextAndColours_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("colors");
        QTest::newRow("no tags: green") << QByteArray("#Hi\r\nyou") << "#Hi\r\nyou"
                                        << "GGGGGGGG";
        QTest::newRow("two tags") << QByteArray("#\r\n%RHi %GBye") << "#\r\nHi Bye"
                                  << "GGGRRRGGG";
        QTest::newRow("macro is text") << QByteArray("#\r\n%KEsc %bx") << "#\r\n%KEsc %bx"
                                       << "GGGGGGGGGGGG";
        QTest::newRow("double percent before tag") << QByteArray("#\r\n%%Ra") << "#\r\na"
                                                   << "GGGR";
        QTest::newRow("double percent before text") << QByteArray("#\r\n%%a") << "#\r\n%a"
                                                    << "GGGGG";
        QTest::newRow("lone percent at the end") << QByteArray("#\r\n%Ra%") << "#\r\na%"
                                                 << "GGGRR";
        QTest::newRow("tag at the very end") << QByteArray("#\r\n%Ra%Y") << "#\r\na"
                                             << "GGGR";
        QTest::newRow("# mid-line turns green") << QByteArray("#\r\n%Ra#b") << "#\r\na#b"
                                                << "GGGRGG";
        QTest::newRow("header after red stays green")
            << QByteArray("#\r\n%Rx\r\n#T\r\ny") << "#\r\nx\r\n#T\r\ny"
            << "GGGRRRGGGGG";
        QTest::newRow("blue and pink") << QByteArray("#\r\n%Bb%pp%Pq%Ww%Yy") << "#\r\nbpqwy"
                                       << "GGGBpPWY";
        QTest::newRow("lone line breaks are read as CR LF")
            << QByteArray("#\n%Ra\rb") << "#\r\na\r\nb"
            << "GGGRRRR";
        QTest::newRow("the closing line break is not part of the text")
            << QByteArray("#T\r\n%Rx\r\n") << "#T\r\nx"
            << "GGGGR";
        QTest::newRow("only tags") << QByteArray("%R%G%W") << ""
                                   << "";
    }
    void decodesIntoTextAndColours()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, text);
        QFETCH(QString, colors);
        WindowFixture f;
        if (!text.contains(u'#') || text.isEmpty())
            for (int i = 0; i < 3; ++i)
                f.desktop.answer(platform::Button::Ok); // the header warnings
        f.open(file);
        QCOMPARE(f.edit().Text(), text);
        QCOMPARE(colorLetters(f.colors()), colors);
        QCOMPARE(f.w().IsDirty(), quint8(0));
        QVERIFY(!f.w().windowTitle().endsWith(QStringLiteral("*]")));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void statusTextsComeInOrder()
    {
        WindowFixture f;
        QStringList seen;
        connect(f.w().lblCaption, &StatusLabel::textChanged, this,
                [&seen](const QString& t) { seen << t; });
        const QString path = f.open(QByteArray("#H\r\n%Rabc"));
        const QString c = QStringLiteral("Colorizing File [") + path + u']';
        QCOMPARE(seen,
                 QStringList({c, c + u' ', c, c + QStringLiteral(" Phase2: 100%"), loaded(path)}));
    }

    void phase2Percentages_data()
    {
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("m");
        QTest::addColumn<int>("percent");
        QTest::newRow("one character") << 0 << 1 << 0;
        QTest::newRow("first of three") << 0 << 3 << 0;
        QTest::newRow("middle of three") << 1 << 3 << 50;
        QTest::newRow("last of three") << 2 << 3 << 100;
        QTest::newRow("second of five") << 1 << 5 << 25;
        QTest::newRow("12.5 rounds to even 12") << 1 << 9 << 12;
        QTest::newRow("37.5 rounds to even 38") << 3 << 9 << 38;
        QTest::newRow("62.5 rounds to even 62") << 5 << 9 << 62;
    }
    void phase2Percentages()
    {
        QFETCH(int, k);
        QFETCH(int, m);
        QFETCH(int, percent);
        QCOMPARE(frmMain::phase2Percent(std::size_t(k), std::size_t(m)), percent);
    }

    void slicesShowProgressAndTheTextSoFar()
    {
        WindowFixture f;
        f.w().session().sliceMilliseconds = 0; // yield after every piece
        QByteArray file("#H\r\n");
        for (int i = 0; i < 400; ++i)
            file += (i % 2 ? "%Rab" : "%Ycd");
        QString expected = QStringLiteral("GGGG");
        for (int i = 0; i < 400; ++i)
            expected += (i % 2 ? QStringLiteral("RR") : QStringLiteral("YY"));
        QStringList progress;
        connect(f.w().lblCaption, &StatusLabel::textChanged, this, [&progress](const QString& t) {
            if (t.contains(QStringLiteral("Phase2")))
                progress << t.section(u' ', -1);
        });
        bool sawPart = false;
        f.desktop.onYield = [&](int n) {
            if (n != 3)
                return;
            // Part of the text is in the box, in its final colours.
            const QString colors = colorLetters(f.colors());
            QVERIFY(f.edit().TextLength() > 4 && f.edit().TextLength() < 4 + 800);
            QCOMPARE(colors, expected.left(colors.size()));
            sawPart = true;
        };
        f.open(file);
        QVERIFY(sawPart);
        QVERIFY(progress.size() > 2);
        QCOMPARE(progress.last(), QStringLiteral("100%"));
        QCOMPARE(colorLetters(f.colors()), expected);
    }

    void everyCharacterIsColouredInBigFiles()
    {
        WindowFixture f;
        QByteArray file("#Big\r\n");
        while (file.size() < 100'000)
            file += "%Rred %Ggreen %Yyellow\r\n";
        file += "%pend";
        f.open(file);
        const std::vector<skyrend::ColorRef> colors = f.colors();
        QCOMPARE(colors.size(), std::size_t(f.edit().TextLength()));
        QVERIFY(colors.size() > 40'000);
        QCOMPARE(colors.back(), pal::p);
        QCOMPARE(colors[colors.size() - 3], pal::p);
        QCOMPARE(colors[colors.size() - 4], pal::Y);
    }

    // A big file is read a piece at a time: the window runs while it is decoded, before
    // anything is in the box, and an Escape then stops the load at once.
    void decodingABigFileLetsTheWindowRun()
    {
        WindowFixture f;
        f.w().session().sliceMilliseconds = 0;
        QByteArray file("#Big\r\n");
        while (file.size() < 400'000)
            file += "%Rred %Ggreen\r\n";
        int yieldsWhileDecoding = 0;
        f.desktop.onYield = [&](int) {
            if (f.edit().TextLength() == 0 && f.w().lblCaption->text().endsWith(QLatin1Char(']')))
                ++yieldsWhileDecoding;
        };
        f.open(file);
        QVERIFY2(yieldsWhileDecoding >= 3, qPrintable(QString::number(yieldsWhileDecoding)));
        QCOMPARE(f.colorAt(f.edit().TextLength() - 1), pal::G);

        bool pressed = false;
        f.desktop.onYield = [&](int) {
            if (!std::exchange(pressed, true))
                QTest::keyClick(f.w().rEdit, Qt::Key_Escape);
        };
        f.desktop.answer(platform::Button::Ok);
        f.open(file, QStringLiteral("again.hlp"));
        QCOMPARE(f.desktop.boxes.size(), 1);
        QCOMPARE(f.desktop.boxes[0].box.text, QStringLiteral("Abort Was Called."));
        QCOMPARE(f.edit().TextLength(), 0);
    }

    void escapeDuringColouringAborts()
    {
        WindowFixture f;
        f.w().session().sliceMilliseconds = 0;
        const QByteArray file = manyRuns();
        f.desktop.onYield = [&f](int n) {
            if (n == 2)
                QTest::keyClick(f.w().rEdit, Qt::Key_Escape);
        };
        f.desktop.answer(platform::Button::Ok);
        f.open(file);
        QCOMPARE(f.desktop.boxes.size(), 1);
        const platform::MessageBox box = f.desktop.boxes[0].box;
        QCOMPARE(box.text, QStringLiteral("Abort Was Called."));
        QCOMPARE(box.title, QStringLiteral("File Load Aborted."));
        QCOMPARE(box.icon, platform::Icon::Information);
        QCOMPARE(box.buttons, platform::Buttons::Ok);
        QCOMPARE(f.edit().Text(), QString());
        QCOMPARE(f.w().DocTitle(), QStringLiteral("Untitled1"));
        QVERIFY(f.w().CurrentFile().isEmpty());
        QCOMPARE(f.w().IsDirty(), quint8(0));
        QCOMPARE(f.w().AbortFlag(), quint8(1));
        QCOMPARE(f.w().lblCaption->text(), QString());
        QCOMPARE(f.w().windowTitle(), QStringLiteral("Skyrend F1 Editor v.1.2 [Untitled1]"));
        // The file that did not load is not among the recent files.
        QVERIFY(!f.readFile(f.w().settingsFile()).contains("Commands.hlp"));
        QVERIFY(f.w().menu_Colors->menuAction()->isEnabled());
        QVERIFY(f.w().menu_SaveAs->isEnabled());
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void escapePressedBeforeColouringWaitsForTheFirstYield()
    {
        WindowFixture f;
        // Queued before the load starts: it reaches the box at the load's first yield.
        QCoreApplication::postEvent(
            f.w().rEdit, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        f.desktop.answer(platform::Button::Ok);
        f.open(QByteArray("#H\r\n%Rabc"));
        QCOMPARE(f.desktop.boxes.size(), 1);
        QCOMPARE(f.desktop.boxes[0].box.text, QStringLiteral("Abort Was Called."));
        QCOMPARE(f.edit().Text(), QString());
        QCOMPARE(f.desktop.yields, 1);
    }

    void typingAndShortcutsAreRefusedWhileLoading()
    {
        WindowFixture f;
        f.w().session().sliceMilliseconds = 0;
        const QByteArray file = manyRuns();
        f.desktop.onYield = [&f](int n) {
            if (n != 2)
                return;
            QTest::keyClicks(f.w().rEdit, QStringLiteral("zz"));
            QTest::keyClick(f.w().rEdit, Qt::Key_S, Qt::ControlModifier); // Save
            QTest::keyClick(f.w().rEdit, Qt::Key_N, Qt::ControlModifier); // New
            QTest::mouseClick(f.w().rEdit->viewport(), Qt::RightButton);
        };
        const QString path = f.open(file);
        QVERIFY(!f.edit().Text().contains(QStringLiteral("zz")));
        QCOMPARE(f.edit().TextLength(), qsizetype(4 + 600));
        QCOMPARE(f.w().CurrentFile(), path);
        QCOMPARE(f.w().IsDirty(), quint8(0));
        QVERIFY(f.w().menu_Colors->isHidden());
        VERIFY_NO_UNEXPECTED_BOXES(f);
        // Input works again afterwards.
        f.type(QStringLiteral("z"));
        QVERIFY(f.edit().Text().contains(u'z'));
    }

    void closingWhileLoadingStopsAndClosesWithoutAsking()
    {
        WindowFixture f;
        f.w().session().sliceMilliseconds = 0;
        const QByteArray file = manyRuns();
        f.desktop.onYield = [&f](int n) {
            if (n == 2)
                f.w().close();
        };
        f.open(file);
        QTRY_VERIFY(!f.w().isVisible());
        QVERIFY(f.desktop.boxes.isEmpty());
        // The file that did not load is not among the recent files.
        QVERIFY(!f.readFile(f.w().settingsFile()).contains("Commands.hlp"));
    }
};

QTEST_MAIN(tst_ColorText)
#include "tst_colortext.moc"
