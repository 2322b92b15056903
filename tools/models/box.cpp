// box.x: a plain cube. Each side has four vertices of its own, so normals
// and texture coordinates are per side and indexed like the vertices.

#include "models.h"

#include "geometry/mesh_builder.h"

#include <array>

namespace xgen {

Scene plainBox()
{
    constexpr double h = 0.6;
    MeshBuilder box("Box");
    box.setMaterials({Material{.name = "BoxWhite", .diffuse = {0.9, 0.9, 0.88, 1.0}}});
    const std::array<Vec3, 6> outward = {Vec3{0, 0, -1}, Vec3{0, 0, 1}, Vec3{-1, 0, 0},
                                         Vec3{1, 0, 0},  Vec3{0, 1, 0}, Vec3{0, -1, 0}};
    for (const Vec3& n : outward) {
        // Two axes spanning the side; u along `right`, v down along -`up`.
        const Vec3 up = std::abs(n.y) > 0.5 ? Vec3{0, 0, n.y} : Vec3{0, 1, 0};
        const Vec3 right = cross(n, up);  // the viewer's right, looking at the side
        const Vec3 centre = n * h;
        const std::array<TexCoord, 4> uv = {TexCoord{0, 0}, TexCoord{1, 0}, TexCoord{1, 1}, TexCoord{0, 1}};
        const std::array<Vec3, 4> corners = {centre + (up - right) * h, centre + (up + right) * h,
                                             centre + (right - up) * h, centre - (up + right) * h};
        Polygon side;
        for (std::size_t k = 0; k < 4; ++k) {
            side.push_back(box.vertex(corners[k], n, uv[k]));
        }
        if (dot(polygonNormal({corners.begin(), corners.end()}), n) < 0) {
            side = {side[3], side[2], side[1], side[0]};
        }
        box.face(side);
    }

    Scene scene;
    scene.declareTemplates = true;
    scene.headerObject = true;
    scene.meshes.push_back(box.build());
    return scene;
}

}  // namespace xgen
