// File names as the viewer writes them ("X-File\vorkan.x") and as the host's
// file system wants them.
#pragma once

#include <QString>
#include <optional>

namespace platform {

// "\" becomes "/"; nothing else changes.
QString hostPath(const QString& name);

// The existing regular file at `path` (host spelling). Where the exact name is
// not there, each component is matched without regard to case, so the mixed
// case of delivered names ("City02_01.jpg") finds its file. A hidden file is
// never found, as fileExists does not count it. Empty when none.
std::optional<QString> findFile(const QString& path);

}  // namespace platform
