// Per-pixel work after coverage: texture stage 0, the specular add, the alpha
// test, the 16-bit depth test and blending into the 8-bit XRGB back buffer.
#pragma once

#include <cstdint>

#include "render/device_state.h"
#include "render/ref/ref_sampler.h"
#include "render/ref/ref_texture.h"

namespace d3d::ref {

struct PixelState {
    bool depthTest = true;
    std::uint32_t depthFunc = D3DCMP_LESSEQUAL;
    bool depthWrite = true;

    bool blend = false;
    std::uint32_t srcBlend = D3DBLEND_ONE, dstBlend = D3DBLEND_ZERO;

    int alphaFunc = 0;  // 0: no alpha test; otherwise a D3DCMP value below ALWAYS
    int alphaRef = 0;

    // Stage 0 as it actually runs (a stage that reads a missing texture
    // passes the diffuse colour through).
    int colorOp = D3DTOP_SELECTARG1, colorArg1 = D3DTA_CURRENT, colorArg2 = D3DTA_CURRENT;
    int alphaOp = D3DTOP_SELECTARG1, alphaArg1 = D3DTA_CURRENT, alphaArg2 = D3DTA_CURRENT;
    const RefTexture* texture = nullptr;  // null: no texture bound
    SamplerState sampler;
    bool addSpecular = false;
    bool flatShading = false;
};

// The pixel states of `state` with `texture` bound to stage 0 (or none).
PixelState pixelStateFrom(const DeviceState& state, const RefTexture* texture);

// What the rasteriser interpolated for one pixel.
struct Fragment {
    float diffuse[4];
    float specular[3];
    float u, v;
    TexDerivatives d;
};

// Depth as the 16-bit buffer stores it: z clamped to [0, 1], × 65535,
// rounded to nearest. NaN reads as 0.
std::uint16_t quantizeDepth(double z);

// Whether a fragment at depth z passes against the stored depth.
bool depthPasses(const PixelState& ps, std::uint16_t z, std::uint16_t stored);

// Colours, alpha-tests and blends a fragment that passed the depth test,
// writing `color` and (when depth writes are on) `depth`. Returns false when
// the alpha test discarded it (nothing is written then).
bool shadeFragment(const PixelState& ps, const Fragment& f, std::uint16_t z, std::uint32_t& color,
                   std::uint16_t& depth);

// 0..1 to an 8-bit channel, rounded to nearest (NaN gives 0).
inline std::uint32_t toByte(float c)
{
    const float s = c > 0.0f ? (c < 1.0f ? c : 1.0f) : 0.0f;
    return std::uint32_t(s * 255.0f + 0.5f);
}

}  // namespace d3d::ref
