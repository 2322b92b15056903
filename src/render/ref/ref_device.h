// The reference device (REF): Direct3D 8's fixed-function device as a software
// rasteriser, with no OpenGL. It draws into a back buffer in memory (32-bit
// XRGB colour, 16-bit depth) and Present shows that in the device window.
// It works on any Qt platform, the off-screen one included, and draws the
// same pixels on every run and machine whatever its number of threads.
#pragma once

#include "render/runtime.h"

namespace d3d::ref {

// Makes a reference device for `params`. The device window is
// params.hDeviceWindow, or focusWindow when that is null; a zero back-buffer
// width or height is taken from the window's client area in device pixels.
// With no window the device draws off screen at the size given.
// D3DERR_INVALIDCALL for a zero size or one above 16384, E_OUTOFMEMORY when
// the buffers cannot be had. Never throws.
HRESULT createDevice(HWND focusWindow, const D3DPRESENT_PARAMETERS& params, DevicePtr& device);

// The same with a chosen number of rasterising threads (0: one per core, at
// most 8). The picture does not depend on it.
HRESULT createDevice(HWND focusWindow, const D3DPRESENT_PARAMETERS& params, DevicePtr& device,
                     unsigned threads);

}  // namespace d3d::ref
