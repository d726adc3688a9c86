// SPDX-License-Identifier: MIT

#pragma once

// Helpers for the storage tests: files made and looked at with plain POSIX calls, special
// files made in a test's own folder (never the real /dev), and test bodies run in a child
// process for what the test process must not do to itself: drop its privileges, or mount a
// tiny disk in a mount namespace of its own.

#include <QtTest>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kit {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534; // the owner and group given to files "of somebody else"

inline std::string errorText()
{
    return std::strerror(errno);
}

inline void put(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!(out << bytes).flush())
        throw std::runtime_error("cannot write " + path.string());
}

inline std::string contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<unreadable>";
}

inline struct stat lstatOf(const fs::path& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        st.st_mode = 0;
    return st;
}

// The names in a folder, to see that no temporary file was left behind.
inline QStringList namesIn(const fs::path& folder)
{
    QStringList names;
    for (const auto& entry : fs::directory_iterator(folder))
        names << QString::fromStdString(entry.path().filename().string());
    names.sort();
    return names;
}

// The device is made with the numbers of /dev/full: harmless were it opened. The block device
// has a major number of no driver: opening it could reach no disk.
enum class Node { Folder, FullDevice, BlockDevice, Fifo, Socket };
constexpr Node kNodes[] = {Node::Folder, Node::FullDevice, Node::BlockDevice, Node::Fifo,
                           Node::Socket};

// How the storage library's messages name it.
inline const char* kindOf(Node node)
{
    const char* const kinds[] = {"a folder", "a device", "a block device", "a FIFO (named pipe)",
                                 "a socket"};
    return kinds[int(node)];
}

// Makes a special file at `path`. Returns why it could not, for a skip ("" when it did).
inline std::string make(Node node, const fs::path& path)
{
    int result = 0;
    if (node == Node::Socket) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        result = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::close(fd);
    } else {
        result = node == Node::Folder ? ::mkdir(path.c_str(), 0755)
                 : node == Node::Fifo ? ::mkfifo(path.c_str(), 0644)
                 : node == Node::FullDevice
                     ? ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 7))
                     : ::mknod(path.c_str(), S_IFBLK | 0600, makedev(240, 0));
    }
    return result == 0 ? std::string() : "cannot make the node (" + errorText() + ")";
}

// Runs `body` in a child process. Its report is empty when all went as expected, else what
// went wrong, or "SKIP: why" when the child could not set itself up.
inline std::string inChild(const std::function<std::string()>& body)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "pipe: " + errorText();
    const pid_t pid = ::fork();
    if (pid < 0)
        return "fork: " + errorText();
    if (pid == 0) {
        ::close(pipeFds[0]);
        std::string report;
        try {
            report = body();
        } catch (const std::exception& e) {
            report = e.what();
        }
        const bool sent =
            ::write(pipeFds[1], report.data(), report.size()) == ssize_t(report.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(pipeFds[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, std::size_t(got));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        report += " (the child process did not end normally)";
    return report;
}

// In a child: becomes an ordinary user (uid and gid 65534) when running as root.
inline std::string becomeOrdinaryUser()
{
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
        return "cannot drop privileges: " + errorText();
    return {};
}

// In a child: puts a tmpfs of `size` ("64k") on `folder`, seen by this process alone.
inline std::string mountTinyDisk(const fs::path& folder, const char* size)
{
    if (::geteuid() != 0)
        return "SKIP: mounting a tiny disk needs root";
    if (::unshare(CLONE_NEWNS) != 0)
        return "SKIP: no mount namespace of our own (" + errorText() + ")";
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", folder.c_str(), "tmpfs", 0, (std::string("size=") + size).c_str()) != 0)
        return "SKIP: cannot mount a tmpfs (" + errorText() + ")";
    return {};
}

} // namespace kit

Q_DECLARE_METATYPE(kit::Node)

// Passes on a child's report: a failure, a skip, or nothing.
#define KIT_CHECK_CHILD(report)                                                                    \
    do {                                                                                           \
        const std::string kitReport = (report);                                                    \
        if (kitReport.rfind("SKIP: ", 0) == 0)                                                     \
            QSKIP(kitReport.c_str() + 6);                                                          \
        QVERIFY2(kitReport.empty(), kitReport.c_str());                                            \
    } while (false)
