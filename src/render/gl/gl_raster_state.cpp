#include "render/gl/gl_raster_state.h"

#include <QOpenGLFunctions_3_3_Core>

#include "render/fixed_function.h"

namespace d3d::gl {
namespace {

GLenum compareFunction(std::uint32_t func)
{
    switch (func) {
    case D3DCMP_NEVER:
        return GL_NEVER;
    case D3DCMP_LESS:
        return GL_LESS;
    case D3DCMP_EQUAL:
        return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
        return GL_LEQUAL;
    case D3DCMP_GREATER:
        return GL_GREATER;
    case D3DCMP_NOTEQUAL:
        return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
        return GL_GEQUAL;
    default:
        return GL_ALWAYS;
    }
}

GLenum blendFactor(std::uint32_t factor)
{
    switch (factor) {
    case D3DBLEND_ZERO:
        return GL_ZERO;
    case D3DBLEND_ONE:
        return GL_ONE;
    case D3DBLEND_SRCCOLOR:
        return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
        return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
        return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
        return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
        return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
        return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
        return GL_SRC_ALPHA_SATURATE;
    default:
        return GL_ONE;
    }
}

}  // namespace

void applyRasterState(QOpenGLFunctions_3_3_Core* gl, const DeviceState& s)
{
    // Depth: disabling the test also stops writes, as ZENABLE FALSE does.
    if (s.renderState(D3DRS_ZENABLE) != D3DZB_FALSE) {
        gl->glEnable(GL_DEPTH_TEST);
        gl->glDepthFunc(compareFunction(s.renderState(D3DRS_ZFUNC)));
    } else {
        gl->glDisable(GL_DEPTH_TEST);
    }
    gl->glDepthMask(s.renderState(D3DRS_ZWRITEENABLE) ? GL_TRUE : GL_FALSE);
    gl->glDepthRange(0.0, 1.0);

    // Blending: dst = src × SrcBlend + dst × DestBlend.
    if (s.renderState(D3DRS_ALPHABLENDENABLE)) {
        const BlendFactors factors = effectiveBlend(s);
        gl->glEnable(GL_BLEND);
        gl->glBlendEquation(GL_FUNC_ADD);
        gl->glBlendFunc(blendFactor(factors.source), blendFactor(factors.destination));
    } else {
        gl->glDisable(GL_BLEND);
    }
    gl->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);

    // Front faces are the ones that appear clockwise on screen. The back
    // buffer keeps Direct3D's picture upright in OpenGL's y-up window
    // coordinates (clip-space +y is the top row in both), so OpenGL sees the
    // same clockwise turn.
    gl->glFrontFace(GL_CW);
    switch (s.renderState(D3DRS_CULLMODE)) {
    case D3DCULL_CCW:
        gl->glEnable(GL_CULL_FACE);
        gl->glCullFace(GL_BACK);
        break;
    case D3DCULL_CW:
        gl->glEnable(GL_CULL_FACE);
        gl->glCullFace(GL_FRONT);
        break;
    default:
        gl->glDisable(GL_CULL_FACE);
        break;
    }

    // Culling happens on the triangle before the fill mode turns it into
    // edges or corners, so wireframe keeps back faces out as well.
    switch (s.renderState(D3DRS_FILLMODE)) {
    case D3DFILL_POINT:
        gl->glPolygonMode(GL_FRONT_AND_BACK, GL_POINT);
        break;
    case D3DFILL_WIREFRAME:
        gl->glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        break;
    default:
        gl->glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        break;
    }

    // Flat shading takes a triangle's first vertex.
    gl->glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    gl->glDisable(GL_SCISSOR_TEST);
}

}  // namespace d3d::gl
