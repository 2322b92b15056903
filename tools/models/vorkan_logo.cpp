// vorkan_logo.x: the Vorkan emblem in gold.

#include "models.h"

#include "vorkan_emblem.h"

namespace xgen {

Scene vorkanEmblem()
{
    MeshBuilder mesh("VorkanLogo");
    mesh.setMaterials({Material{
        .name = "Gold", .diffuse = {0.95, 0.75, 0.25, 1.0}, .power = 60.0, .specular = {1.0, 0.9, 0.6}}});
    addVorkanEmblem(mesh, 0);
    Scene scene;
    scene.meshes.push_back(mesh.build());
    return scene;
}

}  // namespace xgen
