// SPDX-License-Identifier: MIT
// Reading a whole file: refused before opening unless it is a regular file, and never more
// than the caller's limit, whatever size the file claims.

#include "storage/Posix.h"
#include "storage/Storage.h"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <unistd.h>

namespace storage {
namespace {

using posix::Fd;

ReadResult failure(ReadError error, std::string message)
{
    ReadResult r;
    r.error = error;
    r.message = std::move(message);
    return r;
}

ReadResult notRegular(mode_t mode)
{
    return failure(ReadError::NotRegularFile,
                   "It is " + posix::kindOf(mode) + ", not a regular file");
}

// What readInput reads piece by piece besides regular files.
bool isStream(mode_t mode)
{
    return S_ISFIFO(mode) || S_ISCHR(mode);
}

// A folder, socket or block device named to readInput or given to readStream.
ReadResult notReadable(mode_t mode)
{
    return failure(ReadError::NotRegularFile,
                   "It is " + posix::kindOf(mode) + ", not a file or a pipe");
}

std::string sizeText(std::size_t bytes)
{
    constexpr std::size_t MiB = 1024 * 1024;
    if (bytes >= MiB && bytes % MiB == 0)
        return std::to_string(bytes / MiB) + " MiB";
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

ReadResult tooLarge(std::size_t maxBytes)
{
    return failure(ReadError::TooLarge,
                   "It is larger than " + sizeText(maxBytes) + ", the most that is read");
}

// Waits until a descriptor that was left non-blocking by someone else has bytes again.
bool waitForInput(int fd)
{
    pollfd p{fd, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&p, 1, -1);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

// Reads to the end, at most `maxBytes` + 1 bytes: one more than allowed tells "too large"
// without reading on through an endless file.
ReadResult readToEnd(int fd, std::size_t maxBytes, std::size_t expected)
{
    // Whole pieces only, even past the limit: some kernel files (/proc/self/pagemap) refuse a
    // read of an odd size, which would hide that they are too large.
    constexpr std::size_t kChunk = 1 << 16;
    ReadResult r;
    if (expected <= maxBytes)
        r.bytes.reserve(expected);
    std::size_t size = 0;
    while (size <= maxBytes) {
        const std::size_t want = kChunk;
        r.bytes.resize(size + want);
        const ssize_t got = ::read(fd, r.bytes.data() + size, want);
        if (got < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            if ((error == EAGAIN || error == EWOULDBLOCK) && waitForInput(fd))
                continue;
            return failure(ReadError::Unreadable, posix::reasonOf(error));
        }
        if (got == 0)
            break;
        size += std::size_t(got);
    }
    r.bytes.resize(size);
    if (size > maxBytes)
        return tooLarge(maxBytes);
    return r;
}

// A stat() of the name that failed with `error`.
ReadResult lookFailed(int error)
{
    const bool missing = error == ENOENT || error == ENOTDIR;
    return failure(missing ? ReadError::NotFound : ReadError::Unreadable, posix::reasonOf(error));
}

// An open() of a name that was looked at that failed with `error`.
ReadResult openFailed(int error)
{
    return failure(error == ENOENT ? ReadError::NotFound : ReadError::Unreadable,
                   posix::reasonOf(error));
}

} // namespace

ReadResult readFile(const std::filesystem::path& path, std::size_t maxBytes)
{
    // A look before opening: opening a device can have effects of its own (a tape rewinds,
    // a serial line hangs up), and a socket cannot be opened at all.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return lookFailed(errno);
    if (!S_ISREG(st.st_mode))
        return notRegular(st.st_mode);
    if (std::uintmax_t(st.st_size) > maxBytes)
        return tooLarge(maxBytes);

    // O_NONBLOCK so that a FIFO put there since the look cannot hold the open up; the look
    // at the open file below refuses it.
    Fd fd(posix::openRetrying(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd)
        return openFailed(errno);
    if (::fstat(fd.get(), &st) != 0)
        return failure(ReadError::Unreadable, posix::reasonOf(errno));
    if (!S_ISREG(st.st_mode))
        return notRegular(st.st_mode);
    if (const int error = posix::makeBlocking(fd.get()))
        return failure(ReadError::Unreadable, posix::reasonOf(error));
    return readToEnd(fd.get(), maxBytes, std::size_t(st.st_size));
}

ReadResult readStream(int fd, std::size_t maxBytes)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return failure(ReadError::Unreadable, posix::reasonOf(errno));
    if (S_ISDIR(st.st_mode))
        return notReadable(st.st_mode);
    const bool regular = S_ISREG(st.st_mode);
    return readToEnd(fd, maxBytes, regular ? std::size_t(st.st_size) : 0);
}

ReadResult readInput(const std::filesystem::path& path, std::size_t maxBytes)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return lookFailed(errno);
    if (S_ISREG(st.st_mode))
        return readFile(path, maxBytes);
    if (!isStream(st.st_mode))
        return notReadable(st.st_mode);
    // Blocking: a FIFO opens once a writer has it open, as it does for any reader. O_NOCTTY so
    // that a terminal named here does not become the tool's own.
    Fd fd(posix::openRetrying(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC));
    if (!fd)
        return openFailed(errno);
    // What was opened may not be what was looked at: the look at the open file decides.
    if (::fstat(fd.get(), &st) != 0)
        return failure(ReadError::Unreadable, posix::reasonOf(errno));
    if (S_ISREG(st.st_mode))
        return readToEnd(fd.get(), maxBytes, std::size_t(st.st_size));
    if (!isStream(st.st_mode))
        return notReadable(st.st_mode);
    return readToEnd(fd.get(), maxBytes, 0);
}

} // namespace storage
