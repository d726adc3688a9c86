// SPDX-License-Identifier: MIT

#pragma once

#include "document/HelpFormat.h"
#include "document/HelpPages.h"
#include "document/HelpProblems.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace skyrend {

// What the whole-document passes find in one line.
struct LineResults {
    // The line is a header line once saved and read again: its first character that shows is
    // '#' (a visible "%R" before it is read as a tag). The faults of the whole file count these.
    bool savedAsHeader = false;
    std::vector<HelpProblem> problems; // lineProblems(text): indices and columns in the line
};

// One line of a document as the editor holds it. Made once and never changed, so lines can be
// shared with a worker thread as they are; its results are worked out once, on first use, by
// whichever thread asks first (a worker, ahead of the window).
struct DocumentLine {
    ColoredText text;    // the line's characters and colours, without its line break
    ColorRef breakColor; // the colour of the line break after it (none after the last line)
    bool header = false; // the line starts a help page

    const LineResults& results() const;
    // The results are made already (by any thread).
    bool hasResults() const { return resultsReady_.load(std::memory_order_acquire); }

    static std::shared_ptr<const DocumentLine> make(ColoredText text, ColorRef breakColor);

private:
    mutable std::once_flag resultsMade_;
    mutable std::atomic<bool> resultsReady_ = false;
    mutable LineResults results_;
};
using LinePtr = std::shared_ptr<const DocumentLine>;

// A document held as its lines, each with its own results, so an edit recomputes only the
// lines it touched. The whole-document results are put together from the lines.
class DocumentLines {
public:
    DocumentLines(); // one empty line
    explicit DocumentLines(const ColoredText& doc);

    std::size_t size() const { return lines_.size(); }
    const DocumentLine& line(std::size_t index) const { return *lines_[index]; }

    // Lines [first, first + removed) become `lines`; at least one line stays.
    void replace(std::size_t first, std::size_t removed, std::vector<LinePtr> lines);

    // The lines as they are now: immutable data that stays valid whatever happens to this.
    const std::vector<LinePtr>& snapshot() const { return lines_; }

    // What helpProblems and pagesOf give for the whole document, from the lines alone.
    std::vector<HelpProblem> problems() const;
    std::vector<PageSpan> pages() const;

private:
    void noteLines(std::size_t first, std::size_t count);

    std::vector<LinePtr> lines_;
    // Beside the lines, packed so that a pass over a big document reads little memory: each
    // line's length, whether it is a header line, and what its results hold once made.
    enum : unsigned char { Known = 1, SavedAsHeader = 2, HasProblems = 4 };
    std::vector<std::uint32_t> lengths_;
    std::vector<unsigned char> headers_;
    mutable std::vector<unsigned char> results_;
};

// Works out the results of every line (for a worker thread, so that the window finds them made).
void makeResults(const std::vector<LinePtr>& lines);

// The document the lines make (line breaks "\r\n" in their colours).
ColoredText joinLines(const std::vector<LinePtr>& lines);
// Appends one line, and its line break unless it is the last.
void appendLine(ColoredText& doc, const DocumentLine& line, bool last);
// The lines of a document.
std::vector<LinePtr> splitLines(const ColoredText& doc);

// Cuts a document into lines piece by piece, as far as it has been read (a load in slices).
// `doc` must outlive the splitter and not change.
class LineSplitter {
public:
    explicit LineSplitter(const ColoredText& doc) : doc_(doc) {}
    // The whole lines that end before doc.text[upTo]; with `end`, the rest as the last line.
    std::vector<LinePtr> take(std::size_t upTo, bool end);

private:
    const ColoredText& doc_;
    std::size_t start_ = 0;              // of the next line
    std::size_t run_ = 0;                // the run holding doc_.text[start_]
    std::size_t runStart_ = 0;           // where run_ starts
    ColorRef colorAt(std::size_t index); // moves forward only
    void appendColors(ColoredText& line, std::size_t from, std::size_t to);
};

} // namespace skyrend
