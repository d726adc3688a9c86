#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace skyrend {

// Reads the whole file into `bytes`. On failure returns the reason (such as "No such file or
// directory") and leaves `bytes` empty.
std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::string& bytes);

// Reads `stream` to its end into `bytes` (standard input, for a file name of "-"). On failure
// returns the reason and leaves `bytes` empty.
std::optional<std::string> readWholeStream(std::FILE* stream, std::string& bytes);

// Replaces `path` with `bytes` so that the old file stays whole until the new one is complete:
// writes a temporary file beside it and renames it over the old one. A symbolic link is kept
// and its target replaced. Returns the reason on failure; the old file is then untouched.
std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::string_view bytes);

} // namespace skyrend
