// A texture on the hardware device: one OpenGL 2-D texture holding every
// mip level, deleted in the context it was made in.
#pragma once

#include <QtGui/qopengl.h>
#include <vector>

#include "render/gl/gl_context.h"
#include "render/runtime.h"

class QImage;

namespace d3d::gl {

class GlTexture final : public IDirect3DTexture8 {
public:
    // Uploads `levels` (level 0 first, each half the one before, at least
    // 1×1) into `context`, which must be current. D3DERR_INVALIDCALL for
    // levels that do not form such a chain, D3DERR_OUTOFVIDEOMEMORY when
    // OpenGL cannot hold them.
    static HRESULT create(const ContextPtr& context, const std::vector<QImage>& levels, bool hasAlpha,
                          TexturePtr& texture);

    GlTexture(ContextPtr context, GLuint id, std::uint32_t levels, std::uint32_t width, std::uint32_t height);
    ~GlTexture() override;
    GlTexture(const GlTexture&) = delete;
    GlTexture& operator=(const GlTexture&) = delete;

    std::uint32_t GetLevelCount() const override { return levels_; }
    std::uint32_t Width() const override { return width_; }
    std::uint32_t Height() const override { return height_; }

    GLuint id() const { return id_; }
    const GlContextHolder* owner() const { return context_.get(); }

private:
    ContextPtr context_;
    GLuint id_ = 0;
    std::uint32_t levels_ = 0, width_ = 0, height_ = 0;
};

}  // namespace d3d::gl
