#include "render/dds_reader.h"

#include <squish.h>

#include <QIODevice>
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <new>

namespace d3d {
namespace {

constexpr qint64 kHeaderBytes = 128;  // the magic and the 124-byte header
constexpr qint64 kPaletteBytes = 1024;

// Header flags (DDSD_*), caps2 bits and pixel-format flags (DDPF_*).
constexpr std::uint32_t kDepthFlag = 0x800000;
constexpr std::uint32_t kCubeMap = 0x200, kAllCubeFaces = 0xFC00;
constexpr std::uint32_t kAlphaPixels = 0x1, kAlphaOnly = 0x2, kFourCc = 0x4, kPalette8 = 0x20, kRgb = 0x40,
                        kLuminance = 0x20000;
// Bits some writers add to the pixel-format flags (sRGB, normal map); they
// say nothing about the layout.
constexpr std::uint32_t kWriterHints = 0xC0000000;

constexpr std::uint32_t fourCc(const char* s)
{
    return std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
           std::uint32_t(std::uint8_t(s[2])) << 16 | std::uint32_t(std::uint8_t(s[3])) << 24;
}

std::uint32_t le32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

std::string hex(std::uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", v);
    return text;
}

std::string fourCcText(std::uint32_t code)
{
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const char c = char(code >> (8 * i));
        text += c >= 0x20 && c < 0x7F ? c : '?';
    }
    return text;
}

// ---------------------------------------------------------------------------
// Pixel formats

enum class Family { Block, Rgb, Luminance, Alpha, Palette };

struct Format {
    const char* name;
    Family family;
    std::uint32_t flags;  // the pixel-format flags the file must carry exactly
    int bits;             // bits per pixel as stored; for blocks, the bytes of one 4×4 block
    std::uint32_t r, g, b, a;
    int squishFlags = 0;
    bool premultiplied = false;
};

// The formats D3DX tells apart in a legacy header. Masks are those of the
// format; the file's own are compared by family only, so unused fields may
// hold anything.
constexpr std::array kFormats = {
    Format{"DXT1", Family::Block, kFourCc, 8, 0, 0, 0, 0, squish::kDxt1},
    Format{"DXT2", Family::Block, kFourCc, 16, 0, 0, 0, 0, squish::kDxt3, true},
    Format{"DXT3", Family::Block, kFourCc, 16, 0, 0, 0, 0, squish::kDxt3},
    Format{"DXT4", Family::Block, kFourCc, 16, 0, 0, 0, 0, squish::kDxt5, true},
    Format{"DXT5", Family::Block, kFourCc, 16, 0, 0, 0, 0, squish::kDxt5},
    Format{"A8R8G8B8", Family::Rgb, kRgb | kAlphaPixels, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
    Format{"X8R8G8B8", Family::Rgb, kRgb, 32, 0xFF0000, 0xFF00, 0xFF, 0},
    Format{"A8B8G8R8", Family::Rgb, kRgb | kAlphaPixels, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
    Format{"X8B8G8R8", Family::Rgb, kRgb, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    Format{"R8G8B8", Family::Rgb, kRgb, 24, 0xFF0000, 0xFF00, 0xFF, 0},
    Format{"R5G6B5", Family::Rgb, kRgb, 16, 0xF800, 0x7E0, 0x1F, 0},
    Format{"A1R5G5B5", Family::Rgb, kRgb | kAlphaPixels, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
    Format{"X1R5G5B5", Family::Rgb, kRgb, 16, 0x7C00, 0x3E0, 0x1F, 0},
    Format{"A4R4G4B4", Family::Rgb, kRgb | kAlphaPixels, 16, 0xF00, 0xF0, 0xF, 0xF000},
    Format{"X4R4G4B4", Family::Rgb, kRgb, 16, 0xF00, 0xF0, 0xF, 0},
    Format{"L8", Family::Luminance, kLuminance, 8, 0xFF, 0, 0, 0},
    Format{"A8L8", Family::Luminance, kLuminance | kAlphaPixels, 16, 0xFF, 0, 0, 0xFF00},
    Format{"A8", Family::Alpha, kAlphaOnly, 8, 0, 0, 0, 0xFF},
    Format{"P8", Family::Palette, kPalette8, 8, 0, 0, 0, 0},
    Format{"A8P8", Family::Palette, kPalette8 | kAlphaPixels, 16, 0, 0, 0, 0xFF00},
};

const Format* findFormat(const unsigned char* pf, std::string& why)
{
    const std::uint32_t flags = le32(pf + 4) & ~kWriterHints, code = le32(pf + 8), bits = le32(pf + 12);
    const std::uint32_t r = le32(pf + 16), g = le32(pf + 20), b = le32(pf + 24), a = le32(pf + 28);
    if (flags & kFourCc) {  // the FourCC decides, whatever the other flags say
        for (const Format& f : kFormats)
            if (f.family == Family::Block && fourCc(f.name) == code)
                return &f;
        if (code == fourCc("DX10"))
            why = "DDS file with a DX10 header (a DXGI format), which Direct3D 8 and 9 cannot read; "
                  "save it in a legacy DDS format";
        else
            why = "unsupported DDS format (FourCC \"" + fourCcText(code) + "\", " + hex(code) + ")";
        return nullptr;
    }
    for (const Format& f : kFormats) {
        if (f.family == Family::Block || flags != f.flags)
            continue;
        // A8L8 is also met with its bit count given as 8 by some writers.
        if (int(bits) != f.bits && !(f.family == Family::Luminance && f.a != 0 && bits == 8))
            continue;
        const bool alphaMatches = !(flags & kAlphaPixels) || a == f.a;
        const bool coloursMatch = f.family == Family::Rgb         ? r == f.r && g == f.g && b == f.b
                                  : f.family == Family::Luminance ? r == f.r
                                                                  : true;
        if (alphaMatches && coloursMatch)
            return &f;
    }
    why = "unsupported DDS pixel format (flags " + hex(flags) + ", " + std::to_string(bits) +
          " bits, masks " + hex(r) + " " + hex(g) + " " + hex(b) + " " + hex(a) + ")";
    return nullptr;
}

// A channel `mask` picks out of a stored pixel, widened to 8 bits by
// repeating its bits (5-bit 0b10110 ⇒ 0b10110101), as the hardware does.
int channel(std::uint32_t pixel, std::uint32_t mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask), width = std::popcount(mask);
    const std::uint32_t value = (pixel & mask) >> shift;
    if (width >= 8)
        return int(value >> (width - 8));
    std::uint32_t out = 0;
    int have = 0;
    while (have < 8)
        out = out << width | value, have += width;
    return int(out >> (have - 8));
}

// ---------------------------------------------------------------------------
// Sizes, in 64 bits: a side is at most 2^32 - 1 and a level count as large.

qint64 levelSide(qint64 side, qint64 level) { return level >= 32 ? 1 : std::max<qint64>(1, side >> level); }

qint64 levelBytes(const Format& f, qint64 width, qint64 height)
{
    if (f.family == Family::Block)
        return (width + 3) / 4 * ((height + 3) / 4) * f.bits;
    return width * height * (f.bits / 8);  // rows tightly packed
}

// ---------------------------------------------------------------------------
// Decoding one level

// Block by block: libsquish's whole-image call runs an OpenMP thread team,
// which would leave threads behind in the viewer and hangs a process forked
// after it. Texels of edge blocks that fall outside the image are dropped.
bool decodeBlocks(const Format& f, const QByteArray& data, int width, int height, QImage& image)
{
    image = QImage(width, height, QImage::Format_RGBA8888);
    if (image.isNull())
        return false;
    const char* block = data.constData();
    for (int by = 0; by < height; by += 4)
        for (int bx = 0; bx < width; bx += 4, block += f.bits) {
            std::uint8_t texels[16 * 4];
            squish::Decompress(texels, block, f.squishFlags);
            for (int y = 0; y < std::min(4, height - by); ++y)
                std::copy_n(texels + 16 * y, 4 * std::min(4, width - bx), image.scanLine(by + y) + 4 * bx);
        }
    if (f.premultiplied) {
        // DXT2 and DXT4 hold colour multiplied by alpha; straight alpha
        // divides it out again (transparent texels lose their colour).
        for (int y = 0; y < height; ++y) {
            unsigned char* p = image.scanLine(y);
            for (int x = 0; x < width; ++x, p += 4)
                for (int c = 0; c < 3; ++c)
                    p[c] = p[3] == 0 ? 0 : std::uint8_t(std::min(255, p[c] * 255 / p[3]));
        }
    }
    image.convertTo(QImage::Format_ARGB32);
    return !image.isNull();
}

bool decodePixels(const Format& f, const QByteArray& data, const std::array<QRgb, 256>& palette, int width,
                  int height, QImage& image)
{
    image = QImage(width, height, QImage::Format_ARGB32);
    if (image.isNull())
        return false;
    const int bytes = f.bits / 8;
    const auto* in = reinterpret_cast<const unsigned char*>(data.constData());
    for (int y = 0; y < height; ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x, in += bytes) {
            std::uint32_t v = 0;
            for (int i = 0; i < bytes; ++i)
                v |= std::uint32_t(in[i]) << (8 * i);
            const int a = f.a ? channel(v, f.a) : 255;
            switch (f.family) {
            case Family::Rgb:
                out[x] = qRgba(channel(v, f.r), channel(v, f.g), channel(v, f.b), a);
                break;
            case Family::Luminance: {
                const int l = channel(v, f.r);
                out[x] = qRgba(l, l, l, a);
                break;
            }
            case Family::Alpha:  // no colour: it reads as black
                out[x] = qRgba(0, 0, 0, a);
                break;
            case Family::Palette: {
                const QRgb entry = palette[v & 0xFF];
                out[x] = f.a ? qRgba(qRed(entry), qGreen(entry), qBlue(entry), a) : entry;
                break;
            }
            case Family::Block:
                break;
            }
        }
    }
    return true;
}

bool readAt(QIODevice& file, qint64 at, qint64 size, QByteArray& out)
{
    if (!file.seek(at))
        return false;
    try {
        out = file.read(size);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return out.size() == size;
}

}  // namespace

bool startsLikeDds(const QByteArray& head) { return head.startsWith("DDS "); }

bool readDds(QIODevice& file, int maxSide, DdsLevels& out, std::string& why)
{
    QByteArray header;
    if (!readAt(file, 0, kHeaderBytes, header)) {
        why = "truncated DDS header";
        return false;
    }
    const auto* h = reinterpret_cast<const unsigned char*>(header.constData());
    if (!startsLikeDds(header)) {
        why = "not a DDS file";
        return false;
    }
    const std::uint32_t flags = le32(h + 8), height = le32(h + 12), width = le32(h + 16),
                        depth = le32(h + 24);
    const std::uint32_t declaredLevels = le32(h + 28), caps2 = le32(h + 112);
    if (le32(h + 76) != 32) {
        why = "DDS pixel format block of " + std::to_string(le32(h + 76)) + " bytes (32 expected)";
        return false;
    }
    const Format* format = findFormat(h + 76, why);
    if (!format)
        return false;

    // Which resource the file holds: the depth flag alone makes a volume,
    // otherwise the cube-map cap a cube (all six faces, +X first).
    const bool volume = (flags & kDepthFlag) != 0;
    const bool cube = !volume && (caps2 & kCubeMap) != 0;
    if (cube && (caps2 & kAllCubeFaces) != kAllCubeFaces) {
        why = "DDS cube map without all six faces";
        return false;
    }
    if (width == 0 || height == 0) {
        why = "DDS image has no pixels";
        return false;
    }
    const qint64 slices = volume ? std::max<qint64>(1, depth) : 1;
    if (width > std::uint32_t(maxSide) || height > std::uint32_t(maxSide) || slices > maxSide) {
        why = "image is too large (" + std::to_string(width) + "×" + std::to_string(height) +
              (volume ? "×" + std::to_string(slices) : std::string()) + ")";
        return false;
    }

    // Every level the header declares must be there (a count past the full
    // chain adds 1×1 levels), on every face; extra bytes at the end are fine.
    const qint64 levels = std::max<std::uint32_t>(1, declaredLevels);
    const qint64 dataStart = kHeaderBytes + (format->family == Family::Palette ? kPaletteBytes : 0);
    qint64 faceBytes = 0;
    for (qint64 i = 0; i < std::min<qint64>(levels, 64); ++i)
        faceBytes += levelBytes(*format, levelSide(width, i), levelSide(height, i)) * levelSide(slices, i);
    faceBytes += std::max<qint64>(0, levels - 64) * levelBytes(*format, 1, 1);
    const qint64 declared = faceBytes * (cube ? 6 : 1);
    if (file.size() - dataStart < declared) {
        why = "truncated DDS file (" + std::to_string(dataStart + declared) + " bytes declared, " +
              std::to_string(file.size()) + " present)";
        return false;
    }

    std::array<QRgb, 256> palette{};
    if (format->family == Family::Palette) {
        QByteArray entries;
        if (!readAt(file, kHeaderBytes, kPaletteBytes, entries)) {
            why = "truncated DDS palette";
            return false;
        }
        const auto* e = reinterpret_cast<const unsigned char*>(entries.constData());
        for (std::size_t i = 0; i < palette.size(); ++i, e += 4)  // red, green, blue, flags (the alpha)
            palette[i] = qRgba(e[0], e[1], e[2], e[3]);
    }

    // The levels a texture of the image's size rounded up to powers of two holds.
    const int chain = std::bit_width(std::bit_ceil(std::max(width, height)));
    const qint64 wanted = std::min<qint64>(levels, chain);
    DdsLevels result;
    result.hasAlpha = format->family == Family::Block || format->family == Family::Palette || format->a != 0;
    qint64 at = dataStart;
    for (qint64 i = 0; i < wanted; ++i) {
        const int w = int(levelSide(width, i)), hgt = int(levelSide(height, i));
        const qint64 bytes = levelBytes(*format, w, hgt);
        QByteArray data;
        if (!readAt(file, at, bytes, data)) {
            why = "DDS pixel data cannot be read";
            return false;
        }
        QImage image;
        const bool decoded = format->family == Family::Block
                                 ? decodeBlocks(*format, data, w, hgt, image)
                                 : decodePixels(*format, data, palette, w, hgt, image);
        if (!decoded) {
            why = "not enough memory for the image";
            return false;
        }
        result.levels.push_back(std::move(image));
        at += bytes * levelSide(slices, i);  // a volume level's first slice comes first
    }
    out = std::move(result);
    return true;
}

}  // namespace d3d
