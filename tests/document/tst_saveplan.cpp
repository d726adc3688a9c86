// SPDX-License-Identifier: MIT

#include "document/Cp1252.h"
#include "document/HelpFormat.h"
#include "document/SavePlan.h"

#include "DocumentTestKit.h"

using namespace skyrend;
using namespace kit;

namespace {

// "line:column+length U+code description", one line per place.
QString placesOf(const std::u16string& text)
{
    QStringList out;
    for (const SavePlace& p : savePlaces(text))
        out << QStringLiteral("%1:%2+%3 U+%4 %5")
                   .arg(p.at.line)
                   .arg(p.at.column)
                   .arg(p.length)
                   .arg(QString::number(uint(p.character), 16).toUpper().rightJustified(4, u'0'))
                   .arg(QString::fromStdString(describe(p)));
    return out.join(u'\n');
}

// The text a reload gives, as the plan's places say: what they name as lost is gone, and a
// character without a byte comes back as one '?' per UTF-16 unit.
std::u16string textAsPlanned(const std::u16string& text, const std::vector<SavePlace>& places)
{
    std::u16string out;
    std::size_t i = 0;
    for (const SavePlace& p : places) {
        out.append(text, i, p.index - i);
        if (p.kind == SavePlace::Unencodable)
            out.append(p.length, u'?');
        i = p.index + p.length;
    }
    out.append(text, i);
    return out;
}

} // namespace

class tst_SavePlan : public QObject {
    Q_OBJECT
private slots:
    void places_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString dropped = " the first \"%\" of \"%%\" is dropped when the file is read";
        const auto noByte = [](const char* character) {
            return QString::fromUtf8(character) + " has no byte in the game's code page";
        };
        QTest::newRow("nothing to say") << "#T\r\n50% off, %KB_WARP %b"
                                        << "";
        QTest::newRow("percent pair, and a run of them before a tag")
            << "5%%x %%%R"
            << "1:2+1 U+0025" + dropped + "\n1:6+2 U+0025" + dropped +
                   "\n1:8+2 U+0052 \"%R\" is read as a colour tag";
        QTest::newRow("every character without a byte, control characters too")
            << QString::fromUtf8("a\u4e2d\r\nb\u0080")
            << "1:2+1 U+4E2D " + noByte("the character '\u4e2d' (U+4E2D)") + "\n2:2+1 U+0080 " +
                   noByte("the character U+0080");
        QTest::newRow("lone surrogates, and a pair that is one character")
            << QString(QChar(0xD83D)) + QChar(0xD83D) + QChar(0xDE00) + QChar(0xDE00)
            << "1:1+1 U+D83D " + noByte("the character U+D83D") + "\n1:2+2 U+1F600 " +
                   noByte("the character '\xf0\x9f\x98\x80' (U+1F600)") + "\n1:4+1 U+DE00 " +
                   noByte("the character U+DE00");
        QTest::newRow("code page bytes have characters")
            << QString::fromUtf8("\u20ac\u0081\u008d\u00ff\u0178") << "";
    }
    void places()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(placesOf(u16(text)), expected);
    }

    // The places are exactly where the file a save writes reads back different from the text,
    // all of them; and the bytes are those the encoder has always written.
    void placesAreWhereTheReloadDiffers()
    {
        const std::u16string_view alphabet = u"%%%%%#\r\n\r\nRGpbK a\u20ac\u4e2d\u0080\u0081"
                                             u"\xd83d\xde00\xd83d\xde00";
        std::mt19937 random(4711);
        int withPlaces = 0;
        int clean = 0;
        for (int round = 0; round < 20000; ++round) {
            const ColoredText doc = randomDocument(
                random, alphabet, std::span(ColorValues).first(PaletteColorCount), 40);
            const SavePlan plan = planSave(doc);
            const QByteArray what = named(doc);
            QVERIFY2(plan.bytes == encodeCp1252(encodeHelpText(doc)), what);

            const std::u16string back = decodeHelpText(decodeCp1252(plan.bytes)).text;
            QVERIFY2(back == textAsPlanned(doc.text, plan.places), what);
            QVERIFY2(plan.places.empty() == (back == doc.text), what);
            for (std::size_t k = 0; k < plan.places.size(); ++k) {
                const SavePlace& p = plan.places[k];
                QVERIFY2(k == 0 || plan.places[k - 1].index + plan.places[k - 1].length <= p.index,
                         what);
                QVERIFY2(p.at == lineColumnOf(doc.text, p.index), what);
            }
            ++(plan.places.empty() ? clean : withPlaces);
        }
        QVERIFY(clean > 1000 && withPlaces > 1000); // both kinds of document were tried
    }
};

QTEST_APPLESS_MAIN(tst_SavePlan)
#include "tst_saveplan.moc"
