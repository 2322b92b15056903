// D3DX's matrix helpers and the runtime's colour packing, computed exactly as
// the published definitions do (row vectors, left-handed, single precision).
#pragma once

#include "render/d3d8_types.h"

namespace d3d {

D3DMATRIX D3DXMatrixIdentity();

// View matrix looking from eye towards at, with up giving the vertical.
// z = normalize(at - eye), x = normalize(up × z), y = z × x.
D3DMATRIX D3DXMatrixLookAtLH(const D3DVECTOR& eye, const D3DVECTOR& at, const D3DVECTOR& up);

// Projection with a vertical field of view fovY (radians); aspect is the
// view's width / height. Depth maps zn → 0 and zf → 1; w is the view-space z.
D3DMATRIX D3DXMatrixPerspectiveFovLH(float fovY, float aspect, float zn, float zf);

// Rotations about X and Y by angle radians (clockwise looking along the axis
// towards the origin, as Direct3D's left-handed convention has it).
D3DMATRIX D3DXMatrixRotationX(float angle);
D3DMATRIX D3DXMatrixRotationY(float angle);

// a × b: apply a, then b.
D3DMATRIX D3DXMatrixMultiply(const D3DMATRIX& a, const D3DMATRIX& b);

// D3DCOLOR_COLORVALUE: each channel × 255, truncated towards zero, low 8 bits
// kept (no clamping, so 1.5 wraps). Channels 0.0 and 1.0 give 0 and 255.
D3DCOLOR D3DColorFromValue(float r, float g, float b, float a);

}  // namespace d3d
