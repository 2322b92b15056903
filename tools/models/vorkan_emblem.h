#pragma once

// The Vorkan emblem shared by vorkan_logo.x and vorkan_logo_.x: a ring
// around a stylised V with a diamond above it.

#include "geometry/mesh_builder.h"

namespace xgen {

void addVorkanEmblem(MeshBuilder& mesh, std::uint32_t material);

// Radius of the emblem's outer edge.
inline constexpr double kEmblemRadius = 0.95;
// Inner radius of its ring.
inline constexpr double kEmblemRingInner = 0.78;

}  // namespace xgen
