// How texture stage 0 reads its texture: address modes, border colour and
// the point/linear/mip filters, kept in one OpenGL sampler object per device.
// (The Gaussian-cubic magnification runs in the fragment shader instead.)
#pragma once

#include <QtGui/qopengl.h>

#include "render/device_state.h"

class QOpenGLFunctions_3_3_Core;

namespace d3d::gl {

class StageSampler {
public:
    void create(QOpenGLFunctions_3_3_Core* gl);
    void destroy(QOpenGLFunctions_3_3_Core* gl);

    // Loads the stage-0 states of `state` and binds the sampler to unit 0.
    void apply(QOpenGLFunctions_3_3_Core* gl, const DeviceState& state) const;

private:
    GLuint id_ = 0;
};

}  // namespace d3d::gl
