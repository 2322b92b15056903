// box2.x: a cube stored the compact way, eight corners and six flat normals
// with their own face list; a loader has to split the corners into 24
// vertices. It sits in a turned frame.

#include "models.h"

#include "geometry/mesh_builder.h"
#include "geometry/transforms.h"
#include "geometry/uv_mapping.h"

#include <numbers>

namespace xgen {

Scene splitNormalBox()
{
    constexpr double h = 0.55;
    Mesh box;
    box.name = "SplitNormalBox";
    for (int k = 0; k < 8; ++k) {
        box.positions.push_back({(k & 1) ? h : -h, (k & 2) ? h : -h, (k & 4) ? h : -h});
    }
    const UvMapping uv = planarXY(-h, -h, 2 * h, 2 * h);
    for (const Vec3& p : box.positions) {
        box.texCoords.push_back(uv(p));
    }
    // Corner k has bit 0 = +x, bit 1 = +y, bit 2 = +z.
    const Polygon sides[6] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 4, 6, 2},
                              {1, 3, 7, 5}, {2, 6, 7, 3}, {0, 1, 5, 4}};
    for (const Polygon& side : sides) {
        std::vector<Vec3> corners;
        for (std::uint32_t i : side) {
            corners.push_back(box.positions[i]);
        }
        Polygon face = side;
        Vec3 centre;
        for (const Vec3& c : corners) {
            centre += c * 0.25;
        }
        if (dot(polygonNormal(corners), centre) < 0) {
            face = {side[3], side[2], side[1], side[0]};
        }
        const auto normalIndex = static_cast<std::uint32_t>(box.normals.size());
        box.normals.push_back(normalized(centre));
        box.faces.push_back(face);
        box.normalFaces.push_back(Polygon(4, normalIndex));
    }
    box.materials = {Material{.name = "BoxBlue", .diffuse = {0.35, 0.55, 0.9, 1.0}, .power = 30.0}};
    box.faceMaterials.assign(box.faces.size(), 0);

    Frame frame;
    frame.name = "BoxFrame";
    frame.transform = rotationY(std::numbers::pi / 6) * rotationX(std::numbers::pi / 9);
    frame.meshes.push_back(std::move(box));
    Scene scene;
    scene.frames.push_back(std::move(frame));
    return scene;
}

}  // namespace xgen
