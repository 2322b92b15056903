// libFuzzer entry point for the texture loader. The loader takes a path, so
// each input is written to a file first; its name does not matter, as the
// loader tells BMP, JPEG, PNG and DDS by their first bytes and reads anything
// else as TGA. Any byte string must give a complete mip chain or an error
// that names the file.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
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
    const QString path = folder + QStringLiteral("/input.img");
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
