// A stand-in for the user's runtime folder while Qt starts.
#pragma once

#include <QByteArray>

namespace app {

// Qt looks for the user's runtime folder (XDG_RUNTIME_DIR) while its
// application object starts. A thumbnailer often runs where that folder is
// not: without the variable, or in GNOME's thumbnail sandbox, which keeps the
// session's variable but not /run/user. Qt would then make a folder of its
// own ($TMPDIR/runtime-USER; in the sandbox $TMPDIR is the factory's
// temporary folder, which then cannot be removed), leave it behind and warn
// on standard error. Where the variable does not name a private folder of
// this user, this lends Qt a fresh one for the start and removes it again. A
// usable folder is the user's and stays untouched.
class RuntimeFolderStandIn {
public:
    // Before the application object is made.
    RuntimeFolderStandIn();
    ~RuntimeFolderStandIn() { release(); }
    RuntimeFolderStandIn(const RuntimeFolderStandIn&) = delete;
    RuntimeFolderStandIn& operator=(const RuntimeFolderStandIn&) = delete;

    // Once the application object has started: removes the folder and
    // anything in it, so that a run cut short later leaves nothing. (Should
    // Qt make it again, the destructor removes it once more.)
    void release();

private:
    QByteArray path_;
};

}  // namespace app
