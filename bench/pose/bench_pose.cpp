// Posing and skinning time at one time of the set, median of many runs:
//   bench_pose [FILE.x ...]
//   bench_pose --write OUT.x
// Without files: a generated skinned model (300,000 vertices, 4 weights
// each, 64 bones in a swaying chain). With files: each file as the reader
// gives it. Both with one thread and with every core. --write writes the
// generated model as a text .x file (for the frame benchmark).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "pose/pose.h"
#include "xfile/xfile.h"

namespace {

// CPU time of the whole process (all threads), in ms: on a shared machine
// it shows how much of the wall time was the work itself.
double processCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double medianMs(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

void measure(const char* what, const xfile::Scene& scene, const xfile::MeshData& mesh)
{
    pose::Rig rig(scene, mesh);
    std::vector<float> positions = mesh.positions, normals = mesh.normals;
    const std::size_t clip = rig.clips().empty() ? std::size_t(pose::kNone) : pose::kDefaultSet;
    const double period = clip == pose::kNone ? 0 : rig.clips()[clip].periodSeconds();
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (const unsigned threads : {1u, cores}) {
        std::vector<double> samples, cpu;
        // Rounds of at least 40 runs and at least half a second.
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 40 || std::chrono::steady_clock::now() - start < std::chrono::milliseconds(500);
             ++i) {
            const double t = period * 0.37 + i * 1e-3;
            const double c0 = processCpuMs();
            const auto t0 = std::chrono::steady_clock::now();
            rig.pose(clip, t, positions, normals, threads);
            samples.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
            cpu.push_back(processCpuMs() - c0);
        }
        std::printf(
            "pose+skin %s: %u vertices, %zu frames, %u thread(s): median %.3f ms (%.3f ms of CPU) over %zu "
            "runs\n",
            what, mesh.vertexCount(), rig.frameCount(), threads, medianMs(samples), medianMs(cpu),
            samples.size());
    }
}

// 300,000 vertices on a cylinder along y, each weighted to the four bones
// nearest its height; the bones form a chain that sways.
void generated(xfile::Scene& scene, xfile::MeshData& mesh)
{
    constexpr std::uint32_t kVertices = 300000, kBones = 64, kAround = 100;
    const float height = float(kVertices / kAround) / kAround;
    for (std::uint32_t b = 0; b < kBones; ++b) {
        xfile::Matrix4 m = pose::identity();
        m[13] = b == 0 ? 0 : height / kBones;
        scene.frames.push_back({"bone" + std::to_string(b), b == 0 ? xfile::kNoIndex : b - 1, m});
    }
    xfile::SceneMesh placed;
    placed.name = "skin";
    placed.placement = pose::identity();
    placed.vertexCount = placed.fileVertexCount = kVertices;
    placed.bones.resize(kBones);
    for (std::uint32_t b = 0; b < kBones; ++b) {
        placed.bones[b].frameName = scene.frames[b].name;
        placed.bones[b].frame = b;
        placed.bones[b].offset = pose::identity();
        placed.bones[b].offset[13] = -height * b / kBones;
    }
    for (std::uint32_t v = 0; v < kVertices; ++v) {
        const float a = 6.2831853f * float(v % kAround) / kAround, y = float(v / kAround) / kAround;
        mesh.positions.insert(mesh.positions.end(), {std::cos(a), y, std::sin(a)});
        mesh.normals.insert(mesh.normals.end(), {std::cos(a), 0, std::sin(a)});
        const std::uint32_t nearest = std::min(kBones - 4, std::uint32_t(y / height * kBones));
        for (std::uint32_t k = 0; k < 4; ++k) {
            placed.bones[nearest + k].vertices.push_back(v);
            placed.bones[nearest + k].weights.push_back(0.1f + 0.2f * float(k));
        }
    }
    // Two triangles per quad of the cylinder's grid, wound clockwise seen
    // from outside.
    for (std::uint32_t row = 0; row + 1 < kVertices / kAround; ++row)
        for (std::uint32_t i = 0; i < kAround; ++i) {
            const std::uint32_t a = row * kAround + i, b = row * kAround + (i + 1) % kAround;
            mesh.indices.insert(mesh.indices.end(), {a, b + kAround, b, a, a + kAround, b + kAround});
        }
    scene.meshes.push_back(placed);
    xfile::SceneAnimationSet set{"Sway", {}};
    for (std::uint32_t b = 1; b < kBones; ++b) {
        xfile::SceneAnimation a;
        a.frameName = scene.frames[b].name;
        a.frame = b;
        for (std::uint32_t k = 0; k <= 8; ++k) {
            const float angle = 0.05f * std::sin(float(k) * 0.785f + float(b));
            a.rotation.times.push_back(k * 600);
            a.rotation.values.insert(a.rotation.values.end(),
                                     {std::cos(angle / 2), 0, 0, std::sin(angle / 2)});
        }
        set.animations.push_back(a);
    }
    scene.animationSets.push_back(set);
}

// The generated model as a text .x file: the bone chain as nested frames,
// the cylinder with its faces and skin, the swaying set.
void write(const xfile::Scene& scene, const xfile::MeshData& mesh, const char* path)
{
    std::ofstream out(path);
    out << "xof 0303txt 0032\n";
    auto matrix = [&](const xfile::Matrix4& m) {
        for (int i = 0; i < 16; ++i)
            out << m[i] << (i < 15 ? "," : ";;");
    };
    for (const xfile::SceneFrame& frame : scene.frames) {
        out << "Frame " << frame.name << " { FrameTransformMatrix { ";
        matrix(frame.transform);
        out << " }\n";
    }
    const xfile::SceneMesh& skin = scene.meshes[0];
    const std::uint32_t n = mesh.vertexCount();
    out << "Mesh " << skin.name << " {\n" << n << ";\n";
    for (std::uint32_t v = 0; v < n; ++v)
        out << mesh.positions[3 * v] << ";" << mesh.positions[3 * v + 1] << ";" << mesh.positions[3 * v + 2]
            << (v + 1 < n ? ";,\n" : ";;\n");
    const std::uint32_t faces = mesh.faceCount();
    out << faces << ";\n";
    for (std::uint32_t f = 0; f < faces; ++f)
        out << "3;" << mesh.indices[3 * f] << "," << mesh.indices[3 * f + 1] << "," << mesh.indices[3 * f + 2]
            << (f + 1 < faces ? ";,\n" : ";;\n");
    out << "MeshNormals { " << n << ";\n";
    for (std::uint32_t v = 0; v < n; ++v)
        out << mesh.normals[3 * v] << ";" << mesh.normals[3 * v + 1] << ";" << mesh.normals[3 * v + 2]
            << (v + 1 < n ? ";,\n" : ";;\n");
    out << faces << ";\n";
    for (std::uint32_t f = 0; f < faces; ++f)
        out << "3;" << mesh.indices[3 * f] << "," << mesh.indices[3 * f + 1] << "," << mesh.indices[3 * f + 2]
            << (f + 1 < faces ? ";,\n" : ";;\n");
    out << "}\nXSkinMeshHeader { 4; 12; " << skin.bones.size() << "; }\n";
    for (const xfile::SceneBone& bone : skin.bones) {
        out << "SkinWeights { \"" << bone.frameName << "\"; " << bone.vertices.size() << ";\n";
        for (std::size_t k = 0; k < bone.vertices.size(); ++k)
            out << bone.vertices[k] << (k + 1 < bone.vertices.size() ? "," : ";\n");
        for (std::size_t k = 0; k < bone.weights.size(); ++k)
            out << bone.weights[k] << (k + 1 < bone.weights.size() ? "," : ";\n");
        matrix(bone.offset);
        out << " }\n";
    }
    out << "}\n" << std::string(scene.frames.size(), '}') << "\n";
    for (const xfile::SceneAnimationSet& set : scene.animationSets) {
        out << "AnimationSet " << set.name << " {\n";
        for (const xfile::SceneAnimation& a : set.animations) {
            out << " Animation { { " << a.frameName << " } AnimationKey { 0; " << a.rotation.times.size()
                << "; ";
            for (std::size_t k = 0; k < a.rotation.times.size(); ++k) {
                out << a.rotation.times[k] << ";4;";
                for (int c = 0; c < 4; ++c)
                    out << a.rotation.values[4 * k + c] << (c < 3 ? "," : ";;");
                out << (k + 1 < a.rotation.times.size() ? "," : ";");
            }
            out << " } }\n";
        }
        out << "}\n";
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::string(argv[1]) == "--write") {
        xfile::Scene scene;
        xfile::MeshData mesh;
        generated(scene, mesh);
        if (argc == 3) {
            write(scene, mesh, argv[2]);
            return 0;
        }
        measure("generated model", scene, mesh);
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        xfile::Scene scene;
        xfile::MeshData mesh;
        xfile::LoadError error;
        if (!xfile::loadSceneFile(argv[i], mesh, scene, error)) {
            std::fprintf(stderr, "bench_pose: %s: %s\n", argv[i], error.message.c_str());
            return 1;
        }
        measure(argv[i], scene, mesh);
    }
    return 0;
}
