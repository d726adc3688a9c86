// SPDX-License-Identifier: MIT

#include "FindBench.h"
#include "BenchTiming.h"

#include "editor/TypingColorSwatch.h"
#include "editor/frmMain.h"
#include "find/EditorFindSupport.h"
#include "find/FindBar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

bool benchFind(frmMain& window, const QString& path)
{
    bool ok = true;
    window.OpenFile(path);
    RichTextBox& box = *window.rEdit;

    // The bench document has no two-letter word: "the" is its commonest short one.
    find::FindOptions green;
    green.color = skyrend::ColorValues[skyrend::Green];
    std::size_t found = 0;
    const double findMs = timeMs(
        7, [] {},
        [&] {
            found =
                find::DocumentSearch(*box.document(), QStringLiteral("the"), green).all().size();
        });
    print("find_all_1mib_ms", findMs, 1);
    print("find_all_1mib_matches", double(found), 0);
    ok = ok && found > 0;

    // About 1,000 whole words "burst" in Blue: the colour filter and the word check at work.
    find::EditorFindSupport support(box);
    find::FindOptions blueWords;
    blueWords.wholeWords = true;
    blueWords.color = skyrend::ColorValues[skyrend::Blue];
    int replaced = 0;
    const double replaceMs = timeMs(
        5,
        [&] {
            window.OpenFile(path); // the file as loaded, untimed
            QCoreApplication::processEvents();
        },
        [&] {
            QString error;
            replaced = support.replaceAll(QStringLiteral("burst"), QStringLiteral("blast"),
                                          blueWords, &error);
            box.viewport()->repaint(); // the text as the user then sees it
        });
    print("replace_all_1mib_ms", replaceMs, 1);
    print("replace_all_1mib_replacements", replaced, 0);
    ok = ok && replaced >= 800;
    window.OpenFile(path);

    // Typing with the bar open and the swatch watching the caret, as the plain key figure types.
    window.findBar->openFind();
    box.setFocus();
    box.setSelStart(box.TextLength() / 2);
    QCoreApplication::processEvents();
    std::vector<double> us;
    typeShortLines(box, 1000, us);
    print("key_p99_findbar_us", percentile99(us), 0);
    ok = ok && !window.colorSwatch->colorName().isEmpty();
    window.findBar->close();
    return ok;
}
