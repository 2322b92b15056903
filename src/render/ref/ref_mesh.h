// Meshes of the reference device: a copy of the loaded vertices and indices
// in host memory, with the faces grouped by attribute id.
#pragma once

#include <cstdint>
#include <vector>

#include "render/ref/ref_link.h"
#include "render/ref/ref_vertex.h"
#include "render/runtime.h"
#include "xfile/mesh_data.h"

namespace d3d::ref {

struct MeshGroup {
    std::uint32_t attribute = 0;
    std::uint32_t faceStart = 0;
    std::uint32_t faceCount = 0;
    std::vector<std::uint32_t> vertices;  // every vertex the group's faces use, once, ascending
};

struct MeshGeometry {
    VertexLayout layout;
    std::uint32_t vertexCount = 0;
    std::vector<float> positions;        // 3 per vertex
    std::vector<float> normals;          // 3 per vertex when layout.normals
    std::vector<float> texcoords;        // 2 per vertex when layout.texcoords
    std::vector<std::uint32_t> colors;   // ARGB per vertex when layout.colors
    std::vector<std::uint32_t> indices;  // 3 per face, each below vertexCount
    std::vector<MeshGroup> groups;
};

class RefMesh final : public ID3DXMesh {
public:
    // Copies `data`. D3DERR_INVALIDCALL for data that is not a mesh (no
    // faces, component counts that disagree, an index past the vertices, a
    // group past the faces); E_OUTOFMEMORY when the copy cannot be held.
    static HRESULT create(DeviceLinkPtr device, const xfile::MeshData& data, MeshPtr& mesh);

    HRESULT DrawSubset(std::uint32_t attribId) override;
    std::uint32_t GetNumFaces() const override { return std::uint32_t(geometry_.indices.size() / 3); }
    std::uint32_t GetNumVertices() const override { return geometry_.vertexCount; }

    const MeshGeometry& geometry() const { return geometry_; }

private:
    RefMesh() = default;
    DeviceLinkPtr device_;
    MeshGeometry geometry_;
};

}  // namespace d3d::ref
