// The one material of the whole model, the optional texture on stage 0, the
// fill mode, alpha blending and specular highlights. Everything is set on the
// new device of this Run; what is not set keeps that device's default.
#include "render/status.h"
#include "viewer/checked_math.h"
#include "viewer/scene.h"

namespace viewer {

void Scene::SetupMaterial()
{
    d3d::D3DMATERIAL8 material{};
    if (controls_.Check(3) == 0)
        material.Ambient = {float(controls_.CheckArray(6, 0)), float(controls_.CheckArray(6, 1)),
                            float(controls_.CheckArray(6, 2)), 1.0f};
    else
        material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Diffuse = {1.0f, 1.0f, 1.0f, divideToFloat(controls_.HScroll(8), 100.0)};
    material.Specular = {divideToFloat(controls_.HScroll(9), 100.0),
                         divideToFloat(controls_.HScroll(9), 100.0),
                         divideToFloat(controls_.HScroll(9), 100.0), 1.0f};
    d3d::IDirect3DDevice8& device = *module_.Device;
    d3d::check(device.SetMaterial(material), "SetMaterial");

    if (controls_.Check(3) == 1) {
        const QString path = ResolveAssetPath(controls_.Text2());
        d3d::TexturePtr texture;
        // The cause is read once the call has set it, not among its arguments.
        const d3d::HRESULT loaded =
            module_.runtime().D3DXCreateTextureFromFile(module_.Device, path.toStdString(), texture);
        d3d::check(loaded, "D3DXCreateTextureFromFile", module_.runtime().lastFailureDetail());
        d3d::check(device.SetTexture(0, texture), "SetTexture");
        d3d::check(device.SetTextureStageState(0, d3d::D3DTSS_ADDRESSU, d3d::D3DTADDRESS_CLAMP),
                   "SetTextureStageState (D3DTSS_ADDRESSU)");
        d3d::check(device.SetTextureStageState(0, d3d::D3DTSS_ADDRESSV, d3d::D3DTADDRESS_CLAMP),
                   "SetTextureStageState (D3DTSS_ADDRESSV)");
        d3d::check(device.SetTextureStageState(0, d3d::D3DTSS_MAGFILTER, d3d::D3DTEXF_GAUSSIANCUBIC),
                   "SetTextureStageState (D3DTSS_MAGFILTER)");
    }

    if (controls_.Check(7) != 0)
        d3d::check(device.SetRenderState(d3d::D3DRS_FILLMODE, d3d::D3DFILL_WIREFRAME),
                   "SetRenderState (D3DRS_FILLMODE)");
    d3d::check(device.SetRenderState(d3d::D3DRS_ALPHABLENDENABLE, 1),
               "SetRenderState (D3DRS_ALPHABLENDENABLE)");
    d3d::check(device.SetRenderState(d3d::D3DRS_SRCBLEND, d3d::D3DBLEND_SRCALPHA),
               "SetRenderState (D3DRS_SRCBLEND)");
    d3d::check(device.SetRenderState(d3d::D3DRS_DESTBLEND, d3d::D3DBLEND_INVSRCALPHA),
               "SetRenderState (D3DRS_DESTBLEND)");
    d3d::check(device.SetRenderState(d3d::D3DRS_SPECULARENABLE, 1), "SetRenderState (D3DRS_SPECULARENABLE)");
}

}  // namespace viewer
