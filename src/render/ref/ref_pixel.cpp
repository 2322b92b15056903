#include "render/ref/ref_pixel.h"

#include <algorithm>
#include <cmath>

namespace d3d::ref {
namespace {

// Blend factors and stage arguments beyond those named in d3d8_types.h keep
// Direct3D's values.
enum : std::uint32_t {
    kBlendDestAlpha = 7,
    kBlendInvDestAlpha = 8,
    kBlendDestColor = 9,
    kBlendInvDestColor = 10,
    kBlendSrcAlphaSat = 11,
    kBlendBothSrcAlpha = 12,
    kBlendBothInvSrcAlpha = 13,
};
constexpr int kArgComplement = 16;
constexpr int kArgAlphaReplicate = 32;

float clamp01(float x)
{
    return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f;
}

bool readsTexture(std::uint32_t op, std::uint32_t arg1, std::uint32_t arg2)
{
    if (op == D3DTOP_DISABLE)
        return false;
    const bool first = op != D3DTOP_SELECTARG2 && (arg1 & 0xF) == D3DTA_TEXTURE;
    const bool second = op != D3DTOP_SELECTARG1 && (arg2 & 0xF) == D3DTA_TEXTURE;
    return first || second;
}

void stageArgument(int arg, const float diffuse[4], const float texel[4], float out[4])
{
    // Stage 0 has nothing before it: "current" is the diffuse colour.
    const float* v = (arg & 15) == int(D3DTA_TEXTURE) ? texel : diffuse;
    std::copy(v, v + 4, out);
    if (arg & kArgAlphaReplicate)
        out[0] = out[1] = out[2] = out[3];
    if (arg & kArgComplement)
        for (int c = 0; c < 4; ++c)
            out[c] = 1.0f - out[c];
}

float stageOperation(int op, float a1, float a2, float current)
{
    switch (op) {
    case 2: return a1;                           // select arg 1
    case 3: return a2;                           // select arg 2
    case 4: return a1 * a2;                      // modulate
    case 5: return clamp01(2.0f * a1 * a2);      // modulate 2x
    case 6: return clamp01(4.0f * a1 * a2);      // modulate 4x
    case 7: return clamp01(a1 + a2);             // add
    default: return current;
    }
}

bool compare(std::uint32_t func, int a, int b)
{
    switch (func) {
    case D3DCMP_NEVER: return false;
    case D3DCMP_LESS: return a < b;
    case D3DCMP_EQUAL: return a == b;
    case D3DCMP_LESSEQUAL: return a <= b;
    case D3DCMP_GREATER: return a > b;
    case D3DCMP_NOTEQUAL: return a != b;
    case D3DCMP_GREATEREQUAL: return a >= b;
    default: return true;
    }
}

// The back buffer has no alpha channel: destination alpha reads as 1.
float blendFactor(std::uint32_t factor, int channel, const float src[4], const float dst[3])
{
    switch (factor) {
    case D3DBLEND_ZERO: return 0.0f;
    case D3DBLEND_ONE: return 1.0f;
    case D3DBLEND_SRCCOLOR: return src[channel];
    case D3DBLEND_INVSRCCOLOR: return 1.0f - src[channel];
    case D3DBLEND_SRCALPHA: return src[3];
    case D3DBLEND_INVSRCALPHA: return 1.0f - src[3];
    case kBlendDestAlpha: return 1.0f;
    case kBlendInvDestAlpha: return 0.0f;
    case kBlendDestColor: return dst[channel];
    case kBlendInvDestColor: return 1.0f - dst[channel];
    case kBlendSrcAlphaSat: return 0.0f;  // min(src alpha, 1 − dest alpha)
    default: return 1.0f;
    }
}

}  // namespace

PixelState pixelStateFrom(const DeviceState& s, const RefTexture* texture)
{
    PixelState ps;
    // Disabling the depth test also stops depth writes.
    ps.depthTest = s.renderState(D3DRS_ZENABLE) != D3DZB_FALSE;
    ps.depthFunc = s.renderState(D3DRS_ZFUNC);
    ps.depthWrite = ps.depthTest && s.renderState(D3DRS_ZWRITEENABLE) != 0;

    ps.blend = s.renderState(D3DRS_ALPHABLENDENABLE) != 0;
    ps.srcBlend = s.renderState(D3DRS_SRCBLEND);
    ps.dstBlend = s.renderState(D3DRS_DESTBLEND);
    if (ps.srcBlend == kBlendBothSrcAlpha || ps.srcBlend == kBlendBothInvSrcAlpha) {
        // Both factors come from the source setting; the destination one is ignored.
        const bool inverse = ps.srcBlend == kBlendBothInvSrcAlpha;
        ps.srcBlend = inverse ? D3DBLEND_INVSRCALPHA : D3DBLEND_SRCALPHA;
        ps.dstBlend = inverse ? D3DBLEND_SRCALPHA : D3DBLEND_INVSRCALPHA;
    }

    const std::uint32_t func = s.renderState(D3DRS_ALPHAFUNC);
    if (s.renderState(D3DRS_ALPHATESTENABLE) != 0 && func >= D3DCMP_NEVER && func < D3DCMP_ALWAYS)
        ps.alphaFunc = int(func);
    ps.alphaRef = int(s.renderState(D3DRS_ALPHAREF) & 0xFF);

    ps.texture = texture;
    const bool textured = texture != nullptr;
    ps.colorOp = int(s.stageState(D3DTSS_COLOROP));
    ps.colorArg1 = int(s.stageState(D3DTSS_COLORARG1));
    ps.colorArg2 = int(s.stageState(D3DTSS_COLORARG2));
    ps.alphaOp = int(s.stageState(D3DTSS_ALPHAOP));
    ps.alphaArg1 = int(s.stageState(D3DTSS_ALPHAARG1));
    ps.alphaArg2 = int(s.stageState(D3DTSS_ALPHAARG2));
    const int passThrough = int(D3DTOP_SELECTARG1), current = int(D3DTA_CURRENT);
    if (ps.colorOp == int(D3DTOP_DISABLE)) {
        // A disabled stage 0 ends the cascade before it starts.
        ps.colorOp = ps.alphaOp = passThrough;
        ps.colorArg1 = ps.colorArg2 = ps.alphaArg1 = ps.alphaArg2 = current;
        ps.texture = nullptr;
    } else {
        if (!textured && readsTexture(std::uint32_t(ps.colorOp), std::uint32_t(ps.colorArg1),
                                      std::uint32_t(ps.colorArg2))) {
            ps.colorOp = passThrough;
            ps.colorArg1 = current;
        }
        if (ps.alphaOp == int(D3DTOP_DISABLE) ||
            (!textured && readsTexture(std::uint32_t(ps.alphaOp), std::uint32_t(ps.alphaArg1),
                                       std::uint32_t(ps.alphaArg2)))) {
            ps.alphaOp = passThrough;
            ps.alphaArg1 = current;
        }
    }
    ps.sampler = samplerStateFrom(s);
    ps.addSpecular = s.renderState(D3DRS_SPECULARENABLE) != 0;
    ps.flatShading = s.renderState(D3DRS_SHADEMODE) == D3DSHADE_FLAT;
    return ps;
}

std::uint16_t quantizeDepth(double z)
{
    const double s = z > 0.0 ? (z < 1.0 ? z : 1.0) : 0.0;
    return std::uint16_t(std::floor(s * 65535.0 + 0.5));
}

bool depthPasses(const PixelState& ps, std::uint16_t z, std::uint16_t stored)
{
    return !ps.depthTest || compare(ps.depthFunc, z, stored);
}

bool shadeFragment(const PixelState& ps, const Fragment& f, std::uint16_t z, std::uint32_t& color,
                   std::uint16_t& depth)
{
    float diffuse[4];
    for (int c = 0; c < 4; ++c)
        diffuse[c] = clamp01(f.diffuse[c]);
    float texel[4] = {1, 1, 1, 1};
    if (ps.texture)
        sampleTexture(*ps.texture, ps.sampler, f.u, f.v, f.d, texel);

    float a1[4], a2[4], out[4];
    stageArgument(ps.colorArg1, diffuse, texel, a1);
    stageArgument(ps.colorArg2, diffuse, texel, a2);
    for (int c = 0; c < 3; ++c)
        out[c] = stageOperation(ps.colorOp, a1[c], a2[c], diffuse[c]);
    stageArgument(ps.alphaArg1, diffuse, texel, a1);
    stageArgument(ps.alphaArg2, diffuse, texel, a2);
    out[3] = stageOperation(ps.alphaOp, a1[3], a2[3], diffuse[3]);
    for (float& c : out)
        c = clamp01(c);
    if (ps.addSpecular)
        for (int c = 0; c < 3; ++c)
            out[c] = clamp01(out[c] + clamp01(f.specular[c]));

    if (ps.alphaFunc != 0 && !compare(std::uint32_t(ps.alphaFunc), int(toByte(out[3])), ps.alphaRef))
        return false;
    if (ps.depthWrite)
        depth = z;

    std::uint32_t r, g, b;
    if (ps.blend) {
        const float dst[3] = {float((color >> 16) & 0xFF) / 255.0f, float((color >> 8) & 0xFF) / 255.0f,
                              float(color & 0xFF) / 255.0f};
        float mixed[3];
        for (int c = 0; c < 3; ++c)
            mixed[c] = out[c] * blendFactor(ps.srcBlend, c, out, dst) + dst[c] * blendFactor(ps.dstBlend, c, out, dst);
        r = toByte(mixed[0]), g = toByte(mixed[1]), b = toByte(mixed[2]);
    } else {
        r = toByte(out[0]), g = toByte(out[1]), b = toByte(out[2]);
    }
    color = 0xFF000000u | (r << 16) | (g << 8) | b;
    return true;
}

}  // namespace d3d::ref
