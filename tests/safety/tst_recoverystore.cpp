// SPDX-License-Identifier: MIT

#include "MemoryCap.h"
#include "document/HelpFileReader.h"
#include "document/Palette.h"
#include "safety/RecoveryStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using safety::RecoveryCopy;
using safety::RecoveryStore;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// Text with what a path and a shown document can hold: '%' before colour letters and before
// '%', '#', '=', line breaks, control characters, lone surrogates, characters outside
// Windows-1252 and outside the BMP.
QString randomText(QRandomGenerator& rng, int maxLength, bool loneSurrogates = true)
{
    static const char16_t pieces[] = {u'a',      u'Z',      u'%',      u'Y',      u'#',
                                      u'=',      u'\r',     u'\n',     u' ',      u'\u00e9',
                                      u'\u20ac', u'\u0000', u'\u0007', u'\u0416', u'\xd800',
                                      u'\xdfff', u'/',      u'\\',     u'\u0081', u'\uffff'};
    QString s;
    const int n = int(rng.bounded(maxLength + 1));
    while (s.size() < n) {
        const QChar c = pieces[rng.bounded(int(std::size(pieces)))];
        if (rng.bounded(20) == 0)
            s += QString::fromUcs4(U"\U0001F600");
        else if (loneSurrogates || !c.isSurrogate())
            s += c;
    }
    return s;
}

// A document as the window may show it: any text, in palette colours and others.
skyrend::ColoredText randomDocument(QRandomGenerator& rng)
{
    skyrend::ColoredText doc;
    doc.text = randomText(rng, 300).toStdU16String();
    std::vector<skyrend::ColorRef> colors;
    skyrend::ColorRef color = skyrend::ColorValues[skyrend::Green];
    for (std::size_t i = 0; i < doc.text.size(); ++i) {
        if (rng.bounded(8) == 0)
            color = rng.bounded(2) ? skyrend::ColorValues[rng.bounded(skyrend::PaletteColorCount)]
                                   : skyrend::ColorRef(rng.generate());
        colors.push_back(color);
    }
    doc.runs = skyrend::runsFromColors(colors);
    return doc;
}

// A copy as editors before this format wrote it: the save's tagged text.
QByteArray taggedCopy(const QString& path, const QDateTime& written, const QString& tagged)
{
    const QByteArray body = tagged.toUtf8();
    QByteArray bytes = "Skyrend F1 Editor recovery 1\n";
    bytes += "path=" + QUrl::toPercentEncoding(path) + '\n';
    bytes += "title=Commands.hlp\n";
    bytes += "written=" + written.toString(Qt::ISODateWithMs).toLatin1() + '\n';
    bytes += "length=" + QByteArray::number(body.size()) + '\n';
    bytes += "sha1=" + QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex() + "\n\n";
    return bytes + body;
}

} // namespace

class tst_RecoveryStore : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    RecoveryStore store_{[this] { return dir_.path(); }};

    RecoveryCopy sample() const
    {
        skyrend::ColoredText doc;
        doc.text = u"#Rules\r\n1. No spawn killing.";
        doc.runs = {{8, skyrend::ColorValues[skyrend::Green]},
                    {2, skyrend::ColorValues[skyrend::Red]},
                    {18, skyrend::ColorValues[skyrend::White]}};
        return {QString(), QStringLiteral("/docs/Commands.hlp"), QStringLiteral("Commands.hlp"),
                QDateTime(QDate(2026, 12, 8), QTime(16, 20, 5, 123), Qt::UTC), doc};
    }

private slots:
    void writesAndReadsBackAnyDocument()
    {
        // One property over random documents instead of a list of hand-made ones.
        QRandomGenerator rng(20261208);
        for (int round = 0; round < 300; ++round) {
            // Paths and titles are well-formed text; the document may be anything.
            RecoveryCopy copy{QString(), randomText(rng, 12, false), randomText(rng, 6, false),
                              QDateTime::currentDateTimeUtc().addSecs(-qint64(rng.bounded(1000))),
                              randomDocument(rng)};
            const QString file =
                round % 2 ? store_.newUntitledFile()
                          : store_.fileFor(QStringLiteral("/d/%1.hlp").arg(round), "abc");
            QVERIFY(!store_.write(file, copy));
            const auto back = RecoveryStore::read(file);
            QVERIFY2(back.copy, qPrintable(back.error));
            QCOMPARE(back.copy->documentPath, copy.documentPath);
            QCOMPARE(back.copy->title, copy.title);
            QCOMPARE(back.copy->written, copy.written);
            QVERIFY(back.copy->doc.text == copy.doc.text);
            QVERIFY(back.copy->doc.runs == copy.doc.runs);
            QCOMPARE(back.copy->file, file);
            QVERIFY(RecoveryStore::remove(file));
            QVERIFY(!QFile::exists(file));
        }
        // One line of 10 MiB in alternating colours (a pasted blob) comes back whole as well.
        constexpr std::size_t kHuge = 10 * 1024 * 1024;
        RecoveryCopy huge = sample();
        huge.doc = {std::u16string(kHuge, u'x'), {}};
        for (std::size_t i = 0; i < kHuge; i += 4096)
            skyrend::appendRun(huge.doc.runs, 4096, skyrend::ColorValues[(i / 4096) % 2]);
        const QString file = store_.newUntitledFile();
        QVERIFY(!store_.write(file, huge));
        const auto back = RecoveryStore::read(file);
        QVERIFY2(back.copy, qPrintable(back.error));
        QVERIFY(back.copy->doc == huge.doc);
    }

    // A small copy is read in little memory: capped 64 MiB above what it uses, a child reads
    // it back, where one read of the whole size limit (512 MiB) would fail.
    void smallCopySmallMemory()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer reserves more address space than any cap would leave");
#else
        const QString file = store_.newUntitledFile();
        QVERIFY(!store_.write(file, sample()));
        const int exit = exitOfCappedChild(
            [&file] { return RecoveryStore::read(file).copy.has_value(); }, rlim_t(64) << 20);
        QCOMPARE(exit, 0);
#endif
    }

    void readsOlderTaggedCopiesAsALoadShowsThem()
    {
        // A tag inside a header line and "%%" are read as the file's rules read them.
        const std::u16string tagged = u"#Ru%Rles\r\n%R1.%W No 100%% %Yspawn\r\n";
        const QString file = store_.fileFor(QStringLiteral("/docs/Commands.hlp"), "old");
        const QDateTime written(QDate(2025, 1, 2), QTime(3, 4, 5, 6), Qt::UTC);
        writeAll(file, taggedCopy(QStringLiteral("/docs/Commands.hlp"), written,
                                  QString::fromStdU16String(tagged)));
        const auto back = RecoveryStore::read(file);
        QVERIFY2(back.copy, qPrintable(back.error));
        QCOMPARE(back.copy->documentPath, QStringLiteral("/docs/Commands.hlp"));
        QCOMPARE(back.copy->written, written);
        skyrend::HelpFileReader reader{std::u16string_view(tagged)};
        reader.readSome(tagged.size());
        QVERIFY(back.copy->doc == reader.take());
        QVERIFY(back.copy->doc.text == u"#Rules\r\n1. No 100% spawn");
    }

    void namesCopiesPerDocumentAndEditor()
    {
        const QString a = store_.fileFor(QStringLiteral("/x/Commands.hlp"), "one");
        const QString b = store_.fileFor(QStringLiteral("/x/Commands.hlp"), "two");
        QCOMPARE(store_.fileFor(QStringLiteral("/x/./Commands.hlp"), "one"), a);
        QVERIFY(a != b);
        QVERIFY(store_.fileFor(QStringLiteral("/y/Commands.hlp"), "one") != a);
        QVERIFY(store_.newUntitledFile() != store_.newUntitledFile());
        QCOMPARE(QFileInfo(a).absolutePath(),
                 QDir(dir_.path()).filePath(QStringLiteral("recovery")));

        // Every editor's copy of a file is found, an older editor's one name included; the
        // locks beside them and other files' copies are not.
        QVERIFY(!store_.write(a, sample()));
        QVERIFY(!store_.write(b, sample()));
        QVERIFY(!store_.write(store_.fileFor(QStringLiteral("/y/Commands.hlp"), "one"), sample()));
        const QString older = QString(a).replace(QStringLiteral("-one.recovery"), ".recovery");
        QVERIFY(!store_.write(older, sample()));
        writeAll(RecoveryStore::lockOf(a), "1\n");
        const QStringList found = store_.filesFor(QStringLiteral("/x/Commands.hlp"));
        QCOMPARE(QSet(found.begin(), found.end()), (QSet<QString>{a, b, older}));
        QCOMPARE(found.size(), 3);
        QVERIFY(!store_.files().contains(RecoveryStore::lockOf(a)));
        QVERIFY(store_.openLockFor(QStringLiteral("/x/Commands.hlp")) !=
                store_.openLockFor(QStringLiteral("/y/Commands.hlp")));
        for (const QString& f : store_.files())
            QVERIFY(RecoveryStore::remove(f));
    }

    void followsTheSettingsFolderWhenItMoves()
    {
        QString folder = dir_.filePath(QStringLiteral("one"));
        RecoveryStore store([&folder] { return folder; });
        const QString before = store.fileFor(QStringLiteral("/a.hlp"), "i");
        folder = dir_.filePath(QStringLiteral("two"));
        QVERIFY(!store.write(store.fileFor(QStringLiteral("/a.hlp"), "i"), sample()));
        QVERIFY(!QFile::exists(before));
        QCOMPARE(store.files().size(), 1);
        QVERIFY(store.files().front().startsWith(folder));
    }

    void refusesDamagedCopies_data()
    {
        QTest::addColumn<int>("cut");         // bytes taken off the end; -1: none
        QTest::addColumn<int>("flipAt");      // a byte changed, counted from the end; -1: none
        QTest::addColumn<QByteArray>("from"); // a header text replaced ...
        QTest::addColumn<QByteArray>("to");   // ... by this
        QTest::newRow("empty file") << 100000 << -1 << QByteArray() << QByteArray();
        QTest::newRow("cut in the runs") << 5 << -1 << QByteArray() << QByteArray();
        QTest::newRow("cut in the text") << 30 << -1 << QByteArray() << QByteArray();
        QTest::newRow("cut in the header") << 100 << -1 << QByteArray() << QByteArray();
        QTest::newRow("a colour changed") << -1 << 1 << QByteArray() << QByteArray();
        QTest::newRow("a character changed") << -1 << 40 << QByteArray() << QByteArray();
        QTest::newRow("not a recovery file")
            << -1 << -1 << QByteArray("recovery 2") << QByteArray("recovery 9");
        QTest::newRow("length not a number")
            << -1 << -1 << QByteArray("length=") << QByteArray("length=x");
        QTest::newRow("no time") << -1 << -1 << QByteArray("written=") << QByteArray("when=");
        QTest::newRow("no path") << -1 << -1 << QByteArray("path=") << QByteArray("place=");
        QTest::newRow("another path")
            << -1 << -1 << QByteArray("path=%2Fdocs") << QByteArray("path=%2Fdoce");
        QTest::newRow("header line without =")
            << -1 << -1 << QByteArray("title=") << QByteArray("title");
        QTest::newRow("more characters than said")
            << -1 << -1 << QByteArray("chars=28") << QByteArray("chars=29");
        QTest::newRow("runs short of the text")
            << -1 << -1 << QByteArray("runs=3") << QByteArray("runs=2");
    }
    void refusesDamagedCopies()
    {
        QFETCH(int, cut);
        QFETCH(int, flipAt);
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        const QString file = store_.fileFor(QStringLiteral("/docs/Commands.hlp"), "i");
        QVERIFY(!store_.write(file, sample()));
        QVERIFY(RecoveryStore::read(file).copy); // sound before the damage
        QByteArray bytes = readAll(file);
        if (cut >= 0)
            bytes.chop(qMin<qsizetype>(cut, bytes.size()));
        if (flipAt >= 0)
            bytes[bytes.size() - 1 - flipAt] = char(bytes[bytes.size() - 1 - flipAt] ^ 0x20);
        if (!from.isEmpty()) {
            QVERIFY(bytes.contains(from));
            bytes.replace(from, to);
        }
        writeAll(file, bytes);
        const auto result = RecoveryStore::read(file);
        QVERIFY(!result.copy);
        QVERIFY(!result.error.isEmpty());
    }

    void refusesRunsThatDoNotFitTheText()
    {
        // Written whole and with a sound checksum, yet not a document the window can show.
        RecoveryCopy copy = sample();
        copy.doc.runs.back().length += 1;
        const QString file = store_.fileFor(QStringLiteral("/docs/Commands.hlp"), "i");
        QVERIFY(!store_.write(file, copy));
        QVERIFY(!RecoveryStore::read(file).copy);
        copy = sample();
        copy.doc.runs.insert(copy.doc.runs.begin() + 1, {0, 0x123456});
        QVERIFY(!store_.write(file, copy));
        QVERIFY(!RecoveryStore::read(file).copy);
    }

    void unreadableCopyIsAnError()
    {
        const auto result = RecoveryStore::read(dir_.filePath(QStringLiteral("none.recovery")));
        QVERIFY(!result.copy);
        QVERIFY(!result.error.isEmpty());
    }

    void setsDamagedCopiesAsideUnderNewNames()
    {
        const QString file = store_.fileFor(QStringLiteral("/d.hlp"), "i");
        QStringList aside;
        for (int i = 0; i < 3; ++i) {
            QVERIFY(!store_.write(file, sample()));
            const QByteArray bytes = readAll(file);
            const QString moved = RecoveryStore::setAside(file);
            QVERIFY(!moved.isEmpty());
            QVERIFY(!QFile::exists(file));
            QCOMPARE(readAll(moved), bytes); // kept whole
            QVERIFY(!aside.contains(moved));
            aside << moved;
        }
        // Set aside, they are no longer listed as copies.
        QVERIFY(!store_.files().contains(file));
        for (const QString& f : store_.files())
            QVERIFY(f.endsWith(RecoveryStore::suffix()));
    }
};

QTEST_GUILESS_MAIN(tst_RecoveryStore)
#include "tst_recoverystore.moc"
