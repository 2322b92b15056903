// The parts of the fixed-function state that both devices must read the same
// way before they draw: what texture stage 0 will really do, and which blend
// factors really apply.
#pragma once

#include <array>
#include <cstdint>

#include "render/device_state.h"

namespace d3d {

struct Stage0Ops {
    std::uint32_t colorOp, colorArg1, colorArg2;
    std::uint32_t alphaOp, alphaArg1, alphaArg2;
};

// Stage 0 as it will run. A disabled colour operation ends the cascade
// before it starts (colour and alpha pass the diffuse through); an operation
// that reads the texture while none is bound passes the diffuse through; a
// disabled alpha operation passes the diffuse alpha through.
Stage0Ops effectiveStage0(const DeviceState& state, bool textured);

struct BlendFactors {
    std::uint32_t source, destination;
};

// SRCBLEND and DESTBLEND, with the two "both" modes expanded: they set both
// factors from the source setting and ignore the destination one.
BlendFactors effectiveBlend(const DeviceState& state);

// The matrix normals are lit with, for row vectors: n' = n × transpose(inverse
// (M)) of the upper 3×3 of the world-view matrix, row-major. That is the
// cofactor matrix over the determinant; a singular matrix keeps the
// cofactors, so directions survive where lengths cannot.
std::array<float, 9> normalMatrix(const D3DMATRIX& worldView);

}  // namespace d3d
