#include "render/gl/gl_sampler.h"

#include <QOpenGLFunctions_3_3_Core>

namespace d3d::gl {
namespace {

GLint wrapMode(std::uint32_t address)
{
    switch (address) {
    case D3DTADDRESS_MIRROR:
        return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
        return GL_CLAMP_TO_EDGE;  // edge texels, never the border
    case D3DTADDRESS_BORDER:
        return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE:
        return GL_MIRRORED_REPEAT;  // mirror-once: the nearest 3.3 has
    default:
        return GL_REPEAT;
    }
}

bool linear(std::uint32_t filter)
{
    // Anisotropic and the cubic filters read as linear here; Gaussian-cubic
    // magnification is done by the shader.
    return filter >= D3DTEXF_LINEAR;
}

GLint minFilter(std::uint32_t min, std::uint32_t mip)
{
    // MIPFILTER NONE samples level 0 only.
    if (mip == D3DTEXF_NONE)
        return linear(min) ? GL_LINEAR : GL_NEAREST;
    if (mip == D3DTEXF_POINT)
        return linear(min) ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    return linear(min) ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
}

}  // namespace

void StageSampler::create(QOpenGLFunctions_3_3_Core* gl) { gl->glGenSamplers(1, &id_); }

void StageSampler::destroy(QOpenGLFunctions_3_3_Core* gl)
{
    if (id_)
        gl->glDeleteSamplers(1, &id_);
    id_ = 0;
}

void StageSampler::apply(QOpenGLFunctions_3_3_Core* gl, const DeviceState& s) const
{
    gl->glSamplerParameteri(id_, GL_TEXTURE_WRAP_S, wrapMode(s.stageState(D3DTSS_ADDRESSU)));
    gl->glSamplerParameteri(id_, GL_TEXTURE_WRAP_T, wrapMode(s.stageState(D3DTSS_ADDRESSV)));
    gl->glSamplerParameteri(id_, GL_TEXTURE_WRAP_R, wrapMode(s.stageState(D3DTSS_ADDRESSW)));
    const D3DCOLOR border = s.stageState(D3DTSS_BORDERCOLOR);
    GLfloat color[4];
    unpackColor(border, color);
    gl->glSamplerParameterfv(id_, GL_TEXTURE_BORDER_COLOR, color);
    gl->glSamplerParameteri(id_, GL_TEXTURE_MAG_FILTER,
                            linear(s.stageState(D3DTSS_MAGFILTER)) ? GL_LINEAR : GL_NEAREST);
    gl->glSamplerParameteri(id_, GL_TEXTURE_MIN_FILTER,
                            minFilter(s.stageState(D3DTSS_MINFILTER), s.stageState(D3DTSS_MIPFILTER)));
    gl->glBindSampler(0, id_);
}

}  // namespace d3d::gl
