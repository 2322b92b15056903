// The four encodings of one scene must carry the same content, and the text
// encoding must follow the separator layout every .x reader expects.

#include "sample_scenes.h"
#include "xfile_tokens.h"
#include "xwriter/xwriter.h"

#include <gtest/gtest.h>

namespace {

using namespace xgen;
using xtest::XToken;

const FileFormat kAllFormats[] = {
    {Encoding::Text, FloatWidth::Bits32},
    {Encoding::Text, FloatWidth::Bits64},
    {Encoding::Binary, FloatWidth::Bits32},
    {Encoding::Binary, FloatWidth::Bits64},
    {Encoding::CompressedText, FloatWidth::Bits32},
    {Encoding::CompressedText, FloatWidth::Bits64},
    {Encoding::CompressedBinary, FloatWidth::Bits32},
    {Encoding::CompressedBinary, FloatWidth::Bits64},
};

TEST(Encodings, HeaderNamesFormatAndFloatWidth)
{
    EXPECT_EQ(fileHeader({Encoding::Text, FloatWidth::Bits32}), "xof 0302txt 0032");
    EXPECT_EQ(fileHeader({Encoding::Binary, FloatWidth::Bits64}), "xof 0302bin 0064");
    EXPECT_EQ(fileHeader({Encoding::CompressedText, FloatWidth::Bits32}), "xof 0302tzip0032");
    EXPECT_EQ(fileHeader({Encoding::CompressedBinary, FloatWidth::Bits64}), "xof 0302bzip0064");
}

TEST(Encodings, AllEncodingsCarryTheSameTokens)
{
    const Scene scene = xtest::featureScene(30);
    const auto reference = xtest::decodeXFile(encodeXFile(scene, kAllFormats[0])).tokens;
    ASSERT_GT(reference.size(), 1000u);
    for (const FileFormat& format : kAllFormats) {
        const std::string file = encodeXFile(scene, format);
        ASSERT_EQ(file.substr(0, 16), fileHeader(format));
        const auto decoded = xtest::decodeXFile(file);
        std::string where;
        EXPECT_TRUE(xtest::sameTokens(reference, decoded.tokens, 2e-6, where))
            << fileHeader(format) << ": " << where;
    }
}

TEST(Encodings, SixtyFourBitBinaryKeepsDoublePrecision)
{
    Scene scene;
    Mesh m;
    m.positions = {{0.1234567890123, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    m.faces = {{0, 1, 2}};
    scene.meshes.push_back(m);
    const auto decoded = xtest::decodeXFile(encodeXFile(scene, {Encoding::Binary, FloatWidth::Bits64}));
    const auto first = std::find_if(decoded.tokens.begin(), decoded.tokens.end(),
                                    [](const XToken& t) { return t.kind == XToken::Float; });
    ASSERT_NE(first, decoded.tokens.end());
    EXPECT_EQ(first->number, 0.1234567890123);
}

TEST(Encodings, BinaryPacksDataIntoListsAndKeepsStringTerminators)
{
    const Scene scene = xtest::featureScene(2);
    const std::string body = encodeXFile(scene, {Encoding::Binary, FloatWidth::Bits32}).substr(16);
    // Walk the records: no separator may follow a list, and every STRING
    // record must be followed by a separator token.
    std::size_t i = 0;
    std::uint16_t previous = 0;
    int strings = 0;
    const auto u16 = [&](std::size_t at) {
        return static_cast<std::uint16_t>(static_cast<unsigned char>(body[at]) |
                                          (static_cast<unsigned char>(body[at + 1]) << 8));
    };
    const auto u32 = [&](std::size_t at) {
        std::uint32_t v = 0;
        for (int k = 3; k >= 0; --k) {
            v = (v << 8) | static_cast<unsigned char>(body[at + k]);
        }
        return v;
    };
    while (i < body.size()) {
        const std::uint16_t id = u16(i);
        if (previous == 2) {
            EXPECT_TRUE(id == 19 || id == 20) << "STRING not terminated at " << i;
        }
        if (previous == 6 || previous == 7) {
            EXPECT_FALSE(id == 19 || id == 20) << "separator after a list at " << i;
        }
        i += 2;
        switch (id) {
        case 1:
        case 2:
            i += 4 + u32(i);
            strings += id == 2;
            break;
        case 3:
            i += 4;
            break;
        case 5:
            i += 16;
            break;
        case 6:
            i += 4 + 4 * std::size_t{u32(i)};
            break;
        case 7:
            i += 4 + 4 * std::size_t{u32(i)};
            break;
        default:
            break;
        }
        previous = id;
    }
    EXPECT_EQ(i, body.size());
    EXPECT_EQ(strings, 2);  // the texture file name, once per copy of the mesh
}

TEST(Encodings, TextUsesStandardSeparators)
{
    Scene scene;
    Mesh m;
    m.name = "Tri";
    m.positions = {{0, 0, 0}, {0, 1, 0}, {1, -0.5, 0}};
    m.faces = {{0, 1, 2}};
    m.normals = {{0, 0, -1}};
    m.normalFaces = {{0, 0, 0}};
    m.texCoords = {{0, 0}, {0, 1}, {1, 0.25}};
    m.materials = {Material{.name = "M",
                            .diffuse = {1, 0.5, 0.25, 1},
                            .power = 8,
                            .specular = {0, 0, 0},
                            .emissive = {0, 0, 0},
                            .textureFile = "a.bmp"}};
    m.faceMaterials = {0};
    scene.meshes.push_back(m);
    const std::string expected = "xof 0302txt 0032\n"
                                 "Mesh Tri {\n"
                                 " 3;\n"
                                 " 0.000000;0.000000;0.000000;,\n"
                                 " 0.000000;1.000000;0.000000;,\n"
                                 " 1.000000;-0.500000;0.000000;;\n"
                                 " 1;\n"
                                 " 3;0,1,2;;\n"
                                 " MeshNormals {\n"
                                 "  1;\n"
                                 "  0.000000;0.000000;-1.000000;;\n"
                                 "  1;\n"
                                 "  3;0,0,0;;\n"
                                 " }\n"
                                 " MeshTextureCoords {\n"
                                 "  3;\n"
                                 "  0.000000;0.000000;,\n"
                                 "  0.000000;1.000000;,\n"
                                 "  1.000000;0.250000;;\n"
                                 " }\n"
                                 " MeshMaterialList {\n"
                                 "  1;\n"
                                 "  1;\n"
                                 "  0;\n"
                                 "  Material M {\n"
                                 "   1.000000;0.500000;0.250000;1.000000;;\n"
                                 "   8.000000;\n"
                                 "   0.000000;0.000000;0.000000;;\n"
                                 "   0.000000;0.000000;0.000000;;\n"
                                 "   TextureFilename {\n"
                                 "    \"a.bmp\";\n"
                                 "   }\n"
                                 "  }\n"
                                 " }\n"
                                 "}\n";
    EXPECT_EQ(encodeXFile(scene, {Encoding::Text, FloatWidth::Bits32}), expected);
}

TEST(Encodings, FrameMatrixIsWrittenRowByRow)
{
    Scene scene;
    Frame f;
    f.name = "F";
    Matrix4 m;
    m.m[12] = 2.5;  // translation x
    f.transform = m;
    scene.frames.push_back(f);
    const std::string text = encodeXFile(scene, {Encoding::Text, FloatWidth::Bits32});
    EXPECT_NE(text.find("FrameTransformMatrix {\n"
                        "  1.000000,0.000000,0.000000,0.000000,\n"
                        "  0.000000,1.000000,0.000000,0.000000,\n"
                        "  0.000000,0.000000,1.000000,0.000000,\n"
                        "  2.500000,0.000000,0.000000,1.000000;;\n"),
              std::string::npos)
        << text;
}

TEST(Encodings, RejectsInconsistentMeshes)
{
    Scene scene;
    Mesh m;
    m.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    m.faces = {{0, 1, 3}};
    scene.meshes.push_back(m);
    EXPECT_THROW(encodeXFile(scene, {}), std::invalid_argument);

    scene.meshes[0].faces = {{0, 1, 2}};
    scene.meshes[0].normals = {{0, 0, -1}};
    scene.meshes[0].normalFaces = {{0, 0}};
    EXPECT_THROW(encodeXFile(scene, {}), std::invalid_argument);

    scene.meshes[0].normalFaces = {{0, 0, 0}};
    scene.meshes[0].materials = {Material{}};
    scene.meshes[0].faceMaterials = {1};
    EXPECT_THROW(encodeXFile(scene, {}), std::invalid_argument);
}

}  // namespace
