// SPDX-License-Identifier: MIT
// writeFile: follows symbolic links to the file that is written, refuses what is no regular
// file, and picks the way to write that keeps the file what it was.

#include "storage/Posix.h"
#include "storage/Storage.h"
#include "storage/WriteSteps.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace storage {
namespace {

namespace fs = std::filesystem;

// What is at the end of a path's chain of symbolic links.
struct Target {
    fs::path path;
    bool viaLink = false;
    bool exists = false;
    struct stat st {};
};

int readLink(const fs::path& link, fs::path& to)
{
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t got = ::readlink(link.c_str(), buffer.data(), buffer.size());
        if (got < 0)
            return errno;
        if (std::size_t(got) < buffer.size()) {
            buffer.resize(std::size_t(got));
            to = fs::path(buffer);
            return 0;
        }
        buffer.resize(buffer.size() * 2); // it may have been cut short
    }
}

// Follows the links one at a time with lstat, so a link whose target does not exist yet
// leads to that target (which is created) rather than being replaced by a file.
int resolve(const fs::path& given, Target& target)
{
    constexpr int kMaxLinks = 40; // as the kernel allows, so a loop ends
    target.path = given;
    for (int hops = 0;; ++hops) {
        if (::lstat(target.path.c_str(), &target.st) != 0) {
            if (errno != ENOENT)
                return errno;
            target.exists = false;
            return 0;
        }
        if (!S_ISLNK(target.st.st_mode)) {
            target.exists = true;
            return 0;
        }
        if (hops == kMaxLinks)
            return ELOOP;
        fs::path to;
        if (const int error = readLink(target.path, to))
            return error;
        target.path = to.is_absolute() ? to : target.path.parent_path() / to;
        target.viaLink = true;
    }
}

} // namespace

namespace detail {

WriteResult failure(int error, std::string_view step, Left left)
{
    WriteResult r;
    r.error = posix::isDiskFull(error) ? WriteError::DiskFull : WriteError::Failed;
    r.fileChanged = left != Left::Unchanged;
    if (r.error == WriteError::DiskFull)
        r.message = "The disk is full: ";
    r.message += posix::reasonOf(error);
    r.message += " (";
    r.message += step;
    switch (left) {
    case Left::Unchanged:
        r.message += "); nothing was written";
        break;
    case Left::MaybeChanged:
        r.message += "); the file may be partly written";
        break;
    case Left::ReplacedNotFlushed:
        r.message += "); the file holds the new bytes, but they may not be on disk yet";
        break;
    }
    return r;
}

WriteResult refused(mode_t mode, const fs::path& linkTarget)
{
    const std::string what =
        linkTarget.empty() ? "It is " : "It links to '" + linkTarget.string() + "', which is ";
    WriteResult r;
    r.error = WriteError::NotRegularFile;
    r.message = what + posix::kindOf(mode) + ", not a regular file; nothing was written";
    return r;
}

} // namespace detail

WriteResult writeFile(const fs::path& path, std::string_view bytes)
{
    Target target;
    if (const int error = resolve(path, target))
        return detail::failure(error, "looking up the path", detail::Left::Unchanged);
    if (!target.exists)
        return detail::replaceWhole(target.path, nullptr, bytes).result;
    if (!S_ISREG(target.st.st_mode))
        return detail::refused(target.st.st_mode, target.viaLink ? target.path : fs::path());
    // A write-protected file stays so: that the folder lets a new file take its place does not
    // make it writable.
    if (::faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0)
        return detail::failure(errno, "the file may not be written", detail::Left::Unchanged);
    // A new file would leave the other names with the old bytes.
    if (target.st.st_nlink > 1)
        return detail::writeInPlace(target.path, bytes);
    detail::Replaced replaced = detail::replaceWhole(target.path, &target.st, bytes);
    if (replaced.writeInPlaceInstead)
        return detail::writeInPlace(target.path, bytes);
    return std::move(replaced.result);
}

} // namespace storage
