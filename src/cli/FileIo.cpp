#include "cli/FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <system_error>

#if __has_include(<unistd.h>)
#include <unistd.h>
#define SKYREND_HAVE_FSYNC 1
#endif

namespace skyrend {
namespace fs = std::filesystem;

namespace {

std::string reasonOf(int error)
{
    return std::strerror(error);
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

std::optional<std::string> readWholeFile(const fs::path& path, std::string& bytes)
{
    bytes.clear();
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return "Is a directory";
    errno = 0;
    std::FILE* f = std::fopen(path.string().c_str(), "rb");
    if (!f)
        return reasonOf(errno ? errno : ENOENT);
    std::unique_ptr<std::FILE, FileCloser> guard(f);
    const auto size = fs::file_size(path, ec);
    if (!ec && fs::is_regular_file(path, ec))
        bytes.reserve(std::size_t(size));
    return readWholeStream(f, bytes);
}

std::optional<std::string> readWholeStream(std::FILE* stream, std::string& bytes)
{
    char buffer[1 << 16];
    for (;;) {
        errno = 0;
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, stream);
        bytes.append(buffer, got);
        if (got < sizeof buffer) {
            if (std::ferror(stream)) {
                const int error = errno ? errno : EIO;
                bytes.clear();
                return reasonOf(error);
            }
            break;
        }
    }
    return std::nullopt;
}

std::optional<std::string> writeFileAtomically(const fs::path& path, std::string_view bytes)
{
    std::error_code ec;
    fs::path target = path;
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec)
            target = resolved;
    }
    if (fs::is_directory(target, ec))
        return "Is a directory";
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");

    // A name of our own in the same folder, so the rename stays on one file system.
    std::random_device seed;
    std::mt19937_64 random(seed());
    fs::path temp;
    std::FILE* f = nullptr;
    int openError = 0;
    for (int attempt = 0; attempt < 16 && !f; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%016llx.tmp",
                      static_cast<unsigned long long>(random()));
        temp = folder / (target.filename().string() + suffix);
        errno = 0;
        f = std::fopen(temp.string().c_str(), "wbx");
        openError = errno;
        if (!f && openError != EEXIST)
            break;
    }
    if (!f)
        return reasonOf(openError ? openError : EIO);

    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    int error = ok ? 0 : errno;
    if (ok && std::fflush(f) != 0) {
        ok = false;
        error = errno;
    }
#ifdef SKYREND_HAVE_FSYNC
    // The data must be on disk before the rename makes it the file, or a crash could leave
    // an empty file in place of the old one.
    if (ok && ::fsync(::fileno(f)) != 0) {
        ok = false;
        error = errno;
    }
#endif
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok) {
        // Keep the old file's permissions; a new file gets the usual ones.
        const auto old = fs::status(target, ec);
        if (!ec && fs::exists(old))
            fs::permissions(temp, old.permissions(), ec);
        fs::rename(temp, target, ec);
        if (!ec)
            return std::nullopt;
        const std::string reason = ec.message();
        fs::remove(temp, ec);
        return reason;
    }
    fs::remove(temp, ec);
    return reasonOf(error ? error : EIO);
}

} // namespace skyrend
