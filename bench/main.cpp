// skyrend-f1-bench: speed of the codec, of loading and saving in the real window, and of typing.
// Prints "name: value" lines. Figures are medians of several runs.

#include "BenchDocument.h"

#include "document/Cp1252.h"
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
    void yield() override { QCoreApplication::processEvents(); }
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Milliseconds of `work`, median of `runs`; `prepare` runs untimed before each.
double timeMs(int runs, const std::function<void()>& prepare, const std::function<void()>& work)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return median(ms);
}

void print(const char* name, double value, int decimals = 1)
{
    std::printf("%s: %.*f\n", name, decimals, value);
    std::fflush(stdout);
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
    // "--only NAME" (codec, color, save, open, key, big) runs one part, for profiling.
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

    BenchDesktop desktop;
    frmMain window(desktop, dir.path());
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);

    // Baseline: the plain text in a bare widget shown and sized like the edit box.
    double plainMs = 0;
    if (wanted("color") || wanted("save") || wanted("open")) {
        const QString visible = qtText(doc.text);
        plainMs = timeMs(
            runs, [] {},
            [&] {
                QPlainTextEdit plain(&window);
                plain.setLineWrapMode(window.rEdit->lineWrapMode());
                plain.setFont(window.rEdit->font());
                plain.setGeometry(window.rEdit->geometry());
                plain.show();
                plain.setPlainText(visible);
                QCoreApplication::processEvents();
            });
        print("plain_1mib_ms", plainMs);
    }

    const QString path = dir.filePath(QStringLiteral("bench.hlp"));
    ok = writeFile(path, file) && ok;

    if (wanted("color")) {
        const QString rawText = qtText(raw);
        window.CurrentFile = path;
        const double colorMs = timeMs(
            runs, [] {},
            [&] {
                window.colorText(rawText, window.rEdit);
                QCoreApplication::processEvents();
            });
        print("color_1mib_ms", colorMs);
        print("color_ratio", colorMs / plainMs, 2);
    }

    if (wanted("save")) {
        window.OpenFile(path);
        window.CurrentFile = dir.filePath(QStringLiteral("saved.hlp"));
        window.DocTitle = QStringLiteral("saved.hlp");
        const double saveMs = timeMs(
            runs, [] {}, [&] { ok = window.menu_Save_Click() && ok; });
        print("save_1mib_ms", saveMs);
        print("save_ratio", saveMs / plainMs, 2);
    }

    if (wanted("open")) {
        const double openMs = timeMs(
            runs, [] {},
            [&] {
                window.OpenFile(path);
                QCoreApplication::processEvents();
            });
        print("open_1mib_ms", openMs);
        print("open_ratio", openMs / plainMs, 2);
    }

    if (wanted("key")) {
        // Typing one character in the middle of the document: KeyDown, the edit, Change, KeyUp.
        window.OpenFile(path);
        window.rEdit->setFocus();
        window.rEdit->setSelStart(window.rEdit->TextLength() / 2);
        QCoreApplication::processEvents();
        std::vector<double> keyUs;
        for (int i = 0; i < 2000; ++i) {
            // Lines of a usual help page: 40 characters, then Enter.
            QElapsedTimer t;
            t.start();
            if (i % 41 == 40)
                QTest::keyClick(window.rEdit, Qt::Key_Return);
            else
                QTest::keyClick(window.rEdit, "abcdefgh ij"[i % 11]);
            keyUs.push_back(double(t.nsecsElapsed()) / 1000);
            if (i % 50 == 49)
                QCoreApplication::processEvents(); // it repaints between keys, as for a user
        }
        std::sort(keyUs.begin(), keyUs.end());
        print("key_p50_us", keyUs[keyUs.size() / 2], 0);
        print("key_p99_us", keyUs[keyUs.size() * 99 / 100], 0);
    }

    if (wanted("big")) {
        // A 10 MiB file loads and saves to what the codec alone gives.
        const std::string big = makeBenchHelpFile(10 * kMiB);
        const QString bigPath = dir.filePath(QStringLiteral("big.hlp"));
        ok = writeFile(bigPath, big) && ok;
        QElapsedTimer t;
        t.start();
        window.OpenFile(bigPath);
        print("open_10mib_ms", double(t.nsecsElapsed()) / 1e6);
        window.CurrentFile = dir.filePath(QStringLiteral("big-saved.hlp"));
        t.restart();
        ok = window.menu_Save_Click() && ok;
        print("save_10mib_ms", double(t.nsecsElapsed()) / 1e6);
        const std::string expected =
            skyrend::encodeCp1252(skyrend::encodeHelpText(skyrend::decodeHelpText(rawOf(big))));
        const bool same = readFile(window.CurrentFile) == QByteArray::fromStdString(expected);
        std::printf("roundtrip_10mib: %s\n", same ? "ok" : "MISMATCH");
        ok = ok && same;
    }

    if (desktop.boxes)
        std::printf("unexpected_boxes: %d\n", desktop.boxes);
    return ok && desktop.boxes == 0 ? 0 : 1;
}
