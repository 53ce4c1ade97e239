#pragma once

// Measures how much a piece of work raises the peak memory of a process: the work runs in a
// forked child whose peak (VmHWM) is reset first, so what the test process held before does not count.

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>

namespace moxtel::testing {

inline long StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
    }
    return -1;
}

// Runs work in a forked child whose address space may grow by at most extraKb: the child's
// allocations past that fail (std::bad_alloc) instead of taking the machine. True when work returned
// true and the child ended normally (an escaped exception aborts it).
inline bool RunWithMemoryCap(long extraKb, const std::function<bool()>& work) {
    const pid_t pid = fork();
    if (pid == 0) {
        // Memory the test process freed earlier is returned first: left in the heap it would be
        // room inside the cap that the cap does not count.
        malloc_trim(0);
        const rlim_t cap = static_cast<rlim_t>(StatusKb("VmSize:") + extraKb) * 1024;
        const rlimit limit{cap, cap};
        setrlimit(RLIMIT_AS, &limit);
        _exit(work() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Peak growth in KiB, or -1 when the child failed (crashed, or work returned false).
inline long PeakGrowthKb(const std::function<bool()>& work) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::ofstream("/proc/self/clear_refs") << "5";  // resets VmHWM to the current size
        const long before = StatusKb("VmHWM:");
        const bool ok = work();
        const long growth = ok ? StatusKb("VmHWM:") - before : -1;
        (void)!write(fds[1], &growth, sizeof growth);
        _exit(0);
    }
    close(fds[1]);
    long growth = -1;
    if (read(fds[0], &growth, sizeof growth) != static_cast<ssize_t>(sizeof growth)) growth = -1;
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return growth;
}

}  // namespace moxtel::testing
