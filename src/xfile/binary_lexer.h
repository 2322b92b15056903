// Tokenizer for the binary encoding ("bin ", and "bzip" after decompression).
//
// The stream is a sequence of little-endian 16-bit token ids; NAME, STRING,
// INTEGER, GUID, INTEGER_LIST and FLOAT_LIST carry a record after the id.
// Numbers form one stream regardless of list boundaries: readUInt/readFloat
// take the next value of the current list and move on to the next list (or
// single INTEGER) when it is used up, so a writer may split or merge lists
// freely. Every record length is checked against the remaining bytes before
// it is trusted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "xfile/diagnostics.h"

namespace xfile::detail {

class BinaryLexer {
public:
    // Words in text need no quoting, so a name may look like a number.
    static constexpr bool kIsText = false;

    // Tokenizes [begin, end). `floatBits` (32 or 64) is the width of FLOAT_LIST
    // elements. `baseOffset` is added to offsets in messages (16 for a plain
    // binary file, whose stream starts after the header); `where` is appended
    // to them (e.g. " of the decompressed data"). `where` must outlive the lexer.
    BinaryLexer(const unsigned char* begin, const unsigned char* end, int floatBits, Diagnostics& diag,
                std::size_t baseOffset, const char* where = "");

    // Kind of the next token without consuming it. Returns Tok::Number while a
    // list is partly consumed. Invalid token ids and truncated records give
    // Tok::Other.
    Tok peek();

    // Consumes one token and describes it in `t` (a number token or list is
    // consumed whole). Fails on an invalid id or a truncated record.
    bool next(Token& t);

    // Skips ';' and ',' tokens.
    void skipSeparators();

    // Reads a NAME token.
    bool readName(std::string_view& name);

    // Reads the next integer of the number stream (from an INTEGER_LIST or an
    // INTEGER token), skipping separator tokens between lists. Fails when the
    // next value is a float or not a number at all.
    inline bool readUInt(std::uint32_t& value);
    // Reads `count` integers of the number stream.
    bool readUInts(std::uint32_t* out, std::size_t count);

    // Reads the next float of the number stream (FLOAT_LIST elements, 4- or
    // 8-byte as the header says; doubles are narrowed). Values beyond the
    // float range are read as 0 with a warning.
    bool readFloat(float& value);
    bool readFloats(float* out, std::size_t count);

    // Reads up to `count` polygons "n, i, i, ..." of the number stream whose
    // n is at least `minCorners` and whose indices are all below `limit`,
    // appending n and the indices to `flat`. Stops before the first polygon
    // that is not such or that reading would report, and returns how many it
    // read: the caller reads the rest one by one, so every message comes from
    // one place. Reads a few thousand at most per call.
    std::size_t readPlainPolygons(std::size_t count, std::uint32_t minCorners, std::uint32_t limit,
                                  std::vector<std::uint32_t>& flat);

    // Reads a STRING record (its trailing separator token is left in the stream).
    bool readString(std::string_view& value);

    // True when the rest of the input could hold `values` more values (each
    // takes at least 4 bytes).
    bool canHold(std::uint64_t values) const { return values <= std::uint64_t(end_ - p_) / 4 + listLeft_; }

    // Skips to the '}' matching an already consumed '{', decoding every record
    // so that payload bytes are never mistaken for tokens.
    bool skipBlock();

    std::size_t offset() const { return std::size_t(p_ - begin_); }
    void seek(std::size_t offset)
    {
        p_ = begin_ + offset;
        listLeft_ = 0;
    }
    std::size_t size() const { return std::size_t(end_ - begin_); }

    bool fail(const std::string& message);
    bool failAt(std::size_t offset, const std::string& message);
    bool failExpected(const char* what);
    std::string describeNext();

private:
    enum class List : std::uint8_t { None, Ints, Floats };
    // Quietly: false without a message, the stream where it was.
    bool fetchList(List wanted, bool quiet = false);
    bool readUIntSlow(std::uint32_t& value);
    bool narrow(double d, float& out);

    const unsigned char* begin_;
    const unsigned char* end_;
    const unsigned char* p_;
    // Current list: its next element and how many remain.
    const unsigned char* list_ = nullptr;
    std::uint32_t listLeft_ = 0;
    List listKind_ = List::None;
    int floatBytes_;
    Diagnostics& diag_;
    std::size_t baseOffset_;
    const char* where_;
    bool warnedRange_ = false;
};

inline bool BinaryLexer::readUInt(std::uint32_t& value)
{
    if (listLeft_ == 0 || listKind_ != List::Ints)
        return readUIntSlow(value);
    std::memcpy(&value, list_, 4);  // little-endian stream, little-endian targets
    list_ += 4;
    --listLeft_;
    return true;
}

}  // namespace xfile::detail
