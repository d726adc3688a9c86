// SPDX-License-Identifier: MIT

#include <QtTest>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "StorageTestKit.h"

namespace {

struct Result {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the tool with `input` on its standard input, or the file `inputFile` when one is named.
Result run(const QStringList& args, const QByteArray& input = {}, const QString& inputFile = {})
{
    QProcess p;
    if (!inputFile.isEmpty())
        p.setStandardInputFile(inputFile);
    p.start(QStringLiteral(SKYREND_BIN_DIR "/skyrend-f1"), args);
    if (inputFile.isEmpty()) {
        p.write(input);
        p.closeWriteChannel();
    }
    Result r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.code = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QString fixture(const char* name)
{
    return QStringLiteral(SKYREND_TEST_DATA "/cli/") + name;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// JSON written with ' for ", to keep the test data readable.
QByteArray j(const char* text)
{
    return QByteArray(text).replace('\'', '"');
}

// An error is one line on standard error.
bool isOneLine(const QByteArray& err)
{
    return err.count('\n') == 1 && err.endsWith('\n');
}

} // namespace

class tst_Cli : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString temp(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void usage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("stdoutPart");
        QTest::addColumn<QString>("stderrPart");
        QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: skyrend-f1"
                              << "";
        QTest::newRow("help after command") << QStringList{"check", "-h"} << 0 << "normalize FILE"
                                            << "";
        QTest::newRow("version") << QStringList{"--version"} << 0
                                 << "skyrend-f1 " SKYREND_EXPECTED_VERSION "\n"
                                 << "";
        QTest::newRow("nothing") << QStringList{} << 2 << ""
                                 << "no command";
        QTest::newRow("unknown command") << QStringList{"render", "x"} << 2 << ""
                                         << "unknown command";
        QTest::newRow("unknown option") << QStringList{"decode", "--fast", "x"} << 2 << ""
                                        << "unknown option";
        QTest::newRow("two files for decode") << QStringList{"decode", "a", "b"} << 2 << ""
                                              << "one FILE";
        QTest::newRow("-o without name") << QStringList{"normalize", "a", "-o"} << 2 << ""
                                         << "needs a file name";
        QTest::newRow("-o for decode") << QStringList{"decode", "a", "-o", "b"} << 2 << ""
                                       << "belongs to normalize";
        QTest::newRow("--shown for check") << QStringList{"check", "--shown", "a"} << 2 << ""
                                           << "--shown belongs to decode";
        QTest::newRow("check without files") << QStringList{"check"} << 2 << ""
                                             << "at least one";
        QTest::newRow("standard input twice") << QStringList{"check", "-", "x", "-"} << 2 << ""
                                              << "only once";
        QTest::newRow("help names standard input")
            << QStringList{"--help"} << 0 << "skyrend-f1 encode -"
            << "";
    }
    void usage()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, stdoutPart);
        QFETCH(QString, stderrPart);
        const Result r = run(args);
        QCOMPARE(r.code, code);
        QVERIFY2(QString::fromUtf8(r.out).contains(stdoutPart), r.out.constData());
        QVERIFY2(QString::fromUtf8(r.err).contains(stderrPart), r.err.constData());
        if (code != 0)
            QVERIFY(r.out.isEmpty());
    }

    void unreadableInput_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("decode") << "decode";
        QTest::newRow("encode") << "encode";
        QTest::newRow("normalize") << "normalize";
        QTest::newRow("check") << "check";
    }
    void unreadableInput()
    {
        QFETCH(QString, command);
        for (const QString& path : {temp("does-not-exist"), m_dir.path()}) {
            const Result r = run({command, path});
            QCOMPARE(r.code, 2);
            QVERIFY(r.out.isEmpty());
            QVERIFY2(isOneLine(r.err) && r.err.contains(path.toUtf8()), r.err.constData());
        }
    }

    // "-" reads standard input: every command gives what it gives for the same bytes in a file,
    // with "-" where it names the file. "@" in the arguments is where the input goes.
    void standardInputActsAsAFile_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        const QByteArray sample = readAll(fixture("commands.hlp"));
        const QByteArray faulty = readAll(fixture("faulty.hlp"));
        // Random bytes with many tags and line breaks, longer than one read.
        QRandomGenerator random(7);
        QByteArray noise;
        const char pieces[][4] = {"%R", "%K", "%", "#", "\r\n", "\n", "\r", "%%", "\x80", "a"};
        while (noise.size() < 300000)
            noise += random.bounded(4) == 0 ? QByteArray(1, char(random.bounded(256)))
                                            : QByteArray(pieces[random.bounded(10)]);
        const QByteArray sampleJson = run({"decode", fixture("commands.hlp")}).out;
        QVERIFY(!sampleJson.isEmpty());

        QTest::newRow("decode") << QStringList{"decode", "@"} << sample;
        QTest::newRow("decode, nothing") << QStringList{"decode", "@"} << QByteArray();
        QTest::newRow("decode, random bytes") << QStringList{"decode", "@"} << noise;
        QTest::newRow("encode") << QStringList{"encode", "@"} << sampleJson;
        QTest::newRow("encode, unkeepable")
            << QStringList{"encode", "@"}
            << j("{'text':'x%Ry','runs':[{'start':0,'length':4,'color':'G'}]}");
        QTest::newRow("encode, malformed") << QStringList{"encode", "@"} << j("{'text':'a'");
        QTest::newRow("normalize") << QStringList{"normalize", "@"} << noise;
        QTest::newRow("normalize to a file")
            << QStringList{"normalize", "@", "-o", "<out>"} << sample;
        QTest::newRow("check") << QStringList{"check", "@"} << faulty;
        QTest::newRow("check among files")
            << QStringList{"check", fixture("faulty.hlp"), "@", fixture("commands.hlp")} << faulty;
        QTest::newRow("after --") << QStringList{"check", "--", "@"} << faulty;
    }
    void standardInputActsAsAFile()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        const QString file = temp("stdin-twin.hlp");
        QVERIFY(writeAll(file, input));
        auto runWith = [&](const QString& name, const QByteArray& stdinBytes, const QString& out) {
            QStringList a = args;
            a.replaceInStrings(QStringLiteral("@"), name);
            a.replaceInStrings(QStringLiteral("<out>"), out);
            QFile::remove(out);
            Result r = run(a, stdinBytes);
            // Names of the input read as "-", so the two runs can be compared.
            r.out.replace(file.toUtf8(), "-");
            r.err.replace(file.toUtf8(), "-");
            return std::pair{r, readAll(out)};
        };
        const auto [fromFile, fileOut] = runWith(file, {}, temp("out-file.hlp"));
        const auto [fromStdin, stdinOut] = runWith("-", input, temp("out-stdin.hlp"));
        QVERIFY2(fromFile.code >= 0, "the tool did not end normally");
        QCOMPARE(fromStdin.code, fromFile.code);
        QCOMPARE(fromStdin.err, fromFile.err);
        QVERIFY(fromStdin.out == fromFile.out);
        QCOMPARE(stdinOut, fileOut);
        QVERIFY(!fromStdin.err.contains("cannot read"));
    }

    // The pipeline of the manual: decode, a change to the JSON, encode from standard input.
    void pipeline()
    {
        const Result decoded = run({"decode", fixture("commands.hlp")});
        QCOMPARE(decoded.code, 0);
        const QByteArray changed = QByteArray(decoded.out).replace("Warning:", "Caution:");
        QVERIFY(changed != decoded.out);
        const Result encoded = run({"encode", "-"}, changed);
        QCOMPARE(encoded.code, 0);
        QCOMPARE(encoded.out,
                 QByteArray(readAll(fixture("commands.hlp"))).replace("Warning:", "Caution:"));
    }

    void unreadableStandardInput_data() { unreadableInput_data(); }
    void unreadableStandardInput()
    {
        QFETCH(QString, command);
        const Result r = run({command, "-"}, {}, m_dir.path()); // a folder cannot be read
        QCOMPARE(r.code, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(isOneLine(r.err) && r.err.contains("cannot read standard input"),
                 r.err.constData());
    }

    void decodes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("empty") << QByteArray() << j("{'text': '', 'runs': []}\n");
        QTest::newRow("line breaks as the editor holds them, final one dropped")
            << QByteArray("a\rb\nc\r\n")
            << j("{'text': 'a\\r\\nb\\r\\nc', 'runs': [{'start': 0, 'length': 7, 'color': "
                 "'G'}]}\n");
        QTest::newRow("Windows-1252 to UTF-8, control characters escaped")
            << QByteArray("%p\x80\x01\"")
            << j("{'text': '\xe2\x82\xac\\u0001\\'', 'runs': [{'start': 0, 'length': 3, 'color': "
                 "'p'}]}\n")
                   .replace("\\'", "\\\"");
        QTest::newRow("runs count characters")
            << QByteArray("\xe9%Rx%Gy")
            << j("{'text': '\xc3\xa9xy', 'runs': [{'start': 0, 'length': 1, 'color': 'G'}, "
                 "{'start': 1, 'length': 1, 'color': 'R'}, {'start': 2, 'length': 1, 'color': "
                 "'G'}]}\n");
    }
    void decodes()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, json);
        QVERIFY(writeAll(temp("in.hlp"), file));
        const Result r = run({"decode", temp("in.hlp")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, json);
        QVERIFY(r.err.isEmpty());
    }

    // decode prints the colours of the reading rules, --shown those the editor shows: the
    // same but where a tag cannot be written back, as inside a header line.
    void decodeShown()
    {
        QVERIFY(writeAll(temp("in.hlp"), "#A %Rred\r\nb%Gc"));
        const Result read = run({"decode", temp("in.hlp")});
        const Result shown = run({"decode", "--shown", temp("in.hlp")});
        QCOMPARE(read.code, 0);
        QCOMPARE(shown.code, 0);
        const QByteArray text = read.out.left(read.out.indexOf("\"runs\": ") + 8);
        QCOMPARE(read.out, text + j("[{'start': 0, 'length': 3, 'color': 'G'}, {'start': 3, "
                                    "'length': 6, 'color': 'R'}, {'start': 9, 'length': 1, "
                                    "'color': 'G'}]}\n"));
        QCOMPARE(shown.out, text + j("[{'start': 0, 'length': 8, 'color': 'G'}, {'start': 8, "
                                     "'length': 1, 'color': 'R'}, {'start': 9, 'length': 1, "
                                     "'color': 'G'}]}\n"));
    }

    // The sample file read by another JSON reader: the colours are where the tags put them,
    // and encode gives the file back byte for byte (the file is as the editor writes it).
    void decodeAndEncodeAgreeOnTheSampleFile()
    {
        const Result decoded = run({"decode", fixture("commands.hlp")});
        QCOMPARE(decoded.code, 0);
        QJsonParseError error;
        const QJsonObject doc = QJsonDocument::fromJson(decoded.out, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QString text = doc["text"].toString();
        QString colors(text.size(), u'?');
        qsizetype next = 0;
        for (const QJsonValue run : doc["runs"].toArray()) {
            const QJsonObject o = run.toObject();
            QCOMPARE(o["start"].toInt(), next);
            const QString letter = o["color"].toString();
            QCOMPARE(letter.size(), 1);
            for (int k = 0; k < o["length"].toInt(); ++k)
                colors[next++] = letter[0];
        }
        QCOMPARE(next, text.size());
        QVERIFY(!text.contains("%R") && !text.contains("%G") && text.contains("%KB_THOR"));
        auto colorOf = [&](const QString& word) {
            return colors.mid(text.indexOf(word), word.size());
        };
        QCOMPARE(colorOf("#Help"), QString("GGGGG"));
        QCOMPARE(colorOf("Warning:"), QString("RRRRRRRR"));
        QCOMPARE(colorOf("Blue"), QString("BBBB"));
        QCOMPARE(colorOf("Pink"), QString("pppp"));
        QCOMPARE(colorOf("Item #3 hot"), QString("WWWWWGGGRRR")); // '#' turns Green mid-line
        QCOMPARE(colorOf("\r\nover"), QString("PPPPPP")); // colour carries over the line break
        QVERIFY(text.endsWith(QString::fromUtf16(u"Caf\u00e9 \u20ac 5 each.")));

        QVERIFY(writeAll(temp("sample.json"), decoded.out));
        const Result encoded = run({"encode", temp("sample.json")});
        QCOMPARE(encoded.code, 0);
        QCOMPARE(encoded.out, readAll(fixture("commands.hlp")));
    }

    void encodes_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("err"); // without the folder of in.json
        const auto refused = [](const char* what) {
            return QStringLiteral("skyrend-f1: in.json:%1; nothing written\n").arg(what);
        };
        QTest::newRow("tags") << j("{'text':'#H\\r\\nab','runs':[{'start':0,'length':4,'color':'G'}"
                                   ",{'start':4,'length':2,'color':'B'}]}")
                              << 0 << QByteArray("#H\r\n%Bab\r\n") << "";
        QTest::newRow("colour values") << j("{'text':'ab','runs':[{'start':0,'length':1,'color':'#"
                                            "ce0808'},{'start':1,'length':1,'color':'#000000'}]}")
                                       << 0 << QByteArray("%Ra%Gb\r\n") << "";
        QTest::newRow("lone LF written as CR LF, and Windows-1252")
            << j("{'text':'\xe2\x82\xac\\n','runs':[{'start':0,'length':2,'color':'G'}]}") << 0
            << QByteArray("\x80\r\n\r\n") << "";
        QTest::newRow("unkeepable text is refused whole")
            << j("{'text':'ok\\r\\nx%Ry','runs':[{'start':0,'length':8,'color':'G'}]}") << 1
            << QByteArray() << refused("2:2: \"%R\" is read as a colour tag");
        QTest::newRow("every unkeepable place")
            << j("{'text':'%%a %Gb','runs':[{'start':0,'length':7,'color':'G'}]}") << 1
            << QByteArray()
            << refused("1:1: the first \"%\" of \"%%\" is dropped when the file is read") +
                   refused("1:5: \"%G\" is read as a colour tag");
    }
    void encodes()
    {
        QFETCH(QByteArray, json);
        QFETCH(int, code);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, err);
        QVERIFY(writeAll(temp("in.json"), json));
        const Result r = run({"encode", temp("in.json")});
        QCOMPARE(r.code, code);
        QCOMPARE(r.out, bytes);
        QCOMPARE(QString::fromUtf8(r.err).remove(m_dir.path() + u'/'), err);
    }

    void encodeRefuses_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("stderrPart");
        QTest::newRow("malformed") << j("{'text':'a','runs':[}") << "in.json:1:21: ";
        QTest::newRow("not JSON at all") << QByteArray("#Help\r\n") << "in.json:1:1: ";
        QTest::newRow("unknown colour letter")
            << j("{'text':'a','runs':[{'start':0,'length':1,'color':'b'}]}")
            << "unknown colour \"b\"";
        QTest::newRow("no byte in Windows-1252")
            << j("{'text':'\xd0\x96','runs':[{'start':0,'length':1,'color':'G'}]}") << "U+0416";
        QTest::newRow("runs do not cover")
            << j("{'text':'abc','runs':[{'start':0,'length':1,'color':'G'}]}") << "cover 1";
    }
    void encodeRefuses()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, stderrPart);
        QVERIFY(writeAll(temp("in.json"), json));
        const Result r = run({"encode", temp("in.json")});
        QCOMPARE(r.code, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(isOneLine(r.err) && r.err.contains(stderrPart.toUtf8()), r.err.constData());
    }

    void normalizeIsWhatTheEditorWrites_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("written by the editor")
            << readAll(fixture("commands.hlp")) << readAll(fixture("commands.hlp"));
        QTest::newRow("no final line break") << QByteArray("#H\r\nx") << QByteArray("#H\r\nx\r\n");
        QTest::newRow("lone line breaks") << QByteArray("a\nb\r") << QByteArray("a\r\nb\r\n");
        QTest::newRow("needless tags")
            << QByteArray("%G#H %R(x)\r\n%Ra%Rb%%K") << QByteArray("#H (x)\r\n%Rab%K\r\n");
        QTest::newRow("empty") << QByteArray() << QByteArray("\r\n");
    }
    void normalizeIsWhatTheEditorWrites()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, expected);
        QVERIFY(writeAll(temp("n.hlp"), file));
        const Result once = run({"normalize", temp("n.hlp")});
        QCOMPARE(once.code, 0);
        QCOMPARE(once.out, expected);
        QVERIFY(writeAll(temp("n2.hlp"), once.out));
        const Result twice = run({"normalize", temp("n2.hlp")});
        QCOMPARE(twice.out, once.out);
    }

    void normalizeWritesOutputFile()
    {
        QTemporaryDir dir;
        const QString in = dir.filePath("in.hlp");
        const QString out = dir.filePath("out.hlp");
        QVERIFY(writeAll(in, "a%Rb\n"));

        QCOMPARE(run({"normalize", in, "-o", out}).code, 0); // new file
        QCOMPARE(readAll(out), QByteArray("a%Rb\r\n"));

        QVERIFY(writeAll(out, QByteArray(100000, 'x'))); // a longer old file is replaced whole
        QVERIFY(QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(run({"-o", out, "normalize", in}).code, 0);
        QCOMPARE(readAll(out), QByteArray("a%Rb\r\n"));
        QCOMPARE(QFile::permissions(out) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);

        QCOMPARE(run({"normalize", in, "-o", in}).code, 0); // in place
        QCOMPARE(readAll(in), QByteArray("a%Rb\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"in.hlp", "out.hlp"}));
    }

    void normalizeLeavesNothingWhenItCannotWrite()
    {
        QTemporaryDir dir;
        const QString in = dir.filePath("in.hlp");
        QVERIFY(writeAll(in, "#H\r\n"));
        QVERIFY(QDir(dir.path()).mkdir("folder"));
        for (const QString& out : {dir.filePath("missing/out.hlp"), dir.filePath("folder")}) {
            const Result r = run({"normalize", in, "-o", out});
            QCOMPARE(r.code, 2);
            QVERIFY2(isOneLine(r.err) && r.err.contains("cannot write"), r.err.constData());
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList({"folder", "in.hlp"}));
        QVERIFY(QDir(dir.filePath("folder")).isEmpty());
        QCOMPARE(readAll(in), QByteArray("#H\r\n"));
    }

    // -o over something that is no regular file: refused, and the thing is left as it was.
    void normalizeRefusesWhatIsNoRegularFile_data()
    {
        QTest::addColumn<kit::Node>("node");
        for (const kit::Node node :
             {kit::Node::Folder, kit::Node::FullDevice, kit::Node::Fifo, kit::Node::Socket})
            QTest::newRow(kit::kindOf(node)) << node;
    }
    void normalizeRefusesWhatIsNoRegularFile()
    {
        QFETCH(kit::Node, node);
        QTemporaryDir dir;
        const QByteArray out = dir.filePath("out.hlp").toLocal8Bit();
        QVERIFY(writeAll(dir.filePath("in.hlp"), "#H\r\n"));
        if (const std::string why = kit::make(node, out.constData()); !why.empty())
            QSKIP(why.c_str());
        const struct stat before = kit::lstatOf(out.constData());
        const Result r = run({"normalize", dir.filePath("in.hlp"), "-o", out});
        QCOMPARE(r.code, 2);
        QVERIFY(r.out.isEmpty());
        QCOMPARE(r.err, "skyrend-f1: cannot write '" + out + "': It is " + kit::kindOf(node) +
                            ", not a regular file; nothing was written\n");
        const struct stat after = kit::lstatOf(out.constData());
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_rdev, before.st_rdev);
        QCOMPARE(kit::namesIn(dir.path().toStdString()), QStringList({"in.hlp", "out.hlp"}));
    }

    // -o over a file of somebody else's with another name and a link to it: the file stays
    // theirs, with its mode, and every name sees the new text.
    void normalizeKeepsTheFileItWrites()
    {
        QTemporaryDir dir;
        const QString in = dir.filePath("in.hlp");
        const QByteArray file = dir.filePath("Commands.hlp").toLocal8Bit();
        QVERIFY(writeAll(in, "a%Rb\n"));
        QVERIFY(writeAll(file, QByteArray(70000, 'x')));
        QVERIFY(::chmod(file, 0640) == 0);
        const bool root = ::geteuid() == 0;
        if (root)
            QVERIFY(::chown(file, kit::kNobody, kit::kNobody) == 0);
        QVERIFY(::link(file, dir.filePath("other name").toLocal8Bit()) == 0);
        QVERIFY(QFile::link("Commands.hlp", dir.filePath("link")));
        const struct stat before = kit::lstatOf(file.constData());

        QCOMPARE(run({"normalize", in, "-o", dir.filePath("link")}).code, 0);
        for (const char* name : {"Commands.hlp", "other name", "link"})
            QCOMPARE(readAll(dir.filePath(name)), QByteArray("a%Rb\r\n"));
        QVERIFY(QFileInfo(dir.filePath("link")).isSymLink());
        const struct stat after = kit::lstatOf(file.constData());
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        QCOMPARE(kit::namesIn(dir.path().toStdString()),
                 QStringList({"Commands.hlp", "in.hlp", "link", "other name"}));
        if (!root)
            QSKIP("the owner of somebody else was not tried: that needs root");
    }

    // On a tiny disk of its own (a tmpfs in a mount namespace of the tool's, root only) that
    // has less room than the text: the message says the disk is full; the old file stays.
    void normalizeOnAFullDisk()
    {
        if (::geteuid() != 0)
            QSKIP("mounting a tiny disk needs root");
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("disk"));
        QVERIFY(writeAll(dir.filePath("in.hlp"), QByteArray(100000, 'n')));
        const QString script =
            QStringLiteral("mount -t tmpfs -o size=256k tmpfs \"$1\" || exit 77\n"
                           "printf old > \"$1/out.hlp\"\n"
                           "yes | head -c 200000 > \"$1/filler\"\n"
                           "\"$2\" normalize \"$3\" -o \"$1/out.hlp\"\n"
                           "echo \" $?\"; cat \"$1/out.hlp\"; echo; ls -A \"$1\"\n");
        QProcess p;
        p.start("unshare",
                {"--mount", "--propagation", "private", "sh", "-c", script, "sh",
                 dir.filePath("disk"), SKYREND_BIN_DIR "/skyrend-f1", dir.filePath("in.hlp")});
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0)
            QSKIP(qPrintable("no tiny disk here: " + p.readAllStandardError()));
        QCOMPARE(p.readAllStandardOutput(), QByteArray(" 2\nold\nfiller\nout.hlp\n"));
        const QByteArray err = p.readAllStandardError();
        QVERIFY2(isOneLine(err) &&
                     err.contains("/out.hlp': The disk is full: No space left on "
                                  "device (") &&
                     err.endsWith("); nothing was written\n"),
                 err.constData());
    }

    void check()
    {
        const Result clean = run({"check", fixture("commands.hlp")});
        QCOMPARE(clean.code, 0);
        QVERIFY(clean.out.isEmpty() && clean.err.isEmpty());

        const QString faulty = fixture("faulty.hlp");
        const Result found = run({"check", fixture("commands.hlp"), faulty});
        QCOMPARE(found.code, 1);
        const QStringList lines = QString::fromUtf8(found.out).split('\n', Qt::SkipEmptyParts);
        // What the Problems panel lists once the file is open: the tag in the header line (line
        // 2) and the "%%" (line 4) are not, as the editor shows neither and never saves them.
        const QStringList expected = {
            faulty + ":1:1: the first line is no header line",
            faulty + ":3:5: unknown key macro \"%KB_WARPED\"",
            faulty + ":3:19: unknown key macro \"%Kesc\"",
            faulty + ":3:30: \"%b\" is no colour tag (the tags are %W %P %Y %R %G %B %p)",
        };
        QCOMPARE(lines, expected);

        // Columns count the text as the editor shows it, without its tags.
        QVERIFY(writeAll(temp("tagged.hlp"), "#H\r\n%Rab %G%Kx"));
        const Result tagged = run({"check", temp("tagged.hlp")});
        QCOMPARE(tagged.out, (temp("tagged.hlp") + ":2:4: unknown key macro \"%Kx\"\n").toUtf8());

        // A file that cannot be read is an error, but the others are still checked.
        const Result mixed = run({"check", temp("missing.hlp"), faulty});
        QCOMPARE(mixed.code, 2);
        QCOMPARE(mixed.out, found.out);
        QVERIFY(isOneLine(mixed.err));
    }

    // About 10 MiB of help text with a header every 20 lines and frequent colour changes.
    void largeFile()
    {
        QRandomGenerator random(42);
        QByteArray file;
        const char letters[] = "WPYRGBp";
        for (int line = 0; file.size() < 10 * 1024 * 1024; ++line) {
            if (line % 20 == 0)
                file += "#Page " + QByteArray::number(line) + " (F1 for more options)";
            for (int k = 0; line % 20 != 0 && k < 60; ++k) {
                if (random.bounded(16) == 0)
                    file += QByteArray("%") + letters[random.bounded(7)];
                file += char(random.bounded(3) == 0 ? ' ' : 'a' + random.bounded(26));
            }
            file += "\r\n";
        }
        QVERIFY(writeAll(temp("big.hlp"), file));
        QElapsedTimer timer;
        timer.start();
        const Result normalized = run({"normalize", temp("big.hlp"), "-o", temp("big-n.hlp")});
        QCOMPARE(normalized.code, 0);
        const Result decoded = run({"decode", temp("big-n.hlp")});
        QCOMPARE(decoded.code, 0);
        QVERIFY(writeAll(temp("big.json"), decoded.out));
        const Result encoded = run({"encode", temp("big.json")});
        QCOMPARE(encoded.code, 0);
        QVERIFY(encoded.out == readAll(temp("big-n.hlp")));
        QCOMPARE(run({"check", temp("big-n.hlp")}).code, 0);
        qInfo("normalize, decode, encode and check of %lld bytes: %lld ms", qlonglong(file.size()),
              qlonglong(timer.elapsed()));
    }
};

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
