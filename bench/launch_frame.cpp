// Launch to first frame: starts `orvane MODEL` again and again on the X
// server in $DISPLAY and watches the screen until the render panel first
// shows the window painted and then lit model pixels: pixels that are
// neither the window's lavender nor a clear colour (the viewer look clears
// to black, the authored look to a middle grey, 128,128,128) nor the empty
// black of a window not yet drawn. The window must open at the screen's
// top-left corner, as it does on a bare X server such as xvfb-run's.
//
//   bench_launch_frame [--runs N] [--orvane PATH] [MODEL.x]
//
// Runs from the program's folder, so MODEL may be X-File/vorkan.x (the default).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "start_quietly.h"

namespace {

constexpr int kPanelWidth = 505, kPanelHeight = 499;
// Only the middle of the panel is read, where a framed model shows: reading
// the screen costs the X server time, which the program under measurement
// would otherwise lose on a machine with few cores.
constexpr int kLeft = kPanelWidth / 4, kTop = kPanelHeight / 4, kWidth = kPanelWidth / 2,
              kHeight = kPanelHeight / 2;

struct Seen {
    int painted = 0;  // pixels of the window's own background colour
    int lit = 0;      // pixels of the lit model, whatever their colour
};

Seen look(Display* display)
{
    Seen seen;
    XImage* image =
        XGetImage(display, DefaultRootWindow(display), kLeft, kTop, kWidth, kHeight, AllPlanes, ZPixmap);
    if (!image)
        return seen;
    for (int y = 0; y < kHeight; y += 2)
        for (int x = 0; x < kWidth; x += 2) {
            const unsigned long p = XGetPixel(image, x, y);
            const int r = int((p >> 16) & 0xFF), g = int((p >> 8) & 0xFF), b = int(p & 0xFF);
            const bool clearGrey = std::abs(r - 128) <= 2 && std::abs(g - 128) <= 2 && std::abs(b - 128) <= 2;
            if (b > r + 8 && r > 150)
                ++seen.painted;
            else if (std::max({r, g, b}) >= 48 && !clearGrey)
                ++seen.lit;
        }
    XDestroyImage(image);
    return seen;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    int runs = 7;
    std::string orvane = ORVANE_EXE;
    std::string model = "X-File/vorkan.x";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc)
            runs = std::max(5, std::atoi(argv[++i]));
        else if (a == "--orvane" && i + 1 < argc)
            orvane = argv[++i];
        else if (a.rfind("--", 0) != 0)
            model = a;
        else {
            std::fprintf(stderr, "usage: %s [--runs N] [--orvane PATH] [MODEL.x]\n", argv[0]);
            return 2;
        }
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display (run under xvfb-run)\n");
        return 2;
    }
    const std::string folder = std::string(ORVANE_EXE).substr(0, std::string(ORVANE_EXE).rfind('/'));
    if (chdir(folder.c_str()) != 0)
        return 2;

    std::vector<double> painted, lit;
    for (int r = 0; r < runs; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        const pid_t pid = startQuietly({orvane, model});
        if (pid < 0) {
            std::printf("cannot start %s\n", orvane.c_str());
            return 1;
        }
        double paintedMs = -1, litMs = -1;
        while (litMs < 0) {
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            if (ms > 10000)
                break;
            const Seen seen = look(display);
            if (paintedMs < 0 && (seen.painted > 250 || seen.lit > 125))
                paintedMs = ms;
            if (seen.lit > 125)
                litMs = ms;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        if (litMs < 0) {
            std::printf("run %d: no model pixels within 10 s\n", r + 1);
            return 1;
        }
        painted.push_back(paintedMs);
        lit.push_back(litMs);
        // The window must be gone before the next launch looks at the screen.
        while (look(display).painted > 0 || look(display).lit > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::printf("launch `orvane %s`, median of %d: window painted %.0f ms, first lit model pixels %.0f ms\n",
                model.c_str(), runs, median(painted), median(lit));
    XCloseDisplay(display);
    return 0;
}
