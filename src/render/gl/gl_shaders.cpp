#include "render/gl/gl_shaders.h"

#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLShaderProgram>
#include <array>
#include <cmath>
#include <string>

#include "render/d3dx_math.h"
#include "render/fixed_function.h"
#include "render/gaussian_cubic.h"

namespace d3d::gl {
namespace {

// Matrices are Direct3D's row-vector matrices passed to GLSL unchanged: the
// column-major reading transposes them, so `M * v` in GLSL is `v × M` here.
//
// The states that decide which code runs (lighting, the lights and their
// types, specular, the mesh's vertex layout, texturing, the texture stage's
// operations, flat shading, the alpha test) are compile-time constants of each
// program, defined in front of the source (see ProgramKey), so a program runs
// only the code its states need. The rest are uniforms.
const char* const kVertexShader = R"(
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColor;
layout(location = 3) in vec2 aTexcoord;

uniform mat4 uWorldView;
uniform mat4 uProjection;
uniform mat3 uNormalMatrix;
uniform vec2 uPixelShift;

const bool uLighting = LIGHTING;
const bool uHasNormal = HAS_NORMAL;
const bool uHasColor = HAS_COLOR;
const bool uHasTexcoord = HAS_TEXCOORD;
uniform bool uNormalize;
uniform bool uLocalViewer;
const bool uSpecularEnable = SPECULAR;
uniform bool uDiffuseFromVertex;
uniform bool uAmbientFromVertex;
uniform bool uSpecularFromVertex;
uniform bool uEmissiveFromVertex;
uniform vec4 uMatDiffuse;
uniform vec4 uMatAmbient;
uniform vec4 uMatSpecular;
uniform vec4 uMatEmissive;
uniform float uPower;
uniform vec3 uGlobalAmbient;

const int kMaxLights = 8;
const int kPoint = 1;
const int kSpot = 2;
const int kDirectional = 3;
const int uLightCount = LIGHT_COUNT;
const int uLightType[kMaxLights] = int[kMaxLights](LIGHT_TYPES);
uniform vec3 uLightDiffuse[kMaxLights];
uniform vec3 uLightSpecular[kMaxLights];
uniform vec3 uLightAmbient[kMaxLights];
uniform vec3 uLightPosition[kMaxLights];    // camera space
uniform vec3 uLightDirection[kMaxLights];   // camera space, unit, the way the light travels
uniform vec4 uLightAttenuation[kMaxLights]; // a0, a1, a2, range
uniform vec3 uLightSpot[kMaxLights];        // cos(theta/2), cos(phi/2), falloff

out vec4 vDiffuse;
flat out vec4 vDiffuseFlat;
out vec3 vSpecular;
flat out vec3 vSpecularFlat;
out vec2 vTexcoord;

// pow with x^0 = 1 for every x, 0 included (GLSL leaves pow(0, 0) undefined).
float specularPower(float x, float p)
{
    return p == 0.0 ? 1.0 : pow(x, p);
}

void main()
{
    vec3 V = (uWorldView * vec4(aPosition, 1.0)).xyz;
    vec4 clip = uProjection * vec4(V, 1.0);
    // Pixel centres sit on integer coordinates in Direct3D, half a pixel
    // right of and below OpenGL's; and clip-space depth runs 0..w, not -w..w.
    clip.xy += uPixelShift * clip.w;
    clip.z = 2.0 * clip.z - clip.w;
    gl_Position = clip;

    vTexcoord = uHasTexcoord ? aTexcoord : vec2(0.0);
    vec4 vertexColor = uHasColor ? aColor : vec4(1.0);

    if (!uLighting) {
        vDiffuse = vertexColor;
        vSpecular = vec3(0.0);
    } else {
        vec4 Cd = uDiffuseFromVertex ? aColor : uMatDiffuse;
        vec4 Ca = uAmbientFromVertex ? aColor : uMatAmbient;
        vec4 Cs = uSpecularFromVertex ? aColor : uMatSpecular;
        vec4 Ce = uEmissiveFromVertex ? aColor : uMatEmissive;

        vec3 N = uHasNormal ? uNormalMatrix * aNormal : vec3(0.0);
        if (uNormalize && dot(N, N) > 0.0)
            N = normalize(N);
        vec3 toEye = uLocalViewer ? (dot(V, V) > 0.0 ? normalize(-V) : vec3(0.0, 0.0, -1.0))
                                  : vec3(0.0, 0.0, -1.0);

        vec3 ambient = uGlobalAmbient;
        vec3 diffuse = vec3(0.0);
        vec3 specular = vec3(0.0);
        for (int i = 0; i < uLightCount; ++i) {
            vec3 L;
            float atten = 1.0;
            if (uLightType[i] == kDirectional) {
                L = -uLightDirection[i];
            } else {
                vec3 d = uLightPosition[i] - V;
                float dist = length(d);
                if (dist > uLightAttenuation[i].w)
                    continue;
                L = dist > 0.0 ? d / dist : vec3(0.0, 0.0, -1.0);
                float den = uLightAttenuation[i].x + uLightAttenuation[i].y * dist
                          + uLightAttenuation[i].z * dist * dist;
                atten = den > 0.0 ? 1.0 / den : 1.0;
                if (uLightType[i] == kSpot) {
                    float rho = dot(-L, uLightDirection[i]);
                    float cosTheta = uLightSpot[i].x, cosPhi = uLightSpot[i].y;
                    if (rho <= cosPhi)
                        atten = 0.0;
                    else if (rho < cosTheta)
                        atten *= pow((rho - cosPhi) / (cosTheta - cosPhi), uLightSpot[i].z);
                }
            }
            ambient += uLightAmbient[i] * atten;
            float NdotL = dot(N, L);
            if (NdotL > 0.0) {
                diffuse += uLightDiffuse[i] * (NdotL * atten);
                if (uSpecularEnable) {
                    vec3 H = normalize(toEye + L);
                    float NdotH = dot(N, H);
                    if (NdotH > 0.0)
                        specular += uLightSpecular[i] * (specularPower(NdotH, uPower) * atten);
                }
            }
        }
        // Only the sums are clamped, per vertex, before interpolation.
        vDiffuse = vec4(clamp(Ca.rgb * ambient + Cd.rgb * diffuse + Ce.rgb, 0.0, 1.0), clamp(Cd.a, 0.0, 1.0));
        vSpecular = clamp(Cs.rgb * specular, 0.0, 1.0);
    }
    vDiffuseFlat = vDiffuse;
    vSpecularFlat = vSpecular;
}
)";

const char* const kFragmentHead = R"(
in vec4 vDiffuse;
flat in vec4 vDiffuseFlat;
in vec3 vSpecular;
flat in vec3 vSpecularFlat;
in vec2 vTexcoord;

const bool uFlatShading = FLAT_SHADING;
uniform sampler2D uTexture;
const bool uTextured = TEXTURED;
const int uColorOp = COLOR_OP;
const int uColorArg1 = COLOR_ARG1;
const int uColorArg2 = COLOR_ARG2;
const int uAlphaOp = ALPHA_OP;
const int uAlphaArg1 = ALPHA_ARG1;
const int uAlphaArg2 = ALPHA_ARG2;
const bool uGaussianMag = GAUSSIAN_MAG;
uniform ivec2 uTextureSize;
uniform ivec2 uAddressModes;
uniform vec4 uBorderColor;
const bool uAddSpecular = SPECULAR;
const int uAlphaFunc = ALPHA_FUNC;   // 0: no alpha test
uniform int uAlphaRef;

out vec4 fragColor;

int addressAxis(int t, int size, int mode, inout bool border)
{
    if (mode == D3DTADDRESS_CLAMP)
        return clamp(t, 0, size - 1);
    if (mode == D3DTADDRESS_BORDER) {  // border colour outside the level
        if (t < 0 || t >= size)
            border = true;
        return clamp(t, 0, size - 1);
    }
    if (mode == D3DTADDRESS_MIRROR) {
        int period = 2 * size;
        int p = ((t % period) + period) % period;
        return p < size ? p : period - 1 - p;
    }
    if (mode == D3DTADDRESS_MIRRORONCE)
        return clamp(t < 0 ? -t - 1 : t, 0, size - 1);
    return ((t % size) + size) % size;  // wrap
}

ivec2 addressTexel(ivec2 t, ivec2 size, ivec2 modes, out bool border)
{
    border = false;
    return ivec2(addressAxis(t.x, size.x, modes.x, border), addressAxis(t.y, size.y, modes.y, border));
}
)";

const char* const kFragmentMain = R"(
vec4 stageArgument(int arg, vec4 diffuse, vec4 texel)
{
    // Stage 0 has nothing before it: "current" is the diffuse colour.
    vec4 v = (arg & D3DTA_SELECTMASK) == D3DTA_TEXTURE ? texel : diffuse;
    if ((arg & D3DTA_ALPHAREPLICATE) != 0)
        v = vec4(v.a);
    if ((arg & D3DTA_COMPLEMENT) != 0)
        v = vec4(1.0) - v;
    return v;
}

vec4 stageOperation(int op, vec4 a1, vec4 a2, vec4 current)
{
    if (op == D3DTOP_SELECTARG1) return a1;
    if (op == D3DTOP_SELECTARG2) return a2;
    if (op == D3DTOP_MODULATE) return a1 * a2;
    if (op == D3DTOP_MODULATE2X) return clamp(2.0 * a1 * a2, 0.0, 1.0);
    if (op == D3DTOP_MODULATE4X) return clamp(4.0 * a1 * a2, 0.0, 1.0);
    if (op == D3DTOP_ADD) return clamp(a1 + a2, 0.0, 1.0);
    return current;
}

bool alphaPasses(int a)
{
    if (uAlphaFunc == D3DCMP_NEVER) return false;
    if (uAlphaFunc == D3DCMP_LESS) return a < uAlphaRef;
    if (uAlphaFunc == D3DCMP_EQUAL) return a == uAlphaRef;
    if (uAlphaFunc == D3DCMP_LESSEQUAL) return a <= uAlphaRef;
    if (uAlphaFunc == D3DCMP_GREATER) return a > uAlphaRef;
    if (uAlphaFunc == D3DCMP_NOTEQUAL) return a != uAlphaRef;
    if (uAlphaFunc == D3DCMP_GREATEREQUAL) return a >= uAlphaRef;
    return true;
}

void main()
{
    vec4 diffuse = uFlatShading ? vDiffuseFlat : vDiffuse;
    vec3 specular = uFlatShading ? vSpecularFlat : vSpecular;

    vec4 texel = vec4(1.0);
    if (uTextured) {
        vec2 texels = vTexcoord * vec2(max(uTextureSize, ivec2(1)));
        vec2 dx = dFdx(texels), dy = dFdy(texels);
        bool magnified = max(dot(dx, dx), dot(dy, dy)) <= 1.0;
        vec4 filtered = texture(uTexture, vTexcoord);
        if (uGaussianMag && magnified)
            filtered = gaussianCubicSample(uTexture, vTexcoord, uTextureSize, uAddressModes, uBorderColor);
        texel = filtered;
    }

    vec4 c;
    c.rgb = stageOperation(uColorOp, stageArgument(uColorArg1, diffuse, texel),
                           stageArgument(uColorArg2, diffuse, texel), diffuse).rgb;
    c.a = stageOperation(uAlphaOp, stageArgument(uAlphaArg1, diffuse, texel),
                         stageArgument(uAlphaArg2, diffuse, texel), diffuse).a;
    if (uAddSpecular)
        c.rgb = clamp(c.rgb + specular, 0.0, 1.0);
    if (uAlphaFunc != 0 && !alphaPasses(int(c.a * 255.0 + 0.5)))
        discard;
    fragColor = c;
}
)";

struct Vec3 {
    float x, y, z;
};

Vec3 transformDirection(const D3DVECTOR& v, const D3DMATRIX& m)
{
    return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0],
            v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
            v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2]};
}

Vec3 transformPoint(const D3DVECTOR& v, const D3DMATRIX& m)
{
    const Vec3 d = transformDirection(v, m);
    return {d.x + m.m[3][0], d.y + m.m[3][1], d.z + m.m[3][2]};
}

void setColor(QOpenGLFunctions_3_3_Core* gl, GLint location, const D3DCOLORVALUE& c)
{
    gl->glUniform4f(location, c.r, c.g, c.b, c.a);
}

void setBool(QOpenGLFunctions_3_3_Core* gl, GLint location, bool value)
{
    gl->glUniform1i(location, value ? 1 : 0);
}

}  // namespace

// The lights that shine, in camera space, in the order the shader takes them.
struct CameraLights {
    int count = 0;
    std::array<int, kMaxLights> type{};
    std::array<float, 3 * kMaxLights> diffuse{}, specular{}, ambient{}, position{}, direction{}, spot{};
    std::array<float, 4 * kMaxLights> attenuation{};
};

namespace {

CameraLights cameraLights(const DeviceState& s)
{
    CameraLights out;
    for (const LightSlot& slot : s.lights()) {
        if (!slot.enabled)
            continue;
        const D3DLIGHT8& l = slot.light;
        const Vec3 dir = transformDirection(l.Direction, s.view());
        const float length = std::sqrt(dir.x * dir.x + dir.y * dir.y + dir.z * dir.z);
        if (l.Type != D3DLIGHT_POINT && !(length > 0.0f))
            continue;  // a light needs a direction to shine along
        const Vec3 pos = transformPoint(l.Position, s.view());
        const std::size_t i = std::size_t(out.count), i3 = 3 * i, i4 = 4 * i;
        out.type[i] = int(l.Type);
        out.diffuse[i3] = l.Diffuse.r, out.diffuse[i3 + 1] = l.Diffuse.g, out.diffuse[i3 + 2] = l.Diffuse.b;
        out.specular[i3] = l.Specular.r, out.specular[i3 + 1] = l.Specular.g,
        out.specular[i3 + 2] = l.Specular.b;
        out.ambient[i3] = l.Ambient.r, out.ambient[i3 + 1] = l.Ambient.g, out.ambient[i3 + 2] = l.Ambient.b;
        out.position[i3] = pos.x, out.position[i3 + 1] = pos.y, out.position[i3 + 2] = pos.z;
        if (length > 0.0f)
            out.direction[i3] = dir.x / length, out.direction[i3 + 1] = dir.y / length,
            out.direction[i3 + 2] = dir.z / length;
        out.attenuation[i4] = l.Attenuation0, out.attenuation[i4 + 1] = l.Attenuation1;
        out.attenuation[i4 + 2] = l.Attenuation2, out.attenuation[i4 + 3] = l.Range;
        out.spot[i3] = std::cos(l.Theta / 2), out.spot[i3 + 1] = std::cos(l.Phi / 2),
        out.spot[i3 + 2] = l.Falloff;
        ++out.count;
    }
    return out;
}

ProgramKey programKey(const DeviceState& s, const VertexLayout& layout, const BoundTexture& texture,
                      const CameraLights& lights)
{
    ProgramKey key;
    key.lighting = s.renderState(D3DRS_LIGHTING) != 0;
    key.specular = s.renderState(D3DRS_SPECULARENABLE) != 0;
    key.hasNormal = layout.normals;
    key.hasColor = layout.colors;
    key.hasTexcoord = layout.texcoords;
    key.lightCount = lights.count;
    key.lightTypes = lights.type;
    key.textured = texture.present;
    key.gaussianMag = texture.present && s.stageState(D3DTSS_MAGFILTER) == D3DTEXF_GAUSSIANCUBIC;
    key.flatShading = s.renderState(D3DRS_SHADEMODE) == D3DSHADE_FLAT;
    const Stage0Ops ops = effectiveStage0(s, texture.present);
    key.stage0 = {int(ops.colorOp), int(ops.colorArg1), int(ops.colorArg2),
                  int(ops.alphaOp), int(ops.alphaArg1), int(ops.alphaArg2)};
    const bool alphaTest =
        s.renderState(D3DRS_ALPHATESTENABLE) != 0 && s.renderState(D3DRS_ALPHAFUNC) != D3DCMP_ALWAYS;
    const std::uint32_t func = s.renderState(D3DRS_ALPHAFUNC);
    key.alphaFunc = alphaTest && func >= D3DCMP_NEVER && func < D3DCMP_ALWAYS ? int(func) : 0;
    return key;
}

// The constants a program's source is compiled with.
std::string definitions(const ProgramKey& key)
{
    auto flag = [](bool b) { return b ? "true" : "false"; };
    std::string types;
    for (std::size_t i = 0; i < key.lightTypes.size(); ++i)
        types.append(i ? "," : "").append(std::to_string(key.lightTypes[i]));
    std::string d = "#version 330 core\n";
    auto define = [&](const char* name, const std::string& value) {
        d += std::string("#define ") + name + " " + value + "\n";
    };
    define("LIGHTING", flag(key.lighting));
    define("SPECULAR", flag(key.specular));
    define("HAS_NORMAL", flag(key.hasNormal));
    define("HAS_COLOR", flag(key.hasColor));
    define("HAS_TEXCOORD", flag(key.hasTexcoord));
    define("LIGHT_COUNT", std::to_string(key.lightCount));
    define("LIGHT_TYPES", types);
    define("TEXTURED", flag(key.textured));
    define("GAUSSIAN_MAG", flag(key.gaussianMag));
    define("FLAT_SHADING", flag(key.flatShading));
    const char* stageNames[6] = {"COLOR_OP", "COLOR_ARG1", "COLOR_ARG2",
                                 "ALPHA_OP", "ALPHA_ARG1", "ALPHA_ARG2"};
    for (std::size_t i = 0; i < 6; ++i)
        define(stageNames[i], std::to_string(key.stage0[i]));
    define("ALPHA_FUNC", std::to_string(key.alphaFunc));

    // The Direct3D constants the shaders test for, from their one definition.
    auto constant = [&](const char* name, std::uint32_t value) { define(name, std::to_string(value)); };
    constant("D3DTA_SELECTMASK", D3DTA_SELECTMASK);
    constant("D3DTA_TEXTURE", D3DTA_TEXTURE);
    constant("D3DTA_COMPLEMENT", D3DTA_COMPLEMENT);
    constant("D3DTA_ALPHAREPLICATE", D3DTA_ALPHAREPLICATE);
    for (const auto& [name, value] : {std::pair{"D3DTOP_SELECTARG1", D3DTOP_SELECTARG1},
                                      {"D3DTOP_SELECTARG2", D3DTOP_SELECTARG2},
                                      {"D3DTOP_MODULATE", D3DTOP_MODULATE},
                                      {"D3DTOP_MODULATE2X", D3DTOP_MODULATE2X},
                                      {"D3DTOP_MODULATE4X", D3DTOP_MODULATE4X},
                                      {"D3DTOP_ADD", D3DTOP_ADD}})
        constant(name, value);
    for (const auto& [name, value] : {std::pair{"D3DTADDRESS_MIRROR", D3DTADDRESS_MIRROR},
                                      {"D3DTADDRESS_CLAMP", D3DTADDRESS_CLAMP},
                                      {"D3DTADDRESS_BORDER", D3DTADDRESS_BORDER},
                                      {"D3DTADDRESS_MIRRORONCE", D3DTADDRESS_MIRRORONCE}})
        constant(name, value);
    for (const auto& [name, value] : {std::pair{"D3DCMP_NEVER", D3DCMP_NEVER},
                                      {"D3DCMP_LESS", D3DCMP_LESS},
                                      {"D3DCMP_EQUAL", D3DCMP_EQUAL},
                                      {"D3DCMP_LESSEQUAL", D3DCMP_LESSEQUAL},
                                      {"D3DCMP_GREATER", D3DCMP_GREATER},
                                      {"D3DCMP_NOTEQUAL", D3DCMP_NOTEQUAL},
                                      {"D3DCMP_GREATEREQUAL", D3DCMP_GREATEREQUAL}})
        constant(name, value);
    return d;
}

}  // namespace

FixedFunctionProgram::FixedFunctionProgram() = default;

FixedFunctionProgram::~FixedFunctionProgram() = default;

bool FixedFunctionProgram::build(const ProgramKey& key, QString& log)
{
    const std::string head = definitions(key);
    const std::string vertex = head + kVertexShader;
    const std::string fragment = head + kFragmentHead + kGaussianCubicGlsl + kFragmentMain;
    program_ = std::make_unique<QOpenGLShaderProgram>();
    // Cacheable: the toolkit keeps the linked program in the user's cache
    // folder, keyed by the source and the driver, so a later start takes it
    // from there instead of compiling it again (some twenty
    // milliseconds a program on a software renderer); the driver gives back the same program.
    if (!program_->addCacheableShaderFromSourceCode(QOpenGLShader::Vertex, vertex.c_str()) ||
        !program_->addCacheableShaderFromSourceCode(QOpenGLShader::Fragment, fragment.c_str()) ||
        !program_->link()) {
        log = program_->log();
        program_.reset();
        return false;
    }
    findUniforms();
    program_->bind();
    program_->setUniformValue(u_.sampler, 0);
    return true;
}

void FixedFunctionProgram::findUniforms()
{
    auto at = [&](const char* name) { return program_->uniformLocation(name); };
    u_.worldView = at("uWorldView");
    u_.projection = at("uProjection");
    u_.normalMatrix = at("uNormalMatrix");
    u_.pixelShift = at("uPixelShift");
    u_.normalize = at("uNormalize");
    u_.localViewer = at("uLocalViewer");
    u_.diffuseFromVertex = at("uDiffuseFromVertex");
    u_.ambientFromVertex = at("uAmbientFromVertex");
    u_.specularFromVertex = at("uSpecularFromVertex");
    u_.emissiveFromVertex = at("uEmissiveFromVertex");
    u_.matDiffuse = at("uMatDiffuse");
    u_.matAmbient = at("uMatAmbient");
    u_.matSpecular = at("uMatSpecular");
    u_.matEmissive = at("uMatEmissive");
    u_.power = at("uPower");
    u_.globalAmbient = at("uGlobalAmbient");
    u_.lightDiffuse = at("uLightDiffuse");
    u_.lightSpecular = at("uLightSpecular");
    u_.lightAmbient = at("uLightAmbient");
    u_.lightPosition = at("uLightPosition");
    u_.lightDirection = at("uLightDirection");
    u_.lightAttenuation = at("uLightAttenuation");
    u_.lightSpot = at("uLightSpot");
    u_.sampler = at("uTexture");
    u_.textureSize = at("uTextureSize");
    u_.addressModes = at("uAddressModes");
    u_.borderColor = at("uBorderColor");
    u_.alphaRef = at("uAlphaRef");
}

void FixedFunctionProgram::apply(QOpenGLFunctions_3_3_Core* gl, const DeviceState& s,
                                 const VertexLayout& layout, const CameraLights& lights,
                                 const BoundTexture& texture, int width, int height) const
{
    gl->glUseProgram(program_->programId());

    // Transforms.
    const D3DMATRIX worldView = D3DXMatrixMultiply(s.world(), s.view());
    gl->glUniformMatrix4fv(u_.worldView, 1, GL_FALSE, &worldView.m[0][0]);
    gl->glUniformMatrix4fv(u_.projection, 1, GL_FALSE, &s.projection().m[0][0]);
    const std::array<float, 9> nm = normalMatrix(worldView);
    gl->glUniformMatrix3fv(u_.normalMatrix, 1, GL_FALSE, nm.data());
    gl->glUniform2f(u_.pixelShift, 1.0f / float(width), -1.0f / float(height));

    // Lighting switches and the material.
    const bool colorVertex = s.renderState(D3DRS_COLORVERTEX) != 0 && layout.colors;
    auto fromVertex = [&](D3DRENDERSTATETYPE source) {
        return colorVertex && s.renderState(source) == D3DMCS_COLOR1;
    };
    setBool(gl, u_.normalize, s.renderState(D3DRS_NORMALIZENORMALS) != 0);
    setBool(gl, u_.localViewer, s.renderState(D3DRS_LOCALVIEWER) != 0);
    setBool(gl, u_.diffuseFromVertex, fromVertex(D3DRS_DIFFUSEMATERIALSOURCE));
    setBool(gl, u_.ambientFromVertex, fromVertex(D3DRS_AMBIENTMATERIALSOURCE));
    setBool(gl, u_.specularFromVertex, fromVertex(D3DRS_SPECULARMATERIALSOURCE));
    setBool(gl, u_.emissiveFromVertex, fromVertex(D3DRS_EMISSIVEMATERIALSOURCE));

    const D3DMATERIAL8& mat = s.material();
    setColor(gl, u_.matDiffuse, mat.Diffuse);
    setColor(gl, u_.matAmbient, mat.Ambient);
    setColor(gl, u_.matSpecular, mat.Specular);
    setColor(gl, u_.matEmissive, mat.Emissive);
    gl->glUniform1f(u_.power, mat.Power);
    const D3DCOLOR ambient = s.renderState(D3DRS_AMBIENT);
    const D3DCOLORVALUE globalAmbient = unpackColor(ambient);
    gl->glUniform3f(u_.globalAmbient, globalAmbient.r, globalAmbient.g, globalAmbient.b);

    if (lights.count > 0) {
        gl->glUniform3fv(u_.lightDiffuse, lights.count, lights.diffuse.data());
        gl->glUniform3fv(u_.lightSpecular, lights.count, lights.specular.data());
        gl->glUniform3fv(u_.lightAmbient, lights.count, lights.ambient.data());
        gl->glUniform3fv(u_.lightPosition, lights.count, lights.position.data());
        gl->glUniform3fv(u_.lightDirection, lights.count, lights.direction.data());
        gl->glUniform4fv(u_.lightAttenuation, lights.count, lights.attenuation.data());
        gl->glUniform3fv(u_.lightSpot, lights.count, lights.spot.data());
    }

    // Texture sampling and the alpha test's reference.
    gl->glUniform2i(u_.textureSize, texture.width, texture.height);
    gl->glUniform2i(u_.addressModes, GLint(s.stageState(D3DTSS_ADDRESSU)),
                    GLint(s.stageState(D3DTSS_ADDRESSV)));
    const D3DCOLOR border = s.stageState(D3DTSS_BORDERCOLOR);
    setColor(gl, u_.borderColor, unpackColor(border));
    gl->glUniform1i(u_.alphaRef, GLint(s.renderState(D3DRS_ALPHAREF) & 0xFF));
}

ProgramCache::ProgramCache() = default;

ProgramCache::~ProgramCache() = default;

bool ProgramCache::apply(QOpenGLFunctions_3_3_Core* gl, const DeviceState& state, const VertexLayout& layout,
                         const BoundTexture& texture, int width, int height, QString& log)
{
    const CameraLights lights = cameraLights(state);
    const ProgramKey key = programKey(state, layout, texture, lights);
    auto found = programs_.find(key);
    if (found == programs_.end()) {
        auto program = std::make_unique<FixedFunctionProgram>();
        if (!program->build(key, log))
            return false;
        found = programs_.emplace(key, std::move(program)).first;
    }
    found->second->apply(gl, state, layout, lights, texture, width, height);
    return true;
}

void ProgramCache::destroy(QOpenGLFunctions_3_3_Core*) { programs_.clear(); }

}  // namespace d3d::gl
