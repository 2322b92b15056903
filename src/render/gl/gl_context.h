// The OpenGL context a hardware device draws with, shared by the device and
// every mesh and texture made on it. Each of them keeps the holder alive, so
// the context outlives the last object whose buffers live in it, and each
// deletes its own buffers with the context current. The device registers
// itself as the draw target while it lives; a mesh that outlives its device
// finds no target and cannot draw.
//
// Making a context and compiling shaders costs more than the rest of a new
// device, so the devices made one after another on the same window take
// turns with one OpenGL context and the programs compiled in it. Each device
// still has a holder of its own: what identifies its meshes and textures,
// and what they draw through, is the holder, never the OpenGL context.
#pragma once

#include <QtGui/qopengl.h>
#include <memory>

#include "render/d3d8_types.h"

class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFunctions_3_3_Core;
class QWidget;

namespace d3d::gl {

class ProgramCache;

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

// An OpenGL 3.3 core context, its off-screen surface and the programs
// compiled in it.
class SharedContext {
public:
    SharedContext();
    ~SharedContext();
    SharedContext(const SharedContext&) = delete;
    SharedContext& operator=(const SharedContext&) = delete;

    // False when the platform cannot make the context.
    bool create();
    bool makeCurrent();

    QOpenGLContext* context() const { return context_.get(); }
    QOpenGLFunctions_3_3_Core* gl() const { return gl_; }
    ProgramCache& programs() { return *programs_; }

private:
    std::unique_ptr<QOpenGLContext> context_;
    std::unique_ptr<QOffscreenSurface> offscreen_;
    QOpenGLFunctions_3_3_Core* gl_ = nullptr;
    std::unique_ptr<ProgramCache> programs_;
};

class GlContextHolder {
public:
    GlContextHolder();
    ~GlContextHolder();
    GlContextHolder(const GlContextHolder&) = delete;
    GlContextHolder& operator=(const GlContextHolder&) = delete;

    // Takes the context that earlier devices on `panel` used, or makes a new
    // one (always for a null panel) and leaves it with the panel's OpenGL
    // window for its later devices. False when the platform cannot make one;
    // the panel then gets no OpenGL window, so another device can present
    // in it.
    bool create(QWidget* panel);

    // Current on the off-screen surface, where resources are made and drawn.
    bool makeCurrent();

    QOpenGLContext* context() const { return shared_->context(); }
    QOpenGLFunctions_3_3_Core* gl() const { return shared_->gl(); }
    ProgramCache& programs() { return shared_->programs(); }

    DrawTarget* drawTarget() const { return target_; }
    void setDrawTarget(DrawTarget* target) { target_ = target; }

private:
    std::shared_ptr<SharedContext> shared_;
    DrawTarget* target_ = nullptr;
};

using ContextPtr = std::shared_ptr<GlContextHolder>;

}  // namespace d3d::gl
