#include "render/gl/gl_texture.h"

#include <QImage>
#include <QOpenGLFunctions_3_3_Core>

#include "render/resource_checks.h"

namespace d3d::gl {

HRESULT GlTexture::create(const ContextPtr& context, const std::vector<QImage>& levels, bool hasAlpha,
                          TexturePtr& texture)
{
    QOpenGLFunctions_3_3_Core* gl = context->gl();
    GLint maxSize = 0;
    gl->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (!formsMipChain(levels, maxSize))
        return D3DERR_INVALIDCALL;

    while (gl->glGetError() != GL_NO_ERROR) {
    }
    GLuint id = 0;
    gl->glGenTextures(1, &id);
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_2D, id);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    for (std::size_t i = 0; i < levels.size(); ++i) {
        // ARGB32 words, top row first: v = 0 is the image's first row, as in Direct3D.
        const QImage level = levels[i].format() == QImage::Format_ARGB32
                                 ? levels[i]
                                 : levels[i].convertToFormat(QImage::Format_ARGB32);
        gl->glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(level.bytesPerLine() / 4));
        gl->glTexImage2D(GL_TEXTURE_2D, GLint(i), GL_RGBA8, level.width(), level.height(), 0, GL_BGRA,
                         GL_UNSIGNED_INT_8_8_8_8_REV, level.constBits());
    }
    gl->glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, GLint(levels.size() - 1));
    // An image without alpha reads alpha 1 whatever its pixels hold.
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, hasAlpha ? GL_ALPHA : GL_ONE);
    gl->glBindTexture(GL_TEXTURE_2D, 0);

    const GLenum error = gl->glGetError();
    if (error != GL_NO_ERROR) {
        gl->glDeleteTextures(1, &id);
        return error == GL_OUT_OF_MEMORY ? D3DERR_OUTOFVIDEOMEMORY : D3DERR_INVALIDCALL;
    }
    texture =
        std::make_shared<GlTexture>(context, id, std::uint32_t(levels.size()),
                                    std::uint32_t(levels[0].width()), std::uint32_t(levels[0].height()));
    return D3D_OK;
}

GlTexture::GlTexture(ContextPtr context, GLuint id, std::uint32_t levels, std::uint32_t width,
                     std::uint32_t height)
    : context_(std::move(context)), id_(id), levels_(levels), width_(width), height_(height)
{
}

GlTexture::~GlTexture()
{
    if (context_->makeCurrent())
        context_->gl()->glDeleteTextures(1, &id_);
}

}  // namespace d3d::gl
