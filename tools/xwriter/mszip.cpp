#include "mszip.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace xgen {

namespace {

class RawDeflater {
public:
    RawDeflater()
    {
        if (deflateInit2(&stream_, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
            throw std::runtime_error("deflateInit2 failed");
        }
    }
    ~RawDeflater() { deflateEnd(&stream_); }
    RawDeflater(const RawDeflater&) = delete;
    RawDeflater& operator=(const RawDeflater&) = delete;

    // Compresses `chunk` as one complete deflate stream (last block final),
    // primed with `history`.
    std::string compress(std::string_view chunk, std::string_view history)
    {
        deflateReset(&stream_);
        if (!history.empty() &&
            deflateSetDictionary(&stream_, bytes(history), static_cast<uInt>(history.size())) != Z_OK) {
            throw std::runtime_error("deflateSetDictionary failed");
        }
        std::vector<unsigned char> out(deflateBound(&stream_, chunk.size()) + 16);
        stream_.next_in = const_cast<Bytef*>(bytes(chunk));
        stream_.avail_in = static_cast<uInt>(chunk.size());
        stream_.next_out = out.data();
        stream_.avail_out = static_cast<uInt>(out.size());
        if (deflate(&stream_, Z_FINISH) != Z_STREAM_END) {
            throw std::runtime_error("deflate did not finish");
        }
        return std::string(reinterpret_cast<const char*>(out.data()), out.size() - stream_.avail_out);
    }

private:
    static const Bytef* bytes(std::string_view s) { return reinterpret_cast<const Bytef*>(s.data()); }

    z_stream stream_{};
};

void putU16(std::string& out, std::size_t v)
{
    if (v > 0xFFFF) {
        throw std::runtime_error("MSZIP block field overflows 16 bits");
    }
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

}  // namespace

std::string msZipBlock(std::string_view data, std::size_t declared, std::string_view history)
{
    RawDeflater deflater;
    const std::string packed = deflater.compress(data, history);
    std::string out;
    putU16(out, declared);
    putU16(out, packed.size() + 2);
    out += "CK";
    out += packed;
    return out;
}

std::string msZipBlocks(std::string_view data, MsZipOptions options)
{
    if (options.blockSize == 0 || options.blockSize > kMsZipBlockSize) {
        throw std::runtime_error("MSZIP block size out of range");
    }
    RawDeflater deflater;
    std::string out;
    for (std::size_t offset = 0; offset < data.size(); offset += options.blockSize) {
        const std::string_view chunk = data.substr(offset, options.blockSize);
        const std::size_t historyStart = offset > kMsZipBlockSize ? offset - kMsZipBlockSize : 0;
        const std::string_view history =
            options.history ? data.substr(historyStart, offset - historyStart) : std::string_view{};
        const std::string packed = deflater.compress(chunk, history);
        putU16(out, chunk.size());
        putU16(out, packed.size() + 2);
        out += "CK";
        out += packed;
    }
    return out;
}

}  // namespace xgen
