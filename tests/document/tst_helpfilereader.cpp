// SPDX-License-Identifier: MIT

#include "document/Cp1252.h"
#include "document/HelpFileReader.h"

#include <QtTest>

#include <random>

using namespace skyrend;

// Read in pieces of any size, a file gives what reading it whole gives, in the colours a save
// and reload would leave.
class tst_HelpFileReader : public QObject {
    Q_OBJECT
private slots:
    void piecesGiveTheWholeFile()
    {
        std::mt19937 random(1208);
        const std::string alphabet = "%%%##\r\n\r\n\n\rWPYRGBpK a\x80\xe9";
        for (int round = 0; round < 5000; ++round) {
            std::string file;
            const int length = int(random() % 80);
            for (int i = 0; i < length; ++i)
                file.push_back(alphabet[random() % alphabet.size()]);
            const ColoredText decoded = decodeHelpFile(file);
            const ColoredText expected{decoded.text, colorsAfterReload(decoded)};
            QVERIFY(readHelpFile(file) == expected);

            HelpFileReader reader{std::string_view(file)};
            int pieces = 0;
            while (!reader.done()) {
                const std::size_t before = reader.position();
                reader.readSome(1 + random() % 12);
                QVERIFY(reader.position() > before);
                ++pieces;
            }
            QVERIFY2(reader.result() == expected, QByteArray(file.c_str()).toPercentEncoding());
            QVERIFY(pieces <= length);

            // The same from text already decoded.
            const std::u16string text = decodeCp1252(file);
            HelpFileReader fromText{std::u16string_view(text)};
            while (!fromText.done())
                fromText.readSome(1 + random() % 12);
            QVERIFY(fromText.result() == expected);
        }
    }
};

QTEST_APPLESS_MAIN(tst_HelpFileReader)
#include "tst_helpfilereader.moc"
