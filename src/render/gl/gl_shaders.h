// The fixed-function pipeline as one GLSL program: per-vertex lighting in
// camera space, texture stage 0, specular add and alpha test. Every draw
// feeds it the device's current states as uniforms; the program itself is
// made once per device.
#pragma once

#include <QString>
#include <QtGui/qopengl.h>

#include "render/device_state.h"
#include "render/gl/gl_context.h"

class QOpenGLFunctions_3_3_Core;

namespace d3d::gl {

// Vertex attribute slots every mesh's vertex array uses.
enum AttributeSlot : GLuint { kPositionSlot = 0, kNormalSlot = 1, kColorSlot = 2, kTexcoordSlot = 3 };

// The texture stage 0 reads, as the device has bound it.
struct BoundTexture {
    bool present = false;
    int width = 0, height = 0;  // level 0
};

class FixedFunctionProgram {
public:
    // Compiles and links; on failure says why in `log` and holds nothing.
    bool build(QOpenGLFunctions_3_3_Core* gl, QString& log);
    void destroy(QOpenGLFunctions_3_3_Core* gl);

    // Makes the program current and loads every uniform from `state` for a
    // mesh with `layout`, drawn into a back buffer of width × height.
    void apply(QOpenGLFunctions_3_3_Core* gl, const DeviceState& state, const VertexLayout& layout,
               const BoundTexture& texture, int width, int height) const;

private:
    void findUniforms(QOpenGLFunctions_3_3_Core* gl);

    GLuint program_ = 0;
    struct Uniforms {
        GLint worldView, projection, normalMatrix, pixelShift;
        GLint lighting, hasNormal, hasColor, hasTexcoord, normalize, localViewer, specularEnable;
        GLint diffuseFromVertex, ambientFromVertex, specularFromVertex, emissiveFromVertex;
        GLint matDiffuse, matAmbient, matSpecular, matEmissive, power, globalAmbient;
        GLint lightCount, lightType, lightDiffuse, lightSpecular, lightAmbient, lightPosition, lightDirection,
            lightAttenuation, lightSpot;
        GLint flatShading, sampler, textured, colorOp, colorArg1, colorArg2, alphaOp, alphaArg1, alphaArg2;
        GLint gaussianMag, textureSize, addressModes, borderColor, addSpecular, alphaFunc, alphaRef;
    } u_{};
};

}  // namespace d3d::gl
