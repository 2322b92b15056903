// Triangle and line rasterisation on Direct3D's conventions: pixel centres at
// integer screen coordinates, the top-left fill rule decided exactly on
// fixed-point coordinates, depth (z/w) interpolated linearly in screen space,
// colours and texture coordinates perspective-correctly.
//
// Setup happens once per primitive; drawing then visits only the rows of one
// band, so several threads can each draw their own rows of the same
// primitives, in the same order, with the same result as one thread.
#pragma once

#include <cstdint>

#include "render/ref/ref_buffers.h"
#include "render/ref/ref_pixel.h"
#include "render/ref/ref_vertex.h"

namespace d3d::ref {

// Screen positions are snapped to 1/256 pixel.
constexpr int kSubpixelBits = 8;
constexpr std::int64_t kSubpixelScale = std::int64_t(1) << kSubpixelBits;

// A corner after the perspective divide and the viewport transform.
struct ScreenVertex {
    std::int64_t x, y;  // screen position in 1/256 pixel, y down
    double z;           // z/w, 0..1
    double q;           // 1/w
    float v[kVaryingCount];
};

// The nearest fixed-point coordinate to a screen coordinate (|s| must be
// below 2^40; the guard band keeps it far smaller).
std::int64_t snapToSubpixel(double s);

// Twice the signed area of (a, b, c) in (1/256 px)²: positive when the
// corners run clockwise on the y-down screen.
std::int64_t signedArea2(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c);

struct Plane {
    double at0 = 0;  // the value at the reference point (the first corner)
    double dx = 0;   // change per pixel to the right
    double dy = 0;   // change per pixel down
};

struct TriangleSetup {
    struct Edge {
        std::int64_t ax, ay;  // start corner, fixed point
        std::int64_t dx, dy;  // towards the end corner
        std::int64_t bias;    // 0 for top and left edges (a centre on them is inside), 1 otherwise
    };
    Edge edge[3];
    int minX = 0, maxX = -1, minY = 0, maxY = -1;  // covered pixel range, inside the target
    double refX = 0, refY = 0;                     // reference point, in pixels
    Plane z, q;
    Plane v[kVaryingCount];  // varying × q (perspective-correct interpolation)
    bool flat = false;       // flat shading: colours from flatColor, not the planes
    float flatColor[kSpecularB + 1];
    bool textured = false;  // texture derivatives are needed
};

// Sets up triangle (a, b, c) for a width × height target. Either winding is
// accepted (culling is the caller's). Returns false when it covers no pixel
// centre of the target's bounds or has no area. `flatColor`, when not null,
// gives the diffuse RGBA and specular RGB used for every pixel.
bool setupTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, int width, int height,
                   const float* flatColor, bool textured, TriangleSetup& out);

// Draws the rows of `t` that `band` owns.
void drawTriangle(const TriangleSetup& t, const PixelState& ps, FrameBuffers& fb, const BandRows& band);

struct LineSetup {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // end points in pixels, ordered so shared edges match
    double z0 = 0, z1 = 0, q0 = 0, q1 = 0;
    float vq0[kVaryingCount], vq1[kVaryingCount];  // varying × q at each end
    bool flat = false;
    float flatColor[kSpecularB + 1];
};

// A triangle edge drawn as a line: one pixel per step along the longer axis,
// both end pixels included. The pixels do not depend on the direction the
// edge is given in.
void setupLine(const ScreenVertex& a, const ScreenVertex& b, const float* flatColor, LineSetup& out);
void drawLine(const LineSetup& l, const PixelState& ps, FrameBuffers& fb, const BandRows& band);

}  // namespace d3d::ref
