// circle_2.x: a flat ring with some thickness and rounded walls.

#include "models.h"

#include "geometry/extrusion.h"
#include "geometry/uv_mapping.h"

namespace xgen {

Scene flatRing()
{
    constexpr double outer = 1.0;
    MeshBuilder mesh("Ring");
    mesh.setMaterials({Material{.name = "RingBrass", .diffuse = {0.85, 0.7, 0.3, 1.0}, .power = 50.0}});
    addExtrusion(mesh, ringShape(outer, 0.62, 48), -0.08, 0.08,
                 planarXY(-outer, -outer, 2 * outer, 2 * outer));
    Scene scene;
    scene.meshes.push_back(mesh.build());
    return scene;
}

}  // namespace xgen
