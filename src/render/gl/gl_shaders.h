// The fixed-function pipeline in GLSL: per-vertex lighting in camera space,
// texture stage 0, specular add and alpha test. The states that choose what
// runs are built into each program; a context keeps one program for every
// combination of them its devices have drawn with, made on first use. Every
// draw feeds the chosen program the rest of the device's states as uniforms.
#pragma once

#include <QString>
#include <QtGui/qopengl.h>
#include <array>
#include <map>
#include <memory>

#include "render/device_state.h"
#include "render/gl/gl_context.h"

class QOpenGLFunctions_3_3_Core;
class QOpenGLShaderProgram;

namespace d3d::gl {

// Vertex attribute slots every mesh's vertex array uses.
enum AttributeSlot : GLuint { kPositionSlot = 0, kNormalSlot = 1, kColorSlot = 2, kTexcoordSlot = 3 };

// The texture stage 0 reads, as the device has bound it.
struct BoundTexture {
    bool present = false;
    int width = 0, height = 0;  // level 0
};

// The states a program is built for; apply() picks the program by them.
struct ProgramKey {
    bool lighting = false, specular = false;
    bool hasNormal = false, hasColor = false, hasTexcoord = false;
    std::array<int, kMaxLights> lightTypes{};  // of the lights that shine, in order; 0 past the last
    int lightCount = 0;
    bool textured = false, gaussianMag = false, flatShading = false;
    std::array<int, 6> stage0{};  // colour op, arg 1, arg 2, alpha op, arg 1, arg 2
    int alphaFunc = 0;            // 0: no alpha test
    auto operator<=>(const ProgramKey&) const = default;
};

struct CameraLights;

class FixedFunctionProgram {
public:
    FixedFunctionProgram();
    ~FixedFunctionProgram();

    // Compiles and links the program for `key`; on failure says why in `log`.
    bool build(const ProgramKey& key, QString& log);

    // Makes the program current and loads its uniforms from `state`.
    void apply(QOpenGLFunctions_3_3_Core* gl, const DeviceState& state, const VertexLayout& layout,
               const CameraLights& lights, const BoundTexture& texture, int width, int height) const;

private:
    void findUniforms();

    std::unique_ptr<QOpenGLShaderProgram> program_;
    struct Uniforms {
        GLint worldView, projection, normalMatrix, pixelShift;
        GLint normalize, localViewer;
        GLint diffuseFromVertex, ambientFromVertex, specularFromVertex, emissiveFromVertex;
        GLint matDiffuse, matAmbient, matSpecular, matEmissive, power, globalAmbient;
        GLint lightDiffuse, lightSpecular, lightAmbient, lightPosition, lightDirection, lightAttenuation,
            lightSpot;
        GLint sampler, textureSize, addressModes, borderColor, alphaRef;
    } u_{};
};

// The programs made in one context, for every device that draws with it.
// The context must be current for every call.
class ProgramCache {
public:
    ProgramCache();
    ~ProgramCache();

    // Makes current the program for the states of `state`, a mesh with
    // `layout` and `texture`, and loads its uniforms, for a back buffer of
    // width × height. False (and why in `log`) when the program does not build.
    bool apply(QOpenGLFunctions_3_3_Core* gl, const DeviceState& state, const VertexLayout& layout,
               const BoundTexture& texture, int width, int height, QString& log);

    // Deletes every program.
    void destroy(QOpenGLFunctions_3_3_Core* gl);

private:
    std::map<ProgramKey, std::unique_ptr<FixedFunctionProgram>> programs_;
};

}  // namespace d3d::gl
