#pragma once

// Writes a Scene as a DirectX .x file in any of its encodings.

#include "binary_encoding.h"
#include "xscene.h"

#include <filesystem>
#include <string>

namespace xgen {

enum class Encoding {
    Text,              // "txt "
    Binary,            // "bin "
    CompressedText,    // "tzip": MSZIP-compressed text body
    CompressedBinary,  // "bzip": MSZIP-compressed binary body
};

struct FileFormat {
    Encoding encoding = Encoding::Text;
    FloatWidth floats = FloatWidth::Bits32;  // "0032" or "0064" in the header
};

// The 16-byte file header, e.g. "xof 0302bin 0064".
std::string fileHeader(FileFormat format);

// The complete file contents.
std::string encodeXFile(const Scene& scene, FileFormat format);

// Writes encodeXFile() to `path`; throws std::runtime_error on failure.
void writeXFile(const std::filesystem::path& path, const Scene& scene, FileFormat format);

}  // namespace xgen
