// SPDX-License-Identifier: MIT
// skyrend-f1: reads, writes and checks the game's F1 help file with the editor's own rules.

#include "cli/HelpJson.h"
#include "cli/Json.h"
#include "document/Cp1252.h"
#include "document/FileLimits.h"
#include "document/HelpExport.h"
#include "document/HelpFileReader.h"
#include "document/HelpFormat.h"
#include "document/HelpProblems.h"
#include "document/SavePlan.h"
#include "storage/Storage.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#ifndef SKYREND_VERSION
#error "SKYREND_VERSION must be defined by the build"
#endif

namespace {

using namespace skyrend;
namespace fs = std::filesystem;

constexpr int kSuccess = 0;
constexpr int kFindings = 1; // check found faults, or text written that will not read back whole
constexpr int kError = 2;    // nothing written

// The usage text names the limits in words.
static_assert(kMaxHelpFileBytes == 64u * 1024 * 1024);

constexpr std::string_view kUsage = R"(Usage: skyrend-f1 COMMAND [ARGUMENTS]

Reads and writes the game's F1 help file (Commands.hlp) by the editor's own rules.

Commands:
  decode [--shown] FILE    Print the text the editor shows for FILE, with colours, as
                           JSON: {"text": "...", "runs": [{"start": 0, "length": 5,
                           "color": "G"}, ...]} (start and length count characters).
                           The colours are those the file's tags give by the reading
                           rules. With --shown they are the colours the editor shows,
                           those the text keeps through a save and reload: they differ
                           where a tag cannot be written back, as inside a header line,
                           which the editor shows all Green.
  encode JSONFILE          Print the bytes the editor saves for a document in that JSON
                           form; "color" is W, P, Y, R, G, B, p or "#rrggbb". A lone
                           "\n" or "\r" in the text is written as CR LF, the line break
                           it reads back as.
  normalize FILE [-o OUT]  Print, or write to OUT, what the editor saves when FILE is
                           opened and saved without edits.
  export --html|--bbcode FILE [-o OUT]
                           Print, or write to OUT, FILE as the editor shows it: an
                           HTML page (one section per help page, in the game's colours,
                           key macros by their names) or forum BBCode.
  check FILE...            Report what the editor's Problems panel lists for FILE once
                           opened, as FILE:LINE:COLUMN: MESSAGE. LINE and COLUMN count
                           the text as the editor shows it, where tags take no room.

A FILE or JSONFILE of "-" is read from standard input, and an OUT of "-" is standard
output, so the commands work in a pipeline:
  skyrend-f1 decode Commands.hlp | ... | skyrend-f1 encode - > Commands.hlp.new
FIFOs and devices are read too, but never past 64 MiB, the most the editor opens (for a
JSONFILE, eight times that): a longer input is refused with nothing written.

Options:
  --shown                  With decode: the colours the editor shows.
  --html, --bbcode         With export: the form to write.
  -h, --help               Show this text.
  --version                Show the version.

Exit status: 0 on success (check: nothing found); 1 when check finds faults, when encode
refuses text that would not read back the same (nothing is written), or when normalize
wrote such text (the place is named on standard error); 2 on errors, with nothing written.
)";

void printError(const std::string& message)
{
    std::fprintf(stderr, "skyrend-f1: %s\n", message.c_str());
}

int usageError(const std::string& message)
{
    printError(message);
    std::fputs("Try 'skyrend-f1 --help'.\n", stderr);
    return kError;
}

bool writeStdout(std::string_view bytes)
{
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() ||
        std::fflush(stdout) != 0) {
        printError("cannot write to standard output");
        return false;
    }
    return true;
}

// A file name of "-" stands for standard input, and an OUT of "-" for standard output, so the
// tool can stand in a pipeline.
constexpr std::string_view kStandardInput = "-";
constexpr std::string_view kStandardOutput = "-";

// The JSON of a help file at the size limit is bigger than the file: a byte can become a
// six-character escape, and each colour change a run of its own.
constexpr std::size_t kMaxJsonBytes = 8 * kMaxHelpFileBytes;

bool readFileOrComplain(const std::string& name, std::string& bytes,
                        std::size_t maxBytes = kMaxHelpFileBytes)
{
    const bool standardInput = name == kStandardInput;
    // Streams too (a FIFO, /dev/stdin, a device) but never more than the limit: an endless
    // one such as /dev/zero is refused once it has given one byte too many.
    storage::ReadResult read = standardInput ? storage::readStream(fileno(stdin), maxBytes)
                                             : storage::readInput(fs::path(name), maxBytes);
    if (!read.ok()) {
        bytes.clear();
        printError(
            (standardInput ? "cannot read standard input: " : "cannot read '" + name + "': ") +
            read.message);
        return false;
    }
    bytes = std::move(read.bytes);
    return true;
}

// Writes `bytes` to the file `name` as the editor saves: through a link, over no device, FIFO
// or folder, with the file's owner, mode and links kept.
bool writeBytesOrComplain(const std::string& name, std::string_view bytes)
{
    const storage::WriteResult written = storage::writeFile(fs::path(name), bytes);
    if (!written.ok()) {
        printError("cannot write '" + name + "': " + written.message);
        return false;
    }
    return true;
}

// writeBytesOrComplain for a help file: nothing bigger than the editor opens.
bool writeFileOrComplain(const std::string& name, std::string_view bytes)
{
    if (bytes.size() > kMaxHelpFileBytes) {
        printError("cannot write '" + name + "': The text is larger than " +
                   std::to_string(kMaxHelpFileBytes / (1024 * 1024)) +
                   " MiB, the most the editor opens; nothing was written");
        return false;
    }
    return writeBytesOrComplain(name, bytes);
}

// A file by the reading rules; what a save writes for it is what the editor saves after opening
// it.
ColoredText loadHelpText(std::string_view bytes)
{
    return decodeHelpFile(bytes);
}

// What the editor saves for `doc`, with every place it would warn about. The caller has made
// sure every character has a byte.
SavePlan save(const ColoredText& doc)
{
    return planSave(doc);
}

// Says where the text will not read back as it stands, ending each place with `outcome`;
// true when it said anything.
bool warnUnkeepable(const std::string& name, const SavePlan& plan,
                    const std::string& outcome = "written anyway")
{
    for (const SavePlace& place : plan.places)
        printError(name + ":" + std::to_string(place.at.line) + ":" +
                   std::to_string(place.at.column) + ": " + describe(place) + "; " + outcome);
    return !plan.places.empty();
}

// `shown`: the colours the editor shows, else those of the reading rules.
int runDecode(const std::vector<std::string>& files, bool shown)
{
    if (files.size() != 1)
        return usageError("decode takes one FILE");
    std::string bytes;
    if (!readFileOrComplain(files[0], bytes))
        return kError;
    const ColoredText doc = shown ? readHelpFile(bytes) : loadHelpText(bytes);
    return writeStdout(toJson(doc)) ? kSuccess : kError;
}

int runEncode(const std::vector<std::string>& files)
{
    if (files.size() != 1)
        return usageError("encode takes one JSONFILE");
    std::string input;
    if (!readFileOrComplain(files[0], input, kMaxJsonBytes))
        return kError;
    ColoredText doc;
    try {
        // A lone CR or LF would be written as it is and read back as CR LF: written as CR LF
        // at once, the file reads back as the JSON says.
        doc = normalizeLineBreaks(fromJson(input));
    } catch (const json::Error& e) {
        printError(files[0] + ":" + std::to_string(e.line) + ":" + std::to_string(e.column) + ": " +
                   e.what());
        return kError;
    }
    // The document was made to be written: bytes that would read back as another document are
    // refused whole, so a pipeline's result is never a file that differs from what was meant.
    const SavePlan saved = save(doc);
    if (warnUnkeepable(files[0], saved, "nothing written"))
        return kFindings;
    return writeStdout(saved.bytes) ? kSuccess : kError;
}

int runNormalize(const std::vector<std::string>& files, const std::optional<std::string>& output)
{
    if (files.size() != 1)
        return usageError("normalize takes one FILE");
    std::string bytes;
    if (!readFileOrComplain(files[0], bytes))
        return kError;
    // Every byte decodes to a character that encodes back, so nothing can be refused here.
    const SavePlan saved = save(loadHelpText(bytes));
    if (output) {
        if (!writeFileOrComplain(*output, saved.bytes))
            return kError;
    } else if (!writeStdout(saved.bytes)) {
        return kError;
    }
    return warnUnkeepable(files[0], saved) ? kFindings : kSuccess;
}

enum class ExportForm { None, Html, Bbcode };

// The name an HTML page is titled with: the file's own name; none for standard input, or when
// the name is no UTF-8 (the page's first header then titles it).
std::u16string pageName(const std::string& file)
{
    if (file == kStandardInput)
        return {};
    try {
        return fs::path(file).filename().u16string();
    } catch (const std::exception&) {
        return {};
    }
}

int runExport(const std::vector<std::string>& files, ExportForm form,
              const std::optional<std::string>& output)
{
    if (form == ExportForm::None)
        return usageError("export needs --html or --bbcode");
    if (files.size() != 1)
        return usageError("export takes one FILE");
    std::string bytes;
    if (!readFileOrComplain(files[0], bytes))
        return kError;
    // What the editor shows, so that an export here is the editor's export of the file.
    const ColoredText doc = readHelpFile(bytes);
    const std::string text =
        form == ExportForm::Html ? htmlPage(doc, pageName(files[0])) : bbcode(doc);
    if (output)
        return writeBytesOrComplain(*output, text) ? kSuccess : kError;
    return writeStdout(text) ? kSuccess : kError;
}

int runCheck(const std::vector<std::string>& files)
{
    if (files.empty())
        return usageError("check needs at least one FILE");
    if (std::count(files.begin(), files.end(), kStandardInput) > 1)
        return usageError("check reads standard input ('-') only once");
    bool anyError = false;
    bool anyFinding = false;
    for (const std::string& name : files) {
        std::string bytes;
        if (!readFileOrComplain(name, bytes)) {
            anyError = true;
            continue;
        }
        std::string report;
        for (const HelpProblem& p : helpProblemsOfFile(bytes)) {
            report += name + ":" + std::to_string(p.at.line) + ":" + std::to_string(p.at.column) +
                      ": " + p.message + "\n";
            anyFinding = true;
        }
        if (!writeStdout(report))
            return kError;
    }
    return anyError ? kError : anyFinding ? kFindings : kSuccess;
}

} // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    // Help files are bytes; no CR may be added before LF, nor taken away.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    // Options may stand anywhere before "--"; after it every word is a file name.
    std::string command;
    std::vector<std::string> files;
    std::optional<std::string> output;
    bool shown = false;
    ExportForm form = ExportForm::None;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (a == "-h" || a == "--help")) {
            return writeStdout(kUsage) ? kSuccess : kError;
        } else if (!optionsEnded && a == "--version") {
            return writeStdout("skyrend-f1 " SKYREND_VERSION "\n") ? kSuccess : kError;
        } else if (!optionsEnded && a == "--shown") {
            shown = true;
        } else if (!optionsEnded && (a == "--html" || a == "--bbcode")) {
            if (form != ExportForm::None)
                return usageError("give one of --html and --bbcode, once");
            form = a == "--html" ? ExportForm::Html : ExportForm::Bbcode;
        } else if (!optionsEnded && a == "-o") {
            if (output)
                return usageError("-o given twice");
            if (i + 1 == argc)
                return usageError("-o needs a file name");
            output = argv[++i];
        } else if (!optionsEnded && a.size() > 1 && a[0] == '-') {
            return usageError("unknown option '" + a + "'");
        } else if (command.empty()) {
            command = a;
        } else {
            files.push_back(a);
        }
    }
    if (command.empty())
        return usageError("no command given");
    if (output && command != "normalize" && command != "export")
        return usageError("-o belongs to normalize and export");
    if (form != ExportForm::None && command != "export")
        return usageError("--html and --bbcode belong to export");
    if (shown && command != "decode")
        return usageError("--shown belongs to decode");
    if (output == kStandardOutput) // "./-" still names a file called "-"
        output.reset();
    try {
        if (command == "decode")
            return runDecode(files, shown);
        if (command == "encode")
            return runEncode(files);
        if (command == "normalize")
            return runNormalize(files, output);
        if (command == "export")
            return runExport(files, form, output);
        if (command == "check")
            return runCheck(files);
    } catch (const std::bad_alloc&) {
        printError("out of memory");
        return kError;
    } catch (const std::exception& e) {
        printError(e.what());
        return kError;
    }
    return usageError("unknown command '" + command + "'");
}
