// Geometry of the delivered models: faces wound front-facing on the outside
// (clockwise as Direct3D sees them, i.e. the Newell normal of the corners in
// file order points out of the solid), closed solids with positive volume,
// and sizes that fit the viewer's default camera.

#include "geometry/transforms.h"
#include "models/model_catalog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <set>
#include <tuple>

namespace {

using namespace xgen;

// Mesh with frame matrices applied, as a loader flattens it.
struct PlacedMesh {
    const Mesh* mesh;
    Matrix4 toWorld;
};

void collectFrame(const Frame& f, const Matrix4& parent, std::vector<PlacedMesh>& out)
{
    const Matrix4 here = f.transform ? *f.transform * parent : parent;
    for (const Mesh& m : f.meshes) {
        out.push_back({&m, here});
    }
    for (const Frame& c : f.children) {
        collectFrame(c, here, out);
    }
}

std::vector<PlacedMesh> placedMeshes(const Scene& s)
{
    std::vector<PlacedMesh> out;
    for (const Mesh& m : s.meshes) {
        out.push_back({&m, Matrix4{}});
    }
    for (const Frame& f : s.frames) {
        collectFrame(f, Matrix4{}, out);
    }
    return out;
}

// Independent of the generators' helpers: sum of v_i x v_(i+1).
Vec3 newellNormal(const Mesh& m, const Polygon& f)
{
    Vec3 n;
    for (std::size_t i = 0; i < f.size(); ++i) {
        const Vec3& a = m.positions[f[i]];
        const Vec3& b = m.positions[f[(i + 1) % f.size()]];
        n = n + Vec3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    }
    return n;
}

double signedVolume(const Mesh& m)
{
    double v = 0.0;
    for (const Polygon& f : m.faces) {
        for (std::size_t k = 1; k + 1 < f.size(); ++k) {
            v += dot(m.positions[f[0]], cross(m.positions[f[k]], m.positions[f[k + 1]])) / 6.0;
        }
    }
    return v;
}

// Every edge, by position, is used once in each direction.
std::size_t unmatchedEdges(const Mesh& m)
{
    using Key = std::tuple<long, long, long>;
    const auto key = [&](std::uint32_t i) {
        const Vec3& p = m.positions[i];
        return Key{std::lround(p.x * 1e4), std::lround(p.y * 1e4), std::lround(p.z * 1e4)};
    };
    std::map<std::pair<Key, Key>, int> count;
    for (const Polygon& f : m.faces) {
        for (std::size_t i = 0; i < f.size(); ++i) {
            const Key a = key(f[i]);
            const Key b = key(f[(i + 1) % f.size()]);
            if (a != b) {
                ++count[{a, b}];
            }
        }
    }
    std::size_t unmatched = 0;
    for (const auto& [edge, n] : count) {
        const auto reverse = count.find({edge.second, edge.first});
        if (reverse == count.end() || reverse->second != n) {
            ++unmatched;
        }
    }
    return unmatched;
}

const Scene& model(const std::string& fileName)
{
    static std::map<std::string, Scene> built;
    auto it = built.find(fileName);
    if (it == built.end()) {
        for (const DeliveredModel& m : deliveredModels()) {
            if (m.fileName == fileName) {
                it = built.emplace(fileName, m.build()).first;
            }
        }
    }
    if (it == built.end()) {
        throw std::runtime_error("no model " + fileName);
    }
    return it->second;
}

const char* const kClosedModels[] = {
    "beer_.x", "box.x",   "box2.x", "box_2.x",  "circle_2.x",    "haguruma.x",    "hedra.x",       "object.x",
    "stars.x", "tours.x", "tube.x", "vorkan.x", "vorkan_mozi.x", "vorkan_logo.x", "vorkan_logo_.x"};

TEST(ModelGeometry, FacesAreWoundLikeTheirNormals)
{
    for (const DeliveredModel& entry : deliveredModels()) {
        for (const PlacedMesh& pm : placedMeshes(model(entry.fileName))) {
            const Mesh& m = *pm.mesh;
            ASSERT_FALSE(m.normals.empty()) << entry.fileName;
            std::size_t wrong = 0;
            for (std::size_t f = 0; f < m.faces.size(); ++f) {
                const Vec3 geometric = newellNormal(m, m.faces[f]);
                if (length(geometric) < 1e-10) {
                    continue;  // degenerate sliver
                }
                Vec3 stored;
                for (std::uint32_t n : m.normalFaces[f]) {
                    stored = stored + m.normals[n];
                }
                wrong += dot(geometric, stored) <= 0.0;
            }
            EXPECT_EQ(wrong, 0u) << entry.fileName << ": faces wound against their normals";
        }
    }
}

TEST(ModelGeometry, ClosedModelsAreWatertightWithPositiveVolume)
{
    for (const char* name : kClosedModels) {
        for (const PlacedMesh& pm : placedMeshes(model(name))) {
            EXPECT_EQ(unmatchedEdges(*pm.mesh), 0u) << name << " has open or inconsistently wound edges";
            EXPECT_GT(signedVolume(*pm.mesh), 0.01) << name << " is turned inside out";
        }
    }
}

TEST(ModelGeometry, ConvexBoxesFaceAwayFromTheirCentre)
{
    for (const char* name : {"box.x", "box2.x", "box_2.x"}) {
        for (const PlacedMesh& pm : placedMeshes(model(name))) {
            const Mesh& m = *pm.mesh;
            for (const Polygon& f : m.faces) {
                Vec3 centre;
                for (std::uint32_t i : f) {
                    centre = centre + m.positions[i] * (1.0 / f.size());
                }
                EXPECT_GT(dot(newellNormal(m, f), centre), 0.0) << name;
            }
        }
    }
}

TEST(ModelGeometry, TorusFacesPointAwayFromItsCoreCircle)
{
    const Mesh& m = model("tours.x").meshes.at(0);
    for (const Polygon& f : m.faces) {
        Vec3 c;
        for (std::uint32_t i : f) {
            c = c + m.positions[i] * (1.0 / f.size());
        }
        const Vec3 core = normalized(Vec3{c.x, c.y, 0}) * 0.72;
        EXPECT_GT(dot(newellNormal(m, f), c - core), 0.0);
    }
    const double volume = signedVolume(m);
    const double minor = 0.28;
    EXPECT_NEAR(volume, 2 * std::numbers::pi * std::numbers::pi * 0.72 * minor * minor, 0.03);
}

TEST(ModelGeometry, PlainBoxHasExpectedVolumeAndCounts)
{
    const Mesh& m = model("box.x").meshes.at(0);
    EXPECT_EQ(m.positions.size(), 24u);
    EXPECT_EQ(m.faces.size(), 6u);
    EXPECT_NEAR(signedVolume(m), 1.2 * 1.2 * 1.2, 1e-9);
}

TEST(ModelGeometry, SplitNormalBoxNeedsTwentyFourVertices)
{
    std::vector<PlacedMesh> meshes = placedMeshes(model("box2.x"));
    ASSERT_EQ(meshes.size(), 1u);
    const Mesh& m = *meshes[0].mesh;
    EXPECT_EQ(m.positions.size(), 8u);
    std::set<std::pair<std::uint32_t, std::uint32_t>> split;
    for (std::size_t f = 0; f < m.faces.size(); ++f) {
        for (std::size_t k = 0; k < m.faces[f].size(); ++k) {
            split.insert({m.faces[f][k], m.normalFaces[f][k]});
        }
    }
    EXPECT_EQ(split.size(), 24u);
}

TEST(ModelGeometry, ModelsFitTheDefaultView)
{
    // Camera at (0, 3, -10) with a 14 degree field of view shows a radius of
    // about 1.28 around the origin; the models turn about Y.
    for (const DeliveredModel& entry : deliveredModels()) {
        double radius = 0.0;
        for (const PlacedMesh& pm : placedMeshes(model(entry.fileName))) {
            for (const Vec3& p : pm.mesh->positions) {
                radius = std::max(radius, length(transformPoint(p, pm.toWorld)));
            }
        }
        EXPECT_GT(radius, 0.6) << entry.fileName << " is too small to see";
        EXPECT_LT(radius, 1.27) << entry.fileName << " does not fit the view";
    }
}

TEST(ModelGeometry, VertexCountsStayWithin16BitIndices)
{
    for (const DeliveredModel& entry : deliveredModels()) {
        std::size_t vertices = 0;
        for (const PlacedMesh& pm : placedMeshes(model(entry.fileName))) {
            vertices += pm.mesh->positions.size();
        }
        EXPECT_LT(vertices, 65535u) << entry.fileName;
    }
}

}  // namespace
