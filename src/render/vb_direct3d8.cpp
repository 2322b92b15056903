#include "render/vb_direct3d8.h"

#include <cfloat>
#include <cmath>

#include "render/d3dx_math.h"
#include "render/status.h"

namespace d3d {

std::int32_t VBDirect3D8::InitDevice(HWND window, std::int32_t deviceType, bool lockable)
{
    // The focus window is the top-level window that contains the panel; the
    // panel itself stays the device window.
    HWND focusWindow = window;
    for (HWND parent = runtime_->GetParent(focusWindow); parent; parent = runtime_->GetParent(parent))
        focusWindow = parent;

    if (Direct3DPtr created = runtime_->Direct3DCreate8())
        Direct3DObject = std::move(created);

    D3DDISPLAYMODE mode{};
    if (Direct3DObject) {
        D3DDISPLAYMODE queried{};
        if (SUCCEEDED(Direct3DObject->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, queried)))
            mode = queried;
    }

    D3DPRESENT_PARAMETERS params{};
    params.BackBufferFormat = mode.Format;
    params.BackBufferCount = 1;
    params.MultiSampleType = D3DMULTISAMPLE_NONE;
    params.SwapEffect = D3DSWAPEFFECT_COPY_VSYNC;
    params.hDeviceWindow = window;
    params.Windowed = 1;
    params.EnableAutoDepthStencil = 1;
    params.AutoDepthStencilFormat = D3DFMT_D16;
    params.Flags = lockable ? D3DPRESENTFLAG_LOCKABLE_BACKBUFFER : 0;

    // Whether this call made a device; an earlier one may still be held.
    auto attempt = [&](std::int32_t type) {
        if (!Direct3DObject)
            return false;
        DevicePtr created;
        if (FAILED(Direct3DObject->CreateDevice(D3DADAPTER_DEFAULT, static_cast<D3DDEVTYPE>(type),
                                                focusWindow, D3DCREATE_SOFTWARE_VERTEXPROCESSING, params,
                                                created)) ||
            !created)
            return false;
        Device = std::move(created);
        return true;
    };

    // The fallback follows a failed first attempt even while the device of an
    // earlier call is held: every Run needs a fresh device, or what it leaves
    // unset would keep the earlier Run's value.
    if (!attempt(deviceType) && deviceType != D3DDEVTYPE_REF) {
        deviceType = D3DDEVTYPE_REF;
        attempt(deviceType);
    }
    return Device ? deviceType : 0;
}

void VBDirect3D8::SetView(const D3DVECTOR& eye, const D3DVECTOR& at, const D3DVECTOR& up)
{
    check(Device->SetTransform(D3DTS_VIEW, D3DXMatrixLookAtLH(eye, at, up)), "SetTransform (D3DTS_VIEW)");
}

void VBDirect3D8::SetProjection(float aspect, float fovDegrees, float zNear, float zFar)
{
    const double radians = static_cast<double>(fovDegrees) * 3.141592 / 180.0;
    if (!std::isfinite(radians) || std::fabs(radians) > FLT_MAX)
        platform::raiseOverflow("SetProjection");
    const float fovY = static_cast<float>(radians);
    check(Device->SetTransform(D3DTS_PROJECTION, D3DXMatrixPerspectiveFovLH(fovY, aspect, zNear, zFar)),
          "SetTransform (D3DTS_PROJECTION)");
}

void VBDirect3D8::SetDirectionalLight(float r, float g, float b, float dirX, float dirY, float dirZ,
                                      float range, std::int32_t index)
{
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = MakeColor(r, g, b, 1.0f);
    light.Specular = MakeColor(1.0f, 1.0f, 1.0f, 1.0f);
    light.Direction = MakeVector(dirX, dirY, dirZ);
    light.Range = range;
    const auto number = static_cast<std::uint32_t>(index);
    check(Device->SetLight(number, light), "SetLight");
    check(Device->LightEnable(number, 1), "LightEnable");
}

void VBDirect3D8::SetAmbient(float r, float g, float b)
{
    check(Device->SetRenderState(D3DRS_AMBIENT, D3DColorFromValue(r, g, b, 1.0f)),
          "SetRenderState (D3DRS_AMBIENT)");
}

void VBDirect3D8::ClearFrame(float r, float g, float b)
{
    check(Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DColorFromValue(r, g, b, 1.0f),
                        1.0f, 0),
          "Clear");
}

void VBDirect3D8::PresentFrame(HWND window)
{
    check(Device->Present(nullptr, nullptr, window, nullptr), "Present");
}

}  // namespace d3d
