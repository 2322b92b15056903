// Checks that every device applies alike to what it is asked to hold, so the
// hardware and the reference device accept and refuse the same data.
#pragma once

#include <QImage>
#include <vector>

#include "xfile/mesh_data.h"

namespace d3d {

// True when `data` is a mesh a device can hold: whole vertices and faces,
// per-vertex arrays of the vertex count, every index within the vertices,
// every group within the faces, at least one face.
bool meshDataWellFormed(const xfile::MeshData& data);

// The attribute groups of `data`: its group table, or runs of equal
// attribute ids when it has none, or every face in group 0 when it has no
// ids either.
std::vector<xfile::MeshData::Group> attributeGroups(const xfile::MeshData& data);

// True when `levels` is a mip chain: level 0 at most maxSize on a side, each
// further level half the one before (at least 1), ending no later than 1×1.
bool formsMipChain(const std::vector<QImage>& levels, int maxSize);

}  // namespace d3d
