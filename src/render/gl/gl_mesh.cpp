#include "render/gl/gl_mesh.h"

#include <QOpenGLFunctions_3_3_Core>
#include <cstring>
#include <limits>
#include <new>

#include "render/gl/gl_shaders.h"
#include "render/resource_checks.h"

namespace d3d::gl {

HRESULT GlMesh::create(const ContextPtr& context, const xfile::MeshData& data, MeshPtr& mesh)
{
    // Index counts are handed to OpenGL as signed 32-bit values.
    if (!meshDataWellFormed(data) || data.indices.size() > std::size_t(std::numeric_limits<GLsizei>::max()))
        return D3DERR_INVALIDCALL;
    QOpenGLFunctions_3_3_Core* gl = context->gl();
    auto made = std::make_shared<GlMesh>(context);
    made->layout_ = {!data.normals.empty(), !data.colors.empty(), !data.texcoords.empty()};
    made->vertices_ = data.vertexCount();
    made->faces_ = data.faceCount();

    // Interleaved: position, normal, ARGB colour, texture coordinate.
    const VertexLayout& layout = made->layout_;
    const std::size_t normalOffset = 12;
    const std::size_t colorOffset = normalOffset + (layout.normals ? 12 : 0);
    const std::size_t texcoordOffset = colorOffset + (layout.colors ? 4 : 0);
    const std::size_t stride = texcoordOffset + (layout.texcoords ? 8 : 0);
    std::vector<unsigned char> vertices;
    try {
        made->groups_ = attributeGroups(data);
        vertices.resize(stride * made->vertices_);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    for (std::size_t v = 0; v < made->vertices_; ++v) {
        unsigned char* out = vertices.data() + v * stride;
        std::memcpy(out, &data.positions[3 * v], 12);
        if (layout.normals)
            std::memcpy(out + normalOffset, &data.normals[3 * v], 12);
        if (layout.colors)
            std::memcpy(out + colorOffset, &data.colors[v], 4);
        if (layout.texcoords)
            std::memcpy(out + texcoordOffset, &data.texcoords[2 * v], 8);
    }

    while (gl->glGetError() != GL_NO_ERROR) {
    }
    gl->glGenVertexArrays(1, &made->vao_);
    gl->glGenBuffers(1, &made->vbo_);
    gl->glGenBuffers(1, &made->ibo_);
    gl->glBindVertexArray(made->vao_);
    gl->glBindBuffer(GL_ARRAY_BUFFER, made->vbo_);
    gl->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size()), vertices.data(), GL_STATIC_DRAW);
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, made->ibo_);
    gl->glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(data.indices.size() * sizeof(std::uint32_t)),
                     data.indices.data(), GL_STATIC_DRAW);
    const auto offset = [](std::size_t bytes) { return reinterpret_cast<const void*>(bytes); };
    gl->glEnableVertexAttribArray(kPositionSlot);
    gl->glVertexAttribPointer(kPositionSlot, 3, GL_FLOAT, GL_FALSE, GLsizei(stride), offset(0));
    if (layout.normals) {
        gl->glEnableVertexAttribArray(kNormalSlot);
        gl->glVertexAttribPointer(kNormalSlot, 3, GL_FLOAT, GL_FALSE, GLsizei(stride), offset(normalOffset));
    }
    if (layout.colors) {
        // A D3DCOLOR word read as BGRA bytes gives the colour in RGBA order.
        gl->glEnableVertexAttribArray(kColorSlot);
        gl->glVertexAttribPointer(kColorSlot, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, GLsizei(stride),
                                  offset(colorOffset));
    }
    if (layout.texcoords) {
        gl->glEnableVertexAttribArray(kTexcoordSlot);
        gl->glVertexAttribPointer(kTexcoordSlot, 2, GL_FLOAT, GL_FALSE, GLsizei(stride),
                                  offset(texcoordOffset));
    }
    gl->glBindVertexArray(0);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);

    const GLenum error = gl->glGetError();
    if (error != GL_NO_ERROR)
        return error == GL_OUT_OF_MEMORY ? D3DERR_OUTOFVIDEOMEMORY
                                         : D3DERR_INVALIDCALL;  // `made` frees the rest
    mesh = std::move(made);
    return D3D_OK;
}

GlMesh::GlMesh(ContextPtr context) : context_(std::move(context)) {}

GlMesh::~GlMesh()
{
    if (!context_->makeCurrent())
        return;
    QOpenGLFunctions_3_3_Core* gl = context_->gl();
    if (vao_)
        gl->glDeleteVertexArrays(1, &vao_);
    if (vbo_)
        gl->glDeleteBuffers(1, &vbo_);
    if (ibo_)
        gl->glDeleteBuffers(1, &ibo_);
}

HRESULT GlMesh::DrawSubset(std::uint32_t attribId)
{
    // A mesh whose device has gone has no scene to draw into.
    DrawTarget* target = context_->drawTarget();
    if (!target)
        return D3DERR_INVALIDCALL;
    if (const HRESULT hr = target->prepareDraw(layout_); FAILED(hr))
        return hr;
    for (const xfile::MeshData::Group& g : groups_) {
        if (g.attribute != attribId || g.faceCount == 0)
            continue;
        QOpenGLFunctions_3_3_Core* gl = context_->gl();
        gl->glBindVertexArray(vao_);
        gl->glDrawElements(
            GL_TRIANGLES, GLsizei(g.faceCount * 3), GL_UNSIGNED_INT,
            reinterpret_cast<const void*>(std::size_t(g.faceStart) * 3 * sizeof(std::uint32_t)));
        gl->glBindVertexArray(0);
    }
    return D3D_OK;
}

}  // namespace d3d::gl
