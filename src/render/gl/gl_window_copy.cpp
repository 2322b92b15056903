#include "render/gl/gl_window_copy.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <algorithm>

namespace d3d::gl {
namespace {

constexpr GLenum kFramebufferFlipY = 0x8BBB;                        // GL_FRAMEBUFFER_FLIP_Y_MESA
constexpr int kRendererAccelerated = 0x8186;                        // GLX_RENDERER_ACCELERATED_MESA
using QueryRenderer = int (*)(int attribute, unsigned int* value);  // glXQueryCurrentRendererIntegerMESA
using SetFramebufferParameter = void(QOPENGLF_APIENTRYP)(GLenum target, GLenum name, GLint value);

}  // namespace

GLuint makeWindowOrderTexture(QOpenGLFunctions_3_3_Core* gl, std::uint32_t width, std::uint32_t height)
{
    GLuint texture = 0;
    gl->glGenTextures(1, &texture);
    gl->glBindTexture(GL_TEXTURE_2D, texture);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, GLsizei(width), GLsizei(height), 0, GL_BGRA, GL_UNSIGNED_BYTE,
                     nullptr);
    // A driver that answers the unsized format with other than eight bits a
    // channel is asked for them outright.
    const GLenum channels[] = {GL_TEXTURE_RED_SIZE, GL_TEXTURE_GREEN_SIZE, GL_TEXTURE_BLUE_SIZE,
                               GL_TEXTURE_ALPHA_SIZE};
    for (GLenum channel : channels) {
        GLint bits = 0;
        gl->glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, channel, &bits);
        if (bits != 8) {
            gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, GLsizei(width), GLsizei(height), 0, GL_BGRA,
                             GL_UNSIGNED_BYTE, nullptr);
            break;
        }
    }
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

bool WindowCopy::worthwhile(QOpenGLContext* context)
{
    // Only Mesa stores framebuffers the window's way round, and Mesa's GLX
    // says whether its renderer is accelerated.
    if (!context->hasExtension(QByteArrayLiteral("GL_MESA_framebuffer_flip_y")))
        return false;
    auto query =
        reinterpret_cast<QueryRenderer>(context->getProcAddress("glXQueryCurrentRendererIntegerMESA"));
    unsigned int accelerated = 1;
    return query && query(kRendererAccelerated, &accelerated) && accelerated == 0;
}

bool WindowCopy::makeStaging(QOpenGLContext* context, QOpenGLFunctions_3_3_Core* gl, std::uint32_t width,
                             std::uint32_t height)
{
    destroy(gl);
    auto setParameter =
        reinterpret_cast<SetFramebufferParameter>(context->getProcAddress("glFramebufferParameteri"));
    if (!setParameter)
        return false;
    // In the window's byte order, the copy to the window is a plain one.
    texture_ = makeWindowOrderTexture(gl, width, height);
    gl->glGenFramebuffers(1, &framebuffer_);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    gl->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
    setParameter(GL_FRAMEBUFFER, kFramebufferFlipY, GL_TRUE);
    if (gl->glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        destroy(gl);
        return false;
    }
    width_ = width;
    height_ = height;
    return true;
}

bool WindowCopy::copy(QOpenGLContext* context, QOpenGLFunctions_3_3_Core* gl, GLuint backBuffer,
                      GLuint window, std::uint32_t width, std::uint32_t height)
{
    if ((!framebuffer_ || width != width_ || height != height_) && !makeStaging(context, gl, width, height))
        return false;
    const std::size_t row = std::size_t(width) * 4;
    rows_.resize(row * height);

    gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, backBuffer);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gl->glReadPixels(0, 0, GLsizei(width), GLsizei(height), GL_BGRA, GL_UNSIGNED_BYTE, rows_.data());
    // Read bottom row first; the staging framebuffer keeps its top row first.
    for (std::uint32_t y = 0; y < height / 2; ++y)
        std::swap_ranges(rows_.begin() + std::ptrdiff_t(y * row),
                         rows_.begin() + std::ptrdiff_t((y + 1) * row),
                         rows_.begin() + std::ptrdiff_t((height - 1 - y) * row));
    gl->glBindTexture(GL_TEXTURE_2D, texture_);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl->glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, GLsizei(width), GLsizei(height), GL_BGRA, GL_UNSIGNED_BYTE,
                        rows_.data());
    gl->glBindTexture(GL_TEXTURE_2D, 0);

    gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    gl->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, window);
    gl->glDisable(GL_SCISSOR_TEST);
    gl->glBlitFramebuffer(0, 0, GLint(width), GLint(height), 0, 0, GLint(width), GLint(height),
                          GL_COLOR_BUFFER_BIT, GL_NEAREST);
    return true;
}

void WindowCopy::destroy(QOpenGLFunctions_3_3_Core* gl)
{
    if (framebuffer_)
        gl->glDeleteFramebuffers(1, &framebuffer_);
    if (texture_)
        gl->glDeleteTextures(1, &texture_);
    framebuffer_ = texture_ = 0;
    width_ = height_ = 0;
}

}  // namespace d3d::gl
