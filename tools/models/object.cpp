// object.x: a turned vase with a thin wall, open at the top.

#include "models.h"

#include "geometry/lathe.h"
#include "geometry/smooth_curve.h"

namespace xgen {

Scene vase()
{
    constexpr double wall = 0.04;
    const std::vector<Vec2> outside = smoothCurve(
        {{0.30, -0.85}, {0.50, -0.55}, {0.56, -0.25}, {0.42, 0.15}, {0.24, 0.5}, {0.27, 0.72}, {0.38, 0.85}},
        6);

    std::vector<ProfilePoint> profile = {{{0.0, -0.85}}, {outside.front(), true}};
    for (std::size_t k = 1; k < outside.size(); ++k) {
        profile.push_back({outside[k]});
    }
    // Down the inside, parallel to the outside, to a floor above the foot.
    const double floor = outside.front().y + 0.06;
    profile.push_back({{outside.back().x - wall, outside.back().y}, true});
    for (std::size_t k = outside.size() - 1; k-- > 1;) {
        if (outside[k].y > floor + 0.02) {
            profile.push_back({{outside[k].x - wall, outside[k].y}});
        }
    }
    profile.push_back({{outside.front().x + 0.1 - wall, floor}, true});
    profile.push_back({{0.0, floor}});

    MeshBuilder mesh("Vase");
    mesh.setMaterials({Material{.name = "Celadon", .diffuse = {0.55, 0.75, 0.65, 1.0}, .power = 50.0}});
    addLathe(mesh, profile, 48);
    Scene scene;
    scene.meshes.push_back(mesh.build());
    return scene;
}

}  // namespace xgen
