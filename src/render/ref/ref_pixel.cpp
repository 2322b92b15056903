#include "render/ref/ref_pixel.h"

#include <algorithm>
#include <cmath>

#include "render/fixed_function.h"

namespace d3d::ref {
namespace {

float clamp01(float x) { return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f; }

void stageArgument(int arg, const float diffuse[4], const float texel[4], float out[4])
{
    // Stage 0 has nothing before it: "current" is the diffuse colour.
    const float* v = (arg & D3DTA_SELECTMASK) == D3DTA_TEXTURE ? texel : diffuse;
    std::copy(v, v + 4, out);
    if (arg & D3DTA_ALPHAREPLICATE)
        out[0] = out[1] = out[2] = out[3];
    if (arg & D3DTA_COMPLEMENT)
        for (int c = 0; c < 4; ++c)
            out[c] = 1.0f - out[c];
}

float stageOperation(int op, float a1, float a2, float current)
{
    switch (op) {
    case 2:
        return a1;  // select arg 1
    case 3:
        return a2;  // select arg 2
    case 4:
        return a1 * a2;  // modulate
    case 5:
        return clamp01(2.0f * a1 * a2);  // modulate 2x
    case 6:
        return clamp01(4.0f * a1 * a2);  // modulate 4x
    case 7:
        return clamp01(a1 + a2);  // add
    default:
        return current;
    }
}

bool compare(std::uint32_t func, int a, int b)
{
    switch (func) {
    case D3DCMP_NEVER:
        return false;
    case D3DCMP_LESS:
        return a < b;
    case D3DCMP_EQUAL:
        return a == b;
    case D3DCMP_LESSEQUAL:
        return a <= b;
    case D3DCMP_GREATER:
        return a > b;
    case D3DCMP_NOTEQUAL:
        return a != b;
    case D3DCMP_GREATEREQUAL:
        return a >= b;
    default:
        return true;
    }
}

// The back buffer has no alpha channel: destination alpha reads as 1.
float blendFactor(std::uint32_t factor, int channel, const float src[4], const float dst[3])
{
    switch (factor) {
    case D3DBLEND_ZERO:
        return 0.0f;
    case D3DBLEND_ONE:
        return 1.0f;
    case D3DBLEND_SRCCOLOR:
        return src[channel];
    case D3DBLEND_INVSRCCOLOR:
        return 1.0f - src[channel];
    case D3DBLEND_SRCALPHA:
        return src[3];
    case D3DBLEND_INVSRCALPHA:
        return 1.0f - src[3];
    case D3DBLEND_DESTALPHA:
        return 1.0f;
    case D3DBLEND_INVDESTALPHA:
        return 0.0f;
    case D3DBLEND_DESTCOLOR:
        return dst[channel];
    case D3DBLEND_INVDESTCOLOR:
        return 1.0f - dst[channel];
    case D3DBLEND_SRCALPHASAT:
        return 0.0f;  // min(src alpha, 1 − dest alpha)
    default:
        return 1.0f;
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
    const BlendFactors factors = effectiveBlend(s);
    ps.srcBlend = factors.source;
    ps.dstBlend = factors.destination;

    const std::uint32_t func = s.renderState(D3DRS_ALPHAFUNC);
    if (s.renderState(D3DRS_ALPHATESTENABLE) != 0 && func >= D3DCMP_NEVER && func < D3DCMP_ALWAYS)
        ps.alphaFunc = int(func);
    ps.alphaRef = int(s.renderState(D3DRS_ALPHAREF) & 0xFF);

    // A disabled stage 0 ends the cascade before it starts: nothing is sampled.
    ps.texture = s.stageState(D3DTSS_COLOROP) == D3DTOP_DISABLE ? nullptr : texture;
    const Stage0Ops ops = effectiveStage0(s, texture != nullptr);
    ps.colorOp = int(ops.colorOp);
    ps.colorArg1 = int(ops.colorArg1);
    ps.colorArg2 = int(ops.colorArg2);
    ps.alphaOp = int(ops.alphaOp);
    ps.alphaArg1 = int(ops.alphaArg1);
    ps.alphaArg2 = int(ops.alphaArg2);
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
        float dst[4];
        unpackColor(color, dst);
        float mixed[3];
        for (int c = 0; c < 3; ++c)
            mixed[c] = out[c] * blendFactor(ps.srcBlend, c, out, dst) +
                       dst[c] * blendFactor(ps.dstBlend, c, out, dst);
        r = toByte(mixed[0]), g = toByte(mixed[1]), b = toByte(mixed[2]);
    } else {
        r = toByte(out[0]), g = toByte(out[1]), b = toByte(out[2]);
    }
    color = 0xFF000000u | (r << 16) | (g << 8) | b;
    return true;
}

}  // namespace d3d::ref
