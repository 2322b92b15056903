// orvane --render and --thumbnail: one frame drawn off screen and written to
// an image file. The viewer look is the scene Run builds with every control
// at its default; the authored look shows the model as its file describes it.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>

namespace viewer {
class AuthoredModel;
class StoredControls;
}  // namespace viewer

namespace app {

enum class Look { Viewer, Authored };

struct RenderRequest {
    QString model;
    QString output;
    QString texture;             // viewer look: empty leaves texturing off
    QSize size{505, 499};        // the render panel's size
    std::optional<double> time;  // viewer look: seconds since midnight; empty: now.
                                 // authored look: seconds into the animation; empty: 0
    QString animation;           // authored look: the set that plays; empty: the first
    int deviceType = 1;          // 1 hardware (OpenGL), 2 reference
    Look look = Look::Viewer;
    QByteArray format;  // of the output image; empty: named by its suffix
};

// Draws the frame. `adjust`, when given, changes the viewer look's settings
// before Run. Needs a QGuiApplication. On failure returns nothing and says
// why in `error`; `notes`, when given, collects what the authored look drew
// differently from the file (textures left out).
std::optional<QImage> renderFrame(const RenderRequest& request, std::string& error,
                                  const std::function<void(viewer::StoredControls&)>& adjust = {},
                                  QStringList* notes = nullptr);

// The authored look of request.model loaded once onto an off-screen device
// of the request's kind and size, handed to `frames`, which may pose and draw
// it as often as it likes; returns the last frame drawn. Failures as
// renderFrame's.
using AuthoredFrames = std::function<void(viewer::AuthoredModel&)>;
std::optional<QImage> renderAuthoredFrames(const RenderRequest& request, std::string& error,
                                           const AuthoredFrames& frames, QStringList* notes = nullptr);

// renderFrame, written to request.output; `beforeWriting`, when given, runs
// once the frame is drawn. Returns the exit status; failures and notes are
// explained on standard error.
int renderToFile(const RenderRequest& request, const std::function<void()>& beforeWriting = {});

// Writes `image` to `path` all or nothing: the image goes to a temporary file
// beside `path` that takes its name only once complete, so a failed write (a
// full disk, a folder that cannot be written) leaves no partial file and
// keeps any earlier one. Anything at `path` that is not a regular file is
// refused untouched. `format` names the image format; empty takes it from the
// suffix of `path`, and a suffix that names no format is refused. On failure
// returns false and says why in `error`.
bool writeImageAtomically(const QImage& image, const QString& path, QString* error,
                          const QByteArray& format = {});

}  // namespace app
