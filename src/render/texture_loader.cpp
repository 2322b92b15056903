#include "render/texture_loader.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "render/dds_reader.h"

namespace d3d {
namespace {

// Larger sides are refused outright: a texture this viewer could show never
// needs more, and the decoded chain of an 8192² image already takes 340 MiB.
constexpr int kMaxSide = 8192;

std::string describe(const QString& path, const std::string& why) { return path.toStdString() + ": " + why; }

// ---------------------------------------------------------------------------
// TGA: Qt's base image formats have no reader for it. Handles uncompressed and
// run-length encoded true-colour (24/32-bit), grey (8-bit) and colour-mapped
// (8-bit indices into a 24/32-bit map) images, in either row order.

class ByteReader {
public:
    ByteReader(const QByteArray& bytes, qsizetype start) : data_(bytes), pos_(start) {}
    bool take(qsizetype n, const unsigned char*& out)
    {
        if (n < 0 || data_.size() - pos_ < n)
            return false;
        out = reinterpret_cast<const unsigned char*>(data_.constData()) + pos_;
        pos_ += n;
        return true;
    }

private:
    const QByteArray& data_;
    qsizetype pos_;
};

std::uint16_t le16(const unsigned char* p) { return std::uint16_t(p[0] | (p[1] << 8)); }

// One stored pixel as ARGB; `alpha` says whether its fourth byte is alpha.
QRgb trueColour(const unsigned char* p, int bytes, bool alpha)
{
    if (bytes == 1)
        return qRgb(p[0], p[0], p[0]);
    const int a = bytes == 4 && alpha ? p[3] : 255;
    return qRgba(p[2], p[1], p[0], a);
}

bool decodeTga(const QByteArray& file, QImage& image, bool& hasAlpha, std::string& why)
{
    if (file.size() < 18) {
        why = "truncated TGA header";
        return false;
    }
    const auto* h = reinterpret_cast<const unsigned char*>(file.constData());
    const int idLength = h[0], mapType = h[1], type = h[2];
    const int mapFirst = le16(h + 3), mapLength = le16(h + 5), mapEntryBits = h[7];
    const int width = le16(h + 12), height = le16(h + 14), depth = h[16], descriptor = h[17];
    const bool rle = type >= 9;
    const int base = rle ? type - 8 : type;  // 1 colour-mapped, 2 true-colour, 3 grey
    const int attributeBits = descriptor & 0x0F;

    if (base < 1 || base > 3 || (type > 3 && !rle) || type > 11) {
        why = "unsupported TGA image type " + std::to_string(type);
        return false;
    }
    if (width == 0 || height == 0) {
        why = "TGA image has no pixels";
        return false;
    }
    if (width > kMaxSide || height > kMaxSide) {
        why = "image is too large (" + std::to_string(width) + "×" + std::to_string(height) + ")";
        return false;
    }
    if ((base == 2 && depth != 24 && depth != 32) || (base != 2 && depth != 8)) {
        why = "unsupported TGA pixel depth " + std::to_string(depth);
        return false;
    }

    ByteReader in(file, 18);
    const unsigned char* skip = nullptr;
    if (!in.take(idLength, skip)) {
        why = "truncated TGA file";
        return false;
    }
    // The colour map: entries referenced as mapFirst + i.
    std::vector<QRgb> palette;
    bool paletteAlpha = false;
    if (mapType == 1) {
        if (mapEntryBits != 24 && mapEntryBits != 32) {
            if (base == 1) {
                why = "unsupported TGA colour map entry size " + std::to_string(mapEntryBits);
                return false;
            }
        }
        const int entryBytes = (mapEntryBits + 7) / 8;
        const unsigned char* map = nullptr;
        if (!in.take(qsizetype(mapLength) * entryBytes, map)) {
            why = "truncated TGA colour map";
            return false;
        }
        if (base == 1) {
            paletteAlpha = entryBytes == 4 && attributeBits == 8;
            palette.reserve(std::size_t(mapLength));
            for (int i = 0; i < mapLength; ++i)
                palette.push_back(trueColour(map + i * entryBytes, entryBytes, paletteAlpha));
        }
    } else if (mapType != 0 || base == 1) {
        why = "TGA colour map missing or of unknown kind";
        return false;
    }

    const int bytes = depth / 8;
    // A 32-bit image's fourth byte is alpha when the header says it holds 8
    // attribute bits; with none declared it is padding.
    const bool pixelAlpha = base == 2 && bytes == 4 && attributeBits == 8;
    hasAlpha = base == 1 ? paletteAlpha : pixelAlpha;

    image = QImage(width, height, QImage::Format_ARGB32);
    if (image.isNull()) {
        why = "not enough memory for the image";
        return false;
    }
    const bool topDown = (descriptor & 0x20) != 0;
    const bool rightToLeft = (descriptor & 0x10) != 0;

    auto toRgb = [&](const unsigned char* p, QRgb& out) {
        if (base != 1) {
            out = trueColour(p, bytes, pixelAlpha);
            return true;
        }
        const int index = int(p[0]) - mapFirst;
        if (index < 0 || index >= int(palette.size()))
            return false;
        out = palette[std::size_t(index)];
        return true;
    };
    auto store = [&](std::int64_t n, QRgb colour) {
        const int row = int(n / width), col = int(n % width);
        const int y = topDown ? row : height - 1 - row;
        const int x = rightToLeft ? width - 1 - col : col;
        reinterpret_cast<QRgb*>(image.scanLine(y))[x] = colour;
    };

    const std::int64_t total = std::int64_t(width) * height;
    std::int64_t n = 0;
    while (n < total) {
        std::int64_t count = total - n;
        bool run = false;
        if (rle) {
            const unsigned char* packet = nullptr;
            if (!in.take(1, packet)) {
                why = "truncated TGA pixel data";
                return false;
            }
            run = (packet[0] & 0x80) != 0;
            count = (packet[0] & 0x7F) + 1;
            if (count > total - n) {
                why = "TGA run-length packet runs past the image";
                return false;
            }
        }
        const unsigned char* p = nullptr;
        if (!in.take(run ? bytes : count * bytes, p)) {
            why = "truncated TGA pixel data";
            return false;
        }
        for (std::int64_t i = 0; i < count; ++i) {
            QRgb colour = 0;
            if (!toRgb(run ? p : p + i * bytes, colour)) {
                why = "TGA pixel refers to a colour outside the colour map";
                return false;
            }
            store(n + i, colour);
        }
        n += count;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Qt's image readers report success for some images whose data ends early,
// with the missing pixels left as the allocator gave them: uncompressed BMP
// rows, and JPEG scans (the decoder pads them). Compressed BMP and PNG data
// that ends early already fails to decode.

// Where the pixel rows of an uncompressed BMP end, as its header promises;
// 0 for any other file.
qint64 bmpPixelDataEnd(const QByteArray& head)
{
    if (head.size() < 30 || !head.startsWith("BM"))
        return 0;
    const auto* h = reinterpret_cast<const unsigned char*>(head.constData());
    auto u16 = [h](int at) { return qint64(h[at] | (h[at + 1] << 8)); };
    auto u32 = [&u16](int at) { return u16(at) | (u16(at + 2) << 16); };
    const qint64 dataOffset = u32(10), infoSize = u32(14);
    qint64 width = 0, height = 0, bits = 0, compression = 0;
    if (infoSize == 12) {  // the OS/2 core header
        width = u16(18), height = u16(20), bits = u16(24);
    } else if (infoSize >= 40 && head.size() >= 34) {
        width = qint32(u32(18)), height = qint32(u32(22)), bits = u16(28), compression = u32(30);
    } else {
        return 0;
    }
    const bool uncompressed = compression == 0 || compression == 3 || compression == 6;  // RGB, bit fields
    if (!uncompressed || width <= 0 || width > kMaxSide || height == 0 || std::abs(height) > kMaxSide)
        return 0;
    const qint64 rowBytes = (width * bits + 31) / 32 * 4;
    return dataOffset + rowBytes * std::abs(height);
}

// A file that notes a read that found nothing left: a JPEG decoder reads
// ahead in blocks, and only reaches for more when the scan is not complete.
class WatchedFile : public QFile {
public:
    using QFile::QFile;
    bool readAtEnd = false;

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 n = QFile::readData(data, maxSize);
        readAtEnd = readAtEnd || (n <= 0 && maxSize > 0);
        return n;
    }
};

// The kinds of file the loader reads, told apart by their first bytes as
// D3DX does, whatever the name says. TGA has no signature: it is what is left.
enum class FileKind { Dds, Qt, Tga };

FileKind kindOf(const QByteArray& head, QByteArray& qtFormat)
{
    if (startsLikeDds(head))
        return FileKind::Dds;
    struct Signature {
        const char* bytes;
        const char* format;
    };
    static constexpr Signature kSignatures[] = {
        {"BM", "bmp"}, {"\x89PNG\r\n\x1a\n", "png"}, {"\xFF\xD8\xFF", "jpeg"}};
    for (const auto& [signature, format] : kSignatures)
        if (head.startsWith(signature)) {
            qtFormat = format;
            return FileKind::Qt;
        }
    return FileKind::Tga;
}

// Reads the TGA image of `file`, open at its start, which is at `path`.
bool decodeTgaFile(QFile& file, const QString& path, QImage& image, bool& hasAlpha, std::string& error)
{
    // Even a worst-case run-length file of the largest accepted size is well under this.
    if (file.size() > qint64(kMaxSide) * kMaxSide * 5 + (1 << 20)) {
        error = describe(path, "file is too large to be a texture");
        return false;
    }
    const QByteArray bytes = file.readAll();
    std::string why;
    if (!decodeTga(bytes, image, hasAlpha, why)) {
        // Any file without another signature ends up here; the name only
        // chooses the words.
        const bool namedTga =
            QFileInfo(path).suffix().compare(QLatin1String("tga"), Qt::CaseInsensitive) == 0;
        error =
            describe(path, namedTga ? "not a readable TGA image (" + why + ")"
                                    : "not a BMP, JPEG, PNG, DDS or TGA image (read as TGA: " + why + ")");
        return false;
    }
    return true;
}

bool decodeQtFile(const QString& path, const QByteArray& format, QImage& image, bool& hasAlpha,
                  std::string& error)
{
    WatchedFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        error = describe(path, "cannot be read (" + file.errorString().toStdString() + ")");
        return false;
    }
    const QByteArray head = file.peek(64);
    QImageReader reader(&file, format);
    reader.setAllocationLimit(600);  // MiB; 16-bit channels of the largest accepted size
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kMaxSide || size.height() > kMaxSide)) {
        error = describe(path, "image is too large (" + std::to_string(size.width()) + "×" +
                                   std::to_string(size.height()) + ")");
        return false;
    }
    if (format == "bmp" && file.size() < bmpPixelDataEnd(head)) {
        error = describe(path, "not a readable image (the file ends before its pixel data)");
        return false;
    }
    file.readAtEnd = false;  // recognising the format may look past the end of a tiny file
    QImage decoded;
    if (!reader.read(&decoded) || decoded.isNull()) {
        error = describe(path, "not a readable image (" + reader.errorString().toStdString() + ")");
        return false;
    }
    if (format == "jpeg" && file.readAtEnd) {
        error = describe(path, "not a readable image (the file ends before its image data)");
        return false;
    }
    if (decoded.width() > kMaxSide || decoded.height() > kMaxSide) {
        error = describe(path, "image is too large");
        return false;
    }
    hasAlpha = decoded.hasAlphaChannel();
    image = decoded.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) {
        error = describe(path, "not enough memory for the image");
        return false;
    }
    return true;
}

// The file's image as stored: one level, or for a DDS file the levels it holds.
bool decodeFile(const QString& path, std::vector<QImage>& levels, bool& hasAlpha, std::string& error)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile()) {
        error = describe(path, "file not found");
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = describe(path, "cannot be read (" + file.errorString().toStdString() + ")");
        return false;
    }
    QByteArray qtFormat;
    const FileKind kind = kindOf(file.peek(8), qtFormat);
    if (kind == FileKind::Dds) {
        DdsLevels dds;
        std::string why;
        if (!readDds(file, kMaxSide, dds, why)) {
            error = describe(path, "not a readable DDS image (" + why + ")");
            return false;
        }
        levels = std::move(dds.levels);
        hasAlpha = dds.hasAlpha;
        return true;
    }
    QImage image;
    if (kind == FileKind::Tga) {
        if (!decodeTgaFile(file, path, image, hasAlpha, error))
            return false;
    } else {
        // Qt's readers watch their own file for reads past its end.
        file.close();
        if (!decodeQtFile(path, qtFormat, image, hasAlpha, error))
            return false;
    }
    levels = {std::move(image)};
    return true;
}

int nextPowerOfTwo(int n)
{
    int p = 1;
    while (p < n)
        p *= 2;
    return p;
}

// Area resampling along one axis: destination pixel i covers the source
// interval [i·s/d, (i+1)·s/d) and takes each source pixel in proportion to
// the overlap, so every source pixel contributes with the same total weight.
struct Tap {
    int index;
    double weight;
};
std::vector<std::vector<Tap>> areaTaps(int src, int dst)
{
    std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(dst));
    const double scale = double(src) / dst;
    for (int i = 0; i < dst; ++i) {
        const double lo = i * scale, hi = (i + 1) * scale;
        for (int j = int(std::floor(lo)); j < src && j < hi; ++j) {
            const double overlap = std::min(hi, double(j + 1)) - std::max(lo, double(j));
            if (overlap > 1e-12)
                taps[std::size_t(i)].push_back({j, overlap / scale});
        }
    }
    return taps;
}

QImage resample(const QImage& src, int w, int h)
{
    if (w == src.width() && h == src.height())
        return src;
    QImage dst(w, h, QImage::Format_ARGB32);
    if (dst.isNull())
        return dst;
    const auto cols = areaTaps(src.width(), w), rows = areaTaps(src.height(), h);
    for (int y = 0; y < h; ++y) {
        auto* out = reinterpret_cast<QRgb*>(dst.scanLine(y));
        for (int x = 0; x < w; ++x) {
            double a = 0, r = 0, g = 0, b = 0;
            for (const Tap& ty : rows[std::size_t(y)]) {
                const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(ty.index));
                for (const Tap& tx : cols[std::size_t(x)]) {
                    const double wgt = ty.weight * tx.weight;
                    const QRgb c = in[tx.index];
                    a += wgt * qAlpha(c), r += wgt * qRed(c), g += wgt * qGreen(c), b += wgt * qBlue(c);
                }
            }
            auto px = [](double v) { return std::clamp(int(std::lround(v)), 0, 255); };
            out[x] = qRgba(px(r), px(g), px(b), px(a));
        }
    }
    return dst;
}

// The next mip level: each texel the average of the 2×2 block above it,
// rounded to nearest. Once a side is 1 the block is 2×1 (reading its one row
// or column twice leaves the average unchanged).
QImage halve(const QImage& src)
{
    const int w = std::max(1, src.width() / 2), h = std::max(1, src.height() / 2);
    QImage dst(w, h, QImage::Format_ARGB32);
    if (dst.isNull())
        return dst;
    const int dx = src.width() > 1 ? 1 : 0, dy = src.height() > 1 ? 1 : 0;
    for (int y = 0; y < h; ++y) {
        const auto* r0 = reinterpret_cast<const QRgb*>(src.constScanLine((1 + dy) * y));
        const auto* r1 = reinterpret_cast<const QRgb*>(src.constScanLine((1 + dy) * y + dy));
        auto* out = reinterpret_cast<QRgb*>(dst.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int x0 = (1 + dx) * x, x1 = x0 + dx;
            const QRgb c[4] = {r0[x0], r0[x1], r1[x0], r1[x1]};
            int a = 2, r = 2, g = 2, b = 2;
            for (QRgb v : c)
                a += qAlpha(v), r += qRed(v), g += qGreen(v), b += qBlue(v);
            out[x] = qRgba(r / 4, g / 4, b / 4, a / 4);
        }
    }
    return dst;
}

}  // namespace

bool loadTextureLevels(const QString& path, TextureLevels& out, std::string& error)
{
    std::vector<QImage> stored;
    bool hasAlpha = false;
    if (!decodeFile(path, stored, hasAlpha, error))
        return false;
    // Level 0 takes the file's size rounded up to powers of two. Each further
    // level is the file's own where it has one (resampled to the level's size
    // if that differs), otherwise the average of the level above.
    std::vector<QImage> levels;
    int w = nextPowerOfTwo(stored[0].width()), h = nextPowerOfTwo(stored[0].height());
    for (std::size_t i = 0;; ++i) {
        levels.push_back(i < stored.size() ? resample(stored[i], w, h) : halve(levels.back()));
        if (levels.back().isNull()) {
            error = describe(path, "not enough memory for the texture");
            return false;
        }
        if (w == 1 && h == 1)
            break;
        w = std::max(1, w / 2), h = std::max(1, h / 2);
    }
    out.levels = std::move(levels);
    out.hasAlpha = hasAlpha;
    return true;
}

}  // namespace d3d
