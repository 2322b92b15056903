// Posing on small scenes built by hand, one group per kind of fault:
// conventions (rotation keys, composition order, offsets), time, channels,
// skins and robustness.
#include <cmath>
#include <limits>

#include "pose_scenes.h"

using namespace posetest;

namespace {

constexpr float kS = 0.70710678f;  // sin 45°, cos 45°

// One frame at the origin holding one vertex at (1, 0, 0); `setup` animates it.
struct OneFrame {
    Model model;
    std::uint32_t f;
    std::size_t m;
    explicit OneFrame(const Matrix4& rest = pose::identity())
    {
        f = model.frame("F", xfile::kNoIndex, rest);
        m = model.mesh3({{1, 0, 0}}, f, rest);
    }
    Vec3 at(double seconds, std::size_t clip = 0)
    {
        pose::Rig rig(model.scene, model.mesh);
        return model.vertex(m, 0, posed(rig, model, clip, seconds).positions);
    }
};

}  // namespace

// ---- Conventions -----------------------------------------------------------

TEST(PoseConventions, RotationKeyIsTheConjugateInRowVectors)
{
    // Stored w, x, y, z = a 90° key about z. Its row-vector matrix is that of
    // (−x, −y, −z, w): +x goes to −y (the textbook matrix would send it to +y).
    OneFrame one;
    key(one.model.animate("Spin", "F").rotation, 0, {kS, 0, 0, kS});
    EXPECT_VEC3_NEAR(one.at(0), 0, -1, 0);
}

TEST(PoseConventions, LocalIsScaleThenRotateThenTranslate)
{
    OneFrame one;
    auto& a = one.model.animate("A", "F");
    key(a.scale, 0, {2, 2, 2});
    key(a.rotation, 0, {kS, 0, 0, -kS});  // +x to +y
    key(a.position, 0, {10, 0, 0});
    EXPECT_VEC3_NEAR(one.at(0), 10, 2, 0);
}

TEST(PoseConventions, ChildMatrixComesBeforeItsParents)
{
    // C(child) = L(child) · C(parent): the child's rotation turns the vertex
    // about the child's origin, then the parent moves it.
    Model model;
    const auto parent = model.frame("parent", xfile::kNoIndex, translation(10, 0, 0));
    const auto child = model.frame("child", parent, rotationZ(90));
    const Matrix4 placement = pose::multiply(rotationZ(90), translation(10, 0, 0));
    const auto m = model.mesh3({{1, 0, 0}}, child, placement);
    key(model.animate("Hold", "parent").position, 0, {10, 0, 0});
    pose::Rig rig(model.scene, model.mesh);
    EXPECT_VEC3_NEAR(model.vertex(m, 0, posed(rig, model, 0, 0).positions), 10, 1, 0);
    // The rest pose reproduces the merged view's placement.
    EXPECT_VEC3_NEAR(model.vertex(m, 0, posed(rig, model, pose::kNone, 0).positions), 10, 1, 0);
}

TEST(PoseConventions, SkinnedVertexIsOffsetThenBoneCombined)
{
    // Bone frame at (5, 0, 0) with the offset that undoes it: at rest the
    // skin sits where it was bound; moving the bone carries it along. The
    // mesh frame's own matrix (a 90° turn) plays no part.
    Model model;
    const auto meshFrame = model.frame("meshFrame", xfile::kNoIndex, rotationZ(90));
    const auto bone = model.frame("bone", xfile::kNoIndex, translation(5, 0, 0));
    (void)bone;
    const auto m = model.mesh3({{6, 0, 0}, {0, 1, 0}}, meshFrame, rotationZ(90));
    model.bone(m, "bone", {0, 1}, {1, 1}, translation(-5, 0, 0));
    pose::Rig rig(model.scene, model.mesh);
    const Posed rest = posed(rig, model, pose::kNone, 0);
    EXPECT_VEC3_NEAR(model.vertex(m, 0, rest.positions), 6, 0, 0);
    EXPECT_VEC3_NEAR(model.vertex(m, 1, rest.positions), 0, 1, 0);

    key(model.animate("Lift", "bone").position, 0, {5, 3, 0});
    pose::Rig lifted(model.scene, model.mesh);
    EXPECT_VEC3_NEAR(model.vertex(m, 0, posed(lifted, model, 0, 0).positions), 6, 3, 0);
}

TEST(PoseConventions, RigidMeshFollowsItsFrameNotItsPlacement)
{
    // The merged view placed the mesh with its rest matrix; posed, the mesh
    // follows C(frame) at the time.
    OneFrame one(translation(0, 0, 7));
    key(one.model.animate("Move", "F").position, 0, {0, 4, 0});
    EXPECT_VEC3_NEAR(one.at(0), 1, 4, 0);
}

TEST(PoseConventions, NormalsTurnWithTheirFrame)
{
    OneFrame one;
    key(one.model.animate("Turn", "F").rotation, 0, {kS, kS, 0, 0});  // about x
    pose::Rig rig(one.model.scene, one.model.mesh);
    const Posed p = posed(rig, one.model, 0, 0);
    // +z about x by the conjugate convention: +z goes to +y.
    EXPECT_VEC3_NEAR((Vec3{p.normals[0], p.normals[1], p.normals[2]}), 0, 1, 0);
}

// ---- Time ------------------------------------------------------------------

namespace {
// x moves from 0 to 10 between ticks 0 and 4800.
OneFrame slide(std::uint32_t first = 0, float firstValue = 0)
{
    OneFrame one;
    auto& a = one.model.animate("Slide", "F");
    key(a.position, first, {firstValue, 0, 0});
    key(a.position, 4800, {10, 0, 0});
    return one;
}
}  // namespace

TEST(PoseTime, KeysCountInTicksOf4800PerSecondUnlessTheFileSaysOtherwise)
{
    OneFrame one = slide();
    EXPECT_NEAR(one.at(0.5)[0], 1 + 5, 1e-4);
    one.model.scene.ticksPerSecond = 9600;
    one.model.scene.ticksPerSecondGiven = true;
    EXPECT_NEAR(one.at(0.25)[0], 1 + 5, 1e-4);
    // A rate that is no positive number counts as 4800.
    one.model.scene.ticksPerSecond = 0;
    EXPECT_NEAR(one.at(0.5)[0], 1 + 5, 1e-4);
    one.model.scene.ticksPerSecond = std::numeric_limits<double>::quiet_NaN();
    EXPECT_NEAR(one.at(0.5)[0], 1 + 5, 1e-4);
}

TEST(PoseTime, EverySetLoopsOverItsLastKey)
{
    OneFrame one = slide();
    EXPECT_NEAR(one.at(1.25)[0], 1 + 2.5, 1e-4);
    EXPECT_NEAR(one.at(-0.25)[0], 1 + 7.5, 1e-4);
    EXPECT_NEAR(one.at(1.0)[0], 1 + 0, 1e-4);  // the wrap shows the first key
    pose::Rig rig(one.model.scene, one.model.mesh);
    EXPECT_DOUBLE_EQ(rig.clips()[0].periodSeconds(), 1.0);
    // The period is the longest channel of the whole set.
    auto& other = one.model.animate("Slide", "G");
    one.model.frame("G");
    other.frame = 1;
    key(other.rotation, 9600, {1, 0, 0, 0});
    pose::Rig longer(one.model.scene, one.model.mesh);
    EXPECT_DOUBLE_EQ(longer.clips()[0].periodSeconds(), 2.0);
    EXPECT_NEAR(one.at(1.5)[0], 1 + 10, 1e-4);  // the short channel holds its last key
}

TEST(PoseTime, OpenAnimationsLoopAndSplinePositionsAreLinearToo)
{
    OneFrame one = slide();
    one.model.scene.animationSets[0].animations[0].closed = false;
    one.model.scene.animationSets[0].animations[0].splinePositions = true;
    EXPECT_NEAR(one.at(1.25)[0], 1 + 2.5, 1e-4);
    EXPECT_NEAR(one.at(0.3)[0], 1 + 3, 1e-4);
}

TEST(PoseTime, TheFirstKeyHoldsBeforeIt)
{
    OneFrame one = slide(2400, 3);
    EXPECT_NEAR(one.at(0.1)[0], 1 + 3, 1e-4);
    EXPECT_NEAR(one.at(0.75)[0], 1 + 6.5, 1e-4);
}

TEST(PoseTime, SingleKeysAreAStillPose)
{
    OneFrame one;
    key(one.model.animate("Idle", "F").position, 0, {0, 2, 0});
    for (double t : {0.0, 0.3, 100.0, -5.0, std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()})
        EXPECT_VEC3_NEAR(one.at(t), 1, 2, 0);
}

TEST(PoseTime, EqualTimesAreAStep)
{
    OneFrame one;
    auto& a = one.model.animate("Step", "F");
    key(a.position, 0, {0, 0, 0});
    key(a.position, 2400, {2, 0, 0});
    key(a.position, 2400, {8, 0, 0});
    key(a.position, 4800, {10, 0, 0});
    EXPECT_NEAR(one.at(1199.0 / 2400)[0], 1 + 2 * 2398.0 / 2400, 1e-3);
    EXPECT_NEAR(one.at(0.5)[0], 1 + 8, 1e-4);
    EXPECT_NEAR(one.at(0.75)[0], 1 + 9, 1e-4);
}

TEST(PoseTime, RotationsTakeTheShorterArc)
{
    // 0° then 90° about z written with the opposite sign: halfway is 45°,
    // not 135° the long way round.
    OneFrame one;
    auto& a = one.model.animate("Turn", "F");
    key(a.rotation, 0, {1, 0, 0, 0});
    key(a.rotation, 4800, {-kS, 0, 0, -kS});
    const Vec3 half = one.at(0.5);
    EXPECT_NEAR(half[0], std::cos(3.14159265 / 4), 1e-4);
    EXPECT_NEAR(half[1], -std::sin(3.14159265 / 4), 1e-4);
    // A quarter of the way is 22.5°: slerp, not a normalised lerp.
    const Vec3 quarter = one.at(0.25);
    EXPECT_NEAR(std::atan2(-quarter[1], quarter[0]), 3.14159265 / 8, 1e-4);
}

TEST(PoseTime, TheFirstSetPlaysByDefaultAndSetsAreFoundByNameOrIndex)
{
    OneFrame one;
    key(one.model.animate("Walk", "F").position, 0, {0, 1, 0});
    key(one.model.animate("Run", "F").position, 0, {0, 2, 0});
    EXPECT_VEC3_NEAR(one.at(0, pose::kDefaultSet), 1, 1, 0);
    pose::Rig rig(one.model.scene, one.model.mesh);
    EXPECT_EQ(rig.findClip("Run"), 1u);
    EXPECT_EQ(rig.findClip("1"), 1u);
    EXPECT_EQ(rig.findClip("0"), 0u);
    EXPECT_EQ(rig.findClip("2"), pose::kNone);
    EXPECT_EQ(rig.findClip("Jog"), pose::kNone);
    EXPECT_EQ(rig.findClip(""), pose::kNone);
    EXPECT_EQ(rig.findClip("1x"), pose::kNone);
}

// ---- Channels --------------------------------------------------------------

TEST(PoseChannels, FramesWithoutAnimationKeepTheirMatrix)
{
    Model model;
    const auto still =
        model.frame("still", xfile::kNoIndex,
                    pose::multiply(scaling(2, 3, 4), pose::multiply(rotationZ(30), translation(1, 2, 3))));
    const auto moving = model.frame("moving");
    const auto m = model.mesh3({{1, 1, 1}}, still, model.scene.frames[still].transform);
    model.mesh3({{0, 0, 0}}, moving, pose::identity());
    key(model.animate("A", "moving").position, 0, {0, 9, 0});
    pose::Rig rig(model.scene, model.mesh);
    EXPECT_VEC3_NEAR(model.vertex(m, 0, posed(rig, model, 0, 0.3).positions),
                     transform({1, 1, 1}, model.scene.frames[still].transform));
}

TEST(PoseChannels, MissingChannelsComeFromTheFrameMatrix)
{
    const Matrix4 rest =
        pose::multiply(scaling(2, 2, 2), pose::multiply(rotationZ(90), translation(1, 2, 3)));
    {
        OneFrame one(rest);
        key(one.model.animate("R", "F").rotation, 0, {1, 0, 0, 0});  // no turn; scale 2 and (1,2,3) stay
        EXPECT_VEC3_NEAR(one.at(0), 3, 2, 3);
    }
    {
        OneFrame one(rest);
        key(one.model.animate("T", "F").position, 0, {0, 0, 0});  // scale 2 and the 90° turn stay
        EXPECT_VEC3_NEAR(one.at(0), 0, 2, 0);
    }
    {
        OneFrame one(rest);
        key(one.model.animate("S", "F").scale, 0, {1, 1, 1});  // turn and translation stay
        EXPECT_VEC3_NEAR(one.at(0), 1, 3, 3);
    }
}

TEST(PoseChannels, MatrixKeysAreDecomposedAndInterpolated)
{
    OneFrame one;
    auto& a = one.model.animate("M", "F");
    // A mirrored, scaled, turned and moved matrix is reproduced at its key...
    const Matrix4 mirrored =
        pose::multiply(scaling(-2, 1, 1), pose::multiply(rotationZ(30), translation(1, 2, 3)));
    key(a.matrix, 0, std::vector<float>(mirrored.begin(), mirrored.end()));
    const Matrix4 moved = translation(10, 0, 0);
    key(a.matrix, 4800, std::vector<float>(moved.begin(), moved.end()));
    const Vec3 at0 = one.at(0);
    EXPECT_VEC3_NEAR(at0, transform({1, 0, 0}, mirrored));
    // ... and between keys the parts interpolate.
    const Matrix4 from = translation(0, 0, 0);
    one.model.scene.animationSets[0].animations[0].matrix = {};
    key(a.matrix, 0, std::vector<float>(from.begin(), from.end()));
    key(a.matrix, 4800, std::vector<float>(moved.begin(), moved.end()));
    EXPECT_VEC3_NEAR(one.at(0.5), 6, 0, 0);
}

TEST(PoseChannels, TheFirstAnimationOfAFrameInASetPlays)
{
    OneFrame one;
    key(one.model.animate("Twice", "F").position, 0, {0, 5, 0});
    key(one.model.animate("Twice", "F").position, 0, {0, 9, 0});
    EXPECT_VEC3_NEAR(one.at(0), 1, 5, 0);
}

TEST(PoseChannels, DecomposeRoundTrips)
{
    for (const Matrix4& m :
         {pose::identity(), rotationZ(170), rotationZ(-90),
          pose::multiply(scaling(1, -3, 0.5f), pose::multiply(rotationZ(200), translation(4, 5, 6))),
          pose::multiply(pose::rotationMatrix(pose::fileRotation(0.2f, 0.9f, 0.1f, -0.4f)),
                         scaling(1, 1, 1))}) {
        const Matrix4 back = pose::decompose(m).matrix();
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(back[i], m[i], 1e-5f) << "element " << i;
    }
}

TEST(PoseChannels, MatrixKeysWinOverOtherKeys)
{
    OneFrame one;
    auto& a = one.model.animate("M", "F");
    const Matrix4 moved = translation(0, 5, 0);
    key(a.matrix, 0, std::vector<float>(moved.begin(), moved.end()));
    key(a.position, 0, {0, 9, 0});
    EXPECT_VEC3_NEAR(one.at(0), 1, 5, 0);
}

// ---- Skins -----------------------------------------------------------------

namespace {
// Two bones at the origin and at (0, 10, 0) and three vertices on the y axis.
struct TwoBones {
    Model model;
    std::size_t m;
    TwoBones()
    {
        const auto root = model.frame("root");
        model.frame("tip", root, translation(0, 10, 0));
        m = model.mesh3({{0, 0, 0}, {0, 5, 0}, {0, 10, 0}}, xfile::kNoIndex, pose::identity());
    }
    Posed bend()
    {
        key(model.animate("Bend", "tip").position, 0, {4, 10, 0});
        pose::Rig rig(model.scene, model.mesh);
        return posed(rig, model, 0, 0);
    }
};
}  // namespace

TEST(PoseSkin, WeightsBlendTheBonesAndAreNormalised)
{
    TwoBones t;
    // Weights 2 and 2 mean half and half.
    t.model.bone(t.m, "root", {0, 1}, {1, 2}, pose::identity());
    t.model.bone(t.m, "tip", {1, 2}, {2, 1}, translation(0, -10, 0));
    const Posed p = t.bend();
    EXPECT_VEC3_NEAR(t.model.vertex(t.m, 0, p.positions), 0, 0, 0);
    EXPECT_VEC3_NEAR(t.model.vertex(t.m, 1, p.positions), 2, 5, 0);
    EXPECT_VEC3_NEAR(t.model.vertex(t.m, 2, p.positions), 4, 10, 0);
}

TEST(PoseSkin, ClonesMoveWithTheirSource)
{
    Model model;
    model.frame("bone");
    const auto m = model.mesh3({{0, 0, 0}, {1, 0, 0}}, xfile::kNoIndex, pose::identity(), {1, 0});
    model.bone(m, "bone", {1}, {1}, pose::identity());
    model.bone(m, "bone", {0}, {1}, pose::identity());
    key(model.animate("Up", "bone").position, 0, {0, 1, 0});
    pose::Rig rig(model.scene, model.mesh);
    const Posed p = posed(rig, model, 0, 0);
    EXPECT_VEC3_NEAR(model.vertex(m, 2, p.positions), 1, 1, 0);
    EXPECT_VEC3_NEAR(model.vertex(m, 3, p.positions), 0, 1, 0);
}

TEST(PoseSkin, VerticesWithoutWeightsMoveWithTheMeshFrame)
{
    Model model;
    const auto meshFrame = model.frame("meshFrame", xfile::kNoIndex, translation(0, 0, 3));
    model.frame("bone");
    const auto m = model.mesh3({{1, 0, 0}, {2, 0, 0}}, meshFrame, translation(0, 0, 3));
    model.bone(m, "bone", {0}, {1}, pose::identity());
    key(model.animate("Up", "bone").position, 0, {0, 1, 0});
    pose::Rig rig(model.scene, model.mesh);
    const Posed p = posed(rig, model, 0, 0);
    EXPECT_VEC3_NEAR(model.vertex(m, 0, p.positions), 1, 1, 0);
    EXPECT_VEC3_NEAR(model.vertex(m, 1, p.positions), 2, 0, 3);
    EXPECT_FALSE(rig.warnings().empty());
}

TEST(PoseSkin, BonesWithoutFramesKeepTheirBindPose)
{
    TwoBones t;
    t.model.bone(t.m, "root", {0}, {1}, pose::identity());
    t.model.bone(t.m, "tip", {2}, {1}, translation(0, -10, 0));
    t.model.bone(t.m, "joint3", {1}, {1}, translation(0, -123, 0));
    const Posed p = t.bend();
    EXPECT_VEC3_NEAR(t.model.vertex(t.m, 1, p.positions), 0, 5, 0);
    EXPECT_VEC3_NEAR(t.model.vertex(t.m, 2, p.positions), 4, 10, 0);
}

TEST(PoseSkin, ThreadsGiveTheSameResult)
{
    Model model;
    model.frame("a");
    model.frame("b", 0, rotationZ(10));
    std::vector<Vec3> vertices;
    std::vector<std::uint32_t> indices;
    std::vector<float> wa, wb;
    for (std::uint32_t i = 0; i < 50000; ++i) {
        vertices.push_back({float(i % 100), float(i / 100), 0});
        indices.push_back(i);
        wa.push_back(float(i % 7));
        wb.push_back(float(i % 5 + 1));
    }
    const auto m = model.mesh3(vertices, xfile::kNoIndex, pose::identity());
    model.bone(m, "a", indices, wa, pose::identity());
    model.bone(m, "b", indices, wb, translation(1, 2, 3));
    auto& anim = model.animate("Spin", "b");
    key(anim.rotation, 0, {1, 0, 0, 0});
    key(anim.rotation, 100, {0, 1, 0, 0});
    pose::Rig rig(model.scene, model.mesh);
    const Posed one = posed(rig, model, 0, 0.01, 1);
    const Posed two = posed(rig, model, 0, 0.01, 2);
    EXPECT_EQ(one.positions, two.positions);
    EXPECT_EQ(one.normals, two.normals);
}

// ---- Robustness ------------------------------------------------------------

namespace {
void expectFinite(const Posed& p)
{
    for (float v : p.positions)
        ASSERT_TRUE(std::isfinite(v));
    for (float v : p.normals)
        ASSERT_TRUE(std::isfinite(v));
}
}  // namespace

TEST(PoseRobustness, KeysThatAreNotNumbersOrHugeGiveFiniteGeometry)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    OneFrame one;
    auto& a = one.model.animate("Bad", "F");
    key(a.position, 0, {nan, 0, 0});
    key(a.position, 10, {3e38f, -3e38f, 3e38f});
    key(a.scale, 0, {3e38f, 3e38f, 3e38f});
    key(a.scale, 20, {inf, 1, 1});
    key(a.rotation, 0, {0, 0, 0, 0});
    key(a.rotation, 5, {nan, 1, 0, 0});
    key(a.rotation, 7, {1e30f, 1e30f, 0, 0});
    auto& m = one.model.animate("Bad", "F");  // the same frame twice
    key(m.position, 0, {1, 1, 1});
    one.model.scene.frames[0].transform[5] = nan;
    pose::Rig rig(one.model.scene, one.model.mesh);
    EXPECT_FALSE(rig.warnings().empty());
    for (double t = -1; t < 1; t += 0.0007)
        expectFinite(posed(rig, one.model, 0, t));
}

TEST(PoseRobustness, KeysOutOfOrderOrMiscountedAreRepaired)
{
    OneFrame one;
    auto& a = one.model.animate("Odd", "F");
    key(a.position, 4800, {10, 0, 0});
    key(a.position, 0, {0, 0, 0});
    a.position.values.push_back(99);  // a stray value
    key(a.rotation, 0, {1, 0, 0});    // too few values for one key
    EXPECT_NEAR(one.at(0.5)[0], 6, 1e-4);
    pose::Rig rig(one.model.scene, one.model.mesh);
    EXPECT_GE(rig.warnings().size(), 2u);
}

TEST(PoseRobustness, DeepTreesCostNoRecursion)
{
    Model model;
    constexpr std::uint32_t kDepth = 100000;
    for (std::uint32_t i = 0; i < kDepth; ++i)
        model.frame(std::to_string(i), i == 0 ? xfile::kNoIndex : i - 1, translation(0, 1, 0));
    const auto m = model.mesh3({{0, 0, 0}}, kDepth - 1, translation(0, kDepth, 0));
    key(model.animate("A", "0").position, 0, {0, 2, 0});
    pose::Rig rig(model.scene, model.mesh);
    const Posed p = posed(rig, model, 0, 0);
    EXPECT_EQ(model.vertex(m, 0, p.positions)[1], float(kDepth + 1));
}

TEST(PoseRobustness, BrokenReferencesAreLeftOutNotFollowed)
{
    Model model;
    model.frame("a");
    model.frame("b", 7);  // a parent after its child
    const auto m = model.mesh3({{1, 0, 0}, {2, 0, 0}}, 1, pose::identity());
    model.bone(m, "a", {0, 5, 1}, {1, 1}, pose::identity());  // vertex 5 does not exist; counts differ
    model.bone(m, "a", {1}, {std::numeric_limits<float>::quiet_NaN()}, pose::identity());
    model.bone(m, "a", {1}, {-1}, pose::identity());
    xfile::SceneMesh outside = model.scene.meshes[m];
    outside.firstVertex = 1;  // runs past the merged mesh
    model.scene.meshes.push_back(outside);
    xfile::SceneMesh badClone = model.scene.meshes[m];
    badClone.cloneSource = {9};
    badClone.vertexCount = 3;
    model.scene.meshes.push_back(badClone);
    xfile::SceneMesh flat = model.scene.meshes[m];
    flat.placement = scaling(0, 1, 1);
    model.scene.meshes.push_back(flat);
    auto& anim = model.animate("A", "nowhere");
    anim.frame = 99;
    key(anim.position, 0, {1, 2, 3});
    model.scene.animationSets.push_back({"empty", {}});
    pose::Rig rig(model.scene, model.mesh);
    EXPECT_GE(rig.warnings().size(), 4u);
    for (std::size_t clip : {std::size_t(0), std::size_t(1), std::size_t(pose::kNone)})
        expectFinite(posed(rig, model, clip, 0.5));
    EXPECT_VEC3_NEAR(model.vertex(m, 0, posed(rig, model, 0, 0).positions), 1, 0, 0);
}

TEST(PoseRobustness, WarningsStayFew)
{
    OneFrame one;
    for (int i = 0; i < 1000; ++i) {
        auto& a = one.model.animate(std::to_string(i), "ghost");
        key(a.position, 0, {0, 0, 0});
    }
    pose::Rig rig(one.model.scene, one.model.mesh);
    EXPECT_LE(rig.warnings().size(), 41u);
}
