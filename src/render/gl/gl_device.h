// The hardware device (HAL): Direct3D 8's fixed-function device on OpenGL 3.3
// core. It draws into a back buffer of its own (8-bit colour, 16-bit depth,
// the size of the device window's client area when it was made) and Present
// copies that into the device window, stretched if the window has changed.
#pragma once

#include "render/runtime.h"

namespace d3d::gl {

// Makes a hardware device for `params`. The device window is
// params.hDeviceWindow, or focusWindow when that is null; with neither, the
// device draws off screen at the back-buffer size given in params.
// Fails with D3DERR_NOTAVAILABLE when no OpenGL 3.3 core context can be had,
// and D3DERR_INVALIDCALL for parameters no device could satisfy. Never throws.
HRESULT createDevice(HWND focusWindow, const D3DPRESENT_PARAMETERS& params, DevicePtr& device);

}  // namespace d3d::gl
