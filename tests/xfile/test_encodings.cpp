// The same model read from text, binary and both compressed forms, with 32-
// and 64-bit floats, must give identical meshes.
#include "test_util.h"

using namespace xtest;

namespace {

// Everything the reader interprets: templates, a frame hierarchy, materials
// (inline, by reference, with a texture name), normals, texture
// coordinates, colours, quads, plus objects it skips.
const std::string kModel = std::string(R"(
template Vector { <3D82AB5E-62DA-11CF-AB39-0020AF71E433> FLOAT x; FLOAT y; FLOAT z; }
template MeshFace { <3D82AB5F-62DA-11CF-AB39-0020AF71E433> DWORD nFaceVertexIndices; array DWORD faceVertexIndices[nFaceVertexIndices]; }
template Whatever { <12345678-9ABC-DEF0-1234-56789ABCDEF0> DWORD n; array FLOAT v[n]; STRING s; [...] }
Header { 1; 0; 1; }
Material Shiny { 0.25;0.5;0.75;1.0;; 16.0; 1.0;1.0;1.0;; 0.0;0.0;0.0;; TextureFilename { "shiny.png"; } }
Frame Root {
 FrameTransformMatrix { 0.0,0.0,-1.0,0.0, 0.0,1.0,0.0,0.0, 1.0,0.0,0.0,0.0, 1.5,-2.0,3.25,1.0;; }
 Whatever w { 3; 0.5, 0.25, 0.125; "skip me"; }
)") + kCube + R"(
 Frame Child {
  FrameTransformMatrix { 2.0,0.0,0.0,0.0, 0.0,0.5,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,1.0,0.0,1.0;; }
  Mesh Quad {
   4; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, 0.0;1.0;0.0;;
   2; 3;0,1,2;, 3;0,2,3;;
   MeshNormals { 2; 0.0;0.0;1.0;, 0.0;0.6;0.8;; 2; 3;0,0,0;, 3;1,1,1;; }
   MeshTextureCoords { 4; 0.0;0.0;, 1.0;0.0;, 1.0;1.0;, 0.0;1.0;; }
   MeshVertexColors { 2; 0;0.1;0.2;0.3;0.4;, 3;1.0;0.5;0.0;1.0;; }
   MeshMaterialList { 2; 2; 1,0;;
    {Shiny}
    Material Plain { 0.5;0.5;0.5;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
   }
  }
 }
}
AnimationSet { Animation { {Root} AnimationKey { 2; 2; 0;3;0.0,0.0,0.0;;, 10;3;1.0,2.0,3.0;;; } } }
)";

void expectSame(const xfile::MeshData& a, const xfile::MeshData& b)
{
    EXPECT_EQ(a.positions, b.positions);
    EXPECT_EQ(a.normals, b.normals);
    EXPECT_EQ(a.texcoords, b.texcoords);
    EXPECT_EQ(a.colors, b.colors);
    EXPECT_EQ(a.indices, b.indices);
    EXPECT_EQ(a.attributes, b.attributes);
    ASSERT_EQ(a.groups.size(), b.groups.size());
    for (std::size_t i = 0; i < a.groups.size(); ++i) {
        EXPECT_EQ(a.groups[i].attribute, b.groups[i].attribute);
        EXPECT_EQ(a.groups[i].faceStart, b.groups[i].faceStart);
        EXPECT_EQ(a.groups[i].faceCount, b.groups[i].faceCount);
    }
    ASSERT_EQ(a.materials.size(), b.materials.size());
    for (std::size_t i = 0; i < a.materials.size(); ++i) {
        EXPECT_EQ(a.materials[i].textureFilename, b.materials[i].textureFilename);
        EXPECT_EQ(0, std::memcmp(a.materials[i].diffuse, b.materials[i].diffuse, sizeof(float) * 4));
        EXPECT_EQ(a.materials[i].power, b.materials[i].power);
    }
}

}  // namespace

TEST(Encodings, TextModelIsWhatWeExpect)
{
    const Result r = loadText(kModel);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.mesh.vertexCount(), 24u + 6u);
    EXPECT_EQ(r.mesh.faceCount(), 12u + 2u);
    // The quad's materials come after the cube's (none: offset 0), so
    // attribute 0 is Shiny; the cube has no list and also gets 0.
    ASSERT_EQ(r.mesh.materials.size(), 2u);
    EXPECT_EQ(r.mesh.materials[0].textureFilename, "shiny.png");
    ASSERT_EQ(r.mesh.groups.size(), 2u);
    EXPECT_EQ(r.mesh.groups[0].faceCount, 13u);
}

TEST(Encodings, BinaryAndCompressedFormsGiveIdenticalMeshes)
{
    const Result text = loadText(kModel);
    ASSERT_TRUE(text.ok) << text.error;
    for (int bits : {32, 64}) {
        SCOPED_TRACE(bits);
        const std::string binaryBody = textToBinary(kModel, bits);
        const Result bin = load(header("bin ", bits) + binaryBody);
        ASSERT_TRUE(bin.ok) << bin.error;
        EXPECT_EQ(bin.mesh.encoding, xfile::Encoding::Binary);
        EXPECT_EQ(bin.mesh.floatBits, bits);
        expectSame(text.mesh, bin.mesh);

        const Result bzip = load(mszip(header("bzip", bits), binaryBody));
        ASSERT_TRUE(bzip.ok) << bzip.error;
        EXPECT_EQ(bzip.mesh.encoding, xfile::Encoding::BinaryZip);
        expectSame(text.mesh, bzip.mesh);

        const Result tzip = load(mszip(header("tzip", bits), kModel));
        ASSERT_TRUE(tzip.ok) << tzip.error;
        EXPECT_EQ(tzip.mesh.encoding, xfile::Encoding::TextZip);
        expectSame(text.mesh, tzip.mesh);
    }
}

TEST(Encodings, SixtyFourBitBinaryCarriesDoubles)
{
    // A value that only a double list can hold exactly narrows to the float
    // nearest to it, as the text reader gives.
    const std::string body =
        "Mesh { 3; 0.1;0.2;0.3;, 1.0000001192092896;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }";
    const std::string bin64 = textToBinary(body, 64);
    const Result r = load(header("bin ", 64) + bin64);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.mesh.positions[0], 0.1f);
    EXPECT_EQ(r.mesh.positions[3], 1.0000001192092896f);
    // The same bytes read as 32-bit lists are misaligned garbage or errors,
    // never a crash.
    const Result wrong = load(header("bin ", 32) + bin64);
    EXPECT_TRUE(wrong.ok || !wrong.error.empty());
}

TEST(Encodings, BinaryListsMaySplitAndMergeMembersFreely)
{
    // One INTEGER_LIST holding the face count and all faces, the vertex count
    // as a lone INTEGER token followed by separators: all one number stream.
    std::string b;
    auto name = [&](const std::string& s) { put16(b, 1), put32(b, std::uint32_t(s.size())), b += s; };
    name("Mesh");
    put16(b, 10);
    put16(b, 3), put32(b, 3), put16(b, 20), put16(b, 20);
    put16(b, 7), put32(b, 4);
    for (float f : {0.f, 0.f, 0.f, 1.f}) {
        std::uint32_t u;
        std::memcpy(&u, &f, 4);
        put32(b, u);
    }
    put16(b, 7), put32(b, 5);
    for (float f : {0.f, 0.f, 0.f, 1.f, 0.f}) {
        std::uint32_t u;
        std::memcpy(&u, &f, 4);
        put32(b, u);
    }
    put16(b, 6), put32(b, 5);
    for (std::uint32_t v : {1u, 3u, 0u, 1u, 2u})
        put32(b, v);
    put16(b, 11);
    const Result r = load(header("bin ") + b);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.mesh.faceCount(), 1u);
    EXPECT_FLOAT_EQ(r.mesh.positions[7], 1.0f);
}

TEST(Encodings, CompressedBlocksReferBackAcrossBlockBoundaries)
{
    // Many identical meshes: later blocks compress to back-references into
    // earlier ones, which only decode with the history carried over.
    std::string body;
    for (int i = 0; i < 400; ++i)
        body += kCube;
    ASSERT_GT(body.size(), 3u * 32768u);
    const Result plain = loadText(body);
    ASSERT_TRUE(plain.ok) << plain.error;
    EXPECT_EQ(plain.mesh.vertexCount(), 400u * 24u);

    const std::string withHistory = mszip(header("tzip"), body);
    const std::string without = mszip(header("tzip"), body, 32768, false);
    EXPECT_LT(withHistory.size(), without.size());  // the history was actually used
    const Result a = load(withHistory);
    ASSERT_TRUE(a.ok) << a.error;
    EXPECT_EQ(a.mesh.positions, plain.mesh.positions);
    const Result b = load(without);
    ASSERT_TRUE(b.ok) << b.error;
    EXPECT_EQ(b.mesh.indices, plain.mesh.indices);
    // Small blocks: each one reaches back over several earlier ones.
    const Result c = load(mszip(header("tzip"), body, 1000));
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.mesh.indices, plain.mesh.indices);
}
