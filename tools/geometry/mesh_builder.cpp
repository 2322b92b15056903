#include "mesh_builder.h"

namespace xgen {

Vec3 polygonNormal(const std::vector<Vec3>& corners)
{
    Vec3 sum;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        sum += cross(corners[i], corners[(i + 1) % corners.size()]);
    }
    return normalized(sum);
}

std::uint32_t MeshBuilder::vertex(const Vec3& position, const Vec3& normal, const TexCoord& uv)
{
    mesh_.positions.push_back(position);
    mesh_.normals.push_back(normalized(normal));
    mesh_.texCoords.push_back(uv);
    return static_cast<std::uint32_t>(mesh_.positions.size() - 1);
}

void MeshBuilder::face(Polygon corners, std::uint32_t material)
{
    mesh_.normalFaces.push_back(corners);
    mesh_.faces.push_back(std::move(corners));
    mesh_.faceMaterials.push_back(material);
}

void MeshBuilder::flatPolygon(const std::vector<Vec3>& corners, const UvMapping& uv, std::uint32_t material)
{
    const Vec3 n = polygonNormal(corners);
    Polygon p;
    for (const Vec3& c : corners) {
        p.push_back(vertex(c, n, uv(c)));
    }
    face(std::move(p), material);
}

Mesh MeshBuilder::build() const
{
    Mesh out = mesh_;
    if (out.materials.empty()) {
        out.faceMaterials.clear();
    }
    return out;
}

}  // namespace xgen
