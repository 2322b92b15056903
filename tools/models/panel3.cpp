// panel3.x: a folding screen, four panels joined at alternating angles. The
// texture runs across the unfolded screen.

#include "models.h"

#include "geometry/mesh_builder.h"

#include <numbers>

namespace xgen {

Scene foldingScreen()
{
    constexpr int panels = 4;
    constexpr double width = 0.5;
    constexpr double halfHeight = 0.7;
    const double fold = 35.0 * std::numbers::pi / 180.0;

    // Hinge lines in the XZ plane, zig-zagging, centred on the origin.
    std::vector<Vec3> hinge = {{0, 0, 0}};
    for (int k = 0; k < panels; ++k) {
        const double z = (k % 2 == 0 ? -1.0 : 1.0) * width * std::sin(fold);
        hinge.push_back(hinge.back() + Vec3{width * std::cos(fold), 0, z});
    }
    const Vec3 centre = (hinge.front() + hinge.back()) * 0.5;
    for (Vec3& p : hinge) {
        p = p - centre;
    }

    MeshBuilder mesh("FoldingScreen");
    mesh.setMaterials({Material{.name = "Paper", .diffuse = {0.95, 0.9, 0.8, 1.0}}});
    for (int k = 0; k < panels; ++k) {
        const Vec3 a = hinge[k];
        const Vec3 b = hinge[k + 1];
        const double u0 = double(k) / panels;
        const double u1 = double(k + 1) / panels;
        const Vec3 top{0, halfHeight, 0};
        const Vec3 corners[4] = {a + top, b + top, b - top, a - top};
        const TexCoord uv[4] = {{u0, 0}, {u1, 0}, {u1, 1}, {u0, 1}};
        const Vec3 front = polygonNormal({corners[0], corners[1], corners[2], corners[3]});
        Polygon faceFront;
        Polygon faceBack;
        for (int c = 0; c < 4; ++c) {
            faceFront.push_back(mesh.vertex(corners[c], front, uv[c]));
        }
        for (int c = 3; c >= 0; --c) {
            faceBack.push_back(mesh.vertex(corners[c], -front, uv[c]));
        }
        mesh.face(faceFront);
        mesh.face(faceBack);
    }
    Scene scene;
    scene.meshes.push_back(mesh.build());
    return scene;
}

}  // namespace xgen
