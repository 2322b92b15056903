// Posing real files (../shared/xcorpus; each case skips when it is absent),
// grouped as the faults they catch: conventions, time, channels, robustness.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>

#include "pose/pose.h"
#include "xfile/xfile.h"

namespace fs = std::filesystem;

namespace {

struct Loaded {
    xfile::Scene scene;
    xfile::MeshData mesh;
};

std::optional<Loaded> load(const std::string& relative)
{
    const fs::path path = fs::path(ORVANE_XCORPUS_DIR) / relative;
    if (!fs::exists(path))
        return std::nullopt;
    Loaded out;
    xfile::LoadError error;
    EXPECT_TRUE(xfile::loadSceneFile(path.string(), out.mesh, out.scene, error))
        << relative << ": " << error.message;
    return out;
}

#define LOAD_OR_SKIP(var, relative)                                                                          \
    const std::optional<Loaded> var = load(relative);                                                        \
    if (!var)                                                                                                \
        GTEST_SKIP() << "no " << relative << " in " << ORVANE_XCORPUS_DIR;

std::uint32_t frameNamed(const xfile::Scene& scene, const std::string& name)
{
    for (std::uint32_t i = 0; i < scene.frames.size(); ++i)
        if (scene.frames[i].name == name)
            return i;
    return xfile::kNoIndex;
}

std::vector<float> posedPositions(pose::Rig& rig, const Loaded& file, std::size_t clip, double seconds)
{
    std::vector<float> positions = file.mesh.positions, normals = file.mesh.normals;
    rig.pose(clip, seconds, positions, normals);
    return positions;
}

double largestGap(const std::vector<float>& a, const std::vector<float>& b)
{
    double gap = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        gap = std::max(gap, std::abs(double(a[i]) - b[i]));
    return gap;
}

const char* const kAnimated[] = {
    "dxsdk-legacy/Media/Tiny/tiny.x",
    "dxsdk-legacy/Direct3D/LocalDeformablePRT/Media/bat.x",
    "dxsdk-legacy/Media/misc/sphere.x",
    "dxsdk-legacy/Media/misc/ball.x",
    "dxsdk-legacy/Media/misc/shapes1.x",
    "assimp-X/anim_test.x",
    "assimp-X/Testwuson.X",
    "assimp-X/BCN_Epileptic.X",
    "assimp-X/test_cube_text.x",
    "assimp-X/test_cube_binary.x",
    "assimp-X/test_cube_compressed.x",
    "assimp-X/malformed_skinweights_oob.x",
    "minetest_game/74799ee5/mods/default/models/character.x",
    "minetest_game/b97400d7/mods/default/models/character.x",
    "blitz3d/samples/zenith/scare/models/pistol/pistol.x",
    "blitz3d/samples/mak/anim/makbot/mak_robotic.x",
    "blitz3d/samples/mak/castle/markio/mariorun.x",
    "blitz3d/samples/si/fps/ladders.X",
    "blitz3d/samples/Hi-Toro/Shooter/Shooter/msh/ship.x",
    "assaultwing/models/snake.X",
    "assaultwing/models/bot.X",
    "Ogimle-ne/res/mdl/hero/chassis_2a.x",
};

}  // namespace

// ---- Conventions -----------------------------------------------------------

TEST(PoseCorpusConventions, OffsetTimesRestCombinedIsIdentityForEveryBone)
{
    // kW X-port writes offsets that undo the rest pose exactly: only
    // C = L · C(parent) gives O · C_rest = I.
    for (const char* file : {"assimp-X/Testwuson.X", "assimp-X/BCN_Epileptic.X"}) {
        LOAD_OR_SKIP(model, file);
        pose::Rig rig(model->scene, model->mesh);
        posedPositions(rig, *model, pose::kNone, 0);
        std::size_t bones = 0;
        for (const xfile::SceneMesh& mesh : model->scene.meshes)
            for (const xfile::SceneBone& bone : mesh.bones) {
                ASSERT_LT(bone.frame, rig.frameCount()) << file << " " << bone.frameName;
                const pose::Matrix4 product = pose::multiply(bone.offset, rig.models()[bone.frame]);
                const pose::Matrix4 identity = pose::identity();
                for (int i = 0; i < 16; ++i)
                    ASSERT_NEAR(product[i], identity[i], 1e-3)
                        << file << " bone " << bone.frameName << " element " << i;
                ++bones;
            }
        EXPECT_GT(bones, 30u) << file;
    }
}

TEST(PoseCorpusConventions, BcnAtTimeZeroIsItsBindPose)
{
    // Its first keys are its rest pose: skinned at time 0 every vertex stays
    // where it was bound (a wrong rotation convention moves them by up to
    // most of the model's height).
    LOAD_OR_SKIP(model, "assimp-X/BCN_Epileptic.X");
    pose::Rig rig(model->scene, model->mesh);
    ASSERT_FALSE(rig.clips().empty());
    const std::vector<float> bind = posedPositions(rig, *model, pose::kNone, 0);
    // The skin at rest is the stored vertices, which the merged view placed
    // with the mesh frame's matrix (a wrong or missing offset breaks this).
    for (const xfile::SceneMesh& mesh : model->scene.meshes) {
        ASSERT_FALSE(mesh.bones.empty());
        const pose::Matrix4& m = mesh.placement;
        for (std::uint32_t v = mesh.firstVertex; v < mesh.firstVertex + mesh.vertexCount; ++v) {
            const float* p = &bind[3 * v];
            for (int k = 0; k < 3; ++k)
                ASSERT_NEAR(p[0] * m[k] + p[1] * m[4 + k] + p[2] * m[8 + k] + m[12 + k],
                            model->mesh.positions[3 * v + k], 1e-3)
                    << mesh.name << " vertex " << v;
        }
    }
    EXPECT_LT(largestGap(posedPositions(rig, *model, 0, 0), bind), 1e-3);
    // ... and the animation does move them later.
    EXPECT_GT(largestGap(posedPositions(rig, *model, 0, 1.0), bind), 0.1);
}

TEST(PoseCorpusConventions, AnimTestJointStaysInsideItsCylinder)
{
    LOAD_OR_SKIP(model, "assimp-X/anim_test.x");
    pose::Rig rig(model->scene, model->mesh);
    posedPositions(rig, *model, 0, 0);
    const std::uint32_t joint2 = frameNamed(model->scene, "joint2");
    ASSERT_NE(joint2, xfile::kNoIndex);
    EXPECT_LT(std::abs(rig.models()[joint2][14]), 1.0f);
    EXPECT_NEAR(rig.models()[joint2][13], -1.75f, 0.1f);
}

// ---- Time ------------------------------------------------------------------

TEST(PoseCorpusTime, TinyWalksAtFourThousandEightHundredTicksASecond)
{
    LOAD_OR_SKIP(model, "dxsdk-legacy/Media/Tiny/tiny.x");
    EXPECT_FALSE(model->scene.ticksPerSecondGiven);
    pose::Rig rig(model->scene, model->mesh);
    ASSERT_EQ(rig.clips().size(), 1u);
    EXPECT_NEAR(rig.clips()[0].periodSeconds(), 4960.0 / 4800, 1e-9);
    // One period later she is where she was.
    EXPECT_LT(
        largestGap(posedPositions(rig, *model, 0, 0.3), posedPositions(rig, *model, 0, 0.3 + 4960.0 / 4800)),
        1e-2);
    EXPECT_GT(largestGap(posedPositions(rig, *model, 0, 0), posedPositions(rig, *model, 0, 0.5)), 10);
}

TEST(PoseCorpusTime, AnimTestPlaysOneSecondAndHoldsItsFirstKey)
{
    LOAD_OR_SKIP(model, "assimp-X/anim_test.x");
    EXPECT_TRUE(model->scene.ticksPerSecondGiven);
    pose::Rig rig(model->scene, model->mesh);
    ASSERT_FALSE(rig.clips().empty());
    EXPECT_NEAR(rig.clips()[0].periodSeconds(), 1.0, 1e-9);
    // Keys start at tick 1 (of 24 a second): before it the first key holds.
    EXPECT_EQ(posedPositions(rig, *model, 0, 0), posedPositions(rig, *model, 0, 0.03));
    EXPECT_NE(posedPositions(rig, *model, 0, 0), posedPositions(rig, *model, 0, 0.5));
}

TEST(PoseCorpusTime, TestwusonHasThreeSetsAndABindSetThatStandsStill)
{
    LOAD_OR_SKIP(model, "assimp-X/Testwuson.X");
    pose::Rig rig(model->scene, model->mesh);
    ASSERT_EQ(rig.clips().size(), 3u);
    const std::size_t bind = rig.findClip("Wuson_Bind");
    ASSERT_NE(bind, std::size_t(pose::kNone));
    EXPECT_EQ(posedPositions(rig, *model, bind, 0), posedPositions(rig, *model, bind, 0.7));
}

// ---- Channels --------------------------------------------------------------

TEST(PoseCorpusChannels, RotationAndPositionKeysKeepTheFrameScale)
{
    // ladders.X animates with rotation and position keys only: the frames
    // keep the scale of their FrameTransformMatrix.
    LOAD_OR_SKIP(model, "blitz3d/samples/si/fps/ladders.X");
    pose::Rig rig(model->scene, model->mesh);
    ASSERT_FALSE(rig.clips().empty());
    posedPositions(rig, *model, 0, 0);
    std::size_t checked = 0;
    for (const pose::Track& track : rig.clips()[0].tracks) {
        ASSERT_TRUE(track.scale.empty());
        const pose::Parts rest = pose::decompose(model->scene.frames[track.frame].transform);
        const pose::Parts now = pose::decompose(rig.locals()[track.frame]);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(now.scale[k], rest.scale[k], 1e-4 * std::abs(rest.scale[k]) + 1e-6);
        ++checked;
    }
    EXPECT_GT(checked, 0u);
}

TEST(PoseCorpusChannels, FramesWithoutMatrixTakeIdentityForMissingChannels)
{
    LOAD_OR_SKIP(model, "blitz3d/samples/mak/anim/makbot/mak_robotic.x");
    pose::Rig rig(model->scene, model->mesh);
    ASSERT_FALSE(rig.clips().empty());
    EXPECT_GT(largestGap(posedPositions(rig, *model, 0, 0.5), posedPositions(rig, *model, 0, 1.0)), 0.01);
    for (const pose::Track& track : rig.clips()[0].tracks) {
        if (model->scene.frames[track.frame].transform != pose::identity() || !track.scale.empty())
            continue;
        const pose::Parts now = pose::decompose(rig.locals()[track.frame]);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(now.scale[k], 1.0f, 1e-4);
    }
}

// ---- Robustness ------------------------------------------------------------

TEST(PoseCorpusRobustness, EveryAnimatedFileStaysFiniteAndNearItsRestPose)
{
    std::size_t files = 0;
    for (const char* file : kAnimated) {
        const std::optional<Loaded> model = load(file);
        if (!model)
            continue;
        ++files;
        pose::Rig rig(model->scene, model->mesh);
        // The rest pose's sphere: the middle of its box and the farthest vertex.
        const std::vector<float> rest = posedPositions(rig, *model, pose::kNone, 0);
        double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
        for (std::size_t i = 0; i < rest.size(); ++i) {
            lo[i % 3] = std::min(lo[i % 3], double(rest[i]));
            hi[i % 3] = std::max(hi[i % 3], double(rest[i]));
        }
        const double centre[3] = {(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2};
        auto distance = [&](const std::vector<float>& p, std::size_t v) {
            const double dx = p[3 * v] - centre[0], dy = p[3 * v + 1] - centre[1],
                         dz = p[3 * v + 2] - centre[2];
            return std::sqrt(dx * dx + dy * dy + dz * dz);
        };
        double radius = 0;
        for (std::size_t v = 0; v < rest.size() / 3; ++v)
            radius = std::max(radius, distance(rest, v));
        for (std::size_t clip = 0; clip < rig.clips().size(); ++clip)
            for (int i = 0; i < 10; ++i) {
                const double t = rig.clips()[clip].periodSeconds() * i / 10;
                std::vector<float> positions = model->mesh.positions, normals = model->mesh.normals;
                rig.pose(clip, t, positions, normals);
                for (const float n : normals)
                    ASSERT_TRUE(std::isfinite(n)) << file;
                for (std::size_t v = 0; v < positions.size() / 3; ++v) {
                    ASSERT_TRUE(std::isfinite(positions[3 * v]) && std::isfinite(positions[3 * v + 1]) &&
                                std::isfinite(positions[3 * v + 2]))
                        << file;
                    ASSERT_LE(distance(positions, v), 4 * radius + 1e-6)
                        << file << " set " << clip << " at " << t << " s, vertex " << v;
                }
            }
    }
    if (files == 0)
        GTEST_SKIP() << "no corpus at " << ORVANE_XCORPUS_DIR;
}
