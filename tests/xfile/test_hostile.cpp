// Malformed and hostile input: every case must end in false with a message,
// quickly, without allocating more than the input could describe.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "test_util.h"

using namespace xtest;

namespace {
const std::string kTriangle = "Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }";
}

TEST(Hostile, CountsLargerThanTheData)
{
    EXPECT_REJECTED(loadText("Mesh { 4294967295; 0.0;0.0;0.0;; 1; 3;0,1,2;; }"), "vertex count 4294967295");
    EXPECT_REJECTED(loadText("Mesh { 2147483648; 0.0; }"), "larger than the rest of the file");
    EXPECT_REJECTED(loadText("Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 4000000000; 3;0,1,2;; }"),
                    "face count");
    EXPECT_REJECTED(loadText("Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 4000000000;0,1,2;; }"),
                    "face index count");
    EXPECT_REJECTED(loadText("Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;"
                             " MeshNormals { 4294967295; 0.0;0.0;1.0;; 1; 3;0,0,0;; } }"),
                    "normal count");
    EXPECT_REJECTED(loadText("Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;"
                             " MeshMaterialList { 4294967295; 1; 0;; } }"),
                    "declares 4294967295 materials");
    // Enough values for the count, but too few for what follows.
    EXPECT_REJECTED(loadText("Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;; 1; 3;0,1,2;; }"), "");
}

TEST(Hostile, BadCountsAndIndices)
{
    EXPECT_REJECTED(loadText("Mesh { -1; 0.0;0.0;0.0;; }"), "unsigned integer");
    EXPECT_REJECTED(loadText("Mesh { 3.5; 0.0;0.0;0.0;; }"), "unsigned integer");
    EXPECT_REJECTED(loadText("Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 2;0,1;; }"),
                    "face 0 has 2 indices");
    EXPECT_REJECTED(loadText("Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 0;;; }"),
                    "face 0 has 0");
    EXPECT_REJECTED(loadText("Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,3;; }"),
                    "refers to vertex 3, but the mesh has 3 vertices");
    EXPECT_REJECTED(loadText("Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,4294967295;; }"),
                    "vertex 4294967295");
    EXPECT_REJECTED(loadText("Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;"
                             " MeshNormals { 1; 0.0;0.0;1.0;; 1; 3;0,1,0;; } }"),
                    "refers to normal 1");
    EXPECT_REJECTED(loadText("Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;"
                             " MeshVertexColors { 1; 7;1.0;1.0;1.0;1.0;; } }"),
                    "vertex 7");
    EXPECT_REJECTED(loadText("Mesh { 3; 0.0;0.0;x;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }"), "line 1");
    EXPECT_REJECTED(loadText("Mesh { 3; 0.0;0.0;0.0q;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }"),
                    "number");
}

TEST(Hostile, ErrorsNameTheLineAndTheObject)
{
    const Result r = loadText("\n\nFrame F {\n Mesh Box {\n 3;\n 0.0;0.0;0.0;,\n 1.0;}\n");
    EXPECT_REJECTED(r, "line 7");
    EXPECT_NE(r.error.find("Box"), std::string::npos) << r.error;
}

TEST(Hostile, DeepNesting)
{
    EXPECT_REJECTED(loadText(std::string(100000, '{')), "expected");
    std::string frames;
    for (int i = 0; i < 100000; ++i)
        frames += "Frame {";
    EXPECT_REJECTED(loadText(frames), "nested");
    std::string unknown;
    for (int i = 0; i < 100000; ++i)
        unknown += "Thing {";
    EXPECT_REJECTED(loadText(unknown), "unterminated");
    std::string balanced;
    for (int i = 0; i < 100000; ++i)
        balanced += "Thing {";
    balanced += std::string(100000, '}');
    EXPECT_REJECTED(loadText(balanced), "no mesh");
}

TEST(Hostile, UnterminatedThings)
{
    EXPECT_REJECTED(loadText("Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;"),
                    "end of file");
    EXPECT_REJECTED(loadText("Material M { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; "
                             "TextureFilename { \"never closed; } } " +
                             kTriangle),
                    "unterminated string");
    EXPECT_REJECTED(loadText("Stuff { \"open } " + kTriangle), "unterminated string");
    EXPECT_REJECTED(loadText("template T { <12345678-9ABC-DEF0"), "GUID");
    EXPECT_REJECTED(loadText("Mesh { 3; // comment to the end"), "expected a number");
    EXPECT_REJECTED(loadText("Mesh Box"), "'{'");
    EXPECT_REJECTED(loadText("Frame { { Box "), "'}'");
    // A stray reference at the top level holding a broken GUID (found by fuzzing: it used to spin).
    EXPECT_REJECTED(loadText(" {\n <\ntemplate Frame {\n <3d.2ab46-62dab5e-620a0af71\n}"), "GUID");
}

TEST(Hostile, MeshReferenceAmplificationIsBounded)
{
    // A big mesh placed by a frame thousands of times would multiply the
    // output far beyond the input.
    std::string body = "Mesh Big { 3000;";
    for (int i = 0; i < 3000; ++i)
        body += "1.0;2.0;3.0;,";
    body += "; 1; 3;0,1,2;; }\nFrame F {";
    for (int i = 0; i < 20000; ++i)
        body += "{Big}";
    body += "}";
    EXPECT_REJECTED(loadText(body), "too many references");
}

TEST(Hostile, TruncatedBinaryAtEveryLength)
{
    const std::string model =
        "template V { <3D82AB5E-62DA-11CF-AB39-0020AF71E433> FLOAT x; array DWORD d[2]; }\n"
        "Material M { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; "
        "TextureFilename { \"t.bmp\"; } }\n" +
        std::string(kCube) + "\n";
    const std::string full = header("bin ") + textToBinary(model);
    ASSERT_TRUE(load(full).ok);
    for (std::size_t n = 16; n < full.size(); ++n) {
        const Result r = load(full.substr(0, n));
        EXPECT_FALSE(r.ok) << n;
        EXPECT_FALSE(r.error.empty()) << n;
    }
}

TEST(Hostile, BinaryRecordsThatLie)
{
    auto file = [](std::initializer_list<std::uint16_t> tokens, const std::string& tail = "") {
        std::string b = header("bin ");
        for (std::uint16_t t : tokens)
            put16(b, t);
        return b + tail;
    };
    std::string huge;
    put32(huge, 0xFFFFFFFFu);
    EXPECT_REJECTED(load(file({1}, huge)), "NAME length 4294967295");
    EXPECT_REJECTED(load(file({1}, std::string("\x04\0\0\0Mesh", 8) + std::string("\x0a\0\x06\0", 4) + huge)),
                    "list of 4294967295 values");
    EXPECT_REJECTED(load(file({1}, std::string("\x04\0\0\0Mesh", 8) + std::string("\x0a\0\x07\0", 4) + huge)),
                    "expected an integer");
    EXPECT_REJECTED(load(file({1}, std::string("\x04\0\0\0Mesh", 8) + std::string("\x0a\0\x02\0", 4) + huge)),
                    "expected an integer");
    for (std::uint16_t bad : {0, 4, 8, 9, 21, 30, 32, 39, 53, 0xFFFF}) {
        SCOPED_TRACE(bad);
        EXPECT_REJECTED(load(file({bad})), "");
        const std::string inMesh = std::string("\x01\0\x04\0\0\0Mesh\x0a\0", 10);
        std::string b = header("bin ") + inMesh;
        put16(b, 6), put32(b, 1), put32(b, 0);  // no vertices
        put16(b, bad);
        EXPECT_REJECTED(load(b), "");
    }
    EXPECT_REJECTED(load(header("bin ") + "\x01"), "truncated");
}

TEST(Hostile, DecompressionBombsAndBrokenBlocks)
{
    const std::string good = mszip(header("tzip"), kTriangle);
    ASSERT_TRUE(load(good).ok);

    // Declared total far beyond the limit, or beyond what the blocks could hold.
    std::string huge = good;
    huge[16] = huge[17] = huge[18] = huge[19] = '\xff';
    EXPECT_REJECTED(load(huge), "declares");

    // A block that inflates to far more than it declares: 50 MB of spaces
    // squeezed into one block that claims 32 KiB.
    std::string zeros(50u << 20, ' ');
    std::string bomb = header("tzip");
    put32(bomb, 16 + 32768);
    bomb += xgen::msZipBlock(zeros, 32768);
    zeros = std::string();
    EXPECT_REJECTED(load(bomb), "more than its declared");

    // Many blocks that each honestly inflate to 32 KiB, adding up to more
    // than the declared total.
    std::string body(40 * 32768, 'x');
    std::string over = mszip(header("tzip"), body);
    over[16] = char(0x10), over[17] = char(0x80), over[18] = over[19] = 0;  // one block's worth
    EXPECT_REJECTED(load(over), "exceeds the declared total");

    std::string noSignature = good;
    noSignature[24] = 'X';
    EXPECT_REJECTED(load(noSignature), "\"CK\"");
    EXPECT_REJECTED(load(good.substr(0, good.size() - 3)), "runs past the end");
    EXPECT_REJECTED(load(good.substr(0, 22)), "truncated");
    std::string corrupt = good;
    for (std::size_t i = 26; i < corrupt.size(); ++i)
        corrupt[i] = char(0xff);
    EXPECT_REJECTED(load(corrupt), "block 0");

    // A first block that refers back before the start of the stream.
    std::string dangling = header("tzip");
    put32(dangling, 16 + 100);
    dangling += xgen::msZipBlock(std::string(100, 'q'), 100, std::string(32768, 'q'));
    EXPECT_REJECTED(load(dangling), "corrupt");

    // The decompressed data goes through every check as well.
    EXPECT_REJECTED(load(mszip(header("tzip"), "Mesh { 4294967295; }")), "decompressed text");
    EXPECT_REJECTED(load(mszip(header("bzip"), std::string("\x01\0\xff\xff\xff\xff", 6))),
                    "decompressed data");
}

TEST(Hostile, GarbageNeverCrashes)
{
    // Deterministic pseudo-random mutations of a valid file in each encoding.
    const std::string model = std::string(kCube) + kTriangle;
    const std::string bases[] = {header("txt ") + model, header("bin ") + textToBinary(model),
                                 mszip(header("bzip"), textToBinary(model))};
    std::uint32_t seed = 12345;
    auto rnd = [&] { return seed = seed * 1664525u + 1013904223u; };
    for (const std::string& base : bases) {
        for (int round = 0; round < 300; ++round) {
            std::string f = base;
            const int edits = 1 + int(rnd() % 4);
            for (int e = 0; e < edits; ++e) {
                const std::size_t at = 16 + rnd() % (f.size() - 16);
                switch (rnd() % 3) {
                case 0:
                    f[at] = char(rnd());
                    break;
                case 1:
                    f.erase(at, 1 + rnd() % 8);
                    break;
                default:
                    f.insert(at, 1 + rnd() % 4, char(rnd()));
                    break;
                }
            }
            const Result r = load(f);
            EXPECT_TRUE(r.ok || !r.error.empty());
            EXPECT_LT(r.seconds, 2.0);
        }
    }
}

TEST(Hostile, PathologicalButValidInputStaysLinear)
{
    // Many declarations and objects of templates the reader does not know,
    // counts written as decimals, and meshes full of repeated oddities: all
    // of it must cost time in proportion to its size.
    std::string body;
    for (int i = 0; i < 20000; ++i)
        body += "template T" + std::to_string(i) + " { DWORD a; }\n";
    for (int i = 0; i < 20000; ++i)
        body.append("t").append(std::to_string(i)).append(" { 1; }\n");
    body += "Mesh { 3.0; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 100000.0;";
    for (int i = 0; i < 100000; ++i)
        body += "3.0;0,1,2;,";
    body += "; MeshNormals { 1; 1.#IND00;0.0;1.0;; 100000;";
    for (int i = 0; i < 100000; ++i)
        body += "4;0,0,0,0;,";
    body += "; } }";
    const Result r = loadText(body);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.mesh.faceCount(), 100000u);
    EXPECT_LT(r.seconds, 2.0);
    EXPECT_LE(r.mesh.warnings.size(), 32u);
}

TEST(Hostile, OnlyRegularFilesAreRead)
{
    // A device never ends and a FIFO without a writer would block the open:
    // both are refused before any read, as is a folder.
    char folder[] = "/tmp/xfile-special-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string fifo = std::string(folder) + "/model.x";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {std::string("/dev/zero"), fifo, std::string(folder)}) {
        xfile::MeshData mesh;
        xfile::LoadError error;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(xfile::loadMeshFile(path, mesh, error)) << path;
        EXPECT_NE(error.message.find(path + ": not a regular file"), std::string::npos) << error.message;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << path;
    }
    std::remove(fifo.c_str());
    rmdir(folder);
}
