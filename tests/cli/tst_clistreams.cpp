// SPDX-License-Identifier: MIT
// skyrend-f1 with what is no plain file: standard output for "-o -", endless and oversized
// streams, FIFOs and devices, and text whose line breaks or characters need care.

#include <QtTest>

#include <QProcess>
#include <QTemporaryDir>

#include "document/FileLimits.h"

namespace {

const QString kLimit = QString::number(skyrend::kMaxHelpFileBytes);
const QByteArray kTooLarge = "It is larger than 64 MiB, the most that is read\n";

} // namespace

class tst_CliStreams : public QObject {
    Q_OBJECT
private slots:
    // Each row is a shell script run in an empty folder, with the tool as "$T", a faulty help
    // file as "$F", the size limit in bytes as "$L" and `json` in in.json. Its exit status,
    // standard output and standard error must be exactly those given.
    void runs_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        const QByteArray cannot = "skyrend-f1: cannot read ";
        // What check reports for the file "$F" under the name `name`.
        const auto faultyAs = [](const QByteArray& name) {
            return name + ":1:1: the first line is no header line\n" + name +
                   ":3:5: unknown key macro \"%KB_WARPED\"\n" + name +
                   ":3:19: unknown key macro \"%Kesc\"\n" + name +
                   ":3:30: \"%b\" is no colour tag (the tags are %W %P %Y %R %G %B %p)\n";
        };
        auto row = [](const char* name, const QString& script, int code, const QByteArray& out,
                      const QByteArray& err, const QByteArray& json = {}) {
            QTest::newRow(name) << script << json << code << out << err;
        };

        // "-o -" is standard output, for every command that writes to OUT; "./-" is a file.
        for (const char* command : {"normalize", "export --html", "export --bbcode"})
            row(qPrintable(QStringLiteral("%1 -o -").arg(command)),
                QStringLiteral("\"$T\" %1 \"$F\" -o - > piped && \"$T\" %1 \"$F\" -o file && "
                               "cmp piped file && ls")
                    .arg(command),
                0, "file\npiped\n", "");
        row("-o ./- names a file", "\"$T\" normalize \"$F\" -o ./- && ls", 0, "-\n", "");

        // Nothing is read beyond the limit, from a pipe, a FIFO or a device.
        row("standard input one byte over the limit",
            "head -c $((L + 1)) /dev/zero | \"$T\" check -", 2, "",
            cannot + "standard input: " + kTooLarge);
        row("standard input at the limit",
            "{ printf '#H\\r\\n'; head -c $((L - 4)) /dev/zero; } | \"$T\" check -", 1,
            "-:2:1: " + QByteArray::number(qlonglong(skyrend::kMaxHelpFileBytes - 4)) +
                " control characters (U+0000), which neither the editor nor the game shows\n",
            "");
        row("endless standard input", "\"$T\" check - < /dev/zero", 2, "",
            cannot + "standard input: " + kTooLarge);
        row("check of an endless device", "\"$T\" check /dev/zero", 2, "",
            cannot + "'/dev/zero': " + kTooLarge);
        row("decode of an endless device", "\"$T\" decode /dev/zero", 2, "",
            cannot + "'/dev/zero': " + kTooLarge);
        row("empty device", "\"$T\" decode /dev/null", 0, "{\"text\": \"\", \"runs\": []}\n", "");
        row("FIFO over the limit",
            "mkfifo p; head -c $((L + 1)) /dev/zero > p 2> /dev/null & \"$T\" decode p", 2, "",
            cannot + "'p': " + kTooLarge);
        row("FIFO with a help file", "mkfifo p; cat \"$F\" > p & \"$T\" check p", 1, faultyAs("p"),
            "");
        row("folder", "\"$T\" check .", 2, "",
            cannot + "'.': It is a folder, not a file or a pipe\n");
        row("folder as standard input", "\"$T\" decode - < .", 2, "",
            cannot + "standard input: It is a folder, not a file or a pipe\n");

        // A lone LF or CR is written as CR LF in its colour, so the file reads back as the text.
        const QByteArray lone = "{\"text\":\"a\\nb\\rc\",\"runs\":[{\"start\":0,\"length\":2,"
                                "\"color\":\"R\"},{\"start\":2,\"length\":3,\"color\":\"B\"}]}";
        row("encode of lone LF and CR", "\"$T\" encode in.json", 0, "%Ra\r\n%Bb\r\nc\r\n", "",
            lone);
        row("encode of lone LF and CR reads back",
            "\"$T\" encode - < in.json > out.hlp && \"$T\" decode out.hlp", 0,
            "{\"text\": \"a\\r\\nb\\r\\nc\", \"runs\": [{\"start\": 0, \"length\": 3, \"color\": "
            "\"R\"}, {\"start\": 3, \"length\": 4, \"color\": \"B\"}]}\n",
            "", lone);
        // A character outside the code page is named by its code point, not half of it.
        row("encode refuses an emoji", "\"$T\" encode in.json", 2, "",
            "skyrend-f1: in.json:1:9: the character U+1F600 at line 1, column 2 of the text has "
            "no byte in Windows-1252\n",
            "{\"text\":\"a\xf0\x9f\x98\x80\",\"runs\":[{\"start\":0,\"length\":3,\"color\":\"G\"}]"
            "}");
    }
    void runs()
    {
        QFETCH(QString, script);
        QFETCH(QByteArray, json);
        QFETCH(int, code);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        if (!json.isEmpty()) {
            QFile in(dir.filePath("in.json"));
            QVERIFY(in.open(QIODevice::WriteOnly) && in.write(json) == json.size());
        }
        QProcess p;
        p.setWorkingDirectory(dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("T", SKYREND_BIN_DIR "/skyrend-f1");
        env.insert("F", SKYREND_TEST_DATA "/cli/faulty.hlp");
        env.insert("L", kLimit);
        p.setProcessEnvironment(env);
        p.start("sh", {"-c", script});
        // A tool that reads on through an endless stream is stopped here and fails the row.
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished();
            QFAIL("the tool did not finish");
        }
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        const QByteArray gotErr = p.readAllStandardError();
        QCOMPARE(gotErr, err);
        QCOMPARE(p.readAllStandardOutput(), out);
        QCOMPARE(p.exitCode(), code);
    }
};

QTEST_GUILESS_MAIN(tst_CliStreams)
#include "tst_clistreams.moc"
