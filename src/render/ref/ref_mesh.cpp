#include "render/ref/ref_mesh.h"

#include <algorithm>
#include <limits>
#include <new>

#include "render/resource_checks.h"

namespace d3d::ref {
namespace {

// The mesh's attribute groups, each to be given the vertices its faces use.
std::vector<MeshGroup> groupsOf(const xfile::MeshData& d)
{
    std::vector<MeshGroup> groups;
    for (const xfile::MeshData::Group& g : attributeGroups(d))
        groups.push_back({g.attribute, g.faceStart, g.faceCount, {}});
    return groups;
}

}  // namespace

HRESULT RefMesh::create(DeviceLinkPtr device, const xfile::MeshData& data, MeshPtr& mesh)
{
    if (!meshDataWellFormed(data))
        return D3DERR_INVALIDCALL;
    std::shared_ptr<RefMesh> made(new (std::nothrow) RefMesh);
    if (!made)
        return E_OUTOFMEMORY;
    made->device_ = std::move(device);
    MeshGeometry& g = made->geometry_;
    try {
        g.layout = {!data.normals.empty(), !data.colors.empty(), !data.texcoords.empty()};
        g.vertexCount = data.vertexCount();
        g.positions = data.positions;
        g.normals = data.normals;
        g.texcoords = data.texcoords;
        g.colors = data.colors;
        g.indices = data.indices;
        g.groups = groupsOf(data);
        // Each group lights only the vertices its faces use.
        std::vector<std::uint32_t> seenIn(g.vertexCount, 0);
        std::uint32_t stamp = 0;
        for (MeshGroup& group : g.groups) {
            ++stamp;
            const std::size_t begin = std::size_t(group.faceStart) * 3;
            const std::size_t end = begin + std::size_t(group.faceCount) * 3;
            for (std::size_t i = begin; i < end; ++i) {
                const std::uint32_t v = g.indices[i];
                if (seenIn[v] != stamp) {
                    seenIn[v] = stamp;
                    group.vertices.push_back(v);
                }
            }
            std::sort(group.vertices.begin(), group.vertices.end());
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    mesh = std::move(made);
    return D3D_OK;
}

HRESULT RefMesh::DrawSubset(std::uint32_t attribId)
{
    // A mesh whose device has gone has no scene to draw into.
    MeshDrawer* drawer = device_ ? device_->drawer : nullptr;
    if (!drawer)
        return D3DERR_INVALIDCALL;
    if (const HRESULT hr = drawer->prepareDraw(); FAILED(hr))
        return hr;
    for (const MeshGroup& group : geometry_.groups) {
        if (group.attribute != attribId || group.faceCount == 0)
            continue;
        if (const HRESULT hr = drawer->drawGroup(geometry_, group); FAILED(hr))
            return hr;
    }
    return D3D_OK;
}

}  // namespace d3d::ref
