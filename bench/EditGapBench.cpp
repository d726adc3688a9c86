// SPDX-License-Identifier: MIT

#include "EditGapBench.h"

#include "BenchTiming.h"
#include "editor/frmMain.h"
#include "panels/PagesPanel.h"
#include "panels/ProblemsPanel.h"
#include "panels/SidePanels.h"
#include "safety/RecoveryGuard.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Runs the event loop for `ms`, as the user's pause does.
void runLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void postKey(QWidget* target, char c)
{
    const QString text{QLatin1Char(c)};
    const int key = Qt::Key_A + (c - 'a');
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
    QCoreApplication::postEvent(target,
                                new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
}

// The longest time between two turns of the event loop while "abc" is typed three times with
// pauses, measured by a timer that asks to run every millisecond.
double longestHoldWhileTyping(frmMain& window)
{
    QElapsedTimer clock;
    std::vector<qint64> turns;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] { turns.push_back(clock.nsecsElapsed()); });
    clock.start();
    tick.start();
    for (int burst = 0; burst < 3; ++burst) {
        for (const char c : {'a', 'b', 'c'})
            postKey(window.rEdit, c);
        runLoop(4000);
    }
    tick.stop();
    double longest = 0;
    for (std::size_t i = 1; i < turns.size(); ++i)
        longest = std::max(longest, double(turns[i] - turns[i - 1]) / 1e6);
    return longest;
}

void openForTyping(frmMain& window, const QString& path)
{
    window.OpenFile(path);
    window.sidePanels->pages->show();
    window.sidePanels->problems->show();
    window.sidePanels->refreshNow();
    while (window.sidePanels->refreshPending())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    window.rEdit->setFocus();
    window.rEdit->setSelStart(window.rEdit->TextLength() / 2);
    runLoop(300);
}

double residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return -1;
}

} // namespace

bool benchEditGaps(frmMain& window, const QString& path1, const QString& path10)
{
    openForTyping(window, path1);
    print("edit_max_gap_1mib_ms", longestHoldWhileTyping(window));

    openForTyping(window, path10);
    print("rss_10mib_mb", residentMb(), 0);
    print("edit_max_gap_10mib_ms", longestHoldWhileTyping(window));

    // The panels after a one-line edit.
    std::vector<double> refresh;
    for (int i = 0; i < 7; ++i) {
        postKey(window.rEdit, 'x');
        QCoreApplication::processEvents();
        refresh.push_back(elapsedMs([&] { window.sidePanels->refreshNow(); }));
    }
    const auto [low, high] = std::minmax_element(refresh.begin(), refresh.end());
    std::printf("panels_refresh_10mib_ms: %.2f  (7 runs, lowest %.2f, highest %.2f)\n",
                median(refresh), *low, *high);

    // The window thread's part of a recovery write: taking the lines and starting the worker.
    auto* guard = window.findChild<safety::RecoveryGuard*>();
    std::vector<double> recovery;
    for (int i = 0; guard && i < 7; ++i) {
        postKey(window.rEdit, 'y');
        QCoreApplication::processEvents();
        recovery.push_back(elapsedMs([&] { guard->writeAside(); }));
        while (guard->writing())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    if (!recovery.empty()) {
        const auto [rlow, rhigh] = std::minmax_element(recovery.begin(), recovery.end());
        std::printf("recovery_ui_ms_10mib: %.2f  (7 runs, lowest %.2f, highest %.2f)\n",
                    median(recovery), *rlow, *rhigh);
    }
    std::fflush(stdout);
    return guard != nullptr && !guard->currentCopy().isEmpty();
}
