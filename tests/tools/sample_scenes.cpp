#include "sample_scenes.h"

#include <cmath>

namespace xtest {

xgen::Scene featureScene(int rings)
{
    using namespace xgen;
    Mesh mesh;
    mesh.name = "Sample";
    // A flat fan of rings of six points, joined by quads, capped by a hexagon.
    for (int r = 1; r <= rings; ++r) {
        for (int k = 0; k < 6; ++k) {
            const double a = k * 3.14159265358979 / 3;
            mesh.positions.push_back({r * std::cos(a) * 0.1, r * std::sin(a) * 0.1, -0.001 * r});
            mesh.texCoords.push_back({k / 6.0, r / double(rings)});
        }
    }
    mesh.faces.push_back({5, 4, 3, 2, 1, 0});
    for (int r = 0; r + 1 < rings; ++r) {
        for (int k = 0; k < 6; ++k) {
            const auto at = [&](int ring, int corner) {
                return static_cast<std::uint32_t>(ring * 6 + corner % 6);
            };
            if (k % 2 == 0) {
                mesh.faces.push_back({at(r, k), at(r, k + 1), at(r + 1, k + 1), at(r + 1, k)});
            } else {
                mesh.faces.push_back({at(r, k), at(r, k + 1), at(r + 1, k + 1)});
                mesh.faces.push_back({at(r, k), at(r + 1, k + 1), at(r + 1, k)});
            }
        }
    }
    mesh.normals = {{0, 0, -1}, {0, 0.7071, -0.7071}};
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        mesh.normalFaces.push_back(Polygon(mesh.faces[f].size(), f % 2 == 0 ? 0u : 1u));
        mesh.faceMaterials.push_back(f % 3 == 0 ? 1u : 0u);
    }
    mesh.materials = {
        Material{.name = "Plain", .diffuse = {0.25, 0.5, 0.75, 1.0}, .power = 12.5},
        Material{.name = "Textured",
                 .diffuse = {1, 1, 1, 0.5},
                 .emissive = {0.1, 0.2, 0.3},
                 .textureFile = "earth1.jpg"},
    };

    Frame inner;
    inner.name = "Inner";
    inner.transform = Matrix4{{0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0.5, -0.25, 2, 1}};
    inner.meshes.push_back(mesh);
    Frame outer;
    outer.name = "Outer";
    outer.transform = Matrix4{};
    outer.children.push_back(inner);

    Scene scene;
    scene.declareTemplates = true;
    scene.headerObject = true;
    scene.meshes.push_back(mesh);
    scene.frames.push_back(outer);
    return scene;
}

}  // namespace xtest
