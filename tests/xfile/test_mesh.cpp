// How meshes are converted and merged: fans, the normal split, frame
// transforms, texture coordinates and colours.
#include "test_util.h"

using namespace xtest;

TEST(MeshBuild, CubeSplitsIntoTwentyFourVerticesWithClonesInOrderOfFirstNeed)
{
    const Result r = loadText(kCube);
    ASSERT_TRUE(r.ok) << r.error;
    const xfile::MeshData& m = r.mesh;
    ASSERT_EQ(m.vertexCount(), 24u);
    ASSERT_EQ(m.faceCount(), 12u);

    // The first 8 vertices are the file's, in file order.
    expectNear3(pos(m, 0), -1, -1, -1);
    expectNear3(pos(m, 6), 1, 1, 1);
    // Clones follow in the order corners first needed them: side -y needs
    // 0,1,5,4; side +y 3,7,6,2; side -x 0,4,7,3; side +x 1,2,6,5.
    const std::uint32_t source[16] = {0, 1, 5, 4, 3, 7, 6, 2, 0, 4, 7, 3, 1, 2, 6, 5};
    for (std::uint32_t c = 0; c < 16; ++c) {
        EXPECT_EQ(pos(m, 8 + c), pos(m, source[c])) << "clone " << 8 + c;
    }
    // Each vertex carries the normal of the side that claimed it.
    expectNear3(nrm(m, 0), 0, 0, -1);
    expectNear3(nrm(m, 4), 0, 0, 1);
    expectNear3(nrm(m, 8), 0, -1, 0);
    expectNear3(nrm(m, 12), 0, 1, 0);
    expectNear3(nrm(m, 16), -1, 0, 0);
    expectNear3(nrm(m, 23), 1, 0, 0);
    // Faces use the clones: side -y is (8,9,10),(8,10,11).
    EXPECT_EQ(tri(m, 4), (std::array<std::uint32_t, 3>{8, 9, 10}));
    EXPECT_EQ(tri(m, 5), (std::array<std::uint32_t, 3>{8, 10, 11}));
    EXPECT_EQ(tri(m, 11), (std::array<std::uint32_t, 3>{20, 22, 23}));
}

TEST(MeshBuild, EqualNormalVectorsUnderDifferentIndicesDoNotSplit)
{
    const Result r = loadText(R"(
Mesh { 4; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, 0.0;1.0;0.0;;
 2; 3;0,1,2;, 3;0,2,3;;
 MeshNormals { 2; 0.0;0.0;2.0;, 0.0;0.0;1.0;; 2; 3;0,0,0;, 3;1,1,1;; } })");
    ASSERT_TRUE(r.ok) << r.error;
    // Both normals normalise to (0,0,1), so vertices 0 and 2 are shared.
    EXPECT_EQ(r.mesh.vertexCount(), 4u);
    expectNear3(nrm(r.mesh, 0), 0, 0, 1);
    expectNear3(nrm(r.mesh, 3), 0, 0, 1);
}

TEST(MeshBuild, VertexWithThousandsOfDistinctNormalsReusesEachCloneOnce)
{
    // A fan of K faces around vertex 0, each face with its own normal, given
    // twice: the second pass must find every clone the first one made, however
    // many normals meet at the centre. Normal K repeats normal 1 with a
    // negative zero, which is the same vector.
    constexpr int K = 3000;
    std::string text = "Mesh { " + std::to_string(K + 2) + "; 0.0;0.0;0.0;";
    for (int i = 0; i <= K; ++i)
        text +=
            ", " + std::to_string(std::cos(i * 0.002)) + ";" + std::to_string(std::sin(i * 0.002)) + ";0.0;";
    text += "; " + std::to_string(2 * K) + ";";
    std::string faces;
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < K; ++i)
            faces += (faces.empty() ? " 3;0," : ", 3;0,") + std::to_string(i + 1) + "," +
                     std::to_string(i + 2) + ";";
    text += faces + "; MeshNormals { " + std::to_string(K + 1) + ";";
    for (int i = 0; i < K; ++i)
        text += (i ? ", " : " ") + std::to_string(std::cos(i * 0.001)) + ";0.0;" +
                std::to_string(std::sin(i * 0.001)) + ";";
    text += ", " + std::to_string(std::cos(0.001)) + ";-0.0;" + std::to_string(std::sin(0.001)) + ";; " +
            std::to_string(2 * K) + ";";
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < K; ++i) {
            const int n = pass == 1 && i == 1 ? K : i;
            text += (pass || i ? ", 3;" : " 3;") + std::to_string(n) + "," + std::to_string(n) + "," +
                    std::to_string(n) + ";";
        }
    text += "; } }";

    const Result r = loadText(text);
    ASSERT_TRUE(r.ok) << r.error;
    const xfile::MeshData& m = r.mesh;
    // Face i (i > 0) clones the centre and its first rim vertex.
    ASSERT_EQ(m.vertexCount(), std::size_t(K + 2 + 2 * (K - 1)));
    ASSERT_EQ(m.faceCount(), std::size_t(2 * K));
    for (int i = 0; i < K; ++i)
        ASSERT_EQ(tri(m, i), tri(m, K + i)) << "face " << i;
    EXPECT_EQ(tri(m, 1), (std::array<std::uint32_t, 3>{std::uint32_t(K + 2), std::uint32_t(K + 3), 3}));
    EXPECT_EQ(tri(m, K - 1)[0], std::uint32_t(K + 2 + 2 * (K - 2)));
    expectNear3(nrm(m, K + 2 + 2 * (K - 2)), float(std::cos((K - 1) * 0.001)), 0,
                float(std::sin((K - 1) * 0.001)));
}

TEST(MeshBuild, PolygonsBecomeFansAroundTheirFirstCorner)
{
    const Result r = loadText(R"(
Mesh { 5; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 2.0;1.0;0.0;, 1.0;2.0;0.0;, 0.0;1.0;0.0;;
 2; 4;0,1,3,2;, 5;4,0,1,2,3;; })");
    ASSERT_TRUE(r.ok) << r.error;
    const xfile::MeshData& m = r.mesh;
    ASSERT_EQ(m.faceCount(), 2u + 3u);
    EXPECT_EQ(tri(m, 0), (std::array<std::uint32_t, 3>{0, 1, 3}));
    EXPECT_EQ(tri(m, 1), (std::array<std::uint32_t, 3>{0, 3, 2}));
    EXPECT_EQ(tri(m, 2), (std::array<std::uint32_t, 3>{4, 0, 1}));
    EXPECT_EQ(tri(m, 3), (std::array<std::uint32_t, 3>{4, 1, 2}));
    EXPECT_EQ(tri(m, 4), (std::array<std::uint32_t, 3>{4, 2, 3}));
    EXPECT_TRUE(m.normals.empty());  // no MeshNormals: none are made up
    EXPECT_TRUE(m.texcoords.empty());
    EXPECT_TRUE(m.colors.empty());
}

TEST(MeshBuild, UnusedVerticesStillCountAndKeepAZeroNormal)
{
    const Result r = loadText(R"(
Mesh { 4; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;, 9.0;9.0;9.0;;
 1; 3;0,1,2;;
 MeshNormals { 1; 0.0;0.0;1.0;; 1; 3;0,0,0;; } })");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.mesh.vertexCount(), 4u);
    expectNear3(nrm(r.mesh, 3), 0, 0, 0);
}

// Frame A rotates 90 degrees about z and moves +10 in x; frame B inside it
// moves +5 in y. Each holds one single-triangle mesh.
static const char* kFramed = R"(
Frame A {
 FrameTransformMatrix { 0.0,1.0,0.0,0.0, -1.0,0.0,0.0,0.0, 0.0,0.0,1.0,0.0, 10.0,0.0,0.0,1.0;; }
 Mesh MA { 3; 1.0;0.0;0.0;, 0.0;1.0;0.0;, 0.0;0.0;1.0;; 1; 3;0,1,2;;
  MeshNormals { 1; 1.0;0.0;0.0;; 1; 3;0,0,0;; } }
 Frame B {
  FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,5.0,0.0,1.0;; }
  Mesh MB { 3; 1.0;0.0;0.0;, 0.0;1.0;0.0;, 0.0;0.0;1.0;; 1; 3;0,1,2;;
   MeshNormals { 1; 1.0;0.0;0.0;; 1; 3;0,0,0;; } }
 }
}
)";

TEST(MeshBuild, NestedFramesApplyLocalThenParentTransforms)
{
    const Result r = loadText(kFramed);
    ASSERT_TRUE(r.ok) << r.error;
    const xfile::MeshData& m = r.mesh;
    ASSERT_EQ(m.vertexCount(), 6u);
    // Mesh A: (1,0,0) rotates to (0,1,0), then moves to (10,1,0).
    expectNear3(pos(m, 0), 10, 1, 0);
    expectNear3(pos(m, 1), 9, 0, 0);
    expectNear3(pos(m, 2), 10, 0, 1);
    expectNear3(nrm(m, 0), 0, 1, 0);
    // Mesh B: first its own +5 y, then A's rotation and move:
    // (1,0,0) -> (1,5,0) -> (-5,1,0) -> (5,1,0).
    expectNear3(pos(m, 3), 5, 1, 0);
    expectNear3(pos(m, 4), 4, 0, 0);
    expectNear3(nrm(m, 3), 0, 1, 0);
    // Merged faces index the second mesh after the first.
    EXPECT_EQ(tri(m, 1), (std::array<std::uint32_t, 3>{3, 4, 5}));
}

TEST(MeshBuild, TransformAffectsOnlyWhatFollowsItAndSecondMatrixAccumulates)
{
    const char* tri0 = "3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;";
    const std::string body = std::string("Frame F {\n Mesh M0 {") + tri0 +
                             "}\n FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, "
                             "0.0,0.0,2.0,1.0;; }\n Mesh M1 {" +
                             tri0 +
                             "}\n FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, "
                             "0.0,0.0,3.0,1.0;; }\n Mesh M2 {" +
                             tri0 + "}\n}\n";
    const Result r = loadText(body);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.mesh.vertexCount(), 9u);
    EXPECT_FLOAT_EQ(pos(r.mesh, 0)[2], 0.0f);
    EXPECT_FLOAT_EQ(pos(r.mesh, 3)[2], 2.0f);
    EXPECT_FLOAT_EQ(pos(r.mesh, 6)[2], 5.0f);
}

TEST(MeshBuild, NormalsUseTheInverseTransposeAndAreRenormalised)
{
    // Scale x by 2: a 45-degree normal in the xy plane must tilt towards y.
    const Result r = loadText(R"(
Frame S { FrameTransformMatrix { 2.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }
 Mesh { 3; 1.0;-1.0;0.0;, 0.0;0.0;1.0;, -1.0;1.0;0.0;; 1; 3;0,1,2;;
  MeshNormals { 1; 3.0;3.0;0.0;; 1; 3;0,0,0;; } } })");
    ASSERT_TRUE(r.ok) << r.error;
    const float s = 1.0f / std::sqrt(5.0f);
    expectNear3(nrm(r.mesh, 0), s, 2 * s, 0);
    expectNear3(pos(r.mesh, 0), 2, -1, 0);
}

TEST(MeshBuild, MirroringTransformKeepsNormalsPointingOutward)
{
    const Result r = loadText(R"(
Frame M { FrameTransformMatrix { -1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }
 Mesh { 3; 1.0;0.0;0.0;, 1.0;1.0;0.0;, 1.0;0.0;1.0;; 1; 3;0,1,2;;
  MeshNormals { 1; 1.0;0.0;0.0;; 1; 3;0,0,0;; } } })");
    ASSERT_TRUE(r.ok) << r.error;
    expectNear3(nrm(r.mesh, 0), -1, 0, 0);
}

TEST(MeshBuild, FrameCanPlaceAMeshDefinedEarlierByReference)
{
    const Result r = loadText(R"(
Mesh Shared { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }
Frame F { FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,7.0,1.0;; }
 { Shared } })");
    ASSERT_TRUE(r.ok) << r.error;
    // Once at the top level, once placed by the frame.
    ASSERT_EQ(r.mesh.vertexCount(), 6u);
    EXPECT_FLOAT_EQ(pos(r.mesh, 0)[2], 0.0f);
    EXPECT_FLOAT_EQ(pos(r.mesh, 3)[2], 7.0f);
}

TEST(MeshBuild, MeshesOnlyCountAtTopLevelOrInFrames)
{
    // A mesh inside an unknown object is not part of the frame hierarchy.
    const Result r = loadText(R"(
Holder { Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; } }
Mesh { 3; 0.0;0.0;0.0;, 2.0;0.0;0.0;, 0.0;2.0;0.0;; 1; 3;0,1,2;; })");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.mesh.vertexCount(), 3u);
    EXPECT_FLOAT_EQ(pos(r.mesh, 1)[0], 2.0f);
}

TEST(MeshBuild, TextureCoordinatesAndColoursFollowClones)
{
    const Result r = loadText(R"(
Mesh { 4; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, 0.0;1.0;0.0;;
 2; 3;0,1,2;, 3;0,2,3;;
 MeshNormals { 2; 0.0;0.0;1.0;, 0.0;1.0;0.0;; 2; 3;0,0,0;, 3;1,1,1;; }
 MeshTextureCoords { 4; 0.0;0.0;, 1.0;0.0;, 1.0;1.0;, 0.0;1.0;; }
 MeshVertexColors { 3; 0;0.1;0.3;0.7;1.0;, 2;1.5;-0.2;0.5;0.0;, 3;1.0;1.0;1.0;0.5;; }
})");
    ASSERT_TRUE(r.ok) << r.error;
    const xfile::MeshData& m = r.mesh;
    ASSERT_EQ(m.vertexCount(), 6u);  // vertices 0 and 2 cloned for the second face
    // Rounded, not truncated: 0.1 -> 0x1a, 0.3 -> 0x4d, 0.7 -> 0xb3; clamped to [0,1].
    EXPECT_EQ(m.colors[0], 0xFF1A4DB3u);
    EXPECT_EQ(m.colors[1], 0x00FFFFFFu);  // no entry: white with alpha 0
    EXPECT_EQ(m.colors[2], 0x00FF0080u);
    EXPECT_EQ(m.colors[3], 0x80FFFFFFu);
    EXPECT_EQ(m.colors[4], m.colors[0]);  // clone of 0
    EXPECT_EQ(m.colors[5], m.colors[2]);  // clone of 2
    EXPECT_FLOAT_EQ(m.texcoords[4 * 2], 0.0f);
    EXPECT_FLOAT_EQ(m.texcoords[5 * 2], 1.0f);
    EXPECT_FLOAT_EQ(m.texcoords[5 * 2 + 1], 1.0f);
}

TEST(MeshBuild, ChannelsAreTheUnionOfAllMeshesWithDefaultsWhereMissing)
{
    const Result r = loadText(R"(
Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }
Mesh { 3; 0.0;0.0;1.0;, 1.0;0.0;1.0;, 0.0;1.0;1.0;; 1; 3;0,1,2;;
 MeshTextureCoords { 3; 0.5;0.25;, 1.0;0.0;, 0.0;1.0;; }
 MeshVertexColors { 1; 1;1.0;0.0;0.0;1.0;; }
 MeshNormals { 1; 0.0;0.0;1.0;; 1; 3;0,0,0;; } })");
    ASSERT_TRUE(r.ok) << r.error;
    const xfile::MeshData& m = r.mesh;
    ASSERT_EQ(m.vertexCount(), 6u);
    ASSERT_EQ(m.normals.size(), 18u);
    ASSERT_EQ(m.texcoords.size(), 12u);
    ASSERT_EQ(m.colors.size(), 6u);
    expectNear3(nrm(m, 0), 0, 0, 0);
    expectNear3(nrm(m, 3), 0, 0, 1);
    EXPECT_FLOAT_EQ(m.texcoords[0], 0.0f);
    EXPECT_FLOAT_EQ(m.texcoords[6], 0.5f);
    EXPECT_EQ(m.colors[0], 0x00FFFFFFu);
    EXPECT_EQ(m.colors[4], 0xFFFF0000u);
}

TEST(MeshBuild, DeclDataSuppliesNormalsAndTexcoordsWhenNoTemplateDoes)
{
    // Floats stored as the decimal values of their bit patterns:
    // 1065353216 = 1.0f, 1056964608 = 0.5f, 0 = 0.0f.
    const Result r = loadText(R"(
Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;
 DeclData { 2; 2;0;3;0;, 1;0;5;0;;
  15; 0,0,1065353216, 1056964608,0,
      0,0,1065353216, 1065353216,1056964608,
      0,0,1065353216, 0,1065353216; } })");
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.mesh.normals.size(), 9u);
    expectNear3(nrm(r.mesh, 2), 0, 0, 1);
    ASSERT_EQ(r.mesh.texcoords.size(), 6u);
    EXPECT_FLOAT_EQ(r.mesh.texcoords[0], 0.5f);
    EXPECT_FLOAT_EQ(r.mesh.texcoords[3], 0.5f);
    EXPECT_FLOAT_EQ(r.mesh.texcoords[5], 1.0f);
}

TEST(MeshBuild, FVFDataSuppliesTexcoords)
{
    // D3DFVF_TEX1 with two floats per vertex.
    const Result r = loadText(R"(
Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;
 FVFData { 256; 6; 0,0, 1065353216,0, 0,1065353216; } })");
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.mesh.texcoords.size(), 6u);
    EXPECT_FLOAT_EQ(r.mesh.texcoords[2], 1.0f);
    EXPECT_FLOAT_EQ(r.mesh.texcoords[5], 1.0f);
}

TEST(MeshBuild, EmptyMeshesAreDroppedButAFileOfOnlyEmptyMeshesFails)
{
    const Result some = loadText(R"(
Mesh { 0;; 0;; }
Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; })");
    ASSERT_TRUE(some.ok) << some.error;
    EXPECT_EQ(some.mesh.vertexCount(), 3u);
    EXPECT_REJECTED(loadText("Mesh { 0;; 0;; }"), "no mesh in file");
}
