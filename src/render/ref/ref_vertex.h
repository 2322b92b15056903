// A vertex after transformation and lighting: its clip-space position and the
// values the rasteriser interpolates across a primitive.
#pragma once

namespace d3d::ref {

// Interpolated values, in this order: lit diffuse RGBA, lit specular RGB, the
// texture coordinate.
enum Varying : int {
    kDiffuseR,
    kDiffuseG,
    kDiffuseB,
    kDiffuseA,
    kSpecularR,
    kSpecularG,
    kSpecularB,
    kTexU,
    kTexV,
    kVaryingCount
};

struct ClipVertex {
    float pos[4];  // x, y, z, w in clip space: inside is −w ≤ x, y ≤ w and 0 ≤ z ≤ w
    float v[kVaryingCount];
};

// Which per-vertex components a mesh carries besides the position.
struct VertexLayout {
    bool normals = false;
    bool colors = false;
    bool texcoords = false;
};

}  // namespace d3d::ref
