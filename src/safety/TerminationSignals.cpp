// SPDX-License-Identifier: MIT

#include "safety/TerminationSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace safety {
namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGHUP, SIGINT};

// Shared with the handler, which may touch nothing else.
int g_fds[2] = {-1, -1}; // [0]: written by the handler, [1]: read on the event loop
std::array<struct sigaction, kSignals.size()> g_previous{};
bool g_installed = false;

extern "C" void onTerminationSignal(int signal)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signal);
    // Non-blocking: a full socket (signals faster than the loop reads) drops the byte, never
    // hangs the handler.
    [[maybe_unused]] const ssize_t written = ::write(g_fds[0], &byte, 1);
    errno = savedErrno;
}

void closeSockets()
{
    for (int& fd : g_fds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {}

TerminationSignals::~TerminationSignals()
{
    restore();
}

bool TerminationSignals::installed() const
{
    return notifier_ != nullptr;
}

bool TerminationSignals::install()
{
    if (g_installed)
        return installed();
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_fds) != 0)
        return false;

    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // system calls the signal interrupts go on
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        if (::sigaction(kSignals[i], &action, &g_previous[i]) != 0) {
            while (i-- > 0)
                ::sigaction(kSignals[i], &g_previous[i], nullptr);
            closeSockets();
            return false;
        }
    }
    g_installed = true;
    notifier_ = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);
    return true;
}

void TerminationSignals::restore()
{
    if (!notifier_)
        return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    delete notifier_;
    notifier_ = nullptr;
    closeSockets();
    g_installed = false;
}

void TerminationSignals::readSignal()
{
    unsigned char bytes[16];
    const ssize_t n = ::read(g_fds[1], bytes, sizeof bytes);
    for (ssize_t i = 0; i < n; ++i)
        emit requested(int(bytes[i]));
}

} // namespace safety
