// Frame time of the authored look with a posed model on both devices: the
// model loaded once, then posed at a new time and drawn, frame after frame,
// as the window's timer will drive it. Prints the median of the pose and of
// the whole frame (pose, upload, draw, present; the back buffer is read once
// at the end).
//   bench_authored_frame FILE.x...      (needs an X server for the hardware device)
#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "render_to_file.h"
#include "viewer/authored_look.h"

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    for (int i = 1; i < argc; ++i)
        for (const int device : {1, 2}) {
            app::RenderRequest request;
            request.model = QString::fromLocal8Bit(argv[i]);
            request.deviceType = device;
            std::vector<double> poses, frames;
            std::string error;
            const auto image = app::renderAuthoredFrames(request, error, [&](viewer::AuthoredModel& model) {
                for (int frame = 0; frame < 23; ++frame) {
                    using clock = std::chrono::steady_clock;
                    const auto t0 = clock::now();
                    model.poseAt(frame / 30.0);
                    const auto t1 = clock::now();
                    model.draw(request.size.width(), request.size.height());
                    const auto t2 = clock::now();
                    if (frame >= 3) {  // the first frames grow caches
                        poses.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
                        frames.push_back(std::chrono::duration<double, std::milli>(t2 - t0).count());
                    }
                }
            });
            if (!image) {
                std::fprintf(stderr, "bench_authored_frame: %s: %s\n", argv[i], error.c_str());
                return 1;
            }
            std::printf(
                "%s, %s device, %dx%d: pose (with upload) median %.2f ms, frame median %.2f ms over %zu "
                "frames\n",
                argv[i], device == 1 ? "hardware (OpenGL)" : "reference", request.size.width(),
                request.size.height(), median(poses), median(frames), frames.size());
        }
    return 0;
}
