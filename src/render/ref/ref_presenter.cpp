#include "render/ref/ref_presenter.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>
#include <cmath>

namespace d3d::ref {
namespace {

const char* const kPresenterName = "orvane-ref-presenter";

}  // namespace

RefPresenter::RefPresenter(QWidget* window) : QObject(window), window_(window)
{
    setObjectName(QLatin1String(kPresenterName));
    window->installEventFilter(this);
}

RefPresenter* RefPresenter::of(QWidget* window)
{
    for (QObject* child : window->children())
        if (child->objectName() == QLatin1String(kPresenterName))
            if (auto* presenter = dynamic_cast<RefPresenter*>(child))
                return presenter;
    return new RefPresenter(window);
}

void RefPresenter::show(QImage frame)
{
    // The ratio is fixed now so that a frame the size of the client area in
    // device pixels paints one to one, without work at paint time.
    frame.setDevicePixelRatio(window_->devicePixelRatioF());
    frame_ = std::move(frame);
    window_->update();
}

bool RefPresenter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != window_ || event->type() != QEvent::Paint || frame_.isNull())
        return false;
    QPainter painter(window_);
    const QRect area = window_->rect();
    const qreal ratio = frame_.devicePixelRatio();
    const QSize devicePixels(int(std::lround(area.width() * ratio)), int(std::lround(area.height() * ratio)));
    if (frame_.size() == devicePixels) {
        painter.drawImage(QPointF(0, 0), frame_);
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(area), frame_);
    }
    return true;  // the frame covers the whole client area
}

}  // namespace d3d::ref
