// vorkan.x: the start-up model, a trefoil knot of glowing lava rock, turned
// slightly towards the camera by its frame.

#include "models.h"

#include "geometry/swept_tube.h"
#include "geometry/transforms.h"

#include <numbers>

namespace xgen {

Scene trefoilKnot()
{
    constexpr int steps = 240;
    constexpr double scale = 0.3;
    TubePath knot;
    knot.closed = true;
    for (int k = 0; k < steps; ++k) {
        // Torus knot winding twice around the axis and three times through
        // the hole.
        const double t = 2.0 * std::numbers::pi * k / steps;
        const double r = 2.0 + std::cos(3 * t);
        knot.points.push_back(Vec3{r * std::cos(2 * t), r * std::sin(2 * t), -std::sin(3 * t)} * scale);
    }
    MeshBuilder mesh("Vorkan");
    mesh.setMaterials({Material{.name = "Lava",
                                .diffuse = {0.9, 0.35, 0.1, 1.0},
                                .power = 30.0,
                                .specular = {1.0, 0.8, 0.5},
                                .emissive = {0.2, 0.04, 0.0}}});
    addSweptTube(mesh, knot, 0.18, 16);

    Frame frame;
    frame.name = "Vorkan";
    frame.transform = rotationX(-0.25);
    frame.meshes.push_back(mesh.build());
    Scene scene;
    scene.frames.push_back(std::move(frame));
    return scene;
}

}  // namespace xgen
