// orvane --render: one frame of the scene Run builds with every control at its
// default, drawn off screen and written to an image file.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>
#include <string>

namespace ui {
class Form1;
}

namespace app {

struct RenderRequest {
    QString model;
    QString output;
    QString texture;             // empty: texturing stays off
    QSize size{505, 499};        // the render panel's size
    std::optional<double> time;  // seconds since midnight; empty: now
    int deviceType = 1;          // 1 hardware (OpenGL), 2 reference
};

// Draws the frame. `adjust`, when given, changes controls of the window
// before Run (their handlers do not run). Needs a QApplication. On failure
// returns nothing and says why in `error`.
std::optional<QImage> renderFrame(const RenderRequest& request, std::string& error,
                                  const std::function<void(ui::Form1&)>& adjust = {});

// renderFrame, written to request.output. Returns the exit status; failures
// are explained on standard error.
int renderToFile(const RenderRequest& request);

}  // namespace app
