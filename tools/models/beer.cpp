// beer.x: a glass beer mug with a handle, filled to just below the rim.
// Glass and handle use the first material, the head of foam the second.

#include "models.h"

#include "geometry/lathe.h"
#include "geometry/swept_tube.h"

#include <numbers>

namespace xgen {

namespace {

std::vector<ProfilePoint> glassProfile()
{
    std::vector<ProfilePoint> p = {{{0.0, -0.6}}, {{0.40, -0.6}}};
    appendQuadratic(p, {0.40, -0.6}, {0.47, -0.6}, {0.47, -0.53}, 4);  // rounded foot
    p.push_back({{0.50, 0.56}});
    appendQuadratic(p, {0.50, 0.56}, {0.50, 0.62}, {0.47, 0.62}, 3);  // lip
    appendQuadratic(p, {0.47, 0.62}, {0.44, 0.62}, {0.44, 0.56}, 3);
    p.push_back({{0.42, -0.44}, true});
    p.push_back({{0.0, -0.44}});
    return p;
}

// A D-shaped handle whose ends sink into the glass wall.
TubePath handlePath()
{
    TubePath path;
    path.points.push_back({0.45, 0.3, 0});
    for (int k = 0; k <= 24; ++k) {
        const double a = std::numbers::pi * k / 24;
        path.points.push_back({0.52 + 0.3 * std::sin(a), 0.3 * std::cos(a), 0});
    }
    path.points.push_back({0.45, -0.3, 0});
    return path;
}

}  // namespace

Scene beerMug()
{
    MeshBuilder mesh("BeerMug");
    mesh.setMaterials({
        Material{
            .name = "Glass", .diffuse = {0.85, 0.9, 0.95, 1.0}, .power = 90.0, .specular = {1.0, 1.0, 1.0}},
        Material{
            .name = "Foam", .diffuse = {1.0, 0.97, 0.88, 1.0}, .power = 5.0, .specular = {0.1, 0.1, 0.1}},
    });
    addLathe(mesh, glassProfile(), 40, 0);
    addSweptTube(mesh, handlePath(), 0.06, 12, 0);

    // The foam surface, walked from the glass wall to the axis with the beer
    // below it.
    std::vector<ProfilePoint> foam = {{{0.435, 0.44}}};
    appendQuadratic(foam, {0.435, 0.44}, {0.3, 0.53}, {0.0, 0.53}, 6);
    addLathe(mesh, foam, 40, 1);

    Scene scene;
    scene.meshes.push_back(mesh.build());
    return scene;
}

}  // namespace xgen
