#include "vorkan_emblem.h"

#include "geometry/extrusion.h"
#include "geometry/uv_mapping.h"

namespace xgen {

void addVorkanEmblem(MeshBuilder& mesh, std::uint32_t material)
{
    const UvMapping uv = planarXY(-kEmblemRadius, -kEmblemRadius, 2 * kEmblemRadius, 2 * kEmblemRadius);
    addExtrusion(mesh, ringShape(kEmblemRadius, kEmblemRingInner, 64), -0.07, 0.07, uv, material);

    // The V: two strokes meeting at the bottom, their outer ends touching
    // the ring.
    const PlanarShape left = convexPolygonShape({{-0.1, -0.6}, {0.12, -0.6}, {-0.3, 0.5}, {-0.58, 0.5}});
    const PlanarShape right = convexPolygonShape({{-0.12, -0.6}, {0.1, -0.6}, {0.58, 0.5}, {0.3, 0.5}});
    addExtrusion(mesh, left, -0.11, 0.11, uv, material);
    addExtrusion(mesh, right, -0.11, 0.11, uv, material);

    const PlanarShape diamond = convexPolygonShape({{0, 0.42}, {0.13, 0.56}, {0, 0.7}, {-0.13, 0.56}});
    addExtrusion(mesh, diamond, -0.09, 0.09, uv, material);
}

}  // namespace xgen
