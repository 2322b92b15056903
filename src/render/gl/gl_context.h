// The OpenGL context a hardware device draws with, shared by the device and
// every mesh and texture made on it. Each of them keeps the holder alive, so
// the context outlives the last object whose buffers live in it, and each
// deletes its own buffers with the context current. The device registers
// itself as the draw target while it lives; a mesh that outlives its device
// finds no target and cannot draw.
#pragma once

#include <QtGui/qopengl.h>
#include <memory>

#include "render/d3d8_types.h"

class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFunctions_3_3_Core;

namespace d3d::gl {

// What a mesh's vertices carry, so the device can set up the pipeline for it.
struct VertexLayout {
    bool normals = false;
    bool colors = false;
    bool texcoords = false;
};

// The device side of a draw: checks that drawing is allowed now, then sets
// every state and shader input for the next draw call.
class DrawTarget {
public:
    virtual ~DrawTarget() = default;
    virtual HRESULT prepareDraw(const VertexLayout& layout) = 0;
};

class GlContextHolder {
public:
    GlContextHolder();
    ~GlContextHolder();
    GlContextHolder(const GlContextHolder&) = delete;
    GlContextHolder& operator=(const GlContextHolder&) = delete;

    // Makes an OpenGL 3.3 core context and an off-screen surface for it;
    // false when the platform cannot.
    bool create();

    // Current on the off-screen surface, where resources are made and drawn.
    bool makeCurrent();

    QOpenGLContext* context() const { return context_.get(); }
    QOpenGLFunctions_3_3_Core* gl() const { return gl_; }

    DrawTarget* drawTarget() const { return target_; }
    void setDrawTarget(DrawTarget* target) { target_ = target; }

private:
    std::unique_ptr<QOpenGLContext> context_;
    std::unique_ptr<QOffscreenSurface> offscreen_;
    QOpenGLFunctions_3_3_Core* gl_ = nullptr;
    DrawTarget* target_ = nullptr;
};

using ContextPtr = std::shared_ptr<GlContextHolder>;

}  // namespace d3d::gl
