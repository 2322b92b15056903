// File names as the viewer writes them ("X-File\vorkan.x") and as the host's
// file system wants them.
#pragma once

#include <QString>
#include <optional>

namespace platform {

// "\" becomes "/"; nothing else changes.
QString hostPath(const QString& name);

// The existing regular file at `path` (host spelling). One rule for every
// caller: the file named exactly is found, hidden (leading dot) or not, as
// fileExists counts it. Where the exact name is not there, each component is
// matched without regard to case, so the mixed case of delivered names
// ("City02_01.jpg") finds its file; that search lists folders, and a hidden
// file is never a guess of it (a hidden folder on the way is). Where that
// fails too and the name holds "¥" (U+00A5, which Japanese fonts draw for
// ""), the name is tried once more with each "¥" read as a separator.
// Empty when none.
std::optional<QString> findFile(const QString& path);

}  // namespace platform
