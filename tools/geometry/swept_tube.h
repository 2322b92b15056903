#pragma once

// A tube of circular cross-section swept along a space curve, with frames
// carried along the curve without twisting.

#include "mesh_builder.h"

namespace xgen {

struct TubePath {
    std::vector<Vec3> points;  // centre line samples; a closed path does not repeat its first point
    bool closed = false;
};

// Texture u runs along the path, v around the tube.
void addSweptTube(MeshBuilder& builder, const TubePath& path, double radius, int sides,
                  std::uint32_t material = 0);

}  // namespace xgen
