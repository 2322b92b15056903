#include "thumbnail.h"

#include <malloc.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "runtime_folder.h"

namespace app {
namespace {

void giveUp(int)
{
    static const char message[] = "orvane: no thumbnail: the model took too long to draw\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, message, sizeof message - 1);
    _exit(3);
}

// The limits a thumbnailer must keep whatever the file holds.
void limitResources()
{
    // Each thread's malloc arena reserves 64 MiB of address space; the
    // rasteriser's threads would spend much of the limit on reservations.
    mallopt(M_ARENA_MAX, 2);
#ifndef ORVANE_SANITIZED
    // Lowered only: a tighter limit the caller set stays. (A sanitizer build
    // reserves terabytes for its shadow memory and keeps no such limit.)
    rlimit memory{};
    if (getrlimit(RLIMIT_AS, &memory) == 0 && memory.rlim_cur > kThumbnailBytes) {
        memory.rlim_cur = kThumbnailBytes;
        setrlimit(RLIMIT_AS, &memory);
    }
#endif
    signal(SIGALRM, giveUp);
    alarm(kThumbnailSeconds);
}

// Keeps the alarm from ringing until end(): while Qt starts, the stand-in
// for the runtime folder exists, and the alarm's quick exit would leave it.
class AlarmHeldBack {
public:
    AlarmHeldBack()
    {
        sigemptyset(&alarm_);
        sigaddset(&alarm_, SIGALRM);
        pthread_sigmask(SIG_BLOCK, &alarm_, nullptr);
    }
    ~AlarmHeldBack() { end(); }
    AlarmHeldBack(const AlarmHeldBack&) = delete;
    AlarmHeldBack& operator=(const AlarmHeldBack&) = delete;
    // An alarm that came meanwhile rings now.
    void end() { pthread_sigmask(SIG_UNBLOCK, &alarm_, nullptr); }

private:
    sigset_t alarm_;
};

}  // namespace

int writeThumbnail(int argc, char** argv, const RenderRequest& request)
{
    limitResources();
    // Nothing is shown: the off-screen platform needs no display.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    AlarmHeldBack heldBack;
    RuntimeFolderStandIn runtimeFolder;
    try {
        QGuiApplication application(argc, argv);
        runtimeFolder.release();
        heldBack.end();
        // Thumbnails are PNG whatever the cache names the file ("x.png.tmp").
        RenderRequest png = request;
        png.format = "png";
        // Writing is quick and must not be cut short: the clock stops there.
        return renderToFile(png, [] { alarm(0); });
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "orvane: no thumbnail: not enough memory to draw the model\n");
    }
    return 1;
}

}  // namespace app
