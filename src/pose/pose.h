// Posing: the frames, skins and animation sets of a .x scene evaluated at a
// time. Pure computation on the standard library; it reads the scene
// (xfile/scene.h) and the merged mesh the scene refers into.
//
// Three stages, each a small job over spans whose inputs were validated when
// the Rig was built:
//   sampleLocals   keys of one set at a time → each frame's local matrix
//   localsToModels local → model, one forward loop over the parent indices
//                  (frames are stored parents first: no recursion, whatever
//                  the depth of the tree)
//   skin           Σ wᵢ · v · Oᵢ · Cᵢ for every vertex of the placed meshes
//
// Matrices are row-major for row vectors (p' = p · M), as .x files store them.
//
// ---------------------------------------------------------------------------
// Choices on the points the file format leaves open (the one place they are
// made; the tests in tests/pose name them):
//  * Rotation keys are stored w, x, y, z. The row-vector matrix of a key is
//    that of the quaternion (−x, −y, −z, w) in D3DX's formula, the transpose
//    of the textbook one: fileRotation() is the only place that turns a
//    stored key into a rotation.
//  * L = S · R · T; C(frame) = L(frame) · C(parent); a root's parent is the
//    identity (model space).
//  * Ticks per second come from the scene (4800 when the file gives none);
//    a zero, negative or non-finite rate counts as 4800.
//  * A set's period is the largest key time of all its channels (from tick
//    0). Every set loops (AnimationOptions open/closed is not honoured): the
//    time is folded with fmod into [0, period); negative times fold too.
//    Period 0 (single keys at time 0) is a still pose, never a division.
//  * Before a channel's first key the first key holds; after its last key
//    the last key holds until the set wraps.
//  * Scale and position interpolate linearly (spline positions are drawn
//    linear); rotations slerp along the shorter arc (nlerp when nearly
//    equal); no squad.
//  * Keys with the same time: a step; from that time on the later key holds.
//  * Keys out of time order are stable-sorted (with a warning).
//  * Matrix keys (type 3 or 4) are decomposed into scale, rotation and
//    translation and interpolated like the others. A mirrored matrix keeps
//    its negative scale on x. Shear is lost. When an animation has both
//    matrix keys and S/R/T keys, the matrix keys win (warning).
//  * A channel missing from an animation takes its part of the frame's
//    decomposed FrameTransformMatrix. Frames no animation of the set names
//    keep their FrameTransformMatrix.
//  * Two animations of one set naming the same frame: the first one in the
//    file wins (warning).
//  * Key values that are not finite are dropped (warning); a rotation key of
//    zero length is the identity (warning); keys are normalised.
//  * A local matrix that comes out non-finite (huge keys) is replaced by the
//    frame's FrameTransformMatrix; a posed vertex or normal that comes out
//    non-finite keeps its place in the merged (static) mesh. Posing never
//    hands out NaN geometry.
//  * Skin weights: negative, zero and non-finite weights are dropped (zero
//    ones silently: exporters write them); the
//    rest are normalised per vertex when their sum is > 0. A vertex with no
//    influence moves rigidly with its mesh's frame (warning). Vertices the
//    normal split cloned take the influences of their source vertex.
//  * A bone naming a frame the file lacks stays in its bind pose:
//    Bᵢ = identity (warning).
//  * A skinned mesh ignores its own frame's matrix; a rigid mesh is drawn
//    with C(its frame) instead of the placement the merged view gave it.
//  * Normals are transformed by the inverse transpose of the blended matrix
//    (as the merged view places them) and renormalised.
//  * The set that plays by default is the first in file order
//    (kDefaultSet).
// ---------------------------------------------------------------------------
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "xfile/mesh_data.h"
#include "xfile/scene.h"

namespace pose {

using Matrix4 = xfile::Matrix4;
inline constexpr std::uint32_t kNone = xfile::kNoIndex;
inline constexpr std::size_t kDefaultSet = 0;
inline constexpr double kDefaultTicksPerSecond = 4800;

Matrix4 identity();
// a · b for row vectors: first a, then b.
Matrix4 multiply(const Matrix4& a, const Matrix4& b);

// A rotation as the quaternion (x, y, z, w) whose D3DX row-vector matrix it
// is (D3DXMatrixRotationQuaternion).
using Quaternion = std::array<float, 4>;

// The rotation a stored rotation key (w, x, y, z) means, normalised; the
// identity for a key of zero length or with a non-finite value.
Quaternion fileRotation(float w, float x, float y, float z);
Matrix4 rotationMatrix(const Quaternion& q);

// Scale, rotation and translation; matrix() is S · R · T.
struct Parts {
    std::array<float, 3> scale{1, 1, 1};
    Quaternion rotation{0, 0, 0, 1};
    std::array<float, 3> translation{0, 0, 0};
    Matrix4 matrix() const;
};
// The parts of an affine matrix (shear is lost; a mirror keeps negative x
// scale). A matrix whose scale is zero or not finite in some axis gets the
// identity rotation.
Parts decompose(const Matrix4& m);

// One channel of keys: times in ticks, ascending, `width` values per key.
struct Channel {
    std::vector<double> times;
    std::vector<float> values;
    bool empty() const { return times.empty(); }
};

struct Track {
    std::uint32_t frame = kNone;
    Channel scale, rotation, translation;  // widths 3, 4 (x, y, z, w as Quaternion), 3
};

// One animation set ready to sample.
struct Clip {
    std::string name;
    double ticksPerSecond = kDefaultTicksPerSecond;
    double period = 0;  // ticks
    std::vector<Track> tracks;
    double periodSeconds() const { return period / ticksPerSecond; }
    // The time in ticks within [0, period) that `seconds` falls on.
    double fold(double seconds) const;
};

// What skinning reads: for every posed vertex its influences (an entry of
// the palette and a weight, weights summing to 1), and its position and
// normal in its mesh's own space.
struct Skin {
    struct PaletteEntry {
        std::uint32_t frame = kNone;  // kNone: the offset alone (identity world)
        Matrix4 offset{};
    };
    std::vector<PaletteEntry> palette;
    std::vector<std::uint32_t> vertex;          // merged-mesh vertex of each posed vertex
    std::vector<std::uint32_t> firstInfluence;  // vertex.size() + 1 entries
    std::vector<std::uint32_t> influence;       // palette entry
    std::vector<float> weight;
    std::vector<float> positions;  // 3 per posed vertex, mesh space
    std::vector<float> normals;    // 3 per posed vertex, or empty
};

// ---- The stages ------------------------------------------------------------

// Local matrices at `ticks` (already folded): rest for frames the clip does
// not animate; `clip` may be null (the rest pose). locals.size() must be
// the number of frames.
void sampleLocals(std::span<const std::uint32_t> parents, std::span<const Matrix4> rest,
                  std::span<const Parts> restParts, const Clip* clip, double ticks,
                  std::span<Matrix4> locals);

// models[i] = locals[i] · models[parents[i]]; parents[i] is kNone or < i.
void localsToModels(std::span<const std::uint32_t> parents, std::span<const Matrix4> locals,
                    std::span<Matrix4> models);

// palette[i] = offset · models[frame] (offset alone for kNone).
void bonesToPalette(std::span<const Skin::PaletteEntry> entries, std::span<const Matrix4> models,
                    std::span<Matrix4> palette);

// Posed vertices [begin, end) of `skin` written into positions (and normals
// when both have them), 3 floats per merged-mesh vertex; a result that is
// not finite takes staticPositions / staticNormals (the merged mesh).
void skinVertices(const Skin& skin, std::span<const Matrix4> palette, std::size_t begin, std::size_t end,
                  std::span<const float> staticPositions, std::span<const float> staticNormals,
                  std::span<float> positions, std::span<float> normals);

// ---- The whole scene -------------------------------------------------------

// A scene checked and prepared for posing: built once, posed at any time.
// Whatever the scene holds, building it and posing never crash, never
// recurse on the tree and never hand out non-finite geometry; what it had to
// leave out or repair is in warnings().
class Rig {
public:
    Rig(const xfile::Scene& scene, const xfile::MeshData& mesh);

    // True when posing can change the picture: some mesh is skinned or some
    // set animates a frame.
    bool animated() const;

    std::size_t frameCount() const { return parents_.size(); }
    const std::vector<Clip>& clips() const { return clips_; }
    // The set that NAME names (exact match first, then a decimal index);
    // kNone when none does.
    std::size_t findClip(const std::string& nameOrIndex) const;

    // Poses every placed mesh at `seconds` into the set `clip` (kNone: the
    // rest pose). positions and normals hold the whole merged mesh (normals
    // may be empty); vertices outside every placed mesh are left as they are.
    // Splits the skinning among `threads` threads (≥ 1).
    void pose(std::size_t clip, double seconds, std::span<float> positions, std::span<float> normals,
              unsigned threads = 1);

    // The matrices of the last pose().
    const std::vector<Matrix4>& locals() const { return locals_; }
    const std::vector<Matrix4>& models() const { return models_; }

    const std::vector<std::string>& warnings() const { return warnings_; }

private:
    std::vector<std::uint32_t> parents_;
    std::vector<Matrix4> rest_;
    std::vector<Parts> restParts_;
    std::vector<Clip> clips_;
    Skin skin_;
    bool skinned_ = false;
    std::vector<float> staticPositions_, staticNormals_;
    std::vector<Matrix4> locals_, models_, palette_;
    std::vector<std::string> warnings_;
};

}  // namespace pose
