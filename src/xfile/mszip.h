// MSZIP decompression for "tzip"/"bzip" files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace xfile::detail {

// Upper bound on the decompressed body. A bigger declared size is refused
// outright, before anything is inflated, so a decompression bomb costs nothing.
constexpr std::size_t kMaxDecompressedBytes = std::size_t(1) << 30;

// Decompresses the stream that follows the 16-byte header of a compressed
// file: a u32 total size (counting the 16 header bytes), then blocks of
// u16 uncompressed size, u16 compressed size (counting the "CK" signature),
// "CK" and raw deflate data. Deflate history carries over from block to block
// (a block may refer back into earlier blocks' output).
//
// On success `out` holds exactly the decompressed body (without any header).
// Returns false and sets `error` (with the byte offset in the file) when the
// declared size is implausible or over kMaxDecompressedBytes, a block lacks
// its signature, is truncated, fails to inflate, or inflates to anything but
// its declared size, or the blocks add up to more than the declared total.
// A total that comes out smaller than declared is kept with a `warning`.
// `baseOffset` is the file offset of `data`, used only in messages.
bool decompressMszip(const unsigned char* data, std::size_t size, std::size_t baseOffset,
                     std::vector<char>& out, std::string& error, std::string& warning);

}  // namespace xfile::detail
