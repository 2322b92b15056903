// orvane --render: one frame of the scene Run builds with every control at its
// default, drawn off screen and written to an image file.
#pragma once

#include <QSize>
#include <QString>
#include <optional>

namespace app {

struct RenderRequest {
    QString model;
    QString output;
    QString texture;             // empty: texturing stays off
    QSize size{505, 499};        // the render panel's size
    std::optional<double> time;  // seconds since midnight; empty: now
    int deviceType = 1;          // 1 hardware (OpenGL), 2 reference
};

// Needs a QApplication. Returns the exit status; failures are explained on
// standard error.
int renderToFile(const RenderRequest& request);

}  // namespace app
