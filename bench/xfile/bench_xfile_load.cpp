// Loader benchmark: generates a large grid model as text, binary, tzip and
// bzip .x files, then loads each in a fresh child process and reports
// throughput and peak memory. When built with assimp, it times assimp on the
// same files for comparison.
//
//   bench_xfile_load [--mb N] [--runs N] [--keep DIR] [--no-assimp]
//
// --mb    approximate size of the text file in MB (default 50)
// --runs  loads per file in one process; the fastest later one is "warm" (default 3)
// --keep  write the files to DIR and leave them there
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "xfile/xfile.h"

#ifdef ORVANE_HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#endif

namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------- generator

struct Grid {
    int n;  // vertices per side
    float x(int i) const { return float(i) * 0.01f; }
    float z(int i, int j) const { return 0.25f * std::sin(float(i) * 0.05f) * std::cos(float(j) * 0.07f); }
};

void appendFloat(std::string& s, float v)
{
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
    s.append(buf, r.ptr);
}
void appendUInt(std::string& s, unsigned v)
{
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    s.append(buf, r.ptr);
}

template <class F>
void forEachTriangle(const Grid& g, F f)
{
    for (int j = 0; j + 1 < g.n; ++j)
        for (int i = 0; i + 1 < g.n; ++i) {
            const unsigned a = unsigned(j * g.n + i);
            f(a, a + 1, a + unsigned(g.n));
            f(a + 1, a + unsigned(g.n) + 1, a + unsigned(g.n));
        }
}

void normalAt(const Grid& g, int i, int j, float out[3])
{
    const float dx = 0.25f * 0.05f * std::cos(float(i) * 0.05f) * std::cos(float(j) * 0.07f) / 0.01f;
    const float dy = -0.25f * 0.07f * std::sin(float(i) * 0.05f) * std::sin(float(j) * 0.07f) / 0.01f;
    const float len = std::sqrt(dx * dx + dy * dy + 1);
    out[0] = -dx / len, out[1] = -dy / len, out[2] = 1 / len;
}

std::string textBody(const Grid& g)
{
    const unsigned nv = unsigned(g.n * g.n), nf = unsigned(2 * (g.n - 1) * (g.n - 1));
    std::string s;
    s.reserve(std::size_t(nv) * 190);
    s += "\nFrame Grid {\n FrameTransformMatrix {\n  1.000000,0.000000,0.000000,0.000000,\n"
         "  0.000000,1.000000,0.000000,0.000000,\n  0.000000,0.000000,1.000000,0.000000,\n"
         "  0.000000,0.000000,0.000000,1.000000;;\n }\n Mesh GridMesh {\n  ";
    appendUInt(s, nv);
    s += ";\n";
    for (int j = 0; j < g.n; ++j)
        for (int i = 0; i < g.n; ++i) {
            s += "  ";
            appendFloat(s, g.x(i)), s += ';', appendFloat(s, g.x(j)), s += ';', appendFloat(s, g.z(i, j));
            s += (i == g.n - 1 && j == g.n - 1) ? ";;\n" : ";,\n";
        }
    auto faces = [&] {
        s += "  ";
        appendUInt(s, nf);
        s += ";\n";
        unsigned k = 0;
        forEachTriangle(g, [&](unsigned a, unsigned b, unsigned c) {
            s += "  3;", appendUInt(s, a), s += ',', appendUInt(s, b), s += ',', appendUInt(s, c);
            s += ++k == nf ? ";;\n" : ";,\n";
        });
    };
    faces();
    s += "  MeshNormals {\n  ";
    appendUInt(s, nv);
    s += ";\n";
    for (int j = 0; j < g.n; ++j)
        for (int i = 0; i < g.n; ++i) {
            float nrm[3];
            normalAt(g, i, j, nrm);
            s += "  ";
            appendFloat(s, nrm[0]), s += ';', appendFloat(s, nrm[1]), s += ';', appendFloat(s, nrm[2]);
            s += (i == g.n - 1 && j == g.n - 1) ? ";;\n" : ";,\n";
        }
    faces();
    s += "  }\n  MeshTextureCoords {\n  ";
    appendUInt(s, nv);
    s += ";\n";
    for (int j = 0; j < g.n; ++j)
        for (int i = 0; i < g.n; ++i) {
            s += "  ";
            appendFloat(s, float(i) / float(g.n - 1)), s += ';', appendFloat(s, float(j) / float(g.n - 1));
            s += (i == g.n - 1 && j == g.n - 1) ? ";;\n" : ";,\n";
        }
    s +=
        "  }\n  MeshMaterialList {\n   1;\n   1;\n   0;;\n   Material Grey {\n    0.800000;0.800000;0.800000;"
        "1.000000;;\n    10.000000;\n    0.000000;0.000000;0.000000;;\n    0.000000;0.000000;0.000000;;\n   "
        "}\n"
        "  }\n }\n}\n";
    return s;
}

// Binary token stream of the same model.
struct BinWriter {
    std::string s;
    void u16(unsigned v) { s += char(v & 0xFF), s += char(v >> 8); }
    void u32(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            s += char((v >> (8 * i)) & 0xFF);
    }
    void name(const char* n) { u16(1), u32(std::uint32_t(std::strlen(n))), s += n; }
    void open() { u16(10); }
    void close() { u16(11); }
    void ints(const std::vector<std::uint32_t>& v)
    {
        u16(6), u32(std::uint32_t(v.size()));
        const std::size_t at = s.size();
        s.resize(at + v.size() * 4);
        std::memcpy(&s[at], v.data(), v.size() * 4);
    }
    void floats(const std::vector<float>& v, int bits)
    {
        u16(7), u32(std::uint32_t(v.size()));
        const std::size_t at = s.size();
        if (bits == 64) {
            s.resize(at + v.size() * 8);
            for (std::size_t i = 0; i < v.size(); ++i) {
                const double d = v[i];
                std::memcpy(&s[at + i * 8], &d, 8);
            }
        } else {
            s.resize(at + v.size() * 4);
            std::memcpy(&s[at], v.data(), v.size() * 4);
        }
    }
};

std::string binaryBody(const Grid& g, int bits)
{
    const unsigned nv = unsigned(g.n * g.n), nf = unsigned(2 * (g.n - 1) * (g.n - 1));
    BinWriter w;
    w.s.reserve(std::size_t(nv) * (bits == 64 ? 120 : 80));
    std::vector<float> pos, nrm, uv;
    pos.reserve(nv * 3), nrm.reserve(nv * 3), uv.reserve(nv * 2);
    for (int j = 0; j < g.n; ++j)
        for (int i = 0; i < g.n; ++i) {
            // The same values the text holds (6 decimals), so both load alike.
            auto round6 = [](float v) {
                char buf[32];
                auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
                *r.ptr = 0;
                return std::strtof(buf, nullptr);
            };
            float n3[3];
            normalAt(g, i, j, n3);
            pos.insert(pos.end(), {round6(g.x(i)), round6(g.x(j)), round6(g.z(i, j))});
            nrm.insert(nrm.end(), {round6(n3[0]), round6(n3[1]), round6(n3[2])});
            uv.insert(uv.end(), {round6(float(i) / float(g.n - 1)), round6(float(j) / float(g.n - 1))});
        }
    std::vector<std::uint32_t> faces;
    faces.reserve(std::size_t(nf) * 4 + 1);
    faces.push_back(nf);
    forEachTriangle(g, [&](unsigned a, unsigned b, unsigned c) { faces.insert(faces.end(), {3u, a, b, c}); });

    w.name("Frame"), w.name("Grid"), w.open();
    w.name("FrameTransformMatrix"), w.open();
    w.floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, bits);
    w.close();
    w.name("Mesh"), w.name("GridMesh"), w.open();
    w.ints({nv});
    w.floats(pos, bits);
    w.ints(faces);
    w.name("MeshNormals"), w.open();
    w.ints({nv});
    w.floats(nrm, bits);
    w.ints(faces);
    w.close();
    w.name("MeshTextureCoords"), w.open();
    w.ints({nv});
    w.floats(uv, bits);
    w.close();
    w.name("MeshMaterialList"), w.open();
    w.ints({1, 1, 0});
    w.name("Material"), w.name("Grey"), w.open();
    w.floats({0.8f, 0.8f, 0.8f, 1, 10, 0, 0, 0, 0, 0, 0}, bits);
    w.close();
    w.close();
    w.close();
    w.close();
    return std::move(w.s);
}

// MSZIP: 32 KiB blocks of raw deflate, each allowed to refer into the previous 32 KiB.
std::string mszip(const std::string& head, const std::string& body)
{
    std::string out = head;
    const std::uint32_t total = std::uint32_t(body.size() + 16);
    for (int i = 0; i < 4; ++i)
        out += char((total >> (8 * i)) & 0xFF);
    z_stream s{};
    deflateInit2(&s, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::vector<unsigned char> buf(deflateBound(&s, 32768) + 64);
    for (std::size_t pos = 0; pos < body.size(); pos += 32768) {
        const std::size_t n = std::min<std::size_t>(32768, body.size() - pos);
        deflateReset(&s);
        if (pos > 0)
            deflateSetDictionary(&s, reinterpret_cast<const Bytef*>(body.data() + pos - 32768), 32768);
        s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data() + pos));
        s.avail_in = uInt(n);
        s.next_out = buf.data();
        s.avail_out = uInt(buf.size());
        deflate(&s, Z_FINISH);
        const std::size_t packed = buf.size() - s.avail_out;
        out += char(n & 0xFF), out += char(n >> 8);
        out += char((packed + 2) & 0xFF), out += char((packed + 2) >> 8);
        out += "CK";
        out.append(reinterpret_cast<const char*>(buf.data()), packed);
    }
    deflateEnd(&s);
    return out;
}

void writeFile(const fs::path& p, const std::string& head, const std::string& body)
{
    std::ofstream f(p, std::ios::binary);
    f.write(head.data(), std::streamsize(head.size()));
    f.write(body.data(), std::streamsize(body.size()));
    if (!f) {
        std::fprintf(stderr, "cannot write %s\n", p.c_str());
        std::exit(1);
    }
}

// ------------------------------------------------------------- measurement

long currentRssKb()
{
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    long pages = 0, resident = 0;
    if (f) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long peakRssKb()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

std::size_t meshBytes(const xfile::MeshData& m)
{
    return (m.positions.size() + m.normals.size() + m.texcoords.size()) * 4 + m.colors.size() * 4 +
           m.indices.size() * 4 + m.attributes.size() * 4 + m.groups.size() * sizeof(xfile::MeshData::Group);
}

struct Sample {
    bool ok = false;
    double fresh = 0;          // first load in a new process, seconds
    double warm = 0;           // fastest later load in the same process
    double warmCpu = 0;        // least CPU time (user + system) of those loads
    double user = 0, sys = 0;  // CPU seconds of the first load
    long faults = 0;           // minor page faults of the first load
    long baselineKb = 0, peakKb = 0;
    double meshMb = 0;
    unsigned vertices = 0, faces = 0;
};

double seconds(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; }

// One load with the chosen reader; returns false on failure.
bool loadOnce(const std::string& mode, const std::string& path, Sample& s, bool first)
{
    if (mode == "xfile") {
        xfile::MeshData m;
        xfile::LoadError err;
        if (!xfile::loadMeshFile(path, m, err)) {
            std::fprintf(stderr, "load failed: %s\n", err.message.c_str());
            return false;
        }
        if (first) {
            s.meshMb = double(meshBytes(m)) / 1e6;
            s.vertices = m.vertexCount(), s.faces = m.faceCount();
            s.peakKb = peakRssKb();
        }
        return true;
    }
#ifdef ORVANE_HAVE_ASSIMP
    if (mode == "assimp") {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(path, 0);
        if (!scene) {
            std::fprintf(stderr, "assimp failed: %s\n", importer.GetErrorString());
            return false;
        }
        if (first) {
            for (unsigned i = 0; i < scene->mNumMeshes; ++i)
                s.vertices += scene->mMeshes[i]->mNumVertices, s.faces += scene->mMeshes[i]->mNumFaces;
            s.peakKb = peakRssKb();
        }
        return true;
    }
#endif
    return false;
}

// Child side: the first load in this fresh process, then `runs - 1` more;
// results on stdout.
int childMain(const std::string& mode, const std::string& path, int runs)
{
    Sample s;
    s.baselineKb = currentRssKb();
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    auto t0 = std::chrono::steady_clock::now();
    s.ok = loadOnce(mode, path, s, true);
    s.fresh = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    getrusage(RUSAGE_SELF, &after);
    s.user = seconds(after.ru_utime) - seconds(before.ru_utime);
    s.sys = seconds(after.ru_stime) - seconds(before.ru_stime);
    s.faults = after.ru_minflt - before.ru_minflt;
    s.warm = s.fresh;
    s.warmCpu = s.user + s.sys;
    for (int r = 1; r < runs && s.ok; ++r) {
        getrusage(RUSAGE_SELF, &before);
        t0 = std::chrono::steady_clock::now();
        s.ok = loadOnce(mode, path, s, false);
        s.warm =
            std::min(s.warm, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        getrusage(RUSAGE_SELF, &after);
        s.warmCpu = std::min(s.warmCpu, seconds(after.ru_utime) - seconds(before.ru_utime) +
                                            seconds(after.ru_stime) - seconds(before.ru_stime));
    }
    std::printf("%d %.9f %.9f %.9f %.9f %.9f %ld %ld %ld %.6f %u %u\n", s.ok ? 1 : 0, s.fresh, s.warm,
                s.warmCpu, s.user, s.sys, s.faults, s.baselineKb, s.peakKb, s.meshMb, s.vertices, s.faces);
    return s.ok ? 0 : 1;
}

// How long first touches of fresh memory take here: page faults are most
// of a load's system time, and their cost differs a lot between machines.
double freshMemoryMsPerMb()
{
    constexpr std::size_t kBytes = 16u << 20;
    void* p = mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return 0;
    const auto t0 = std::chrono::steady_clock::now();
    std::memset(p, 1, kBytes);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    munmap(p, kBytes);
    return ms / 16.0;
}

Sample measure(const std::string& self, const std::string& mode, const fs::path& file, int runs)
{
    int fds[2];
    if (pipe(fds) != 0)
        std::exit(1);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        const std::string r = std::to_string(runs);
        execl(self.c_str(), self.c_str(), "--child", mode.c_str(), file.c_str(), r.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string out;
    char buf[256];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        out.append(buf, std::size_t(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    Sample s;
    int ok = 0;
    if (std::sscanf(out.c_str(), "%d %lf %lf %lf %lf %lf %ld %ld %ld %lf %u %u", &ok, &s.fresh, &s.warm,
                    &s.warmCpu, &s.user, &s.sys, &s.faults, &s.baselineKb, &s.peakKb, &s.meshMb, &s.vertices,
                    &s.faces) != 12)
        ok = 0;
    s.ok = ok == 1;
    return s;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--child") == 0)
        return childMain(argv[2], argv[3], std::atoi(argv[4]));

    double targetMb = 50;
    int runs = 3;
    bool useAssimp = true;
    std::string keep;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--mb" && i + 1 < argc)
            targetMb = std::atof(argv[++i]);
        else if (a == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--keep" && i + 1 < argc)
            keep = argv[++i];
        else if (a == "--no-assimp")
            useAssimp = false;
        else {
            std::fprintf(stderr, "usage: %s [--mb N] [--runs N] [--keep DIR] [--no-assimp]\n", argv[0]);
            return 2;
        }
    }
    const std::string self = fs::canonical("/proc/self/exe").string();

    // About 185 bytes of text per grid vertex.
    Grid grid{std::max(3, int(std::sqrt(targetMb * 1e6 / 185.0)))};
    const fs::path dir = keep.empty()
                             ? fs::temp_directory_path() / ("orvane_bench_xfile_" + std::to_string(getpid()))
                             : fs::path(keep);
    fs::create_directories(dir);

    std::printf("generating a %dx%d grid (%d vertices, %d triangles) in %s\n", grid.n, grid.n,
                grid.n * grid.n, 2 * (grid.n - 1) * (grid.n - 1), dir.c_str());
    struct Form {
        const char* label;
        fs::path file;
        bool assimpToo;
    };
    std::vector<Form> forms;
    {
        const std::string text = textBody(grid);
        writeFile(dir / "grid_txt.x", "xof 0303txt 0032", text);
        writeFile(dir / "grid_tzip.x", "", mszip("xof 0303tzip0032", text));
    }
    {
        const std::string bin = binaryBody(grid, 32);
        writeFile(dir / "grid_bin.x", "xof 0303bin 0032", bin);
        writeFile(dir / "grid_bzip.x", "", mszip("xof 0303bzip0032", bin));
    }
    writeFile(dir / "grid_bin64.x", "xof 0303bin 0064", binaryBody(grid, 64));
    forms = {{"txt", dir / "grid_txt.x", true},
             {"bin", dir / "grid_bin.x", true},
             {"bin 64-bit", dir / "grid_bin64.x", false},
             {"tzip", dir / "grid_tzip.x", true},
             {"bzip", dir / "grid_bzip.x", true}};

#ifndef ORVANE_HAVE_ASSIMP
    if (useAssimp)
        std::printf("(built without assimp: no comparison)\n");
    useAssimp = false;
#endif

    std::printf("\nfresh memory costs %.2f ms per MB to touch on this machine\n", freshMemoryMsPerMb());
    std::printf("first = first load in a new process (page faults included); warm = best later load in it;\n"
                "cpu = CPU time (user + system) of the best warm load, steadier than wall time on a busy "
                "machine\n\n");
    std::printf("%-10s %7s %8s %8s %7s %7s %8s %7s %7s %8s %8s %7s %6s\n", "format", "fileMB", "first ms",
                "warm ms", "MB/s", "cpu ms", "MB/s", "faults", "peakMB", "loaderMB", "meshMB", "ratio",
                "verts");
    bool allOk = true;
    for (const Form& f : forms) {
        const double fileMb = double(fs::file_size(f.file)) / 1e6;
        const Sample s = measure(self, "xfile", f.file, runs);
        if (!s.ok) {
            std::printf("%-11s load FAILED\n", f.label);
            allOk = false;
            continue;
        }
        // The file is mapped, so its pages count in the peak; what the loader
        // itself needs is the rest above the process's baseline.
        const double fileMiB = fileMb * 1e6 / 1048576.0;
        const double loaderMiB = std::max(0.0, double(s.peakKb - s.baselineKb) / 1024.0 - fileMiB);
        const double meshMiB = s.meshMb * 1e6 / 1048576.0;
        std::printf("%-10s %7.1f %8.1f %8.1f %7.0f %7.1f %8.0f %7ld %7.1f %8.1f %8.1f %7.2f %6u\n", f.label,
                    fileMb, s.fresh * 1e3, s.warm * 1e3, fileMb / s.warm, s.warmCpu * 1e3, fileMb / s.warmCpu,
                    s.faults, double(s.peakKb) / 1024.0, loaderMiB, meshMiB, loaderMiB / meshMiB, s.vertices);
        if (useAssimp && f.assimpToo) {
            const Sample a = measure(self, "assimp", f.file, 2);
            if (a.ok)
                std::printf("  assimp   %7.1f %8.1f %8.1f %7.0f %7.1f %8.0f %7ld %7.1f   ours faster: x%.1f "
                            "cpu, x%.1f "
                            "warm, x%.1f first\n",
                            fileMb, a.fresh * 1e3, a.warm * 1e3, fileMb / a.warm, a.warmCpu * 1e3,
                            fileMb / a.warmCpu, a.faults, double(a.peakKb) / 1024.0, a.warmCpu / s.warmCpu,
                            a.warm / s.warm, a.fresh / s.fresh);
            else
                std::printf("  assimp    failed on this file\n");
        }
    }
    if (keep.empty())
        fs::remove_all(dir);
    return allOk ? 0 : 1;
}
