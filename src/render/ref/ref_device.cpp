#include "render/ref/ref_device.h"

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <new>
#include <thread>

#include "render/device_state.h"
#include "render/ref/ref_bands.h"
#include "render/ref/ref_buffers.h"
#include "render/ref/ref_draw.h"
#include "render/ref/ref_mesh.h"
#include "render/ref/ref_pixel.h"
#include "render/ref/ref_presenter.h"
#include "render/ref/ref_texture.h"
#include "render/resource_factory.h"

namespace d3d::ref {
namespace {

constexpr std::uint32_t kMaxBackBufferSize = 16384;
constexpr unsigned kMaxThreads = 8;

class RefDevice final : public DeviceState, public ResourceFactory, public MeshDrawer {
public:
    RefDevice(QWidget* window, unsigned threads) : window_(window), pool_(threads) {}
    ~RefDevice() override { link_->drawer = nullptr; }

    // Second half of construction: the buffers. False when they cannot be had.
    bool init(std::uint32_t width, std::uint32_t height);

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

    HRESULT prepareDraw() override { return inScene() ? D3D_OK : D3DERR_INVALIDCALL; }
    HRESULT drawGroup(const MeshGeometry& mesh, const MeshGroup& group) override;

protected:
    bool madeHere(const IDirect3DTexture8& texture) const override;

private:
    QImage frameImage() const;

    DeviceLinkPtr link_ = std::make_shared<DeviceLink>();
    QPointer<QWidget> window_;
    FrameBuffers fb_;
    BandPool pool_;
    DrawScratch scratch_;
};

bool RefDevice::init(std::uint32_t width, std::uint32_t height)
{
    try {
        fb_.width = int(width);
        fb_.height = int(height);
        const std::size_t pixels = std::size_t(width) * height;
        // Direct3D leaves a new back buffer undefined; black and far keep
        // every run alike.
        fb_.color.assign(pixels, 0xFF000000u);
        fb_.depth.assign(pixels, 0xFFFF);
    } catch (const std::bad_alloc&) {
        return false;
    }
    link_->drawer = this;
    return true;
}

bool RefDevice::madeHere(const IDirect3DTexture8& texture) const
{
    const auto* own = dynamic_cast<const RefTexture*>(&texture);
    return own && own->owner() == link_.get();
}

HRESULT RefDevice::Clear(std::uint32_t rectCount, const D3DRECT* rects, std::uint32_t flags, D3DCOLOR color,
                         float z, std::uint32_t)
{
    if ((flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER)) != 0 || (rectCount > 0 && !rects))
        return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_ZBUFFER) && !(z >= 0.0f && z <= 1.0f))
        return D3DERR_INVALIDCALL;
    const std::uint32_t pixel = 0xFF000000u | (color & 0x00FFFFFFu);
    const std::uint16_t depth = quantizeDepth(z);
    auto fill = [&](int x1, int y1, int x2, int y2) {
        x1 = std::max(x1, 0), y1 = std::max(y1, 0);
        x2 = std::min(x2, fb_.width), y2 = std::min(y2, fb_.height);
        for (int y = y1; y < y2; ++y) {
            if (flags & D3DCLEAR_TARGET)
                std::fill(fb_.colorRow(y) + x1, fb_.colorRow(y) + x2, pixel);
            if (flags & D3DCLEAR_ZBUFFER)
                std::fill(fb_.depthRow(y) + x1, fb_.depthRow(y) + x2, depth);
        }
    };
    if (rectCount == 0) {
        fill(0, 0, fb_.width, fb_.height);
    } else {
        for (std::uint32_t i = 0; i < rectCount; ++i)
            if (rects[i].x2 > rects[i].x1 && rects[i].y2 > rects[i].y1)
                fill(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
    }
    return D3D_OK;
}

QImage RefDevice::frameImage() const
{
    QImage image(fb_.width, fb_.height, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    for (int y = 0; y < fb_.height; ++y)
        std::copy_n(fb_.color.data() + std::size_t(y) * std::size_t(fb_.width), fb_.width,
                    reinterpret_cast<std::uint32_t*>(image.scanLine(y)));
    return image;
}

HRESULT RefDevice::Present(const D3DRECT* sourceRect, const D3DRECT* destRect, HWND destWindow,
                           const void* dirtyRegion)
{
    if (sourceRect || destRect || dirtyRegion)
        return D3DERR_INVALIDCALL;
    QWidget* target = destWindow ? destWindow : window_.data();
    if (!target)
        return D3D_OK;  // an off-screen device has nothing to show
    QImage frame = frameImage();
    if (frame.isNull())
        return E_OUTOFMEMORY;
    RefPresenter::of(target)->show(std::move(frame));
    return D3D_OK;
}

HRESULT RefDevice::GetBackBufferImage(QImage& image)
{
    QImage frame = frameImage();
    if (frame.isNull())
        return E_OUTOFMEMORY;
    image = std::move(frame);
    return D3D_OK;
}

HRESULT RefDevice::GetDepthBuffer(std::vector<std::uint16_t>& depth, std::uint32_t& width,
                                  std::uint32_t& height)
{
    try {
        depth = fb_.depth;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    width = std::uint32_t(fb_.width);
    height = std::uint32_t(fb_.height);
    return D3D_OK;
}

HRESULT RefDevice::CreateMeshFromData(const xfile::MeshData& data, MeshPtr& mesh)
{
    return RefMesh::create(link_, data, mesh);
}

HRESULT RefDevice::CreateTextureFromLevels(const std::vector<QImage>& levels, bool hasAlpha,
                                           TexturePtr& texture)
{
    return RefTexture::create(link_, levels, hasAlpha, texture);
}

HRESULT RefDevice::drawGroup(const MeshGeometry& mesh, const MeshGroup& group)
{
    const auto* bound = static_cast<const RefTexture*>(texture().get());  // SetTexture admits only ours
    return drawMeshGroup(*this, bound, mesh, group, fb_, pool_, scratch_);
}

}  // namespace

HRESULT createDevice(HWND focusWindow, const D3DPRESENT_PARAMETERS& params, DevicePtr& device)
{
    return createDevice(focusWindow, params, device, 0);
}

HRESULT createDevice(HWND focusWindow, const D3DPRESENT_PARAMETERS& params, DevicePtr& device,
                     unsigned threads)
{
    QWidget* window = params.hDeviceWindow ? params.hDeviceWindow : focusWindow;
    std::uint32_t width = params.BackBufferWidth, height = params.BackBufferHeight;
    if (window) {
        const qreal ratio = window->devicePixelRatioF();
        if (width == 0)
            width = std::uint32_t(std::max(0L, std::lround(window->width() * ratio)));
        if (height == 0)
            height = std::uint32_t(std::max(0L, std::lround(window->height() * ratio)));
    }
    if (width == 0 || height == 0 || width > kMaxBackBufferSize || height > kMaxBackBufferSize)
        return D3DERR_INVALIDCALL;
    if (threads == 0)
        threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads);
    threads = std::min(threads, kMaxThreads);

    std::shared_ptr<RefDevice> created;
    try {
        created = std::make_shared<RefDevice>(window, threads);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (!created->init(width, height))
        return E_OUTOFMEMORY;
    device = std::move(created);
    return D3D_OK;
}

}  // namespace d3d::ref
