// Texture files to mip chains: decoding (TGA and DDS by our own readers),
// rounding to powers of two, the box-filtered chain or a DDS file's own
// levels, the alpha rule and refusals.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

#include "dds_writer.h"
#include "render/texture_loader.h"

using d3d::TextureLevels;

namespace {

class TextureLoaderTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    QString save(const QImage& image, const char* name)
    {
        const QString file = path(name);
        EXPECT_TRUE(image.save(file)) << name;
        return file;
    }

    QString write(const QByteArray& bytes, const char* name)
    {
        const QString file = path(name);
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return file;
    }

    // On failure one 1×1 level of 0, so that the checks that follow fail
    // rather than read past an empty chain.
    TextureLevels load(const QString& file)
    {
        TextureLevels levels;
        std::string error;
        const bool loaded = d3d::loadTextureLevels(file, levels, error);
        EXPECT_TRUE(loaded) << error;
        if (!loaded) {
            levels.levels.assign(1, QImage(1, 1, QImage::Format_ARGB32));
            levels.levels[0].fill(0);
        }
        return levels;
    }

    // The failure message, which must name the file.
    std::string failure(const QString& file)
    {
        TextureLevels levels;
        std::string error;
        EXPECT_FALSE(d3d::loadTextureLevels(file, levels, error));
        EXPECT_NE(error.find(file.toStdString()), std::string::npos) << error;
        return error;
    }

    QTemporaryDir dir_;
};

QByteArray tgaHeader(int type, int width, int height, int depth, int descriptor, int mapLength = 0,
                     int mapBits = 0)
{
    QByteArray h(18, '\0');
    h[1] = char(mapLength > 0 ? 1 : 0);
    h[2] = char(type);
    h[5] = char(mapLength & 0xFF), h[6] = char(mapLength >> 8);
    h[7] = char(mapBits);
    h[12] = char(width & 0xFF), h[13] = char(width >> 8);
    h[14] = char(height & 0xFF), h[15] = char(height >> 8);
    h[16] = char(depth);
    h[17] = char(descriptor);
    return h;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}
QByteArray bgr(int r, int g, int b) { return bytes({b, g, r}); }
QByteArray bgra(int r, int g, int b, int a) { return bytes({b, g, r, a}); }

}  // namespace

// ---------------------------------------------------------------------------
// Sizes and the mip chain

TEST_F(TextureLoaderTest, RoundsEachSideUpToAPowerOfTwo)
{
    QImage image(3, 5, QImage::Format_RGB32);
    image.fill(qRgb(10, 200, 90));
    const TextureLevels t = load(save(image, "odd.png"));
    ASSERT_EQ(t.levels.size(), 4u);  // 4×8, 2×4, 1×2, 1×1
    const QSize sizes[] = {{4, 8}, {2, 4}, {1, 2}, {1, 1}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(t.levels[i].size(), sizes[i]) << i;
        EXPECT_EQ(t.levels[i].format(), QImage::Format_ARGB32);
    }
    // A flat colour stays flat through resampling and averaging.
    for (const QImage& level : t.levels)
        for (int y = 0; y < level.height(); ++y)
            for (int x = 0; x < level.width(); ++x)
                ASSERT_EQ(level.pixel(x, y), qRgb(10, 200, 90));
}

TEST_F(TextureLoaderTest, ResamplingWeighsEverySourcePixelByItsArea)
{
    // 3 → 4 columns: each new column covers 3/4 of an old one.
    QImage image(3, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(0, 0, 0));
    image.setPixel(1, 0, qRgb(255, 255, 255));
    image.setPixel(2, 0, qRgb(0, 0, 0));
    const QImage level0 = load(save(image, "row.png")).levels[0];
    ASSERT_EQ(level0.size(), QSize(4, 1));
    EXPECT_EQ(qRed(level0.pixel(0, 0)), 0);
    EXPECT_EQ(qRed(level0.pixel(1, 0)), 170);  // 2/3 of the white pixel
    EXPECT_EQ(qRed(level0.pixel(2, 0)), 170);
    EXPECT_EQ(qRed(level0.pixel(3, 0)), 0);

    // The mean brightness survives resampling of an irregular image.
    QImage noisy(5, 3, QImage::Format_RGB32);
    double before = 0;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const int v = (x * 53 + y * 101) % 256;
            noisy.setPixel(x, y, qRgb(v, v, v));
            before += v / 15.0;
        }
    const QImage big = load(save(noisy, "noisy.png")).levels[0];
    ASSERT_EQ(big.size(), QSize(8, 4));
    double after = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            after += qRed(big.pixel(x, y)) / 32.0;
    EXPECT_NEAR(after, before, 0.5);
}

TEST_F(TextureLoaderTest, PowerOfTwoImagesKeepTheirPixelsAndAverageDownToOne)
{
    QImage image(2, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(10, 20, 30));
    image.setPixel(1, 0, qRgb(40, 50, 60));
    image.setPixel(0, 1, qRgb(70, 80, 90));
    image.setPixel(1, 1, qRgb(101, 110, 121));
    const TextureLevels t = load(save(image, "square.png"));
    ASSERT_EQ(t.levels.size(), 2u);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(t.levels[0].pixel(x, y), image.pixel(x, y));
    // (10+40+70+101)/4 = 55.25, (20+50+80+110)/4 = 65, (30+60+90+121)/4 = 75.25
    EXPECT_EQ(t.levels[1].pixel(0, 0), qRgb(55, 65, 75));

    QImage wide(16, 4, QImage::Format_RGB32);
    wide.fill(Qt::gray);
    const TextureLevels w = load(save(wide, "wide.bmp"));
    ASSERT_EQ(w.levels.size(), 5u);  // 16×4, 8×2, 4×1, 2×1, 1×1
    EXPECT_EQ(w.levels[2].size(), QSize(4, 1));
    EXPECT_EQ(w.levels[4].size(), QSize(1, 1));
}

// ---------------------------------------------------------------------------
// Alpha

TEST_F(TextureLoaderTest, AlphaOnlyWhereTheFileHasAnAlphaChannel)
{
    QImage opaque(4, 4, QImage::Format_RGB32);
    opaque.fill(qRgb(1, 2, 3));
    EXPECT_FALSE(load(save(opaque, "rgb.png")).hasAlpha);
    EXPECT_FALSE(load(save(opaque, "rgb.bmp")).hasAlpha);
    if (QImageWriter::supportedImageFormats().contains("jpg")) {
        const TextureLevels jpg = load(save(opaque, "rgb.jpg"));
        EXPECT_FALSE(jpg.hasAlpha);
        EXPECT_EQ(qAlpha(jpg.levels[0].pixel(0, 0)), 255);
    }

    QImage translucent(4, 4, QImage::Format_ARGB32);
    translucent.fill(qRgba(200, 100, 50, 64));
    const TextureLevels t = load(save(translucent, "rgba.png"));
    EXPECT_TRUE(t.hasAlpha);
    // Straight alpha: the colour is not multiplied by it.
    EXPECT_EQ(t.levels[0].pixel(1, 1), qRgba(200, 100, 50, 64));
}

// ---------------------------------------------------------------------------
// TGA

TEST_F(TextureLoaderTest, DecodesUncompressedTrueColourTga)
{
    // 2×2, 24-bit, rows stored bottom-up (the TGA default).
    QByteArray file = tgaHeader(2, 2, 2, 24, 0);
    file += bgr(0, 0, 255) + bgr(255, 255, 255);  // bottom row
    file += bgr(255, 0, 0) + bgr(0, 255, 0);      // top row
    const TextureLevels t = load(write(file, "plain.tga"));
    ASSERT_EQ(t.levels[0].size(), QSize(2, 2));
    EXPECT_FALSE(t.hasAlpha);
    EXPECT_EQ(t.levels[0].pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(t.levels[0].pixel(1, 0), qRgb(0, 255, 0));
    EXPECT_EQ(t.levels[0].pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(t.levels[0].pixel(1, 1), qRgb(255, 255, 255));
}

TEST_F(TextureLoaderTest, DecodesRunLengthTgaWithAlpha)
{
    // 4×1, 32-bit with 8 alpha bits, top-down: a run of three and one raw pixel.
    QByteArray file = tgaHeader(10, 4, 1, 32, 0x28);
    file += char(0x80 | 2) + bgra(10, 20, 30, 40);
    file += char(0) + bgra(50, 60, 70, 255);
    const TextureLevels t = load(write(file, "RUN.TGA"));
    EXPECT_TRUE(t.hasAlpha);
    EXPECT_EQ(t.levels[0].pixel(0, 0), qRgba(10, 20, 30, 40));
    EXPECT_EQ(t.levels[0].pixel(2, 0), qRgba(10, 20, 30, 40));
    EXPECT_EQ(t.levels[0].pixel(3, 0), qRgba(50, 60, 70, 255));

    // The same pixels without declared alpha bits: the fourth byte is padding.
    QByteArray padded = tgaHeader(10, 4, 1, 32, 0x20);
    padded += file.mid(18);
    const TextureLevels p = load(write(padded, "padded.tga"));
    EXPECT_FALSE(p.hasAlpha);
    EXPECT_EQ(p.levels[0].pixel(0, 0), qRgb(10, 20, 30));
}

TEST_F(TextureLoaderTest, DecodesGreyAndColourMappedTga)
{
    QByteArray grey = tgaHeader(3, 2, 1, 8, 0x20);
    grey += bytes({0, 200});
    const QImage g = load(write(grey, "grey.tga")).levels[0];
    EXPECT_EQ(g.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(g.pixel(1, 0), qRgb(200, 200, 200));

    QByteArray mapped = tgaHeader(9, 2, 1, 8, 0x20, 2, 24);  // RLE colour-mapped
    mapped += bgr(255, 128, 0) + bgr(0, 64, 255);
    mapped += char(0x81) + QByteArray(1, char(1));
    const QImage m = load(write(mapped, "mapped.tga")).levels[0];
    EXPECT_EQ(m.pixel(0, 0), qRgb(0, 64, 255));
    EXPECT_EQ(m.pixel(1, 0), qRgb(0, 64, 255));
}

// ---------------------------------------------------------------------------
// Refusals

TEST_F(TextureLoaderTest, RefusesBrokenFilesNamingThem)
{
    failure(path("missing.png"));
    failure(write(QByteArray("\x89PNG\r\n\x1a\nthis is not really a png", 31), "corrupt.png"));
    failure(write(QByteArray("BM\x10\0\0\0garbage", 13), "corrupt.bmp"));

    QByteArray truncated = tgaHeader(2, 4, 4, 24, 0);
    truncated += bgr(1, 2, 3);
    EXPECT_NE(failure(write(truncated, "short.tga")).find("truncated"), std::string::npos);

    QByteArray overrun = tgaHeader(10, 2, 1, 24, 0);
    overrun += char(0x80 | 5) + bgr(1, 2, 3);  // a run of six into two pixels
    failure(write(overrun, "overrun.tga"));

    QByteArray badIndex = tgaHeader(1, 1, 1, 8, 0, 1, 24);
    badIndex += bgr(1, 2, 3) + QByteArray(1, char(7));
    failure(write(badIndex, "index.tga"));

    failure(write(tgaHeader(2, 4, 4, 16, 0) + QByteArray(32, '\0'), "depth16.tga"));
}

// Qt's readers report success for an image whose data ends early and leave
// the missing pixels as they were; each format must fail instead.
TEST_F(TextureLoaderTest, RefusesImagesThatEndEarly)
{
    QImage noise(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            noise.setPixel(x, y, qRgb((x * 37 + y * 11) & 0xFF, (x * y) & 0xFF, (x ^ y) * 4 & 0xFF));
    QByteArray tga = tgaHeader(2, 64, 64, 24, 0);
    for (int y = 63; y >= 0; --y)
        for (int x = 0; x < 64; ++x)
            tga += bgr(qRed(noise.pixel(x, y)), qGreen(noise.pixel(x, y)), qBlue(noise.pixel(x, y)));
    write(tga, "whole.tga");
    save(noise, "whole.bmp");
    save(noise.convertToFormat(QImage::Format_Indexed8), "whole8.bmp");
    QImageWriter progressive(path("progressive.jpg"));
    progressive.setProgressiveScanWrite(true);
    ASSERT_TRUE(progressive.write(noise));
    save(noise, "whole.png");
    save(noise, "whole.jpg");
    for (const char* name :
         {"whole.bmp", "whole8.bmp", "whole.png", "whole.jpg", "progressive.jpg", "whole.tga"}) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        load(path(name));
        // A PNG that loses only its closing chunk still holds every pixel.
        const qsizetype lastByte =
            QByteArray(name).endsWith(".png") ? whole.size() * 9 / 10 : whole.size() - 1;
        for (qsizetype length : {whole.size() / 10, whole.size() / 4, whole.size() / 2, whole.size() * 3 / 4,
                                 whole.size() * 9 / 10, lastByte}) {
            const QByteArray cut = whole.left(length);
            const std::string cutName = "cut-" + std::to_string(length) + "-" + name;
            SCOPED_TRACE(cutName);
            failure(write(cut, cutName.c_str()));
        }
    }
}

TEST_F(TextureLoaderTest, RefusesAbsurdSizes)
{
    // Headers alone claim the size; nothing that large is allocated.
    EXPECT_NE(failure(write(tgaHeader(2, 9000, 4, 24, 0), "huge.tga")).find("too large"), std::string::npos);
    QImage wide(8193, 1, QImage::Format_RGB32);
    wide.fill(Qt::black);
    EXPECT_NE(failure(save(wide, "wide.png")).find("too large"), std::string::npos);
}

// Inputs the texture fuzz target stopped on (fuzz/README.md), kept so that
// the suite replays them without clang: each gives a whole chain of
// power-of-two levels or an error that names the file.
TEST_F(TextureLoaderTest, FuzzFindingsLoadOrFailCleanly)
{
    const QDir folder(QStringLiteral(ORVANE_TEXTURE_REGRESSIONS));
    const QStringList files = folder.entryList({"*.bmp", "*.dds", "*.jpg", "*.png", "*.tga"}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        const QString file = folder.filePath(name);
        TextureLevels levels;
        std::string error;
        if (!d3d::loadTextureLevels(file, levels, error)) {
            EXPECT_EQ(error.rfind(file.toStdString(), 0), 0u) << error;
            continue;
        }
        ASSERT_FALSE(levels.levels.empty()) << name.toStdString();
        int width = levels.levels.front().width(), height = levels.levels.front().height();
        EXPECT_EQ(width & (width - 1), 0) << name.toStdString();
        EXPECT_EQ(height & (height - 1), 0) << name.toStdString();
        for (const QImage& level : levels.levels) {
            EXPECT_EQ(level.size(), QSize(width, height)) << name.toStdString();
            width = std::max(1, width / 2), height = std::max(1, height / 2);
        }
        EXPECT_EQ(levels.levels.back().size(), QSize(1, 1)) << name.toStdString();
    }
}

// ---------------------------------------------------------------------------
// DDS

namespace {

using ddstest::code;
using ddstest::Dds;
using ddstest::ddsHeader;
using ddstest::kAlphaPixelsFlag;
using ddstest::kRgbFlag;
using ddstest::put16;
using ddstest::put32;
using ddstest::rgbFormat;

// A DXT colour block: RGB565 endpoints and one 2-bit index per texel, row by row.
QByteArray colourBlock(unsigned c0, unsigned c1, const std::array<int, 16>& index)
{
    QByteArray out;
    put16(out, c0);
    put16(out, c1);
    std::uint32_t bits = 0;
    for (int i = 0; i < 16; ++i)
        bits |= std::uint32_t(index[std::size_t(i)]) << (2 * i);
    put32(out, bits);
    return out;
}
QByteArray solidBlock(unsigned c565) { return colourBlock(c565, c565, {}); }

// DXT3's explicit alpha: one nibble per texel.
QByteArray explicitAlpha(const std::array<int, 16>& nibble)
{
    QByteArray out;
    for (int i = 0; i < 16; i += 2)
        out.append(char(nibble[std::size_t(i)] | nibble[std::size_t(i) + 1] << 4));
    return out;
}

// DXT5's interpolated alpha: two endpoints and a 3-bit code per texel.
QByteArray interpolatedAlpha(int a0, int a1, const std::array<int, 16>& codes)
{
    QByteArray out;
    out.append(char(a0)).append(char(a1));
    std::uint64_t bits = 0;
    for (int i = 0; i < 16; ++i)
        bits |= std::uint64_t(codes[std::size_t(i)]) << (3 * i);
    for (int i = 0; i < 6; ++i)
        out.append(char(bits >> (8 * i)));
    return out;
}

// 5- and 6-bit channels widened as the hardware does, by repeating their bits.
int from5(int v) { return v << 3 | v >> 2; }
int from6(int v) { return v << 2 | v >> 4; }
QRgb from565(unsigned c, int alpha = 255)
{
    return qRgba(from5(c >> 11), from6((c >> 5) & 63), from5(c & 31), alpha);
}

// Every channel within `tolerance` of the expected texel.
::testing::AssertionResult near(QRgb got, QRgb want, int tolerance)
{
    const int d = std::max({std::abs(qRed(got) - qRed(want)), std::abs(qGreen(got) - qGreen(want)),
                            std::abs(qBlue(got) - qBlue(want)), std::abs(qAlpha(got) - qAlpha(want))});
    if (d <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::hex << "got #" << got << ", expected #" << want;
}
QRgb mix(QRgb a, QRgb b, int wa, int wb)  // (wa·a + wb·b) / (wa + wb), exact but for rounding
{
    auto c = [&](int x, int y) { return (wa * x + wb * y + (wa + wb) / 2) / (wa + wb); };
    return qRgba(c(qRed(a), qRed(b)), c(qGreen(a), qGreen(b)), c(qBlue(a), qBlue(b)),
                 c(qAlpha(a), qAlpha(b)));
}

bool allTexels(const QImage& image, QRgb colour)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != colour)
                return false;
    return true;
}

// An asymmetric pattern of every index, so that transposed rows or columns
// and a wrong packing order show.
constexpr std::array<int, 16> kPattern = {0, 1, 2, 3, 1, 1, 0, 2, 3, 0, 0, 0, 2, 3, 1, 0};

}  // namespace

TEST_F(TextureLoaderTest, DecodesDxt1InFourAndThreeColourModes)
{
    constexpr unsigned red = 0xF800, blue = 0x001F, green = 0x07E0, grey = 0x8410;
    Dds d;
    d.width = 16;
    QByteArray file = ddsHeader(d);
    file += colourBlock(red, blue, kPattern);       // c0 > c1: four colours
    file += colourBlock(green, red, kPattern);      // c0 < c1: three colours and transparent black
    file += colourBlock(grey, grey, kPattern);      // c0 == c1: three colours as well
    file += colourBlock(0x1820, 0x0000, kPattern);  // c0 > c1 with small codes
    const TextureLevels t = load(write(file, "dxt1.dds"));
    EXPECT_TRUE(t.hasAlpha);
    const QImage& level = t.levels[0];
    ASSERT_EQ(level.size(), QSize(16, 4));

    struct Block {
        unsigned c0, c1;
        bool threeColours;
    };
    const Block blocks[] = {{red, blue, false}, {green, red, true}, {grey, grey, true}, {0x1820, 0, false}};
    for (int b = 0; b < 4; ++b) {
        const QRgb c0 = from565(blocks[b].c0), c1 = from565(blocks[b].c1);
        const QRgb palette[4] = {c0, c1, blocks[b].threeColours ? mix(c0, c1, 1, 1) : mix(c0, c1, 2, 1),
                                 blocks[b].threeColours ? qRgba(0, 0, 0, 0) : mix(c0, c1, 1, 2)};
        for (int i = 0; i < 16; ++i) {
            const int index = kPattern[std::size_t(i)];
            const QRgb got = level.pixel(4 * b + i % 4, i / 4);
            // Endpoints and transparent black exact; interpolated colours within 1.
            EXPECT_TRUE(
                near(got, palette[index], index < 2 || (blocks[b].threeColours && index == 3) ? 0 : 1))
                << "block " << b << " texel " << i;
        }
    }
}

TEST_F(TextureLoaderTest, DecodesDxt3AndDxt5AlphaAndAlwaysFourColours)
{
    constexpr unsigned c0 = 0x001F, c1 = 0xF800;  // c0 < c1: still four colours here
    const QRgb colours[4] = {from565(c0), from565(c1), mix(from565(c0), from565(c1), 2, 1),
                             mix(from565(c0), from565(c1), 1, 2)};
    std::array<int, 16> nibbles{};
    for (int i = 0; i < 16; ++i)
        nibbles[std::size_t(i)] = (i * 7) % 16;  // every value once, out of order

    Dds d;
    d.fourCc = code("DXT3");
    const TextureLevels t3 =
        load(write(ddsHeader(d) + explicitAlpha(nibbles) + colourBlock(c0, c1, kPattern), "dxt3.dds"));
    for (int i = 0; i < 16; ++i) {
        const QRgb want = colours[kPattern[std::size_t(i)]];
        const QRgb got = t3.levels[0].pixel(i % 4, i / 4);
        EXPECT_EQ(qAlpha(got), nibbles[std::size_t(i)] * 17) << i;
        EXPECT_TRUE(
            near(qRgba(qRed(got), qGreen(got), qBlue(got), 255), want, kPattern[std::size_t(i)] < 2 ? 0 : 1))
            << i;
    }

    // Eight alphas (a0 > a1): the endpoints and six between them; six alphas
    // (a0 <= a1): four between, then 0 and 255.
    constexpr std::array<int, 16> codes = {0, 1, 2, 3, 4, 5, 6, 7, 7, 6, 5, 4, 3, 2, 1, 0};
    d.fourCc = code("DXT5");
    d.width = 8;
    QByteArray dxt5 = ddsHeader(d);
    dxt5 += interpolatedAlpha(255, 10, codes) + colourBlock(c0, c1, kPattern);
    dxt5 += interpolatedAlpha(40, 240, codes) + colourBlock(c0, c1, kPattern);
    const QImage level = load(write(dxt5, "dxt5.dds")).levels[0];
    auto eight = [](int a0, int a1, int code) {
        return code == 0 ? a0 : code == 1 ? a1 : ((8 - code) * a0 + (code - 1) * a1 + 3) / 7;
    };
    auto six = [](int a0, int a1, int code) {
        return code == 0   ? a0
               : code == 1 ? a1
               : code == 6 ? 0
               : code == 7 ? 255
                           : ((6 - code) * a0 + (code - 1) * a1 + 2) / 5;
    };
    for (int i = 0; i < 16; ++i) {
        const int c = codes[std::size_t(i)];
        const int exact = c < 2 || c >= 6 ? 0 : 1;
        EXPECT_NEAR(qAlpha(level.pixel(i % 4, i / 4)), eight(255, 10, c), c < 2 ? 0 : 1)
            << "eight, code " << c;
        EXPECT_NEAR(qAlpha(level.pixel(4 + i % 4, i / 4)), six(40, 240, c), exact) << "six, code " << c;
        const QRgb got = level.pixel(4 + i % 4, i / 4);
        EXPECT_TRUE(near(qRgba(qRed(got), qGreen(got), qBlue(got), 255), colours[kPattern[std::size_t(i)]],
                         kPattern[std::size_t(i)] < 2 ? 0 : 1))
            << i;
    }
}

TEST_F(TextureLoaderTest, PremultipliedDxt2AndDxt4ComeOutStraight)
{
    // Colour 132 (5-bit 16) stored premultiplied; divided by alpha again and
    // clamped, as Direct3D's conversion to A8R8G8B8 gives it.
    constexpr unsigned c = 16 << 11;
    std::array<int, 16> nibbles{};
    nibbles[0] = 8, nibbles[1] = 10, nibbles[2] = 12, nibbles[3] = 2;  // 136, 170, 204, 34; the rest 0
    Dds d;
    d.fourCc = code("DXT2");
    const QImage dxt2 =
        load(write(ddsHeader(d) + explicitAlpha(nibbles) + solidBlock(c), "dxt2.dds")).levels[0];
    EXPECT_EQ(dxt2.pixel(0, 0), qRgba(247, 0, 0, 136));
    EXPECT_TRUE(near(dxt2.pixel(1, 0), qRgba(197, 0, 0, 170), 1));
    EXPECT_EQ(dxt2.pixel(2, 0), qRgba(165, 0, 0, 204));
    EXPECT_EQ(dxt2.pixel(3, 0), qRgba(255, 0, 0, 34));
    EXPECT_EQ(dxt2.pixel(0, 1), qRgba(0, 0, 0, 0));

    d.fourCc = code("DXT4");
    std::array<int, 16> codes{};
    codes[1] = 1;
    const QImage dxt4 =
        load(write(ddsHeader(d) + interpolatedAlpha(136, 0, codes) + solidBlock(c), "dxt4.dds")).levels[0];
    EXPECT_EQ(dxt4.pixel(0, 0), qRgba(247, 0, 0, 136));
    EXPECT_EQ(dxt4.pixel(1, 0), qRgba(0, 0, 0, 0));
}

TEST_F(TextureLoaderTest, DecodesUncompressedFormatsByTheirMasks)
{
    struct Case {
        const char* name;
        Dds header;
        QByteArray pixels;  // four pixels
        QRgb want[4];
        bool hasAlpha;
    };
    const std::uint32_t rgba = kRgbFlag | kAlphaPixelsFlag;
    QByteArray palette(1024, '\0');
    for (int i = 0; i < 256; ++i)
        palette[4 * i] = char(i), palette[4 * i + 1] = char(255 - i), palette[4 * i + 2] = char(i / 2),
                    palette[4 * i + 3] = char(i == 7 ? 0 : 200);
    const Case cases[] = {
        {"A8R8G8B8",
         rgbFormat(rgba, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000),
         bgra(255, 0, 0, 255) + bgra(0, 255, 0, 128) + bgra(0, 0, 255, 0) + bgra(10, 20, 30, 40),
         {qRgba(255, 0, 0, 255), qRgba(0, 255, 0, 128), qRgba(0, 0, 255, 0), qRgba(10, 20, 30, 40)},
         true},
        // The fourth byte of X8R8G8B8 is not alpha, even when it is 0.
        {"X8R8G8B8",
         rgbFormat(kRgbFlag, 32, 0xFF0000, 0xFF00, 0xFF, 0),
         bgra(255, 0, 0, 0) + bgra(0, 255, 0, 0) + bgra(0, 0, 255, 0) + bgra(10, 20, 30, 99),
         {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(10, 20, 30)},
         false},
        {"A8B8G8R8",
         rgbFormat(rgba, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000),
         bytes({255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 10, 20, 30, 40}),
         {qRgba(255, 0, 0, 255), qRgba(0, 255, 0, 128), qRgba(0, 0, 255, 0), qRgba(10, 20, 30, 40)},
         true},
        {"X8B8G8R8",
         rgbFormat(kRgbFlag, 32, 0xFF, 0xFF00, 0xFF0000, 0),
         bytes({255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 10, 20, 30, 0}),
         {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(10, 20, 30)},
         false},
        {"R8G8B8",
         rgbFormat(kRgbFlag, 24, 0xFF0000, 0xFF00, 0xFF, 0),
         bgr(255, 0, 0) + bgr(0, 255, 0) + bgr(0, 0, 255) + bgr(10, 20, 30),
         {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(10, 20, 30)},
         false},
        {"R5G6B5",
         rgbFormat(kRgbFlag, 16, 0xF800, 0x7E0, 0x1F, 0),
         bytes({0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x41, 0x08}),  // red, green, blue, (1, 2, 1)
         {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(8, 8, 8)},
         false},
        {"A1R5G5B5",
         rgbFormat(rgba, 16, 0x7C00, 0x3E0, 0x1F, 0x8000),
         bytes(
             {0x00, 0xFC, 0xE0, 0x03, 0x1F, 0x80, 0x16, 0x00}),  // red, green (clear), blue, 5-bit 22 (clear)
         {qRgba(255, 0, 0, 255), qRgba(0, 255, 0, 0), qRgba(0, 0, 255, 255), qRgba(0, 0, 181, 0)},
         true},
        {"X1R5G5B5",
         rgbFormat(kRgbFlag, 16, 0x7C00, 0x3E0, 0x1F, 0),
         bytes({0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x16, 0x00}),
         {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(0, 0, 181)},
         false},
        {"A4R4G4B4",
         rgbFormat(rgba, 16, 0xF00, 0xF0, 0xF, 0xF000),
         bytes({0x00, 0xFF, 0xF0, 0x80, 0x0F, 0x00, 0x21, 0x43}),
         {qRgba(255, 0, 0, 255), qRgba(0, 255, 0, 136), qRgba(0, 0, 255, 0), qRgba(51, 34, 17, 68)},
         true},
        {"X4R4G4B4",
         rgbFormat(kRgbFlag, 16, 0xF00, 0xF0, 0xF, 0),
         bytes({0x00, 0x0F, 0xF0, 0x00, 0x0F, 0x00, 0x21, 0x43}),
         {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(51, 34, 17)},
         false},
        // Luminance: green and blue masks as some writers fill them in.
        {"L8",
         rgbFormat(0x20000, 8, 0xFF, 0xFF, 0xFF, 0),
         bytes({0, 77, 200, 255}),
         {qRgb(0, 0, 0), qRgb(77, 77, 77), qRgb(200, 200, 200), qRgb(255, 255, 255)},
         false},
        {"A8L8",
         rgbFormat(0x20001, 16, 0xFF, 0, 0, 0xFF00),
         bytes({0, 255, 77, 128, 200, 0, 255, 9}),
         {qRgba(0, 0, 0, 255), qRgba(77, 77, 77, 128), qRgba(200, 200, 200, 0), qRgba(255, 255, 255, 9)},
         true},
        // Alpha alone reads as black.
        {"A8",
         rgbFormat(0x2, 8, 0, 0, 0, 0xFF),
         bytes({0, 77, 200, 255}),
         {qRgba(0, 0, 0, 0), qRgba(0, 0, 0, 77), qRgba(0, 0, 0, 200), qRgba(0, 0, 0, 255)},
         true},
        // P8: the palette's fourth byte is the alpha; A8P8 brings its own.
        {"P8",
         rgbFormat(0x20, 8, 0, 0, 0, 0),
         palette + bytes({0, 7, 100, 255}),
         {qRgba(0, 255, 0, 200), qRgba(7, 248, 3, 0), qRgba(100, 155, 50, 200), qRgba(255, 0, 127, 200)},
         true},
        {"A8P8",
         rgbFormat(0x21, 16, 0, 0, 0, 0xFF00),
         palette + bytes({0, 255, 7, 10, 100, 0, 255, 128}),
         {qRgba(0, 255, 0, 255), qRgba(7, 248, 3, 10), qRgba(100, 155, 50, 0), qRgba(255, 0, 127, 128)},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TextureLevels t =
            load(write(ddsHeader(c.header) + c.pixels, (std::string(c.name) + ".dds").c_str()));
        ASSERT_EQ(t.levels[0].size(), QSize(4, 1));
        EXPECT_EQ(t.hasAlpha, c.hasAlpha);
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(t.levels[0].pixel(x, 0), c.want[x])
                << "pixel " << x << std::hex << " got #" << t.levels[0].pixel(x, 0);
    }
}

TEST_F(TextureLoaderTest, DdsMipLevelsAreUsedAsStored)
{
    // Each stored level a solid colour unlike the average of the one above.
    constexpr unsigned colours[] = {0xF800, 0x07E0, 0x001F, 0xFFE0, 0x07FF};
    auto levelColour = [&](std::size_t i) { return from565(colours[i]); };

    Dds d;
    d.width = d.height = 8;
    d.levels = 4;
    QByteArray dxt1 = ddsHeader(d);
    for (int i = 0, blocks = 4; i < 4; ++i, blocks = std::max(1, blocks / 4))
        for (int b = 0; b < blocks; ++b)
            dxt1 += solidBlock(colours[i]);
    const TextureLevels t = load(write(dxt1, "chain.dds"));
    ASSERT_EQ(t.levels.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_TRUE(allTexels(t.levels[i], levelColour(i))) << "level " << i;

    // Fewer stored levels than the chain: the rest are averaged from the last.
    d.levels = 2;
    const TextureLevels part = load(write(ddsHeader(d) + dxt1.mid(128, 40), "part.dds"));
    ASSERT_EQ(part.levels.size(), 4u);
    EXPECT_TRUE(allTexels(part.levels[1], levelColour(1)));
    EXPECT_TRUE(allTexels(part.levels[3], levelColour(1)));

    // A count past the full chain is taken when its 1×1 levels are there;
    // the chain holds only four of them.
    d.levels = 20;
    const TextureLevels extra =
        load(write(ddsHeader(d) + dxt1.mid(128) + QByteArray(16 * 8, '\0'), "twenty.dds"));
    ASSERT_EQ(extra.levels.size(), 4u);
    EXPECT_TRUE(allTexels(extra.levels[3], levelColour(3)));
    EXPECT_NE(failure(write(ddsHeader(d) + dxt1.mid(128) + QByteArray(16 * 8 - 1, '\0'), "short.dds"))
                  .find("truncated"),
              std::string::npos);

    // Rows of 24-bit pixels are packed without padding: a 2×2 level takes 12
    // bytes, its 1×1 level 3.
    Dds rgb = rgbFormat(kRgbFlag, 24, 0xFF0000, 0xFF00, 0xFF, 0, 2, 2);
    rgb.levels = 2;
    const TextureLevels packed = load(write(ddsHeader(rgb) + bgr(1, 2, 3) + bgr(4, 5, 6) + bgr(7, 8, 9) +
                                                bgr(10, 11, 12) + bgr(200, 100, 50),
                                            "packed.dds"));
    ASSERT_EQ(packed.levels.size(), 2u);
    EXPECT_EQ(packed.levels[0].pixel(0, 1), qRgb(7, 8, 9));
    EXPECT_EQ(packed.levels[0].pixel(1, 1), qRgb(10, 11, 12));
    EXPECT_EQ(packed.levels[1].pixel(0, 0), qRgb(200, 100, 50));

    // Sides that are not powers of two: each stored level is resampled to the
    // texture level's size; edge blocks are cut to the image.
    Dds npot;
    npot.fourCc = code("DXT5");
    npot.width = 13, npot.height = 7, npot.levels = 4;  // 13×7, 6×3, 3×1, 1×1
    QByteArray dxt5 = ddsHeader(npot);
    const int blocks[] = {8, 2, 1, 1};
    for (int i = 0; i < 4; ++i)
        for (int b = 0; b < blocks[i]; ++b)
            dxt5 += interpolatedAlpha(255, 255, {}) + colourBlock(colours[i], colours[i], {});
    const TextureLevels n = load(write(dxt5, "npot.dds"));
    ASSERT_EQ(n.levels.size(), 5u);
    const QSize sizes[] = {{16, 8}, {8, 4}, {4, 2}, {2, 1}, {1, 1}};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(n.levels[i].size(), sizes[i]);
        EXPECT_TRUE(allTexels(n.levels[i], levelColour(std::min<std::size_t>(i, 3)))) << "level " << i;
    }
}

TEST_F(TextureLoaderTest, CubeAndVolumeFilesGiveTheirFirstFaceAndSlice)
{
    const QRgb faces[6] = {qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(0, 0, 255),
                           qRgb(255, 255, 0), qRgb(0, 255, 255), qRgb(255, 0, 255)};
    Dds cube = rgbFormat(kRgbFlag | kAlphaPixelsFlag, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, 4, 4);
    cube.levels = 3;
    cube.caps2 = 0x200 | 0xFC00;
    QByteArray file = ddsHeader(cube);
    for (int f = 0; f < 6; ++f)
        for (int level = 0, side = 4; level < 3; ++level, side /= 2)
            for (int i = 0; i < side * side; ++i)
                file += bgra(qRed(faces[f]) / (level + 1), qGreen(faces[f]), qBlue(faces[f]), 255);
    const TextureLevels t = load(write(file, "cube.dds"));
    ASSERT_EQ(t.levels.size(), 3u);
    EXPECT_TRUE(allTexels(t.levels[0], qRgb(255, 0, 0)));  // +X
    EXPECT_TRUE(allTexels(t.levels[1], qRgb(127, 0, 0)));
    EXPECT_TRUE(allTexels(t.levels[2], qRgb(85, 0, 0)));
    // Each face is needed, and all six of them.
    failure(write(file.left(file.size() - 1), "cube-short.dds"));
    QByteArray partial = file;
    partial[113] = char(0x200 >> 8 | 0x7C00 >> 8);  // no -Z face
    EXPECT_NE(failure(write(partial, "partial.dds")).find("six faces"), std::string::npos);

    // A volume: each level's slices follow each other, the first is taken.
    Dds volume = rgbFormat(kRgbFlag, 24, 0xFF0000, 0xFF00, 0xFF, 0, 2, 2);
    volume.flags |= 0x800000;
    volume.depth = 2;
    volume.levels = 2;
    QByteArray v = ddsHeader(volume);
    for (int i = 0; i < 4; ++i)
        v += bgr(10, 20, 30);
    for (int i = 0; i < 4; ++i)
        v += bgr(99, 99, 99);
    v += bgr(40, 50, 60);  // level 1 is 1×1×1
    const TextureLevels vt = load(write(v, "volume.dds"));
    ASSERT_EQ(vt.levels.size(), 2u);
    EXPECT_TRUE(allTexels(vt.levels[0], qRgb(10, 20, 30)));
    EXPECT_TRUE(allTexels(vt.levels[1], qRgb(40, 50, 60)));
    failure(write(v.left(v.size() - 1), "volume-short.dds"));

    // The volume cap without the depth flag is a plain 2D file.
    volume.flags &= ~0x800000u;
    volume.caps2 = 0x200000;
    const TextureLevels flat =
        load(write(ddsHeader(volume) + v.mid(128, 12) + v.mid(128 + 24, 3), "flat.dds"));
    ASSERT_EQ(flat.levels.size(), 2u);
    EXPECT_TRUE(allTexels(flat.levels[1], qRgb(40, 50, 60)));
}

TEST_F(TextureLoaderTest, DdsHeadersAcceptedAndRefused)
{
    const QByteArray block = solidBlock(0xF800);
    // What Direct3D ignores: the pitch, the mip-count flag; a count of 0 is 1;
    // bytes after the data.
    Dds d;
    d.pitch = 0xFFFFFFFF;
    d.flags = 0x1007;
    d.levels = 0;
    EXPECT_TRUE(
        allTexels(load(write(ddsHeader(d) + block + "trailing", "lax.dds")).levels[0], qRgb(255, 0, 0)));

    struct Refusal {
        const char* name;
        QByteArray file;
        const char* says;
    };
    auto with = [](auto change) {
        Dds h;
        change(h);
        return ddsHeader(h);
    };
    const Refusal refusals[] = {
        {"dx10", with([](Dds& h) { h.fourCc = code("DX10"); }) + QByteArray(20, '\0') + block, "DX10"},
        {"unknown FourCC", with([](Dds& h) { h.fourCc = code("ATI1"); }) + block, "ATI1"},
        {"pixel format size", with([](Dds& h) { h.pfSize = 24; }) + block, "pixel format"},
        {"24-bit BGR masks",
         ddsHeader(rgbFormat(kRgbFlag, 24, 0xFF, 0xFF00, 0xFF0000, 0)) + QByteArray(12, '\0'),
         "pixel format"},
        {"no width", with([](Dds& h) { h.width = 0; }) + block, "no pixels"},
        {"too wide", with([](Dds& h) { h.width = 8193; }) + block, "too large"},
        {"2^31 square", with([](Dds& h) { h.width = h.height = 0x80000000; }) + block, "too large"},
        {"deep volume", with([](Dds& h) { h.flags |= 0x800000, h.depth = 0xFFFFFFFF; }) + block, "too large"},
        {"lying count", with([](Dds& h) { h.levels = 0xFFFFFFFF; }) + block, "truncated"},
        {"header only", with([](Dds&) {}), "truncated"},
        {"short header", with([](Dds&) {}).left(100), "truncated"},
        {"P8 without its palette", ddsHeader(rgbFormat(0x20, 8, 0, 0, 0, 0)) + QByteArray(1023 + 4, '\0'),
         "truncated"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.name);
        const std::string error = failure(write(r.file, (std::string(r.name) + ".dds").c_str()));
        EXPECT_NE(error.find(r.says), std::string::npos) << error;
    }
}

TEST_F(TextureLoaderTest, DdsCutShortAnywhereIsRefused)
{
    // 16×16 DXT1 with its five levels: 128 + 32 + 8 + 8 + 8 bytes after the header.
    Dds d;
    d.width = d.height = 16;
    d.levels = 5;
    QByteArray file = ddsHeader(d);
    for (int i = 0; i < 16 + 4 + 1 + 1 + 1; ++i)
        file += colourBlock(0xF800, 0x001F, kPattern);
    load(write(file, "whole.dds"));
    for (qsizetype length = 0; length < file.size(); ++length) {
        SCOPED_TRACE(length);
        failure(write(file.left(length), "cut.dds"));
    }
}

TEST_F(TextureLoaderTest, FileKindIsToldByTheFirstBytes)
{
    Dds d;
    const QByteArray dds = ddsHeader(d) + solidBlock(0x07E0);
    EXPECT_TRUE(allTexels(load(write(dds, "named.bmp")).levels[0], qRgb(0, 255, 0)));
    EXPECT_TRUE(allTexels(load(write(dds, "named.TGA")).levels[0], qRgb(0, 255, 0)));

    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    const QString bmp = save(image, "real.bmp"), png = save(image, "real.png");
    for (const auto& [from, to] : {std::pair{bmp, "bmp.dds"}, std::pair{png, "png.tga"}}) {
        QFile in(from);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        EXPECT_TRUE(allTexels(load(write(in.readAll(), to)).levels[0], qRgb(1, 2, 3))) << to;
    }
    // A TGA has no signature: it is what any other file is read as.
    QByteArray tga = tgaHeader(2, 1, 1, 24, 0) + bgr(4, 5, 6);
    EXPECT_EQ(load(write(tga, "grey.dds")).levels[0].pixel(0, 0), qRgb(4, 5, 6));
    const std::string gif = failure(write(QByteArray("GIF89a\1\0\1\0\0\0\0", 13), "anim.gif"));
    EXPECT_NE(gif.find("not a BMP, JPEG, PNG, DDS or TGA image"), std::string::npos) << gif;
}

// The DDS textures of real models: DXT1 with full chains (some blocks in
// three-colour mode) and X8R8G8B8 whose fourth byte is 0.
TEST_F(TextureLoaderTest, CorpusDdsFilesDecode)
{
    const QString folder = QStringLiteral(ORVANE_XCORPUS_DIR);
    if (!QFileInfo::exists(folder))
        GTEST_SKIP() << "no corpus at " << folder.toStdString();
    int count = 0;
    QDirIterator it(folder, {"*.dds", "*.DDS"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        SCOPED_TRACE(file.toStdString());
        const TextureLevels t = load(file);
        ++count;
        ASSERT_FALSE(t.levels.empty());
        EXPECT_EQ(t.levels.back().size(), QSize(1, 1));
        // Not blank: some spread of colour at level 0.
        const QImage& top = t.levels[0];
        int darkest = 255, brightest = 0;
        for (int y = 0; y < top.height(); y += 7)
            for (int x = 0; x < top.width(); x += 7)
                darkest = std::min(darkest, qGray(top.pixel(x, y))),
                brightest = std::max(brightest, qGray(top.pixel(x, y)));
        EXPECT_GT(brightest - darkest, 32);
    }
    if (count == 0)
        GTEST_SKIP() << "no DDS files in the corpus";

    const TextureLevels tiny = load(folder + "/dxsdk-legacy/Media/Tiny/Tiny_skin.dds");
    EXPECT_FALSE(tiny.hasAlpha);
    EXPECT_TRUE(std::all_of(tiny.levels.begin(), tiny.levels.end(), [](const QImage& level) {
        for (int y = 0; y < level.height(); ++y)
            for (int x = 0; x < level.width(); ++x)
                if (qAlpha(level.pixel(x, y)) != 255)
                    return false;
        return true;
    }));
    const TextureLevels armor = load(folder + "/dxsdk-legacy/Media/Dwarf/Armor.dds");
    EXPECT_EQ(armor.levels[0].size(), QSize(512, 512));
    EXPECT_EQ(armor.levels.size(), 10u);
}
