// teapot.x: the Utah teapot, Newell's 32 bicubic Bezier patches (rim, body,
// lid, bottom, handle and spout) tessellated into quads. Texture coordinates
// are a longitude/latitude mapping, so planet textures wrap around it. The
// file repeats the standard templates.

#include "models.h"

#include "geometry/surface_grid.h"
#include "geometry/uv_mapping.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace xgen {

namespace {

using ControlNet = std::array<std::array<Vec3, 4>, 4>;  // [row][column], Newell's axes: z up

// Newell's data, z up. The turned parts are given by the profile (radius,
// height) of one row of patches; each row is swept through four quarter
// turns, drawn with his 0.56 circle factor.
struct TurnedRow {
    std::array<Vec2, 4> profile;
    Vec3 outwardHint;  // at the middle of the profile: x away from the axis, z up
};

const TurnedRow kTurnedRows[] = {
    {{{{1.4, 2.4}, {1.3375, 2.53125}, {1.4375, 2.53125}, {1.5, 2.4}}}, {0, 0, 1}},  // rim
    {{{{1.5, 2.4}, {1.75, 1.875}, {2.0, 1.35}, {2.0, 0.9}}}, {1, 0, 0}},            // upper body
    {{{{2.0, 0.9}, {2.0, 0.45}, {1.5, 0.225}, {1.5, 0.15}}}, {1, 0, 0}},            // lower body
    {{{{0.0, 3.15}, {0.8, 3.15}, {0.0, 2.85}, {0.2, 2.7}}}, {1, 0, 0}},             // lid knob
    {{{{0.2, 2.7}, {0.4, 2.55}, {1.3, 2.55}, {1.3, 2.4}}}, {0, 0, 1}},              // lid
    {{{{1.5, 0.15}, {1.5, 0.075}, {1.425, 0.0}, {0.0, 0.0}}}, {0, 0, -1}},          // bottom
};

// Handle and spout: each row of control points is a half cross-section from
// one side (x1, z1) over y = -w to the other side (x2, z2); the y > 0 half
// is the mirror image.
struct SectionRow {
    double x1, z1, x2, z2, w;
};

using SectionPatch = std::array<SectionRow, 4>;

const SectionPatch kSectionPatches[] = {
    // handle, upper and lower
    {{{-1.6, 2.025, -1.5, 2.25, 0.3},
      {-2.3, 2.025, -2.5, 2.25, 0.3},
      {-2.7, 2.025, -3.0, 2.25, 0.3},
      {-2.7, 1.8, -3.0, 1.8, 0.3}}},
    {{{-2.7, 1.8, -3.0, 1.8, 0.3},
      {-2.7, 1.575, -3.0, 1.35, 0.3},
      {-2.5, 0.975, -2.65, 0.7875, 0.3},
      {-2.0, 0.45, -1.9, 0.6, 0.3}}},
    // spout, body and tip
    {{{1.7, 1.275, 1.7, 0.45, 0.66},
      {2.6, 1.275, 3.1, 0.675, 0.66},
      {2.3, 1.95, 2.4, 1.875, 0.25},
      {2.7, 2.25, 3.3, 2.25, 0.25}}},
    {{{2.7, 2.25, 3.3, 2.25, 0.25},
      {2.8, 2.325, 3.525, 2.34375, 0.25},
      {2.9, 2.325, 3.45, 2.3625, 0.15},
      {2.8, 2.25, 3.2, 2.25, 0.15}}},
};

struct BezierSample {
    Vec3 position;
    Vec3 dS;  // along rows
    Vec3 dT;  // along columns
};

void bernstein(double t, double b[4], double d[4])
{
    const double s = 1.0 - t;
    b[0] = s * s * s;
    b[1] = 3 * t * s * s;
    b[2] = 3 * t * t * s;
    b[3] = t * t * t;
    d[0] = -3 * s * s;
    d[1] = 3 * s * s - 6 * t * s;
    d[2] = 6 * t * s - 3 * t * t;
    d[3] = 3 * t * t;
}

BezierSample evaluate(const ControlNet& net, double s, double t)
{
    double bs[4], ds[4], bt[4], dt[4];
    bernstein(s, bs, ds);
    bernstein(t, bt, dt);
    BezierSample out;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            out.position += net[i][j] * (bs[i] * bt[j]);
            out.dS += net[i][j] * (ds[i] * bt[j]);
            out.dT += net[i][j] * (bs[i] * dt[j]);
        }
    }
    return out;
}

struct Patch {
    ControlNet net;
    Vec3 outwardHint;  // roughly the outside direction at the patch's middle
};

std::vector<Patch> newellPatches()
{
    constexpr double k = 0.56;
    const Vec2 quarter[4] = {{1, 0}, {1, -k}, {k, -1}, {0, -1}};  // from +x to -y
    std::vector<Patch> patches;
    for (const TurnedRow& row : kTurnedRows) {
        for (int q = 0; q < 4; ++q) {
            // Quarter q is the first one mirrored in x and/or y.
            const double sx = (q == 1 || q == 2) ? -1.0 : 1.0;
            const double sy = (q >= 2) ? -1.0 : 1.0;
            Patch p;
            for (int i = 0; i < 4; ++i) {
                for (int j = 0; j < 4; ++j) {
                    const double r = row.profile[i].x;
                    p.net[i][j] = {r * quarter[j].x * sx, r * quarter[j].y * -sy, row.profile[i].y};
                }
            }
            const Vec3 middle = evaluate(p.net, 0.5, 0.5).position;
            const Vec3 away = normalized(Vec3{middle.x, middle.y, 0});
            p.outwardHint = away * row.outwardHint.x + Vec3{0, 0, row.outwardHint.z};
            patches.push_back(p);
        }
    }
    for (const SectionPatch& section : kSectionPatches) {
        for (double side : {-1.0, 1.0}) {
            Patch p;
            for (int i = 0; i < 4; ++i) {
                const SectionRow& s = section[i];
                p.net[i] = {Vec3{s.x1, 0, s.z1}, Vec3{s.x1, side * s.w, s.z1}, Vec3{s.x2, side * s.w, s.z2},
                            Vec3{s.x2, 0, s.z2}};
            }
            p.outwardHint = {0, side, 0};
            patches.push_back(p);
        }
    }
    return patches;
}

// Surface normal; at a collapsed edge (the knob's tip, the bottom's centre)
// it is taken a little way into the patch.
Vec3 patchNormal(const ControlNet& net, double s, double t)
{
    for (double nudge : {0.0, 1e-3, 1e-2}) {
        const BezierSample b = evaluate(net, s + (0.5 - s) * nudge, t + (0.5 - t) * nudge);
        const Vec3 n = cross(b.dS, b.dT);
        if (length(n) > 1e-9) {
            return normalized(n);
        }
    }
    return {};
}

// Newell's axes (z up, spout towards +x) to ours (y up), centred and scaled.
Vec3 toModel(const Vec3& p)
{
    constexpr double scale = 0.33;
    return Vec3{p.x - 0.2625, p.z - 1.575, p.y} * scale;
}

Vec3 toModelDirection(const Vec3& d) { return Vec3{d.x, d.z, d.y}; }

}  // namespace

Scene teapot()
{
    constexpr int steps = 8;
    MeshBuilder mesh("Teapot");
    mesh.setMaterials({Material{.name = "TeapotWhite", .diffuse = {0.92, 0.92, 0.9, 1.0}, .power = 50.0}});
    for (const Patch& patch : newellPatches()) {
        const double flip = dot(patchNormal(patch.net, 0.5, 0.5), patch.outwardHint) < 0 ? -1.0 : 1.0;
        const double middleU = sphericalCoords(toModel(evaluate(patch.net, 0.5, 0.5).position), {}).u;
        addSurfaceGrid(mesh, steps, steps, [&](int i, int j) {
            const double s = double(i) / steps;
            const double t = double(j) / steps;
            const Vec3 p = toModel(evaluate(patch.net, s, t).position);
            const Vec3 n = toModelDirection(patchNormal(patch.net, s, t) * flip);
            // Keep u on the same side of the seam as the patch's middle, so
            // that no quad spans the whole texture.
            TexCoord uv = sphericalCoords(p, {});
            if (uv.u - middleU > 0.5) {
                uv.u -= 1.0;
            } else if (middleU - uv.u > 0.5) {
                uv.u += 1.0;
            }
            return SurfacePoint{p, n, uv};
        });
    }
    Scene scene;
    scene.declareTemplates = true;
    scene.meshes.push_back(mesh.build());
    return scene;
}

}  // namespace xgen
