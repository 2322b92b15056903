// Material lists: which faces land in which attribute group.
#include <algorithm>

#include "test_util.h"

using namespace xtest;

namespace {

// Four triangles of a strip; `list` is inserted as the mesh's child.
std::string strip(const std::string& list, const std::string& name = "Strip")
{
    return "Mesh " + name +
           " { 6; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;, 1.0;1.0;0.0;, 0.0;2.0;0.0;, 1.0;2.0;0.0;;\n"
           " 4; 3;0,1,2;, 3;1,3,2;, 3;2,3,4;, 3;3,5,4;;\n" +
           list + "}\n";
}

const char* kRed = "Material Red { 1.0;0.0;0.0;1.0;; 8.0; 0.5;0.5;0.5;; 0.0;0.0;0.0;; }";
const char* kBlue = "Material Blue { 0.0;0.0;1.0;0.5;; 2.0; 0.0;0.0;0.0;; 0.1;0.2;0.3;; TextureFilename { "
                    "\"tex\\\\blue.bmp\"; } }";

}  // namespace

TEST(Materials, FacesAreSortedStablyByMaterialAndGroupZeroHoldsMaterialZero)
{
    const Result r = loadText(strip(std::string("MeshMaterialList { 2; 4; 1,0,1,0;; ") + kRed + kBlue + "}"));
    ASSERT_TRUE(r.ok) << r.error;
    const xfile::MeshData& m = r.mesh;
    ASSERT_EQ(m.materials.size(), 2u);
    EXPECT_FLOAT_EQ(m.materials[0].diffuse[0], 1.0f);              // Red
    EXPECT_EQ(m.materials[1].textureFilename, "tex\\\\blue.bmp");  // bytes kept as written
    EXPECT_FLOAT_EQ(m.materials[1].power, 2.0f);
    EXPECT_FLOAT_EQ(m.materials[1].emissive[2], 0.3f);
    EXPECT_FLOAT_EQ(m.materials[1].specular[3], 1.0f);
    EXPECT_FLOAT_EQ(m.materials[1].ambient[3], 1.0f);

    ASSERT_EQ(m.groups.size(), 2u);
    EXPECT_EQ(m.groups[0].attribute, 0u);
    EXPECT_EQ(m.groups[0].faceStart, 0u);
    EXPECT_EQ(m.groups[0].faceCount, 2u);
    EXPECT_EQ(m.groups[1].attribute, 1u);
    EXPECT_EQ(m.groups[1].faceStart, 2u);
    // Group 0 holds file faces 1 and 3, in that order; group 1 faces 0 and 2.
    EXPECT_EQ(tri(m, 0), (std::array<std::uint32_t, 3>{1, 3, 2}));
    EXPECT_EQ(tri(m, 1), (std::array<std::uint32_t, 3>{3, 5, 4}));
    EXPECT_EQ(tri(m, 2), (std::array<std::uint32_t, 3>{0, 1, 2}));
    EXPECT_EQ(tri(m, 3), (std::array<std::uint32_t, 3>{2, 3, 4}));
    EXPECT_EQ(m.attributes, (std::vector<std::uint32_t>{0, 0, 1, 1}));
}

TEST(Materials, ReferencesToTopLevelMaterialsAndOffsetsAcrossMeshes)
{
    const std::string file = std::string(kRed) + "\n" + kBlue + "\n" +
                             strip("MeshMaterialList { 2; 4; 0,1,1,0;; {Blue} {Red} }", "A") +
                             strip("", "NoList") + strip("MeshMaterialList { 1; 1; 0;; {Red} }", "B");
    const Result r = loadText(file);
    ASSERT_TRUE(r.ok) << r.error;
    const xfile::MeshData& m = r.mesh;
    // Materials of A (Blue, Red), then B (Red); the mesh without a list takes
    // the offset of the materials before it.
    ASSERT_EQ(m.materials.size(), 3u);
    EXPECT_FLOAT_EQ(m.materials[0].diffuse[2], 1.0f);
    EXPECT_FLOAT_EQ(m.materials[1].diffuse[0], 1.0f);
    EXPECT_FLOAT_EQ(m.materials[2].diffuse[0], 1.0f);
    ASSERT_EQ(m.faceCount(), 12u);
    std::vector<std::uint32_t> perGroup;
    for (const auto& g : m.groups)
        perGroup.push_back(g.attribute), perGroup.push_back(g.faceCount);
    EXPECT_EQ(perGroup, (std::vector<std::uint32_t>{0, 2, 1, 2, 2, 8}));
    // Group 0 is A's faces 0 and 3.
    EXPECT_EQ(tri(m, 0), (std::array<std::uint32_t, 3>{0, 1, 2}));
    EXPECT_EQ(tri(m, 1), (std::array<std::uint32_t, 3>{3, 5, 4}));
}

TEST(Materials, ShortIndexListsRepeatTheLastIndex)
{
    const Result one = loadText(strip(std::string("MeshMaterialList { 2; 1; 1;; ") + kRed + kBlue + "}"));
    ASSERT_TRUE(one.ok) << one.error;
    EXPECT_EQ(one.mesh.attributes, (std::vector<std::uint32_t>{1, 1, 1, 1}));
    ASSERT_EQ(one.mesh.groups.size(), 1u);
    EXPECT_EQ(one.mesh.groups[0].attribute, 1u);

    const Result two = loadText(strip(std::string("MeshMaterialList { 2; 2; 1,0;; ") + kRed + kBlue + "}"));
    ASSERT_TRUE(two.ok) << two.error;
    EXPECT_EQ(two.mesh.attributes, (std::vector<std::uint32_t>{0, 0, 0, 1}));
    EXPECT_FALSE(two.mesh.warnings.empty());
}

TEST(Materials, NoMaterialListAnywhereGivesOneGreyDefault)
{
    const Result r = loadText(strip("") + strip("", "Second"));
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.mesh.materials.size(), 1u);
    const xfile::Material& g = r.mesh.materials[0];
    EXPECT_FLOAT_EQ(g.diffuse[0], 0.5f);
    EXPECT_FLOAT_EQ(g.diffuse[3], 0.0f);
    EXPECT_FLOAT_EQ(g.specular[1], 0.5f);
    EXPECT_FLOAT_EQ(g.specular[3], 0.0f);
    EXPECT_FLOAT_EQ(g.power, 0.0f);
    EXPECT_TRUE(g.textureFilename.empty());
    ASSERT_EQ(r.mesh.groups.size(), 1u);
    EXPECT_EQ(r.mesh.groups[0].faceCount, 8u);
}

TEST(Materials, InconsistentListsAreErrors)
{
    EXPECT_REJECTED(loadText(strip(std::string("MeshMaterialList { 2; 4; 0,1,2,0;; ") + kRed + kBlue + "}")),
                    "material 2");
    EXPECT_REJECTED(loadText(strip(std::string("MeshMaterialList { 3; 4; 0,1,2,0;; ") + kRed + kBlue + "}")),
                    "declares 3 materials but holds 2");
}

TEST(Materials, UnknownReferenceStandsInWithADefaultAndAWarning)
{
    const Result r = loadText(strip("MeshMaterialList { 1; 1; 0;; {Missing} }"));
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.mesh.materials.size(), 1u);
    EXPECT_TRUE(std::any_of(r.mesh.warnings.begin(), r.mesh.warnings.end(),
                            [](const std::string& w) { return w.find("{Missing}") != std::string::npos; }));
}
