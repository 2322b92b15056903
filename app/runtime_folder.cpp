#include "runtime_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cstdlib>

namespace app {
namespace {

// TMPDIR where it names a folder, otherwise /tmp.
QByteArray temporaryFolder()
{
    const char* tmpdir = std::getenv("TMPDIR");
    struct stat info {};
    if (tmpdir && *tmpdir && stat(tmpdir, &info) == 0 && S_ISDIR(info.st_mode))
        return tmpdir;
    return "/tmp";
}

// A folder Qt takes as it is: the user's own, private (0700). Anything else,
// Qt would make (where the parent allows) or replace with a folder of its
// own, with a warning.
bool usableRuntimeFolder(const char* path)
{
    struct stat info {};
    return path && *path && stat(path, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
           (info.st_mode & 07777) == 0700;
}

}  // namespace

RuntimeFolderStandIn::RuntimeFolderStandIn()
{
    if (usableRuntimeFolder(std::getenv("XDG_RUNTIME_DIR")))
        return;
    // mkdtemp makes the folder private (0700), as Qt requires of it.
    QByteArray pattern = temporaryFolder() + "/orvane-runtime-XXXXXX";
    if (!mkdtemp(pattern.data()))
        return;  // Qt then falls back on its own folder, with its warning
    path_ = pattern;
    setenv("XDG_RUNTIME_DIR", path_.constData(), 1);
}

void RuntimeFolderStandIn::release()
{
    if (path_.isEmpty())
        return;
    QDir(QFile::decodeName(path_)).removeRecursively();
}

}  // namespace app
