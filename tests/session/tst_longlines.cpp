// SPDX-License-Identifier: MIT
// Files with lines longer than the editor takes: refused whichever way they come in (a file, its
// File menu open, tagged text, a recovery copy), the document left as it was; files with lines
// at the limit load in slices the window answers between.

#include "WindowFixture.h"

#include "document/FileLimits.h"
#include "safety/RecoveryGuard.h"

#include <QtTest>

using platform::Button;

#define VERIFY_CONTAINS(text, part) QVERIFY2((text).contains(part), qPrintable(text))

namespace {

const QByteArray kPrevious = "#Kept\r\n%Rkept text";

// One line of `bytes` bytes with a colour tag before every 18 characters, as help text has.
QByteArray taggedLine(std::size_t bytes)
{
    static const char* const kTags[] = {"%W", "%P", "%Y", "%R", "%G", "%B", "%p"};
    QByteArray out;
    for (std::size_t i = 0; std::size_t(out.size()) < bytes; ++i)
        out += QByteArray(kTags[i % 7]) + "Warp drive on key ";
    out.truncate(qsizetype(bytes));
    if (out.endsWith('%'))
        out.back() = 'x';
    return out;
}

const QString kLimitText = QStringLiteral("more than the 20,000 a line can have in this editor.");

} // namespace

class tst_LongLines : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QGuiApplication::setQuitOnLastWindowClosed(false);
        // The messages below name the limit as it is.
        QCOMPARE(skyrend::kMaxLineCharacters, std::size_t(20000));
    }

    void overlongLineIsRefusedAndTheDocumentStays_data()
    {
        QTest::addColumn<QString>("how"); // open, menu (after the save question), tagged
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("said");
        const std::size_t over = skyrend::kMaxLineCharacters + 1;
        QTest::newRow("one over the limit")
            << "open"
            << "#H\r\n" + taggedLine(over) << "Line 2 has 20,001 characters";
        QTest::newRow("2 MiB in one line, edits kept")
            << "menu" << taggedLine(2 * 1024 * 1024) << "Line 1 has 2,097,152 characters";
        QTest::newRow("lone CR breaks, the third line over")
            << "open"
            << "#H\r" + taggedLine(40) + "\r" + taggedLine(over) + "\r"
            << "Line 3 has 20,001 characters";
        QTest::newRow("tagged text")
            << "tagged"
            << "#H\n\n\n" + taggedLine(3 * over) << "Line 4 has 60,003 characters";
    }
    void overlongLineIsRefusedAndTheDocumentStays()
    {
        QFETCH(QString, how);
        QFETCH(QByteArray, file);
        QFETCH(QString, said);
        WindowFixture f;
        const QString previous = f.open(kPrevious, QStringLiteral("previous.hlp"));
        const bool edited = how == QLatin1String("menu");
        if (edited) {
            QTest::keyClick(f.w().rEdit, Qt::Key_End, Qt::ControlModifier);
            f.type(QStringLiteral(" more"));
        }
        const QString text = f.edit().Text();
        const std::vector<skyrend::ColorRef> colors = f.colors();
        const QString title = f.w().windowTitle();
        f.desktop.clear();

        const QString path = f.writeFile(QStringLiteral("long.hlp"), file);
        if (how == QLatin1String("menu")) {
            f.desktop.answer(Button::No); // do not save the edits first
            f.desktop.answerDialog(path);
        }
        f.desktop.answer(Button::Ok);
        if (how == QLatin1String("tagged"))
            f.w().colorText(QString::fromLatin1(file), f.w().rEdit);
        else if (how == QLatin1String("menu"))
            f.w().menu_Open_Click();
        else
            f.w().OpenFile(path);

        VERIFY_NO_UNEXPECTED_BOXES(f);
        QVERIFY(f.desktop.allAnswersUsed());
        const platform::MessageBox box = f.desktop.boxes.back().box;
        QCOMPARE(box.title, QStringLiteral("can not open"));
        QCOMPARE(box.icon, platform::Icon::Critical);
        VERIFY_CONTAINS(box.text, said + QStringLiteral(", ") + kLimitText);
        VERIFY_CONTAINS(box.text, QStringLiteral("Break it into shorter lines"));
        VERIFY_CONTAINS(box.text, how == QLatin1String("tagged") ? previous : path);
        // Nothing of the document changed: text, colours, name, edited state.
        QCOMPARE(f.edit().Text(), text);
        QVERIFY(f.colors() == colors);
        QCOMPARE(f.w().CurrentFile(), previous);
        QCOMPARE(f.w().windowTitle(), title);
        QCOMPARE(bool(f.w().IsDirty()), edited);
        QVERIFY(!f.w().isBusy());
        QVERIFY(!f.readFile(f.w().settingsFile()).contains("long.hlp"));
        // And the window takes typing as before.
        f.type(QStringLiteral("z"));
        VERIFY_CONTAINS(f.edit().Text(), QStringLiteral("z"));
    }

    void lineAtTheLimitOpens()
    {
        WindowFixture f;
        const QByteArray line = taggedLine(skyrend::kMaxLineCharacters);
        const QString path = f.open("#H\r\n" + line + "\r\n" + line);
        VERIFY_NO_UNEXPECTED_BOXES(f);
        QCOMPARE(f.w().CurrentFile(), path);
        QCOMPARE(f.edit().document()->blockCount(), 3);
        QVERIFY(!f.w().IsDirty());
    }

    // Many lines at the limit, loaded a slice at a time: Escape and a close during the load are
    // taken at the next slice.
    void loadOfLongLinesAnswers_data()
    {
        QTest::addColumn<bool>("close");
        QTest::newRow("Escape") << false;
        QTest::newRow("close") << true;
    }
    void loadOfLongLinesAnswers()
    {
        QFETCH(bool, close);
        WindowFixture f;
        f.w().session().sliceMilliseconds = 0;
        QByteArray file = "#H";
        for (int i = 0; i < 30; ++i)
            file += "\r\n" + taggedLine(skyrend::kMaxLineCharacters);
        f.desktop.onYield = [&f, close](int n) {
            if (n != 3)
                return;
            if (close)
                f.w().close();
            else
                QTest::keyClick(f.w().rEdit, Qt::Key_Escape);
        };
        if (!close)
            f.desktop.answer(Button::Ok);
        f.open(file);
        QVERIFY(f.desktop.allAnswersUsed());
        VERIFY_NO_UNEXPECTED_BOXES(f);
        // Stopped at the slice after the key, not after the whole file.
        QVERIFY2(f.desktop.yields < 6, qPrintable(QString::number(f.desktop.yields)));
        if (close) {
            QTRY_VERIFY(!f.w().isVisible());
            QVERIFY(f.desktop.boxes.isEmpty());
        } else {
            QCOMPARE(f.desktop.boxes.size(), 1);
            QCOMPARE(f.desktop.boxes[0].box.text, QStringLiteral("Abort Was Called."));
            QCOMPARE(f.edit().TextLength(), 0);
        }
    }

    void recoveredCopyWithOverlongLineIsRefusedAndKept()
    {
        WindowFixture f;
        auto* guard = f.w().findChild<safety::RecoveryGuard*>();
        QVERIFY(guard);
        const safety::RecoveryStore& store = guard->store();
        const QString copyFile = store.newUntitledFile();
        std::u16string text = u"#H\r\n";
        text.append(skyrend::kMaxLineCharacters + 1, u'x');
        const skyrend::ColoredText doc{text, {{text.size(), skyrend::ColorValues[skyrend::Red]}}};
        QVERIFY(!store.write(
            copyFile,
            safety::RecoveryCopy{
                {}, QString(), QStringLiteral("Untitled3"), QDateTime::currentDateTimeUtc(), doc}));
        f.desktop.answer(Button::Yes); // recover it
        f.desktop.answer(Button::Ok);  // the refusal
        f.w().recoverAtStart();
        VERIFY_NO_UNEXPECTED_BOXES(f);
        QVERIFY(f.desktop.allAnswersUsed());
        QCOMPARE(f.desktop.boxes.size(), 2);
        const QString said = f.desktop.boxes[1].box.text;
        VERIFY_CONTAINS(said, QStringLiteral("Line 2 has 20,001 characters, ") + kLimitText);
        VERIFY_CONTAINS(said, QStringLiteral("Untitled3"));
        VERIFY_CONTAINS(said, QStringLiteral("copy is kept"));
        // The user's text is still on disk; the window holds its empty document.
        QVERIFY(QFile::exists(copyFile));
        QVERIFY(store.read(copyFile).copy->doc == doc);
        QCOMPARE(f.edit().TextLength(), 0);
        QVERIFY(!f.w().IsDirty());
    }
};

QTEST_MAIN(tst_LongLines)
#include "tst_longlines.moc"
