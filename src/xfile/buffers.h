// Reserving the large arrays a load fills.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace xfile::detail {

// Reserves room for `count` elements in `v`. A big array is filled page by
// page, and each first touch of a page is a fault; where the kernel offers
// transparent huge pages on request, asking for them cuts those faults
// 512-fold (on some virtual machines faults dominate the whole load).
// Only whole huge pages inside the allocation are advised; nothing else changes.
template <class T>
void reserveLarge(std::vector<T>& v, std::size_t count)
{
    if (count <= v.capacity())
        return;
    v.reserve(count);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHuge = std::uintptr_t(2) << 20;
    const std::size_t bytes = v.capacity() * sizeof(T);
    if (bytes < kHuge)
        return;
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(v.data());
    const std::uintptr_t first = (begin + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t last = (begin + bytes) & ~(kHuge - 1);
    if (last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
}

// Has the kernel map the pages of [begin, begin + bytes) on another thread,
// so that its zeroing of fresh pages overlaps the caller's work rather than
// stalling each first write. The thread only hands the range to the kernel
// (it reads and writes nothing), so nothing waits for it; small ranges and a
// machine with one core are left alone.
void populateInBackground(void* begin, std::size_t bytes);

// reserveLarge for an array that is about to be filled up to `count`
// elements: the pages of the new room are mapped ahead of the writes.
template <class T>
void reserveToFill(std::vector<T>& v, std::size_t count)
{
    if (count <= v.capacity())
        return;
    reserveLarge(v, count);
    populateInBackground(v.data() + v.size(), (count - v.size()) * sizeof(T));
}

}  // namespace xfile::detail
