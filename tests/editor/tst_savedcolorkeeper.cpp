// SPDX-License-Identifier: MIT
// The window shows what the file holds: whatever the user does, the colours on screen are those
// a save and a reload give, and so is the text where the format can hold it.

#include "WindowFixture.h"
#include "document/HelpFormat.h"
#include "document/Macros.h"

#include <QtTest>

#include <random>

namespace {

QByteArray percentEncoded(const std::u16string& text)
{
    return QString::fromStdU16String(text).toUtf8().toPercentEncoding();
}

} // namespace

class tst_SavedColorKeeper : public QObject {
    Q_OBJECT

private slots:
    void randomEditingShowsWhatTheFileHolds()
    {
        std::mt19937 random(20261208);
        const QByteArray fileAlphabet = "%%##\r\n\r\nRGYBpWPK ab";
        const QString typedAlphabet = QStringLiteral("%%##RGYBpWK ab");
        int kept = 0;
        int steps = 0;
        for (int round = 0; round < 12; ++round) {
            WindowFixture f;
            QByteArray file;
            for (int i = 0, n = int(random() % 200); i < n; ++i)
                file += fileAlphabet[int(random() % fileAlphabet.size())];
            f.open(file);
            RichTextBox& box = f.edit();
            for (int step = 0; step < 250; ++step, ++steps) {
                const qsizetype length = box.TextLength();
                auto anywhere = [&] { return qsizetype(random() % quint32(length + 1)); };
                auto select = [&] {
                    const qsizetype from = anywhere();
                    box.setSelStart(from);
                    box.setSelLength(qsizetype(random() % 12));
                };
                QString what;
                switch (random() % 11) {
                case 0:
                case 1:
                    box.setSelStart(anywhere());
                    what = QString(typedAlphabet[int(random() % typedAlphabet.size())]);
                    f.type(what);
                    break;
                case 2:
                    box.setSelStart(anywhere());
                    what = QStringLiteral("%") +
                           QChar(skyrend::ColorLetters[random() % skyrend::PaletteColorCount]);
                    f.type(what); // a typed tag
                    break;
                case 3:
                    what = QStringLiteral("Enter");
                    box.setSelStart(anywhere());
                    QTest::keyClick(&box, Qt::Key_Return);
                    break;
                case 4:
                    what = QStringLiteral("Backspace/Delete");
                    select();
                    QTest::keyClick(&box, random() % 2 ? Qt::Key_Backspace : Qt::Key_Delete);
                    break;
                case 5:
                case 6:
                    what = QStringLiteral("colour");
                    select();
                    f.w().menu_Color_Click(int(random() % skyrend::PaletteColorCount));
                    break;
                case 7:
                    what = QStringLiteral("macro");
                    select();
                    f.w().menu_macro_Click(int(random() % skyrend::MacroCount));
                    break;
                case 8:
                    what = QStringLiteral("copy and paste");
                    select();
                    box.copy();
                    box.setSelStart(anywhere());
                    QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
                    break;
                case 9:
                    what = QStringLiteral("undo");
                    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);
                    break;
                default:
                    what = QStringLiteral("redo");
                    QTest::keyClick(&box, Qt::Key_Y, Qt::ControlModifier);
                    break;
                }
                const skyrend::ColoredText shown = box.coloredText();
                const QByteArray where = what.toUtf8() + " gave " + percentEncoded(shown.text);
                QVERIFY2(skyrend::colorsAfterReload(shown) == shown.runs, where);
                if (!skyrend::findUnkeepables(shown.text).empty())
                    continue; // the save warns; the text cannot come back
                ++kept;
                QVERIFY2(skyrend::decodeHelpText(skyrend::encodeHelpText(shown)) == shown, where);
            }
        }
        QVERIFY2(kept > steps / 3, qPrintable(QString::number(kept)));
    }

    // A line that becomes a header line turns Green, and one undo brings its colours back.
    void typingAHashAtALineStartIsOneUndoStep()
    {
        WindowFixture f;
        f.open(QByteArray("#T\r\n%Rred %Yyellow\r\nx"));
        const std::vector<skyrend::ColorRef> before = f.colors();
        f.edit().setSelStart(4);
        f.type(QStringLiteral("#"));
        QCOMPARE(colorLetters(f.colors()), QString(17, u'G') + QStringLiteral("Y"));
        QTest::keyClick(f.w().rEdit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.colors(), before);
        QTest::keyClick(f.w().rEdit, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(colorLetters(f.colors()), QString(17, u'G') + QStringLiteral("Y"));
    }

    void colouringHeaderTextSaysWhyNothingHappens_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("colors");
        QTest::addColumn<bool>("told");
        // "#H1\r\nab\r\n#H2" with the body Yellow.
        QTest::newRow("part of a header") << 1 << 2 << "GGGGGYYYYGGG" << true;
        QTest::newRow("a header and its line break") << 0 << 5 << "GGGGGYYYYGGG" << true;
        QTest::newRow("header and body") << 2 << 5 << "GGGGGRRRRGGG" << false;
        QTest::newRow("body and the next header") << 6 << 6 << "GGGGGYRRRGGG" << false;
    }
    void colouringHeaderTextSaysWhyNothingHappens()
    {
        QFETCH(int, from);
        QFETCH(int, length);
        QFETCH(QString, colors);
        QFETCH(bool, told);
        WindowFixture f;
        f.open(QByteArray("#H1\r\n%Yab\r\n#H2"));
        f.w().lblCaption->setText(QString());
        f.edit().setSelStart(from);
        f.edit().setSelLength(length);
        f.w().menu_Color_Click(skyrend::Red);
        QCOMPARE(colorLetters(f.colors()), colors);
        QCOMPARE(f.w().lblCaption->text() ==
                     QStringLiteral("Coloring This Line Makes No Difference."),
                 told);
        QCOMPARE(bool(f.w().IsDirty()), !told);
    }
};

QTEST_MAIN(tst_SavedColorKeeper)
#include "tst_savedcolorkeeper.moc"
