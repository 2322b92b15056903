// The model as its file describes it, for previews and thumbnails: every
// attribute group with its own material and texture, seen from the
// front-upper-left and framed on the model's bounding sphere so that any
// model, whatever its size, fills the same share of the picture.
#pragma once

#include <QString>
#include <QStringList>

#include "render/vb_direct3d8.h"

namespace viewer {

// Draws one frame of the model at `modelPath` (host spelling) on
// module.Device, which must be set and draw a width × height back buffer.
// A model that cannot be read or held raises RuntimeError. A texture that
// cannot be found or read leaves its group untextured and adds a line to
// `notes`.
void drawAuthored(d3d::VBDirect3D8& module, const QString& modelPath, int width, int height,
                  QStringList& notes);

}  // namespace viewer
