// The state every device keeps between draws: transforms, lights, material,
// render and texture-stage states, with Direct3D 8's defaults for a new device.
// The hardware and the reference device both build on it, so the two accept
// and reject exactly the same calls.
#pragma once

#include <array>
#include <cstdint>

#include "render/runtime.h"

namespace d3d {

// Lights a device can hold (Direct3D's limit is the driver's; 8 is the usual
// fixed-function count and all the viewer needs).
constexpr std::uint32_t kMaxLights = 8;

struct LightSlot {
    D3DLIGHT8 light{};
    bool defined = false;
    bool enabled = false;
};

class DeviceState : public IDirect3DDevice8 {
public:
    DeviceState();

    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX& matrix) override;
    HRESULT SetLight(std::uint32_t index, const D3DLIGHT8& light) override;
    HRESULT LightEnable(std::uint32_t index, std::int32_t enable) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, std::uint32_t value) override;
    HRESULT SetMaterial(const D3DMATERIAL8& material) override;
    HRESULT SetTexture(std::uint32_t stage, TexturePtr texture) override;
    HRESULT SetTextureStageState(std::uint32_t stage, D3DTEXTURESTAGESTATETYPE type,
                                 std::uint32_t value) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;

    const D3DMATRIX& world() const { return world_; }
    const D3DMATRIX& view() const { return view_; }
    const D3DMATRIX& projection() const { return projection_; }
    const std::array<LightSlot, kMaxLights>& lights() const { return lights_; }
    std::uint32_t renderState(D3DRENDERSTATETYPE state) const { return renderStates_[state]; }
    std::uint32_t stageState(D3DTEXTURESTAGESTATETYPE type) const { return stage0_[type]; }
    const D3DMATERIAL8& material() const { return material_; }
    const TexturePtr& texture() const { return texture_; }
    bool inScene() const { return inScene_; }

protected:
    // Whether `texture` was made on this device: a texture of another device
    // (or of an earlier device on the same window) cannot be bound.
    virtual bool madeHere(const IDirect3DTexture8& texture) const
    {
        static_cast<void>(texture);
        return true;
    }

private:
    D3DMATRIX world_, view_, projection_;
    std::array<LightSlot, kMaxLights> lights_{};
    std::array<std::uint32_t, D3DRS_COUNT> renderStates_{};
    std::array<std::uint32_t, D3DTSS_COUNT> stage0_{};
    D3DMATERIAL8 material_{};
    TexturePtr texture_;
    bool inScene_ = false;
};

}  // namespace d3d
