// The heap policy: blocks of megabytes come from the heap, in room the
// kernel is asked to back with huge pages, and the heap grows for blocks up
// to 32 MB.
#include "heap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct Mapping {
    std::string name;
    bool found = false;
    bool hugePagesAdvised = false;  // the kernel's "THPeligible"
};

// The mapping of this process that holds `address`, as /proc/self/smaps
// describes it.
Mapping mappingOf(const void* address)
{
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream smaps("/proc/self/smaps");
    Mapping result;
    bool inside = false;
    for (std::string line; std::getline(smaps, line);) {
        std::uintptr_t start = 0, end = 0;
        char dash = 0;
        std::istringstream fields(line);
        if (fields >> std::hex >> start >> dash >> end && dash == '-') {
            if (inside)
                break;
            inside = start <= at && at < end;
            if (inside) {
                result.found = true;
                std::string perms, offset, device, inode;
                fields >> perms >> offset >> device >> inode;
                std::getline(fields >> std::ws, result.name);
            }
        } else if (inside && line.rfind("THPeligible:", 0) == 0) {
            result.hugePagesAdvised = line.find('1') != std::string::npos;
        }
    }
    return result;
}

std::string hugePageMode()
{
    std::ifstream mode("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string text;
    std::getline(mode, text);
    const auto open = text.find('['), close = text.find(']');
    return open == std::string::npos || close == std::string::npos ? ""
                                                                   : text.substr(open + 1, close - open - 1);
}

TEST(Heap, BlocksOfMegabytesComeFromTheHeapInRoomAdvisedForHugePages)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer's allocator does not use the heap";
#endif
    app::growHeapInLargeSteps();
    constexpr std::size_t kSize = std::size_t(8) << 20;
    char* block = static_cast<char*>(std::malloc(kSize));
    ASSERT_NE(block, nullptr);
    const Mapping mapping = mappingOf(block + kSize / 2);
    ASSERT_TRUE(mapping.found);
    EXPECT_EQ(mapping.name, "[heap]") << "an 8 MB block was given a mapping of its own";
    // Only where huge pages are given on request can the advice be seen.
    if (hugePageMode() == "madvise") {
        EXPECT_TRUE(mapping.hugePagesAdvised);
    }

    // A block the heap has no room left for makes it grow again, rather
    // than having a mapping of its own that is given back when freed.
    constexpr std::size_t kMore = std::size_t(28) << 20;
    char* more = static_cast<char*>(std::malloc(kMore));
    ASSERT_NE(more, nullptr);
    EXPECT_EQ(mappingOf(more + kMore / 2).name, "[heap]") << "a 28 MB block was given a mapping of its own";
    std::free(more);
    std::free(block);
}

}  // namespace
