// SPDX-License-Identifier: MIT
// The editor's start: the command line, then the main window.

#include "app/CommandLine.h"
#include "editor/ProgramIcon.h"
#include "editor/frmMain.h"
#include "platform/QtDesktop.h"
#include "safety/TerminationSignals.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

namespace {

using app::CommandLine;

// SIGTERM, SIGHUP and SIGINT (a logout without a session manager, a shutdown, kill): the
// unsaved edits go to the recovery copy, and the program ends normally without asking.
void endOnSignals(QApplication& app, safety::TerminationSignals& termination, frmMain& window)
{
    QObject::connect(&termination, &safety::TerminationSignals::requested, &window,
                     [&app, &window](int signal) {
                         window.session().endKeepingEdits([&app, signal](bool kept) {
                             if (!kept)
                                 std::fprintf(stderr, "skyrend-f1-editor: the unsaved edits "
                                                      "could not be kept\n");
                             app.exit(128 + signal);
                         });
                     });
    if (!termination.install())
        std::fprintf(stderr, "skyrend-f1-editor: cannot watch for termination signals\n");
}

// Creates the main window, shows it and opens the file given on the command line, if any.
int Main(QApplication& app, const QString& file)
{
    platform::QtDesktop desktop;
    frmMain window(desktop);
    safety::TerminationSignals termination;
    endOnSignals(app, termination, window);
    window.show();
    if (!file.isEmpty())
        QTimer::singleShot(0, &window, [&window, file] { window.OpenFile(file); });
    else
        QTimer::singleShot(0, &window, &frmMain::recoverAtStart);
    return app.exec();
}

} // namespace

int main(int argc, char** argv)
{
    // Answer --help and --version before Qt looks for a display.
    QStringList given;
    for (int i = 1; i < argc; ++i)
        given << QString::fromLocal8Bit(argv[i]);
    const auto answer = [](CommandLine::Action action) {
        if (action == CommandLine::Action::Help)
            std::fputs(qPrintable(CommandLine::usage()), stdout);
        else
            std::printf("skyrend-f1-editor %d.%d\n", SKYREND_VERSION_MAJOR, SKYREND_VERSION_MINOR);
        return 0;
    };
    if (const auto early = CommandLine::earlyAnswer(given))
        return answer(*early);

    // QApplication takes its own options (-platform, -style, ...) out of argv; the rest is ours.
    QApplication app(argc, argv);
    QStringList left;
    for (int i = 1; i < argc; ++i)
        left << QString::fromLocal8Bit(argv[i]);
    const CommandLine line = CommandLine::parse(left);
    if (line.action == CommandLine::Action::Refuse) {
        std::fprintf(stderr, "skyrend-f1-editor: %s\n%s", qPrintable(line.message),
                     qPrintable(CommandLine::usage()));
        return 2;
    }
    if (line.action != CommandLine::Action::Run)
        return answer(line.action);
    const QString file = line.file;

    QApplication::setApplicationName(QStringLiteral("Skyrend F1 Editor"));
    // Ties the window to its desktop entry (and icon) where the desktop asks, as Wayland does.
    QGuiApplication::setDesktopFileName(QStringLiteral("skyrend-f1-editor"));
    QApplication::setWindowIcon(programIcon()); // the dialogs' too
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(SKYREND_VERSION_MAJOR).arg(SKYREND_VERSION_MINOR));
    return Main(app, file);
}
