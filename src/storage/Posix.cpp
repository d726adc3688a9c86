// SPDX-License-Identifier: MIT

#include "storage/Posix.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace storage::posix {

Fd& Fd::operator=(Fd&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = other.release();
    }
    return *this;
}

Fd::~Fd()
{
    close();
}

int Fd::release()
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

int Fd::close()
{
    if (fd_ < 0)
        return 0;
    // Not retried on EINTR: on Linux the descriptor is gone either way, and another thread may
    // already have its number.
    const int result = ::close(release());
    return result == 0 || errno == EINTR ? 0 : errno;
}

int openRetrying(const char* path, int flags, mode_t mode)
{
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int writeAllAt(int fd, std::string_view bytes, off_t offset)
{
    while (!bytes.empty()) {
        const ssize_t put = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (put == 0)
            return EIO; // a regular file that takes nothing would loop for ever
        bytes.remove_prefix(std::size_t(put));
        offset += put;
    }
    return 0;
}

int syncRetrying(int fd)
{
    int result;
    do {
        result = ::fsync(fd);
    } while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : errno;
}

int makeBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0)
        return errno;
    return 0;
}

std::string kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISCHR(mode))
        return "a device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISFIFO(mode))
        return "a FIFO (named pipe)";
    if (S_ISSOCK(mode))
        return "a socket";
    return "a special file";
}

std::string reasonOf(int error)
{
    return std::generic_category().message(error);
}

bool isDiskFull(int error)
{
    return error == ENOSPC || error == EDQUOT;
}

} // namespace storage::posix
