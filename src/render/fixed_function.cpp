#include "render/fixed_function.h"

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

}  // namespace d3d
