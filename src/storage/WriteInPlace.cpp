// SPDX-License-Identifier: MIT
// Writing into the old file itself, for when a new file could not take its place without
// losing something (its hard links, its owner or group) or the folder takes no new files.
// Old bytes are overwritten only once the room for the new size is known to be there.

#include "storage/Posix.h"
#include "storage/WriteSteps.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace storage::detail {
namespace {

using posix::Fd;

int reserve(int fd, off_t offset, off_t length)
{
    int error;
    do {
        error = ::posix_fallocate(fd, offset, length);
    } while (error == EINTR);
    return error;
}

} // namespace

WriteResult writeInPlace(const std::filesystem::path& target, std::string_view bytes)
{
    // O_NONBLOCK and O_NOFOLLOW: should a FIFO or a link have taken the file's place since it
    // was looked at, the open neither waits for a reader nor follows it.
    Fd fd(posix::openRetrying(target.c_str(),
                              O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    if (!fd)
        return failure(errno, "opening the file for writing", Left::Unchanged);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return failure(errno, "looking at the open file", Left::Unchanged);
    if (!S_ISREG(st.st_mode))
        return refused(st.st_mode);
    if (const int error = posix::makeBlocking(fd.get()))
        return failure(error, "opening the file for writing", Left::Unchanged);

    const off_t oldSize = st.st_size;
    const off_t newSize = off_t(bytes.size());
    if (newSize > oldSize) {
        // A full disk is found here, before any old byte changes. A file system that cannot
        // reserve is no failure: the new end is written first below, with the same effect.
        const int error = reserve(fd.get(), oldSize, newSize - oldSize);
        if (posix::isDiskFull(error) || error == EFBIG) {
            const bool cut = ::ftruncate(fd.get(), oldSize) == 0;
            return failure(error, "making room for the new size",
                           cut ? Left::Unchanged : Left::MaybeChanged);
        }
        if (const int error =
                posix::writeAllAt(fd.get(), bytes.substr(std::size_t(oldSize)), oldSize)) {
            const bool cut = ::ftruncate(fd.get(), oldSize) == 0;
            return failure(error, "writing the end of the file",
                           cut ? Left::Unchanged : Left::MaybeChanged);
        }
    }
    const std::size_t overwritten = std::size_t(std::min(oldSize, newSize));
    if (const int error = posix::writeAllAt(fd.get(), bytes.substr(0, overwritten), 0))
        return failure(error, "writing the file in place", Left::MaybeChanged);
    if (newSize < oldSize && ::ftruncate(fd.get(), newSize) != 0)
        return failure(errno, "cutting the file to its new length", Left::MaybeChanged);
    if (const int error = posix::syncRetrying(fd.get()))
        return failure(error, "flushing the file to disk", Left::MaybeChanged);
    if (const int error = fd.close())
        return failure(error, "closing the file", Left::MaybeChanged);
    return {};
}

} // namespace storage::detail
