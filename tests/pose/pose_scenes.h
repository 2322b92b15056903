// Small scenes built by hand for the posing tests: frames, placed meshes
// with their merged vertices, skins and animation sets.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "pose/pose.h"
#include "xfile/mesh_data.h"
#include "xfile/scene.h"

namespace posetest {

using pose::Matrix4;
using Vec3 = std::array<float, 3>;

inline Matrix4 translation(float x, float y, float z)
{
    Matrix4 m = pose::identity();
    m[12] = x, m[13] = y, m[14] = z;
    return m;
}
inline Matrix4 scaling(float x, float y, float z)
{
    Matrix4 m = pose::identity();
    m[0] = x, m[5] = y, m[10] = z;
    return m;
}
// Row-vector rotation about z that takes +x towards +y.
inline Matrix4 rotationZ(double degrees)
{
    const double a = degrees * 3.14159265358979323846 / 180;
    Matrix4 m = pose::identity();
    m[0] = float(std::cos(a)), m[1] = float(std::sin(a));
    m[4] = float(-std::sin(a)), m[5] = float(std::cos(a));
    return m;
}

inline Vec3 transform(const Vec3& v, const Matrix4& m)
{
    return {v[0] * m[0] + v[1] * m[4] + v[2] * m[8] + m[12], v[0] * m[1] + v[1] * m[5] + v[2] * m[9] + m[13],
            v[0] * m[2] + v[1] * m[6] + v[2] * m[10] + m[14]};
}

// A scene and the merged mesh it refers into.
struct Model {
    xfile::Scene scene;
    xfile::MeshData mesh;

    std::uint32_t frame(const std::string& name, std::uint32_t parent = xfile::kNoIndex,
                        const Matrix4& transform = pose::identity())
    {
        scene.frames.push_back({name, parent, transform});
        return std::uint32_t(scene.frames.size() - 1);
    }

    // Places `vertices` (mesh space, with +z normals) in `frame` as the
    // merged view does: multiplied by `placement`. Returns the mesh index.
    std::size_t mesh3(const std::vector<Vec3>& vertices, std::uint32_t frameIndex, const Matrix4& placement,
                      std::vector<std::uint32_t> clones = {})
    {
        xfile::SceneMesh m;
        m.name = "mesh" + std::to_string(scene.meshes.size());
        m.frame = frameIndex;
        m.placement = placement;
        m.firstVertex = mesh.vertexCount();
        m.fileVertexCount = std::uint32_t(vertices.size());
        m.vertexCount = std::uint32_t(vertices.size() + clones.size());
        m.cloneSource = clones;
        std::vector<Vec3> all = vertices;
        for (std::uint32_t c : clones)
            all.push_back(vertices.at(c));
        for (const Vec3& v : all) {
            const Vec3 p = transform(v, placement);
            mesh.positions.insert(mesh.positions.end(), p.begin(), p.end());
            // +z through the inverse transpose of a placement without shear.
            const Vec3 n = transform({0, 0, 1}, placement);
            const Vec3 o = transform({0, 0, 0}, placement);
            Vec3 d{n[0] - o[0], n[1] - o[1], n[2] - o[2]};
            const float l = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
            for (float& c : d)
                c /= l;
            mesh.normals.insert(mesh.normals.end(), d.begin(), d.end());
        }
        scene.meshes.push_back(m);
        return scene.meshes.size() - 1;
    }

    void bone(std::size_t meshIndex, const std::string& frameName, std::vector<std::uint32_t> vertices,
              std::vector<float> weights, const Matrix4& offset)
    {
        xfile::SceneBone b;
        b.frameName = frameName;
        for (std::uint32_t i = 0; i < scene.frames.size(); ++i)
            if (scene.frames[i].name == frameName) {
                b.frame = i;
                break;
            }
        b.vertices = std::move(vertices);
        b.weights = std::move(weights);
        b.offset = offset;
        scene.meshes[meshIndex].bones.push_back(b);
    }

    xfile::SceneAnimation& animate(const std::string& setName, const std::string& frameName)
    {
        xfile::SceneAnimationSet* set = nullptr;
        for (auto& s : scene.animationSets)
            if (s.name == setName)
                set = &s;
        if (!set) {
            scene.animationSets.push_back({setName, {}});
            set = &scene.animationSets.back();
        }
        xfile::SceneAnimation a;
        a.frameName = frameName;
        for (std::uint32_t i = 0; i < scene.frames.size(); ++i)
            if (scene.frames[i].name == frameName) {
                a.frame = i;
                break;
            }
        set->animations.push_back(a);
        return set->animations.back();
    }

    Vec3 vertex(std::size_t meshIndex, std::uint32_t i, const std::vector<float>& positions) const
    {
        const std::size_t v = std::size_t(scene.meshes[meshIndex].firstVertex + i) * 3;
        return {positions[v], positions[v + 1], positions[v + 2]};
    }
};

inline void key(xfile::SceneKeys& keys, std::uint32_t time, std::vector<float> values)
{
    keys.times.push_back(time);
    keys.values.insert(keys.values.end(), values.begin(), values.end());
}

// The posed merged positions (and normals) of `model` at `seconds` in set `clip`.
struct Posed {
    std::vector<float> positions, normals;
};
inline Posed posed(pose::Rig& rig, const Model& model, std::size_t clip, double seconds, unsigned threads = 1)
{
    Posed p{model.mesh.positions, model.mesh.normals};
    rig.pose(clip, seconds, p.positions, p.normals, threads);
    return p;
}

#define EXPECT_VEC3_NEAR(actual, ...)                                                                        \
    do {                                                                                                     \
        const posetest::Vec3 a_ = (actual), e_ = posetest::Vec3{__VA_ARGS__};                                \
        for (int k_ = 0; k_ < 3; ++k_)                                                                       \
            EXPECT_NEAR(a_[k_], e_[k_], 1e-4f) << "component " << k_;                                        \
    } while (0)

}  // namespace posetest
