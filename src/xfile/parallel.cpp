#include "xfile/parallel.h"

#include <atomic>
#include <thread>

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

std::size_t arraysSplit() { return splitCount.load(std::memory_order_relaxed); }

void noteArraySplit() { splitCount.fetch_add(1, std::memory_order_relaxed); }

}  // namespace xfile::detail
