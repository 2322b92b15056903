#include "render/system_runtime.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "render/gl/gl_device.h"

namespace d3d {
namespace {

class Direct3D final : public IDirect3D8 {
public:
    HRESULT GetAdapterDisplayMode(std::uint32_t adapter, D3DDISPLAYMODE& mode) override
    {
        if (adapter != D3DADAPTER_DEFAULT)
            return D3DERR_INVALIDCALL;
        QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return D3DERR_NOTAVAILABLE;
        const QSize size = screen->size() * screen->devicePixelRatio();
        mode.Width = std::uint32_t(size.width());
        mode.Height = std::uint32_t(size.height());
        mode.RefreshRate = std::uint32_t(screen->refreshRate() + 0.5);
        mode.Format = screen->depth() == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
        return D3D_OK;
    }

    HRESULT CreateDevice(std::uint32_t adapter, D3DDEVTYPE type, HWND focusWindow, std::uint32_t,
                         D3DPRESENT_PARAMETERS& params, DevicePtr& device) override
    {
        if (adapter != D3DADAPTER_DEFAULT)
            return D3DERR_INVALIDCALL;
        // A windowed back buffer must be in a format the desktop can show.
        if (params.BackBufferFormat != D3DFMT_X8R8G8B8 && params.BackBufferFormat != D3DFMT_A8R8G8B8 &&
            params.BackBufferFormat != D3DFMT_R5G6B5)
            return D3DERR_INVALIDCALL;
        if (!params.Windowed)
            return D3DERR_NOTAVAILABLE;
        if (params.BackBufferCount > 1 && params.SwapEffect >= D3DSWAPEFFECT_COPY)
            return D3DERR_INVALIDCALL;
        if (params.EnableAutoDepthStencil && params.AutoDepthStencilFormat != D3DFMT_D16 &&
            params.AutoDepthStencilFormat != D3DFMT_D16_LOCKABLE)
            return D3DERR_INVALIDCALL;
        if (!params.hDeviceWindow && !focusWindow &&
            (params.BackBufferWidth == 0 || params.BackBufferHeight == 0))
            return D3DERR_INVALIDCALL;
        switch (type) {
        case D3DDEVTYPE_HAL:
            return gl::createDevice(focusWindow, params, device);
        case D3DDEVTYPE_REF:
            return D3DERR_NOTAVAILABLE;
        default:
            return D3DERR_INVALIDCALL;
        }
    }
};

}  // namespace

Direct3DPtr SystemRuntime::Direct3DCreate8()
{
    if (!QGuiApplication::instance())
        return nullptr;
    return std::make_shared<Direct3D>();
}

HWND SystemRuntime::GetParent(HWND window)
{
    return window ? window->parentWidget() : nullptr;
}

HRESULT SystemRuntime::D3DXLoadMeshFromX(const std::string& path, std::uint32_t, const DevicePtr& device,
                                         std::vector<std::uint32_t>*, std::vector<D3DXMATERIAL>*,
                                         std::uint32_t*, MeshPtr&)
{
    if (!device)
        return D3DERR_INVALIDCALL;
    lastFailure_ = path + ": the model loader is not available yet";
    return E_FAIL;
}

HRESULT SystemRuntime::D3DXCreateTextureFromFile(const DevicePtr& device, const std::string& path,
                                                 TexturePtr&)
{
    if (!device)
        return D3DERR_INVALIDCALL;
    lastFailure_ = path + ": the texture loader is not available yet";
    return E_FAIL;
}

}  // namespace d3d
