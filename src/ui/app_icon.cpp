#include "ui/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace ui {

// A lit sphere with a turning ring: a model in the viewer's light.
QImage appIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QRadialGradient shade(QPointF(s * 0.35, s * 0.32), s * 0.6);
    shade.setColorAt(0.0, QColor(255, 255, 255));
    shade.setColorAt(0.35, QColor(120, 140, 220));
    shade.setColorAt(1.0, QColor(20, 24, 60));
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawEllipse(QRectF(s * 0.12, s * 0.12, s * 0.76, s * 0.76));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(250, 190, 60), qMax(1.0, s / 14)));
    p.drawEllipse(QRectF(s * 0.04, s * 0.38, s * 0.92, s * 0.24));
    return image;
}

QIcon appIcon()
{
    QIcon icon;
    // 64 and 96 serve 32 and 48 on a screen of twice the density.
    for (int size : {16, 32, 48, 64, 96})
        icon.addPixmap(QPixmap::fromImage(appIconImage(size)));
    return icon;
}

}  // namespace ui
