// The file header and the text syntax: what exporters write that a strict
// reader would refuse.
#include "test_util.h"

using namespace xtest;

namespace {
const char* kTriangle = "Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }";
}

TEST(Header, AcceptsEveryFormatAndFloatWidth)
{
    for (int bits : {32, 64}) {
        EXPECT_TRUE(load(header("txt ", bits) + kTriangle).ok);
        EXPECT_TRUE(load(header("bin ", bits) + textToBinary(kTriangle, bits)).ok);
        EXPECT_TRUE(load(mszip(header("tzip", bits), kTriangle)).ok);
        EXPECT_TRUE(load(mszip(header("bzip", bits), textToBinary(kTriangle, bits))).ok);
    }
    const Result r = load(header("txt ", 64) + kTriangle);
    EXPECT_EQ(r.mesh.encoding, xfile::Encoding::Text);
    EXPECT_EQ(r.mesh.floatBits, 64);
    EXPECT_STREQ(xfile::encodingName(xfile::Encoding::BinaryZip), "bzip");
}

TEST(Header, RejectsWhatIsNotAnXFileHeader)
{
    EXPECT_REJECTED(load(""), "too short");
    EXPECT_REJECTED(load("xof 0303txt"), "too short");
    EXPECT_REJECTED(load(std::string("xOf 0303txt 0032") + kTriangle), "xof");
    EXPECT_REJECTED(load(std::string("xof 0303cmp 0032") + kTriangle), "cmp");
    EXPECT_REJECTED(load(std::string("xof 0303txt 0050") + kTriangle), "float size");
    EXPECT_REJECTED(load(std::string("xof 03a3txt 0032") + kTriangle), "version");
}

TEST(Header, ContentMayStartRightAfterTheHeaderOnTheSameLine)
{
    const Result r = load(std::string("xof 0302txt 0064") + kTriangle);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.mesh.vertexCount(), 3u);
}

TEST(Header, HeaderOnlyFileHasNoMesh)
{
    EXPECT_REJECTED(load("xof 0303txt 0032"), "no mesh in file");
    EXPECT_REJECTED(load("xof 0303txt 0032\r\n// nothing\r\n"), "no mesh in file");
}

TEST(TextSyntax, SeparatorRunsAndOmissionsReadTheSameValues)
{
    const Result reference = loadText(kTriangle);
    ASSERT_TRUE(reference.ok);
    const char* variants[] = {
        // commas everywhere
        "Mesh { 3, 0.0,0.0,0.0, 1.0,0.0,0.0, 0.0,1.0,0.0, 1, 3,0,1,2, }",
        // runs of semicolons, ";;;," inside arrays, a stray ';' before '}'
        "Mesh { 3;;; 0.0;0.0;0.0;;;, 1.0;;0.0;0.0;;;, 0.0;1.0;0.0;;;; 1;; 3;0;1;2;;;; ; }",
        // face indices separated by ';' (early Blender exporter), and no
        // separator at all before '}'
        "Mesh { 3; 0.0; 0.0; 0.0;, 1.0; 0.0; 0.0;, 0.0; 1.0; 0.0;; 1; 3;0;1;2;, }",
        // single ';' after arrays, whitespace only between some values
        "Mesh {\n3;\n0.0 0.0 0.0,\n1.0 0.0 0.0,\n0.0 1.0 0.0;\n1;\n3;0,1,2;\n}",
    };
    for (const char* v : variants) {
        const Result r = loadText(v);
        ASSERT_TRUE(r.ok) << v << "\n" << r.error;
        EXPECT_EQ(r.mesh.positions, reference.mesh.positions) << v;
        EXPECT_EQ(r.mesh.indices, reference.mesh.indices) << v;
    }
}

TEST(TextSyntax, ColoursWrittenWithCommasAndEmptyArrays)
{
    // Material colours with commas (a DX7-era writer), an empty SkinWeights
    // array written as lone ';' lines, and Metasequoia's "0;;" before the
    // first material.
    const Result r = loadText(R"(
Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;
 MeshMaterialList { 1; 1; 0;;
  Material { 0.698039, 0.698039, 0.698039, 1.000000;; 50.000000; 1.000000, 1.000000, 1.000000;; 0.0, 0.0, 0.0;; }
 }
 SkinWeights { "Bone"; 0; ; ; 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }
})");
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.mesh.materials.size(), 1u);
    EXPECT_FLOAT_EQ(r.mesh.materials[0].diffuse[1], 0.698039f);
    EXPECT_FLOAT_EQ(r.mesh.materials[0].power, 50.0f);
}

TEST(TextSyntax, CommentsLineEndingsAndNames)
{
    const std::string crlf =
        "# a comment\r\nFrame frm-Flag_01 { // trailing comment with { and }\r\n"
        "  Mesh PDX01_-_Default {\r\n 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;,  // mid-array comment\r\n"
        "0.0;1.0;0.0;; 1; 3;0,1,2;; }\r\n}\r\n";
    const Result a = loadText(crlf);
    ASSERT_TRUE(a.ok) << a.error;
    EXPECT_EQ(a.mesh.vertexCount(), 3u);

    std::string cr = crlf;
    for (std::size_t i = 0; (i = cr.find("\r\n", i)) != std::string::npos;)
        cr.erase(i + 1, 1);
    const Result b = loadText(cr);  // old Mac line endings: a comment ends at CR
    ASSERT_TRUE(b.ok) << b.error;
    EXPECT_EQ(b.mesh.positions, a.mesh.positions);

    // Shift-JIS names (bytes >= 0x80) and a name starting with a digit.
    const Result c = loadText("Frame \x83\x5c\x83\x74\x83\x67 { Mesh 01_Box { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, "
                              "0.0;1.0;0.0;; 1; 3;0,1,2;; } }");
    ASSERT_TRUE(c.ok) << c.error;
}

TEST(TextSyntax, StringsKeepSeparatorsAndBracesInside)
{
    const Result r = loadText(R"(
Material M { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; TextureFilename { "a;b,{c}.bmp"; } }
Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 0;; {M} } }
KeyValuePair { "odd } \ value"; "x"; }
)");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.mesh.materials[0].textureFilename, "a;b,{c}.bmp");
}

TEST(TextSyntax, NumberForms)
{
    const Result r = loadText(R"(
Mesh { 3.000000; 1e-1;+2.5E+1;-.5;, 5.;-0.0;1.#IND00;, -1.#QNAN0;1.#INF00;0.000001;; 1; 3;0,1,2;; })");
    ASSERT_TRUE(r.ok) << r.error;
    const auto& p = r.mesh.positions;
    EXPECT_FLOAT_EQ(p[0], 0.1f);
    EXPECT_FLOAT_EQ(p[1], 25.0f);
    EXPECT_FLOAT_EQ(p[2], -0.5f);
    EXPECT_FLOAT_EQ(p[3], 5.0f);
    EXPECT_FLOAT_EQ(p[5], 0.0f);  // MSVC's NaN spelling reads as 0
    EXPECT_FLOAT_EQ(p[6], 0.0f);
    EXPECT_FLOAT_EQ(p[8], 0.000001f);
    EXPECT_GE(r.mesh.warnings.size(), 2u);  // the float count and the NaNs
}

TEST(TextSyntax, ParsedFloatsAreCorrectlyRounded)
{
    // Long mantissas and large exponents take the slow path; both must agree
    // with the correctly rounded value.
    const Result r = loadText(R"(
Mesh { 3; 0.1234567890123456789012;3.4028234e38;1e-40;, 123456789012345678901234.5;7e22;-2.5e-3;,
 0.3;0.7;16777217.0;; 1; 3;0,1,2;; })");
    ASSERT_TRUE(r.ok) << r.error;
    const auto& p = r.mesh.positions;
    EXPECT_EQ(p[0], 0.1234567890123456789012f);
    EXPECT_EQ(p[1], 3.4028234e38f);
    EXPECT_EQ(p[2], 1e-40f);
    EXPECT_EQ(p[3], 123456789012345678901234.5f);
    EXPECT_EQ(p[4], 7e22f);
    EXPECT_EQ(p[5], -2.5e-3f);
    EXPECT_EQ(p[6], 0.3f);
    EXPECT_EQ(p[8], 16777216.0f);
}

TEST(TextSyntax, TemplatesWithAndWithoutGuidsAndUnknownObjectsAreSkipped)
{
    const Result r = loadText(R"(
template Coords2d { FLOAT u; FLOAT v; }
template MyThing { <12345678-9ABC-DEF0-1234-56789ABCDEF0> DWORD n; array Vector points[n]; STRING label; [...] }
template Restricted { <11111111-2222-3333-4444-555555555555> DWORD x; [Material <3D82AB4D-62DA-11CF-AB39-0020AF71E433>, MyThing] }
MyThing thing { 2; 1.0;2.0;3.0;, 4.0;5.0;6.0;; "label {with brace}"; Mesh { 3; 9.0;9.0;9.0;, 9.0;9.0;9.0;, 9.0;9.0;9.0;; 1; 3;0,1,2;; } }
Undeclared { 1; 2; 3; Inner { "}" } }
Header { 1; 0; 1; }
)" + std::string(kTriangle));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.mesh.vertexCount(), 3u);  // the meshes inside other objects are not drawn
}

TEST(TextSyntax, TemplateErrorsAreReported)
{
    EXPECT_REJECTED(loadText("template T { <12345678-9ABC-DEF0-1234-56789ABCDEF0> Nowhere x; }"), "Nowhere");
    EXPECT_REJECTED(loadText("template T { DWORD n; array FLOAT v[count]; }"), "count");
    EXPECT_REJECTED(loadText("template T { <1234-5678> DWORD n; }"), "GUID");
}
