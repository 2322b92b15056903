// Times the window in the authored look on the hardware device: loading a
// model (Run on a new file), one frame tick (pose, skinning, drawing and
// presenting), and a click on a setting to its frame (the check box's
// handler, which runs Run, then the next tick; the frame timer's wait of up
// to 30 ms comes on top in the window).
//   bench_authored_window [MODEL.x ...]   (default: the corpus's tiny.x)
// Prints medians in milliseconds. Needs an X server with OpenGL.
#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/application.h"
#include "platform/services.h"
#include "render/system/system_runtime.h"
#include "ui/authored_window.h"

namespace {

class Window : public ui::AuthoredWindow {
public:
    using ui::AuthoredWindow::AuthoredWindow;
    using ui::Form1::Check7_, ui::Form1::Timer1_;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double msSince(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }

}  // namespace

int main(int argc, char** argv)
{
    platform::Application application(argc, argv);
    QStringList models;
    for (int i = 1; i < argc; ++i)
        models << QString::fromLocal8Bit(argv[i]);
    if (models.isEmpty())
        models << QStringLiteral(ORVANE_CORPUS_DIR "/dxsdk-legacy/Media/Tiny/tiny.x");
    float clock = 1000.0f;
    platform::hooks().timeOfDay = [&clock] { return clock; };
    std::printf("%-16s %8s %8s %8s\n", "model", "load", "tick", "click");
    for (const QString& model : models) {
        if (!QFileInfo::exists(model)) {
            std::printf("%-16s missing\n", qPrintable(QFileInfo(model).fileName()));
            continue;
        }
        d3d::SystemRuntime runtime;
        Window window(runtime);
        window.show();
        application.processEvents();
        window.useAuthoredLook();
        window.setText1(model);
        // Run on a file not yet shown: a new device, the model loaded and framed.
        std::vector<double> loads;
        for (int i = 0; i < 5; ++i) {
            viewer::AuthoredScene fresh(window, window.module(), window.scene());
            QElapsedTimer t;
            t.start();
            fresh.Command1_Click();
            loads.push_back(msSince(t));
        }
        window.Command1_Click();
        window.Timer1_->stop();
        std::vector<double> ticks, clicks;
        for (int i = 0; i < 60; ++i) {
            clock += 0.033f;
            QElapsedTimer t;
            t.start();
            window.Timer1_Timer();
            ticks.push_back(msSince(t));
        }
        for (int i = 0; i < 20; ++i) {
            clock += 0.033f;
            QElapsedTimer t;
            t.start();
            window.Check7_->setValue16(1 - window.Check7_->Value());
            window.Timer1_Timer();
            clicks.push_back(msSince(t));
        }
        std::printf("%-16s %8.1f %8.1f %8.1f\n", qPrintable(QFileInfo(model).fileName()), median(loads),
                    median(ticks), median(clicks));
    }
    return 0;
}
