// SPDX-License-Identifier: MIT

#include "LongLineBench.h"
#include "BenchTiming.h"

#include "document/FileLimits.h"
#include "editor/frmMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A header line, then one line of `bytes` bytes with a colour tag before every 18 characters,
// as a help file colours its text.
std::string oneLongLine(std::size_t bytes)
{
    static const char* const kTags[] = {"%W", "%P", "%Y", "%R", "%G", "%B", "%p"};
    const std::string header = "#Long line\r\n";
    std::string out = header;
    out.reserve(header.size() + bytes + 20);
    for (std::size_t i = 0; out.size() < header.size() + bytes; ++i) {
        out += kTags[i % 7];
        out += "Warp drive on key ";
    }
    out.resize(header.size() + bytes);
    if (out.back() == '%')
        out.back() = 'x'; // no tag cut in half at the end
    return out;
}

bool writeFile(const QString& path, const std::string& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) &&
           f.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

void printSpread(const char* name, std::vector<double> ms)
{
    const auto [low, high] = std::minmax_element(ms.begin(), ms.end());
    std::printf("%s: %.1f  (%zu runs, lowest %.1f, highest %.1f)\n", name, median(ms), ms.size(),
                *low, *high);
    std::fflush(stdout);
}

} // namespace

bool benchLongLines(frmMain& window, const QString& folder, int& boxes)
{
    bool ok = true;
    constexpr int kRuns = 5;
    const QString refused = QDir(folder).filePath(QStringLiteral("long-line.hlp"));
    ok = writeFile(refused, oneLongLine(2 * 1024 * 1024)) && ok;
    std::vector<double> loadMs;
    for (int i = 0; i < kRuns; ++i) {
        const int before = boxes;
        loadMs.push_back(elapsedMs([&] {
            window.OpenFile(refused);
            while (window.isBusy())
                QCoreApplication::processEvents();
            QCoreApplication::processEvents();
        }));
        // One refusal, and the file is not the document.
        ok = ok && boxes == before + 1 && window.CurrentFile() != refused;
        boxes = before;
    }
    printSpread("long_line_load_ms", loadMs);

    const QString atLimit = QDir(folder).filePath(QStringLiteral("limit-line.hlp"));
    ok = writeFile(atLimit, oneLongLine(skyrend::kMaxLineCharacters)) && ok;
    window.OpenFile(atLimit);
    ok = ok && window.CurrentFile() == atLimit;
    RichTextBox& box = *window.rEdit;
    box.setFocus();
    box.setSelStart(box.TextLength() / 2);
    QCoreApplication::processEvents();
    std::vector<double> keyMs;
    for (int i = 0; i < 40; ++i)
        keyMs.push_back(elapsedMs([&] {
            QTest::keyClick(&box, "abcdefgh ij"[i % 11]);
            QCoreApplication::processEvents(); // shown
        }));
    printSpread("long_line_key_ms", keyMs);
    // The panels read the document a pause after the last key: not in the middle of the next
    // figure.
    QTest::qWait(400);

    // 10 MiB of lines at the limit: the longest stretch in which the event loop did not run (a
    // timer of no interval fires at every turn), against the open as a whole.
    std::string many = oneLongLine(skyrend::kMaxLineCharacters);
    const std::string line = many.substr(many.find('\n') + 1);
    while (many.size() < 10 * 1024 * 1024)
        many += "\r\n" + line;
    const QString manyPath = QDir(folder).filePath(QStringLiteral("limit-lines.hlp"));
    ok = writeFile(manyPath, many) && ok;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer turns;
    turns.setInterval(0);
    QObject::connect(&turns, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    turns.start();
    clock.start();
    window.OpenFile(manyPath);
    const qint64 opened = clock.nsecsElapsed();
    longest = std::max(longest, opened - last);
    turns.stop();
    ok = ok && window.CurrentFile() == manyPath;
    print("long_lines_10mib_open_ms", double(opened) / 1e6);
    print("long_lines_max_gap_ms", double(longest) / 1e6);
    return ok;
}
