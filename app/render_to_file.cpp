#include "render_to_file.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>
#include <cstdio>
#include <stdexcept>

#include "platform/services.h"
#include "render/status.h"
#include "render/system/system_runtime.h"
#include "ui/form1.h"

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

struct RenderFailed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace

// Restores the toolkit's hooks when a render ends, however it ends.
struct HookScope {
    HookScope() : saved(platform::hooks()) {}
    ~HookScope() { platform::hooks() = saved; }
    platform::Hooks saved;
};

std::optional<QImage> renderFrame(const RenderRequest& request, std::string& error,
                                  const std::function<void(ui::Form1&)>& adjust)
{
    HookScope hooks;
    // Messages become the error, and the program's end a failure of this render.
    platform::hooks().messageBox = [&error](const QString& text) { error = text.toStdString(); };
    platform::hooks().endProgram = [](int) { throw RenderFailed("rendering stopped"); };
    if (request.time)
        platform::hooks().timeOfDay = [t = *request.time] { return float(t); };

    OffscreenRuntime runtime(request.size, request.deviceType);
    ui::Form1 form(runtime);
    // The aspect follows the requested size, as it would a panel of that size.
    form.picture1_->resize(request.size);
    form.setText1(request.model);
    if (!request.texture.isEmpty()) {
        form.setText2(request.texture);
        form.Check3_->blockSignals(true);
        form.Check3_->setValue16(1);
        form.Check3_->blockSignals(false);
    }
    if (adjust) {
        const QList<QWidget*> controls = form.findChildren<QWidget*>();
        for (QWidget* control : controls)
            control->blockSignals(true);
        adjust(form);
        for (QWidget* control : controls)
            control->blockSignals(false);
    }
    try {
        form.Command1_Click();
        if (!form.module().Device)
            return std::nullopt;  // the message says that no device could be made
        form.Timer1_->stop();
        form.Timer1_Timer();
        QImage image;
        d3d::check(form.module().Device->GetBackBufferImage(image), "GetBackBufferImage");
        return image;
    } catch (const platform::RuntimeError& failure) {
        error = failure.message();
    } catch (const RenderFailed&) {
        if (error.empty())
            error = "rendering stopped";
    }
    return std::nullopt;
}

bool writeImageFile(const QImage& image, const QString& path, std::string& error)
{
    const std::string name = path.toLocal8Bit().toStdString();
    const QFileInfo target(path);
    // A temporary file renamed over a device or a folder would replace it.
    if (target.exists() && !target.isFile()) {
        error = "cannot write " + name + ": not a regular file";
        return false;
    }
    const QByteArray format = target.suffix().toLower().toLatin1();
    if (!QImageWriter::supportedImageFormats().contains(format)) {
        error = "cannot write " + name + ": the name does not end in a known image format (.png, .bmp, .jpg)";
        return false;
    }
    // Encoded first, so that a short write shows as a byte count: the file
    // device does not report a write that stops partway (EFBIG, ENOSPC).
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image)) {
        error = "cannot write " + name + ": " + writer.errorString().toStdString();
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        error = "cannot write " + name + ": " + file.errorString().toStdString();
        return false;
    }
    const qint64 written = file.write(encoded);
    if (written != encoded.size()) {
        file.cancelWriting();
        error = "cannot write " + name + ": " +
                (written < 0 ? file.errorString().toStdString()
                             : "only " + std::to_string(written) + " of " + std::to_string(encoded.size()) +
                                   " bytes could be written (is the disk full?)");
        return false;
    }
    if (!file.commit()) {
        error = "cannot write " + name + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}

int renderToFile(const RenderRequest& request)
{
    std::string error;
    const std::optional<QImage> image = renderFrame(request, error);
    if (!image || !writeImageFile(*image, request.output, error)) {
        std::fprintf(stderr, "orvane: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace app
