// panel.x: one rectangular panel. Front and back share the four corners and
// differ only in winding and in their normal, given by a separate normal
// face list.

#include "models.h"

#include "xwriter/xscene.h"

namespace xgen {

Scene singlePanel()
{
    constexpr double w = 0.8;
    constexpr double h = 0.6;
    Mesh panel;
    panel.name = "Panel";
    // Top left, top right, bottom right, bottom left as seen from the camera.
    panel.positions = {{-w, h, 0}, {w, h, 0}, {w, -h, 0}, {-w, -h, 0}};
    panel.texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    panel.faces = {{0, 1, 2, 3}, {3, 2, 1, 0}};
    panel.normals = {{0, 0, -1}, {0, 0, 1}};
    panel.normalFaces = {{0, 0, 0, 0}, {1, 1, 1, 1}};
    panel.materials = {Material{.name = "PanelGrey", .diffuse = {0.8, 0.8, 0.8, 1.0}}};
    panel.faceMaterials = {0, 0};
    Scene scene;
    scene.meshes.push_back(std::move(panel));
    return scene;
}

}  // namespace xgen
