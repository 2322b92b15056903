// A graphics runtime for tests: every call is recorded in order, and any
// operation can be told to fail. Devices keep Direct3D's state rules (they
// build on the real DeviceState), so tests can look at the resulting state.
#pragma once

#include <QImage>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "render/device_state.h"
#include "render/runtime.h"

namespace testing_support {

class ScriptedRuntime;

class RecordingDevice : public d3d::DeviceState {
public:
    RecordingDevice(ScriptedRuntime& runtime, d3d::D3DDEVTYPE deviceType,
                    const d3d::D3DPRESENT_PARAMETERS& presentParams)
        : runtime_(runtime), type(deviceType), params(presentParams)
    {
    }

    d3d::HRESULT SetTransform(d3d::D3DTRANSFORMSTATETYPE state, const d3d::D3DMATRIX& matrix) override;
    d3d::HRESULT SetLight(std::uint32_t index, const d3d::D3DLIGHT8& light) override;
    d3d::HRESULT LightEnable(std::uint32_t index, std::int32_t enable) override;
    d3d::HRESULT SetRenderState(d3d::D3DRENDERSTATETYPE state, std::uint32_t value) override;
    d3d::HRESULT SetMaterial(const d3d::D3DMATERIAL8& material) override;
    d3d::HRESULT SetTexture(std::uint32_t stage, d3d::TexturePtr texture) override;
    d3d::HRESULT SetTextureStageState(std::uint32_t stage, d3d::D3DTEXTURESTAGESTATETYPE state,
                                      std::uint32_t value) override;
    d3d::HRESULT Clear(std::uint32_t rectCount, const d3d::D3DRECT* rects, std::uint32_t flags,
                       d3d::D3DCOLOR color, float z, std::uint32_t stencil) override;
    d3d::HRESULT BeginScene() override;
    d3d::HRESULT EndScene() override;
    d3d::HRESULT Present(const d3d::D3DRECT*, const d3d::D3DRECT*, d3d::HWND window, const void*) override;
    d3d::HRESULT GetBackBufferImage(QImage& image) override;
    d3d::HRESULT GetDepthBuffer(std::vector<std::uint16_t>&, std::uint32_t&, std::uint32_t&) override;

    ScriptedRuntime& runtime_;
    d3d::D3DDEVTYPE type;
    d3d::D3DPRESENT_PARAMETERS params;

    struct ClearCall {
        std::uint32_t rectCount, flags;
        d3d::D3DCOLOR color;
        float z;
        std::uint32_t stencil;
    };
    std::vector<ClearCall> clears;
    std::vector<d3d::HWND> presents;
};

class RecordingMesh : public d3d::ID3DXMesh {
public:
    RecordingMesh(ScriptedRuntime& runtime, std::uint32_t faces, std::uint32_t vertices)
        : runtime_(runtime), faces_(faces), vertices_(vertices)
    {
    }
    d3d::HRESULT DrawSubset(std::uint32_t attribId) override;
    std::uint32_t GetNumFaces() const override;
    std::uint32_t GetNumVertices() const override;

private:
    ScriptedRuntime& runtime_;
    std::uint32_t faces_, vertices_;
};

class RecordingTexture : public d3d::IDirect3DTexture8 {
public:
    std::uint32_t GetLevelCount() const override { return 1; }
    std::uint32_t Width() const override { return 1; }
    std::uint32_t Height() const override { return 1; }
};

class ScriptedRuntime : public d3d::GraphicsRuntime {
public:
    // --- script -----------------------------------------------------------
    bool direct3DCreateFails = false;
    d3d::HRESULT displayModeResult = d3d::D3D_OK;
    d3d::D3DFORMAT displayFormat = d3d::D3DFMT_X8R8G8B8;
    // Results of successive CreateDevice attempts; D3D_OK once exhausted.
    std::deque<d3d::HRESULT> createDeviceResults;
    // The window nesting the parent query answers from; with
    // useWidgetParents the windows are real widgets and answer themselves.
    std::map<d3d::HWND, d3d::HWND> parents;
    bool useWidgetParents = false;
    // Operation name ("SetTransform", "Clear", "D3DXLoadMeshFromX", ...) → the
    // status it answers from now on.
    std::map<std::string, d3d::HRESULT> failures;
    std::uint32_t meshFaces = 12, meshVertices = 24;

    // --- record -------------------------------------------------------------
    std::vector<std::string> log;  // operation names in call order
    struct CreateDeviceCall {
        d3d::D3DDEVTYPE type;
        d3d::HWND focus;
        std::uint32_t flags;
        d3d::D3DPRESENT_PARAMETERS params;
    };
    std::vector<CreateDeviceCall> createCalls;
    std::vector<std::shared_ptr<RecordingDevice>> devices;  // every device made, in order
    std::vector<std::string> meshPaths, texturePaths;
    std::vector<std::uint32_t> drawnSubsets;  // attribute groups, in draw order
    int direct3DObjects = 0;

    std::shared_ptr<RecordingDevice> lastDevice() const { return devices.empty() ? nullptr : devices.back(); }
    // Number of calls of `op` recorded so far.
    int count(const std::string& op) const;
    d3d::HRESULT answer(const std::string& op);

    // --- runtime ---------------------------------------------------------------
    d3d::Direct3DPtr Direct3DCreate8() override;
    d3d::HWND GetParent(d3d::HWND window) override;
    d3d::HRESULT D3DXLoadMeshFromX(const std::string& path, std::uint32_t options,
                                   const d3d::DevicePtr& device, std::vector<std::uint32_t>* adjacency,
                                   std::vector<d3d::D3DXMATERIAL>* materials, std::uint32_t* materialCount,
                                   d3d::MeshPtr& mesh) override;
    d3d::HRESULT D3DXCreateTextureFromFile(const d3d::DevicePtr& device, const std::string& path,
                                           d3d::TexturePtr& texture) override;
};

}  // namespace testing_support
