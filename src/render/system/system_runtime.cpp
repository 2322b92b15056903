#include "render/system/system_runtime.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "platform/host_path.h"
#include "render/gl/gl_device.h"
#include "render/ref/ref_device.h"
#include "render/resource_factory.h"
#include "render/texture_loader.h"
#include "xfile/xfile.h"

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
            return ref::createDevice(focusWindow, params, device);
        default:
            return D3DERR_INVALIDCALL;
        }
    }
};

// The status D3DX answers for each cause: a readable file with no mesh in
// it is a plain failure, anything it cannot read is invalid data.
HRESULT loadFailureStatus(xfile::LoadError::Cause cause)
{
    switch (cause) {
    case xfile::LoadError::Cause::NoMesh:
        return E_FAIL;
    case xfile::LoadError::Cause::Unreadable:
    case xfile::LoadError::Cause::Malformed:
        break;
    }
    return D3DXERR_INVALIDDATA;
}

}  // namespace

Direct3DPtr SystemRuntime::Direct3DCreate8()
{
    if (!QGuiApplication::instance())
        return nullptr;
    return std::make_shared<Direct3D>();
}

HWND SystemRuntime::GetParent(HWND window) { return window ? window->parentWidget() : nullptr; }

HRESULT SystemRuntime::D3DXLoadMeshFromX(const std::string& path, std::uint32_t, const DevicePtr& device,
                                         std::vector<std::uint32_t>* adjacency,
                                         std::vector<D3DXMATERIAL>* materials, std::uint32_t* materialCount,
                                         MeshPtr& mesh)
{
    lastFailure_.clear();
    auto* factory = dynamic_cast<ResourceFactory*>(device.get());
    if (!factory)
        return D3DERR_INVALIDCALL;
    const QString file = platform::hostPath(QString::fromStdString(path));
    xfile::MeshData data;
    xfile::LoadError error;
    if (!xfile::loadMeshFile(file.toStdString(), data, error)) {
        lastFailure_ = file.toStdString() + ": " + error.message;
        return loadFailureStatus(error.cause);
    }
    MeshPtr created;
    if (const HRESULT hr = factory->CreateMeshFromData(data, created); FAILED(hr)) {
        lastFailure_ = file.toStdString() + ": the device cannot hold the mesh";
        return hr;
    }
    if (adjacency)
        adjacency->assign(std::size_t(data.faceCount()) * 3, 0xFFFFFFFFu);
    if (materials) {
        materials->clear();
        for (const xfile::Material& m : data.materials) {
            D3DXMATERIAL out{};
            out.MatD3D.Diffuse = {m.diffuse[0], m.diffuse[1], m.diffuse[2], m.diffuse[3]};
            out.MatD3D.Ambient = {m.ambient[0], m.ambient[1], m.ambient[2], m.ambient[3]};
            out.MatD3D.Specular = {m.specular[0], m.specular[1], m.specular[2], m.specular[3]};
            out.MatD3D.Emissive = {m.emissive[0], m.emissive[1], m.emissive[2], m.emissive[3]};
            out.MatD3D.Power = m.power;
            out.TextureFilename = m.textureFilename;
            materials->push_back(std::move(out));
        }
    }
    if (materialCount)
        *materialCount = std::uint32_t(data.materials.size());
    mesh = std::move(created);
    return D3D_OK;
}

HRESULT SystemRuntime::D3DXCreateTextureFromFile(const DevicePtr& device, const std::string& path,
                                                 TexturePtr& texture)
{
    lastFailure_.clear();
    auto* factory = dynamic_cast<ResourceFactory*>(device.get());
    if (!factory)
        return D3DERR_INVALIDCALL;
    const QString file = platform::hostPath(QString::fromStdString(path));
    TextureLevels levels;
    std::string error;
    if (!loadTextureLevels(file, levels, error)) {
        lastFailure_ = error;
        return D3DXERR_INVALIDDATA;
    }
    TexturePtr created;
    if (const HRESULT hr = factory->CreateTextureFromLevels(levels.levels, levels.hasAlpha, created);
        FAILED(hr)) {
        lastFailure_ = file.toStdString() + ": the device cannot hold the texture";
        return hr;
    }
    texture = std::move(created);
    return D3D_OK;
}

}  // namespace d3d
