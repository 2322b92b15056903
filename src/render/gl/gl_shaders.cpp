#include "render/gl/gl_shaders.h"

#include <QOpenGLFunctions_3_3_Core>
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
const char* const kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColor;
layout(location = 3) in vec2 aTexcoord;

uniform mat4 uWorldView;
uniform mat4 uProjection;
uniform mat3 uNormalMatrix;
uniform vec2 uPixelShift;

uniform bool uLighting;
uniform bool uHasNormal;
uniform bool uHasColor;
uniform bool uHasTexcoord;
uniform bool uNormalize;
uniform bool uLocalViewer;
uniform bool uSpecularEnable;
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
uniform int uLightCount;
uniform int uLightType[kMaxLights];
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

const char* const kFragmentHead = R"(#version 330 core
in vec4 vDiffuse;
flat in vec4 vDiffuseFlat;
in vec3 vSpecular;
flat in vec3 vSpecularFlat;
in vec2 vTexcoord;

uniform bool uFlatShading;
uniform sampler2D uTexture;
uniform bool uTextured;
uniform int uColorOp;
uniform int uColorArg1;
uniform int uColorArg2;
uniform int uAlphaOp;
uniform int uAlphaArg1;
uniform int uAlphaArg2;
uniform bool uGaussianMag;
uniform ivec2 uTextureSize;
uniform ivec2 uAddressModes;
uniform vec4 uBorderColor;
uniform bool uAddSpecular;
uniform int uAlphaFunc;   // 0: no alpha test
uniform int uAlphaRef;

out vec4 fragColor;

int addressAxis(int t, int size, int mode, inout bool border)
{
    if (mode == 3)  // clamp
        return clamp(t, 0, size - 1);
    if (mode == 4) {  // border colour outside the level
        if (t < 0 || t >= size)
            border = true;
        return clamp(t, 0, size - 1);
    }
    if (mode == 2) {  // mirror
        int period = 2 * size;
        int p = ((t % period) + period) % period;
        return p < size ? p : period - 1 - p;
    }
    if (mode == 5)  // mirror once
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
const int kArgTexture = 2;
const int kArgComplement = 16;
const int kArgAlphaReplicate = 32;

vec4 stageArgument(int arg, vec4 diffuse, vec4 texel)
{
    // Stage 0 has nothing before it: "current" is the diffuse colour.
    vec4 v = (arg & 15) == kArgTexture ? texel : diffuse;
    if ((arg & kArgAlphaReplicate) != 0)
        v = vec4(v.a);
    if ((arg & kArgComplement) != 0)
        v = vec4(1.0) - v;
    return v;
}

vec4 stageOperation(int op, vec4 a1, vec4 a2, vec4 current)
{
    if (op == 2) return a1;                                // select arg 1
    if (op == 3) return a2;                                // select arg 2
    if (op == 4) return a1 * a2;                           // modulate
    if (op == 5) return clamp(2.0 * a1 * a2, 0.0, 1.0);    // modulate 2x
    if (op == 6) return clamp(4.0 * a1 * a2, 0.0, 1.0);    // modulate 4x
    if (op == 7) return clamp(a1 + a2, 0.0, 1.0);          // add
    return current;
}

bool alphaPasses(int a)
{
    if (uAlphaFunc == 1) return false;
    if (uAlphaFunc == 2) return a < uAlphaRef;
    if (uAlphaFunc == 3) return a == uAlphaRef;
    if (uAlphaFunc == 4) return a <= uAlphaRef;
    if (uAlphaFunc == 5) return a > uAlphaRef;
    if (uAlphaFunc == 6) return a != uAlphaRef;
    if (uAlphaFunc == 7) return a >= uAlphaRef;
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

GLuint compile(QOpenGLFunctions_3_3_Core* gl, GLenum type, const std::string& source, QString& log)
{
    const GLuint shader = gl->glCreateShader(type);
    const char* text = source.c_str();
    gl->glShaderSource(shader, 1, &text, nullptr);
    gl->glCompileShader(shader);
    GLint ok = GL_FALSE;
    gl->glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        char buffer[2048] = {};
        gl->glGetShaderInfoLog(shader, sizeof buffer - 1, nullptr, buffer);
        log = QString::fromLatin1(buffer);
        gl->glDeleteShader(shader);
        return 0;
    }
    return shader;
}

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

// The normal matrix for row vectors: n' = n × transpose(inverse(M)) of the
// upper 3×3. That is the cofactor matrix over the determinant; a singular
// matrix keeps the cofactors (directions survive, lengths do not matter then).
std::array<float, 9> normalMatrix(const D3DMATRIX& m)
{
    auto a = [&](int r, int c) { return double(m.m[r][c]); };
    std::array<double, 9> cof{a(1, 1) * a(2, 2) - a(1, 2) * a(2, 1), a(1, 2) * a(2, 0) - a(1, 0) * a(2, 2),
                              a(1, 0) * a(2, 1) - a(1, 1) * a(2, 0), a(0, 2) * a(2, 1) - a(0, 1) * a(2, 2),
                              a(0, 0) * a(2, 2) - a(0, 2) * a(2, 0), a(0, 1) * a(2, 0) - a(0, 0) * a(2, 1),
                              a(0, 1) * a(1, 2) - a(0, 2) * a(1, 1), a(0, 2) * a(1, 0) - a(0, 0) * a(1, 2),
                              a(0, 0) * a(1, 1) - a(0, 1) * a(1, 0)};
    const double det = a(0, 0) * cof[0] + a(0, 1) * cof[1] + a(0, 2) * cof[2];
    const double scale = std::fabs(det) > 1e-30 ? 1.0 / det : 1.0;
    std::array<float, 9> out{};
    for (int i = 0; i < 9; ++i)
        out[std::size_t(i)] = float(cof[std::size_t(i)] * scale);
    return out;  // row-major, rows of transpose(inverse(M))
}

void setColor(QOpenGLFunctions_3_3_Core* gl, GLint location, const D3DCOLORVALUE& c)
{
    gl->glUniform4f(location, c.r, c.g, c.b, c.a);
}

void setBool(QOpenGLFunctions_3_3_Core* gl, GLint location, bool value)
{
    gl->glUniform1i(location, value ? 1 : 0);
}

float channel(D3DCOLOR c, int shift) { return float((c >> shift) & 0xFF) / 255.0f; }

}  // namespace

bool FixedFunctionProgram::build(QOpenGLFunctions_3_3_Core* gl, QString& log)
{
    const std::string fragment = std::string(kFragmentHead) + kGaussianCubicGlsl + kFragmentMain;
    const GLuint vs = compile(gl, GL_VERTEX_SHADER, kVertexShader, log);
    if (!vs)
        return false;
    const GLuint fs = compile(gl, GL_FRAGMENT_SHADER, fragment, log);
    if (!fs) {
        gl->glDeleteShader(vs);
        return false;
    }
    program_ = gl->glCreateProgram();
    gl->glAttachShader(program_, vs);
    gl->glAttachShader(program_, fs);
    gl->glLinkProgram(program_);
    gl->glDeleteShader(vs);
    gl->glDeleteShader(fs);
    GLint ok = GL_FALSE;
    gl->glGetProgramiv(program_, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        char buffer[2048] = {};
        gl->glGetProgramInfoLog(program_, sizeof buffer - 1, nullptr, buffer);
        log = QString::fromLatin1(buffer);
        destroy(gl);
        return false;
    }
    findUniforms(gl);
    gl->glUseProgram(program_);
    gl->glUniform1i(u_.sampler, 0);
    return true;
}

void FixedFunctionProgram::destroy(QOpenGLFunctions_3_3_Core* gl)
{
    if (program_)
        gl->glDeleteProgram(program_);
    program_ = 0;
}

void FixedFunctionProgram::findUniforms(QOpenGLFunctions_3_3_Core* gl)
{
    auto at = [&](const char* name) { return gl->glGetUniformLocation(program_, name); };
    u_.worldView = at("uWorldView");
    u_.projection = at("uProjection");
    u_.normalMatrix = at("uNormalMatrix");
    u_.pixelShift = at("uPixelShift");
    u_.lighting = at("uLighting");
    u_.hasNormal = at("uHasNormal");
    u_.hasColor = at("uHasColor");
    u_.hasTexcoord = at("uHasTexcoord");
    u_.normalize = at("uNormalize");
    u_.localViewer = at("uLocalViewer");
    u_.specularEnable = at("uSpecularEnable");
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
    u_.lightCount = at("uLightCount");
    u_.lightType = at("uLightType");
    u_.lightDiffuse = at("uLightDiffuse");
    u_.lightSpecular = at("uLightSpecular");
    u_.lightAmbient = at("uLightAmbient");
    u_.lightPosition = at("uLightPosition");
    u_.lightDirection = at("uLightDirection");
    u_.lightAttenuation = at("uLightAttenuation");
    u_.lightSpot = at("uLightSpot");
    u_.flatShading = at("uFlatShading");
    u_.sampler = at("uTexture");
    u_.textured = at("uTextured");
    u_.colorOp = at("uColorOp");
    u_.colorArg1 = at("uColorArg1");
    u_.colorArg2 = at("uColorArg2");
    u_.alphaOp = at("uAlphaOp");
    u_.alphaArg1 = at("uAlphaArg1");
    u_.alphaArg2 = at("uAlphaArg2");
    u_.gaussianMag = at("uGaussianMag");
    u_.textureSize = at("uTextureSize");
    u_.addressModes = at("uAddressModes");
    u_.borderColor = at("uBorderColor");
    u_.addSpecular = at("uAddSpecular");
    u_.alphaFunc = at("uAlphaFunc");
    u_.alphaRef = at("uAlphaRef");
}

void FixedFunctionProgram::apply(QOpenGLFunctions_3_3_Core* gl, const DeviceState& s,
                                 const VertexLayout& layout, const BoundTexture& texture, int width,
                                 int height) const
{
    gl->glUseProgram(program_);

    // Transforms.
    const D3DMATRIX worldView = D3DXMatrixMultiply(s.world(), s.view());
    gl->glUniformMatrix4fv(u_.worldView, 1, GL_FALSE, &worldView.m[0][0]);
    gl->glUniformMatrix4fv(u_.projection, 1, GL_FALSE, &s.projection().m[0][0]);
    const std::array<float, 9> nm = normalMatrix(worldView);
    gl->glUniformMatrix3fv(u_.normalMatrix, 1, GL_FALSE, nm.data());
    gl->glUniform2f(u_.pixelShift, 1.0f / float(width), -1.0f / float(height));

    // Vertex inputs and lighting switches.
    const bool colorVertex = s.renderState(D3DRS_COLORVERTEX) != 0 && layout.colors;
    auto fromVertex = [&](D3DRENDERSTATETYPE source) {
        return colorVertex && s.renderState(source) == D3DMCS_COLOR1;
    };
    setBool(gl, u_.lighting, s.renderState(D3DRS_LIGHTING) != 0);
    setBool(gl, u_.hasNormal, layout.normals);
    setBool(gl, u_.hasColor, layout.colors);
    setBool(gl, u_.hasTexcoord, layout.texcoords);
    setBool(gl, u_.normalize, s.renderState(D3DRS_NORMALIZENORMALS) != 0);
    setBool(gl, u_.localViewer, s.renderState(D3DRS_LOCALVIEWER) != 0);
    const bool specular = s.renderState(D3DRS_SPECULARENABLE) != 0;
    setBool(gl, u_.specularEnable, specular);
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
    gl->glUniform3f(u_.globalAmbient, channel(ambient, 16), channel(ambient, 8), channel(ambient, 0));

    // Lights, in camera space.
    std::array<GLint, kMaxLights> type{};
    std::array<float, 3 * kMaxLights> diffuse{}, spec{}, amb{}, position{}, direction{}, spot{};
    std::array<float, 4 * kMaxLights> attenuation{};
    int count = 0;
    for (const LightSlot& slot : s.lights()) {
        if (!slot.enabled)
            continue;
        const D3DLIGHT8& l = slot.light;
        const Vec3 dir = transformDirection(l.Direction, s.view());
        const float length = std::sqrt(dir.x * dir.x + dir.y * dir.y + dir.z * dir.z);
        if (l.Type != D3DLIGHT_POINT && !(length > 0.0f))
            continue;  // a light needs a direction to shine along
        const Vec3 pos = transformPoint(l.Position, s.view());
        const std::size_t i = std::size_t(count), i3 = 3 * i, i4 = 4 * i;
        type[i] = GLint(l.Type);
        diffuse[i3] = l.Diffuse.r, diffuse[i3 + 1] = l.Diffuse.g, diffuse[i3 + 2] = l.Diffuse.b;
        spec[i3] = l.Specular.r, spec[i3 + 1] = l.Specular.g, spec[i3 + 2] = l.Specular.b;
        amb[i3] = l.Ambient.r, amb[i3 + 1] = l.Ambient.g, amb[i3 + 2] = l.Ambient.b;
        position[i3] = pos.x, position[i3 + 1] = pos.y, position[i3 + 2] = pos.z;
        if (length > 0.0f)
            direction[i3] = dir.x / length, direction[i3 + 1] = dir.y / length,
            direction[i3 + 2] = dir.z / length;
        attenuation[i4] = l.Attenuation0, attenuation[i4 + 1] = l.Attenuation1;
        attenuation[i4 + 2] = l.Attenuation2, attenuation[i4 + 3] = l.Range;
        spot[i3] = std::cos(l.Theta / 2), spot[i3 + 1] = std::cos(l.Phi / 2), spot[i3 + 2] = l.Falloff;
        ++count;
    }
    gl->glUniform1i(u_.lightCount, count);
    if (count > 0) {
        gl->glUniform1iv(u_.lightType, count, type.data());
        gl->glUniform3fv(u_.lightDiffuse, count, diffuse.data());
        gl->glUniform3fv(u_.lightSpecular, count, spec.data());
        gl->glUniform3fv(u_.lightAmbient, count, amb.data());
        gl->glUniform3fv(u_.lightPosition, count, position.data());
        gl->glUniform3fv(u_.lightDirection, count, direction.data());
        gl->glUniform4fv(u_.lightAttenuation, count, attenuation.data());
        gl->glUniform3fv(u_.lightSpot, count, spot.data());
    }

    // Rasterisation-time inputs: shading, texture stage 0, specular add, alpha test.
    setBool(gl, u_.flatShading, s.renderState(D3DRS_SHADEMODE) == D3DSHADE_FLAT);
    setBool(gl, u_.textured, texture.present);
    const Stage0Ops ops = effectiveStage0(s, texture.present);
    gl->glUniform1i(u_.colorOp, GLint(ops.colorOp));
    gl->glUniform1i(u_.colorArg1, GLint(ops.colorArg1));
    gl->glUniform1i(u_.colorArg2, GLint(ops.colorArg2));
    gl->glUniform1i(u_.alphaOp, GLint(ops.alphaOp));
    gl->glUniform1i(u_.alphaArg1, GLint(ops.alphaArg1));
    gl->glUniform1i(u_.alphaArg2, GLint(ops.alphaArg2));
    setBool(gl, u_.gaussianMag, texture.present && s.stageState(D3DTSS_MAGFILTER) == D3DTEXF_GAUSSIANCUBIC);
    gl->glUniform2i(u_.textureSize, texture.width, texture.height);
    gl->glUniform2i(u_.addressModes, GLint(s.stageState(D3DTSS_ADDRESSU)),
                    GLint(s.stageState(D3DTSS_ADDRESSV)));
    const D3DCOLOR border = s.stageState(D3DTSS_BORDERCOLOR);
    gl->glUniform4f(u_.borderColor, channel(border, 16), channel(border, 8), channel(border, 0),
                    channel(border, 24));
    setBool(gl, u_.addSpecular, specular);
    const bool alphaTest =
        s.renderState(D3DRS_ALPHATESTENABLE) != 0 && s.renderState(D3DRS_ALPHAFUNC) != D3DCMP_ALWAYS;
    const std::uint32_t func = s.renderState(D3DRS_ALPHAFUNC);
    gl->glUniform1i(u_.alphaFunc,
                    alphaTest && func >= D3DCMP_NEVER && func < D3DCMP_ALWAYS ? GLint(func) : 0);
    gl->glUniform1i(u_.alphaRef, GLint(s.renderState(D3DRS_ALPHAREF) & 0xFF));
}

}  // namespace d3d::gl
