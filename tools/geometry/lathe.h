#pragma once

// Surfaces of revolution about the Y axis.

#include "mesh_builder.h"

namespace xgen {

struct ProfilePoint {
    Vec2 point;           // x: distance from the axis, y: height
    bool crease = false;  // a sharp edge: the surface is not smoothed across it
};

// Revolves `profile` in `segments` steps. Walking along the profile (radius to
// the right, height up) the solid must lie on the left; this fixes which side
// is the outside. Texture u runs around the axis, v along the profile from
// top to bottom by arc length.
void addLathe(MeshBuilder& builder, const std::vector<ProfilePoint>& profile, int segments,
              std::uint32_t material = 0);

// Helper for profiles: `count` points on a quadratic Bezier from a via b to c,
// excluding a and including c.
void appendQuadratic(std::vector<ProfilePoint>& profile, Vec2 a, Vec2 b, Vec2 c, int count);

}  // namespace xgen
