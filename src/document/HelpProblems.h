// SPDX-License-Identifier: MIT

#pragma once

#include "document/HelpFormat.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace skyrend {

// A fault of a document: what the Problems panel lists and `skyrend-f1 check` reports.
struct HelpProblem {
    std::size_t index; // into the document's text where it starts
    // UTF-16 units of the text it covers; 0 for a fault of the whole file, or for a tag the save
    // writes, which stands before the character at `index`.
    std::size_t length;
    LineColumn at;       // of `index`, counted in the text as the editor shows it
    std::string message; // UTF-8

    friend bool operator==(const HelpProblem&, const HelpProblem&) = default;
};

// The faults of `doc` as a save would write it: every place of its save plan (in the words of
// describe()), and what lintHelpFile finds in the text the save writes, traced back to `doc`.
// Faults of the whole file come first, then the rest in text order.
std::vector<HelpProblem> helpProblems(const ColoredText& doc);

// The faults helpProblems finds in one line (no line break), as if it were the whole text, but
// for the faults of the whole file: what a line adds to the faults of any document it is in.
std::vector<HelpProblem> lineProblems(const ColoredText& line);
// The faults of the whole file, for a document with and without header lines.
std::vector<HelpProblem> wholeFileProblems(bool anyHeader, bool firstLineIsHeader);

// The faults of a file (its bytes) as the editor opens it: helpProblems(readHelpFile(bytes)).
std::vector<HelpProblem> helpProblemsOfFile(std::string_view bytes);

} // namespace skyrend
