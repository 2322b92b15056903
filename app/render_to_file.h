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

// Writes `image` to `path` in the format its suffix names, all or nothing: the
// image goes to a temporary file beside `path` that takes its name only once
// complete, so a failed write (a full disk, a folder that cannot be written)
// leaves no partial file and keeps any earlier one. Anything at `path` that
// is not a regular file is refused untouched. On failure returns false and
// says why in `error`, naming the file.
bool writeImageFile(const QImage& image, const QString& path, std::string& error);

// renderFrame, written to request.output by writeImageFile. Returns the exit status; failures
// are explained on standard error.
int renderToFile(const RenderRequest& request);

}  // namespace app
