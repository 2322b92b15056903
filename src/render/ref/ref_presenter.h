// Shows the reference device's presented frames in a widget: the latest frame
// is kept and painted over the widget's client area whenever the widget
// paints, scaled (bilinear) when the sizes differ.
#pragma once

#include <QImage>
#include <QObject>

class QWidget;

namespace d3d::ref {

class RefPresenter final : public QObject {
public:
    // The presenter of `window`, made on first use. It is a child of the
    // window and goes with it; every device presenting there shares it.
    static RefPresenter* of(QWidget* window);

    // Keeps `frame` (device pixels, opaque) as what the window shows and asks
    // for a repaint. Painting itself only draws the kept image.
    void show(QImage frame);
    const QImage& frame() const { return frame_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit RefPresenter(QWidget* window);
    QWidget* window_;
    QImage frame_;
};

}  // namespace d3d::ref
