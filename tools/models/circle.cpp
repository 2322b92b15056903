// circle.x: a flat disc facing the camera, one 32-sided polygon for the
// front and another for the back.

#include "models.h"

#include "geometry/mesh_builder.h"
#include "geometry/uv_mapping.h"

#include <numbers>

namespace xgen {

Scene disc()
{
    constexpr int sides = 32;
    constexpr double radius = 1.0;
    std::vector<Vec3> rim;
    for (int k = 0; k < sides; ++k) {
        const double a = 2.0 * std::numbers::pi * k / sides;
        rim.push_back({radius * std::cos(a), radius * std::sin(a), 0.0});
    }
    // Counter-clockwise in XY faces +Z; reversed it faces the camera.
    const std::vector<Vec3> back = rim;
    const std::vector<Vec3> front(rim.rbegin(), rim.rend());

    MeshBuilder mesh("Disc");
    mesh.setMaterials({Material{.name = "DiscRed", .diffuse = {0.85, 0.25, 0.2, 1.0}}});
    const UvMapping uv = planarXY(-radius, -radius, 2 * radius, 2 * radius);
    mesh.flatPolygon(front, uv);
    mesh.flatPolygon(back, uv);
    Scene scene;
    scene.meshes.push_back(mesh.build());
    return scene;
}

}  // namespace xgen
