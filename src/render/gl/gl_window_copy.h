// Copies a device's back buffer into its window without drawing, where that
// is the cheaper way.
//
// The back buffer is an ordinary framebuffer, stored bottom row first; a
// window is stored top row first, so the usual copy (glBlitFramebuffer)
// turns the image over, which drivers do by drawing it. A software
// rasteriser compiles a program for that drawing the first time, on the
// CPU: on Mesa's llvmpipe about 40 ms of every start, before the first
// frame can be seen. There this class reads the rows back (a plain copy
// when the back buffer keeps the window's byte order, as the device asks
// for), turns them upright in memory and hands them to a framebuffer stored
// the window's way round (GL_MESA_framebuffer_flip_y), from which the
// driver copies to the window byte for byte. For a software rasteriser that
// costs no more than the drawn copy; hardware drivers keep drawing it.
#pragma once

#include <QtGui/qopengl.h>
#include <cstdint>
#include <vector>

class QOpenGLContext;
class QOpenGLFunctions_3_3_Core;

namespace d3d::gl {

// A texture of width × height for a framebuffer's colour, eight bits a
// channel, which the driver may keep in a window's byte order (blue, green,
// red, alpha): an unsized format described as BGRA data lets it choose that
// order. Returns its name; the caller deletes it.
GLuint makeWindowOrderTexture(QOpenGLFunctions_3_3_Core* gl, std::uint32_t width, std::uint32_t height);

class WindowCopy {
public:
    // True when `context` (current) renders in software and can store a
    // framebuffer top row first. Asked once per context.
    static bool worthwhile(QOpenGLContext* context);

    // Copies the colour of `backBuffer` (width × height) into the default
    // framebuffer of the current surface, `window`, which must be the same
    // size, and leaves `window` bound for drawing. False when the staging
    // framebuffer cannot be made; nothing has been copied then.
    bool copy(QOpenGLContext* context, QOpenGLFunctions_3_3_Core* gl, GLuint backBuffer, GLuint window,
              std::uint32_t width, std::uint32_t height);

    // Deletes the staging framebuffer; the context must be current.
    void destroy(QOpenGLFunctions_3_3_Core* gl);

private:
    bool makeStaging(QOpenGLContext* context, QOpenGLFunctions_3_3_Core* gl, std::uint32_t width,
                     std::uint32_t height);

    GLuint texture_ = 0, framebuffer_ = 0;
    std::uint32_t width_ = 0, height_ = 0;
    std::vector<unsigned char> rows_;  // the back buffer's, turned upright in place
};

}  // namespace d3d::gl
