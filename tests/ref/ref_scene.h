// Small scenes for the reference device's tests: an off-screen device, meshes
// given in screen pixels or in clip space, and pixel read-back.
#pragma once

#include <QImage>
#include <cmath>
#include <cstdint>
#include <vector>

#include "render/d3dx_math.h"
#include "render/ref/ref_device.h"
#include "render/resource_factory.h"
#include "xfile/mesh_data.h"

namespace reftest {

using namespace d3d;

// An off-screen reference device of width × height with `threads` bands.
inline DevicePtr makeDevice(int width, int height, unsigned threads = 1)
{
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = std::uint32_t(width);
    params.BackBufferHeight = std::uint32_t(height);
    params.BackBufferFormat = D3DFMT_X8R8G8B8;
    params.Windowed = 1;
    params.EnableAutoDepthStencil = 1;
    params.AutoDepthStencilFormat = D3DFMT_D16;
    DevicePtr device;
    if (FAILED(ref::createDevice(nullptr, params, device, threads)))
        return nullptr;
    return device;
}

inline ResourceFactory& factory(const DevicePtr& device)
{
    return *dynamic_cast<ResourceFactory*>(device.get());
}

// A vertex position (clip space under identity transforms) with an ARGB colour.
struct V {
    float x, y, z;
    std::uint32_t color = 0xFFFFFFFF;
};

// Clip-space x, y of the screen point (sx, sy) on a width × height target,
// for identity transforms.
inline float clipX(double sx, int width) { return float(sx / (width / 2.0) - 1.0); }
inline float clipY(double sy, int height) { return float(1.0 - sy / (height / 2.0)); }

// A triangle list of coloured vertices, one attribute group, unlit.
inline xfile::MeshData coloredMesh(const std::vector<V>& vertices, const std::vector<std::uint32_t>& indices)
{
    xfile::MeshData d;
    for (const V& v : vertices) {
        d.positions.insert(d.positions.end(), {v.x, v.y, v.z});
        d.colors.push_back(v.color);
    }
    d.indices = indices;
    d.attributes.assign(indices.size() / 3, 0);
    d.groups.push_back({0, 0, std::uint32_t(indices.size() / 3)});
    return d;
}

inline MeshPtr makeMesh(const DevicePtr& device, const xfile::MeshData& data)
{
    MeshPtr mesh;
    if (FAILED(factory(device).CreateMeshFromData(data, mesh)))
        return nullptr;
    return mesh;
}

// Draws `mesh` group 0 in a scene; returns the status of DrawSubset.
inline HRESULT drawInScene(const DevicePtr& device, const MeshPtr& mesh, std::uint32_t group = 0)
{
    device->BeginScene();
    const HRESULT hr = mesh->DrawSubset(group);
    device->EndScene();
    return hr;
}

inline void unlit(const DevicePtr& device)
{
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
}

inline void additive(const DevicePtr& device)
{
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
}

inline QImage frame(const DevicePtr& device)
{
    QImage image;
    device->GetBackBufferImage(image);
    return image;
}

// The RGB of pixel (x, y), without the opaque top byte.
inline std::uint32_t rgb(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }

}  // namespace reftest
