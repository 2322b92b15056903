// What every scene the reader hands out satisfies, whatever the input: the
// promises of scene.h. Shared by the reader tests, the hostile-input test and
// the .x fuzz target.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "xfile/mesh_data.h"
#include "xfile/scene.h"

namespace xtest {

// "" when `scene` keeps every promise for `mesh`, else the first broken one.
inline std::string sceneFault(const xfile::MeshData& mesh, const xfile::Scene& scene)
{
    using xfile::kNoIndex;
    const std::size_t frames = scene.frames.size();
    for (std::size_t i = 0; i < frames; ++i)
        if (scene.frames[i].parent != kNoIndex && scene.frames[i].parent >= i)
            return "frame " + std::to_string(i) + " comes before its parent";
    std::uint64_t next = 0;
    for (const xfile::SceneMesh& m : scene.meshes) {
        if (m.firstVertex != next)
            return "mesh " + m.name + " does not follow the one before it";
        next = std::uint64_t(m.firstVertex) + m.vertexCount;
        if (next > mesh.vertexCount())
            return "mesh " + m.name + " runs past the merged vertices";
        if (m.frame != kNoIndex && m.frame >= frames)
            return "mesh " + m.name + " names a frame that is not there";
        if (m.fileVertexCount > m.vertexCount || m.cloneSource.size() != m.vertexCount - m.fileVertexCount)
            return "mesh " + m.name + " has clone sources that do not match its counts";
        for (std::size_t k = 0; k < m.cloneSource.size(); ++k) {
            if (m.cloneSource[k] >= m.fileVertexCount)
                return "mesh " + m.name + " has a clone of a vertex it does not have";
            // A clone is a copy of its source: the same placed position.
            const std::size_t clone = std::size_t(m.firstVertex) + m.fileVertexCount + k;
            const std::size_t source = std::size_t(m.firstVertex) + m.cloneSource[k];
            if (std::memcmp(&mesh.positions[clone * 3], &mesh.positions[source * 3], 12) != 0)
                return "mesh " + m.name + " clone " + std::to_string(k) + " is not where its source is";
        }
        for (const xfile::SceneBone& b : m.bones) {
            if (b.vertices.size() != b.weights.size())
                return "bone " + b.frameName + " has a weight count unlike its vertex count";
            for (std::uint32_t v : b.vertices)
                if (v >= m.fileVertexCount)
                    return "bone " + b.frameName + " names a vertex past the mesh";
            if (b.frame != kNoIndex && (b.frame >= frames || scene.frames[b.frame].name != b.frameName))
                return "bone " + b.frameName + " is bound to another frame";
        }
    }
    if (next != mesh.vertexCount())
        return "the meshes do not cover the merged vertices";
    const std::size_t widths[4] = {4, 3, 3, 16};
    for (const xfile::SceneAnimationSet& set : scene.animationSets)
        for (const xfile::SceneAnimation& a : set.animations) {
            if (a.frame != kNoIndex && (a.frame >= frames || scene.frames[a.frame].name != a.frameName))
                return "an animation of " + set.name + " is bound to another frame";
            int c = 0;
            for (const xfile::SceneKeys* k : {&a.rotation, &a.scale, &a.position, &a.matrix}) {
                if (k->values.size() != k->times.size() * widths[c++])
                    return "keys of " + a.frameName + " hold the wrong number of values";
                if (!std::is_sorted(k->times.begin(), k->times.end()))
                    return "keys of " + a.frameName + " are not in time order";
            }
        }
    if (!(scene.ticksPerSecond > 0))
        return "the tick rate is not positive";
    return {};
}

}  // namespace xtest
