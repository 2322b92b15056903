#include "render/ref/ref_mesh.h"

#include <algorithm>
#include <limits>
#include <new>

namespace d3d::ref {
namespace {

bool wellFormed(const xfile::MeshData& d)
{
    const std::size_t n = d.positions.size() / 3;
    if (n == 0 || d.positions.size() % 3 != 0 || n > std::numeric_limits<std::uint32_t>::max())
        return false;
    if ((!d.normals.empty() && d.normals.size() != 3 * n) || (!d.texcoords.empty() && d.texcoords.size() != 2 * n) ||
        (!d.colors.empty() && d.colors.size() != n))
        return false;
    const std::size_t faces = d.indices.size() / 3;
    if (faces == 0 || d.indices.size() % 3 != 0 || faces > std::numeric_limits<std::uint32_t>::max())
        return false;
    for (std::uint32_t index : d.indices)
        if (index >= n)
            return false;
    for (const xfile::MeshData::Group& g : d.groups)
        if (std::uint64_t(g.faceStart) + g.faceCount > faces)
            return false;
    return true;
}

// Data made without a group table: runs of equal attribute ids, or every
// face in group 0 when there are no ids either.
std::vector<MeshGroup> groupsOf(const xfile::MeshData& d)
{
    std::vector<MeshGroup> groups;
    const std::uint32_t faces = d.faceCount();
    if (!d.groups.empty()) {
        for (const xfile::MeshData::Group& g : d.groups)
            groups.push_back({g.attribute, g.faceStart, g.faceCount, {}});
    } else if (d.attributes.size() != faces) {
        groups.push_back({0, 0, faces, {}});
    } else {
        for (std::uint32_t f = 0; f < faces; ++f) {
            if (groups.empty() || groups.back().attribute != d.attributes[f])
                groups.push_back({d.attributes[f], f, 0, {}});
            ++groups.back().faceCount;
        }
    }
    return groups;
}

}  // namespace

HRESULT RefMesh::create(DeviceLinkPtr device, const xfile::MeshData& data, MeshPtr& mesh)
{
    if (!wellFormed(data))
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
