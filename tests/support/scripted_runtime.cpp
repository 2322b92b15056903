#include "scripted_runtime.h"

#include <QWidget>
#include <algorithm>

namespace testing_support {
namespace {

class ScriptedDirect3D : public d3d::IDirect3D8 {
public:
    explicit ScriptedDirect3D(ScriptedRuntime& runtime) : runtime_(runtime) {}

    // One adapter, as on the machines the program meets: any other number
    // is refused, as the system runtime refuses it.
    d3d::HRESULT GetAdapterDisplayMode(std::uint32_t adapter, d3d::D3DDISPLAYMODE& mode) override
    {
        runtime_.log.push_back("GetAdapterDisplayMode");
        if (adapter != d3d::D3DADAPTER_DEFAULT)
            return d3d::D3DERR_INVALIDCALL;
        if (d3d::FAILED(runtime_.displayModeResult))
            return runtime_.displayModeResult;
        mode = {505, 499, 60, runtime_.displayFormat};
        return d3d::D3D_OK;
    }

    d3d::HRESULT CreateDevice(std::uint32_t adapter, d3d::D3DDEVTYPE type, d3d::HWND focus,
                              std::uint32_t flags, d3d::D3DPRESENT_PARAMETERS& params,
                              d3d::DevicePtr& device) override
    {
        runtime_.log.push_back("CreateDevice");
        runtime_.createCalls.push_back({type, focus, flags, params});
        if (adapter != d3d::D3DADAPTER_DEFAULT)
            return d3d::D3DERR_INVALIDCALL;
        d3d::HRESULT hr = d3d::D3D_OK;
        if (!runtime_.createDeviceResults.empty()) {
            hr = runtime_.createDeviceResults.front();
            runtime_.createDeviceResults.pop_front();
        }
        if (d3d::FAILED(hr))
            return hr;
        auto created = std::make_shared<RecordingDevice>(runtime_, type, params);
        runtime_.devices.push_back(created);
        device = created;
        return d3d::D3D_OK;
    }

private:
    ScriptedRuntime& runtime_;
};

}  // namespace

int ScriptedRuntime::count(const std::string& op) const
{
    return int(std::count(log.begin(), log.end(), op));
}

d3d::HRESULT ScriptedRuntime::answer(const std::string& op)
{
    log.push_back(op);
    auto it = failures.find(op);
    return it == failures.end() ? d3d::D3D_OK : it->second;
}

d3d::Direct3DPtr ScriptedRuntime::Direct3DCreate8()
{
    log.push_back("Direct3DCreate8");
    if (direct3DCreateFails)
        return nullptr;
    ++direct3DObjects;
    return std::make_shared<ScriptedDirect3D>(*this);
}

d3d::HWND ScriptedRuntime::GetParent(d3d::HWND window)
{
    if (useWidgetParents)
        return window ? window->parentWidget() : nullptr;
    auto it = parents.find(window);
    return it == parents.end() ? nullptr : it->second;
}

d3d::HRESULT ScriptedRuntime::D3DXLoadMeshFromX(const std::string& path, std::uint32_t, const d3d::DevicePtr&,
                                                std::vector<std::uint32_t>*, std::vector<d3d::D3DXMATERIAL>*,
                                                std::uint32_t*, d3d::MeshPtr& mesh)
{
    meshPaths.push_back(path);
    if (d3d::HRESULT hr = answer("D3DXLoadMeshFromX"); d3d::FAILED(hr))
        return hr;
    mesh = std::make_shared<RecordingMesh>(*this, meshFaces, meshVertices);
    return d3d::D3D_OK;
}

d3d::HRESULT ScriptedRuntime::D3DXCreateTextureFromFile(const d3d::DevicePtr&, const std::string& path,
                                                        d3d::TexturePtr& texture)
{
    texturePaths.push_back(path);
    if (d3d::HRESULT hr = answer("D3DXCreateTextureFromFile"); d3d::FAILED(hr))
        return hr;
    texture = std::make_shared<RecordingTexture>();
    return d3d::D3D_OK;
}

// Each device operation is recorded, answers as scripted, and on success
// updates the device state as a real device would.
#define RECORD_THEN(op, call)                                                                                \
    if (d3d::HRESULT hr = runtime_.answer(op); d3d::FAILED(hr))                                              \
        return hr;                                                                                           \
    return call

d3d::HRESULT RecordingDevice::SetTransform(d3d::D3DTRANSFORMSTATETYPE state, const d3d::D3DMATRIX& matrix)
{
    RECORD_THEN("SetTransform", DeviceState::SetTransform(state, matrix));
}
d3d::HRESULT RecordingDevice::SetLight(std::uint32_t index, const d3d::D3DLIGHT8& light)
{
    RECORD_THEN("SetLight", DeviceState::SetLight(index, light));
}
d3d::HRESULT RecordingDevice::LightEnable(std::uint32_t index, std::int32_t enable)
{
    RECORD_THEN("LightEnable", DeviceState::LightEnable(index, enable));
}
d3d::HRESULT RecordingDevice::SetRenderState(d3d::D3DRENDERSTATETYPE state, std::uint32_t value)
{
    RECORD_THEN("SetRenderState", DeviceState::SetRenderState(state, value));
}
d3d::HRESULT RecordingDevice::SetMaterial(const d3d::D3DMATERIAL8& material)
{
    RECORD_THEN("SetMaterial", DeviceState::SetMaterial(material));
}
d3d::HRESULT RecordingDevice::SetTexture(std::uint32_t stage, d3d::TexturePtr texture)
{
    RECORD_THEN("SetTexture", DeviceState::SetTexture(stage, std::move(texture)));
}
d3d::HRESULT RecordingDevice::SetTextureStageState(std::uint32_t stage, d3d::D3DTEXTURESTAGESTATETYPE state,
                                                   std::uint32_t value)
{
    RECORD_THEN("SetTextureStageState", DeviceState::SetTextureStageState(stage, state, value));
}
d3d::HRESULT RecordingDevice::BeginScene() { RECORD_THEN("BeginScene", DeviceState::BeginScene()); }
d3d::HRESULT RecordingDevice::EndScene() { RECORD_THEN("EndScene", DeviceState::EndScene()); }
#undef RECORD_THEN

d3d::HRESULT RecordingDevice::Clear(std::uint32_t rectCount, const d3d::D3DRECT*, std::uint32_t flags,
                                    d3d::D3DCOLOR color, float z, std::uint32_t stencil)
{
    if (d3d::HRESULT hr = runtime_.answer("Clear"); d3d::FAILED(hr))
        return hr;
    clears.push_back({rectCount, flags, color, z, stencil});
    return d3d::D3D_OK;
}

d3d::HRESULT RecordingDevice::Present(const d3d::D3DRECT*, const d3d::D3DRECT*, d3d::HWND window, const void*)
{
    if (d3d::HRESULT hr = runtime_.answer("Present"); d3d::FAILED(hr))
        return hr;
    presents.push_back(window);
    return d3d::D3D_OK;
}

d3d::HRESULT RecordingDevice::GetBackBufferImage(QImage& image)
{
    image = QImage(1, 1, QImage::Format_RGB32);
    image.fill(Qt::black);
    return d3d::D3D_OK;
}

d3d::HRESULT RecordingDevice::GetDepthBuffer(std::vector<std::uint16_t>& depth, std::uint32_t& w,
                                             std::uint32_t& h)
{
    depth.assign(1, 0xFFFF);
    w = h = 1;
    return d3d::D3D_OK;
}

d3d::HRESULT RecordingMesh::DrawSubset(std::uint32_t attribId)
{
    runtime_.drawnSubsets.push_back(attribId);
    return runtime_.answer("DrawSubset");
}

std::uint32_t RecordingMesh::GetNumFaces() const
{
    runtime_.log.push_back("GetNumFaces");
    return faces_;
}

std::uint32_t RecordingMesh::GetNumVertices() const
{
    runtime_.log.push_back("GetNumVertices");
    return vertices_;
}

}  // namespace testing_support
