// Helpers shared by the reader tests.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <string>

#include "xfile/xfile.h"
#include "xfile_writer.h"

namespace xtest {

struct Result {
    bool ok = false;
    xfile::MeshData mesh;
    std::string error;
    double seconds = 0;
};

// What every successful load must satisfy, whatever the input.
inline void expectConsistent(const xfile::MeshData& m)
{
    const std::size_t v = m.vertexCount();
    EXPECT_EQ(m.positions.size(), v * 3);
    EXPECT_TRUE(m.normals.empty() || m.normals.size() == v * 3);
    EXPECT_TRUE(m.texcoords.empty() || m.texcoords.size() == v * 2);
    EXPECT_TRUE(m.colors.empty() || m.colors.size() == v);
    EXPECT_EQ(m.indices.size() % 3, 0u);
    EXPECT_EQ(m.attributes.size(), m.faceCount());
    for (std::uint32_t i : m.indices)
        ASSERT_LT(i, v);
    std::uint32_t covered = 0, previous = 0;
    for (const auto& g : m.groups) {
        EXPECT_EQ(g.faceStart, covered);
        EXPECT_GT(g.faceCount, 0u);
        if (covered > 0) {
            EXPECT_GT(g.attribute, previous);
        }
        for (std::uint32_t f = g.faceStart; f < g.faceStart + g.faceCount && f < m.attributes.size(); ++f) {
            EXPECT_EQ(m.attributes[f], g.attribute);
        }
        covered += g.faceCount;
        previous = g.attribute;
    }
    EXPECT_EQ(covered, m.faceCount());
    EXPECT_FALSE(m.materials.empty());
}

inline Result load(const std::string& file)
{
    Result r;
    xfile::LoadError err;
    const auto t0 = std::chrono::steady_clock::now();
    r.ok = xfile::loadMesh(file.data(), file.size(), r.mesh, err);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.error = err.message;
    if (r.ok)
        expectConsistent(r.mesh);
    return r;
}

// A text file: header + body.
inline Result loadText(const std::string& body, int floatBits = 32)
{
    return load(header("txt ", floatBits) + body);
}

// Position / normal / texcoord of vertex v.
inline std::array<float, 3> pos(const xfile::MeshData& m, std::uint32_t v)
{
    return {m.positions[v * 3], m.positions[v * 3 + 1], m.positions[v * 3 + 2]};
}
inline std::array<float, 3> nrm(const xfile::MeshData& m, std::uint32_t v)
{
    return {m.normals[v * 3], m.normals[v * 3 + 1], m.normals[v * 3 + 2]};
}
inline std::array<std::uint32_t, 3> tri(const xfile::MeshData& m, std::uint32_t f)
{
    return {m.indices[f * 3], m.indices[f * 3 + 1], m.indices[f * 3 + 2]};
}

inline void expectNear3(const std::array<float, 3>& a, float x, float y, float z, float eps = 1e-5f)
{
    EXPECT_NEAR(a[0], x, eps);
    EXPECT_NEAR(a[1], y, eps);
    EXPECT_NEAR(a[2], z, eps);
}

// Expects a clean failure: false, a message, done quickly.
#define EXPECT_REJECTED(result, fragment)                                                                    \
    do {                                                                                                     \
        const ::xtest::Result& r_ = (result);                                                                \
        EXPECT_FALSE(r_.ok);                                                                                 \
        EXPECT_FALSE(r_.error.empty());                                                                      \
        EXPECT_NE(r_.error.find(fragment), std::string::npos) << "message: " << r_.error;                    \
        EXPECT_LT(r_.seconds, 2.0);                                                                          \
        EXPECT_EQ(r_.mesh.vertexCount(), 0u);                                                                \
    } while (0)

// An 8-corner cube with one normal per side: six quads whose corners each
// need the normal of their side.
inline const char* kCube = R"(
Mesh Cube {
 8;
 -1.0;-1.0;-1.0;, 1.0;-1.0;-1.0;, 1.0;1.0;-1.0;, -1.0;1.0;-1.0;,
 -1.0;-1.0;1.0;, 1.0;-1.0;1.0;, 1.0;1.0;1.0;, -1.0;1.0;1.0;;
 6;
 4;0,3,2,1;, 4;4,5,6,7;, 4;0,1,5,4;, 4;3,7,6,2;, 4;0,4,7,3;, 4;1,2,6,5;;
 MeshNormals {
  6;
  0.0;0.0;-1.0;, 0.0;0.0;1.0;, 0.0;-1.0;0.0;, 0.0;1.0;0.0;, -1.0;0.0;0.0;, 1.0;0.0;0.0;;
  6;
  4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;;
 }
}
)";

}  // namespace xtest
