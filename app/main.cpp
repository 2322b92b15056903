// Orvane: a viewer for DirectX .x models.
//
//   orvane                      the viewer, every setting at its default
//   orvane FILE.x               the viewer, showing FILE.x at once
//   orvane --info FILE...       model statistics, no window
//   orvane --render FILE.x --output OUT.png [--size WxH] [--time SECONDS]
//          [--device hal|ref] [--texture IMAGE] [--look viewer|authored]
//                               one frame written to an image, no window
//   orvane --thumbnail INPUT OUTPUT SIZE
//                               a SIZE×SIZE preview for file managers
#include <QDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "command_line.h"
#include "model_info.h"
#include "platform/application.h"
#include "render/system/system_runtime.h"
#include "render_to_file.h"
#include "thumbnail.h"
#include "ui/form1.h"

namespace {

// Without a display, widgets still work on the off-screen platform.
void useOffscreenWithoutDisplay()
{
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

int runViewer(int argc, char** argv, const QString& model)
{
    platform::Application application(argc, argv);
    d3d::SystemRuntime runtime;
    ui::Form1 form(runtime);
    form.show();
    if (!model.isEmpty()) {
        // A model named on the command line is shown at once.
        form.setText1(QDir::current().absoluteFilePath(model));
        QTimer::singleShot(0, &form, &ui::Form1::Command1_Click);
    }
    return application.exec();
}

}  // namespace

int main(int argc, char** argv)
{
    const app::CommandLine line = app::parseCommandLine(argc, argv);
    switch (line.mode) {
    case app::Mode::Help:
    case app::Mode::Version:
        std::fputs(line.text.toLocal8Bit().constData(), stdout);
        return 0;
    case app::Mode::Invalid:
        std::fprintf(stderr, "orvane: %s Try 'orvane --help'.\n", line.text.toLocal8Bit().constData());
        return 2;
    case app::Mode::Info:
        return app::printModelInfo(line.files, std::cout);
    case app::Mode::Render: {
        useOffscreenWithoutDisplay();
        platform::Application application(argc, argv);
        return app::renderToFile(line.render);
    }
    case app::Mode::Thumbnail:
        return app::writeThumbnail(argc, argv, line.render);
    case app::Mode::Viewer:
        break;
    }
    return runViewer(argc, argv, line.render.model);
}
