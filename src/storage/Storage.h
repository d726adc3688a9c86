// SPDX-License-Identifier: MIT

#pragma once

// Reading and writing a whole file at a path, with care for what is there: a device, a FIFO, a
// socket or a folder is never opened for writing, a regular file keeps its mode, owner, group
// and hard links, and a full disk is told as such. POSIX only, no Qt: paths are byte strings,
// so a name in any encoding works (the editor passes QFile::encodeName of its path).
//
// Every message is one line in the way of strerror's reasons ("Permission denied"), without the
// path, meant to follow one: "cannot write 'Commands.hlp': The disk is full: ...".

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace storage {

enum class ReadError {
    None,
    NotFound,       // nothing at the path (or a folder on the way is missing)
    NotRegularFile, // a folder, device, FIFO or socket: refused without blocking
    Unreadable,     // there, but it cannot be opened or read; the message is strerror's reason
    TooLarge,       // more than the caller's limit of bytes
};

struct ReadResult {
    std::string bytes; // empty unless ok()
    ReadError error = ReadError::None;
    std::string message; // empty on success

    bool ok() const { return error == ReadError::None; }
};

// Reads the whole regular file at `path` (a symbolic link is followed). A file that says it is
// empty is still read to its end, as /proc files do, but never more than `maxBytes` + 1 bytes.
ReadResult readFile(const std::filesystem::path& path, std::size_t maxBytes);

// Reads the open descriptor `fd` to its end (standard input: a pipe, a terminal, a device or a
// file) in pieces, never more than `maxBytes` + 1 bytes: more is TooLarge, so an endless stream
// (/dev/zero) ends too. A folder is refused (NotRegularFile). The descriptor is not closed.
ReadResult readStream(int fd, std::size_t maxBytes);

// Reads what a command-line user names to be read: a regular file as readFile does; a FIFO or
// a character device (/dev/stdin, /dev/zero, a terminal) as readStream does, after an open that
// waits for a FIFO's writer as any reader of one does. A folder, a socket or a block device is
// refused (NotRegularFile) before it is opened.
ReadResult readInput(const std::filesystem::path& path, std::size_t maxBytes);

enum class WriteError {
    None,
    NotRegularFile, // something other than a regular file is there; it was not touched
    DiskFull,       // ENOSPC or EDQUOT at any step
    Failed,         // any other failure; the message names the reason and the step
};

struct WriteResult {
    WriteError error = WriteError::None;
    std::string message; // empty on success
    // On failure: true when the file at the path may no longer hold its old bytes whole (a
    // write in place that failed part-way, or a folder that could not be flushed after the new
    // file took the old one's place). False means the old file is exactly as it was.
    bool fileChanged = false;

    bool ok() const { return error == WriteError::None; }
};

// Makes the file at `path` hold exactly `bytes`, and reports success only once they are on disk.
//  - A symbolic link is followed and its target written; the link stays a link.
//  - A folder, device, FIFO or socket there is refused before it is opened, and so is a
//    regular file that may not be written (its mode says so, or the file system is read-only).
//  - Nothing there: a new file with the usual mode (0666 less the umask).
//  - A regular file is replaced whole: a temporary file beside it takes the bytes, is flushed,
//    gets the old mode, owner and group, and is renamed over the old one. The old file stays
//    untouched until then, and the temporary file is removed on any failure.
//  - Where that would not keep the file what it was (it has other hard links, its owner or
//    group cannot be given to a new file, or the folder takes no new files while the file is
//    writable), the file is written in place: the new size is reserved first, so a full disk
//    is found before an old byte changes. A failure after that sets fileChanged; the caller
//    keeps its own copy of the document until this returns success.
WriteResult writeFile(const std::filesystem::path& path, std::string_view bytes);

} // namespace storage
