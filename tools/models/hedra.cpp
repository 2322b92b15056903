// hedra.x: four Platonic solids in a row (tetrahedron, octahedron,
// dodecahedron, icosahedron). Corners are shared between the faces of a
// solid; every face has one flat normal, given by a separate normal face list.
// The dodecahedron's faces are pentagons.

#include "models.h"

#include "geometry/mesh_builder.h"
#include "geometry/transforms.h"
#include "geometry/uv_mapping.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace xgen {

namespace {

struct Solid {
    std::vector<Vec3> corners;  // on the unit sphere
    std::vector<Polygon> faces;
};

Vec3 centroid(const Solid& s, const Polygon& f)
{
    Vec3 c;
    for (std::uint32_t i : f) {
        c += s.corners[i] * (1.0 / f.size());
    }
    return c;
}

// Orders the corners of each face around its centre and winds it outwards.
void windOutwards(Solid& s)
{
    for (Polygon& f : s.faces) {
        const Vec3 n = normalized(centroid(s, f));
        const Vec3 a = normalized(s.corners[f[0]] - n * dot(s.corners[f[0]], n));
        const Vec3 b = cross(n, a);
        std::sort(f.begin(), f.end(), [&](std::uint32_t p, std::uint32_t q) {
            return std::atan2(dot(s.corners[p], b), dot(s.corners[p], a)) <
                   std::atan2(dot(s.corners[q], b), dot(s.corners[q], a));
        });
        std::vector<Vec3> pts;
        for (std::uint32_t i : f) {
            pts.push_back(s.corners[i]);
        }
        if (dot(polygonNormal(pts), n) < 0) {
            std::reverse(f.begin(), f.end());
        }
    }
}

// All triangles whose sides are the shortest distance between corners.
std::vector<Polygon> triangleFaces(const std::vector<Vec3>& corners)
{
    double edge = 1e9;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        for (std::size_t j = i + 1; j < corners.size(); ++j) {
            edge = std::min(edge, length(corners[i] - corners[j]));
        }
    }
    const auto isEdge = [&](std::size_t i, std::size_t j) {
        return std::abs(length(corners[i] - corners[j]) - edge) < 1e-6;
    };
    std::vector<Polygon> faces;
    for (std::uint32_t i = 0; i < corners.size(); ++i) {
        for (std::uint32_t j = i + 1; j < corners.size(); ++j) {
            for (std::uint32_t k = j + 1; k < corners.size(); ++k) {
                if (isEdge(i, j) && isEdge(j, k) && isEdge(i, k)) {
                    faces.push_back({i, j, k});
                }
            }
        }
    }
    return faces;
}

Solid fromCorners(std::vector<Vec3> corners)
{
    for (Vec3& c : corners) {
        c = normalized(c);
    }
    Solid s{corners, triangleFaces(corners)};
    windOutwards(s);
    return s;
}

Solid tetrahedron() { return fromCorners({{1, 1, 1}, {1, -1, -1}, {-1, 1, -1}, {-1, -1, 1}}); }

Solid octahedron()
{
    return fromCorners({{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}});
}

Solid icosahedron()
{
    const double g = (1.0 + std::sqrt(5.0)) / 2.0;
    std::vector<Vec3> c;
    for (double s1 : {-1.0, 1.0}) {
        for (double s2 : {-1.0, 1.0}) {
            c.push_back({0, s1, s2 * g});
            c.push_back({s1, s2 * g, 0});
            c.push_back({s2 * g, 0, s1});
        }
    }
    return fromCorners(c);
}

// The dual of the icosahedron: a corner at the centre of each of its faces,
// a pentagon around each of its corners.
Solid dodecahedron()
{
    const Solid ico = icosahedron();
    Solid s;
    for (const Polygon& f : ico.faces) {
        s.corners.push_back(normalized(centroid(ico, f)));
    }
    for (std::uint32_t v = 0; v < ico.corners.size(); ++v) {
        Polygon around;
        for (std::uint32_t f = 0; f < ico.faces.size(); ++f) {
            if (std::find(ico.faces[f].begin(), ico.faces[f].end(), v) != ico.faces[f].end()) {
                around.push_back(f);
            }
        }
        s.faces.push_back(around);
    }
    windOutwards(s);
    return s;
}

void append(Mesh& mesh, const Solid& solid, const Matrix4& place)
{
    const auto base = static_cast<std::uint32_t>(mesh.positions.size());
    for (const Vec3& c : solid.corners) {
        mesh.positions.push_back(transformPoint(c, place));
    }
    for (const Polygon& f : solid.faces) {
        Polygon face;
        std::vector<Vec3> pts;
        for (std::uint32_t i : f) {
            face.push_back(base + i);
            pts.push_back(mesh.positions[base + i]);
        }
        const auto n = static_cast<std::uint32_t>(mesh.normals.size());
        mesh.normals.push_back(polygonNormal(pts));
        mesh.faces.push_back(face);
        mesh.normalFaces.push_back(Polygon(face.size(), n));
    }
}

}  // namespace

Scene platonicSolids()
{
    constexpr double radius = 0.3;
    Mesh mesh;
    mesh.name = "Hedra";
    const Solid solids[4] = {tetrahedron(), octahedron(), dodecahedron(), icosahedron()};
    for (int k = 0; k < 4; ++k) {
        const double x = -0.9 + 0.6 * k;
        append(mesh, solids[k],
               rotationY(0.4 * k + 0.3) * rotationX(0.5) * scaling(radius) * translation({x, 0, 0}));
    }
    const UvMapping uv = planarXY(-1.2, -0.6, 2.4, 1.2);
    for (const Vec3& p : mesh.positions) {
        mesh.texCoords.push_back(uv(p));
    }
    mesh.materials = {Material{.name = "Crystal", .diffuse = {0.6, 0.85, 0.75, 1.0}, .power = 60.0}};
    mesh.faceMaterials.assign(mesh.faces.size(), 0);
    Scene scene;
    scene.meshes.push_back(std::move(mesh));
    return scene;
}

}  // namespace xgen
