#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "cli/FlowCli.h"

namespace {

// A run reads one workbook into a few large buffers (the file, its cells, the packed trades) and
// ends. They come from one heap, reserved at once and advised for transparent huge pages, so the
// kernel fills it 2 MiB at a time instead of faulting in every 4 KiB page on first touch; a
// 20,000-trade day then takes some 500 page faults instead of 1,200. Nothing is reserved but
// address space: memory is used as it is touched.
void ReserveHugePageHeap() {
#ifdef __GLIBC__
    constexpr int kReserve = 64 << 20;
    mallopt(M_MMAP_THRESHOLD, 32 << 20);  // the largest glibc takes; large buffers stay on the heap
    mallopt(M_TRIM_THRESHOLD, 2 * kReserve);
    mallopt(M_TOP_PAD, kReserve);
    char* const start = static_cast<char*>(sbrk(0));
    void* volatile first = std::malloc(1 << 20);  // grows the heap by the reserve; volatile: kept
    char* const end = static_cast<char*>(sbrk(0));
    std::free(first);
    constexpr std::uintptr_t kHugePage = 2u << 20;
    const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(start) + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t to = reinterpret_cast<std::uintptr_t>(end) & ~(kHugePage - 1);
    if (start != reinterpret_cast<char*>(-1) && to > from) {
        madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);  // a hint: failure changes nothing
    }
#endif
}

}  // namespace

int main(int argc, char** argv) {
    ReserveHugePageHeap();
    std::setlocale(LC_ALL, "C");  // numbers are formatted with '.', whatever the user's locale
    std::vector<std::string> args(argv + 1, argv + argc);
    const int status = moxtel::RunFlowCli(args, std::cout, std::cerr, std::cin, isatty(STDIN_FILENO) != 0);
    // Output that never arrived (a full disk under `> file.csv`) is a failure, not a success.
    errno = 0;
    if (!std::cout.flush()) {
        std::cerr << "moxtel-flow: standard output: " << (errno ? std::strerror(errno) : "write failed") << "\n";
        return status != 0 ? status : 1;
    }
    return status;
}
