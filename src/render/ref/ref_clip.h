// Clipping of triangles in homogeneous clip space. Depth is clipped exactly
// (near z = 0, far z = w); x and y only against a guard band far outside the
// viewport, so that almost every triangle skips clipping and screen
// coordinates stay small enough for the rasteriser's fixed-point arithmetic.
#pragma once

#include "render/ref/ref_vertex.h"

namespace d3d::ref {

// Each of the six planes can add at most one corner to a convex polygon.
constexpr int kMaxClipCorners = 9;

struct ClipPolygon {
    ClipVertex corner[kMaxClipCorners];
    // edge[i]: the edge from corner i to corner i+1 (cyclic) lies on an edge of
    // the original triangle, rather than along a clip plane.
    bool edge[kMaxClipCorners];
    int count = 0;
};

// How far the guard band reaches, in pixels beyond each side of the viewport.
constexpr double kGuardBandPixels = 8192.0;

struct ClipVolume {
    float guardX = 1.0f;  // |x| ≤ guardX·w keeps a point inside the guard band
    float guardY = 1.0f;
};

// The clip volume for a viewport of width × height pixels.
ClipVolume clipVolumeFor(int width, int height);

// Clips triangle (a, b, c) and writes the part inside into `out`, corners in
// the triangle's winding order. Returns false when nothing is left (or a
// position is not finite). Intersections are computed from the inside corner
// towards the outside one, so an edge shared by two triangles is cut at the
// same point in both and no crack opens along it.
bool clipTriangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c, const ClipVolume& volume,
                  ClipPolygon& out);

// Bit i set: the vertex is outside clip plane i (0 when clipping is not needed).
unsigned outcode(const ClipVertex& v, const ClipVolume& volume);

}  // namespace d3d::ref
