// panel2.x: a 4 x 4 grid of square tiles with gaps between them, raised and
// lowered alternately; the texture spans the whole grid.

#include "models.h"

#include "geometry/mesh_builder.h"
#include "geometry/uv_mapping.h"

namespace xgen {

Scene tiledPanel()
{
    constexpr int count = 4;
    constexpr double tile = 0.34;
    constexpr double gap = 0.06;
    constexpr double span = count * tile + (count - 1) * gap;
    constexpr double start = -span / 2;
    MeshBuilder mesh("TiledPanel");
    mesh.setMaterials({Material{.name = "Tile", .diffuse = {0.7, 0.8, 0.95, 1.0}}});
    const UvMapping uv = planarXY(start, start, span, span);
    for (int row = 0; row < count; ++row) {
        for (int col = 0; col < count; ++col) {
            const double x0 = start + col * (tile + gap);
            const double y0 = start + row * (tile + gap);
            const double z = ((row + col) % 2 == 0) ? -0.04 : 0.04;
            const Vec3 tl{x0, y0 + tile, z}, tr{x0 + tile, y0 + tile, z}, br{x0 + tile, y0, z}, bl{x0, y0, z};
            mesh.flatPolygon({tl, tr, br, bl}, uv);  // faces the camera
            mesh.flatPolygon({bl, br, tr, tl}, uv);  // faces away
        }
    }
    Scene scene;
    scene.meshes.push_back(mesh.build());
    return scene;
}

}  // namespace xgen
