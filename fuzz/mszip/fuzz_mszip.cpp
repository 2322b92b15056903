// libFuzzer entry point for MSZIP decompression on its own: the bytes after
// a compressed file's 16-byte header. Any byte string must decompress within
// the declared total or fail with a message.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "xfile/mszip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<char> out;
    std::string error, warning;
    const bool ok = xfile::detail::decompressMszip(data, size, 16, out, error, warning);
    if (ok) {
        // Never more than the declared total, which sits in the first four bytes.
        const std::uint32_t total = std::uint32_t(data[0]) | (std::uint32_t(data[1]) << 8) |
                                    (std::uint32_t(data[2]) << 16) | (std::uint32_t(data[3]) << 24);
        if (out.size() > total - 16 || out.size() > xfile::detail::kMaxDecompressedBytes)
            __builtin_trap();
        if ((out.size() < total - 16) == warning.empty())
            __builtin_trap();
    } else if (error.empty()) {
        __builtin_trap();
    }
    return 0;
}
