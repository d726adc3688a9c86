// The editor's start: the command line, then the main window.

#include "editor/ProgramIcon.h"
#include "editor/frmMain.h"
#include "platform/QtDesktop.h"
#include "safety/TerminationSignals.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

namespace {

const char* const kUsage = "Usage: skyrend-f1-editor [FILE]\n"
                           "Edit a Skyrend F1 help file (Commands.hlp) as coloured text.\n"
                           "\n"
                           "  FILE        open this file at start\n"
                           "  --help      show this help and exit\n"
                           "  --version   show the version and exit\n";

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
    QString file;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (!optionsEnded && (arg == QLatin1String("--help") || arg == QLatin1String("-h"))) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (!optionsEnded && arg == QLatin1String("--version")) {
            std::printf("skyrend-f1-editor %d.%d\n", SKYREND_VERSION_MAJOR, SKYREND_VERSION_MINOR);
            return 0;
        }
        if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            std::fprintf(stderr, "skyrend-f1-editor: unknown option %s\n%s", argv[i], kUsage);
            return 2;
        }
        if (!file.isEmpty()) {
            std::fprintf(stderr, "skyrend-f1-editor: one file at a time\n%s", kUsage);
            return 2;
        }
        file = QFileInfo(arg).absoluteFilePath();
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Skyrend F1 Editor"));
    // Ties the window to its desktop entry (and icon) where the desktop asks, as Wayland does.
    QGuiApplication::setDesktopFileName(QStringLiteral("skyrend-f1-editor"));
    QApplication::setWindowIcon(programIcon()); // the dialogs' too
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(SKYREND_VERSION_MAJOR).arg(SKYREND_VERSION_MINOR));
    return Main(app, file);
}
