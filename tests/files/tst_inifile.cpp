// SPDX-License-Identifier: MIT

#include "MemoryCap.h"
#include "files/IniFile.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace skyrend;

namespace {

// Keeps embedded NUL bytes, which QByteArray(const char*) would stop at.
template <std::size_t N> QByteArray bytes(const char (&text)[N])
{
    return QByteArray(text, qsizetype(N - 1));
}

std::optional<QString> orNull(const QString& text)
{
    return text.isNull() ? std::nullopt : std::optional<QString>(text);
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void readRow(const char* name, const QByteArray& file, const QString& section, const QString& key,
             const QString& expected)
{
    QTest::newRow(name) << file << section << key << expected;
}

void writeRow(const char* name, const QByteArray& before, const QString& key, const QString& value,
              const QByteArray& after)
{
    QTest::newRow(name) << before << key << value << after;
}

void refuseRow(const char* name, const QString& section, const QString& key, const QString& value)
{
    QTest::newRow(name) << section << key << value;
}

void roundTripRow(const char* name, const QString& folder, const QString& value)
{
    QTest::newRow(name) << folder << value;
}

void put(const QString& path, const QByteArray& data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

} // namespace

class tst_IniFile : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ini;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_ini = m_dir->filePath("config.ini");
    }
    void cleanup()
    {
        // A test may have made the folder read-only; it must still be removable.
        QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                 QFileDevice::ExeOwner);
    }

    void reads_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        readRow("plain", bytes("[Recent]\n0=C:\\a.hlp\n"), "Recent", "0", "C:\\a.hlp");
        readRow("no section", bytes("[Other]\n0=x\n"), "Recent", "0", "");
        readRow("no key", bytes("[Recent]\n1=x\n00=x\n"), "Recent", "0", "");
        readRow("key elsewhere", bytes("0=x\n[Recent]\n[B]\n0=x\n"), "Recent", "0", "");
        readRow("letter case", bytes("[rEcEnT]\nKeY=v\n"), "Recent", "key", "v");
        readRow("accented case", bytes("[Été]\nclé=v\n"), "éTÉ", "CLÉ", "v");
        readRow("blanks trimmed", bytes("[ Recent ]\n \t0 =  \ta  b\t \n"), "Recent", "0", "a  b");
        readRow("spaces only", bytes("[Recent]\n0=   \n"), "Recent", "0", "");
        readRow("raw value", bytes("[Recent]\n0=\"a=b\" ;c\n"), "Recent", "0", "\"a=b\" ;c");
        readRow("comments", bytes("[Recent]\n;0=c\n #0=c\n0=y\n"), "Recent", "0", "y");
        readRow("first key wins", bytes("[Recent]\n0=a\n0=b\n"), "Recent", "0", "a");
        readRow("first section wins", bytes("[Recent]\n0=a\n[Recent]\n0=b\n1=c\n"), "Recent", "0",
                "a");
        readRow("later duplicate section", bytes("[Recent]\n0=a\n[Recent]\n0=b\n1=c\n"), "Recent",
                "1", "c");
        readRow("byte-order mark", bytes("\xEF\xBB\xBF[Recent]\n0=x\n"), "Recent", "0", "x");
        readRow("CR LF", bytes("[Recent]\r\n0=x\r\n"), "Recent", "0", "x");
        readRow("no final break", bytes("[Recent]\n0=x"), "Recent", "0", "x");
        readRow("header junk", bytes("[Recent] ;x\n[Other\n0=x\n"), "Recent", "0", "x");
        readRow("garbage", bytes("\0\xff[\x80\n[Recent]\n\x01\r\r\n\xff=\xfe\n0=a\xff\0b\n"),
                "Recent", "0", QString::fromUtf16(u"a\uFFFD\0b", 4));
        readRow("long value", "[Recent]\n0=" + QByteArray(5000, 'a'), "Recent", "0",
                QString(5000, u'a'));
        readRow("UTF-8", bytes("[Recent]\n0=/home/é/文件.hlp\n"), "Recent", "0",
                QString::fromUtf16(u"/home/\u00e9/\u6587\u4ef6.hlp"));
    }
    void reads()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        put(m_ini, file);
        QCOMPARE(ReadINI(section, key, m_ini), expected);
        QCOMPARE(contents(m_ini), file);
    }

    // A null key or value stands for std::nullopt; a null "before" or "after" for no file.
    void writes_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        const QString none;
        writeRow("new file", QByteArray(), "0", "C:\\a b\\x.hlp",
                 bytes("[Recent]\n0=C:\\a b\\x.hlp\n"));
        writeRow("in place", bytes(";t\n[Recent]\n0=old\n1=k\n\n[B]\n0=b"), "0", "new",
                 bytes(";t\n[Recent]\n0=new\n1=k\n\n[B]\n0=b"));
        writeRow("spelling kept", bytes("[RECENT]\n Ab = old \r\n"), "aB", "n",
                 bytes("[RECENT]\n Ab = n\r\n"));
        writeRow("empty value", bytes("[Recent]\n0=old\n"), "0", "", bytes("[Recent]\n0=\n"));
        writeRow("same value", bytes("[Recent]\n0=a\n"), "0", "a", bytes("[Recent]\n0=a\n"));
        writeRow("end of section", bytes("[Recent]\n0=a\n\n;B\n[B]\n"), "1", "b",
                 bytes("[Recent]\n0=a\n1=b\n\n;B\n[B]\n"));
        writeRow("empty section", bytes("[Recent]\n[B]\n"), "1", "b",
                 bytes("[Recent]\n1=b\n[B]\n"));
        writeRow("new section", bytes("[B]\nx=1\n"), "0", "a", bytes("[B]\nx=1\n[Recent]\n0=a\n"));
        writeRow("CR LF", bytes("[B]\r\nx=1\r\n"), "0", "a",
                 bytes("[B]\r\nx=1\r\n[Recent]\r\n0=a\r\n"));
        writeRow("no final break", bytes("[Recent]\n0=a"), "1", "b", bytes("[Recent]\n0=a\n1=b\n"));
        writeRow("mark only", bytes("\xEF\xBB\xBF"), "0", "a",
                 bytes("\xEF\xBB\xBF[Recent]\n0=a\n"));
        writeRow("first duplicate", bytes("[Recent]\n0=a\n[recent]\n0=b\n"), "0", "n",
                 bytes("[Recent]\n0=n\n[recent]\n0=b\n"));
        writeRow("later duplicate", bytes("[Recent]\n[B]\n[Recent]\n2=a\n"), "2", "n",
                 bytes("[Recent]\n[B]\n[Recent]\n2=n\n"));
        writeRow("garbage kept", bytes("\xff\0\n[Recent]\n\x80\r\n0=\xfe\n\x01"), "0", "n",
                 bytes("\xff\0\n[Recent]\n\x80\r\n0=n\n\x01"));
        writeRow("delete section", bytes(";c\n[Recent]\n0=a\n;in\njunk\n1=b\n\n[B]\nx=1\n"), none,
                 none, bytes(";c\n\n[B]\nx=1\n"));
        writeRow("delete duplicates", bytes("[Recent]\n0=a\n[B]\nx=1\n[RECENT]\n1=b"), none, none,
                 bytes("[B]\nx=1\n"));
        writeRow("delete absent", bytes("[B]\nx=1"), none, none, bytes("[B]\nx=1"));
        writeRow("delete, no file", QByteArray(), none, none, QByteArray());
        writeRow("delete key", bytes("[Recent]\n0=a\n1=b\n0=c\n"), "0", none,
                 bytes("[Recent]\n1=b\n"));
    }
    void writes()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        if (!before.isNull())
            put(m_ini, before);
        QVERIFY(WriteINI("Recent", orNull(key), orNull(value), m_ini));
        QCOMPARE(QFileInfo::exists(m_ini), !after.isNull());
        QCOMPARE(contents(m_ini), after);
        QCOMPARE(ReadINI("Recent", key.isNull() ? "0" : key, m_ini), value.isNull() ? "" : value);
    }

    void refusesWhatCannotComeBack_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        refuseRow("LF in value", "Recent", "0", "a\nb");
        refuseRow("CR in value", "Recent", "0", "a\rb");
        refuseRow("lone surrogate", "Recent", "0", QString(QChar(0xD800)));
        refuseRow("= in key", "Recent", "a=b", "v");
        refuseRow("empty key", "Recent", "", "v");
        refuseRow("blank around key", "Recent", " 0", "v");
        refuseRow("comment key", "Recent", ";0", "v");
        refuseRow("header key", "Recent", "[0]", "v");
        refuseRow("] in section", "Re]cent", "0", "v");
        refuseRow("empty section", "", "0", "v");
        refuseRow("value without key", "Recent", QString(), "v");
    }
    void refusesWhatCannotComeBack()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        const QByteArray before = bytes("[Recent]\n0=a\n");
        put(m_ini, before);
        QVERIFY(!WriteINI(section, orNull(key), orNull(value), m_ini));
        QCOMPARE(contents(m_ini), before);
    }

    // The recent list's first write into a program folder without config.ini.
    void recentListFile()
    {
        const QString path = QString::fromUtf16(u"/home/\u00fc/\u6587.hlp");
        const QByteArray expected = "[Recent]\n0=" + path.toUtf8() + "\n1=\n2=\n3=\n4=\n";
        for (int i = 0; i < 5; ++i)
            QVERIFY(WriteINI("Recent", QString::number(i), i == 0 ? path : "", m_ini));
        QCOMPARE(contents(m_ini), expected);

        const QString batchFile = m_dir->filePath("batch.ini");
        IniFile ini = IniFile::load(batchFile);
        QVERIFY(ini.isValid());
        for (int i = 0; i < 5; ++i)
            QVERIFY(ini.setValue("Recent", QString::number(i), i == 0 ? path : ""));
        QVERIFY(ini.save(batchFile));
        QCOMPARE(contents(batchFile), expected);
    }

    void roundTrips_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("value");
        roundTripRow("backslashes", "a", "C:\\Games\\Sky rend\\Commands.hlp");
        roundTripRow("accents", QString::fromUtf16(u"\u00e9t\u00e9"),
                     QString::fromUtf16(u"/home/Zo\u00eb/na\u00efve caf\u00e9.hlp"));
        roundTripRow("CJK", QString::fromUtf16(u"\u8a2d\u5b9a"),
                     QString::fromUtf16(u"/\u30c7\u30fc\u30bf/\u5e2e\u52a9 \U0001F600"));
        roundTripRow("INI characters", "b", "/x/[a]=b;c#d\"e\"%G&f\\");
        roundTripRow("long", "c", "/" + QString(3000, u'\u00e9'));
    }
    void roundTrips()
    {
        QFETCH(QString, folder);
        QFETCH(QString, value);
        QVERIFY(QDir(m_dir->path()).mkdir(folder));
        const QString file = m_dir->filePath(folder + "/config.ini");
        put(file, "[B]\nx=1\n");
        QVERIFY(WriteINI("Recent", "0", value, file));
        QCOMPARE(ReadINI("Recent", "0", file), value);
        QCOMPARE(contents(file), "[B]\nx=1\n[Recent]\n0=" + value.toUtf8() + "\n");
    }

    // Nothing is read from or written over a file that is not a usable config.ini, and a
    // failed write leaves no temporary file behind.
    void unusableTargets_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("folder") << "folder";
        QTest::newRow("missing folder") << "missing";
        QTest::newRow("too large") << "large";
        QTest::newRow("pipe") << "pipe";
        QTest::newRow("read-only folder") << "read-only";
    }
    void unusableTargets()
    {
        QFETCH(QString, target);
        const QByteArray text = "[Recent]\n0=a\n";
        QString file = m_ini;
        if (target == "folder") {
            QVERIFY(QDir(m_dir->path()).mkdir("config.ini"));
        } else if (target == "missing") {
            file = m_dir->filePath("gone/config.ini");
        } else if (target == "large") {
            QFile big(m_ini);
            QVERIFY(big.open(QIODevice::WriteOnly) && big.write(text) == text.size());
            QVERIFY(big.resize(64 * 1024 * 1024 + 1)); // sparse, so cheap
        } else if (target == "pipe") {
            QCOMPARE(mkfifo(QFile::encodeName(m_ini).constData(), 0600), 0); // opening would block
        } else {
            if (geteuid() == 0)
                QSKIP("root may write into a read-only folder");
            put(m_ini, text);
            QVERIFY(QFile::setPermissions(m_dir->path(),
                                          QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        }
        const auto listing = [&] { return QDir(m_dir->path()).entryList(QDir::AllEntries); };
        const QStringList filesBefore = listing();
        const qint64 sizeBefore = QFileInfo(file).size();
        const auto head = [&] { return QFileInfo(file).isFile() ? contents(file).left(20) : ""; };
        const QByteArray headBefore = head();

        QCOMPARE(ReadINI("Recent", "0", file), target == "read-only" ? "a" : "");
        QVERIFY(!IniFile::load(file).save(file));
        QVERIFY(!WriteINI("Recent", "0", "b", file));
        // Deleting from a file that is not there needs no write, so it succeeds.
        QCOMPARE(WriteINI("Recent", std::nullopt, std::nullopt, file), target == "missing");

        QCOMPARE(listing(), filesBefore);
        QCOMPARE(QFileInfo(file).isDir(), target == "folder");
        QCOMPARE(QFileInfo(file).isFile(), target == "large" || target == "read-only");
        QCOMPARE(QFileInfo(file).size(), sizeBefore);
        QCOMPARE(head(), headBefore);
    }

    // Hostile large files: many lines, one huge line, a huge number of duplicate sections. A
    // quadratic reader would run into the test's time limit here.
    void largeFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QByteArray lines;
        for (int i = 0; lines.size() < 10'000'000; ++i)
            lines += "[S" + QByteArray::number(i % 997) + "]\nkey=some value\n; note\n";
        QTest::newRow("10 MB of lines") << lines + "[Recent]\n0=x\n";
        QTest::newRow("one 10 MB line") << "[Recent]\n0=x\n" + QByteArray(10'000'000, '\xe9');
        QByteArray duplicates;
        while (duplicates.size() < 10'000'000)
            duplicates += "[Recent]\n0=x\n";
        QTest::newRow("duplicate sections") << duplicates;
    }
    void largeFiles()
    {
        QFETCH(QByteArray, file);
        put(m_ini, file);
        QCOMPARE(ReadINI("Recent", "0", m_ini), "x");
        QVERIFY(WriteINI("Recent", "1", "y", m_ini));
        QCOMPARE(ReadINI("Recent", "1", m_ini), "y");
        QVERIFY(WriteINI("Recent", std::nullopt, std::nullopt, m_ini));
        QCOMPARE(ReadINI("Recent", "0", m_ini), "");
    }

    // Random files of real and broken lines: a write reads back, changes nothing it was not
    // asked to, and never touches another line.
    // A small file is read and written in little memory: a child process with its address
    // space capped 32 MiB above what it uses reads and writes config.ini, where one read of
    // the whole size limit (64 MiB) would fail.
    void smallFileSmallMemory()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer reserves more address space than any cap would leave");
#else
        put(m_ini, "[Recent]\r\n0=a\r\n");
        const int exit = exitOfCappedChild(
            [this] {
                return ReadINI("Recent", "0", m_ini) == QStringLiteral("a") &&
                       WriteINI("Recent", "1", "b", m_ini) &&
                       ReadINI("Recent", "1", m_ini) == QStringLiteral("b");
            },
            rlim_t(32) << 20);
        QCOMPARE(exit, 0);
#endif
    }

    void randomFiles()
    {
        const QList<QByteArray> pieces = {"[A]",   "[Recent]", "[recent]", "[B]", "0=v", "1=w",
                                          "x= y ", "; c",      "",         "[",   "=",   "1"};
        const QStringList sections = {"A", "Recent", "B"};
        const QStringList keys = {"0", "1", "x"};
        const auto snapshot = [&] {
            QStringList values;
            for (const QString& s : sections)
                for (const QString& k : keys)
                    values << ReadINI(s, k, m_ini);
            return values;
        };
        for (quint32 seed = 1; seed <= 300; ++seed) {
            QRandomGenerator random(seed);
            QByteArray text = random.bounded(4) == 0 ? QByteArray("\xEF\xBB\xBF") : QByteArray();
            const QByteArray lineBreak = random.bounded(2) ? "\r\n" : "\n";
            for (int n = random.bounded(12); n > 0; --n) {
                if (random.bounded(6) == 0) {
                    for (int b = random.bounded(8); b > 0; --b)
                        text += char(random.bounded(256));
                } else {
                    text += pieces.at(random.bounded(pieces.size())) + lineBreak;
                }
            }
            put(m_ini, text);
            const QStringList before = snapshot();

            QVERIFY(WriteINI("Recent", "1", "new", m_ini));
            QStringList expected = before;
            expected[keys.size() + 1] = "new";
            QCOMPARE(snapshot(), expected);
            const QByteArray written = contents(m_ini);
            qsizetype prefix = 0;
            while (prefix < text.size() && prefix < written.size() &&
                   text[prefix] == written[prefix])
                ++prefix;
            qsizetype suffix = 0;
            while (suffix < text.size() - prefix && suffix < written.size() - prefix &&
                   text[text.size() - 1 - suffix] == written[written.size() - 1 - suffix])
                ++suffix;
            QVERIFY2(!text.mid(prefix, text.size() - prefix - suffix).contains('\n'),
                     qPrintable("seed " + QString::number(seed)));

            QVERIFY(WriteINI("Recent", std::nullopt, std::nullopt, m_ini));
            for (int k = 0; k < keys.size(); ++k)
                expected[keys.size() + k] = "";
            QCOMPARE(snapshot(), expected);
        }
    }
};

QTEST_APPLESS_MAIN(tst_IniFile)
#include "tst_inifile.moc"
