// Every delivered model through the program's own .x reader: it must load,
// report the format it was written in, count faces and split vertices the
// way D3DX does, and keep its faces front-facing on the outside.

#include "models/model_catalog.h"
#include "xfile/xfile.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

namespace {

const std::filesystem::path kModelDir = std::filesystem::path(ORVANE_DELIVERED_DIR) / "X-File";

void forEachMesh(const xgen::Frame& f, const std::function<void(const xgen::Mesh&)>& visit)
{
    for (const xgen::Mesh& m : f.meshes) {
        visit(m);
    }
    for (const xgen::Frame& c : f.children) {
        forEachMesh(c, visit);
    }
}

void forEachMesh(const xgen::Scene& s, const std::function<void(const xgen::Mesh&)>& visit)
{
    for (const xgen::Mesh& m : s.meshes) {
        visit(m);
    }
    for (const xgen::Frame& f : s.frames) {
        forEachMesh(f, visit);
    }
}

struct ExpectedCounts {
    std::size_t faces = 0;
    std::size_t vertices = 0;
    std::size_t firstGroupFaces = 0;
    bool textured = false;
};

// Triangles after fan triangulation; vertices after splitting every corner
// whose normal differs from the one already used with that position.
ExpectedCounts expectedCounts(const xgen::Scene& scene)
{
    ExpectedCounts c;
    forEachMesh(scene, [&](const xgen::Mesh& m) {
        std::map<std::uint32_t, std::set<std::array<float, 3>>> normalsAt;
        for (std::size_t f = 0; f < m.faces.size(); ++f) {
            const std::size_t triangles = m.faces[f].size() - 2;
            c.faces += triangles;
            if (m.faceMaterials.empty() || m.faceMaterials[f] == 0) {
                c.firstGroupFaces += triangles;
            }
            for (std::size_t k = 0; k < m.faces[f].size(); ++k) {
                const xgen::Vec3& n = m.normals[m.normalFaces[f][k]];
                normalsAt[m.faces[f][k]].insert(
                    {static_cast<float>(n.x), static_cast<float>(n.y), static_cast<float>(n.z)});
            }
        }
        c.vertices += m.positions.size();
        for (const auto& [position, normals] : normalsAt) {
            c.vertices += normals.size() - 1;
        }
        c.textured = c.textured || !m.texCoords.empty();
    });
    return c;
}

int expectedFloatBits(const xgen::FileFormat& f) { return f.floats == xgen::FloatWidth::Bits64 ? 64 : 32; }

xfile::Encoding expectedEncoding(const xgen::FileFormat& f)
{
    switch (f.encoding) {
    case xgen::Encoding::Text:
        return xfile::Encoding::Text;
    case xgen::Encoding::Binary:
        return xfile::Encoding::Binary;
    case xgen::Encoding::CompressedText:
        return xfile::Encoding::TextZip;
    case xgen::Encoding::CompressedBinary:
        return xfile::Encoding::BinaryZip;
    }
    return xfile::Encoding::Text;
}

TEST(DeliveredModelsLoad, EveryModelLoadsWithTheExpectedCounts)
{
    for (const xgen::DeliveredModel& model : xgen::deliveredModels()) {
        SCOPED_TRACE(model.fileName);
        xfile::MeshData mesh;
        xfile::LoadError err;
        ASSERT_TRUE(xfile::loadMeshFile((kModelDir / model.fileName).string(), mesh, err)) << err.message;
        EXPECT_TRUE(mesh.warnings.empty()) << mesh.warnings.front();
        EXPECT_EQ(mesh.encoding, expectedEncoding(model.format));
        EXPECT_EQ(mesh.floatBits, expectedFloatBits(model.format));

        const ExpectedCounts expected = expectedCounts(model.build());
        EXPECT_EQ(mesh.faceCount(), expected.faces);
        EXPECT_EQ(mesh.vertexCount(), expected.vertices);
        ASSERT_FALSE(mesh.groups.empty());
        EXPECT_EQ(mesh.groups.front().attribute, 0u);
        EXPECT_EQ(mesh.groups.front().faceCount, expected.firstGroupFaces);
        EXPECT_FALSE(mesh.normals.empty());
        EXPECT_EQ(!mesh.texcoords.empty(), expected.textured);
    }
}

TEST(DeliveredModelsLoad, LoadedTrianglesFaceTheWayTheirNormalsPoint)
{
    for (const xgen::DeliveredModel& model : xgen::deliveredModels()) {
        xfile::MeshData mesh;
        xfile::LoadError err;
        ASSERT_TRUE(xfile::loadMeshFile((kModelDir / model.fileName).string(), mesh, err)) << err.message;
        ASSERT_FALSE(mesh.normals.empty()) << model.fileName;
        const auto at = [&](const std::vector<float>& v, std::uint32_t i) {
            return xgen::Vec3{v[3 * i], v[3 * i + 1], v[3 * i + 2]};
        };
        std::size_t wrong = 0;
        for (std::size_t t = 0; t < mesh.faceCount(); ++t) {
            const std::uint32_t a = mesh.indices[3 * t], b = mesh.indices[3 * t + 1],
                                c = mesh.indices[3 * t + 2];
            const xgen::Vec3 pa = at(mesh.positions, a);
            const xgen::Vec3 geometric = xgen::cross(at(mesh.positions, b) - pa, at(mesh.positions, c) - pa);
            if (xgen::length(geometric) < 1e-7) {
                continue;
            }
            const xgen::Vec3 stored = at(mesh.normals, a) + at(mesh.normals, b) + at(mesh.normals, c);
            wrong += xgen::dot(geometric, stored) <= 0.0;
        }
        EXPECT_EQ(wrong, 0u) << model.fileName;
    }
}

}  // namespace
