// SPDX-License-Identifier: MIT

#pragma once

// Small helpers over POSIX calls for the reader and the writer: a descriptor that closes
// itself, whole writes, and the words for kinds of files and for errors.

#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

namespace storage::posix {

// An open file descriptor, closed when it goes.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    Fd& operator=(Fd&& other) noexcept;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd();

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release();
    // Closes now and returns 0 or the error of close(), which can be the first word of a full
    // disk on network file systems.
    int close();

private:
    int fd_ = -1;
};

// open(2), again while it is interrupted by a signal. Returns -1 with errno set on failure.
int openRetrying(const char* path, int flags, mode_t mode = 0);

// Writes all of `bytes` at `offset` with pwrite, through short writes and signals.
// Returns 0 or the error.
int writeAllAt(int fd, std::string_view bytes, off_t offset);

// fsync, again while interrupted. Returns 0 or the error.
int syncRetrying(int fd);

// Clears O_NONBLOCK, which was only there so that opening could not wait. Returns 0 or the error.
int makeBlocking(int fd);

// "a folder", "a device", "a FIFO (named pipe)", ... for a st_mode that is no regular file.
std::string kindOf(mode_t mode);

// The reason for an errno value, as strerror gives it ("Permission denied").
std::string reasonOf(int error);

// ENOSPC and EDQUOT: there is no room, and the user should hear that in those words.
bool isDiskFull(int error);

} // namespace storage::posix
