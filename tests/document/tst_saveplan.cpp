#include "document/Cp1252.h"
#include "document/HelpFormat.h"
#include "document/SavePlan.h"

#include <QtTest>

#include <random>

using namespace skyrend;

namespace {

std::u16string u16(const QString& s)
{
    return s.toStdU16String();
}

QString qs(std::u16string_view s)
{
    return QString::fromUtf16(s.data(), qsizetype(s.size()));
}

// "line:column+length K U+code" per place; K is % (dropped), T (tag) or ? (no byte).
QString placesOf(const std::u16string& text)
{
    QStringList out;
    for (const SavePlace& p : savePlaces(text)) {
        const char kind = p.kind == SavePlace::DroppedPercent ? '%'
                          : p.kind == SavePlace::ReadAsTag    ? 'T'
                                                              : '?';
        out << QStringLiteral("%1:%2+%3 %4 U+%5")
                   .arg(p.at.line)
                   .arg(p.at.column)
                   .arg(p.length)
                   .arg(QLatin1Char(kind))
                   .arg(QString::number(uint(p.character), 16).toUpper().rightJustified(4, u'0'));
    }
    return out.join(u' ');
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

// Documents of the characters a save has trouble with, in random palette colours.
ColoredText randomDocument(std::mt19937& random)
{
    static const std::u16string alphabet = u"%%%%%#\r\n\r\nRGpbK a\u20ac\u4e2d\u0080\u0081"
                                           u"\xd83d\xde00\xd83d\xde00";
    ColoredText doc;
    for (int i = int(random() % 40); i > 0; --i) {
        doc.text.push_back(alphabet[random() % alphabet.size()]);
        appendRun(doc.runs, 1, ColorValues[random() % PaletteColorCount]);
    }
    return doc;
}

} // namespace

class tst_SavePlan : public QObject {
    Q_OBJECT
private slots:
    void places_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing to say") << "#T\r\n50% off, %KB_WARP %b"
                                        << "";
        QTest::newRow("percent pair") << "5%%x"
                                      << "1:2+1 % U+0025";
        QTest::newRow("run of percents before a tag") << "%%%R"
                                                      << "1:1+2 % U+0025 1:3+2 T U+0052";
        QTest::newRow("every character without a byte")
            << QString::fromUtf8("a\u4e2d\r\nb\u4e2d") << "1:2+1 ? U+4E2D 2:2+1 ? U+4E2D";
        QTest::newRow("pair of surrogates is one character")
            << QString::fromUtf8("x\xf0\x9f\x98\x80y") << "1:2+2 ? U+1F600";
        QTest::newRow("lone high surrogate")
            << QStringLiteral("x") + QChar(0xD83D) + u'y' << "1:2+1 ? U+D83D";
        QTest::newRow("lone low surrogate")
            << QStringLiteral("x") + QChar(0xDE00) << "1:2+1 ? U+DE00";
        QTest::newRow("two high surrogates")
            << QString(QChar(0xD83D)) + QChar(0xD83D) + QChar(0xDE00)
            << "1:1+1 ? U+D83D 1:2+2 ? U+1F600";
        QTest::newRow("code page bytes have characters")
            << QString::fromUtf8("\u20ac\u0081\u008d\u00ff\u0178") << "";
        QTest::newRow("C1 control without a byte")
            << QString::fromUtf8("\u0080") << "1:1+1 ? U+0080";
    }
    void places()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(placesOf(u16(text)), expected);
    }

    void describesEachPlace_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<uint>("character");
        QTest::addColumn<QString>("expected");
        QTest::newRow("dropped percent")
            << int(SavePlace::DroppedPercent) << uint('%')
            << "the first \"%\" of \"%%\" is dropped when the file is read";
        QTest::newRow("tag") << int(SavePlace::ReadAsTag) << uint('p')
                             << "\"%p\" is read as a colour tag";
        QTest::newRow("BMP character")
            << int(SavePlace::Unencodable) << 0x4E2Du
            << QString::fromUtf8("the character '\u4e2d' (U+4E2D) has no byte in the game's "
                                 "code page");
        QTest::newRow("beyond the BMP")
            << int(SavePlace::Unencodable) << 0x1F600u
            << QString::fromUtf8("the character '\xf0\x9f\x98\x80' (U+1F600) has no byte in "
                                 "the game's code page");
        QTest::newRow("lone surrogate")
            << int(SavePlace::Unencodable) << 0xDC00u
            << "the character U+DC00 has no byte in the game's code page";
        QTest::newRow("control character")
            << int(SavePlace::Unencodable) << 0x85u
            << "the character U+0085 has no byte in the game's code page";
    }
    void describesEachPlace()
    {
        QFETCH(int, kind);
        QFETCH(uint, character);
        QFETCH(QString, expected);
        const SavePlace place{0, SavePlace::Kind(kind), char32_t(character), {1, 1}, 1};
        QCOMPARE(QString::fromStdString(describe(place)), expected);
    }

    // The places are exactly where the file a save writes reads back different from the text,
    // all of them; and the bytes are those the encoder has always written.
    void placesAreWhereTheReloadDiffers()
    {
        std::mt19937 random(4711);
        int withPlaces = 0;
        int clean = 0;
        for (int round = 0; round < 20000; ++round) {
            const ColoredText doc = randomDocument(random);
            const SavePlan plan = planSave(doc);
            const QByteArray what = qs(doc.text).toUtf8().toPercentEncoding();
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
