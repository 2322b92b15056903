#include "surface_grid.h"

#include <vector>

namespace xgen {

namespace {

bool samePlace(const Vec3& a, const Vec3& b) { return length(a - b) < 1e-9; }

}  // namespace

void addSurfaceGrid(MeshBuilder& builder, int columns, int rows,
                    const std::function<SurfacePoint(int i, int j)>& at, std::uint32_t material)
{
    std::vector<std::uint32_t> index((columns + 1) * (rows + 1));
    const auto id = [&](int i, int j) -> std::uint32_t& { return index[j * (columns + 1) + i]; };
    for (int j = 0; j <= rows; ++j) {
        for (int i = 0; i <= columns; ++i) {
            const SurfacePoint p = at(i, j);
            id(i, j) = builder.vertex(p.position, p.normal, p.uv);
        }
    }

    // One winding for the whole grid: the one most quads agree with.
    double vote = 0.0;
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < columns; ++i) {
            const std::uint32_t q[4] = {id(i, j), id(i + 1, j), id(i + 1, j + 1), id(i, j + 1)};
            std::vector<Vec3> corners;
            Vec3 normalSum;
            for (std::uint32_t v : q) {
                corners.push_back(builder.position(v));
                normalSum += builder.normal(v);
            }
            vote += dot(polygonNormal(corners), normalSum) > 0.0 ? 1.0 : -1.0;
        }
    }
    const bool reverse = vote < 0.0;

    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < columns; ++i) {
            Polygon quad = {id(i, j), id(i + 1, j), id(i + 1, j + 1), id(i, j + 1)};
            if (reverse) {
                quad = {quad[3], quad[2], quad[1], quad[0]};
            }
            Polygon kept;
            for (std::size_t k = 0; k < quad.size(); ++k) {
                const std::uint32_t prev = quad[(k + quad.size() - 1) % quad.size()];
                if (!samePlace(builder.position(quad[k]), builder.position(prev))) {
                    kept.push_back(quad[k]);
                }
            }
            if (kept.size() >= 3) {
                builder.face(std::move(kept), material);
            }
        }
    }
}

}  // namespace xgen
