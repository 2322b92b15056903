// beer_.x: a beer bottle with a crown cap.

#include "models.h"

#include "geometry/lathe.h"
#include "geometry/smooth_curve.h"

namespace xgen {

Scene beerBottle()
{
    std::vector<ProfilePoint> profile = {{{0.0, -1.02}}, {{0.27, -1.02}}};
    appendQuadratic(profile, {0.27, -1.02}, {0.32, -1.02}, {0.32, -0.97}, 4);
    // Body, shoulder and neck as one smooth curve.
    const std::vector<Vec2> side =
        smoothCurve({{0.32, -0.97}, {0.32, 0.05}, {0.27, 0.3}, {0.14, 0.52}, {0.115, 0.7}, {0.115, 0.8}}, 6);
    for (std::size_t k = 1; k < side.size(); ++k) {
        profile.push_back({side[k]});
    }
    // Crown cap: a short skirt and a flat top.
    profile.push_back({{0.135, 0.83}, true});
    profile.push_back({{0.135, 0.92}, true});
    profile.push_back({{0.12, 0.95}, true});
    profile.push_back({{0.0, 0.95}});

    MeshBuilder mesh("BeerBottle");
    mesh.setMaterials({Material{.name = "BrownGlass",
                                .diffuse = {0.45, 0.25, 0.08, 1.0},
                                .power = 90.0,
                                .specular = {0.9, 0.9, 0.9}}});
    addLathe(mesh, profile, 36);
    Scene scene;
    scene.meshes.push_back(mesh.build());
    return scene;
}

}  // namespace xgen
