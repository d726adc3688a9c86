// SPDX-License-Identifier: MIT

#include "TagViewBench.h"

#include "BenchTiming.h"
#include "editor/TagView.h"
#include "editor/TagViewSwitch.h"
#include "editor/frmMain.h"

#include <QAction>
#include <QCoreApplication>
#include <QTest>
#include <QTextBlock>

#include <algorithm>
#include <cstdio>

namespace {

void printSpread(const char* name, std::vector<double> ms)
{
    const auto [low, high] = std::minmax_element(ms.begin(), ms.end());
    std::printf("%s: %.1f  (%zu runs, lowest %.1f, highest %.1f)\n", name, median(ms), ms.size(),
                *low, *high);
    std::fflush(stdout);
}

} // namespace

bool benchTagView(frmMain& window, const QString& path)
{
    window.OpenFile(path);
    const QString before = window.rEdit->toPlainText();
    // The caret in the middle, so both boxes scroll there.
    QTextCursor c(window.rEdit->document()->findBlockByNumber(window.rEdit->blockCount() / 2));
    window.rEdit->setTextCursor(c);
    std::vector<double> there, back;
    bool ok = true;
    for (int round = 0; round < 7; ++round) {
        there.push_back(elapsedMs([&] {
            window.menu_ShowTags->trigger();
            QCoreApplication::processEvents();
        }));
        QTest::keyClicks(window.tagView, QStringLiteral("x"));
        QTest::keyClick(window.tagView, Qt::Key_Backspace);
        back.push_back(elapsedMs([&] {
            window.menu_ShowTags->trigger();
            QCoreApplication::processEvents();
        }));
        ok = ok && !window.tagViews->isShown() && window.rEdit->toPlainText() == before;
    }
    printSpread("tagview_toggle_1mib_ms", there);
    printSpread("tagview_back_1mib_ms", back);
    return ok;
}
