#include "safety/RecoveryStore.h"

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

// Text with what a help file and a path can hold: tags, line breaks, '=', '%', far characters.
QString randomText(QRandomGenerator& rng, int maxLength)
{
    static const char16_t pieces[] = {u'a', u'Z',      u'%',      u'#',      u'=', u'\r', u'\n',
                                      u' ', u'\u00e9', u'\u20ac', u'\u0000', u'/', u'\\'};
    QString s;
    const int n = int(rng.bounded(maxLength + 1));
    for (int i = 0; i < n; ++i) {
        if (rng.bounded(20) == 0)
            s += QString::fromUcs4(U"\U0001F600");
        else
            s += QChar(pieces[rng.bounded(int(std::size(pieces)))]);
    }
    return s;
}

} // namespace

class tst_RecoveryStore : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    RecoveryStore store_{[this] { return dir_.path(); }};

    RecoveryCopy sample() const
    {
        return {QString(), QStringLiteral("/docs/Commands.hlp"), QStringLiteral("Commands.hlp"),
                QDateTime(QDate(2026, 12, 8), QTime(16, 20, 5, 123), Qt::UTC),
                QStringLiteral("#Rules\r\n%R1.%W No spawn killing.\r\n")};
    }

private slots:
    void writesAndReadsBackAnyDocument()
    {
        // One property over random documents instead of a list of hand-made ones.
        QRandomGenerator rng(20261208);
        for (int round = 0; round < 200; ++round) {
            RecoveryCopy copy{QString(), randomText(rng, 12), randomText(rng, 6),
                              QDateTime::currentDateTimeUtc().addSecs(-qint64(rng.bounded(1000))),
                              randomText(rng, 300)};
            const QString file = round % 2 ? store_.newUntitledFile()
                                           : store_.fileFor(QStringLiteral("/d/%1.hlp").arg(round));
            QVERIFY(!store_.write(file, copy));
            const auto back = RecoveryStore::read(file);
            QVERIFY2(back.copy, qPrintable(back.error));
            QCOMPARE(back.copy->documentPath, copy.documentPath);
            QCOMPARE(back.copy->title, copy.title);
            QCOMPARE(back.copy->written, copy.written);
            QCOMPARE(back.copy->taggedText.toUcs4(), copy.taggedText.toUcs4());
            QCOMPARE(back.copy->file, file);
            QVERIFY(RecoveryStore::remove(file));
            QVERIFY(!QFile::exists(file));
        }
    }

    void namesOneFilePerDocument()
    {
        const QString a = store_.fileFor(QStringLiteral("/x/Commands.hlp"));
        QCOMPARE(store_.fileFor(QStringLiteral("/x/./Commands.hlp")), a);
        QVERIFY(store_.fileFor(QStringLiteral("/y/Commands.hlp")) != a);
        QVERIFY(store_.newUntitledFile() != store_.newUntitledFile());
        QCOMPARE(QFileInfo(a).absolutePath(),
                 QDir(dir_.path()).filePath(QStringLiteral("recovery")));
    }

    void followsTheSettingsFolderWhenItMoves()
    {
        QString folder = dir_.filePath(QStringLiteral("one"));
        RecoveryStore store([&folder] { return folder; });
        const QString before = store.fileFor(QStringLiteral("/a.hlp"));
        folder = dir_.filePath(QStringLiteral("two"));
        QVERIFY(!store.write(store.fileFor(QStringLiteral("/a.hlp")), sample()));
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
        QTest::newRow("cut in the text") << 5 << -1 << QByteArray() << QByteArray();
        QTest::newRow("cut in the header") << 60 << -1 << QByteArray() << QByteArray();
        QTest::newRow("a byte of the text changed") << -1 << 3 << QByteArray() << QByteArray();
        QTest::newRow("not a recovery file")
            << -1 << -1 << QByteArray("recovery 1") << QByteArray("recovery 9");
        QTest::newRow("length not a number")
            << -1 << -1 << QByteArray("length=") << QByteArray("length=x");
        QTest::newRow("no time") << -1 << -1 << QByteArray("written=") << QByteArray("when=");
        QTest::newRow("no path") << -1 << -1 << QByteArray("path=") << QByteArray("place=");
        QTest::newRow("header line without =")
            << -1 << -1 << QByteArray("title=") << QByteArray("title");
        QTest::newRow("text longer than said")
            << -1 << -1 << QByteArray("\n\n#Rules") << QByteArray("\n\n##Rules");
    }
    void refusesDamagedCopies()
    {
        QFETCH(int, cut);
        QFETCH(int, flipAt);
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        const QString file = store_.fileFor(QStringLiteral("/docs/Commands.hlp"));
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

    void unreadableCopyIsAnError()
    {
        const auto result = RecoveryStore::read(dir_.filePath(QStringLiteral("none.recovery")));
        QVERIFY(!result.copy);
        QVERIFY(!result.error.isEmpty());
    }

    void setsDamagedCopiesAsideUnderNewNames()
    {
        const QString file = store_.fileFor(QStringLiteral("/d.hlp"));
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
