// SPDX-License-Identifier: MIT

#include "PanelsBench.h"
#include "BenchTiming.h"

#include "editor/frmMain.h"
#include "panels/PagesPanel.h"
#include "panels/ProblemsPanel.h"
#include "panels/SidePanels.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

bool benchPanels(frmMain& window, const QString& path)
{
    panels::SidePanels& side = *window.sidePanels;
    window.OpenFile(path);
    side.pages->show();
    side.problems->show();
    QCoreApplication::processEvents();
    side.refreshNow();
    // A file just read has its lines' results made on a worker thread first.
    while (side.refreshPending())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    RichTextBox& box = *window.rEdit;
    box.setFocus();
    box.setSelStart(box.TextLength() / 2);

    // One typed character, then everything the panels do after the pause.
    const int runs = 7;
    auto edit = [&] {
        QTest::keyClick(&box, 'x');
        QCoreApplication::processEvents(); // paints; the pause has not passed yet
    };
    const double refreshMs = timeMs(runs, edit, [&] { side.refreshNow(); });
    const double pagesMs = timeMs(runs, edit, [&] { side.pages->refresh(); });
    const double problemsMs = timeMs(runs, edit, [&] { side.problems->refresh(); });
    // The part of it that reads the document's text and colours.
    const double readMs = timeMs(runs, edit, [&] { (void)box.coloredText(); });
    std::printf("panels_refresh_1mib_ms: %.1f\n", refreshMs);
    std::printf("panels_pages_1mib_ms: %.1f\n", pagesMs);
    std::printf("panels_problems_1mib_ms: %.1f\n", problemsMs);
    std::printf("panels_read_1mib_ms: %.1f\n", readMs);
    const auto problems = side.problems->problems().size();
    std::printf("panels_problems_found: %lld\n", static_cast<long long>(problems));

    // Typing with both panels open, as the key benchmark types.
    std::vector<double> keyUs;
    typeShortLines(box, 2000, keyUs);
    std::printf("key_p99_panels_us: %.0f\n", percentile99(keyUs));
    return side.pages->isVisible() && side.problems->isVisible();
}
