// tours.x: a torus standing upright, facing the camera.

#include "models.h"

#include "geometry/swept_tube.h"

#include <numbers>

namespace xgen {

Scene torus()
{
    constexpr int steps = 64;
    TubePath circle;
    circle.closed = true;
    for (int k = 0; k < steps; ++k) {
        const double a = 2.0 * std::numbers::pi * k / steps;
        circle.points.push_back({0.72 * std::cos(a), 0.72 * std::sin(a), 0});
    }
    MeshBuilder mesh("Torus");
    mesh.setMaterials({Material{.name = "TorusGreen", .diffuse = {0.3, 0.8, 0.4, 1.0}, .power = 40.0}});
    addSweptTube(mesh, circle, 0.28, 24);
    Scene scene;
    scene.meshes.push_back(mesh.build());
    return scene;
}

}  // namespace xgen
