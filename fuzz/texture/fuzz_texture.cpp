// libFuzzer entry point for the texture loader. The loader takes a path, so
// each input is written to a file first, named as its first bytes say: .bmp,
// .jpg or .png for those signatures, .tga otherwise (TGA has none, and the
// loader picks its own TGA decoder by the name). Any byte string must give a
// complete mip chain or an error that names the file.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "render/texture_loader.h"

namespace {

QString folder;

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

const char* suffixFor(const std::uint8_t* data, std::size_t size)
{
    auto startsWith = [&](const char* signature, std::size_t length) {
        return size >= length && std::memcmp(data, signature, length) == 0;
    };
    if (startsWith("BM", 2))
        return "bmp";
    if (startsWith("\xFF\xD8\xFF", 3))
        return "jpg";
    if (startsWith("\x89PNG", 4))
        return "png";
    return "tga";
}

// Level 0 has power-of-two sides and every further level halves them down to 1×1.
void checkChain(const d3d::TextureLevels& texture)
{
    check(!texture.levels.empty());
    const QImage& top = texture.levels.front();
    check(top.width() > 0 && (top.width() & (top.width() - 1)) == 0);
    check(top.height() > 0 && (top.height() & (top.height() - 1)) == 0);
    int width = top.width(), height = top.height();
    for (const QImage& level : texture.levels) {
        check(level.format() == QImage::Format_ARGB32);
        check(level.width() == width && level.height() == height);
        width = std::max(1, width / 2);
        height = std::max(1, height / 2);
    }
    check(texture.levels.back().width() == 1 && texture.levels.back().height() == 1);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Qt finds its image format plug-ins through the application object.
    static QCoreApplication app(*argc, *argv);
    // A private folder, in memory where there is one: one file write per input.
    const char* base = QDir(QStringLiteral("/dev/shm")).exists() ? "/dev/shm" : std::getenv("TMPDIR");
    folder = QStringLiteral("%1/orvane-fuzz-%2").arg(QLatin1String(base ? base : "/tmp")).arg(getpid());
    check(QDir().mkpath(folder));
    std::atexit([] { QDir(folder).removeRecursively(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = folder + QStringLiteral("/input.") + QLatin1String(suffixFor(data, size));
    {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        check(file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }
    d3d::TextureLevels texture;
    std::string error;
    if (d3d::loadTextureLevels(path, texture, error))
        checkChain(texture);
    else
        check(error.rfind(path.toStdString(), 0) == 0);
    QFile::remove(path);
    return 0;
}
