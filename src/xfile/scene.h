// The whole scene of a .x file: the frame tree, each placed mesh with its
// frame and skin, and every animation set. It comes from the same parse as
// the merged mesh (mesh_data.h) and refers into it: the merged mesh holds
// the geometry once, the scene says where each part of it came from.
//
// Pure data, standard library only. Everything here has been validated by the
// reader: every index is in range, every count matches its array, matrices
// and key values may still be any float (NaN included; the posing code
// decides what to do with them).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace xfile {

// Row-major 4x4 matrix for row vectors (p' = p * M), translation in elements
// 12..14, as .x files store it.
using Matrix4 = std::array<float, 16>;

inline constexpr std::uint32_t kNoIndex = 0xFFFFFFFFu;

// One Frame of the file. Frames are stored parents first: frames[i].parent
// is kNoIndex (a root) or an index smaller than i, so local-to-model is one
// forward loop. Sibling order is file order.
struct SceneFrame {
    std::string name;  // empty for a nameless Frame
    std::uint32_t parent = kNoIndex;
    Matrix4 transform{};  // FrameTransformMatrix (identity when the frame has none)
};

// One influence list of a skinned mesh (a SkinWeights object).
struct SceneBone {
    std::string frameName;           // as the file spells it
    std::uint32_t frame = kNoIndex;  // the frame it names, or kNoIndex when none has that name
    // Pairs (file vertex of the mesh, weight); the reader has dropped (with a
    // warning) pairs whose vertex is not one of the mesh's file vertices.
    std::vector<std::uint32_t> vertices;
    std::vector<float> weights;
    Matrix4 offset{};  // matrixOffset: mesh space to bone space
};

// One placement of a Mesh in the merged mesh. (A mesh that a frame references
// twice is placed twice.) Its vertices are the contiguous range
// [firstVertex, firstVertex + vertexCount) of the merged mesh: first its
// fileVertexCount vertices as the file lists them, then the clones the normal
// split added, clone k being a copy of file vertex cloneSource[k].
// Merged positions and normals are already multiplied by `placement`.
struct SceneMesh {
    std::string name;
    std::uint32_t frame = kNoIndex;  // the frame holding it; kNoIndex for a top-level Mesh
    Matrix4 placement{};             // the matrix the merged view applied to it
    std::uint32_t firstVertex = 0;
    std::uint32_t vertexCount = 0;
    std::uint32_t fileVertexCount = 0;
    std::vector<std::uint32_t> cloneSource;  // vertexCount - fileVertexCount entries
    std::vector<SceneBone> bones;            // empty for a rigid mesh
};

// One channel of keys, sorted by time (the reader stable-sorts out-of-order
// keys and warns). `values` holds `width` floats per key: rotation w,x,y,z
// (4) as stored; scale and position x,y,z (3); matrix 16.
struct SceneKeys {
    std::vector<std::uint32_t> times;  // ticks
    std::vector<float> values;
};

// An Animation: the keys of one frame.
struct SceneAnimation {
    std::string frameName;
    std::uint32_t frame = kNoIndex;  // kNoIndex when no frame has that name
    SceneKeys rotation, scale, position, matrix;
    // AnimationOptions, when the Animation has one. The file writes
    // openclosed 0 for closed (loops) and 1 for open (plays once), and
    // positionquality 0 for spline and 1 for linear positions.
    bool closed = true;            // loops (the default without AnimationOptions)
    bool splinePositions = false;  // linear positions without AnimationOptions
};

struct SceneAnimationSet {
    std::string name;  // empty for a nameless set
    std::vector<SceneAnimation> animations;
};

struct Scene {
    std::vector<SceneFrame> frames;
    std::vector<SceneMesh> meshes;                 // in the merged mesh's vertex order
    std::vector<SceneAnimationSet> animationSets;  // file order
    double ticksPerSecond = 4800;                  // AnimTicksPerSecond, or 4800 when the file gives none
    bool ticksPerSecondGiven = false;

    // Added by the reader: faults in frames, skins and animation that the
    // merged mesh does not need (a bone naming no frame, weights past the
    // mesh's vertices, keys out of order, an unreadable AnimationKey, ...).
    // The scene holds what could be read; the merged mesh is as loadMesh
    // gives it, and its own warnings stay in MeshData::warnings. Bounded in
    // number like those.
    std::vector<std::string> warnings;
};

// Added by the reader: the largest key time (ticks) over every channel of
// `set`, 0 for a set without keys. A set's period in seconds is this over
// Scene::ticksPerSecond.
inline std::uint32_t lastKeyTime(const SceneAnimationSet& set)
{
    std::uint32_t last = 0;
    for (const SceneAnimation& a : set.animations)
        for (const SceneKeys* k : {&a.rotation, &a.scale, &a.position, &a.matrix})
            if (!k->times.empty() && k->times.back() > last)
                last = k->times.back();  // times are sorted
    return last;
}

}  // namespace xfile
