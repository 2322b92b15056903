#include "render/gl/gl_context.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>

#include "render/gl/gl_surface.h"

namespace d3d::gl {

GlContextHolder::GlContextHolder() = default;

GlContextHolder::~GlContextHolder()
{
    // Everything made in the context has been deleted by its owner by now;
    // the surface goes after the context that may still be current on it.
    if (context_)
        context_->doneCurrent();
    context_.reset();
    offscreen_.reset();
}

bool GlContextHolder::create()
{
    context_ = std::make_unique<QOpenGLContext>();
    context_->setFormat(deviceFormat());
    if (!context_->create())
        return false;
    const QSurfaceFormat got = context_->format();
    if (got.renderableType() != QSurfaceFormat::OpenGL ||
        std::make_pair(got.majorVersion(), got.minorVersion()) < std::make_pair(3, 3))
        return false;

    // Resources are made and drawn through an off-screen surface, so the
    // device works whether or not its window is on screen.
    offscreen_ = std::make_unique<QOffscreenSurface>();
    offscreen_->setFormat(context_->format());
    offscreen_->create();
    if (!offscreen_->isValid() || !makeCurrent())
        return false;
    gl_ = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(context_.get());
    return gl_ != nullptr;
}

bool GlContextHolder::makeCurrent()
{
    if (!context_ || !offscreen_)
        return false;
    // Everything is drawn into the device's own framebuffer, so whichever
    // surface the context is current on will do; moving it to another
    // drawable on every call would cost a flush each time.
    if (QOpenGLContext::currentContext() == context_.get() && context_->surface())
        return true;
    return context_->makeCurrent(offscreen_.get());
}

}  // namespace d3d::gl
