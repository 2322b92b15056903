#include "render_to_file.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>
#include <cstdio>
#include <stdexcept>

#include "platform/host_path.h"
#include "platform/services.h"
#include "render/status.h"
#include "render/system/system_runtime.h"
#include "ui/form1.h"
#include "ui/units.h"
#include "viewer/authored_look.h"
#include "viewer/scene.h"
#include "viewer/stored_controls.h"

namespace app {
namespace {

// The runtime, but every device draws off screen at the requested size, and
// only the requested kind of device can be made.
class OffscreenRuntime : public d3d::SystemRuntime {
public:
    OffscreenRuntime(QSize size, int deviceType) : size_(size), deviceType_(deviceType) {}

    d3d::Direct3DPtr Direct3DCreate8() override
    {
        d3d::Direct3DPtr inner = SystemRuntime::Direct3DCreate8();
        return inner ? std::make_shared<Direct3D>(inner, size_, deviceType_) : nullptr;
    }

private:
    class Direct3D : public d3d::IDirect3D8 {
    public:
        Direct3D(d3d::Direct3DPtr inner, QSize size, int deviceType)
            : inner_(std::move(inner)), size_(size), deviceType_(deviceType)
        {
        }
        d3d::HRESULT GetAdapterDisplayMode(std::uint32_t adapter, d3d::D3DDISPLAYMODE& mode) override
        {
            return inner_->GetAdapterDisplayMode(adapter, mode);
        }
        d3d::HRESULT CreateDevice(std::uint32_t adapter, d3d::D3DDEVTYPE type, d3d::HWND, std::uint32_t flags,
                                  d3d::D3DPRESENT_PARAMETERS& params, d3d::DevicePtr& device) override
        {
            if (type != deviceType_)
                return d3d::D3DERR_NOTAVAILABLE;
            d3d::D3DPRESENT_PARAMETERS offscreen = params;
            offscreen.hDeviceWindow = nullptr;
            offscreen.BackBufferWidth = std::uint32_t(size_.width());
            offscreen.BackBufferHeight = std::uint32_t(size_.height());
            return inner_->CreateDevice(adapter, type, nullptr, flags, offscreen, device);
        }

    private:
        d3d::Direct3DPtr inner_;
        QSize size_;
        int deviceType_;
    };

    QSize size_;
    int deviceType_;
};

// The end of a render that cannot go on; what() is the reason, or empty
// where a message the scene showed says it.
struct RenderFailed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The messages of the command line are in English, one line each: the file,
// what is wrong, and what to do about it. Paths are spelled as the host
// spells them.
std::string notFound(const QString& kind, const QString& name)
{
    return QStringLiteral("cannot find the %1 %2: no such file from the current folder (%3) or the "
                          "program's folder (%4). Check the name, or start orvane in the folder that "
                          "holds it.")
        .arg(kind, platform::hostPath(name), QDir::currentPath(), platform::programFolder())
        .toStdString();
}

std::string noDevice(int deviceType)
{
    if (deviceType == 1)
        return "cannot draw with --device hal: no OpenGL display was found. Use --device ref to draw "
               "without one.";
    return "cannot make the reference device: not enough memory for an image of that size. Try a smaller "
           "--size.";
}

// Restores the toolkit's hooks when a render ends, however it ends.
struct HookScope {
    HookScope() : saved(platform::hooks()) {}
    ~HookScope() { platform::hooks() = saved; }
    platform::Hooks saved;
};

// Picture1's size in the window's units, as the main window reports a panel
// of `pixels`.
float panelUnits(int pixels, float scale, int clientTwips)
{
    const double twips = pixels * double(ui::kTwipsPerInch) / ui::logicalDpi();
    return float(twips * scale / clientTwips);
}

std::optional<QImage> backBuffer(d3d::VBDirect3D8& module)
{
    QImage image;
    d3d::check(module.Device->GetBackBufferImage(image), "GetBackBufferImage");
    return image;
}

std::optional<QImage> renderViewerLook(const RenderRequest& request,
                                       const std::function<void(viewer::StoredControls&)>& adjust,
                                       d3d::VBDirect3D8& module)
{
    // The aspect follows the requested size, as it would a panel of that size.
    viewer::StoredControls controls(
        panelUnits(request.size.width(), ui::kScaleWidth, ui::kClientWidthTwips),
        panelUnits(request.size.height(), ui::kScaleHeight, ui::kClientHeightTwips));
    controls.setText1(request.model);
    if (!request.texture.isEmpty()) {
        controls.setText2(request.texture);
        controls.setCheck(3, 1);
    }
    if (adjust)
        adjust(controls);
    viewer::Scene scene(controls, module);
    // A name found nowhere ends the run with a message that names it.
    platform::hooks().endProgram = [&scene, &request](int) {
        const QString& name = scene.unresolvedName();
        if (name.isEmpty())
            throw RenderFailed("");
        throw RenderFailed(
            notFound(name == request.model ? QStringLiteral("model") : QStringLiteral("texture"), name));
    };
    scene.Command1_Click();
    if (!module.Device)
        return std::nullopt;  // renderFrame says that no device could be made
    scene.Timer1_Timer();
    return backBuffer(module);
}

std::optional<QImage> renderAuthoredLook(const RenderRequest& request, d3d::VBDirect3D8& module,
                                         QStringList& notes, const AuthoredFrames& frames)
{
    if (module.InitDevice(nullptr, request.deviceType, false) == 0)
        return std::nullopt;  // renderFrame says that no device could be made
    const std::optional<QString> path = platform::findFile(platform::hostPath(request.model));
    if (!path)
        throw RenderFailed(notFound(QStringLiteral("model"), request.model));
    if (frames) {
        viewer::AuthoredModel model(module, *path, notes);
        frames(model);
    } else {
        viewer::drawAuthored(module, *path, request.size.width(), request.size.height(), notes,
                             request.time.value_or(0), request.animation);
    }
    return backBuffer(module);
}

std::optional<QImage> render(const RenderRequest& request, std::string& error,
                             const std::function<void(viewer::StoredControls&)>& adjust, QStringList* notes,
                             const AuthoredFrames& frames)
{
    HookScope hooks;
    // Messages become the error, and the program's end a failure of this render.
    platform::hooks().messageBox = [&error](const QString& text) { error = text.toStdString(); };
    platform::hooks().endProgram = [](int) { throw RenderFailed(""); };
    if (request.time)
        platform::hooks().timeOfDay = [t = *request.time] { return float(t); };

    OffscreenRuntime runtime(request.size, request.deviceType);
    d3d::VBDirect3D8 module(runtime);
    QStringList ignoredNotes;
    try {
        std::optional<QImage> image =
            request.look == Look::Authored
                ? renderAuthoredLook(request, module, notes ? *notes : ignoredNotes, frames)
                : renderViewerLook(request, adjust, module);
        if (!image)
            error = noDevice(request.deviceType);
        return image;
    } catch (const platform::RuntimeError& failure) {
        // A file the runtime could not read says which and why; other
        // failures keep the run-time error's own message.
        const std::string& detail = failure.detail();
        error = detail.empty() ? failure.message()
                               : "cannot draw " + detail + " (" + d3d::statusName(failure.code()) +
                                     "). Check that the file is whole and in a format orvane reads.";
    } catch (const RenderFailed& failure) {
        if (*failure.what())
            error = failure.what();
        else if (error.empty())
            error = "rendering stopped";
    }
    return std::nullopt;
}

}  // namespace

std::optional<QImage> renderFrame(const RenderRequest& request, std::string& error,
                                  const std::function<void(viewer::StoredControls&)>& adjust,
                                  QStringList* notes)
{
    return render(request, error, adjust, notes, {});
}

std::optional<QImage> renderAuthoredFrames(const RenderRequest& request, std::string& error,
                                           const AuthoredFrames& frames, QStringList* notes)
{
    RenderRequest authored = request;
    authored.look = Look::Authored;
    return render(authored, error, {}, notes, frames);
}

int renderToFile(const RenderRequest& request, const std::function<void()>& beforeWriting)
{
    std::string error;
    QStringList notes;
    const std::optional<QImage> image = renderFrame(request, error, {}, &notes);
    if (beforeWriting)
        beforeWriting();
    for (const QString& note : notes)
        std::fprintf(stderr, "orvane: %s\n", note.toLocal8Bit().constData());
    if (!image) {
        std::fprintf(stderr, "orvane: %s\n", error.c_str());
        return 1;
    }
    QString why;
    if (!writeImageAtomically(*image, request.output, &why, request.format)) {
        std::fprintf(stderr, "orvane: cannot write %s: %s\n", request.output.toLocal8Bit().constData(),
                     why.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

bool writeImageAtomically(const QImage& image, const QString& path, QString* error, const QByteArray& format)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QFileInfo target(path);
    // A temporary file renamed over a device or a folder would replace it.
    if (target.exists() && !target.isFile())
        return fail(QStringLiteral("not a regular file"));
    const QByteArray chosen = format.isEmpty() ? target.suffix().toLower().toLatin1() : format;
    if (!QImageWriter::supportedImageFormats().contains(chosen))
        return fail(QStringLiteral("the name does not end in a known image format (.png, .bmp, .jpg)"));
    // Encoded first, so that a short write shows as a byte count: the file
    // device does not report a write that stops partway (EFBIG, ENOSPC).
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, chosen);
    if (!writer.write(image))
        return fail(writer.errorString());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(file.errorString());
    const qint64 written = file.write(encoded);
    if (written != encoded.size()) {
        file.cancelWriting();
        return fail(written < 0 ? file.errorString()
                                : QStringLiteral("only %1 of %2 bytes could be written (is the disk full?)")
                                      .arg(written)
                                      .arg(encoded.size()));
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

}  // namespace app
