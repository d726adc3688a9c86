// SPDX-License-Identifier: MIT

#include "PasteBench.h"
#include "BenchDocument.h"
#include "BenchTiming.h"

#include "document/Cp1252.h"
#include "document/HelpFormat.h"
#include "editor/frmMain.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

bool benchPaste(frmMain& window)
{
    const std::string file = makeBenchHelpFile(100 * 1024);
    const QString tagged = QString::fromStdU16String(skyrend::decodeCp1252(file));
    const std::u16string expected =
        skyrend::decodePastedText(tagged.toStdU16String(), skyrend::ColorValues[skyrend::Green])
            .text;
    RichTextBox& box = *window.rEdit;
    box.setFocus();
    bool ok = true;
    constexpr int kRuns = 7;
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        box.setText(QString());
        // As another program offers it: plain text alone.
        auto* data = new QMimeData;
        data->setText(tagged);
        QApplication::clipboard()->setMimeData(data);
        QCoreApplication::processEvents();
        ms.push_back(elapsedMs([&] {
            QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
            QCoreApplication::processEvents(); // the pasted text shown
        }));
        ok = ok && box.Text().toStdU16String() == expected;
    }
    const auto [low, high] = std::minmax_element(ms.begin(), ms.end());
    std::printf("paste_tagged_100kib_ms: %.1f  (%d runs, lowest %.1f, highest %.1f)\n", median(ms),
                kRuns, *low, *high);
    std::fflush(stdout);
    if (!ok)
        std::printf("paste_tagged_100kib: MISMATCH\n");
    return ok;
}
