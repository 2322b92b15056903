#include "xfile/mszip.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "xfile/buffers.h"

namespace xfile::detail {

namespace {

std::uint16_t rd16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t rd32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

// Owns a raw-deflate zlib stream so every exit path releases it.
struct Inflater {
    z_stream s{};
    bool ok = false;
    Inflater() { ok = inflateInit2(&s, -15) == Z_OK; }
    ~Inflater()
    {
        if (ok)
            inflateEnd(&s);
    }
};

std::string at(std::size_t offset) { return "byte offset " + std::to_string(offset) + ": "; }

}  // namespace

bool decompressMszip(const unsigned char* data, std::size_t size, std::size_t baseOffset,
                     std::vector<char>& out, std::string& error, std::string& warning)
{
    out.clear();
    if (size < 4) {
        error = at(baseOffset) + "compressed file ends before its size field";
        return false;
    }
    const std::uint32_t total = rd32(data);
    if (total < 16) {
        error = at(baseOffset) + "compressed file declares a total size of " + std::to_string(total) +
                " bytes, less than its own header";
        return false;
    }
    const std::size_t expected = std::size_t(total) - 16;
    if (expected > kMaxDecompressedBytes) {
        error = at(baseOffset) + "compressed file declares " + std::to_string(expected) +
                " bytes of content, over the " + std::to_string(kMaxDecompressedBytes >> 20) + " MiB limit";
        return false;
    }
    // Every block costs at least 7 input bytes (sizes, "CK", one deflate byte)
    // and yields at most 64 KiB, which bounds what the input can describe.
    const std::size_t blocksPossible = (size - 4) / 7 + 1;
    if (expected / 65535 > blocksPossible) {
        error = at(baseOffset) + "compressed file declares " + std::to_string(expected) +
                " bytes of content, more than its " + std::to_string(size) + " bytes could hold";
        return false;
    }

    Inflater inf;
    if (!inf.ok) {
        error = "cannot initialise the decompressor";
        return false;
    }
    // Deflate cannot expand by more than about 1032:1; reserve no more than that.
    reserveLarge(out, std::min<std::size_t>(expected, (size - 4) * 1032));

    std::size_t pos = 4;
    std::size_t block = 0;
    while (pos < size) {
        const std::size_t blockOffset = baseOffset + pos;
        if (out.size() == expected && size - pos < 6)
            break;  // padding after the last block
        if (size - pos < 6) {
            error = at(blockOffset) + "compressed block " + std::to_string(block) + " is truncated";
            return false;
        }
        const std::size_t rawSize = rd16(data + pos);
        const std::size_t packedSize = rd16(data + pos + 2);
        if (packedSize < 2 || data[pos + 4] != 'C' || data[pos + 5] != 'K') {
            error =
                at(blockOffset) + "compressed block " + std::to_string(block) + " lacks its \"CK\" signature";
            return false;
        }
        if (packedSize > size - pos - 4) {
            error = at(blockOffset) + "compressed block " + std::to_string(block) +
                    " runs past the end of the file";
            return false;
        }
        if (rawSize > expected - out.size()) {
            error = at(blockOffset) + "compressed data exceeds the declared total of " +
                    std::to_string(total) + " bytes";
            return false;
        }

        const std::size_t start = out.size();
        out.resize(start + rawSize);
        if (block > 0) {
            if (inflateReset(&inf.s) != Z_OK) {
                error = "decompressor failure";
                return false;
            }
            const std::size_t history = std::min<std::size_t>(start, 32768);
            if (history > 0 &&
                inflateSetDictionary(&inf.s, reinterpret_cast<const Bytef*>(out.data() + start - history),
                                     static_cast<uInt>(history)) != Z_OK) {
                error = "decompressor failure";
                return false;
            }
        }
        // One spare output byte detects a block that inflates to more than it declares.
        unsigned char spare = 0;
        inf.s.next_in = const_cast<Bytef*>(data + pos + 6);
        inf.s.avail_in = static_cast<uInt>(packedSize - 2);
        inf.s.next_out = reinterpret_cast<Bytef*>(out.data() + start);
        inf.s.avail_out = static_cast<uInt>(rawSize);
        int rc = rawSize > 0 ? inflate(&inf.s, Z_FINISH) : Z_BUF_ERROR;
        const std::size_t produced = rawSize - inf.s.avail_out;
        if (rc != Z_STREAM_END && produced == rawSize && rc != Z_DATA_ERROR && rc != Z_NEED_DICT) {
            inf.s.next_out = &spare;
            inf.s.avail_out = 1;
            rc = inflate(&inf.s, Z_FINISH);
            if (inf.s.avail_out == 0) {
                error = at(blockOffset) + "compressed block " + std::to_string(block) +
                        " inflates to more than its declared " + std::to_string(rawSize) + " bytes";
                return false;
            }
            // The deflate stream may lack its final-block flag; all of its
            // input consumed with exactly the declared output is accepted.
            if (rc != Z_STREAM_END && inf.s.avail_in == 0)
                rc = Z_STREAM_END;
        }
        if (rc == Z_DATA_ERROR || rc == Z_NEED_DICT) {
            error = at(blockOffset) + "compressed block " + std::to_string(block) + " is corrupt" +
                    (inf.s.msg ? std::string(" (") + inf.s.msg + ")" : std::string());
            return false;
        }
        if (rc != Z_STREAM_END || produced != rawSize) {
            error = at(blockOffset) + "compressed block " + std::to_string(block) + " inflates to " +
                    std::to_string(produced) + " bytes instead of its declared " + std::to_string(rawSize);
            return false;
        }
        pos += 4 + packedSize;
        ++block;
    }
    if (out.size() < expected) {
        warning = "compressed data holds " + std::to_string(out.size()) + " bytes, less than the declared " +
                  std::to_string(expected);
    }
    return true;
}

}  // namespace xfile::detail
