// Texture files to mip chains: decoding (TGA by our own reader), rounding to
// powers of two, the box-filtered chain, the alpha rule and refusals.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <algorithm>

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

    TextureLevels load(const QString& file)
    {
        TextureLevels levels;
        std::string error;
        EXPECT_TRUE(d3d::loadTextureLevels(file, levels, error)) << error;
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
    const QStringList files = folder.entryList({"*.bmp", "*.jpg", "*.png", "*.tga"}, QDir::Files);
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
