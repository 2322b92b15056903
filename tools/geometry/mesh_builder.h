#pragma once

// Collects vertices (position, normal, texture coordinate) and polygons and
// turns them into an xgen::Mesh whose normals are indexed like its vertices.

#include "xwriter/xscene.h"

#include <functional>
#include <string>

namespace xgen {

using UvMapping = std::function<TexCoord(const Vec3&)>;

// Normal of a polygon by Newell's method. A polygon is front-facing in
// Direct3D (clockwise on screen) when this points towards the viewer, so for a
// closed solid it must point outwards.
Vec3 polygonNormal(const std::vector<Vec3>& corners);

class MeshBuilder {
public:
    explicit MeshBuilder(std::string name) { mesh_.name = std::move(name); }

    std::uint32_t vertex(const Vec3& position, const Vec3& normal, const TexCoord& uv);
    void face(Polygon corners, std::uint32_t material = 0);

    // A polygon with vertices of its own, shaded flat with the normal its
    // winding gives.
    void flatPolygon(const std::vector<Vec3>& corners, const UvMapping& uv, std::uint32_t material = 0);

    // Materials are written only when set; face() indices refer to them.
    void setMaterials(std::vector<Material> materials) { mesh_.materials = std::move(materials); }

    const Vec3& position(std::uint32_t index) const { return mesh_.positions[index]; }
    const Vec3& normal(std::uint32_t index) const { return mesh_.normals[index]; }

    Mesh build() const;

private:
    Mesh mesh_;
};

}  // namespace xgen
