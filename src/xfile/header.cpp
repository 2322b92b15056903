#include "xfile/header.h"

#include <cstring>

namespace xfile::detail {

namespace {
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
}  // namespace

bool parseHeader(const unsigned char* data, std::size_t size, FileHeader& header, std::string& error,
                 std::string& warning)
{
    std::size_t start = 0;
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        start = 3;
        warning = "file starts with a UTF-8 byte order mark";
    }
    if (size < start + 16) {
        error = "file too short for an .x header (" + std::to_string(size) + " bytes)";
        return false;
    }
    const unsigned char* h = data + start;
    if (std::memcmp(h, "xof ", 4) != 0) {
        error = "not an .x file: header does not start with \"xof \"";
        return false;
    }
    for (int i = 4; i < 8; ++i) {
        if (!isDigit(h[i])) {
            error = "malformed .x header: version is not four digits";
            return false;
        }
    }
    header.versionMajor = (h[4] - '0') * 10 + (h[5] - '0');
    header.versionMinor = (h[6] - '0') * 10 + (h[7] - '0');

    const char* fmt = reinterpret_cast<const char*>(h + 8);
    if (std::memcmp(fmt, "txt ", 4) == 0) {
        header.encoding = Encoding::Text;
    } else if (std::memcmp(fmt, "bin ", 4) == 0) {
        header.encoding = Encoding::Binary;
    } else if (std::memcmp(fmt, "tzip", 4) == 0) {
        header.encoding = Encoding::TextZip;
    } else if (std::memcmp(fmt, "bzip", 4) == 0) {
        header.encoding = Encoding::BinaryZip;
    } else {
        error = "unsupported .x format '" + std::string(fmt, 4) + "' (expected txt, bin, tzip or bzip)";
        for (char& c : error)
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f)
                c = '?';
        return false;
    }

    if (std::memcmp(h + 12, "0032", 4) == 0) {
        header.floatBits = 32;
    } else if (std::memcmp(h + 12, "0064", 4) == 0) {
        header.floatBits = 64;
    } else {
        error = "unsupported float size in .x header (expected 0032 or 0064)";
        return false;
    }
    header.bodyOffset = start + 16;
    return true;
}

}  // namespace xfile::detail
