// Everything of the command line that needs Qt: the window and --render. The
// program loads this module only for them (see main.cpp).
#include <QDir>
#include <QEvent>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "render/system_runtime.h"
#include "render_to_file.h"
#include "ui/form1.h"
#include "ui/toolkit/application.h"
#include "window_main.h"

namespace {

int usage()
{
    std::fprintf(stderr, "usage: orvane [FILE.x]\n"
                         "       orvane --info FILE...\n"
                         "       orvane --render FILE.x --output OUT.png [--size WxH] [--time SECONDS]\n"
                         "              [--device hal|ref] [--texture IMAGE]\n");
    return 2;
}

// Without a display, widgets still work on the off-screen platform.
void useOffscreenWithoutDisplay()
{
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

int runRender(int argc, char** argv, const std::vector<std::string>& args)
{
    app::RenderRequest request;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::string { return i + 1 < args.size() ? args[++i] : std::string(); };
        if (a == "--output") {
            request.output = QString::fromStdString(value());
        } else if (a == "--size") {
            const std::string v = value();
            int w = 0, h = 0;
            if (std::sscanf(v.c_str(), "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0 || w > 8192 || h > 8192)
                return usage();
            request.size = QSize(w, h);
        } else if (a == "--time") {
            const std::string v = value();
            char* end = nullptr;
            const double t = std::strtod(v.c_str(), &end);
            if (v.empty() || *end)
                return usage();
            request.time = t;
        } else if (a == "--device") {
            const std::string v = value();
            if (v == "hal")
                request.deviceType = 1;
            else if (v == "ref")
                request.deviceType = 2;
            else
                return usage();
        } else if (a == "--texture") {
            request.texture = QString::fromStdString(value());
        } else if (request.model.isEmpty() && a.rfind("--", 0) != 0) {
            request.model = QString::fromStdString(a);
        } else {
            return usage();
        }
    }
    if (request.model.isEmpty() || request.output.isEmpty())
        return usage();
    useOffscreenWithoutDisplay();
    toolkit::Application application(argc, argv);
    return app::renderToFile(request);
}

// Queues Run once the window has been painted for the first time (or after a
// second, should it never be), so that loading a big model does not keep an
// empty frame on the screen.
void runAfterFirstPaint(ui::Form1& form)
{
    class FirstPaint : public QObject {
    public:
        explicit FirstPaint(ui::Form1& form) : QObject(&form), form_(form)
        {
            form.installEventFilter(this);
            QTimer::singleShot(1000, this, &FirstPaint::run);
        }
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                QTimer::singleShot(0, this, &FirstPaint::run);
            return false;
        }

    private:
        void run()
        {
            form_.removeEventFilter(this);
            deleteLater();
            if (!done_)
                form_.Command1_Click();
            done_ = true;
        }
        ui::Form1& form_;
        bool done_ = false;
    };
    new FirstPaint(form);
}

}  // namespace

extern "C" int orvane_window_main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "--info")
        return usage();  // --info without files; with files main() answers it
    if (!args.empty() && args[0] == "--render")
        return runRender(argc, argv, args);
    if (args.size() > 1 || (!args.empty() && args[0].rfind("--", 0) == 0))
        return usage();

    toolkit::Application application(argc, argv);
    d3d::SystemRuntime runtime;
    ui::Form1 form(runtime);
    form.show();
    if (!args.empty()) {
        // A model named on the command line is shown at once, behind a
        // window that is already on screen.
        form.setText1(QDir::current().absoluteFilePath(QString::fromLocal8Bit(args[0].c_str())));
        runAfterFirstPaint(form);
    }
    return application.exec();
}
