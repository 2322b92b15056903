// A stand-in for the user's runtime folder while Qt starts.
#pragma once

#include <QByteArray>

namespace app {

// Qt looks for the user's runtime folder (XDG_RUNTIME_DIR) while its
// application object starts. File managers run thumbnailers without that
// variable; Qt would then make $TMPDIR/runtime-USER, leave it behind (GNOME's
// thumbnailer sandbox then cannot remove its own temporary folder) and warn
// on standard error. Where the variable is unset or empty, this lends Qt a
// fresh private folder for the start, and removes it again. A variable that
// is set is the user's and stays untouched.
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
