// stars.x: five-pointed stars cut from thick board, a large one in the middle
// and four small ones around it. Each face of a star is made of kites that
// meet at its centre.

#include "models.h"

#include "geometry/extrusion.h"
#include "geometry/uv_mapping.h"

#include <numbers>

namespace xgen {

namespace {

PlanarShape starShape(Vec2 centre, double outer, double inner, double turn)
{
    PlanarShape star;
    std::vector<std::uint32_t> outline;
    for (int k = 0; k < 10; ++k) {
        const double a = turn + std::numbers::pi / 2 + std::numbers::pi * k / 5;
        const double r = (k % 2 == 0) ? outer : inner;
        outline.push_back(static_cast<std::uint32_t>(star.points.size()));
        star.points.push_back(centre + Vec2{std::cos(a), std::sin(a)} * r);
    }
    const auto middle = static_cast<std::uint32_t>(star.points.size());
    star.points.push_back(centre);
    for (int k = 0; k < 10; k += 2) {
        star.caps.push_back({middle, outline[(k + 9) % 10], outline[k], outline[k + 1]});
    }
    star.loops = {outline};
    return star;
}

}  // namespace

Scene stars()
{
    MeshBuilder mesh("Stars");
    mesh.setMaterials({Material{.name = "StarGold", .diffuse = {1.0, 0.82, 0.2, 1.0}, .power = 40.0}});
    const UvMapping uv = planarXY(-1.0, -1.0, 2.0, 2.0);
    addExtrusion(mesh, starShape({0, 0}, 0.52, 0.21, 0.0), -0.08, 0.08, uv);
    const Vec2 corners[4] = {{-0.7, 0.42}, {0.7, 0.42}, {0.7, -0.42}, {-0.7, -0.42}};
    for (int k = 0; k < 4; ++k) {
        addExtrusion(mesh, starShape(corners[k], 0.22, 0.09, 0.3 * (k + 1)), -0.05, 0.05, uv);
    }
    Scene scene;
    scene.meshes.push_back(mesh.build());
    return scene;
}

}  // namespace xgen
