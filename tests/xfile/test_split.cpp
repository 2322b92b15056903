// Large arrays of a text file are read in two parts on two threads. The
// split is forced here on small models, so every case below runs both ways:
// the mesh, the warnings and the error (with its line) must be the same as
// when one thread reads everything.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "test_util.h"
#include "xfile/parallel.h"

using namespace xtest;

namespace {

// Splits every array (1) or none (max) for the life of the object.
class SplitThreshold {
public:
    explicit SplitThreshold(std::size_t values) { xfile::detail::setSplitThreshold(values); }
    ~SplitThreshold() { xfile::detail::setSplitThreshold(0); }
};

Result loadSplit(const std::string& file)
{
    SplitThreshold split(1);
    return load(file);
}

Result loadWhole(const std::string& file)
{
    SplitThreshold never(std::numeric_limits<std::size_t>::max());
    return load(file);
}

template <class T>
bool sameBits(const std::vector<T>& a, const std::vector<T>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

void expectSame(const Result& split, const Result& whole, const std::string& what)
{
    EXPECT_EQ(split.ok, whole.ok) << what;
    EXPECT_EQ(split.error, whole.error) << what;
    EXPECT_EQ(split.mesh.warnings, whole.mesh.warnings) << what;
    const xfile::MeshData &a = split.mesh, &b = whole.mesh;
    EXPECT_TRUE(sameBits(a.positions, b.positions)) << what;
    EXPECT_TRUE(sameBits(a.normals, b.normals)) << what;
    EXPECT_TRUE(sameBits(a.texcoords, b.texcoords)) << what;
    EXPECT_TRUE(sameBits(a.colors, b.colors)) << what;
    EXPECT_TRUE(sameBits(a.indices, b.indices)) << what;
    EXPECT_TRUE(sameBits(a.attributes, b.attributes)) << what;
    ASSERT_EQ(a.groups.size(), b.groups.size()) << what;
    for (std::size_t g = 0; g < a.groups.size(); ++g) {
        EXPECT_EQ(a.groups[g].faceStart, b.groups[g].faceStart) << what;
        EXPECT_EQ(a.groups[g].faceCount, b.groups[g].faceCount) << what;
    }
}

// How a generated model is written out.
struct Style {
    const char* name;
    const char* lineBreak = "\n";
    bool polygonsOverTwoLines = false;  // "3;\n0,1,2;," : a line break inside every polygon
    bool comments = false;              // comment lines full of numbers inside every array
    bool oneLine = false;               // no line break at all
    bool exponents = false;             // every fifth number written as 1.234e-01
    bool quads = false;                 // quads in the odd rows instead of two triangles
    bool unevenNumbers = false;         // long numbers, then short ones up to the middle, then long again
};

// A wavy n × n grid with a normal per corner (hard edges in every other row,
// so vertices split) and texture coordinates.
std::string gridModel(int n, const Style& s)
{
    std::string out = header("txt ", 32);
    const std::string br = s.oneLine ? std::string(" ") : std::string(s.lineBreak);
    int counter = 0;
    // The first eighth of an array is what the reader measures before it
    // splits; short numbers after it make the first part hold more numbers
    // than that measure promises, more than the helper's margin allows for.
    int arraySize = 0, inArray = 0;
    auto number = [&](double v) {
        char buf[40];
        if (s.unevenNumbers) {
            const bool isShort = inArray >= arraySize / 8 && inArray < arraySize / 2;
            ++inArray;
            std::snprintf(buf, sizeof buf, isShort ? "%.1f" : "%.12f", v);
        } else if (s.exponents && ++counter % 5 == 0) {
            std::snprintf(buf, sizeof buf, "%.3e", v);
        } else {
            std::snprintf(buf, sizeof buf, "%.6f", v);
        }
        out += buf;
    };
    auto comment = [&](int i) {
        if (s.comments && i % 7 == 3)
            out += (i % 2 ? "# 9.5; 1, 2, 3;," : "// 4;7,8,9,10;,") + br;
    };
    const int v = n * n;
    auto startArray = [&](int values) { inArray = 0, arraySize = values; };
    startArray(3 * v);
    out += "Mesh Grid {" + br + std::to_string(v) + ";" + br;
    for (int i = 0; i < v; ++i) {
        comment(i);
        const int x = i % n, y = i / n;
        number(x * 0.1), out += ';', number(y * 0.1), out += ';', number(0.25 * ((x * 7 + y * 3) % 11));
        out += i + 1 < v ? ";," : ";;";
        out += br;
    }
    std::vector<std::vector<int>> faces;
    for (int y = 0; y + 1 < n; ++y)
        for (int x = 0; x + 1 < n; ++x) {
            const int a = y * n + x, b = a + 1, c = a + n, d = c + 1;
            if (s.quads && y % 2)
                faces.push_back({a, c, d, b});
            else
                faces.push_back({a, c, b}), faces.push_back({b, c, d});
        }
    auto polygons = [&](bool normals) {
        out += std::to_string(faces.size()) + ";" + br;
        for (std::size_t f = 0; f < faces.size(); ++f) {
            comment(int(f));
            out += std::to_string(faces[f].size()) + ";" + (s.polygonsOverTwoLines ? br : std::string());
            for (std::size_t k = 0; k < faces[f].size(); ++k) {
                // Odd rows take the second set of normals: their corners split.
                const int row = faces[f][0] / n;
                const int index = normals && row % 2 ? faces[f][k] + v : faces[f][k];
                out += std::to_string(index) + (k + 1 < faces[f].size() ? "," : "");
            }
            out += f + 1 < faces.size() ? ";," : ";;";
            out += br;
        }
    };
    polygons(false);
    startArray(6 * v);
    out += "MeshNormals {" + br + std::to_string(2 * v) + ";" + br;
    for (int i = 0; i < 2 * v; ++i) {
        comment(i);
        const double t = 0.3 * ((i * 13) % 17) - 2.0;
        number(t), out += ';', number(i < v ? 1.0 : -0.5), out += ';', number(0.5);
        out += i + 1 < 2 * v ? ";," : ";;";
        out += br;
    }
    polygons(true);
    startArray(2 * v);
    out += "}" + br + "MeshTextureCoords {" + br + std::to_string(v) + ";" + br;
    for (int i = 0; i < v; ++i) {
        comment(i);
        number((i % n) / double(n)), out += ';', number((i / n) / double(n));
        out += i + 1 < v ? ";," : ";;";
        out += br;
    }
    out += "}" + br + "}" + br;
    return out;
}

const Style kStyles[] = {
    {"one element a line"},
    {"CR LF", "\r\n"},
    {"polygons over two lines", "\n", true},
    {"comments in the arrays", "\n", false, true},
    {"one line", "\n", false, false, true},
    {"exponents", "\n", false, false, false, true},
    {"quads", "\n", false, false, false, false, true},
    {"uneven numbers", "\n", false, false, false, false, false, true},
};

// Line (1-based) of offset `at`.
std::size_t lineOf(const std::string& text, std::size_t at)
{
    std::size_t line = 1;
    for (std::size_t i = 0; i < at; ++i)
        line += text[i] == '\n';
    return line;
}

}  // namespace

TEST(SplitReading, GivesTheMeshOfOneThreadInEveryLayout)
{
    for (const Style& style : kStyles) {
        for (int n : {9, 40, 97}) {
            const std::string file = gridModel(n, style);
            const std::size_t splitBefore = xfile::detail::arraysSplit();
            const Result split = loadSplit(file);
            const std::size_t splits = xfile::detail::arraysSplit() - splitBefore;
            const Result whole = loadWhole(file);
            const std::string what = std::string(style.name) + ", n = " + std::to_string(n);
            ASSERT_TRUE(whole.ok) << what << ": " << whole.error;
            expectSame(split, whole, what);
            EXPECT_GT(whole.mesh.vertexCount(), std::uint32_t(n * n)) << what;  // the odd rows split
            // Where the text has line breaks between elements, every array
            // (positions, faces, normals, normal faces, texture coordinates) is
            // read in two parts; a line break inside every polygon leaves the
            // polygon lists whole, and without line breaks nothing is split.
            if (n >= 40) {
                if (style.oneLine)
                    EXPECT_EQ(splits, 0u) << what;
                else if (style.unevenNumbers)
                    EXPECT_GE(splits, 2u) << what;  // the polygons; floats outrun the helper's margin
                else if (style.polygonsOverTwoLines)
                    EXPECT_GE(splits, 3u) << what;
                else
                    EXPECT_GE(splits, 5u) << what;
            }
        }
    }
}

TEST(SplitReading, RepeatedLoadsAgree)
{
    // Which thread runs ahead varies from run to run; every interleaving must
    // give the same mesh.
    // 71,442 faces: the polygon lists are read in more than one piece.
    const std::string file = gridModel(190, kStyles[0]);
    const Result whole = loadWhole(file);
    ASSERT_TRUE(whole.ok) << whole.error;
    for (int run = 0; run < 8; ++run)
        expectSame(loadSplit(file), whole, "run " + std::to_string(run));
}

TEST(SplitReading, BadValueReportsTheLineOfOneThread)
{
    // Faults planted at many places, in every array and on both sides of the
    // split: the message (and its line) is the one a single thread gives.
    const std::string clean = gridModel(60, kStyles[0]);
    struct Fault {
        const char* what;
        const char* find;     // the n-th occurrence of this...
        const char* replace;  // ...becomes this
        const char* message;
    };
    const Fault faults[] = {
        {"a word in the numbers", "0.500000", "0.5x0000", "expected a number"},
        {"two points", "0.500000", "0.5.0000", "expected a number"},
        {"an index out of range", ";,\n3;", ";,\n3;99999,", "refers to vertex 99999"},
        {"an index one past the last", ";,\n3;", ";,\n3;3600,", "refers to vertex 3600"},
        {"a face of two corners", ";,\n3;", ";,\n2;", "a face needs at least 3"},
        {"an undefined number", "0.500000", "1.#IND00", ""},
        {"an integer written as a decimal", ";,\n3;", ";,\n3.000000;", ""},
    };
    {
        // A face count short of the polygons written: the helper reads past
        // the list's end, and the reading after it must start where one
        // thread's would.
        std::string file = clean;
        const std::string count = ";\n" + std::to_string(2 * 59 * 59) + ";\n";
        const std::size_t at = file.find(count);
        ASSERT_NE(at, std::string::npos);
        file.replace(at, count.size(), ";\n" + std::to_string(2 * 59 * 59 - 1000) + ";\n");
        // Whether the helper gets that far depends on which thread runs
        // ahead: a few runs.
        const Result whole = loadWhole(file);
        for (int run = 0; run < 12; ++run)
            expectSame(loadSplit(file), whole, "a short face count");
    }
    for (const Fault& fault : faults) {
        // Polygon faults go into the mesh's own faces (in the normals' faces a
        // short polygon is allowed and only shifts what follows).
        const bool polygon = fault.find[0] == ';';
        const std::size_t stop = polygon ? clean.find("MeshNormals") : clean.size();
        std::vector<std::size_t> places;
        for (std::size_t at = clean.find(fault.find); at < stop; at = clean.find(fault.find, at + 1))
            places.push_back(at);
        ASSERT_GT(places.size(), 100u) << fault.what;
        for (int k = 1; k < 12; ++k) {
            const std::size_t at = places[places.size() * std::size_t(k) / 12];
            std::string file = clean;
            file.replace(at, std::strlen(fault.find), fault.replace);
            const std::string what = std::string(fault.what) + " at line " + std::to_string(lineOf(file, at));
            const Result split = loadSplit(file);
            expectSame(split, loadWhole(file), what);
            if (*fault.message) {
                EXPECT_FALSE(split.ok) << what;
                EXPECT_NE(split.error.find(fault.message), std::string::npos) << what << ": " << split.error;
                // The line of the fault itself, or the next one (the polygon's end).
                const std::size_t line = lineOf(file, at);
                const bool here =
                    split.error.find("line " + std::to_string(line) + ":") != std::string::npos ||
                    split.error.find("line " + std::to_string(line + 1) + ":") != std::string::npos;
                EXPECT_TRUE(here) << what << ": " << split.error;
            } else {
                EXPECT_TRUE(split.ok) << what << ": " << split.error;
                EXPECT_FALSE(split.mesh.warnings.empty()) << what;
            }
        }
    }
}

TEST(SplitReading, BinaryPolygonsMatchTheText)
{
    // The binary reader takes its plain polygons in one sweep too; the mesh
    // must be the one the text gives.
    for (const Style& style : {kStyles[0], kStyles[6]}) {
        const std::string text = gridModel(60, style);  // more polygons than one sweep takes
        const Result fromText = loadSplit(text);
        const Result fromBinary = loadSplit(header("bin ", 32) + textToBinary(text.substr(16)));
        ASSERT_TRUE(fromBinary.ok) << style.name << ": " << fromBinary.error;
        EXPECT_EQ(int(fromBinary.mesh.encoding), int(xfile::Encoding::Binary));
        EXPECT_TRUE(sameBits(fromText.mesh.positions, fromBinary.mesh.positions)) << style.name;
        EXPECT_TRUE(sameBits(fromText.mesh.normals, fromBinary.mesh.normals)) << style.name;
        EXPECT_TRUE(sameBits(fromText.mesh.texcoords, fromBinary.mesh.texcoords)) << style.name;
        EXPECT_TRUE(sameBits(fromText.mesh.indices, fromBinary.mesh.indices)) << style.name;
    }
}

TEST(SplitReading, CorpusFilesReadAlike)
{
    // Every real file, whatever its exporter's habits, gives the same mesh,
    // warnings or error when each of its arrays is split.
    namespace fs = std::filesystem;
    const fs::path corpus(ORVANE_XCORPUS_DIR);
    if (!fs::is_directory(corpus))
        GTEST_SKIP() << "no corpus at " << corpus;
    std::size_t files = 0;
    const std::size_t splitBefore = xfile::detail::arraysSplit();
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        if (!entry.is_regular_file() || entry.path().extension() == ".md")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (file.compare(0, 4, "xof ") != 0)
            continue;
        expectSame(loadSplit(file), loadWhole(file), entry.path().string());
        ++files;
    }
    EXPECT_GT(files, 40u);
    EXPECT_GT(xfile::detail::arraysSplit() - splitBefore, 100u);
}
