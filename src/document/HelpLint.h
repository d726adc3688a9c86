#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace skyrend {

struct LintFinding {
    std::size_t line;   // 1-based, counted in the file's lines ("\r\n", "\r" or "\n" end one)
    std::size_t column; // 1-based, counted in the file's bytes
    std::string message;

    friend bool operator==(const LintFinding&, const LintFinding&) = default;
};

// Faults in a help file that the game or the editor would show differently from what its
// author meant. `fileText` is the file as read, one character per byte (decodeCp1252), line
// breaks as they are in the file. Findings come in file order.
std::vector<LintFinding> lintHelpFile(std::u16string_view fileText);

} // namespace skyrend
