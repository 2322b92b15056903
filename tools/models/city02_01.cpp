// city02_01.x: a city block, a slab of ground with buildings of several
// heights. Walls carry texture coordinates for the facade image
// City02_01.jpg: the image (four storeys by four bays) covers each wall once,
// its top edge (a concrete parapet band) at the roof line. Coordinates stay
// within 0..1 because the viewer clamps them: a repeating facade would smear
// its edge texels. Roofs take their colour from the parapet band. The ground
// uses a second material.

#include "models.h"

#include "geometry/mesh_builder.h"

#include <array>

namespace xgen {

namespace {

constexpr double kGroundTop = -0.5;

struct Building {
    double x, z;          // centre
    double width, depth;  // along X and Z
    double height;        // above the ground
};

// The walls and roof of a box standing on `base` (y).
void addBuilding(MeshBuilder& mesh, const Building& b, double base)
{
    const double top = base + b.height;
    const double hx = b.width / 2;
    const double hz = b.depth / 2;
    // Corners of the footprint counter-clockwise seen from above.
    const std::array<Vec3, 4> foot = {Vec3{b.x - hx, 0, b.z - hz}, Vec3{b.x + hx, 0, b.z - hz},
                                      Vec3{b.x + hx, 0, b.z + hz}, Vec3{b.x - hx, 0, b.z + hz}};
    for (std::size_t k = 0; k < 4; ++k) {
        const Vec3 a = foot[k];
        const Vec3 c = foot[(k + 1) % 4];
        const double wallLength = length(c - a);
        const auto uv = [&](const Vec3& p) {
            const double s = length(Vec3{p.x, 0, p.z} - a);
            return TexCoord{s / wallLength, (top - p.y) / b.height};
        };
        const Vec3 a0{a.x, base, a.z}, a1{a.x, top, a.z}, c0{c.x, base, c.z}, c1{c.x, top, c.z};
        // Seen from outside: left top, right top, right bottom, left bottom.
        mesh.flatPolygon({a1, c1, c0, a0}, uv, 0);
    }
    const auto roofUv = [](const Vec3&) { return TexCoord{0.5, 0.01}; };
    mesh.flatPolygon({Vec3{foot[0].x, top, foot[0].z}, Vec3{foot[3].x, top, foot[3].z},
                      Vec3{foot[2].x, top, foot[2].z}, Vec3{foot[1].x, top, foot[1].z}},
                     roofUv, 0);
}

void addGround(MeshBuilder& mesh, double halfX, double halfZ, double thickness)
{
    const auto uv = [=](const Vec3& p) {
        return TexCoord{(p.x + halfX) / (2 * halfX), (p.z + halfZ) / (2 * halfZ)};
    };
    const double y0 = kGroundTop - thickness;
    const double y1 = kGroundTop;
    const Vec3 c[8] = {{-halfX, y0, -halfZ}, {halfX, y0, -halfZ}, {halfX, y0, halfZ}, {-halfX, y0, halfZ},
                       {-halfX, y1, -halfZ}, {halfX, y1, -halfZ}, {halfX, y1, halfZ}, {-halfX, y1, halfZ}};
    mesh.flatPolygon({c[4], c[7], c[6], c[5]}, uv, 1);  // top
    mesh.flatPolygon({c[0], c[1], c[2], c[3]}, uv, 1);  // bottom
    mesh.flatPolygon({c[4], c[5], c[1], c[0]}, uv, 1);  // front, towards the camera
    mesh.flatPolygon({c[5], c[6], c[2], c[1]}, uv, 1);
    mesh.flatPolygon({c[6], c[7], c[3], c[2]}, uv, 1);
    mesh.flatPolygon({c[7], c[4], c[0], c[3]}, uv, 1);
}

}  // namespace

Scene cityBlock()
{
    MeshBuilder mesh("City02_01");
    mesh.setMaterials({
        Material{
            .name = "Facade", .diffuse = {1.0, 1.0, 1.0, 1.0}, .power = 10.0, .textureFile = "City02_01.jpg"},
        Material{.name = "Ground", .diffuse = {0.35, 0.35, 0.33, 1.0}, .power = 5.0},
    });
    const Building buildings[] = {
        {-0.55, -0.35, 0.36, 0.32, 0.72}, {-0.1, -0.38, 0.36, 0.28, 1.08}, {0.42, -0.35, 0.44, 0.34, 0.54},
        {-0.58, 0.25, 0.3, 0.4, 0.9},     {-0.12, 0.24, 0.4, 0.36, 0.36},  {0.36, 0.22, 0.3, 0.3, 1.26},
        {0.68, 0.3, 0.2, 0.26, 0.45},
    };
    for (const Building& b : buildings) {
        addBuilding(mesh, b, kGroundTop);
    }
    // A stepped tower: a narrower box on top of the tallest building.
    addBuilding(mesh, {0.36, 0.22, 0.16, 0.16, 0.18}, kGroundTop + 1.26);
    addGround(mesh, 0.85, 0.65, 0.06);

    Scene scene;
    scene.meshes.push_back(mesh.build());
    return scene;
}

}  // namespace xgen
