#include "viewer/texture_search.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStringDecoder>

#include "platform/host_path.h"

namespace viewer {
namespace {

// How far and how much the search below the model's folder looks.
constexpr int kMaxDepth = 3;
constexpr int kMaxEntries = 4000;

bool isAbsolute(const QString& name)
{
    // "/x", "\\server\x" or "C:\x".
    return name.startsWith(QLatin1Char('/')) || (name.size() > 1 && name[1] == QLatin1Char(':'));
}

std::optional<QString> findBelow(const QString& folder, const QString& fileName)
{
    const int baseDepth = folder.count(QLatin1Char('/'));
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    for (int entries = 0; it.hasNext() && entries < kMaxEntries; ++entries) {
        const QString path = it.next();
        if (path.count(QLatin1Char('/')) - baseDepth > kMaxDepth)
            continue;
        const QFileInfo info = it.fileInfo();
        if (info.isFile() && info.fileName().compare(fileName, Qt::CaseInsensitive) == 0)
            return path;
    }
    return std::nullopt;
}

}  // namespace

QString decodeTextureName(const std::string& bytes)
{
    const QByteArray raw = QByteArray::fromStdString(bytes);
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8.decode(raw);
    if (!utf8.hasError())
        return text;
    // Qt reaches the legacy code pages through ICU; "windows-31j" is CP932.
    QStringDecoder cp932("windows-31j");
    if (cp932.isValid())
        return cp932.decode(raw);
    return QString::fromLatin1(raw);
}

std::optional<QString> findTexture(const QString& modelFolder, const QString& name)
{
    // Decoded first: a CP932 character may end in the byte of "\".
    const QString path = platform::hostPath(name).trimmed();
    const QString fileName = path.section(QLatin1Char('/'), -1);
    if (fileName.isEmpty())
        return std::nullopt;
    const QString folder = modelFolder.isEmpty() ? QStringLiteral(".") : modelFolder;
    if (!isAbsolute(path))
        if (auto found = platform::findFile(folder + QLatin1Char('/') + path))
            return QDir::cleanPath(*found);
    if (auto found = platform::findFile(folder + QLatin1Char('/') + fileName))
        return found;
    if (auto found = findBelow(folder, fileName))
        return found;
    // The layout the program's own models are delivered in: X-File/ and
    // Texture/ side by side.
    if (auto found = platform::findFile(folder + QStringLiteral("/../Texture/") + fileName))
        return QDir::cleanPath(*found);
    return std::nullopt;
}

}  // namespace viewer
