#include "render/gl/gl_device.h"

#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <cmath>
#include <functional>
#include <memory>

#include "render/device_state.h"
#include "render/gl/gl_context.h"
#include "render/gl/gl_mesh.h"
#include "render/gl/gl_raster_state.h"
#include "render/gl/gl_sampler.h"
#include "render/gl/gl_shaders.h"
#include "render/gl/gl_surface.h"
#include "render/gl/gl_texture.h"
#include "render/gl/gl_window_copy.h"
#include "render/resource_factory.h"

namespace d3d::gl {
namespace {

// Calls back when a window comes on screen. The device's first frame is
// usually drawn before the panel's window has been mapped: that frame is
// kept and copied the moment the window can show it, not a timer tick later.
class ExposeWatch final : public QObject {
public:
    ExposeWatch(QWindow* window, std::function<void()> exposed)
        : window_(window), exposed_(std::move(exposed))
    {
        window->installEventFilter(this);
    }

    QWindow* window() const { return window_; }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed())
            exposed_();
        return false;
    }

private:
    QPointer<QWindow> window_;
    std::function<void()> exposed_;
};

class GlDevice final : public DeviceState, public ResourceFactory, public DrawTarget {
public:
    ~GlDevice() override;

    // Second half of construction; false leaves nothing behind.
    bool init(QWidget* deviceWindow, std::uint32_t width, std::uint32_t height);

    HRESULT Clear(std::uint32_t rectCount, const D3DRECT* rects, std::uint32_t flags, D3DCOLOR color, float z,
                  std::uint32_t stencil) override;
    HRESULT Present(const D3DRECT* sourceRect, const D3DRECT* destRect, HWND destWindow,
                    const void* dirtyRegion) override;
    HRESULT GetBackBufferImage(QImage& image) override;
    HRESULT GetDepthBuffer(std::vector<std::uint16_t>& depth, std::uint32_t& width,
                           std::uint32_t& height) override;

    HRESULT CreateMeshFromData(const xfile::MeshData& data, MeshPtr& mesh) override;
    HRESULT CreateTextureFromLevels(const std::vector<QImage>& levels, bool hasAlpha,
                                    TexturePtr& texture) override;

    HRESULT prepareDraw(const VertexLayout& layout) override;

protected:
    bool madeHere(const IDirect3DTexture8& texture) const override;

private:
    bool makeCurrent();
    void bindBackBuffer();
    HRESULT copyToWindow(QWindow* target);
    void showWhenExposed(QWindow* target);
    void showWaitingFrame();

    ContextPtr context_;
    QPointer<QWidget> deviceWindow_;
    QPointer<QWindow> surface_;
    QOpenGLFunctions_3_3_Core* gl_ = nullptr;
    GLuint fbo_ = 0, colorBuffer_ = 0, depthBuffer_ = 0;
    StageSampler sampler_;
    WindowCopy windowCopy_;
    bool copyByReading_ = false;  // see WindowCopy
    std::uint32_t width_ = 0, height_ = 0;
    // A presented frame its window could not show yet; null once the back
    // buffer holds anything else.
    QPointer<QWindow> waitingWindow_;
    std::unique_ptr<ExposeWatch> exposeWatch_;
};

GlDevice::~GlDevice()
{
    if (!context_)
        return;
    // Meshes and textures may outlive the device; they keep the context but
    // can no longer draw through it.
    context_->setDrawTarget(nullptr);
    if (gl_ && makeCurrent()) {
        sampler_.destroy(gl_);
        windowCopy_.destroy(gl_);
        gl_->glDeleteFramebuffers(1, &fbo_);
        gl_->glDeleteTextures(1, &colorBuffer_);
        gl_->glDeleteRenderbuffers(1, &depthBuffer_);
    }
}

bool GlDevice::init(QWidget* deviceWindow, std::uint32_t width, std::uint32_t height)
{
    deviceWindow_ = deviceWindow;
    context_ = std::make_shared<GlContextHolder>();
    if (!context_->create(deviceWindow))
        return false;
    if (deviceWindow)
        surface_ = panelSurface(deviceWindow);
    gl_ = context_->gl();
    if (!makeCurrent())
        return false;

    width_ = width;
    height_ = height;
    // Kept in the window's byte order where the driver can: reading it back
    // for the window (WindowCopy) is then a plain copy. The pixels drawn
    // are the same either way.
    colorBuffer_ = makeWindowOrderTexture(gl_, width, height);
    gl_->glGenRenderbuffers(1, &depthBuffer_);
    gl_->glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
    gl_->glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, GLsizei(width), GLsizei(height));
    gl_->glGenFramebuffers(1, &fbo_);
    gl_->glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    gl_->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colorBuffer_, 0);
    gl_->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer_);
    if (gl_->glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        return false;
    gl_->glViewport(0, 0, GLsizei(width), GLsizei(height));

    // The program for the states a device starts with is made here (once
    // per context), which also proves that the shaders build on this driver.
    QString log;
    if (!context_->programs().apply(gl_, *this, VertexLayout{true, false, false}, BoundTexture{}, int(width),
                                    int(height), log)) {
        qWarning("fixed-function shaders: %s", qPrintable(log));
        return false;
    }
    sampler_.create(gl_);
    copyByReading_ = WindowCopy::worthwhile(context_->context());
    if (gl_->glGetError() != GL_NO_ERROR)
        return false;
    context_->setDrawTarget(this);
    return true;
}

bool GlDevice::makeCurrent() { return context_->makeCurrent(); }

void GlDevice::bindBackBuffer()
{
    gl_->glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    gl_->glViewport(0, 0, GLsizei(width_), GLsizei(height_));
}

HRESULT GlDevice::Clear(std::uint32_t rectCount, const D3DRECT* rects, std::uint32_t flags, D3DCOLOR color,
                        float z, std::uint32_t)
{
    if ((flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER)) != 0 || (rectCount > 0 && !rects))
        return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_ZBUFFER) && !(z >= 0.0f && z <= 1.0f))
        return D3DERR_INVALIDCALL;
    waitingWindow_ = nullptr;
    if (!makeCurrent())
        return D3DERR_DEVICELOST;
    bindBackBuffer();

    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) {
        const D3DCOLORVALUE clear = unpackColor(color);
        gl_->glClearColor(clear.r, clear.g, clear.b, clear.a);
        gl_->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & D3DCLEAR_ZBUFFER) {
        gl_->glClearDepth(z);
        gl_->glDepthMask(GL_TRUE);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (rectCount == 0) {
        gl_->glDisable(GL_SCISSOR_TEST);
        gl_->glClear(mask);
    } else {
        // Rectangles are in Direct3D's top-down pixel coordinates.
        gl_->glEnable(GL_SCISSOR_TEST);
        for (std::uint32_t i = 0; i < rectCount; ++i) {
            const D3DRECT& r = rects[i];
            if (r.x2 <= r.x1 || r.y2 <= r.y1)
                continue;
            gl_->glScissor(r.x1, GLint(height_) - r.y2, r.x2 - r.x1, r.y2 - r.y1);
            gl_->glClear(mask);
        }
        gl_->glDisable(GL_SCISSOR_TEST);
    }
    return D3D_OK;
}

HRESULT GlDevice::Present(const D3DRECT* sourceRect, const D3DRECT* destRect, HWND destWindow,
                          const void* dirtyRegion)
{
    if (sourceRect || destRect || dirtyRegion)
        return D3DERR_INVALIDCALL;
    QWindow* target = destWindow ? panelSurface(destWindow) : surface_.data();
    if (!target)
        return D3D_OK;  // an off-screen device has nothing to show
    if (!target->isExposed()) {
        // Nothing on screen to copy into yet; the back buffer is kept and
        // shown when the window is.
        showWhenExposed(target);
        return D3D_OK;
    }
    return copyToWindow(target);
}

HRESULT GlDevice::copyToWindow(QWindow* target)
{
    if (!context_->context()->makeCurrent(target))
        return D3DERR_DEVICELOST;

    // The whole back buffer fills the whole client area.
    const qreal ratio = target->devicePixelRatio();
    const GLint dstW = GLint(std::lround(target->width() * ratio));
    const GLint dstH = GLint(std::lround(target->height() * ratio));
    const bool sameSize = dstW == GLint(width_) && dstH == GLint(height_);
    const GLuint window = context_->context()->defaultFramebufferObject();
    if (!sameSize || !copyByReading_ ||
        !windowCopy_.copy(context_->context(), gl_, fbo_, window, width_, height_)) {
        gl_->glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
        gl_->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, window);
        gl_->glDisable(GL_SCISSOR_TEST);
        gl_->glBlitFramebuffer(0, 0, GLint(width_), GLint(height_), 0, 0, dstW, dstH, GL_COLOR_BUFFER_BIT,
                               sameSize ? GL_NEAREST : GL_LINEAR);
    }
    context_->context()->swapBuffers(target);
    gl_->glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    return D3D_OK;
}

void GlDevice::showWhenExposed(QWindow* target)
{
    waitingWindow_ = target;
    if (!exposeWatch_ || exposeWatch_->window() != target)
        exposeWatch_ = std::make_unique<ExposeWatch>(target, [this] { showWaitingFrame(); });
}

void GlDevice::showWaitingFrame()
{
    QWindow* target = waitingWindow_;
    waitingWindow_ = nullptr;
    // A copy that fails shows nothing; the next Present reports the fault.
    if (target && target->isExposed())
        copyToWindow(target);
}

bool GlDevice::madeHere(const IDirect3DTexture8& texture) const
{
    const auto* own = dynamic_cast<const GlTexture*>(&texture);
    return own && own->owner() == context_.get();
}

HRESULT GlDevice::CreateMeshFromData(const xfile::MeshData& data, MeshPtr& mesh)
{
    if (!makeCurrent())
        return D3DERR_DEVICELOST;
    return GlMesh::create(context_, data, mesh);
}

HRESULT GlDevice::CreateTextureFromLevels(const std::vector<QImage>& levels, bool hasAlpha,
                                          TexturePtr& texture)
{
    if (!makeCurrent())
        return D3DERR_DEVICELOST;
    return GlTexture::create(context_, levels, hasAlpha, texture);
}

HRESULT GlDevice::prepareDraw(const VertexLayout& layout)
{
    if (!inScene())
        return D3DERR_INVALIDCALL;
    waitingWindow_ = nullptr;
    if (!makeCurrent())
        return D3DERR_DEVICELOST;
    bindBackBuffer();
    applyRasterState(gl_, *this);

    BoundTexture bound;
    gl_->glActiveTexture(GL_TEXTURE0);
    if (const auto* tex = static_cast<const GlTexture*>(texture().get())) {
        bound = {true, int(tex->Width()), int(tex->Height())};
        gl_->glBindTexture(GL_TEXTURE_2D, tex->id());
        sampler_.apply(gl_, *this);
    } else {
        gl_->glBindTexture(GL_TEXTURE_2D, 0);
    }
    QString log;
    if (!context_->programs().apply(gl_, *this, layout, bound, int(width_), int(height_), log)) {
        qWarning("fixed-function shaders: %s", qPrintable(log));
        return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

HRESULT GlDevice::GetBackBufferImage(QImage& image)
{
    if (!makeCurrent())
        return D3DERR_DEVICELOST;
    bindBackBuffer();
    QImage pixels(int(width_), int(height_), QImage::Format_RGBA8888);
    gl_->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gl_->glReadPixels(0, 0, GLsizei(width_), GLsizei(height_), GL_RGBA, GL_UNSIGNED_BYTE, pixels.bits());
    // OpenGL's rows run bottom-up; the back buffer has no alpha channel.
    image = pixels.mirrored().convertToFormat(QImage::Format_RGB32);
    return D3D_OK;
}

HRESULT GlDevice::GetDepthBuffer(std::vector<std::uint16_t>& depth, std::uint32_t& width,
                                 std::uint32_t& height)
{
    if (!makeCurrent())
        return D3DERR_DEVICELOST;
    bindBackBuffer();
    std::vector<std::uint16_t> rows(std::size_t(width_) * height_);
    gl_->glPixelStorei(GL_PACK_ALIGNMENT, 2);
    gl_->glReadPixels(0, 0, GLsizei(width_), GLsizei(height_), GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT,
                      rows.data());
    depth.resize(rows.size());
    for (std::uint32_t y = 0; y < height_; ++y)
        std::copy_n(rows.begin() + std::ptrdiff_t(y) * width_, width_,
                    depth.begin() + std::ptrdiff_t(height_ - 1 - y) * width_);
    width = width_;
    height = height_;
    return D3D_OK;
}

}  // namespace

HRESULT createDevice(HWND focusWindow, const D3DPRESENT_PARAMETERS& params, DevicePtr& device)
{
    if (!QGuiApplication::instance())
        return D3DERR_NOTAVAILABLE;
    QWidget* window = params.hDeviceWindow ? params.hDeviceWindow : focusWindow;
    std::uint32_t width = params.BackBufferWidth, height = params.BackBufferHeight;
    if (window) {
        const qreal ratio = window->devicePixelRatioF();
        if (width == 0)
            width = std::uint32_t(std::lround(window->width() * ratio));
        if (height == 0)
            height = std::uint32_t(std::lround(window->height() * ratio));
    }
    if (width == 0 || height == 0 || width > 16384 || height > 16384)
        return D3DERR_INVALIDCALL;
    // A device window must reach a screen; platforms that only pretend to
    // have one (off-screen, minimal) have no display to present to.
    const QString platform = QGuiApplication::platformName();
    if (window && (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")))
        return D3DERR_NOTAVAILABLE;

    auto created = std::make_shared<GlDevice>();
    if (!created->init(window, width, height))
        return D3DERR_NOTAVAILABLE;
    device = std::move(created);
    return D3D_OK;
}

}  // namespace d3d::gl
