// Real files from many exporters (../shared/xcorpus next to the repository).
// Skipped when the corpus is not there.
#include <algorithm>
#include <filesystem>
#include <map>

#include "test_util.h"

using namespace xtest;
namespace fs = std::filesystem;

namespace {

fs::path corpusDir() { return fs::path(ORVANE_XCORPUS_DIR); }

bool isModel(const fs::path& p)
{
    std::string name = p.filename().string();
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return (name.size() >= 2 && name.compare(name.size() - 2, 2, ".x") == 0) ||
           name.find("ov_getnexttoken") != std::string::npos;
}

std::string relativeName(const fs::path& p) { return fs::relative(p, corpusDir()).generic_string(); }

xtest::Result loadPath(const fs::path& p)
{
    xtest::Result r;
    xfile::LoadError err;
    r.ok = xfile::loadMeshFile(p.string(), r.mesh, err);
    r.error = err.message;
    return r;
}

}  // namespace

TEST(Corpus, EveryFileWithAMeshLoads)
{
    if (!fs::is_directory(corpusDir()))
        GTEST_SKIP() << "no corpus at " << corpusDir();
    std::map<std::string, xtest::Result> results;
    for (const auto& entry : fs::recursive_directory_iterator(corpusDir())) {
        if (entry.is_regular_file() && isModel(entry.path()))
            results[relativeName(entry.path())] = loadPath(entry.path());
    }
    ASSERT_EQ(results.size(), 54u);

    std::size_t loaded = 0;
    for (const auto& [name, r] : results) {
        const bool meshless =
            name.find("scene.x") != std::string::npos || name.find("hero.x") != std::string::npos;
        const bool corrupt = name.find("OV_GetNextToken") != std::string::npos;
        if (meshless) {
            EXPECT_FALSE(r.ok) << name;
            EXPECT_NE(r.error.find("no mesh in file"), std::string::npos) << name << ": " << r.error;
        } else if (corrupt) {
            EXPECT_FALSE(r.ok) << name;
            EXPECT_FALSE(r.error.empty()) << name;
        } else {
            EXPECT_TRUE(r.ok) << name << ": " << r.error;
            if (!r.ok)
                continue;
            ++loaded;
            const xfile::MeshData& m = r.mesh;
            EXPECT_GT(m.faceCount(), 0u) << name;
            EXPECT_EQ(m.attributes.size(), m.faceCount()) << name;
            EXPECT_TRUE(m.normals.empty() || m.normals.size() == m.positions.size()) << name;
            EXPECT_TRUE(m.texcoords.empty() || m.texcoords.size() == m.vertexCount() * 2u) << name;
            EXPECT_TRUE(m.colors.empty() || m.colors.size() == m.vertexCount()) << name;
            EXPECT_TRUE(std::all_of(m.indices.begin(), m.indices.end(), [&](std::uint32_t i) {
                return i < m.vertexCount();
            })) << name;
            std::uint32_t covered = 0;
            for (const auto& g : m.groups) {
                EXPECT_EQ(g.faceStart, covered) << name;
                covered += g.faceCount;
            }
            EXPECT_EQ(covered, m.faceCount()) << name;
            EXPECT_FALSE(m.materials.empty()) << name;
        }
    }
    EXPECT_EQ(loaded, 51u);
}

TEST(Corpus, KnownCountsAndEncodingsAgree)
{
    if (!fs::is_directory(corpusDir()))
        GTEST_SKIP() << "no corpus at " << corpusDir();
    // The same exported cube as text, binary and compressed binary: 8
    // positions with per-side normals make 24 vertices and 12 triangles.
    const Result text = loadPath(corpusDir() / "assimp-X/test_cube_text.x");
    const Result bin = loadPath(corpusDir() / "assimp-X/test_cube_binary.x");
    const Result bzip = loadPath(corpusDir() / "assimp-X/test_cube_compressed.x");
    for (const Result* r : {&text, &bin, &bzip}) {
        ASSERT_TRUE(r->ok) << r->error;
        EXPECT_EQ(r->mesh.vertexCount(), 24u);
        EXPECT_EQ(r->mesh.faceCount(), 12u);
        ASSERT_EQ(r->mesh.positions.size(), text.mesh.positions.size());
        for (std::size_t i = 0; i < text.mesh.positions.size(); ++i)
            EXPECT_NEAR(r->mesh.positions[i], text.mesh.positions[i], 1e-5f);
        EXPECT_EQ(r->mesh.indices, text.mesh.indices);
    }
    EXPECT_EQ(bin.mesh.encoding, xfile::Encoding::Binary);
    EXPECT_EQ(bzip.mesh.encoding, xfile::Encoding::BinaryZip);

    // kW X-port cube with vertex colours and three materials.
    const Result kw = loadPath(corpusDir() / "assimp-X/kwxport_test_cubewithvcolors.x");
    ASSERT_TRUE(kw.ok) << kw.error;
    EXPECT_EQ(kw.mesh.vertexCount(), 24u);
    EXPECT_EQ(kw.mesh.materials.size(), 3u);
    EXPECT_FALSE(kw.mesh.colors.empty());

    // Six meshes of one quad each, under a frame, with a material each.
    const Result lobby = loadPath(corpusDir() / "dxsdk-legacy/Media/Lobby/lobby_skybox.x");
    ASSERT_TRUE(lobby.ok) << lobby.error;
    EXPECT_EQ(lobby.mesh.vertexCount(), 24u);
    EXPECT_EQ(lobby.mesh.faceCount(), 12u);
    EXPECT_EQ(lobby.mesh.groups.size(), 6u);
    EXPECT_EQ(lobby.mesh.floatBits, 64);

    // Vertex colours only, no normals.
    const Result cube = loadPath(corpusDir() / "dxsdk-legacy/Media/misc/Cube.x");
    ASSERT_TRUE(cube.ok) << cube.error;
    EXPECT_TRUE(cube.mesh.normals.empty());
    EXPECT_EQ(cube.mesh.colors.size(), cube.mesh.vertexCount());

    // Texture coordinates stored only in FVFData.
    const Result sky = loadPath(corpusDir() / "dxsdk-legacy/Direct3D/PostProcess/alley_skybox.x");
    ASSERT_TRUE(sky.ok) << sky.error;
    EXPECT_EQ(sky.mesh.texcoords.size(), sky.mesh.vertexCount() * 2u);
}

TEST(Corpus, MissingFileIsAClearError)
{
    xfile::MeshData m;
    xfile::LoadError err;
    EXPECT_FALSE(xfile::loadMeshFile("/nonexistent/dir/model.x", m, err));
    EXPECT_NE(err.message.find("/nonexistent/dir/model.x"), std::string::npos) << err.message;
}
