#pragma once

// Quad grids over a parametric surface, used by lathes, swept tubes and
// Bezier patches.

#include "mesh_builder.h"

namespace xgen {

struct SurfacePoint {
    Vec3 position;
    Vec3 normal;  // must point out of the solid; the winding follows it
    TexCoord uv;
};

// Samples at(i, j) for i in [0, columns], j in [0, rows] (a seam gets its own
// vertices so texture coordinates can run from 0 to 1) and joins them into
// quads wound to face the side the normals point to. Corners that coincide,
// as at a pole, are dropped, so such quads become triangles.
void addSurfaceGrid(MeshBuilder& builder, int columns, int rows,
                    const std::function<SurfacePoint(int i, int j)>& at, std::uint32_t material = 0);

}  // namespace xgen
