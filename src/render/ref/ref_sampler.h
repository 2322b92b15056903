// Texture sampling for stage 0: address modes, point and bilinear filtering,
// mip selection from screen-space derivatives, and Gaussian-cubic
// magnification with the kernel every device shares.
#pragma once

#include <cstdint>

#include "render/device_state.h"
#include "render/ref/ref_texture.h"

namespace d3d::ref {

struct SamplerState {
    std::uint32_t addressU = D3DTADDRESS_WRAP;
    std::uint32_t addressV = D3DTADDRESS_WRAP;
    float border[4] = {0, 0, 0, 0};  // RGBA
    std::uint32_t magFilter = D3DTEXF_POINT;
    std::uint32_t minFilter = D3DTEXF_POINT;
    std::uint32_t mipFilter = D3DTEXF_NONE;
};

// Stage 0's sampler settings as they stand in `state`.
SamplerState samplerStateFrom(const DeviceState& state);

// How fast the texture coordinate changes per pixel step in x and in y.
struct TexDerivatives {
    float dudx = 0, dvdx = 0, dudy = 0, dvdy = 0;
};

// The filtered RGBA (each 0..1) of `texture` at (u, v). The texel-to-pixel
// ratio from `d` chooses magnification (ratio ≤ 1: MAGFILTER on level 0) or
// minification (MINFILTER on the level MIPFILTER picks; level 0 with
// MIPFILTER NONE). Filters above LINEAR read as LINEAR, except GAUSSIANCUBIC
// magnification. Any u, v (huge, NaN) gives some texel, never a fault.
void sampleTexture(const RefTexture& texture, const SamplerState& s, float u, float v,
                   const TexDerivatives& d, float out[4]);

}  // namespace d3d::ref
