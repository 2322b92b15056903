#include "platform/host_path.h"

#include <QDir>
#include <QFileInfo>

#include "platform/services.h"

namespace platform {

QString hostPath(const QString& name)
{
    QString path = name;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
}

namespace {

// The Japanese fonts draw "\" as this sign, so a user may type it for one.
constexpr QChar kYenSign(0x00A5);

std::optional<QString> findSpelling(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    if (fileExists(path))
        return path;

    // Walk the components from the first one, matching case-insensitively
    // where the exact spelling is missing.
    const bool absolute = path.startsWith(QLatin1Char('/'));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current = absolute ? QStringLiteral("/") : QStringLiteral(".");
    for (int i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        const bool last = i == parts.size() - 1;
        QString next = QDir(current).filePath(part);
        if (!(last ? fileExists(next) : QFileInfo(next).isDir())) {
            if (part == QLatin1String(".") || part == QLatin1String(".."))
                return std::nullopt;
            const QDir dir(current);
            // A hidden file does not count, whatever its spelling; a hidden
            // folder on the way to it does.
            const QStringList entries =
                dir.entryList(last ? QDir::Files : QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
            const auto match = std::find_if(entries.begin(), entries.end(), [&](const QString& entry) {
                return entry.compare(part, Qt::CaseInsensitive) == 0;
            });
            if (match == entries.end())
                return std::nullopt;
            next = dir.filePath(*match);
        }
        current = next;
    }
    if (!absolute && current.startsWith(QLatin1String("./")))
        current = current.mid(2);
    return current;
}

}  // namespace

std::optional<QString> findFile(const QString& path)
{
    if (auto found = findSpelling(path))
        return found;
    if (!path.contains(kYenSign))
        return std::nullopt;
    QString separated = path;
    separated.replace(kYenSign, QLatin1Char('/'));
    return findSpelling(separated);
}

}  // namespace platform
