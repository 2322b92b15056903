#include "heap.h"

#include <cstdint>
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace app {

// Why: loading a model writes tens of megabytes into memory the process has
// never touched, and the first touch of each 4 KB page is a fault; on a
// virtual machine a fault costs more than reading the numbers that fill the
// page (measured here: 3 ms a megabyte, two thirds of a binary file's load).
// A 2 MB huge page takes one fault for 512 of them. The C library asks the
// kernel for huge pages only when told to before the program starts; doing
// the same from here: the heap is grown once by 32 MB, that room is advised
// for huge pages, and blocks up to 32 MB come from the heap rather than from
// mappings of their own (which are given back, and faulted in again, each
// time). Memory is counted only as it is touched, and nothing changes what
// the program computes.
void growHeapInLargeSteps()
{
#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
    constexpr std::size_t kStep = std::size_t(32) << 20;
    constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;
    if (mallopt(M_MMAP_THRESHOLD, int(kStep)) == 0 || mallopt(M_TRIM_THRESHOLD, int(4 * kStep)) == 0 ||
        mallopt(M_TOP_PAD, int(kStep)) == 0)
        return;
    // A first block from the heap makes it grow by the step.
    char* const before = static_cast<char*>(sbrk(0));
    void* const first = std::malloc(64 * 1024);
    char* const after = static_cast<char*>(sbrk(0));
    // Only where the heap did grow (a replacement allocator may not use it).
    if (first && before != reinterpret_cast<char*>(-1) && after > before) {
        const std::uintptr_t from =
            (reinterpret_cast<std::uintptr_t>(before) + kHugePage - 1) & ~(kHugePage - 1);
        const std::uintptr_t to = reinterpret_cast<std::uintptr_t>(after) & ~(kHugePage - 1);
        if (to > from)
            madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
    }
    std::free(first);
#endif
}

}  // namespace app
