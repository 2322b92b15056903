#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace xgen {

// Largest amount of uncompressed data one MSZIP block may hold, and the
// deflate window a block may refer back into.
inline constexpr std::size_t kMsZipBlockSize = 32768;

struct MsZipOptions {
    // Uncompressed bytes per block, at most kMsZipBlockSize.
    std::size_t blockSize = kMsZipBlockSize;
    // Whether a block may refer back into the 32 KiB before it, as real
    // writers do; without, each block stands alone.
    bool history = true;
};

// MSZIP blocks for `data`: each block is u16 uncompressed size, u16 size of
// what follows ("CK" plus raw deflate data), "CK", raw deflate data. With
// history, each block is compressed with the previous 32 KiB of input as its
// dictionary, so a reader must carry the deflate history from block to block.
// Throws std::runtime_error when zlib fails or a block size is out of range.
std::string msZipBlocks(std::string_view data, MsZipOptions options = {});

// One block holding `data` compressed with `history` as its dictionary, with
// `declared` written as its uncompressed size whatever `data` holds: hostile
// files that lie about their sizes are made with it. Throws
// std::runtime_error when zlib fails or a size does not fit its 16 bits.
std::string msZipBlock(std::string_view data, std::size_t declared, std::string_view history = {});

}  // namespace xgen
