// SPDX-License-Identifier: MIT
// The usual way to save: a temporary file beside the old one takes the new bytes and then its
// place, so the old file stays whole until the new one is complete and on disk.

#include "storage/Posix.h"
#include "storage/WriteSteps.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace storage::detail {
namespace {

namespace fs = std::filesystem;
using posix::Fd;

// A name nobody else picks: the process, the time and a count, mixed (splitmix64).
std::uint64_t uniqueNumber()
{
    static std::atomic<std::uint64_t> count{0};
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::uint64_t x = std::uint64_t(now.tv_nsec) ^ (std::uint64_t(now.tv_sec) << 30) ^
                      (std::uint64_t(::getpid()) << 40) ^ (count++ * 0x9e3779b97f4a7c15u);
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9u;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebu;
    return x ^ (x >> 31);
}

// A new file beside the target, removed again unless it was put in the target's place.
class TempFile {
public:
    TempFile() = default;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile()
    {
        fd_.close();
        if (!path_.empty())
            ::unlink(path_.c_str());
    }

    // Creates the file with O_EXCL under a fresh name. Returns 0 or the error.
    int create(const fs::path& folder, const fs::path& name, mode_t mode)
    {
        // Hidden, and short enough that the name stays within NAME_MAX.
        std::string base(1, '.');
        base.append(name.string(), 0, 200);
        base += '.';
        for (int attempt = 0; attempt < 100; ++attempt) {
            char suffix[24];
            std::snprintf(suffix, sizeof suffix, "%012llx.tmp",
                          static_cast<unsigned long long>(uniqueNumber() >> 16));
            const fs::path path = folder / (base + suffix);
            const int fd = posix::openRetrying(
                path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
            if (fd >= 0) {
                fd_ = Fd(fd);
                path_ = path;
                return 0;
            }
            if (errno != EEXIST)
                return errno;
        }
        return EEXIST;
    }

    int fd() const { return fd_.get(); }
    const fs::path& path() const { return path_; }
    int close() { return fd_.close(); }
    // The file now stands under the target's name: nothing to remove.
    void keep() { path_.clear(); }

private:
    Fd fd_;
    fs::path path_;
};

// The folder's entry for the new file must be on disk too, or a crash could bring back the
// old file (or none) after the save was reported done.
int syncFolder(const fs::path& folder)
{
    Fd dir(posix::openRetrying(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir)
        return 0; // a folder we may write but not read: the rename is all we can do
    const int error = posix::syncRetrying(dir.get());
    return error == EINVAL ? 0 : error; // some file systems cannot flush a folder
}

Replaced fail(int error, std::string_view step)
{
    return {failure(error, step, Left::Unchanged), false};
}

} // namespace

Replaced replaceWhole(const fs::path& target, const struct stat* old, std::string_view bytes)
{
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    TempFile temp;
    // Only its owner may read the bytes while they are written; a new file gets the mode any
    // program's new file gets (0666 less the umask, or the folder's default ACL).
    if (const int error = temp.create(folder, target.filename(), old ? 0600 : 0666)) {
        const bool folderRefuses = error == EACCES || error == EPERM || error == EROFS;
        if (old && folderRefuses)
            return {{}, true};
        return fail(error, "creating a temporary file in '" + folder.string() + "'");
    }
    if (const int error = posix::writeAllAt(temp.fd(), bytes, 0))
        return fail(error, "writing the temporary file");
    if (const int error = posix::syncRetrying(temp.fd()))
        return fail(error, "flushing the temporary file to disk");
    if (old) {
        struct stat now {};
        if (::fstat(temp.fd(), &now) != 0)
            return fail(errno, "looking at the temporary file");
        // Owner and group first: fchown clears the set-user-ID and set-group-ID bits.
        if ((now.st_uid != old->st_uid || now.st_gid != old->st_gid) &&
            ::fchown(temp.fd(), old->st_uid, old->st_gid) != 0)
            return {{}, true};
        if (::fchmod(temp.fd(), old->st_mode & 07777) != 0)
            return fail(errno, "giving the temporary file the old file's mode");
    }
    if (const int error = temp.close())
        return fail(error, "closing the temporary file");
    if (::rename(temp.path().c_str(), target.c_str()) != 0)
        return fail(errno, "putting the new file in the old one's place");
    temp.keep();
    if (const int error = syncFolder(folder))
        return {failure(error, "flushing the folder to disk", Left::ReplacedNotFlushed), false};
    return {};
}

} // namespace storage::detail
