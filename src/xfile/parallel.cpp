#include "xfile/parallel.h"

#include <atomic>
#include <cstdint>
#include <system_error>
#include <thread>

#include "xfile/buffers.h"

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14
#endif
#endif

namespace xfile::detail {

namespace {

// About 600 KB of text: reading it takes a few milliseconds, a hundred times
// what starting the thread costs.
constexpr std::size_t kDefaultThreshold = std::size_t(1) << 16;

std::atomic<std::size_t> forcedThreshold{0};
std::atomic<std::size_t> splitCount{0};

}  // namespace

bool splitArrayOf(std::size_t values)
{
    const std::size_t forced = forcedThreshold.load(std::memory_order_relaxed);
    if (forced != 0)
        return values >= forced;
    static const bool cores = std::thread::hardware_concurrency() > 1;
    return cores && values >= kDefaultThreshold;
}

bool alwaysAwaitHelper() { return forcedThreshold.load(std::memory_order_relaxed) != 0; }

void setSplitThreshold(std::size_t values) { forcedThreshold.store(values, std::memory_order_relaxed); }

void populateInBackground(void* begin, std::size_t bytes)
{
#if defined(__linux__)
    // Below a few megabytes the thread costs more than the faults it saves.
    constexpr std::size_t kWorthIt = std::size_t(4) << 20;
    static const bool cores = std::thread::hardware_concurrency() > 1;
    if (bytes < kWorthIt || !cores)
        return;
    const std::uintptr_t page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(begin) + page - 1) & ~(page - 1);
    const std::uintptr_t last = (reinterpret_cast<std::uintptr_t>(begin) + bytes) & ~(page - 1);
    if (last <= first)
        return;
    try {
        // An older kernel refuses the advice, and the range may be gone by
        // the time the thread runs: either way madvise fails and nothing happens.
        std::thread([first, last] {
            madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
        }).detach();
    } catch (const std::system_error&) {
        // No thread: the pages are mapped as they are written.
    }
#else
    (void)begin;
    (void)bytes;
#endif
}

std::size_t arraysSplit() { return splitCount.load(std::memory_order_relaxed); }

void noteArraySplit() { splitCount.fetch_add(1, std::memory_order_relaxed); }

}  // namespace xfile::detail
