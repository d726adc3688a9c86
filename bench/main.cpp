// SPDX-License-Identifier: MIT
// skyrend-f1-bench: speed of the codec, of loading and saving in the real window, and of typing.
// Prints "name: value" lines. Figures are medians of several runs.

#include "BenchDocument.h"
#include "BenchTiming.h"
#include "EditGapBench.h"
#include "FindBench.h"
#include "LongLineBench.h"
#include "PanelsBench.h"
#include "PasteBench.h"
#include "TagViewBench.h"

#include "document/Cp1252.h"
#include "document/HelpExport.h"
#include "document/HelpFormat.h"
#include "editor/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr std::size_t kMiB = 1024 * 1024;

// The real event loop, and no boxes: the benchmark document never asks anything.
class BenchDesktop : public platform::Desktop {
public:
    int boxes = 0;
    platform::Button messageBox(QWidget*, const platform::MessageBox&) override
    {
        ++boxes;
        return platform::Button::Ok;
    }
    QString inputBox(QWidget*, const QString&, const QString&, const QString&) override
    {
        return {};
    }
    std::optional<QString> openFileName(QWidget*, const QString&, const QString&,
                                        const QString&) override
    {
        return std::nullopt;
    }
    std::optional<QString> saveFileName(QWidget*, const QString&, const QString&,
                                        const QString&) override
    {
        return std::nullopt;
    }
    void yield() override
    {
        if (recording)
            turns.push_back(clock.nsecsElapsed());
        QCoreApplication::processEvents();
        if (recording)
            turns.push_back(clock.nsecsElapsed());
    }

    // Turns of the event loop: the start and end of each, in nanoseconds on `clock`.
    bool recording = false;
    QElapsedTimer clock;
    std::vector<qint64> turns;
};

// A ratio to the plain baseline that a busy shared machine cannot sway much: each round times
// the baseline right before and right after the work and divides by their mean; the ratio is
// the median of the rounds, printed with the lowest and highest round.
struct Ratio {
    double median;
    double lowest;
    double highest;
    double workMs; // median time of the work
};

Ratio ratioRounds(int rounds, const std::function<void()>& baseline,
                  const std::function<void()>& work)
{
    std::vector<double> ratios;
    std::vector<double> works;
    for (int i = 0; i < rounds; ++i) {
        const double before = elapsedMs(baseline);
        const double ms = elapsedMs(work);
        const double after = elapsedMs(baseline);
        ratios.push_back(ms / ((before + after) / 2));
        works.push_back(ms);
    }
    const auto [low, high] = std::minmax_element(ratios.begin(), ratios.end());
    return {median(ratios), *low, *high, median(works)};
}

void printRatio(const char* name, const Ratio& r, int rounds)
{
    std::printf("%s: %.2f  (%d rounds, lowest %.2f, highest %.2f)\n", name, r.median, rounds,
                r.lowest, r.highest);
    std::fflush(stdout);
}

// Milliseconds of the longest stretch in which the event loop did not run, from `start` to
// `end` (nanoseconds on the desktop's clock), given the turns it recorded between them.
double longestGapMs(const std::vector<qint64>& turns, qint64 start, qint64 end)
{
    qint64 longest = 0;
    qint64 from = start;
    for (std::size_t i = 0; i + 1 < turns.size(); i += 2) {
        longest = std::max(longest, turns[i] - from);
        from = turns[i + 1];
    }
    return double(std::max(longest, end - from)) / 1e6;
}

QString qtText(const std::u16string& s)
{
    return QString::fromStdU16String(s);
}

std::u16string rawOf(const std::string& bytes)
{
    return skyrend::normalizeLineBreaks(skyrend::decodeCp1252(bytes));
}

bool writeFile(const QString& path, const std::string& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) &&
           f.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // "--only NAME" (codec, export, color, save, open, key, panels, find, paste, tags, typing,
    // long, big) runs one part, for profiling.
    const QStringList args = QCoreApplication::arguments();
    const qsizetype onlyAt = args.indexOf(QStringLiteral("--only"));
    const QString only = onlyAt >= 0 && onlyAt + 1 < args.size() ? args[onlyAt + 1] : QString();
    auto wanted = [&only](const char* part) {
        return only.isEmpty() || only == QLatin1String(part);
    };
    const int runs = 5;
    QTemporaryDir dir;
    bool ok = true;

    const std::string file = makeBenchHelpFile(kMiB);
    const std::u16string raw = rawOf(file);
    const skyrend::ColoredText doc = skyrend::decodeHelpText(raw);

    if (wanted("codec")) {
        const double mib = double(file.size()) / double(kMiB);
        const double decodeMs = timeMs(
            runs, [] {}, [&] { (void)skyrend::decodeHelpText(raw); });
        const double encodeMs = timeMs(
            runs, [] {}, [&] { (void)skyrend::encodeHelpText(doc); });
        print("decode_mib_s", mib / (decodeMs / 1000));
        print("encode_mib_s", double(doc.text.size()) / double(kMiB) / (encodeMs / 1000));
        std::printf("runs_1mib: %zu\n", doc.runs.size());
    }

    if (wanted("export")) {
        // The whole page File > Export > HTML writes, with the spread of the runs.
        std::vector<double> ms;
        std::size_t pageBytes = 0;
        for (int i = 0; i < runs; ++i)
            ms.push_back(
                elapsedMs([&] { pageBytes = skyrend::htmlPage(doc, u"bench.hlp").size(); }));
        const auto [low, high] = std::minmax_element(ms.begin(), ms.end());
        std::printf("export_html_1mib_ms: %.1f  (%d runs, lowest %.1f, highest %.1f; %zu bytes)\n",
                    median(ms), runs, *low, *high, pageBytes);
        std::fflush(stdout);
    }

    BenchDesktop desktop;
    frmMain window(desktop, dir.path());
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);

    // Baseline: the plain text in a bare widget shown and sized like the edit box.
    const QString visible = qtText(doc.text);
    const std::function<void()> plainLoad = [&] {
        QPlainTextEdit plain(&window);
        plain.setLineWrapMode(window.rEdit->lineWrapMode());
        plain.setFont(window.rEdit->font());
        plain.setGeometry(window.rEdit->geometry());
        plain.show();
        plain.setPlainText(visible);
        QCoreApplication::processEvents();
    };
    constexpr int kRounds = 7;
    if (wanted("color") || wanted("save") || wanted("open"))
        print("plain_1mib_ms", timeMs(
                                   runs, [] {}, plainLoad));

    const QString path = dir.filePath(QStringLiteral("bench.hlp"));
    ok = writeFile(path, file) && ok;

    if (wanted("color")) {
        const QString rawText = qtText(raw);
        window.session().nameAfter(path, QFileInfo(path).fileName());
        const Ratio color = ratioRounds(kRounds, plainLoad, [&] {
            window.colorText(rawText, window.rEdit);
            QCoreApplication::processEvents();
        });
        print("color_1mib_ms", color.workMs);
        printRatio("color_ratio", color, kRounds);
    }

    if (wanted("save")) {
        window.OpenFile(path);
        window.session().nameAfter(dir.filePath(QStringLiteral("saved.hlp")),
                                   QStringLiteral("saved.hlp"));
        const Ratio save =
            ratioRounds(kRounds, plainLoad, [&] { ok = window.menu_Save_Click() && ok; });
        print("save_1mib_ms", save.workMs);
        printRatio("save_ratio", save, kRounds);
    }

    if (wanted("open")) {
        const Ratio open = ratioRounds(kRounds, plainLoad, [&] {
            window.OpenFile(path);
            QCoreApplication::processEvents();
        });
        print("open_1mib_ms", open.workMs);
        printRatio("open_ratio", open, kRounds);
    }

    if (wanted("key")) {
        // Typing in the document: KeyDown, the edit, its recolouring, Change, KeyUp. In the
        // middle of a body line, inside a header line and at the start of the line after one.
        window.OpenFile(path);
        window.rEdit->setFocus();
        const QString text = window.rEdit->Text();
        const qsizetype middle = window.rEdit->TextLength() / 2;
        const qsizetype header = text.indexOf(QStringLiteral("\r\n#"), middle) + 2;
        const qsizetype afterHeader = text.indexOf(QStringLiteral("\r\n"), header) + 2;
        std::vector<double> allUs;
        std::vector<double> headerUs;
        auto typeAt = [&](qsizetype offset, std::vector<double>* also) {
            window.rEdit->setSelStart(offset);
            QCoreApplication::processEvents();
            std::vector<double> us;
            typeShortLines(*window.rEdit, 700, us);
            allUs.insert(allUs.end(), us.begin(), us.end());
            if (also)
                also->insert(also->end(), us.begin(), us.end());
        };
        // From the end backwards, so the earlier offsets stay where they are.
        typeAt(afterHeader, &headerUs);
        typeAt(header + 3, &headerUs);
        typeAt(middle, nullptr);
        std::vector<double> sorted = allUs;
        std::sort(sorted.begin(), sorted.end());
        print("key_p50_us", sorted[sorted.size() / 2], 0);
        print("key_p99_us", percentile99(allUs), 0);
        print("key_header_p99_us", percentile99(headerUs), 0);
    }

    if (wanted("panels"))
        ok = benchPanels(window, path) && ok;

    if (wanted("find"))
        ok = benchFind(window, path) && ok;

    if (wanted("paste"))
        ok = benchPaste(window) && ok;

    if (wanted("tags"))
        ok = benchTagView(window, path) && ok;

    if (wanted("typing")) {
        const QString bigPath = dir.filePath(QStringLiteral("typing-10mib.hlp"));
        ok = writeFile(bigPath, makeBenchHelpFile(10 * kMiB)) && ok;
        ok = benchEditGaps(window, path, bigPath) && ok;
    }

    if (wanted("long"))
        ok = benchLongLines(window, dir.path(), desktop.boxes) && ok;

    if (wanted("big")) {
        // A 10 MiB file loads and saves to what the codec alone gives.
        const std::string big = makeBenchHelpFile(10 * kMiB);
        const QString bigPath = dir.filePath(QStringLiteral("big.hlp"));
        ok = writeFile(bigPath, big) && ok;
        desktop.turns.clear();
        desktop.clock.start();
        desktop.recording = true;
        window.OpenFile(bigPath);
        const qint64 opened = desktop.clock.nsecsElapsed();
        desktop.recording = false;
        print("open_10mib_ms", double(opened) / 1e6);
        print("load_max_gap_ms", longestGapMs(desktop.turns, 0, opened));
        QElapsedTimer t;
        window.session().nameAfter(
            dir.filePath(QStringLiteral("big-saved.hlp")),
            QFileInfo(dir.filePath(QStringLiteral("big-saved.hlp"))).fileName());
        t.start();
        ok = window.menu_Save_Click() && ok;
        print("save_10mib_ms", double(t.nsecsElapsed()) / 1e6);
        const std::string expected =
            skyrend::encodeCp1252(skyrend::encodeHelpText(skyrend::decodeHelpText(rawOf(big))));
        const bool same = readFile(window.CurrentFile()) == QByteArray::fromStdString(expected);
        std::printf("roundtrip_10mib: %s\n", same ? "ok" : "MISMATCH");
        ok = ok && same;
    }

    if (desktop.boxes)
        std::printf("unexpected_boxes: %d\n", desktop.boxes);
    return ok && desktop.boxes == 0 ? 0 : 1;
}
