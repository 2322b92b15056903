// The fixed 16-byte file header: "xof " + version + format + float width.
#pragma once

#include <cstddef>
#include <string>

#include "xfile/mesh_data.h"

namespace xfile::detail {

struct FileHeader {
    int versionMajor = 0;
    int versionMinor = 0;
    Encoding encoding = Encoding::Text;
    int floatBits = 32;           // width of binary float lists: 32 or 64
    std::size_t bodyOffset = 16;  // where templates/objects (or the compressed stream) start
};

// Parses the header at the start of `data`. Content may follow on the same
// line, so the body starts right after the 16 bytes (after a UTF-8 byte order
// mark too, which is skipped with a warning). Returns false and sets `error`
// when the input is shorter than a header, the magic is not "xof ", the
// version is not four digits, the format is not txt/bin/tzip/bzip or the float
// width is not 0032/0064.
bool parseHeader(const unsigned char* data, std::size_t size, FileHeader& header, std::string& error,
                 std::string& warning);

}  // namespace xfile::detail
