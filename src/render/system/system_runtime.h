// The runtime the program draws with: a Direct3D object whose hardware device
// is OpenGL and whose reference device is our own rasteriser, the .x and
// texture loaders, and the parent query over Qt's widget nesting.
#pragma once

#include <string>

#include "render/runtime.h"

namespace d3d {

class SystemRuntime : public GraphicsRuntime {
public:
    Direct3DPtr Direct3DCreate8() override;
    HWND GetParent(HWND window) override;
    HRESULT D3DXLoadMeshFromX(const std::string& path, std::uint32_t options, const DevicePtr& device,
                              std::vector<std::uint32_t>* adjacency, std::vector<D3DXMATERIAL>* materials,
                              std::uint32_t* materialCount, MeshPtr& mesh) override;
    HRESULT D3DXCreateTextureFromFile(const DevicePtr& device, const std::string& path,
                                      TexturePtr& texture) override;
    std::string lastFailureDetail() const override { return lastFailure_; }

private:
    std::string lastFailure_;
};

}  // namespace d3d
