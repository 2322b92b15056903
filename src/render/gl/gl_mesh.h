// A mesh on the hardware device: one interleaved vertex buffer, one 32-bit
// index buffer with faces grouped by attribute, and the vertex array that
// describes them. DrawSubset asks the device to set up its current states,
// then draws one attribute group's faces.
#pragma once

#include <QtGui/qopengl.h>
#include <vector>

#include "render/gl/gl_context.h"
#include "render/runtime.h"
#include "xfile/mesh_data.h"

namespace d3d::gl {

class GlMesh final : public ID3DXMesh {
public:
    // Builds the buffers in `context`, which must be current.
    // D3DERR_INVALIDCALL for data that is not a well-formed triangle list
    // (counts that disagree, indices past the last vertex, groups outside the
    // faces), E_OUTOFMEMORY / D3DERR_OUTOFVIDEOMEMORY when it cannot be held.
    static HRESULT create(const ContextPtr& context, const xfile::MeshData& data, MeshPtr& mesh);

    explicit GlMesh(ContextPtr context);
    ~GlMesh() override;
    GlMesh(const GlMesh&) = delete;
    GlMesh& operator=(const GlMesh&) = delete;

    HRESULT DrawSubset(std::uint32_t attribId) override;
    std::uint32_t GetNumFaces() const override { return faces_; }
    std::uint32_t GetNumVertices() const override { return vertices_; }

private:
    ContextPtr context_;
    GLuint vao_ = 0, vbo_ = 0, ibo_ = 0;
    VertexLayout layout_;
    std::uint32_t faces_ = 0, vertices_ = 0;
    std::vector<xfile::MeshData::Group> groups_;
};

}  // namespace d3d::gl
