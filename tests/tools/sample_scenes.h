#pragma once

// Scenes used by the writer tests.

#include "xwriter/xscene.h"

namespace xtest {

// A mesh using every feature the writer supports: frames with matrices,
// normals with their own faces, texture coordinates, two materials (one with
// a texture file), a hexagon next to triangles and quads, and the standard
// templates at the top. `rings` controls its size.
xgen::Scene featureScene(int rings = 4);

}  // namespace xtest
