// DDS headers for tests: the fields a test varies, the rest zero.
#pragma once

#include <QByteArray>
#include <cstdint>

namespace ddstest {

constexpr std::uint32_t kFourCcFlag = 0x4, kRgbFlag = 0x40, kAlphaPixelsFlag = 0x1;

inline std::uint32_t code(const char* s)
{
    return std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
           std::uint32_t(std::uint8_t(s[2])) << 16 | std::uint32_t(std::uint8_t(s[3])) << 24;
}

inline void put32(QByteArray& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char(v >> (8 * i)));
}
inline void put16(QByteArray& out, unsigned v) { out.append(char(v & 0xFF)).append(char(v >> 8)); }

struct Dds {
    std::uint32_t width = 4, height = 4, levels = 1;
    std::uint32_t pfFlags = kFourCcFlag, fourCc = code("DXT1"), bits = 0;
    std::uint32_t r = 0, g = 0, b = 0, a = 0;
    std::uint32_t flags = 0x1007 | 0x20000;  // caps, height, width, pixel format, mip count
    std::uint32_t depth = 0, caps2 = 0, pitch = 0, pfSize = 32;
};

// An uncompressed format, told by its flags, bit count and masks.
inline Dds rgbFormat(std::uint32_t pfFlags, std::uint32_t bits, std::uint32_t r, std::uint32_t g,
                     std::uint32_t b, std::uint32_t a, std::uint32_t width = 4, std::uint32_t height = 1)
{
    Dds d;
    d.width = width, d.height = height;
    d.pfFlags = pfFlags, d.fourCc = 0, d.bits = bits, d.r = r, d.g = g, d.b = b, d.a = a;
    return d;
}

inline QByteArray ddsHeader(const Dds& d)
{
    QByteArray out("DDS ");
    put32(out, 124);
    put32(out, d.flags);
    put32(out, d.height);
    put32(out, d.width);
    put32(out, d.pitch);
    put32(out, d.depth);
    put32(out, d.levels);
    out.append(44, '\0');
    for (std::uint32_t v : {d.pfSize, d.pfFlags, d.fourCc, d.bits, d.r, d.g, d.b, d.a})
        put32(out, v);
    put32(out, 0x1000);
    put32(out, d.caps2);
    out.append(12, '\0');
    return out;
}

}  // namespace ddstest
