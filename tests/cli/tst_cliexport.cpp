// SPDX-License-Identifier: MIT
// skyrend-f1 export: the forms, where they go, and what it refuses.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString fixture(const QString& name)
{
    return QStringLiteral(SKYREND_TEST_DATA "/export/") + name;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

class tst_CliExport : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void run_data()
    {
        QTest::addColumn<QStringList>("args"); // "@OUT" is a file in a fresh folder
        QTest::addColumn<QString>("input");    // fixture on standard input, if any
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("expected"); // fixture the output equals; empty: no output
        QTest::addColumn<QString>("stderrPart");

        const QString hlp = fixture(u"pages.hlp"_qs);
        QTest::newRow("--html to standard output")
            << QStringList{"export", "--html", hlp} << QString() << 0 << u"pages.html"_qs << "";
        QTest::newRow("--bbcode to standard output")
            << QStringList{"export", "--bbcode", hlp} << QString() << 0 << u"pages.bbcode"_qs << "";
        QTest::newRow("--html with -o") << QStringList{"export", hlp, "-o", "@OUT", "--html"}
                                        << QString() << 0 << u"pages.html"_qs << "";
        QTest::newRow("--bbcode with -o") << QStringList{"export", "--bbcode", hlp, "-o", "@OUT"}
                                          << QString() << 0 << u"pages.bbcode"_qs << "";
        QTest::newRow("standard input")
            << QStringList{"export", "--bbcode", "-"} << hlp << 0 << u"pages.bbcode"_qs << "";
        QTest::newRow("missing file") << QStringList{"export", "--html", fixture(u"absent.hlp"_qs)}
                                      << QString() << 2 << QString() << "cannot read";
        QTest::newRow("bad option") << QStringList{"export", "--pdf", hlp} << QString() << 2
                                    << QString() << "unknown option '--pdf'";
        QTest::newRow("no form") << QStringList{"export", hlp} << QString() << 2 << QString()
                                 << "needs --html or --bbcode";
        QTest::newRow("two forms") << QStringList{"export", "--html", "--bbcode", hlp} << QString()
                                   << 2 << QString() << "one of --html and --bbcode";
        QTest::newRow("form for another command")
            << QStringList{"decode", "--html", hlp} << QString() << 2 << QString()
            << "belong to export";
        QTest::newRow("two files") << QStringList{"export", "--html", hlp, hlp} << QString() << 2
                                   << QString() << "one FILE";
        QTest::newRow("-o into a missing folder")
            << QStringList{"export", "--html", hlp, "-o", "@OUT/no/such"} << QString() << 2
            << QString() << "cannot write";
    }
    void run()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, input);
        QFETCH(int, code);
        QFETCH(QString, expected);
        QFETCH(QString, stderrPart);

        const QString out = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        for (QString& a : args)
            a.replace(u"@OUT"_qs, out);
        QProcess p;
        p.setStandardInputFile(input.isEmpty() ? QProcess::nullDevice() : input);
        p.start(QStringLiteral(SKYREND_BIN_DIR "/skyrend-f1"), args);
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        const QByteArray stdOut = p.readAllStandardOutput();
        const QByteArray stdErr = p.readAllStandardError();
        QVERIFY2(stdErr.contains(stderrPart.toUtf8()), stdErr.constData());
        QCOMPARE(p.exitCode(), code);

        const bool toFile = args.contains(u"-o"_qs);
        if (toFile)
            QCOMPARE(stdOut, QByteArray());
        if (code != 0) {
            QCOMPARE(stdOut, QByteArray());
            QVERIFY(!QFile::exists(out) || QFileInfo(out).isDir());
            return;
        }
        QCOMPARE(stdErr, QByteArray());
        QCOMPARE(toFile ? readAll(out) : stdOut, readAll(fixture(expected)));
    }
};

QTEST_GUILESS_MAIN(tst_CliExport)
#include "tst_cliexport.moc"
