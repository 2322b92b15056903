// The graphics runtime the viewer draws with: Direct3D 8's object, device,
// mesh and texture, and D3DX's loaders, as C++ interfaces with the operation
// names the viewer calls. Objects are reference counted with shared_ptr: an
// object is released when its last reference goes, as COM objects are.
//
// Every operation returns a status (negative is failure) except the counts.
// The runtime itself never throws; callers turn failures into run-time errors.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "render/d3d8_types.h"

class QImage;

namespace d3d {

class IDirect3DTexture8 {
public:
    virtual ~IDirect3DTexture8() = default;
    virtual std::uint32_t GetLevelCount() const = 0;
    virtual std::uint32_t Width() const = 0;
    virtual std::uint32_t Height() const = 0;
};
using TexturePtr = std::shared_ptr<IDirect3DTexture8>;

class ID3DXMesh {
public:
    virtual ~ID3DXMesh() = default;
    // Draws the faces whose attribute id is attribId with the device's current
    // states. A group with no faces draws nothing and succeeds.
    virtual HRESULT DrawSubset(std::uint32_t attribId) = 0;
    virtual std::uint32_t GetNumFaces() const = 0;
    virtual std::uint32_t GetNumVertices() const = 0;
};
using MeshPtr = std::shared_ptr<ID3DXMesh>;

class IDirect3DDevice8 {
public:
    virtual ~IDirect3DDevice8() = default;

    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX& matrix) = 0;
    virtual HRESULT SetLight(std::uint32_t index, const D3DLIGHT8& light) = 0;
    virtual HRESULT LightEnable(std::uint32_t index, std::int32_t enable) = 0;
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, std::uint32_t value) = 0;
    virtual HRESULT SetMaterial(const D3DMATERIAL8& material) = 0;
    virtual HRESULT SetTexture(std::uint32_t stage, TexturePtr texture) = 0;
    virtual HRESULT SetTextureStageState(std::uint32_t stage, D3DTEXTURESTAGESTATETYPE type,
                                         std::uint32_t value) = 0;

    // Clears the whole target (rectCount 0) or the listed rectangles.
    virtual HRESULT Clear(std::uint32_t rectCount, const D3DRECT* rects, std::uint32_t flags, D3DCOLOR color,
                          float z, std::uint32_t stencil) = 0;
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    // Shows the whole back buffer in the client area of destWindow, or of the
    // device window when destWindow is null. Rectangles and dirty regions are
    // not supported: pass null.
    virtual HRESULT Present(const D3DRECT* sourceRect, const D3DRECT* destRect, HWND destWindow,
                            const void* dirtyRegion) = 0;

    // Reads back the back buffer as an opaque 32-bit image (for rendering to a
    // file and for tests), and the depth buffer as 16-bit values, row by row
    // from the top. Not part of Direct3D's device; its lockable surfaces serve
    // the same purpose there.
    virtual HRESULT GetBackBufferImage(QImage& image) = 0;
    virtual HRESULT GetDepthBuffer(std::vector<std::uint16_t>& depth, std::uint32_t& width,
                                   std::uint32_t& height) = 0;
};
using DevicePtr = std::shared_ptr<IDirect3DDevice8>;

class IDirect3D8 {
public:
    virtual ~IDirect3D8() = default;
    virtual HRESULT GetAdapterDisplayMode(std::uint32_t adapter, D3DDISPLAYMODE& mode) = 0;
    // On success `device` holds the new device; on failure it is left as it was.
    virtual HRESULT CreateDevice(std::uint32_t adapter, D3DDEVTYPE type, HWND focusWindow,
                                 std::uint32_t behaviorFlags, D3DPRESENT_PARAMETERS& params,
                                 DevicePtr& device) = 0;
};
using Direct3DPtr = std::shared_ptr<IDirect3D8>;

// What D3DXLoadMeshFromX hands back besides the mesh; the viewer drops it.
struct D3DXMATERIAL {
    D3DMATERIAL8 MatD3D;
    std::string TextureFilename;
};

// The runtime's entry points: the root object's Direct3DCreate8, the D3DX
// loaders and the window manager's parent query. A runtime is replaceable, so
// tests can script what each operation answers.
class GraphicsRuntime {
public:
    virtual ~GraphicsRuntime() = default;

    // A new Direct3D object, or null when none can be made.
    virtual Direct3DPtr Direct3DCreate8() = 0;

    // The window that contains `window`, or null for a top-level window.
    virtual HWND GetParent(HWND window) = 0;

    virtual HRESULT D3DXLoadMeshFromX(const std::string& path, std::uint32_t options, const DevicePtr& device,
                                      std::vector<std::uint32_t>* adjacency,
                                      std::vector<D3DXMATERIAL>* materials, std::uint32_t* materialCount,
                                      MeshPtr& mesh) = 0;

    virtual HRESULT D3DXCreateTextureFromFile(const DevicePtr& device, const std::string& path,
                                              TexturePtr& texture) = 0;

    // Why the latest failing call of this runtime failed, in words (a file name
    // and the cause), or empty. Run-time error messages show it.
    virtual std::string lastFailureDetail() const { return {}; }
};

}  // namespace d3d
