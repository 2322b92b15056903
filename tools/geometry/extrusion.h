#pragma once

// Prisms: a flat shape in the XY plane pushed along Z, with flat caps front
// and back and walls around every boundary loop.

#include "mesh_builder.h"

namespace xgen {

struct PlanarShape {
    std::vector<Vec2> points;
    std::vector<std::vector<std::uint32_t>> loops;  // boundary loops: outline and holes, either direction
    std::vector<std::vector<std::uint32_t>> caps;   // convex polygons that together cover the shape
    bool smoothWalls = false;                       // shade walls as one curved surface (circles)
};

// The front cap lies at zFront and faces -Z (towards the default camera), the
// back cap at zBack > zFront faces +Z.
void addExtrusion(MeshBuilder& builder, const PlanarShape& shape, double zFront, double zBack,
                  const UvMapping& uv, std::uint32_t material = 0);

// Shape helpers.
PlanarShape convexPolygonShape(const std::vector<Vec2>& corners);
PlanarShape ringShape(double outerRadius, double innerRadius, int segments);
PlanarShape discShape(double radius, int segments);

}  // namespace xgen
