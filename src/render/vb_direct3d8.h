// VBDirect3D8: the program's one Direct3D device and the few device operations
// the viewer needs, as plain procedures. The module holds no scene data: every
// procedure passes its arguments straight to the graphics runtime.
#pragma once

#include <cstdint>
#include <memory>

#include "render/runtime.h"

namespace d3d {

class VBDirect3D8 {
public:
    // The runtime is borrowed and must outlive the module.
    explicit VBDirect3D8(GraphicsRuntime& runtime) : runtime_(&runtime) {}

    GraphicsRuntime& runtime() const { return *runtime_; }

    // Module state. Direct3DObject is replaced by every InitDevice; Device only
    // when a creation attempt succeeds.
    Direct3DPtr Direct3DObject;
    DevicePtr Device;

    // Creates a device on `window` (the render panel), trying deviceType first
    // and the reference rasteriser after it. Never raises: a failing step is
    // skipped with its assignment. Returns 0 when Device is empty at the end,
    // otherwise the type of the last attempt made.
    std::int32_t InitDevice(HWND window, std::int32_t deviceType, bool lockable);

    // The procedures below act on Device, which must be set, and raise a
    // RuntimeError when the runtime reports a failure.
    void SetView(const D3DVECTOR& eye, const D3DVECTOR& at, const D3DVECTOR& up);
    // fovY = degrees × 3.141592 ÷ 180 in double precision, rounded to float.
    void SetProjection(float aspect, float fovDegrees, float zNear, float zFar);
    void SetDirectionalLight(float r, float g, float b, float dirX, float dirY, float dirZ, float range,
                             std::int32_t index);
    void SetAmbient(float r, float g, float b);
    void ClearFrame(float r, float g, float b);
    // window null presents to the device window.
    void PresentFrame(HWND window);

    static D3DVECTOR MakeVector(float x, float y, float z) { return {x, y, z}; }
    static D3DCOLORVALUE MakeColor(float r, float g, float b, float a) { return {r, g, b, a}; }

private:
    GraphicsRuntime* runtime_;
};

}  // namespace d3d
