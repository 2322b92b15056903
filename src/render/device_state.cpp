#include "render/device_state.h"

#include "render/d3dx_math.h"

namespace d3d {

DeviceState::DeviceState()
    : world_(D3DXMatrixIdentity()), view_(D3DXMatrixIdentity()), projection_(D3DXMatrixIdentity())
{
    // Direct3D 8's render-state defaults for a device with an automatic depth buffer.
    auto& rs = renderStates_;
    rs[D3DRS_ZENABLE] = D3DZB_TRUE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = 1;
    rs[D3DRS_ALPHATESTENABLE] = 0;
    rs[D3DRS_LASTPIXEL] = 1;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_ALPHABLENDENABLE] = 0;
    rs[D3DRS_SPECULARENABLE] = 0;
    rs[D3DRS_LIGHTING] = 1;
    rs[D3DRS_AMBIENT] = 0;
    rs[D3DRS_COLORVERTEX] = 1;
    rs[D3DRS_LOCALVIEWER] = 1;
    rs[D3DRS_NORMALIZENORMALS] = 0;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;

    // Texture stage 0: texture × diffuse, alpha from the texture, wrap, point sampling.
    auto& ts = stage0_;
    ts[D3DTSS_COLOROP] = D3DTOP_MODULATE;
    ts[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    ts[D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
    ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    ts[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
    ts[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
    ts[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
    ts[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
    ts[D3DTSS_MINFILTER] = D3DTEXF_POINT;
    ts[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
}

HRESULT DeviceState::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX& matrix)
{
    switch (state) {
    case D3DTS_WORLD:
        world_ = matrix;
        return D3D_OK;
    case D3DTS_VIEW:
        view_ = matrix;
        return D3D_OK;
    case D3DTS_PROJECTION:
        projection_ = matrix;
        return D3D_OK;
    }
    return D3DERR_INVALIDCALL;
}

HRESULT DeviceState::SetLight(std::uint32_t index, const D3DLIGHT8& light)
{
    if (index >= kMaxLights)
        return D3DERR_INVALIDCALL;
    if (light.Type < D3DLIGHT_POINT || light.Type > D3DLIGHT_DIRECTIONAL)
        return D3DERR_INVALIDCALL;
    lights_[index].light = light;
    lights_[index].defined = true;
    return D3D_OK;
}

HRESULT DeviceState::LightEnable(std::uint32_t index, std::int32_t enable)
{
    if (index >= kMaxLights)
        return D3DERR_INVALIDCALL;
    // Enabling a light that was never set gives Direct3D's default light: a
    // white directional light along +z.
    if (!lights_[index].defined) {
        D3DLIGHT8 def{};
        def.Type = D3DLIGHT_DIRECTIONAL;
        def.Diffuse = {1, 1, 1, 0};
        def.Direction = {0, 0, 1};
        lights_[index].light = def;
        lights_[index].defined = true;
    }
    lights_[index].enabled = enable != 0;
    return D3D_OK;
}

HRESULT DeviceState::SetRenderState(D3DRENDERSTATETYPE state, std::uint32_t value)
{
    if (state >= D3DRS_COUNT)
        return D3DERR_INVALIDCALL;
    renderStates_[state] = value;
    return D3D_OK;
}

HRESULT DeviceState::SetMaterial(const D3DMATERIAL8& material)
{
    material_ = material;
    return D3D_OK;
}

HRESULT DeviceState::SetTexture(std::uint32_t stage, TexturePtr texture)
{
    // Only stage 0 is sampled; the others may be cleared but not bound.
    if (stage >= 8 || (stage > 0 && texture))
        return D3DERR_INVALIDCALL;
    if (texture && !madeHere(*texture))
        return D3DERR_INVALIDCALL;
    if (stage == 0)
        texture_ = std::move(texture);
    return D3D_OK;
}

HRESULT DeviceState::SetTextureStageState(std::uint32_t stage, D3DTEXTURESTAGESTATETYPE type,
                                          std::uint32_t value)
{
    if (stage >= 8 || type >= D3DTSS_COUNT)
        return D3DERR_INVALIDCALL;
    if (stage == 0)
        stage0_[type] = value;
    return D3D_OK;
}

HRESULT DeviceState::BeginScene()
{
    if (inScene_)
        return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT DeviceState::EndScene()
{
    if (!inScene_)
        return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

}  // namespace d3d
