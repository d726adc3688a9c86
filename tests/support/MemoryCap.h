// SPDX-License-Identifier: MIT

#pragma once

#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs `work` in a child process whose address space is capped `headroom` bytes above what it
// already uses, so that a needless big allocation fails there instead of passing unseen.
// Returns the child's exit status: 0 when `work` gave true, 1 when false, 2 when it threw
// (std::bad_alloc, say), 3 when the cap could not be set, -1 when the child did not exit.
// AddressSanitizer reserves more address space than any cap leaves: tests skip under it.
inline int exitOfCappedChild(const std::function<bool()>& work, rlim_t headroom)
{
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        long pages = 0;
        if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%ld", &pages) != 1)
                pages = 0;
            std::fclose(statm);
        }
        rlimit cap{};
        if (pages <= 0 || getrlimit(RLIMIT_AS, &cap) != 0)
            _exit(3);
        cap.rlim_cur = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + headroom;
        if (setrlimit(RLIMIT_AS, &cap) != 0)
            _exit(3);
        try {
            _exit(work() ? 0 : 1);
        } catch (...) {
            _exit(2);
        }
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}
