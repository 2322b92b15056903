#include "render/gl/gl_surface.h"

#include <QEvent>
#include <QResizeEvent>
#include <QWidget>
#include <QWindow>

namespace d3d::gl {
namespace {

constexpr const char* kSurfaceName = "orvane-device-window";

// Keeps the embedded window the size of the panel it lives in.
class FillParent : public QObject {
public:
    FillParent(QWidget* panel, QWidget* child) : QObject(child), child_(child)
    {
        panel->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            child_->resize(static_cast<QResizeEvent*>(event)->size());
        return false;
    }

private:
    QWidget* child_;
};

}  // namespace

QSurfaceFormat deviceFormat()
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setDepthBufferSize(0);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    // Copy-in-step-with-retrace presentation.
    format.setSwapInterval(1);
    return format;
}

QWindow* existingPanelSurface(QWidget* panel)
{
    if (auto* existing = panel->findChild<QWidget*>(kSurfaceName, Qt::FindDirectChildrenOnly))
        return existing->property("orvaneWindow").value<QWindow*>();
    return nullptr;
}

QWindow* panelSurface(QWidget* panel)
{
    if (QWindow* existing = existingPanelSurface(panel))
        return existing;

    auto* window = new QWindow;
    window->setSurfaceType(QSurface::OpenGLSurface);
    window->setFormat(deviceFormat());
    window->setFlag(Qt::WindowTransparentForInput, false);
    QWidget* container = QWidget::createWindowContainer(window, panel);
    container->setObjectName(kSurfaceName);
    container->setProperty("orvaneWindow", QVariant::fromValue(window));
    container->setFocusPolicy(Qt::NoFocus);
    container->setGeometry(0, 0, panel->width(), panel->height());
    new FillParent(panel, container);
    container->show();
    window->create();
    return window;
}

}  // namespace d3d::gl
