#pragma once

// An independent reader for the tests: splits a .x file of any encoding into
// the tokens it carries, with the ',' and ';' separators left out, so that
// encodings can be compared with each other.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xtest {

struct XToken {
    enum Kind { Name, String, Integer, Float, Guid, Keyword, Punct } kind;
    std::string text{};  // Name, String, Guid (upper case), Keyword, Punct
    std::uint64_t integer = 0;
    double number = 0.0;
};

struct MsZipBlock {
    std::size_t offset;  // of the block header in the file
    std::size_t uncompressedSize;
    std::size_t compressedSize;  // as stored: "CK" plus deflate data
    bool hasSignature;
};

struct DecodedFile {
    std::string format;               // "txt ", "bin ", "tzip", "bzip"
    int floatBits = 0;                // 32 or 64
    std::uint32_t declaredTotal = 0;  // compressed files only
    std::vector<MsZipBlock> blocks;   // compressed files only
    std::string body;                 // after the header, decompressed
    std::vector<XToken> tokens;
};

// Throws std::runtime_error on anything malformed.
DecodedFile decodeXFile(std::string_view file);

// Inflates MSZIP blocks starting at `data` (just after the u32 total size).
// With carryHistory false every block is inflated on its own.
std::string inflateMsZip(std::string_view data, std::vector<MsZipBlock>& blocks, bool carryHistory = true,
                         std::size_t baseOffset = 20);

std::vector<XToken> textTokens(std::string_view body);
std::vector<XToken> binaryTokens(std::string_view body, int floatBits);

// Same tokens, floats equal within `tolerance`; on mismatch `where` says why.
bool sameTokens(const std::vector<XToken>& a, const std::vector<XToken>& b, double tolerance,
                std::string& where);

}  // namespace xtest
