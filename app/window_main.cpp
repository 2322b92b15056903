// Everything of the command line that needs Qt: reading it by Qt's rules,
// the window, --render and --thumbnail. The program loads this module for
// all but `--info FILE...` (see main.cpp).
#include "window_main.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <QAccessible>
#include <QDir>
#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "command_line.h"
#include "model_info.h"
#include "platform/application.h"
#include "platform/background.h"
#include "render/system/system_runtime.h"
#include "render_to_file.h"
#include "runtime_folder.h"
#include "thumbnail.h"
#include "ui/app_icon.h"
#include "ui/authored_window.h"

namespace {

// Without a display, widgets still work on the off-screen platform.
void useOffscreenWithoutDisplay()
{
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
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

// Mesa's driver for every device it drives (llvmpipe included) is one big
// library that pulls in LLVM: mapping and relocating them is a good part of
// the first OpenGL context, which Run makes only after the window has been
// painted. The background thread loads them while the window is built and
// shown, so Run finds them loaded; the driver is then the same object, so
// nothing drawn changes. Where Mesa is not installed nothing is loaded.
void loadOpenGLDriverAhead()
{
    // Mesa looks for its drivers in LIBGL_DRIVERS_PATH, or in dri/ beside
    // the OpenGL dispatch library.
    std::string folder;
    if (const char* path = std::getenv("LIBGL_DRIVERS_PATH"); path && *path) {
        folder = std::string(path).substr(0, std::string(path).find(':'));
    } else {
        dl_iterate_phdr(
            [](dl_phdr_info* info, std::size_t, void* data) {
                const char* name = info->dlpi_name;
                const char* base = name ? std::strrchr(name, '/') : nullptr;
                if (base && std::strcmp(base, "/libGLX.so.0") == 0) {
                    *static_cast<std::string*>(data) = std::string(name, std::size_t(base - name)) + "/dri";
                    return 1;
                }
                return 0;
            },
            &folder);
    }
    const std::string driver = folder + "/swrast_dri.so";
    struct stat st {};
    if (folder.empty() || stat(driver.c_str(), &st) != 0)
        return;
    // Never unloaded: the context made later holds the same handle.
    platform::runInBackground([driver] { dlopen(driver.c_str(), RTLD_LAZY | RTLD_LOCAL); });
}

// No thread can start while a library is being loaded (the C library's
// loader lock is held all along), and building the window starts two of the
// toolkit's: the accessibility bridge's connection to the session bus (at
// the first label) and the painter's thread pool (at the first large fill,
// drawing the icon). Started here, before the driver loads, they no longer
// hold the window's building up until the driver is in (some 50 ms here).
void startToolkitThreads()
{
    QAccessible::isActive();
    (void)ui::appIcon();
}

// While the application object connects to the display, the toolkit's
// messages are held back. Should no display answer, the toolkit would end
// the process with an abort and advice to reinstall; instead the program
// says what is missing and ends with status 1, as --render does. Once
// connected, the held messages go out as they would have.
class DisplayConnection {
public:
    DisplayConnection() { previous_ = qInstallMessageHandler(&DisplayConnection::hold); }
    ~DisplayConnection()
    {
        qInstallMessageHandler(previous_);
        for (const Held& message : held())
            if (previous_)
                previous_(message.type, QMessageLogContext(), message.text);
            else
                std::fprintf(stderr, "%s\n", message.text.toLocal8Bit().constData());
        held().clear();
    }

private:
    struct Held {
        QtMsgType type;
        QString text;
    };
    static std::vector<Held>& held()
    {
        static std::vector<Held> messages;
        return messages;
    }
    static void hold(QtMsgType type, const QMessageLogContext&, const QString& text)
    {
        if (type != QtFatalMsg) {
            held().push_back({type, text});
            return;
        }
        const char* display = std::getenv("DISPLAY");
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        if (display && *display)
            std::fprintf(stderr, "orvane: no display was found: the X server %s does not answer.", display);
        else if (wayland && *wayland)
            std::fprintf(stderr, "orvane: no display was found: the Wayland display %s does not answer.",
                         wayland);
        else
            std::fprintf(stderr, "orvane: no display was found: neither DISPLAY nor WAYLAND_DISPLAY is set.");
        std::fprintf(stderr, " The window needs a desktop session; without one, use --render with "
                             "--device ref, --thumbnail or --info.\n");
        std::fflush(stderr);
        std::_Exit(1);
    }
    QtMessageHandler previous_ = nullptr;
};

int runViewer(int argc, char** argv, const QString& model, app::Look look)
{
    std::optional<DisplayConnection> connecting(std::in_place);
    platform::Application application(argc, argv);
    connecting.reset();
    startToolkitThreads();
    loadOpenGLDriverAhead();
    d3d::SystemRuntime runtime;
    ui::AuthoredWindow form(runtime);
    form.show();
    if (!model.isEmpty()) {
        if (look == app::Look::Authored)
            form.useAuthoredLook();
        // A model named on the command line is shown at once, behind a
        // window that is already on screen.
        form.setText1(QDir::current().absoluteFilePath(model));
        runAfterFirstPaint(form);
    }
    return application.exec();
}

}  // namespace

extern "C" int orvane_window_main(int argc, char** argv)
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
        // No window, so none of the window's Japanese: the toolkit's own
        // texts (a system error's) stay in the English of the command line,
        // as under --thumbnail.
        app::RuntimeFolderStandIn runtimeFolder;
        QGuiApplication application(argc, argv);
        runtimeFolder.release();
        return app::renderToFile(line.render);
    }
    case app::Mode::Thumbnail:
        return app::writeThumbnail(argc, argv, line.render);
    case app::Mode::Viewer:
        break;
    }
    return runViewer(argc, argv, line.render.model, line.render.look);
}
