#pragma once

// Texture coordinate projections, so that any delivered texture shows on a
// model: planar along Z, and spherical around a centre.

#include "mesh_builder.h"

namespace xgen {

// Maps the rectangle [minX, minX + width] x [minY, minY + height] of the XY
// plane onto the whole image (v grows downwards, as in images).
UvMapping planarXY(double minX, double minY, double width, double height);

// Longitude/latitude of `p` seen from `centre`, as texture coordinates of a
// longitude/latitude image. u = 0.5 faces -Z (the default camera); the seam
// where u jumps from 1 to 0 faces +Z.
TexCoord sphericalCoords(const Vec3& p, const Vec3& centre);

}  // namespace xgen
