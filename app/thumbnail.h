// orvane --thumbnail: the preview a file manager caches for a model file.
#pragma once

#include "render_to_file.h"

namespace app {

// Renders `request` (the authored look on the reference device) off screen,
// with no display, and writes it as a PNG. Gives up after
// kThumbnailSeconds or past kThumbnailBytes of address space. Returns 0 when
// the image was written; otherwise, non-zero with the cause on standard error
// and no file written, so that no wrong preview is cached.
int writeThumbnail(int argc, char** argv, const RenderRequest& request);

constexpr unsigned kThumbnailSeconds = 10;
constexpr unsigned long long kThumbnailBytes = 1ull << 30;

}  // namespace app
