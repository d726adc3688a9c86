// SPDX-License-Identifier: MIT
// The command-line tool and the editor read and write help files by the same rules: what the
// window saves after opening a file is what `skyrend-f1 normalize` prints, and what it shows is
// what `skyrend-f1 decode` reports.

#include "CliTool.h"
#include "WindowFixture.h"
#include "document/HelpFormat.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include <random>

namespace {

bool hasHeaderLine(const QString& text)
{
    return text.startsWith(u'#') || text.contains(QStringLiteral("\r\n#"));
}

QByteArray randomHelpFile(std::mt19937& rng)
{
    static const char* const pieces[] = {"%R", "%G",       "%W",   "%p",   "%B", "%b", "%%",
                                         "%K", "%KB_WARP", "#",    "\r\n", "\n", "\r", "word",
                                         " ",  "50%",      "\xe9", "\x81", "%Y", "##", "%"};
    QByteArray out;
    const int count = int(rng() % 40);
    for (int i = 0; i < count; ++i)
        out += pieces[rng() % std::size(pieces)];
    return out;
}

} // namespace

class tst_CliAgreement : public QObject {
    Q_OBJECT

private slots:
    void windowAndToolAgree_data()
    {
        QTest::addColumn<QByteArray>("file");
        QFile sample(QStringLiteral(SKYREND_TEST_DATA "/../../examples/Commands.hlp"));
        if (sample.open(QIODevice::ReadOnly))
            QTest::newRow("sample help file") << sample.readAll();
        QTest::newRow("lone line breaks") << QByteArray("#A\r%Rx\ny\r\n\r\n");
        QTest::newRow("tags in a header") << QByteArray("#He%Rad\r\nbody %Gend");
        QTest::newRow("percent signs") << QByteArray("#P\r\n%%a %% 100% %%R%b%");
        QTest::newRow("no header") << QByteArray("plain %Rred text");
        QByteArray everyByte("#Bytes\r\n");
        for (int b = 0; b < 256; ++b)
            if (b != '\r' && b != '\n')
                everyByte += char(b);
        QTest::newRow("every byte") << everyByte;
        std::mt19937 rng(1208);
        for (int i = 0; i < 40; ++i)
            QTest::newRow(qPrintable(QStringLiteral("random %1").arg(i))) << randomHelpFile(rng);
    }
    void windowAndToolAgree()
    {
        QFETCH(QByteArray, file);
        WindowFixture f;
        const QString path = f.writeFile(QStringLiteral("in.hlp"), file);
        const QByteArray normalized = runTool({QStringLiteral("normalize"), path});
        const QJsonObject decoded =
            QJsonDocument::fromJson(runTool({QStringLiteral("decode"), path})).object();

        // Opening warns about a missing header line; saving suggests one.
        f.w().OpenFile(path);
        const QString text = f.edit().Text();
        if (!hasHeaderLine(text))
            f.desktop.answer(platform::Button::Ok);
        QCOMPARE(decoded.value(QStringLiteral("text")).toString(), text);

        // The window shows the colours the file reads as, as a save and reload keep them.
        skyrend::ColoredText read{text.toStdU16String(), {}};
        for (const QJsonValue& run : decoded.value(QStringLiteral("runs")).toArray()) {
            const auto row = skyrend::paletteRowOfLetter(
                run[QStringLiteral("color")].toString().at(0).unicode());
            QVERIFY(row);
            skyrend::appendRun(read.runs, std::size_t(run[QStringLiteral("length")].toInt()),
                               skyrend::ColorValues[*row]);
        }
        QCOMPARE(colorLetters(skyrend::colorsOf({read.text, skyrend::colorsAfterReload(read)})),
                 colorLetters(f.colors()));

        f.w().session().nameAfter(f.path(QStringLiteral("out.hlp")),
                                  QFileInfo(f.path(QStringLiteral("out.hlp"))).fileName());
        QVERIFY(f.w().menu_Save_Click());
        QCOMPARE(f.readFile(f.w().CurrentFile()), normalized);
    }
};

QTEST_MAIN(tst_CliAgreement)
#include "tst_cliagreement.moc"
