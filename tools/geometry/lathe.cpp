#include "lathe.h"

#include "surface_grid.h"

#include <numbers>

namespace xgen {

void appendQuadratic(std::vector<ProfilePoint>& profile, Vec2 a, Vec2 b, Vec2 c, int count)
{
    for (int k = 1; k <= count; ++k) {
        const double t = static_cast<double>(k) / count;
        const double s = 1.0 - t;
        profile.push_back({a * (s * s) + b * (2 * s * t) + c * (t * t)});
    }
}

void addLathe(MeshBuilder& builder, const std::vector<ProfilePoint>& profile, int segments,
              std::uint32_t material)
{
    if (profile.size() < 2) {
        return;
    }
    std::vector<double> arc(profile.size(), 0.0);
    for (std::size_t k = 1; k < profile.size(); ++k) {
        arc[k] = arc[k - 1] + length(profile[k].point - profile[k - 1].point);
    }
    const double totalArc = arc.back() > 0.0 ? arc.back() : 1.0;

    // Split into smooth pieces at creases; a crease point belongs to both.
    std::size_t start = 0;
    while (start + 1 < profile.size()) {
        std::size_t end = start + 1;
        while (end + 1 < profile.size() && !profile[end].crease) {
            ++end;
        }
        const int rows = static_cast<int>(end - start);
        addSurfaceGrid(
            builder, segments, rows,
            [&](int i, int j) {
                const std::size_t k = start + static_cast<std::size_t>(j);
                const Vec2 prev = profile[k == start ? k : k - 1].point;
                const Vec2 next = profile[k == end ? k : k + 1].point;
                const Vec2 tangent = next - prev;
                const Vec2 outward = Vec2{tangent.y, -tangent.x} * (1.0 / length(tangent));
                const double angle = 2.0 * std::numbers::pi * i / segments;
                const double c = std::cos(angle);
                const double s = std::sin(angle);
                const Vec2 p = profile[k].point;
                return SurfacePoint{{p.x * c, p.y, p.x * s},
                                    {outward.x * c, outward.y, outward.x * s},
                                    {static_cast<double>(i) / segments, 1.0 - arc[k] / totalArc}};
            },
            material);
        start = end;
    }
}

}  // namespace xgen
