#include "render/gl/gl_context.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QWindow>

#include "render/gl/gl_shaders.h"
#include "render/gl/gl_surface.h"

namespace d3d::gl {
namespace {

constexpr const char* kKeeperName = "orvane-shared-context";

// Keeps a window's context for its next device; goes with the window.
class ContextKeeper : public QObject {
public:
    ContextKeeper(QWindow* window, std::shared_ptr<SharedContext> context)
        : QObject(window), shared(std::move(context))
    {
        setObjectName(kKeeperName);
    }
    std::shared_ptr<SharedContext> shared;
};

}  // namespace

SharedContext::SharedContext() : programs_(std::make_unique<ProgramCache>()) {}

SharedContext::~SharedContext()
{
    // Everything made in the context has been deleted by its owner by now;
    // the programs go with the context current, the surface after the
    // context that may still be current on it.
    if (gl_ && makeCurrent())
        programs_->destroy(gl_);
    if (context_)
        context_->doneCurrent();
    context_.reset();
    offscreen_.reset();
}

bool SharedContext::create()
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

bool SharedContext::makeCurrent()
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

GlContextHolder::GlContextHolder() = default;

GlContextHolder::~GlContextHolder() = default;

bool GlContextHolder::create(QWidget* panel)
{
    if (QWindow* window = panel ? existingPanelSurface(panel) : nullptr) {
        if (auto* keeper = window->findChild<QObject*>(kKeeperName, Qt::FindDirectChildrenOnly)) {
            shared_ = static_cast<ContextKeeper*>(keeper)->shared;
            return makeCurrent();
        }
    }
    auto made = std::make_shared<SharedContext>();
    if (!made->create())
        return false;
    shared_ = std::move(made);
    if (panel)
        new ContextKeeper(panelSurface(panel), shared_);
    return true;
}

bool GlContextHolder::makeCurrent() { return shared_ && shared_->makeCurrent(); }

}  // namespace d3d::gl
