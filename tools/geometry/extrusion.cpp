#include "extrusion.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <stdexcept>

namespace xgen {

namespace {

double signedArea(const std::vector<Vec2>& pts, const std::vector<std::uint32_t>& poly)
{
    double area = 0.0;
    for (std::size_t i = 0; i < poly.size(); ++i) {
        area += cross(pts[poly[i]], pts[poly[(i + 1) % poly.size()]]);
    }
    return area * 0.5;
}

// Strictly inside a convex polygon, whichever its direction.
bool insideConvex(const std::vector<Vec2>& pts, const std::vector<std::uint32_t>& poly, Vec2 q)
{
    int positive = 0;
    int negative = 0;
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const Vec2 a = pts[poly[i]];
        const Vec2 b = pts[poly[(i + 1) % poly.size()]];
        const double side = cross(b - a, q - a);
        if (side > 0) {
            ++positive;
        } else if (side < 0) {
            ++negative;
        } else {
            return false;
        }
    }
    return positive == 0 || negative == 0;
}

void requireConvex(const std::vector<Vec2>& pts, const std::vector<std::uint32_t>& poly)
{
    const double sign = signedArea(pts, poly) > 0 ? 1.0 : -1.0;
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const Vec2 a = pts[poly[i]];
        const Vec2 b = pts[poly[(i + 1) % poly.size()]];
        const Vec2 c = pts[poly[(i + 2) % poly.size()]];
        if (cross(b - a, c - b) * sign < -1e-12) {
            throw std::logic_error("extrusion cap polygon is not convex");
        }
    }
}

bool insideShape(const PlanarShape& shape, Vec2 q)
{
    for (const auto& cap : shape.caps) {
        if (insideConvex(shape.points, cap, q)) {
            return true;
        }
    }
    return false;
}

// Unit normal of edge a->b pointing away from the shape.
Vec2 outwardEdgeNormal(const PlanarShape& shape, Vec2 a, Vec2 b)
{
    const Vec2 d = b - a;
    Vec2 n = Vec2{d.y, -d.x} * (1.0 / length(d));
    const Vec2 probe = (a + b) * 0.5 + n * (1e-6 * length(d));
    return insideShape(shape, probe) ? n * -1.0 : n;
}

void addCap(MeshBuilder& builder, const PlanarShape& shape, double z, double facing, const UvMapping& uv,
            std::uint32_t material)
{
    std::vector<std::uint32_t> vertexOf(shape.points.size(), UINT32_MAX);
    const Vec3 n{0, 0, facing};
    for (const auto& cap : shape.caps) {
        requireConvex(shape.points, cap);
        std::vector<Vec3> corners;
        for (std::uint32_t p : cap) {
            corners.push_back({shape.points[p].x, shape.points[p].y, z});
        }
        const bool keep = dot(polygonNormal(corners), n) > 0;
        Polygon face;
        for (std::size_t k = 0; k < cap.size(); ++k) {
            const std::uint32_t p = cap[keep ? k : cap.size() - 1 - k];
            if (vertexOf[p] == UINT32_MAX) {
                const Vec3 pos{shape.points[p].x, shape.points[p].y, z};
                vertexOf[p] = builder.vertex(pos, n, uv(pos));
            }
            face.push_back(vertexOf[p]);
        }
        builder.face(std::move(face), material);
    }
}

void addWalls(MeshBuilder& builder, const PlanarShape& shape, const std::vector<std::uint32_t>& loop,
              double zFront, double zBack, const UvMapping& uv, std::uint32_t material)
{
    const std::size_t count = loop.size();
    const auto at = [&](std::size_t k) { return shape.points[loop[k % count]]; };
    std::vector<Vec2> edgeNormal(count);
    for (std::size_t k = 0; k < count; ++k) {
        edgeNormal[k] = outwardEdgeNormal(shape, at(k), at(k + 1));
    }
    const auto wallFace = [&](const std::array<Vec3, 4>& corners, const std::array<Vec3, 4>& normals,
                              const Vec3& outward) {
        Polygon face;
        for (std::size_t c = 0; c < 4; ++c) {
            face.push_back(builder.vertex(corners[c], normals[c], uv(corners[c])));
        }
        std::vector<Vec3> pts(corners.begin(), corners.end());
        if (dot(polygonNormal(pts), outward) < 0) {
            face = {face[3], face[2], face[1], face[0]};
        }
        builder.face(std::move(face), material);
    };
    for (std::size_t k = 0; k < count; ++k) {
        const Vec2 a = at(k);
        const Vec2 b = at(k + 1);
        const Vec3 flat{edgeNormal[k].x, edgeNormal[k].y, 0};
        Vec3 na = flat;
        Vec3 nb = flat;
        if (shape.smoothWalls) {
            const Vec2 sa = edgeNormal[(k + count - 1) % count] + edgeNormal[k];
            const Vec2 sb = edgeNormal[k] + edgeNormal[(k + 1) % count];
            na = normalized(Vec3{sa.x, sa.y, 0});
            nb = normalized(Vec3{sb.x, sb.y, 0});
        }
        wallFace(
            {Vec3{a.x, a.y, zFront}, Vec3{b.x, b.y, zFront}, Vec3{b.x, b.y, zBack}, Vec3{a.x, a.y, zBack}},
            {na, nb, nb, na}, flat);
    }
}

}  // namespace

void addExtrusion(MeshBuilder& builder, const PlanarShape& shape, double zFront, double zBack,
                  const UvMapping& uv, std::uint32_t material)
{
    addCap(builder, shape, zFront, -1.0, uv, material);
    addCap(builder, shape, zBack, 1.0, uv, material);
    for (const auto& loop : shape.loops) {
        addWalls(builder, shape, loop, zFront, zBack, uv, material);
    }
}

PlanarShape convexPolygonShape(const std::vector<Vec2>& corners)
{
    PlanarShape shape;
    shape.points = corners;
    std::vector<std::uint32_t> all;
    for (std::uint32_t i = 0; i < corners.size(); ++i) {
        all.push_back(i);
    }
    shape.loops = {all};
    shape.caps = {all};
    return shape;
}

PlanarShape ringShape(double outerRadius, double innerRadius, int segments)
{
    PlanarShape shape;
    shape.smoothWalls = true;
    std::vector<std::uint32_t> outer;
    std::vector<std::uint32_t> inner;
    for (int k = 0; k < segments; ++k) {
        const double angle = 2.0 * std::numbers::pi * k / segments;
        const Vec2 dir{std::cos(angle), std::sin(angle)};
        outer.push_back(static_cast<std::uint32_t>(shape.points.size()));
        shape.points.push_back(dir * outerRadius);
        inner.push_back(static_cast<std::uint32_t>(shape.points.size()));
        shape.points.push_back(dir * innerRadius);
    }
    for (int k = 0; k < segments; ++k) {
        const int next = (k + 1) % segments;
        shape.caps.push_back({outer[k], outer[next], inner[next], inner[k]});
    }
    shape.loops = {outer, inner};
    return shape;
}

PlanarShape discShape(double radius, int segments)
{
    std::vector<Vec2> corners;
    for (int k = 0; k < segments; ++k) {
        const double angle = 2.0 * std::numbers::pi * k / segments;
        corners.push_back(Vec2{std::cos(angle), std::sin(angle)} * radius);
    }
    PlanarShape shape = convexPolygonShape(corners);
    shape.smoothWalls = true;
    return shape;
}

}  // namespace xgen
