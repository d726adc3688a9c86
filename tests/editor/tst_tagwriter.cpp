// SPDX-License-Identifier: MIT

#include "WindowFixture.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <unistd.h>

using platform::Button;

namespace {

const QString kSuggestion =
    QStringLiteral("Suggestion: It is common practice to have at least 1 header line in each "
                   "Commands.hlp file. Line 1 should read:\r\n# <title> (F1 for more options)");

bool hasHeaderLine(const QString& text)
{
    return text.startsWith(u'#') || text.contains(QStringLiteral("\r\n#"));
}

} // namespace

class tst_TagWriter : public QObject {
    Q_OBJECT

private slots:
    void writesTagsWhereColoursChange_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("colors"); // palette letters; 'x' is a colour outside it
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("header, red line, green line")
            << "#Help\r\nHi\r\nBye"
            << "GGGGGGGRRRRGGG" << QByteArray("#Help\r\n%RHi\r\n%GBye\r\n");
        QTest::newRow("all green") << "#a\r\nb"
                                   << "GGGGG" << QByteArray("#a\r\nb\r\n");
        QTest::newRow("white start") << "x\r\n#H"
                                     << "WWWGG" << QByteArray("%Wx\r\n#H\r\n");
        QTest::newRow("colour change on a line break") << "a\r\nb"
                                                       << "GRRR" << QByteArray("a\r\n%Rb\r\n");
        QTest::newRow("header keeps the running colour")
            << "x\r\n#T\r\nb"
            << "RRRGGGGR" << QByteArray("%Rx\r\n#T\r\n%Rb\r\n");
        QTest::newRow("header ending in a red line break")
            << "x\r\n#T\r\nb"
            << "RRRGGRRR" << QByteArray("%Rx\r\n#T\r\n%Rb\r\n");
        QTest::newRow("# inside a line") << "a#b"
                                         << "GGR" << QByteArray("a#%Rb\r\n");
        QTest::newRow("tags after # inside a line")
            << "#\r\nItem #3 hot"
            << "GGGGGGGGGGGRRR" << QByteArray("#\r\nItem #3 %Rhot\r\n");
        QTest::newRow("blue and pink") << "#\r\nbp"
                                       << "GGGBp" << QByteArray("#\r\n%Bb%pp\r\n");
        QTest::newRow("purged, header first") << "#T\r\nbody"
                                              << "WWWWWWWW" << QByteArray("#T\r\n%Wbody\r\n");
        QTest::newRow("purged, body first") << "body\r\n#T"
                                            << "WWWWWWWW" << QByteArray("%Wbody\r\n#T\r\n");
        QTest::newRow("percent before a colour change")
            << "50% off"
            << "RRRGGGG" << QByteArray("%R50%G% off\r\n");
        QTest::newRow("macro is copied") << "#\r\n%KB_WARP"
                                         << "GGGYYYYYYYY" << QByteArray("#\r\n%Y%KB_WARP\r\n");
        QTest::newRow("outside the palette counts as green")
            << "#\r\nab"
            << "GGGxR" << QByteArray("#\r\na%Rb\r\n");
        QTest::newRow("text ending in a line break") << "#\r\n"
                                                     << "GGG" << QByteArray("#\r\n\r\n");
        QTest::newRow("empty document") << ""
                                        << "" << QByteArray("\r\n");
    }
    void writesTagsWhereColoursChange()
    {
        QFETCH(QString, text);
        QFETCH(QString, colors);
        QFETCH(QByteArray, file);
        WindowFixture f;
        f.fill(text, colors);
        if (!hasHeaderLine(text))
            f.desktop.answer(Button::Ok);
        QVERIFY(f.w().menu_Save_Click());
        QCOMPARE(f.readFile(f.w().CurrentFile()), file);
        if (!hasHeaderLine(text)) {
            QCOMPARE(f.desktop.boxes.size(), 1);
            const platform::MessageBox box = f.desktop.boxes[0].box;
            QCOMPARE(box.text, kSuggestion);
            QCOMPARE(box.title, QStringLiteral("Information"));
            QCOMPARE(box.icon, platform::Icon::Information);
            QCOMPARE(box.buttons, platform::Buttons::Ok);
        }
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void aSavedFileLoadsAndSavesToTheSameBytes_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::newRow("sample help file")
            << QStringLiteral(SKYREND_TEST_DATA "/../../examples/Commands.hlp");
    }
    void aSavedFileLoadsAndSavesToTheSameBytes()
    {
        QFETCH(QString, fixture);
        QFile in(fixture);
        QVERIFY(in.open(QIODevice::ReadOnly));
        WindowFixture f;
        const QString path = f.open(in.readAll());
        QVERIFY(f.w().menu_Save_Click());
        const QByteArray once = f.readFile(path);
        f.w().OpenFile(path);
        QVERIFY(f.w().menu_Save_Click());
        QCOMPARE(f.readFile(path), once);
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void aTenMebibyteFileLoadsAndSavesWhole()
    {
        QFile in(QStringLiteral(SKYREND_TEST_DATA "/../../examples/Commands.hlp"));
        QVERIFY(in.open(QIODevice::ReadOnly));
        WindowFixture f;
        // One page as the editor writes it; a file of many such pages comes back as it is.
        const QString pagePath = f.open(in.readAll(), QStringLiteral("page.hlp"));
        QVERIFY(f.w().menu_Save_Click());
        const QByteArray page = f.readFile(pagePath);
        QByteArray big;
        while (big.size() < 10 * 1024 * 1024)
            big += page;
        const QString path = f.open(big);
        QVERIFY(f.w().menu_Save_Click());
        QCOMPARE(f.readFile(path), big);
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void finishesCleanWithItsStatusTexts()
    {
        WindowFixture f;
        f.fill(QStringLiteral("#T\r\nabc"), QStringLiteral("GGGGRRR"));
        f.edit().setSelStart(5);
        f.edit().setSelLength(2);
        QVERIFY(f.w().IsDirty());
        QStringList seen;
        connect(f.w().lblCaption, &StatusLabel::textChanged, this,
                [&seen](const QString& t) { seen << t; });
        QVERIFY(f.w().menu_Save_Click());
        const QString file = QStringLiteral("File [") + f.w().CurrentFile() + QStringLiteral("] ");
        QCOMPARE(seen, QStringList({file + QStringLiteral("100% Saved."),
                                    file + QStringLiteral("Saved.")}));
        QCOMPARE(f.w().IsDirty(), quint8(0));
        QCOMPARE(f.w().windowTitle(), QStringLiteral("Skyrend F1 Editor v.1.2 [doc.hlp]"));
        QVERIFY(!f.w().menu_Save->isEnabled());
        // The caret is back where the selection started; nothing is selected.
        QCOMPARE(f.edit().SelStart(), 5);
        QCOMPARE(f.edit().SelLength(), 0);
    }

    void percentagesInGeneralNotation_data()
    {
        QTest::addColumn<double>("percent");
        QTest::addColumn<QString>("shown");
        QTest::newRow("one third") << 1.0 / 3 * 100 << "33.3333333333333";
        QTest::newRow("two thirds") << 2.0 / 3 * 100 << "66.6666666666667";
        QTest::newRow("whole") << 100.0 << "100";
        QTest::newRow("half") << 50.0 << "50";
        QTest::newRow("an eighth") << 12.5 << "12.5";
    }
    void percentagesInGeneralNotation()
    {
        QFETCH(double, percent);
        QFETCH(QString, shown);
        QCOMPARE(frmMain::savedPercent(percent), shown);
    }

    // The document is put together and encoded on a worker thread; the window shows how far
    // it got while it waits (for a small document perhaps only the end), and refuses input.
    void progressEndsAtAHundredAndInputWaits()
    {
        WindowFixture f;
        f.w().session().sliceMilliseconds = 0;
        QString text = QStringLiteral("#T");
        for (int i = 0; i < 500; ++i)
            text += QStringLiteral("\r\nline");
        f.fill(text, QString(text.size(), u'G'));
        QStringList progress;
        connect(f.w().lblCaption, &StatusLabel::textChanged, this, [&progress](const QString& t) {
            if (t.endsWith(QStringLiteral("% Saved.")))
                progress << t;
        });
        bool typed = false;
        f.desktop.onYield = [&](int n) {
            if (n != 1)
                return;
            QTest::keyClicks(f.w().rEdit, QStringLiteral("zz"));
            QTest::keyClick(f.w().rEdit, Qt::Key_N, Qt::ControlModifier);
            typed = true;
        };
        QVERIFY(f.w().menu_Save_Click());
        QVERIFY(typed);
        QVERIFY(!progress.isEmpty());
        QVERIFY(progress.last().endsWith(QStringLiteral(" 100% Saved.")));
        QCOMPARE(f.edit().Text(), text);
        QCOMPARE(f.readFile(f.w().CurrentFile()), text.toLatin1() + "\r\n");
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void closingWhileSavingWaitsForTheSave()
    {
        WindowFixture f;
        f.w().session().sliceMilliseconds = 0;
        QString text = QStringLiteral("#T");
        for (int i = 0; i < 500; ++i)
            text += QStringLiteral("\r\nline");
        f.fill(text, QString(text.size(), u'R'));
        f.desktop.onYield = [&f](int n) {
            if (n == 1)
                f.w().close();
        };
        QVERIFY(f.w().menu_Save_Click());
        QVERIFY(f.w().isVisible()); // the save finished first
        QTRY_VERIFY(!f.w().isVisible());
        QVERIFY(f.readFile(f.w().CurrentFile()).startsWith("#T\r\n%Rline"));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void failedWritesKeepTheDocumentEdited_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("edited");
        QTest::newRow("the path is a folder") << "folder" << true;
        QTest::newRow("the folder is gone") << "gone" << true;
        QTest::newRow("no permission") << "readonly" << true;
        QTest::newRow("unedited stays unedited") << "folder" << false;
    }
    void failedWritesKeepTheDocumentEdited()
    {
        QFETCH(QString, how);
        QFETCH(bool, edited);
        WindowFixture f;
        f.fill(QStringLiteral("#T\r\nnew"), QStringLiteral("GGGGGGG"));
        f.w().setDirty(edited);
        QString target;
        if (how == QLatin1String("folder")) {
            target = f.path(QStringLiteral("taken.hlp"));
            QVERIFY(QDir().mkdir(target));
        } else if (how == QLatin1String("gone")) {
            target = f.path(QStringLiteral("gone/doc.hlp"));
        } else {
            if (geteuid() == 0)
                QSKIP("root may write anywhere");
            QVERIFY(QDir().mkdir(f.path(QStringLiteral("ro"))));
            target = f.path(QStringLiteral("ro/doc.hlp"));
            f.writeFile(QStringLiteral("ro/doc.hlp"), "old\r\n");
            QFile::setPermissions(f.path(QStringLiteral("ro")), QFile::ReadOwner | QFile::ExeOwner);
        }
        f.w().session().nameAfter(target, QFileInfo(target).fileName());
        f.desktop.answer(Button::Ok);
        QString statusAtBox;
        f.desktop.onBox = [&](const platform::MessageBox&) {
            statusAtBox = f.w().lblCaption->text();
        };
        QVERIFY(!f.w().menu_Save_Click());
        QVERIFY2(!statusAtBox.contains(QStringLiteral("Saved.")), qPrintable(statusAtBox));

        QCOMPARE(f.desktop.boxes.size(), 1);
        const platform::MessageBox box = f.desktop.boxes[0].box;
        QCOMPARE(box.title, QStringLiteral("Save Failed"));
        QCOMPARE(box.icon, platform::Icon::Critical);
        QCOMPARE(box.buttons, platform::Buttons::Ok);
        QVERIFY2(box.text.startsWith(QStringLiteral("Could not save the file.\r\n") + target +
                                     QStringLiteral("\r\n")),
                 qPrintable(box.text));
        QVERIFY(box.text.size() >
                (QStringLiteral("Could not save the file.\r\n") + target + QStringLiteral("\r\n"))
                    .size()); // the system's reason
        QCOMPARE(f.w().lblCaption->text(),
                 QStringLiteral("File [") + target + QStringLiteral("] NOT saved."));
        QCOMPARE(f.w().IsDirty(), quint8(edited));
        QCOMPARE(f.w().windowTitle().endsWith(QStringLiteral("*]")), edited);
        QCOMPARE(f.w().menu_Save->isEnabled(), edited);
        if (how == QLatin1String("folder"))
            QVERIFY(QFileInfo(target).isDir());
        if (how == QLatin1String("readonly")) {
            QCOMPARE(f.readFile(target), QByteArray("old\r\n"));
            QFile::setPermissions(f.path(QStringLiteral("ro")),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        QVERIFY(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }

    void charactersWithoutAByteAreRefused()
    {
        WindowFixture f;
        f.fill(QStringLiteral("#T\r\nab") + QChar(0x0416) + QStringLiteral("c"),
               QStringLiteral("GGGGGGGG"));
        f.writeFile(QStringLiteral("doc.hlp"), "old\r\n");
        f.desktop.answer(Button::Ok);
        QVERIFY(!f.w().menu_Save_Click());
        QCOMPARE(f.desktop.boxes.size(), 1);
        QCOMPARE(f.desktop.boxes[0].box.text,
                 QStringLiteral("The character '") + QChar(0x0416) +
                     QStringLiteral("' at line 2, column 3 cannot be written to a help file. "
                                    "Nothing was saved."));
        QCOMPARE(f.desktop.boxes[0].box.title, QStringLiteral("Save Failed"));
        QCOMPARE(f.desktop.boxes[0].box.icon, platform::Icon::Critical);
        QCOMPARE(f.readFile(f.w().CurrentFile()), QByteArray("old\r\n"));
        QCOMPARE(f.w().IsDirty(), quint8(1));
    }

    void textTheFormatCannotHoldIsWarnedAbout_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("places");
        const QString two = QStringLiteral("#T\r\nfull: 100%Red, 5%%");
        const QString twoPlaces =
            QStringLiteral("\r\nline 2, column 10: \"%R\" is read as a colour tag"
                           "\r\nline 2, column 17: the first \"%\" of \"%%\" is dropped when "
                           "the file is read");
        QTest::newRow("No writes nothing") << int(Button::No) << two << twoPlaces;
        QTest::newRow("Yes writes") << int(Button::Yes) << two << twoPlaces;
        QString many = QStringLiteral("#T");
        QString manyPlaces;
        for (int line = 2; line <= 13; ++line) {
            many += QStringLiteral("\r\n%%B");
            if (line <= 11)
                manyPlaces +=
                    QStringLiteral("\r\nline %1, column 1: the first \"%\" of \"%%\" is "
                                   "dropped when the file is read"
                                   "\r\nline %1, column 2: \"%B\" is read as a colour tag")
                        .arg(line);
        }
        manyPlaces =
            manyPlaces.section(QStringLiteral("\r\n"), 0, 10) + QStringLiteral("\r\nand 14 more");
        QTest::newRow("ten named, the rest counted") << int(Button::No) << many << manyPlaces;
    }
    void textTheFormatCannotHoldIsWarnedAbout()
    {
        QFETCH(int, answer);
        QFETCH(QString, text);
        QFETCH(QString, places);
        WindowFixture f;
        f.fill(text, QString(text.size(), u'G'));
        f.writeFile(QStringLiteral("doc.hlp"), "old\r\n");
        f.w().setDirty(true);
        f.desktop.answer(Button(answer));
        QString statusAtBox;
        f.desktop.onBox = [&](const platform::MessageBox&) {
            statusAtBox = f.w().lblCaption->text();
        };
        QCOMPARE(f.w().menu_Save_Click(), Button(answer) == Button::Yes);
        QCOMPARE(f.desktop.boxes.size(), 1);
        const platform::MessageBox box = f.desktop.boxes[0].box;
        QCOMPARE(box.text, QStringLiteral("This text cannot be kept as it is in a help file; when "
                                          "the file is read again:") +
                               places + QStringLiteral("\r\n\r\nSave anyway?"));
        QCOMPARE(box.title, QStringLiteral("Warning"));
        QCOMPARE(box.icon, platform::Icon::Warning);
        QCOMPARE(box.buttons, platform::Buttons::YesNo);
        QCOMPARE(box.defaultButton, std::optional<Button>(Button::No));
        // While the box is open, nothing claims the file was saved.
        QVERIFY2(!statusAtBox.contains(QStringLiteral("100% Saved.")), qPrintable(statusAtBox));
        if (Button(answer) == Button::Yes) {
            QCOMPARE(f.readFile(f.w().CurrentFile()), text.toLatin1() + QByteArray("\r\n"));
            QCOMPARE(f.w().IsDirty(), quint8(0));
        } else {
            QCOMPARE(f.readFile(f.w().CurrentFile()), QByteArray("old\r\n"));
            QCOMPARE(f.w().IsDirty(), quint8(1));
        }
    }

    void checksComeInOrder()
    {
        WindowFixture f;
        // No header line, and a "%%" the format cannot hold.
        f.fill(QStringLiteral("50%% off"), QString(8, u'G'));
        f.desktop.answer(Button::Ok);
        f.desktop.answer(Button::No);
        QVERIFY(!f.w().menu_Save_Click());
        QCOMPARE(f.desktop.boxes.size(), 2);
        QCOMPARE(f.desktop.boxes[0].box.title, QStringLiteral("Information"));
        QCOMPARE(f.desktop.boxes[1].box.title, QStringLiteral("Warning"));
        QVERIFY(f.desktop.boxes[1].box.text.contains(QStringLiteral("line 1, column 3")));
        QVERIFY(!QFile::exists(f.w().CurrentFile()));
    }

    void anUntitledDocumentGoesToSaveAs()
    {
        WindowFixture f;
        f.type(QStringLiteral("#x"));
        f.desktop.answerDialog(std::nullopt);
        QVERIFY(!f.w().menu_Save_Click());
        QCOMPARE(f.desktop.dialogsShown.size(), 1);
        QCOMPARE(f.desktop.dialogsShown[0].kind, QStringLiteral("save"));
        QCOMPARE(f.desktop.dialogsShown[0].title, QStringLiteral("Save File As"));
        QCOMPARE(f.w().IsDirty(), quint8(1));
        QVERIFY(QDir(f.dir.path()).entryList(QDir::Files).isEmpty());
    }
};

QTEST_MAIN(tst_TagWriter)
#include "tst_tagwriter.moc"
