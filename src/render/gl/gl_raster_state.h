// The device's render states that OpenGL keeps outside the shaders: depth
// test and writes, blending, culling, fill mode and the provoking vertex.
#pragma once

#include "render/device_state.h"

class QOpenGLFunctions_3_3_Core;

namespace d3d::gl {

// Sets OpenGL's fixed state to match `state` for the next draw.
void applyRasterState(QOpenGLFunctions_3_3_Core* gl, const DeviceState& state);

}  // namespace d3d::gl
