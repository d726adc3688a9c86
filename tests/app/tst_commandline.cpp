// SPDX-License-Identifier: MIT

#include "app/CommandLine.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

using app::CommandLine;
using Action = CommandLine::Action;

class tst_CommandLine : public QObject {
    Q_OBJECT

private slots:
    // What is left after Qt took its options.
    void parsesTheEditorsOwnArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("file"); // relative to the current folder
        QTest::addColumn<QString>("message");
        auto row = [](const char* name, QStringList args, Action action, const char* file = "",
                      const char* message = "") {
            QTest::newRow(name) << args << int(action) << QString::fromUtf8(file)
                                << QString::fromUtf8(message);
        };
        row("nothing", {}, Action::Run);
        row("a file", {"a.hlp"}, Action::Run, "a.hlp");
        row("help", {"--help"}, Action::Help);
        row("short help", {"-h"}, Action::Help);
        row("version after a file", {"a.hlp", "--version"}, Action::Version);
        row("unknown option", {"--bogus"}, Action::Refuse, "", "unknown option --bogus");
        row("unknown before help", {"-x", "--help"}, Action::Refuse, "", "unknown option -x");
        row("two files", {"a.hlp", "b.hlp"}, Action::Refuse, "", "one file at a time");
        row("dash is a file", {"-"}, Action::Run, "-");
        row("after --, options are files", {"--", "--help"}, Action::Run, "--help");
        row("after --, still one file", {"--", "a", "b"}, Action::Refuse, "", "one file at a time");
    }
    void parsesTheEditorsOwnArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(int, action);
        QFETCH(QString, file);
        QFETCH(QString, message);
        const CommandLine line = CommandLine::parse(args);
        QCOMPARE(int(line.action), action);
        QCOMPARE(line.file, file.isEmpty() ? QString() : QDir::current().absoluteFilePath(file));
        QCOMPARE(line.message, message);
    }

    // The real program: Qt's options are Qt's, the editor's still work, and an unknown option is
    // refused with the usage as before. Each row ends before a window would open.
    void theProgramLeavesQtItsOptions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const QString usage = CommandLine::usage();
        const QString version =
            QStringLiteral("skyrend-f1-editor %1\n").arg(QStringLiteral(SKYREND_EXPECTED_VERSION));
        auto row = [](const char* name, QStringList args, int code, QString out, QString err) {
            QTest::newRow(name) << args << code << out << err;
        };
        row("help", {"--help"}, 0, usage, "");
        row("version beside Qt options",
            {"-platform", "offscreen", "-style", "Fusion", "--version"}, 0, version, "");
        row("unknown option", {"--bogus"}, 2, "",
            QStringLiteral("skyrend-f1-editor: unknown option --bogus\n") + usage);
        row("unknown option after Qt's", {"-platform", "offscreen", "-style", "Fusion", "--bogus"},
            2, "", QStringLiteral("skyrend-f1-editor: unknown option --bogus\n") + usage);
        row("two files beside a Qt option", {"-style", "Fusion", "a.hlp", "b.hlp"}, 2, "",
            QStringLiteral("skyrend-f1-editor: one file at a time\n") + usage);
    }
    void theProgramLeavesQtItsOptions()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QProcess editor;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        editor.setProcessEnvironment(env);
        editor.start(QStringLiteral(SKYREND_BIN_DIR "/skyrend-f1-editor"), args);
        QVERIFY(editor.waitForFinished(60000));
        QCOMPARE(editor.exitStatus(), QProcess::NormalExit);
        QCOMPARE(QString::fromLocal8Bit(editor.readAllStandardOutput()), out);
        // Qt may warn about the machine first (no runtime folder, ...); ours comes last.
        const QString said = QString::fromLocal8Bit(editor.readAllStandardError());
        QVERIFY2((err.isEmpty() || said.endsWith(err)) &&
                     said.contains(QLatin1String("skyrend")) == !err.isEmpty(),
                 qPrintable(said));
        QCOMPARE(editor.exitCode(), exitCode);
    }
};

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
