// The scene read beside the merged mesh: frames, placed meshes, skins and
// animation sets, from small files written here (as text, binary and
// compressed binary) and from the real files of ../shared/xcorpus. Every
// case also checks that the merged mesh is the one loadMesh gives.
#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "scene_checks.h"
#include "test_util.h"

using namespace xtest;
namespace fs = std::filesystem;

namespace {

using xfile::kNoIndex;

// FNV-1a over every array of a merged mesh, in a fixed order.
std::uint64_t meshChecksum(const xfile::MeshData& m)
{
    std::uint64_t h = 1469598103934665603ull;
    auto bytes = [&](const void* p, std::size_t n) {
        const unsigned char* b = static_cast<const unsigned char*>(p);
        for (std::size_t i = 0; i < n; ++i)
            h = (h ^ b[i]) * 1099511628211ull;
    };
    auto array = [&](const auto& v) {
        const std::uint64_t n = v.size();
        bytes(&n, sizeof n);
        bytes(v.data(), v.size() * sizeof v[0]);
    };
    array(m.positions), array(m.normals), array(m.texcoords), array(m.colors);
    array(m.indices), array(m.attributes);
    for (const auto& g : m.groups) {
        const std::uint32_t w[3] = {g.attribute, g.faceStart, g.faceCount};
        bytes(w, sizeof w);
    }
    for (const auto& mat : m.materials) {
        for (const float* f : {mat.diffuse, mat.ambient, mat.specular, mat.emissive})
            bytes(f, 16);
        bytes(&mat.power, 4);
        array(mat.textureFilename);
    }
    for (const auto& w : m.warnings)
        array(w);
    const int tail[2] = {int(m.encoding), m.floatBits};
    bytes(tail, sizeof tail);
    return h;
}

struct SceneResult {
    bool ok = false;
    xfile::MeshData mesh;
    xfile::Scene scene;
    std::string error;
};

// What every scene must satisfy, whatever the input.
void expectSceneConsistent(const xfile::MeshData& mesh, const xfile::Scene& s)
{
    EXPECT_EQ(sceneFault(mesh, s), "");
}

SceneResult loadSceneBytes(const std::string& file)
{
    SceneResult r;
    xfile::LoadError err;
    r.ok = xfile::loadScene(file.data(), file.size(), r.mesh, r.scene, err);
    r.error = err.message;
    // One parse, two views: the merged mesh is loadMesh's, byte for byte.
    xfile::MeshData alone;
    xfile::LoadError aloneErr;
    const bool aloneOk = xfile::loadMesh(file.data(), file.size(), alone, aloneErr);
    EXPECT_EQ(r.ok, aloneOk);
    EXPECT_EQ(r.error, aloneErr.message);
    EXPECT_EQ(meshChecksum(r.mesh), meshChecksum(alone));
    if (r.ok)
        expectSceneConsistent(r.mesh, r.scene);
    return r;
}

// The same body as text, binary and compressed binary.
std::vector<std::pair<std::string, SceneResult>> loadEveryEncoding(const std::string& body)
{
    std::vector<std::pair<std::string, SceneResult>> out;
    out.emplace_back("txt", loadSceneBytes(header("txt ") + body));
    out.emplace_back("bin", loadSceneBytes(header("bin ") + textToBinary(body)));
    out.emplace_back("bzip", loadSceneBytes(mszip(header("bzip"), textToBinary(body), 64)));
    return out;
}

SceneResult loadSceneText(const std::string& body) { return loadSceneBytes(header("txt ") + body); }

bool hasWarning(const xfile::Scene& s, const std::string& fragment)
{
    return std::any_of(s.warnings.begin(), s.warnings.end(),
                       [&](const std::string& w) { return w.find(fragment) != std::string::npos; });
}

std::string allWarnings(const xfile::Scene& s)
{
    std::string out;
    for (const std::string& w : s.warnings)
        out += "\n  " + w;
    return out;
}

std::uint32_t frameNamed(const xfile::Scene& s, const std::string& name)
{
    for (std::uint32_t i = 0; i < s.frames.size(); ++i)
        if (s.frames[i].name == name)
            return i;
    return kNoIndex;
}

constexpr const char* kIdentity = "1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;;";

// A skinned triangle in a small tree, one set of every key type.
const std::string kSkinned = std::string(R"(
Frame Root {
 FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 10.0,0.0,0.0,1.0;; }
 FrameTransformMatrix { 2.0,0.0,0.0,0.0, 0.0,2.0,0.0,0.0, 0.0,0.0,2.0,0.0, 0.0,0.0,0.0,1.0;; }
 Frame Arm {
  FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,5.0,0.0,1.0;; }
  Mesh Tri {
   3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;;
   1; 3;0,1,2;;
   XSkinMeshHeader { 2; 3; 3; }
   SkinWeights { "Arm"; 2; 0, 1; 0.25, 1.0; 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,-5.0,0.0,1.0;; }
   SkinWeights { "Hand"; 2; 2, 0; 1.0, 0.75; )") +
                             kIdentity + R"( }
   SkinWeights { "Empty"; 0; )" +
                             kIdentity + R"( }
  }
 }
 Frame Hand {
 }
}
AnimTicksPerSecond { 30; }
AnimationSet Walk {
 Animation {
  {Arm}
  AnimationKey { 0; 2; 0; 4; 1.0,0.0,0.0,0.0;;, 10; 4; 0.5,0.5,0.5,0.5;;; }
  AnimationKey { 1; 1; 5; 3; 2.0,2.0,2.0;;; }
  AnimationKey { 2; 2; 0; 3; 0.0,5.0,0.0;;, 20; 3; 0.0,6.0,0.0;;; }
  AnimationOptions { 1; 1; }
 }
 Animation {
  AnimationKey { 4; 1; 7; 16; )" +
                             kIdentity + R"(; }
  {Hand}
 }
}
AnimationSet Pose {
 Animation { {Root} AnimationKey { 3; 1; 0; 16; )" +
                             kIdentity + R"(; } AnimationOptions { 0; 0; } }
}
)";

}  // namespace

// ---------------------------------------------------------------- frames and meshes

TEST(SceneFrames, TreeIsParentsFirstAndASecondTransformReplacesTheFirst)
{
    for (const auto& [encoding, r] : loadEveryEncoding(kSkinned)) {
        SCOPED_TRACE(encoding);
        ASSERT_TRUE(r.ok) << r.error;
        const xfile::Scene& s = r.scene;
        ASSERT_EQ(s.frames.size(), 3u);
        EXPECT_EQ(s.frames[0].name, "Root");
        EXPECT_EQ(s.frames[1].name, "Arm");
        EXPECT_EQ(s.frames[2].name, "Hand");
        EXPECT_EQ(s.frames[0].parent, kNoIndex);
        EXPECT_EQ(s.frames[1].parent, 0u);
        EXPECT_EQ(s.frames[2].parent, 0u);
        // Scene: the last FrameTransformMatrix of Root is its matrix.
        const xfile::Matrix4 scale2 = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1};
        EXPECT_EQ(s.frames[0].transform, scale2);
        EXPECT_EQ(s.frames[1].transform[13], 5.0f);
        // A frame without a matrix has the identity.
        const xfile::Matrix4 identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        EXPECT_EQ(s.frames[2].transform, identity);
        // The merged view still applies both (translate, then scale on top):
        // (1,0,0) + Arm (0,5,0) -> scaled by 2 -> moved by 10 in x.
        expectNear3(pos(r.mesh, 1), 12, 10, 0);
        ASSERT_EQ(s.meshes.size(), 1u);
        const xfile::SceneMesh& m = s.meshes[0];
        EXPECT_EQ(m.name, "Tri");
        EXPECT_EQ(m.frame, 1u);
        EXPECT_FLOAT_EQ(m.placement[0], 2.0f);
        EXPECT_FLOAT_EQ(m.placement[12], 10.0f);
        EXPECT_FLOAT_EQ(m.placement[13], 10.0f);
        EXPECT_EQ(m.firstVertex, 0u);
        EXPECT_EQ(m.vertexCount, 3u);
        EXPECT_EQ(m.fileVertexCount, 3u);
    }
}

TEST(SceneFrames, MeshesKeepTheirFramesRangesAndCloneSources)
{
    // A top-level cube (split by its per-side normals), then a frame that
    // places it twice by reference and holds a mesh of its own, and an empty
    // mesh that the merged view drops.
    const std::string body = std::string(kCube) + R"(
Frame Holder {
 FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,7.0,1.0;; }
 {Cube}
 Mesh Nothing { 0; 0; }
 Frame Inner { {Cube} }
 Mesh Tri { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }
}
)";
    for (const auto& [encoding, r] : loadEveryEncoding(body)) {
        SCOPED_TRACE(encoding);
        ASSERT_TRUE(r.ok) << r.error;
        const xfile::Scene& s = r.scene;
        ASSERT_EQ(s.frames.size(), 2u);
        ASSERT_EQ(s.meshes.size(), 4u);
        const std::uint32_t holder = frameNamed(s, "Holder"), inner = frameNamed(s, "Inner");
        EXPECT_EQ(s.meshes[0].frame, kNoIndex);
        EXPECT_EQ(s.meshes[1].frame, holder);
        EXPECT_EQ(s.meshes[2].frame, inner);
        EXPECT_EQ(s.meshes[3].frame, holder);
        EXPECT_EQ(s.meshes[3].name, "Tri");
        for (int i = 0; i < 3; ++i) {
            const xfile::SceneMesh& cube = s.meshes[std::size_t(i)];
            EXPECT_EQ(cube.name, "Cube");
            EXPECT_EQ(cube.fileVertexCount, 8u);
            EXPECT_EQ(cube.vertexCount, 24u);  // every corner meets three sides
            EXPECT_EQ(cube.firstVertex, 24u * std::uint32_t(i));
            // Each file vertex has two clones.
            std::map<std::uint32_t, int> clones;
            for (std::uint32_t source : cube.cloneSource)
                ++clones[source];
            EXPECT_EQ(clones.size(), 8u);
            for (const auto& [source, n] : clones)
                EXPECT_EQ(n, 2) << source;
        }
        EXPECT_FLOAT_EQ(s.meshes[1].placement[14], 7.0f);
        EXPECT_EQ(s.meshes[3].firstVertex, 72u);
    }
}

TEST(SceneFrames, FramesNestedBeyondTheLimitAreAClearErrorNotACrash)
{
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "Frame F{";
    deep += kCube;
    deep += std::string(100000, '}');
    const SceneResult r = loadSceneText(deep);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("nested"), std::string::npos) << r.error;
    EXPECT_TRUE(r.scene.frames.empty());
}

TEST(SceneFrames, NamesHoldingBracketsAreReadWholeBeforeABrace)
{
    // As Japanese exporters write them; "腕[L]" is "arm [left]".
    const std::string body = std::string(R"(
Frame 腕[L] {
 FrameTransformMatrix { )") + kIdentity +
                             R"( }
 Frame 手[L][2] {
)" + kCube + R"(
 }
}
AnimationSet Wave { Animation { { 手[L][2] } AnimationKey { 2; 1; 0; 3; 1.0,2.0,3.0;;; } } }
)";
    {
        // Text only: a binary name is one record, brackets or not.
        const SceneResult r = loadSceneText(body);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.scene.frames.size(), 2u);
        EXPECT_EQ(r.scene.frames[0].name, "腕[L]");
        EXPECT_EQ(r.scene.frames[1].name, "手[L][2]");
        EXPECT_EQ(r.mesh.vertexCount(), 24u);
        ASSERT_EQ(r.scene.animationSets.size(), 1u);
        ASSERT_EQ(r.scene.animationSets[0].animations.size(), 1u);
        EXPECT_EQ(r.scene.animationSets[0].animations[0].frame, 1u);
        EXPECT_TRUE(r.scene.warnings.empty()) << allWarnings(r.scene);
    }
    // A bracket that is not followed by a brace is still an error.
    const SceneResult bad = loadSceneText(std::string("Frame A[1] x {") + kCube + "}");
    EXPECT_FALSE(bad.ok);
}

// ---------------------------------------------------------------- skin

TEST(SceneSkin, WeightsBonesAndOffsetsAsWritten)
{
    for (const auto& [encoding, r] : loadEveryEncoding(kSkinned)) {
        SCOPED_TRACE(encoding);
        ASSERT_TRUE(r.ok) << r.error;
        const xfile::SceneMesh& m = r.scene.meshes.at(0);
        ASSERT_EQ(m.bones.size(), 3u);
        EXPECT_EQ(m.bones[0].frameName, "Arm");
        EXPECT_EQ(m.bones[0].frame, 1u);
        EXPECT_EQ(m.bones[0].vertices, (std::vector<std::uint32_t>{0, 1}));
        EXPECT_EQ(m.bones[0].weights, (std::vector<float>{0.25f, 1.0f}));
        EXPECT_FLOAT_EQ(m.bones[0].offset[13], -5.0f);
        EXPECT_EQ(m.bones[1].frame, 2u);
        EXPECT_EQ(m.bones[1].vertices, (std::vector<std::uint32_t>{2, 0}));
        // An empty SkinWeights is a bone without influences, not a fault;
        // its name matches no frame.
        EXPECT_TRUE(m.bones[2].vertices.empty());
        EXPECT_EQ(m.bones[2].frame, kNoIndex);
        EXPECT_TRUE(hasWarning(r.scene, "'Empty'")) << allWarnings(r.scene);
        EXPECT_FALSE(hasWarning(r.scene, "XSkinMeshHeader")) << allWarnings(r.scene);
    }
}

TEST(SceneSkin, FaultsAreWarningsAndTheRestOfTheModelStays)
{
    const std::string body = std::string(R"(
Frame Bone { }
Frame bone { }
Frame Bone { }
Mesh Tri {
 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;;
 1; 3;0,1,2;;
 XSkinMeshHeader { 1; 1; 5; }
 SkinWeights { "Bone"; 4; 0, 3, 1000000, 2; 0.1, 0.2, 0.3, 0.4; )") +
                             kIdentity + R"( }
 SkinWeights { "bone"; 1; 1; 1.0; )" +
                             kIdentity + R"( }
 SkinWeights { "Ghost"; 1; 1; 1.0; )" +
                             kIdentity + R"( }
 SkinWeights { "Short"; 3; 0, 1; 0.5; }
}
)";
    for (const auto& [encoding, r] : loadEveryEncoding(body)) {
        SCOPED_TRACE(encoding);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.mesh.vertexCount(), 3u);
        const xfile::SceneMesh& m = r.scene.meshes.at(0);
        ASSERT_EQ(m.bones.size(), 3u) << allWarnings(r.scene);
        // Indices past the mesh's three vertices are dropped with their weights.
        EXPECT_EQ(m.bones[0].vertices, (std::vector<std::uint32_t>{0, 2}));
        EXPECT_EQ(m.bones[0].weights, (std::vector<float>{0.1f, 0.4f}));
        EXPECT_TRUE(hasWarning(r.scene, "2 of 4 weights")) << allWarnings(r.scene);
        // Names are case-sensitive and the first frame in file order wins.
        EXPECT_EQ(m.bones[0].frame, 0u);
        EXPECT_EQ(m.bones[1].frame, 1u);
        EXPECT_EQ(m.bones[2].frame, kNoIndex);
        EXPECT_TRUE(hasWarning(r.scene, "'Ghost'")) << allWarnings(r.scene);
        // The truncated SkinWeights is skipped whole; the header's count is checked.
        EXPECT_TRUE(hasWarning(r.scene, "SkinWeights")) << allWarnings(r.scene);
        EXPECT_TRUE(hasWarning(r.scene, "declares 5 bones")) << allWarnings(r.scene);
    }
}

// ---------------------------------------------------------------- animation

TEST(SceneAnimation, EveryKeyTypeTickRateAndOptions)
{
    for (const auto& [encoding, r] : loadEveryEncoding(kSkinned)) {
        SCOPED_TRACE(encoding);
        ASSERT_TRUE(r.ok) << r.error;
        const xfile::Scene& s = r.scene;
        EXPECT_TRUE(s.ticksPerSecondGiven);
        EXPECT_EQ(s.ticksPerSecond, 30);
        ASSERT_EQ(s.animationSets.size(), 2u);
        const xfile::SceneAnimationSet& walk = s.animationSets[0];
        EXPECT_EQ(walk.name, "Walk");
        ASSERT_EQ(walk.animations.size(), 2u);
        const xfile::SceneAnimation& arm = walk.animations[0];
        EXPECT_EQ(arm.frameName, "Arm");
        EXPECT_EQ(arm.frame, 1u);
        // Rotation keys keep the file's w, x, y, z order.
        EXPECT_EQ(arm.rotation.times, (std::vector<std::uint32_t>{0, 10}));
        EXPECT_EQ(arm.rotation.values, (std::vector<float>{1, 0, 0, 0, 0.5f, 0.5f, 0.5f, 0.5f}));
        EXPECT_EQ(arm.scale.times, (std::vector<std::uint32_t>{5}));
        EXPECT_EQ(arm.scale.values, (std::vector<float>{2, 2, 2}));
        EXPECT_EQ(arm.position.times, (std::vector<std::uint32_t>{0, 20}));
        EXPECT_EQ(arm.position.values, (std::vector<float>{0, 5, 0, 0, 6, 0}));
        EXPECT_TRUE(arm.matrix.times.empty());
        // openclosed 1 is open (plays once); positionquality 1 is linear.
        EXPECT_FALSE(arm.closed);
        EXPECT_FALSE(arm.splinePositions);
        // The reference may follow the keys.
        const xfile::SceneAnimation& hand = walk.animations[1];
        EXPECT_EQ(hand.frame, 2u);
        EXPECT_EQ(hand.matrix.times, (std::vector<std::uint32_t>{7}));
        EXPECT_EQ(hand.matrix.values.size(), 16u);
        EXPECT_EQ(xfile::lastKeyTime(walk), 20u);
        // Type 3 is a matrix as well; openclosed 0 is closed, positionquality 0 spline.
        const xfile::SceneAnimation& root = s.animationSets[1].animations.at(0);
        EXPECT_EQ(root.frame, 0u);
        EXPECT_EQ(root.matrix.times.size(), 1u);
        EXPECT_TRUE(root.closed);
        EXPECT_TRUE(root.splinePositions);
        EXPECT_EQ(xfile::lastKeyTime(s.animationSets[1]), 0u);
    }
}

TEST(SceneAnimation, WithoutOptionsAnAnimationLoopsWithLinearPositions)
{
    const SceneResult r =
        loadSceneText(std::string(kCube) +
                      "AnimationSet { Animation { {Cube} AnimationKey { 2; 1; 0; 3; 1.0,2.0,3.0;;; } } }");
    ASSERT_TRUE(r.ok) << r.error;
    const xfile::SceneAnimation& a = r.scene.animationSets.at(0).animations.at(0);
    EXPECT_TRUE(a.closed);
    EXPECT_FALSE(a.splinePositions);
    // No frame is called Cube (it is a mesh): the animation targets nothing.
    EXPECT_EQ(a.frame, kNoIndex);
    EXPECT_TRUE(hasWarning(r.scene, "'Cube'")) << allWarnings(r.scene);
    EXPECT_FALSE(r.scene.ticksPerSecondGiven);
    EXPECT_EQ(r.scene.ticksPerSecond, 4800);
}

TEST(SceneAnimation, KeysOutOfOrderAreSortedStablyAndOddKeysDropped)
{
    const std::string body = std::string(R"(
Frame A { }
)") + kCube + R"(
AnimationSet Odd {
 Animation {
  {A}
  AnimationKey { 2; 5;
   30; 3; 3.0,0.0,0.0;;,
   10; 3; 1.0,0.0,0.0;;,
   20; 3; 2.0,0.0,0.0;;,
   10; 3; 1.5,0.0,0.0;;,
   0; 3; 0.0,0.0,0.0;;;
  }
  AnimationKey { 0; 3; 0; 4; 1.0,0.0,0.0,0.0;;, 5; 3; 1.0,0.0,0.0;;, 9; 4; 0.0,1.0,0.0,0.0;;; }
  AnimationKey { 9; 1; 0; 2; 1.0,2.0;;; }
  AnimationKey { 2; 1; 0; 3; 9.0,9.0,9.0;;; }
 }
 Animation { }
}
AnimationSet Empty { }
)";
    for (const auto& [encoding, r] : loadEveryEncoding(body)) {
        SCOPED_TRACE(encoding);
        ASSERT_TRUE(r.ok) << r.error;
        const xfile::Scene& s = r.scene;
        ASSERT_EQ(s.animationSets.size(), 2u);
        const xfile::SceneAnimation& a = s.animationSets[0].animations.at(0);
        // Stable: the two keys at 10 keep their file order.
        EXPECT_EQ(a.position.times, (std::vector<std::uint32_t>{0, 10, 10, 20, 30}));
        EXPECT_EQ(a.position.values, (std::vector<float>{0, 0, 0, 1, 0, 0, 1.5f, 0, 0, 2, 0, 0, 3, 0, 0}));
        EXPECT_TRUE(hasWarning(s, "out of order")) << allWarnings(s);
        EXPECT_TRUE(hasWarning(s, "several keys at one time")) << allWarnings(s);
        // A rotation key with three values is dropped; the others stay.
        EXPECT_EQ(a.rotation.times, (std::vector<std::uint32_t>{0, 9}));
        EXPECT_TRUE(hasWarning(s, "1 keys hold 3 values")) << allWarnings(s);
        EXPECT_TRUE(hasWarning(s, "unknown key type")) << allWarnings(s);
        // A second position block does not replace the first.
        EXPECT_TRUE(hasWarning(s, "second block")) << allWarnings(s);
        EXPECT_EQ(a.position.values[0], 0.0f);
        // An Animation without a frame is kept (it moves nothing); an empty
        // set is a set.
        EXPECT_EQ(s.animationSets[0].animations.size(), 2u);
        EXPECT_EQ(s.animationSets[0].animations[1].frame, kNoIndex);
        EXPECT_TRUE(hasWarning(s, "names no frame")) << allWarnings(s);
        EXPECT_EQ(s.animationSets[1].name, "Empty");
        EXPECT_TRUE(s.animationSets[1].animations.empty());
        EXPECT_EQ(xfile::lastKeyTime(s.animationSets[1]), 0u);
    }
}

TEST(SceneAnimation, AFaultInsideAnAnimationLosesOnlyThatObject)
{
    // A word where a number belongs, a count larger than the file, a
    // negative and a zero tick rate, a compressed set: each is a warning;
    // the mesh and the rest of the animation load.
    const std::string body = std::string(R"(
Frame A { }
Frame B { }
)") + kCube + R"(
AnimTicksPerSecond { 0; }
AnimTicksPerSecond { -25; }
AnimationSet S {
 Animation { {A} AnimationKey { 2; 2; 0; 3; 1.0,2.0,3.0;;, 10; 3; oops,0.0,0.0;;; } AnimationKey { 0; 1; 0; 4; 1.0,0.0,0.0,0.0;;; } }
 Animation { {B} AnimationKey { 2; 4000000000; 0; 3; 1.0,2.0,3.0;;; } }
 Animation { {B} AnimationKey { 2; 1; 4; 3; 4.0,5.0,6.0;;; } }
}
CompressedAnimationSet Packed { 1; 30.0; 0; 1; 0; }
AnimTicksPerSecond { 60; }
AnimTicksPerSecond { 50; }
)";
    const SceneResult r = loadSceneText(body);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.mesh.vertexCount(), 24u);
    const xfile::Scene& s = r.scene;
    ASSERT_EQ(s.animationSets.size(), 1u) << allWarnings(s);
    const auto& anims = s.animationSets[0].animations;
    ASSERT_EQ(anims.size(), 3u);
    EXPECT_TRUE(anims[0].position.times.empty());
    EXPECT_EQ(anims[0].rotation.times.size(), 1u);
    EXPECT_TRUE(hasWarning(s, "line")) << allWarnings(s);  // where the fault is
    EXPECT_TRUE(anims[1].position.times.empty());
    EXPECT_EQ(anims[2].position.values, (std::vector<float>{4, 5, 6}));
    EXPECT_TRUE(hasWarning(s, "AnimTicksPerSecond 0")) << allWarnings(s);
    EXPECT_TRUE(hasWarning(s, "compressed animation")) << allWarnings(s);
    // The first valid rate applies; a different later one is reported.
    EXPECT_TRUE(s.ticksPerSecondGiven);
    EXPECT_EQ(s.ticksPerSecond, 60);
    EXPECT_TRUE(hasWarning(s, "AnimTicksPerSecond 50")) << allWarnings(s);
}

TEST(SceneAnimation, NonFiniteAndHugeValuesAreKeptAsData)
{
    // Binary files carry any float bit pattern; a NaN key stays a NaN key.
    std::string body = std::string("Frame A { }\n") + kCube +
                       "AnimationSet S { Animation { {A} AnimationKey { 2; 2; 0; 3; 1.0,2.0,3.0;;, "
                       "4294967295; 3; 3.0e38,-3.0e38,7.0;;; } } }";
    std::string bin = textToBinary(body);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::uint32_t nanBits;
    std::memcpy(&nanBits, &nan, 4);
    const float seven = 7.0f;
    std::uint32_t sevenBits;
    std::memcpy(&sevenBits, &seven, 4);
    const std::string pattern(reinterpret_cast<const char*>(&sevenBits), 4);
    const std::size_t at = bin.rfind(pattern);
    ASSERT_NE(at, std::string::npos);
    bin.replace(at, 4, std::string(reinterpret_cast<const char*>(&nanBits), 4));
    const SceneResult r = loadSceneBytes(header("bin ") + bin);
    ASSERT_TRUE(r.ok) << r.error;
    const xfile::SceneKeys& k = r.scene.animationSets.at(0).animations.at(0).position;
    ASSERT_EQ(k.values.size(), 6u);
    EXPECT_EQ(k.times[1], 4294967295u);
    EXPECT_FLOAT_EQ(k.values[3], 3.0e38f);
    EXPECT_TRUE(std::isnan(k.values[5]));
    EXPECT_EQ(xfile::lastKeyTime(r.scene.animationSets[0]), 4294967295u);
}

TEST(SceneAnimation, AMillionKeysCostMemoryInProportion)
{
    std::string body = std::string("Frame A { }\n") + kCube +
                       "AnimationSet S { Animation { {A} AnimationKey { 2; 1000000;\n";
    body.reserve(body.size() + 1000000 * 24);
    for (int i = 0; i < 1000000; ++i)
        body += std::to_string(i) + ";3;1.0,2.0,3.0;;" + (i + 1 < 1000000 ? ",\n" : ";\n");
    body += "} } }\n";
    const SceneResult r = loadSceneText(body);
    ASSERT_TRUE(r.ok) << r.error;
    const xfile::SceneKeys& k = r.scene.animationSets.at(0).animations.at(0).position;
    EXPECT_EQ(k.times.size(), 1000000u);
    // Exactly the keys, no spare room: 4 bytes of time and 12 of values each.
    EXPECT_EQ(k.times.capacity(), 1000000u);
    EXPECT_EQ(k.values.capacity(), 3000000u);
    EXPECT_EQ(xfile::lastKeyTime(r.scene.animationSets[0]), 999999u);
}

TEST(SceneAnimation, ANestedFrameNamesTheTargetAndIsNotDrawn)
{
    const std::string body = std::string("Frame A { }\n") + kCube +
                             "AnimationSet S { Animation { Frame A { " + kCube +
                             " } AnimationKey { 2; 1; 0; 3; 1.0,2.0,3.0;;; } } }";
    const SceneResult r = loadSceneText(body);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.mesh.vertexCount(), 24u);
    EXPECT_EQ(r.scene.frames.size(), 1u);
    EXPECT_EQ(r.scene.animationSets.at(0).animations.at(0).frame, 0u);
}

// ---------------------------------------------------------------- real files

namespace {

fs::path corpus() { return fs::path(ORVANE_XCORPUS_DIR); }

SceneResult loadCorpus(const std::string& relative)
{
    SceneResult r;
    xfile::LoadError err;
    r.ok = xfile::loadSceneFile((corpus() / relative).string(), r.mesh, r.scene, err);
    r.error = err.message;
    return r;
}

std::size_t boneCount(const xfile::Scene& s)
{
    std::size_t n = 0;
    for (const xfile::SceneMesh& m : s.meshes)
        n += m.bones.size();
    return n;
}

}  // namespace

TEST(SceneCorpus, EveryFileGivesTheMergedMeshOfLoadMeshAndAConsistentScene)
{
    if (!fs::is_directory(corpus()))
        GTEST_SKIP() << "no corpus at " << corpus();
    std::size_t files = 0, animated = 0, skinned = 0;
    for (const auto& entry : fs::recursive_directory_iterator(corpus())) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".x" && ext != ".X"))  // (".x" alone has no extension)
            continue;
        SCOPED_TRACE(entry.path().string());
        xfile::MeshData scened, alone;
        xfile::Scene scene;
        xfile::LoadError e1, e2;
        const bool ok = xfile::loadSceneFile(entry.path().string(), scened, scene, e1);
        ASSERT_EQ(ok, xfile::loadMeshFile(entry.path().string(), alone, e2));
        EXPECT_EQ(e1.message, e2.message);
        EXPECT_EQ(meshChecksum(scened), meshChecksum(alone));
        ++files;
        if (!ok)
            continue;
        expectSceneConsistent(scened, scene);
        animated += !scene.animationSets.empty();
        skinned += boneCount(scene) > 0;
    }
    EXPECT_EQ(files, 52u);
    EXPECT_EQ(animated, 17u);
    EXPECT_EQ(skinned, 12u);  // and hero.x, with skin templates but no mesh
}

TEST(SceneCorpus, KnownScenes)
{
    if (!fs::is_directory(corpus()))
        GTEST_SKIP() << "no corpus at " << corpus();
    {
        // 35 bones, matrix keys of type 4 up to 4960 ticks, no tick rate.
        const SceneResult r = loadCorpus("dxsdk-legacy/Media/Tiny/tiny.x");
        ASSERT_TRUE(r.ok) << r.error;
        const xfile::Scene& s = r.scene;
        EXPECT_EQ(s.frames.size(), 48u);
        ASSERT_EQ(s.meshes.size(), 1u);
        EXPECT_EQ(s.meshes[0].bones.size(), 35u);
        EXPECT_EQ(s.meshes[0].fileVertexCount, 4432u);
        for (const xfile::SceneBone& b : s.meshes[0].bones)
            EXPECT_NE(b.frame, kNoIndex) << b.frameName;
        EXPECT_EQ(s.frames[s.meshes[0].frame].name, "");  // the nameless frame holding the mesh
        ASSERT_EQ(s.animationSets.size(), 1u);
        EXPECT_EQ(s.animationSets[0].animations.size(), 47u);
        std::size_t keys = 0;
        for (const xfile::SceneAnimation& a : s.animationSets[0].animations) {
            EXPECT_NE(a.frame, kNoIndex) << a.frameName;
            EXPECT_GE(a.matrix.times.size(), 2u) << a.frameName;
            EXPECT_TRUE(a.rotation.times.empty() && a.position.times.empty() && a.scale.times.empty());
            keys += a.matrix.times.size();
        }
        EXPECT_EQ(keys, 2794u);
        EXPECT_EQ(xfile::lastKeyTime(s.animationSets[0]), 4960u);
        EXPECT_FALSE(s.ticksPerSecondGiven);
        EXPECT_EQ(s.ticksPerSecond, 4800);
        EXPECT_TRUE(s.warnings.empty()) << allWarnings(s);
    }
    {
        // Three sets, three tick-rate objects that agree, 37 bones, kW X-port options.
        const SceneResult r = loadCorpus("assimp-X/Testwuson.X");
        ASSERT_TRUE(r.ok) << r.error;
        const xfile::Scene& s = r.scene;
        ASSERT_EQ(s.animationSets.size(), 3u);
        EXPECT_EQ(s.animationSets[0].name, "Wuson_Run");
        EXPECT_EQ(s.animationSets[1].name, "Wuson_Walk");
        EXPECT_EQ(s.animationSets[2].name, "Wuson_Bind");
        EXPECT_EQ(xfile::lastKeyTime(s.animationSets[0]), 4640u);
        EXPECT_EQ(xfile::lastKeyTime(s.animationSets[2]), 0u);
        EXPECT_TRUE(s.ticksPerSecondGiven);
        EXPECT_EQ(s.ticksPerSecond, 4800);
        EXPECT_EQ(boneCount(s), 37u);
        const xfile::SceneAnimation& a = s.animationSets[0].animations.at(0);
        EXPECT_FALSE(a.closed);  // 1;0; open, spline
        EXPECT_TRUE(a.splinePositions);
        EXPECT_TRUE(s.warnings.empty()) << allWarnings(s);
    }
    {
        // The Maya exporter dropped the frames of two bones.
        const SceneResult r = loadCorpus("assimp-X/anim_test.x");
        ASSERT_TRUE(r.ok) << r.error;
        const xfile::Scene& s = r.scene;
        std::set<std::string> missing;
        for (const xfile::SceneBone& b : s.meshes.at(0).bones)
            if (b.frame == kNoIndex)
                missing.insert(b.frameName);
        EXPECT_EQ(missing, (std::set<std::string>{"joint3", "joint4"}));
        EXPECT_TRUE(hasWarning(s, "'joint3'")) << allWarnings(s);
        EXPECT_EQ(s.ticksPerSecond, 24);
        EXPECT_EQ(xfile::lastKeyTime(s.animationSets.at(0)), 24u);
    }
    {
        // 54 influences over three meshes, one skeleton of 57 frames.
        const SceneResult r = loadCorpus("assimp-X/BCN_Epileptic.X");
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.scene.frames.size(), 57u);
        EXPECT_EQ(r.scene.meshes.size(), 3u);
        EXPECT_EQ(boneCount(r.scene), 54u);
        EXPECT_EQ(r.scene.animationSets.at(0).animations.size(), 57u);
    }
    {
        // An index past the vertices is dropped, not followed.
        const SceneResult r = loadCorpus("assimp-X/malformed_skinweights_oob.x");
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.scene.meshes.at(0).bones.size(), 1u);
        EXPECT_EQ(r.scene.meshes[0].bones[0].vertices.size(), 23u);
        EXPECT_TRUE(hasWarning(r.scene, "past the mesh")) << allWarnings(r.scene);
    }
    {
        // Rigid hierarchy: 20 animated frames have no FrameTransformMatrix.
        const SceneResult r = loadCorpus("blitz3d/samples/mak/anim/makbot/mak_robotic.x");
        ASSERT_TRUE(r.ok) << r.error;
        const xfile::Matrix4 identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        std::size_t withoutMatrix = 0;
        for (const xfile::SceneAnimation& a : r.scene.animationSets.at(0).animations)
            withoutMatrix += a.frame != kNoIndex && r.scene.frames[a.frame].transform == identity;
        EXPECT_EQ(withoutMatrix, 20u);
        EXPECT_EQ(r.scene.meshes.size(), 38u);
    }
    {
        // An AnimationSet without Animation.
        const SceneResult r = loadCorpus("dxsdk-legacy/Media/misc/shapes1.x");
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.scene.animationSets.size(), 1u);
        EXPECT_TRUE(r.scene.animationSets[0].animations.empty());
    }
    {
        // The same skinned cube as text, binary and compressed binary.
        const SceneResult t = loadCorpus("assimp-X/test_cube_text.x");
        const SceneResult b = loadCorpus("assimp-X/test_cube_binary.x");
        const SceneResult z = loadCorpus("assimp-X/test_cube_compressed.x");
        for (const SceneResult* r : {&t, &b, &z}) {
            ASSERT_TRUE(r->ok) << r->error;
            ASSERT_EQ(r->scene.frames.size(), t.scene.frames.size());
            for (std::size_t i = 0; i < t.scene.frames.size(); ++i) {
                EXPECT_EQ(r->scene.frames[i].name, t.scene.frames[i].name);
                EXPECT_EQ(r->scene.frames[i].parent, t.scene.frames[i].parent);
            }
            ASSERT_EQ(r->scene.meshes.size(), 1u);
            ASSERT_EQ(r->scene.meshes[0].bones.size(), 1u);
            EXPECT_EQ(r->scene.meshes[0].bones[0].vertices, t.scene.meshes[0].bones[0].vertices);
            EXPECT_NE(r->scene.meshes[0].bones[0].frame, kNoIndex);
            EXPECT_TRUE(r->scene.ticksPerSecondGiven);
        }
    }
}
