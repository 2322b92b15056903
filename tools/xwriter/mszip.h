#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace xgen {

// Largest amount of uncompressed data one MSZIP block may hold.
inline constexpr std::size_t kMsZipBlockSize = 32768;

// MSZIP blocks for `data`: each block is u16 uncompressed size, u16 size of
// what follows ("CK" plus raw deflate data), "CK", raw deflate data. Each
// block is compressed with the previous 32 KiB of input as its dictionary, so
// a reader must carry the deflate history from block to block.
std::string msZipBlocks(std::string_view data);

}  // namespace xgen
