// vorkan_logo_.x: the emblem in silver on an enamel plate. The plate is a
// second material; viewers that draw only the first material group show the
// bare emblem.

#include "models.h"

#include "geometry/extrusion.h"
#include "geometry/uv_mapping.h"
#include "vorkan_emblem.h"

namespace xgen {

Scene vorkanEmblemPlate()
{
    MeshBuilder mesh("VorkanLogoPlate");
    mesh.setMaterials({
        Material{
            .name = "Silver", .diffuse = {0.8, 0.82, 0.86, 1.0}, .power = 80.0, .specular = {1.0, 1.0, 1.0}},
        Material{.name = "Enamel", .diffuse = {0.1, 0.2, 0.55, 1.0}, .power = 20.0},
    });
    addVorkanEmblem(mesh, 0);
    const double r = kEmblemRingInner + 0.02;
    addExtrusion(mesh, discShape(r, 64), 0.02, 0.05, planarXY(-r, -r, 2 * r, 2 * r), 1);
    Scene scene;
    scene.declareTemplates = true;
    scene.meshes.push_back(mesh.build());
    return scene;
}

}  // namespace xgen
