#include "swept_tube.h"

#include "surface_grid.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace xgen {

namespace {

Vec3 anyPerpendicular(const Vec3& t)
{
    const Vec3 axis = std::abs(t.y) < 0.9 ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
    return normalized(cross(t, axis));
}

Vec3 rotateAbout(const Vec3& v, const Vec3& axis, double angle)
{
    // Rodrigues' rotation formula.
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    return v * c + cross(axis, v) * s + axis * (dot(axis, v) * (1.0 - c));
}

}  // namespace

void addSweptTube(MeshBuilder& builder, const TubePath& path, double radius, int sides,
                  std::uint32_t material)
{
    const std::size_t n = path.points.size();
    if (n < 2) {
        return;
    }
    const auto point = [&](std::ptrdiff_t k) {
        if (path.closed) {
            return path.points[static_cast<std::size_t>((k % static_cast<std::ptrdiff_t>(n) + n) % n)];
        }
        return path.points[static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(k, 0, n - 1))];
    };
    const std::size_t stations = path.closed ? n + 1 : n;
    std::vector<Vec3> tangent(stations);
    std::vector<Vec3> normal(stations);
    for (std::size_t k = 0; k < stations; ++k) {
        const auto i = static_cast<std::ptrdiff_t>(k);
        tangent[k] = normalized(point(i + 1) - point(i - 1));
    }
    normal[0] = anyPerpendicular(tangent[0]);
    for (std::size_t k = 1; k < stations; ++k) {
        normal[k] = normalized(normal[k - 1] - tangent[k] * dot(normal[k - 1], tangent[k]));
    }
    if (path.closed) {
        // Spread the mismatch left after one loop evenly along the path.
        const Vec3 t = tangent[0];
        const double mismatch =
            std::atan2(dot(cross(normal[stations - 1], normal[0]), t), dot(normal[stations - 1], normal[0]));
        for (std::size_t k = 0; k < stations; ++k) {
            normal[k] = rotateAbout(normal[k], tangent[k], mismatch * k / (stations - 1));
        }
    }

    std::vector<double> arc(stations, 0.0);
    for (std::size_t k = 1; k < stations; ++k) {
        arc[k] = arc[k - 1] +
                 length(point(static_cast<std::ptrdiff_t>(k)) - point(static_cast<std::ptrdiff_t>(k) - 1));
    }

    addSurfaceGrid(
        builder, static_cast<int>(stations - 1), sides,
        [&](int i, int j) {
            const auto k = static_cast<std::size_t>(i);
            const double angle = 2.0 * std::numbers::pi * j / sides;
            const Vec3 binormal = cross(tangent[k], normal[k]);
            const Vec3 out = normal[k] * std::cos(angle) + binormal * std::sin(angle);
            return SurfacePoint{
                point(i) + out * radius, out, {arc[k] / arc.back(), static_cast<double>(j) / sides}};
        },
        material);
}

}  // namespace xgen
