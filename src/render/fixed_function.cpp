#include "render/fixed_function.h"

#include <cmath>

namespace d3d {
namespace {

bool readsTexture(std::uint32_t op, std::uint32_t arg1, std::uint32_t arg2)
{
    if (op == D3DTOP_DISABLE)
        return false;
    const bool first = op != D3DTOP_SELECTARG2 && (arg1 & D3DTA_SELECTMASK) == D3DTA_TEXTURE;
    const bool second = op != D3DTOP_SELECTARG1 && (arg2 & D3DTA_SELECTMASK) == D3DTA_TEXTURE;
    return first || second;
}

}  // namespace

Stage0Ops effectiveStage0(const DeviceState& s, bool textured)
{
    Stage0Ops ops{s.stageState(D3DTSS_COLOROP),   s.stageState(D3DTSS_COLORARG1),
                  s.stageState(D3DTSS_COLORARG2), s.stageState(D3DTSS_ALPHAOP),
                  s.stageState(D3DTSS_ALPHAARG1), s.stageState(D3DTSS_ALPHAARG2)};
    if (ops.colorOp == D3DTOP_DISABLE)
        return {D3DTOP_SELECTARG1, D3DTA_CURRENT, D3DTA_CURRENT,
                D3DTOP_SELECTARG1, D3DTA_CURRENT, D3DTA_CURRENT};
    if (!textured && readsTexture(ops.colorOp, ops.colorArg1, ops.colorArg2)) {
        ops.colorOp = D3DTOP_SELECTARG1;
        ops.colorArg1 = D3DTA_CURRENT;
    }
    if (ops.alphaOp == D3DTOP_DISABLE ||
        (!textured && readsTexture(ops.alphaOp, ops.alphaArg1, ops.alphaArg2))) {
        ops.alphaOp = D3DTOP_SELECTARG1;
        ops.alphaArg1 = D3DTA_CURRENT;
    }
    return ops;
}

BlendFactors effectiveBlend(const DeviceState& s)
{
    const std::uint32_t source = s.renderState(D3DRS_SRCBLEND);
    if (source == D3DBLEND_BOTHSRCALPHA)
        return {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA};
    if (source == D3DBLEND_BOTHINVSRCALPHA)
        return {D3DBLEND_INVSRCALPHA, D3DBLEND_SRCALPHA};
    return {source, s.renderState(D3DRS_DESTBLEND)};
}

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

}  // namespace d3d
