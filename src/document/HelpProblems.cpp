// SPDX-License-Identifier: MIT

#include "document/HelpProblems.h"

#include "document/HelpFileReader.h"
#include "document/HelpLint.h"
#include "document/SavePlan.h"

#include <algorithm>
#include <iterator>

namespace skyrend {
namespace {

// Where the character at `offset` of the saved text comes from: its index in the document, or,
// inside a tag the save wrote, the index of the character the tag stands before.
struct Origin {
    std::size_t index;
    bool writtenTag;
};

Origin originOf(const std::vector<std::size_t>& tags, std::size_t offset)
{
    const auto after = std::upper_bound(tags.begin(), tags.end(), offset);
    const std::size_t before = std::size_t(after - tags.begin()); // tags starting at or before
    if (before > 0 && offset < tags[before - 1] + 2)
        return {tags[before - 1] - 2 * (before - 1), true};
    return {offset - 2 * before, false};
}

bool isWholeFile(LintKind kind)
{
    return kind == LintKind::NoHeaderLine || kind == LintKind::FirstLineNotHeader;
}

// The save plan names these places already, each once (the lint sees a pair of surrogates
// split by a tag as two characters), in the words of the save's warning.
bool isSavePlace(const LintFinding& f, bool onWrittenTag)
{
    switch (f.kind) {
    case LintKind::Unencodable:
    case LintKind::DoubledPercent:
        return true;
    case LintKind::TagInHeaderLine:
        return !onWrittenTag; // a visible '%' and letter in a header line
    default:
        return false;
    }
}

} // namespace

namespace {

// helpProblems(doc), without the faults of the whole file unless `wholeFile`.
std::vector<HelpProblem> problemsOf(const ColoredText& doc, bool wholeFile)
{
    const TracedEncoding saved = encodeHelpTextTraced(doc);
    const std::size_t n = doc.text.size();
    std::vector<HelpProblem> whole;
    std::vector<HelpProblem> found;
    for (LintFinding& f : lintHelpFile(saved.text)) {
        if (isWholeFile(f.kind)) {
            if (wholeFile)
                whole.push_back({0, 0, {1, 1}, std::move(f.message)});
            continue;
        }
        const Origin from = originOf(saved.tags, f.offset);
        if (isSavePlace(f, from.writtenTag))
            continue;
        const std::size_t start = std::min(from.index, n);
        const std::size_t end = std::min(originOf(saved.tags, f.offset + f.length).index, n);
        found.push_back({start, end - start, {}, std::move(f.message)});
    }

    std::vector<HelpProblem> places;
    for (const SavePlace& p : savePlaces(doc.text))
        places.push_back({p.index, p.length, {}, describe(p)});

    std::vector<HelpProblem> problems = std::move(whole);
    problems.reserve(problems.size() + places.size() + found.size());
    const std::size_t first = problems.size();
    std::merge(std::make_move_iterator(places.begin()), std::make_move_iterator(places.end()),
               std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()),
               std::back_inserter(problems),
               [](const HelpProblem& a, const HelpProblem& b) { return a.index < b.index; });
    LineColumnCursor lines(doc.text);
    for (std::size_t i = first; i < problems.size(); ++i)
        problems[i].at = lines.at(problems[i].index);
    return problems;
}

} // namespace

std::vector<HelpProblem> helpProblems(const ColoredText& doc)
{
    return problemsOf(doc, true);
}

std::vector<HelpProblem> lineProblems(const ColoredText& line)
{
    return problemsOf(line, false);
}

std::vector<HelpProblem> wholeFileProblems(bool anyHeader, bool firstLineIsHeader)
{
    std::vector<HelpProblem> out;
    if (auto f = wholeFileFinding(anyHeader, firstLineIsHeader))
        out.push_back({0, 0, {1, 1}, std::move(f->message)});
    return out;
}

std::vector<HelpProblem> helpProblemsOfFile(std::string_view bytes)
{
    return helpProblems(readHelpFile(bytes));
}

} // namespace skyrend
