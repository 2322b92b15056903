#include "xwriter.h"

#include "mszip.h"
#include "text_encoding.h"

#include <fstream>
#include <stdexcept>

namespace xgen {

namespace {

const char* formatTag(Encoding e)
{
    switch (e) {
    case Encoding::Text:
        return "txt ";
    case Encoding::Binary:
        return "bin ";
    case Encoding::CompressedText:
        return "tzip";
    case Encoding::CompressedBinary:
        return "bzip";
    }
    throw std::invalid_argument("unknown encoding");
}

bool isBinaryBody(Encoding e) { return e == Encoding::Binary || e == Encoding::CompressedBinary; }
bool isCompressed(Encoding e) { return e == Encoding::CompressedText || e == Encoding::CompressedBinary; }

}  // namespace

std::string fileHeader(FileFormat format)
{
    return std::string("xof 0302") + formatTag(format.encoding) +
           (format.floats == FloatWidth::Bits64 ? "0064" : "0032");
}

std::string encodeXFile(const Scene& scene, FileFormat format)
{
    const std::vector<Token> tokens = sceneTokens(scene);
    const std::string body =
        isBinaryBody(format.encoding) ? encodeBinary(tokens, format.floats) : encodeText(tokens);
    std::string file = fileHeader(format);
    if (!isCompressed(format.encoding)) {
        return file + body;
    }
    const std::uint64_t total = file.size() + body.size();
    if (total > 0xFFFFFFFFu) {
        throw std::runtime_error("compressed .x body too large");
    }
    for (int shift = 0; shift < 32; shift += 8) {
        file.push_back(static_cast<char>((total >> shift) & 0xFF));
    }
    return file + msZipBlocks(body);
}

void writeXFile(const std::filesystem::path& path, const Scene& scene, FileFormat format)
{
    const std::string bytes = encodeXFile(scene, format);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

}  // namespace xgen
