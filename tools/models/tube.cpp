// tube.x: a thick-walled hollow tube, tilted by two nested frames.

#include "models.h"

#include "geometry/lathe.h"
#include "geometry/transforms.h"

namespace xgen {

Scene hollowTube()
{
    constexpr double outer = 0.42;
    constexpr double inner = 0.32;
    constexpr double half = 0.8;
    // Bottom ring outwards, up the outside, top ring inwards, down the inside.
    const std::vector<ProfilePoint> profile = {{{inner, -half}},
                                               {{outer, -half}, true},
                                               {{outer, half}, true},
                                               {{inner, half}, true},
                                               {{inner, -half}, true}};

    MeshBuilder mesh("Tube");
    mesh.setMaterials({Material{.name = "Copper", .diffuse = {0.85, 0.5, 0.3, 1.0}, .power = 60.0}});
    addLathe(mesh, profile, 40);

    Frame body;
    body.name = "TubeBody";
    body.transform = rotationX(0.6);
    body.meshes.push_back(mesh.build());
    Frame root;
    root.name = "TubeRoot";
    root.transform = rotationZ(0.35);
    root.children.push_back(std::move(body));
    Scene scene;
    scene.frames.push_back(std::move(root));
    return scene;
}

}  // namespace xgen
