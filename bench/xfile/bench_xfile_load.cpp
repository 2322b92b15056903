// Loader benchmark: generates wavy grid models whose normals are given per
// triangle corner (smooth in half of the rows, hard edges in the other half,
// so vertices are split as exporters' files need) as text, binary, tzip and
// bzip .x files, then measures:
//   1. the headline: whole processes, `orvane --info FILE` beside
//      `assimp info -r FILE` (when the assimp tool is installed), interleaved,
//      median wall time and peak memory of each;
//   2. `orvane --info` on a tiny file: the program's start-up cost;
//   3. the loader in a fresh child process: first load, warm reload, and its
//      peak memory against the size of the final mesh; the merged mesh alone
//      (loadMesh) beside the mesh with its scene (loadScene), interleaved.
//
//   bench_xfile_load [--mb N[,N...]] [--runs N] [--keep DIR] [--no-assimp] [--orvane PATH]
//                    [--baseline PATH]
//   bench_xfile_load --checksums DIR...
//
// --mb      approximate sizes of the text files in MB (default 11,51)
// --runs    runs of each process, medians reported (default 5, at least 5)
// --keep    write the files to DIR and leave them there
// --orvane  the program to time (default: the one built beside this benchmark)
// --baseline another build of the program, timed in turn with it in 1. and 2.
// --checksums prints a checksum of every array of the merged mesh of each
//           model file under DIR (one line each), so that two builds can be
//           shown to read the same bytes into the same mesh
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

#include "mesh_checksum.h"
#include "start_quietly.h"
#include "xfile/xfile.h"
#include "xwriter/mszip.h"

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

void normalAt(int i, int j, float out[3])
{
    const float dx = 0.25f * 0.05f * std::cos(float(i) * 0.05f) * std::cos(float(j) * 0.07f) / 0.01f;
    const float dy = -0.25f * 0.07f * std::sin(float(i) * 0.05f) * std::sin(float(j) * 0.07f) / 0.01f;
    const float len = std::sqrt(dx * dx + dy * dy + 1);
    out[0] = -dx / len, out[1] = -dy / len, out[2] = 1 / len;
}

// The normal of each triangle corner, triangle by triangle: smooth (the
// vertex's own) in even rows of quads, the triangle's face normal in odd rows,
// so that the vertices along and inside the odd rows are split as a model with
// hard edges is.
template <class F>
void forEachCornerNormal(const Grid& g, F f)
{
    auto position = [&](unsigned v, float out[3]) {
        const int i = int(v % unsigned(g.n)), j = int(v / unsigned(g.n));
        out[0] = g.x(i), out[1] = g.x(j), out[2] = g.z(i, j);
    };
    forEachTriangle(g, [&](unsigned a, unsigned b, unsigned c) {
        const int row = int(a / unsigned(g.n));
        if (row % 2 == 0) {
            for (unsigned v : {a, b, c}) {
                float n[3];
                normalAt(int(v % unsigned(g.n)), int(v / unsigned(g.n)), n);
                f(n);
            }
            return;
        }
        float pa[3], pb[3], pc[3];
        position(a, pa), position(b, pb), position(c, pc);
        const float u[3] = {pb[0] - pa[0], pb[1] - pa[1], pb[2] - pa[2]};
        const float w[3] = {pc[0] - pa[0], pc[1] - pa[1], pc[2] - pa[2]};
        float n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
        const float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (float& x : n)
            x /= len;
        for (int corner = 0; corner < 3; ++corner)
            f(n);
    });
}

std::string textBody(const Grid& g)
{
    const unsigned nv = unsigned(g.n * g.n), nf = unsigned(2 * (g.n - 1) * (g.n - 1));
    std::string s;
    s.reserve(std::size_t(nv) * 340);
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
    // Normals per corner, as exporters write them: three per triangle.
    s += "  MeshNormals {\n  ";
    appendUInt(s, 3 * nf);
    s += ";\n";
    unsigned k = 0;
    forEachCornerNormal(g, [&](const float* nrm) {
        s += "  ";
        appendFloat(s, nrm[0]), s += ';', appendFloat(s, nrm[1]), s += ';', appendFloat(s, nrm[2]);
        s += ++k == 3 * nf ? ";;\n" : ";,\n";
    });
    s += "  ";
    appendUInt(s, nf);
    s += ";\n";
    for (unsigned f = 0; f < nf; ++f) {
        s += "  3;", appendUInt(s, 3 * f), s += ',', appendUInt(s, 3 * f + 1), s += ',',
            appendUInt(s, 3 * f + 2);
        s += f + 1 == nf ? ";;\n" : ";,\n";
    }
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
    w.s.reserve(std::size_t(nv) * (bits == 64 ? 280 : 140));
    std::vector<float> pos, nrm, uv;
    pos.reserve(nv * 3), nrm.reserve(std::size_t(nf) * 9), uv.reserve(nv * 2);
    // The same values the text holds (6 decimals), so both load alike.
    auto round6 = [](float v) {
        char buf[32];
        auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
        *r.ptr = 0;
        return std::strtof(buf, nullptr);
    };
    for (int j = 0; j < g.n; ++j)
        for (int i = 0; i < g.n; ++i) {
            pos.insert(pos.end(), {round6(g.x(i)), round6(g.x(j)), round6(g.z(i, j))});
            uv.insert(uv.end(), {round6(float(i) / float(g.n - 1)), round6(float(j) / float(g.n - 1))});
        }
    forEachCornerNormal(g, [&](const float* n) {
        nrm.insert(nrm.end(), {round6(n[0]), round6(n[1]), round6(n[2])});
    });
    std::vector<std::uint32_t> faces, normalFaces;
    faces.reserve(std::size_t(nf) * 4 + 1);
    normalFaces.reserve(std::size_t(nf) * 4 + 1);
    normalFaces.push_back(nf);
    for (unsigned f = 0; f < nf; ++f)
        normalFaces.insert(normalFaces.end(), {3u, 3 * f, 3 * f + 1, 3 * f + 2});
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
    w.ints({3 * nf});
    w.floats(nrm, bits);
    w.ints(normalFaces);
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

// A compressed file: the 16-byte header, the whole size, then MSZIP blocks.
std::string mszip(const std::string& head, const std::string& body)
{
    std::string out = head;
    const std::uint32_t total = std::uint32_t(body.size() + 16);
    for (int i = 0; i < 4; ++i)
        out += char((total >> (8 * i)) & 0xFF);
    return out + xgen::msZipBlocks(body);
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

// One load with the chosen reader ("xfile": the merged mesh alone; "scene":
// the mesh and its scene); returns false on failure.
bool loadOnce(const std::string& mode, const std::string& path, Sample& s, bool first)
{
    if (mode == "xfile" || mode == "scene") {
        xfile::MeshData m;
        xfile::Scene scene;
        xfile::LoadError err;
        if (!(mode == "scene" ? xfile::loadSceneFile(path, m, scene, err)
                              : xfile::loadMeshFile(path, m, err))) {
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

// Runs this program again with `args` and returns what it writes to stdout.
std::string outputOfSelf(const std::string& self, const std::vector<std::string>& args)
{
    int fds[2];
    if (pipe(fds) != 0)
        std::exit(1);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        std::vector<char*> argv = {const_cast<char*>(self.c_str())};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
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
    return out;
}

Sample measure(const std::string& self, const std::string& mode, const fs::path& file, int runs)
{
    const std::string out = outputOfSelf(self, {"--child", mode, file.string(), std::to_string(runs)});
    Sample s;
    int ok = 0;
    if (std::sscanf(out.c_str(), "%d %lf %lf %lf %lf %lf %ld %ld %ld %lf %u %u", &ok, &s.fresh, &s.warm,
                    &s.warmCpu, &s.user, &s.sys, &s.faults, &s.baselineKb, &s.peakKb, &s.meshMb, &s.vertices,
                    &s.faces) != 12)
        ok = 0;
    s.ok = ok == 1;
    return s;
}

struct ProcessSample {
    bool ok = false;
    double ms = 0;     // wall time
    double cpuMs = 0;  // user + system: steadier than wall time on a busy machine
    double peakMb = 0;
};

// Runs `argv` to its end with its output discarded; wall time and peak memory.
// A child's peak memory counts from the size of the process it was forked
// from, so this runs in a small process of its own (--spawn).
ProcessSample runProcess(const std::vector<std::string>& argv)
{
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = startQuietly(argv);
    if (pid < 0)
        return {};
    int status = 0;
    rusage ru{};
    wait4(pid, &status, 0, &ru);
    ProcessSample s;
    s.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    s.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    s.peakMb = double(ru.ru_maxrss) / 1024.0;
    s.cpuMs = (seconds(ru.ru_utime) + seconds(ru.ru_stime)) * 1e3;
    return s;
}

// runProcess() in a fresh copy of this program, whose own few megabytes are
// what the peak of `argv` starts from.
ProcessSample spawnProcess(const std::string& self, const std::vector<std::string>& argv)
{
    std::vector<std::string> args = {"--spawn"};
    args.insert(args.end(), argv.begin(), argv.end());
    const std::string out = outputOfSelf(self, args);
    ProcessSample s;
    int ok = 0;
    if (std::sscanf(out.c_str(), "%d %lf %lf %lf", &ok, &s.ms, &s.cpuMs, &s.peakMb) != 4)
        ok = 0;
    s.ok = ok == 1;
    return s;
}

double medianOf(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct ProcessMedians {
    bool ok = true;
    double ms = 0, cpuMs = 0, peakMb = 0;
};

// Each command `runs` times, the commands taking turns so that a change in
// the machine's load falls on all of them alike.
std::vector<ProcessMedians> interleaved(const std::string& self,
                                        const std::vector<std::vector<std::string>>& commands, int runs)
{
    std::vector<std::vector<double>> ms(commands.size()), cpu(commands.size()), peak(commands.size());
    std::vector<ProcessMedians> out(commands.size());
    for (int r = 0; r < runs; ++r)
        for (std::size_t c = 0; c < commands.size(); ++c) {
            const ProcessSample s = spawnProcess(self, commands[c]);
            out[c].ok = out[c].ok && s.ok;
            ms[c].push_back(s.ms);
            cpu[c].push_back(s.cpuMs);
            peak[c].push_back(s.peakMb);
        }
    for (std::size_t c = 0; c < commands.size(); ++c)
        out[c].ms = medianOf(ms[c]), out[c].cpuMs = medianOf(cpu[c]), out[c].peakMb = medianOf(peak[c]);
    return out;
}

int printChecksums(int argc, char** argv)
{
    std::vector<fs::path> files;
    for (int i = 2; i < argc; ++i)
        for (const auto& e : fs::recursive_directory_iterator(argv[i]))
            if (e.is_regular_file() && e.path().extension() != ".md")
                files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& p : files) {
        xfile::MeshData m;
        xfile::LoadError err;
        if (xfile::loadMeshFile(p.string(), m, err))
            std::printf("%016llx %s\n", static_cast<unsigned long long>(xtest::meshChecksum(m)), p.c_str());
        else
            std::printf("failed: %s %s\n", err.message.c_str(), p.c_str());
    }
    return 0;
}

std::string loadAverage()
{
    std::FILE* f = std::fopen("/proc/loadavg", "r");
    char buf[64] = {};
    if (f) {
        if (!std::fgets(buf, sizeof buf, f))
            buf[0] = 0;
        std::fclose(f);
    }
    std::string s = buf;
    while (!s.empty() && s.back() == '\n')
        s.pop_back();
    return s;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--child") == 0)
        return childMain(argv[2], argv[3], std::atoi(argv[4]));
    if (argc > 2 && std::strcmp(argv[1], "--spawn") == 0) {
        const ProcessSample s = runProcess({argv + 2, argv + argc});
        std::printf("%d %.6f %.6f %.3f\n", s.ok ? 1 : 0, s.ms, s.cpuMs, s.peakMb);
        return 0;
    }
    if (argc > 2 && std::strcmp(argv[1], "--checksums") == 0)
        return printChecksums(argc, argv);

    std::vector<double> sizesMb = {11, 51};
    int runs = 5;
    bool useAssimp = true;
    std::string keep;
    std::string orvane = ORVANE_EXE;
    std::string baseline;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--mb" && i + 1 < argc) {
            sizesMb.clear();
            for (const char* p = argv[++i]; *p;) {
                char* end = nullptr;
                const double mb = std::strtod(p, &end);
                if (end == p || mb <= 0)
                    break;
                sizesMb.push_back(mb);
                p = *end == ',' ? end + 1 : end;
            }
        } else if (a == "--runs" && i + 1 < argc) {
            runs = std::max(5, std::atoi(argv[++i]));
        } else if (a == "--keep" && i + 1 < argc) {
            keep = argv[++i];
        } else if (a == "--orvane" && i + 1 < argc) {
            orvane = argv[++i];
        } else if (a == "--baseline" && i + 1 < argc) {
            baseline = argv[++i];
        } else if (a == "--no-assimp") {
            useAssimp = false;
        } else {
            std::fprintf(stderr,
                         "usage: %s [--mb N[,N...]] [--runs N] [--keep DIR] [--no-assimp] [--orvane PATH] "
                         "[--baseline PATH]\n",
                         argv[0]);
            return 2;
        }
    }
    if (sizesMb.empty()) {
        std::fprintf(stderr, "--mb needs sizes such as 11,51\n");
        return 2;
    }
    const std::string self = fs::canonical("/proc/self/exe").string();
    const std::string assimp = "/usr/bin/assimp";
    if (useAssimp && access(assimp.c_str(), X_OK) != 0) {
        std::printf("(assimp tool not installed: no comparison)\n");
        useAssimp = false;
    }
    const fs::path dir = keep.empty()
                             ? fs::temp_directory_path() / ("orvane_bench_xfile_" + std::to_string(getpid()))
                             : fs::path(keep);
    fs::create_directories(dir);

    struct Form {
        std::string label;
        fs::path file;
        bool assimpToo;
    };
    std::vector<Form> forms;
    for (const double mb : sizesMb) {
        // About 330 bytes of text per grid vertex.
        const Grid grid{std::max(3, int(std::sqrt(mb * 1e6 / 330.0)))};
        const std::string tag = std::to_string(grid.n);
        std::printf("grid %dx%d: %d vertices, %d triangles, normals per corner\n", grid.n, grid.n,
                    grid.n * grid.n, 2 * (grid.n - 1) * (grid.n - 1));
        {
            const std::string text = textBody(grid);
            writeFile(dir / ("grid" + tag + "_txt.x"), "xof 0303txt 0032", text);
            writeFile(dir / ("grid" + tag + "_tzip.x"), "", mszip("xof 0303tzip0032", text));
        }
        {
            const std::string bin = binaryBody(grid, 32);
            writeFile(dir / ("grid" + tag + "_bin.x"), "xof 0303bin 0032", bin);
            writeFile(dir / ("grid" + tag + "_bzip.x"), "", mszip("xof 0303bzip0032", bin));
        }
        writeFile(dir / ("grid" + tag + "_bin64.x"), "xof 0303bin 0064", binaryBody(grid, 64));
        for (const char* kind : {"txt", "bin", "bin64", "tzip", "bzip"})
            forms.push_back(
                {kind, dir / ("grid" + tag + "_" + kind + ".x"), std::strcmp(kind, "bin64") != 0});
    }
    writeFile(dir / "tiny.x", "xof 0303txt 0032",
              "\nMesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }\n");

    std::printf("\nload average at start: %s\n", loadAverage().c_str());
    std::printf("\n1. Whole process, median of %d interleaved runs (wall ms; peak resident MB)\n", runs);
    std::printf("speed-up = assimp's wall time over ours (its CPU time over ours in brackets)\n");
    std::printf("%-7s %8s %10s %8s %8s %10s %8s %8s %14s\n", "format", "fileMB", "orvane ms", "cpu ms",
                "peakMB", "assimp ms", "cpu ms", "peakMB", "speed-up");
    bool allOk = true;
    for (const Form& f : forms) {
        const double fileMb = double(fs::file_size(f.file)) / 1e6;
        std::vector<std::vector<std::string>> commands = {{orvane, "--info", f.file.string()}};
        const bool withAssimp = useAssimp && f.assimpToo;
        if (withAssimp)
            commands.push_back({assimp, "info", f.file.string(), "-r"});
        if (!baseline.empty())
            commands.push_back({baseline, "--info", f.file.string()});
        const std::vector<ProcessMedians> m = interleaved(self, commands, runs);
        allOk = allOk && m[0].ok;
        std::printf("%-7s %8.1f %10.1f %8.1f %8.1f", f.label.c_str(), fileMb, m[0].ms, m[0].cpuMs,
                    m[0].peakMb);
        if (withAssimp && m[1].ok)
            std::printf(" %10.1f %8.1f %8.1f %7.1fx (%.1fx)\n", m[1].ms, m[1].cpuMs, m[1].peakMb,
                        m[1].ms / m[0].ms, m[1].cpuMs / m[0].cpuMs);
        else
            std::printf(" %10s %8s %8s %14s\n", "-", "-", "-", "-");
        if (!baseline.empty())
            std::printf("%-7s %8s %10.1f %8.1f %8.1f   (baseline)\n", "", "", m.back().ms, m.back().cpuMs,
                        m.back().peakMb);
    }
    {
        std::vector<std::vector<std::string>> commands = {{orvane, "--info", (dir / "tiny.x").string()}};
        if (!baseline.empty())
            commands.push_back({baseline, "--info", (dir / "tiny.x").string()});
        const std::vector<ProcessMedians> m = interleaved(self, commands, 4 * runs);
        allOk = allOk && m[0].ok;
        std::printf(
            "\n2. `orvane --info` on a one-triangle file: median %.1f ms (%.1f ms of CPU), peak %.1f MB\n",
            m[0].ms, m[0].cpuMs, m[0].peakMb);
        if (!baseline.empty())
            std::printf("   baseline: median %.1f ms (%.1f ms of CPU), peak %.1f MB\n", m[1].ms, m[1].cpuMs,
                        m[1].peakMb);
    }

    std::printf("\n3. The loader in a fresh process (fresh memory costs %.2f ms per MB to touch here)\n",
                freshMemoryMsPerMb());
    std::printf(
        "first = first load in a new process; warm = best of %d later loads in it; loaderMB = peak above\n"
        "the process's start less the mapped file; ratio = loaderMB / meshMB\n",
        runs - 1);
    std::printf("%-7s %8s %8s %8s %7s %8s %8s %7s %8s\n", "format", "fileMB", "first ms", "warm ms", "MB/s",
                "loaderMB", "meshMB", "ratio", "verts");
    for (const Form& f : forms) {
        const double fileMb = double(fs::file_size(f.file)) / 1e6;
        // The merged mesh alone and with its scene, each the median of
        // `runs` fresh processes taking turns.
        std::vector<Sample> samples[2];
        const char* const modes[2] = {"xfile", "scene"};
        for (int r = 0; r < runs; ++r)
            for (int m = 0; m < 2; ++m)
                samples[m].push_back(measure(self, modes[m], f.file, 1 + (r == 0 ? runs - 1 : 0)));
        double loader[2] = {0, 0};
        for (int m = 0; m < 2; ++m) {
            std::vector<Sample>& all = samples[m];
            if (!std::all_of(all.begin(), all.end(), [](const Sample& x) { return x.ok; })) {
                std::printf("%-7s %s load FAILED\n", f.label.c_str(), modes[m]);
                allOk = false;
                continue;
            }
            Sample s = all[0];  // the warm loads ran in the first process
            std::vector<double> fresh, peak;
            for (const Sample& x : all)
                fresh.push_back(x.fresh), peak.push_back(double(x.peakKb - x.baselineKb));
            s.fresh = medianOf(fresh);
            const double fileMiB = fileMb * 1e6 / 1048576.0;
            const double loaderMiB = std::max(0.0, medianOf(peak) / 1024.0 - fileMiB);
            const double meshMiB = s.meshMb * 1e6 / 1048576.0;
            loader[m] = loaderMiB;
            std::printf("%-7s %8.1f %8.1f %8.1f %7.0f %8.1f %8.1f %7.2f %8u%s\n", f.label.c_str(), fileMb,
                        s.fresh * 1e3, s.warm * 1e3, fileMb / s.fresh, loaderMiB, meshMiB,
                        loaderMiB / meshMiB, s.vertices, m == 1 ? "  with the scene" : "");
        }
        if (loader[0] > 0 && loader[1] > 0)
            std::printf("%-7s the scene adds %+.1f %% to the loader's peak\n", "",
                        100.0 * (loader[1] / loader[0] - 1));
    }
    std::printf("\nload average at end: %s\n", loadAverage().c_str());
    if (keep.empty())
        fs::remove_all(dir);
    return allOk ? 0 : 1;
}
