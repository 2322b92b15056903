#include "model_info.h"

#include <cstdio>
#include <set>
#include <string_view>

#include "xfile/xfile.h"

namespace app {

namespace {

// Bones: the distinct frames the skins of the file name (meshes that share
// a skeleton share its bones).
std::size_t boneCount(const xfile::Scene& scene)
{
    std::set<std::string_view> names;
    for (const xfile::SceneMesh& m : scene.meshes)
        for (const xfile::SceneBone& b : m.bones)
            names.insert(b.frameName);
    return names.size();
}

}  // namespace

int printModelInfo(const std::vector<std::string>& files, std::ostream& out)
{
    int status = 0;
    for (const std::string& file : files) {
        xfile::MeshData mesh;
        xfile::Scene scene;
        xfile::LoadError error;
        if (!xfile::loadSceneFile(file, mesh, scene, error)) {
            out << file << ": error: " << error.message << '\n';
            status = 1;
            continue;
        }
        out << file << ": faces=" << mesh.faceCount() << " vertices=" << mesh.vertexCount()
            << " subsets=" << mesh.groups.size() << " format=" << xfile::encodingName(mesh.encoding)
            << " float=" << mesh.floatBits << '\n';
        const std::size_t bones = boneCount(scene);
        if (bones == 0 && scene.animationSets.empty())
            continue;
        out << file << ": bones=" << bones << " ticks-per-second=" << scene.ticksPerSecond
            << (scene.ticksPerSecondGiven ? " given" : " assumed") << '\n';
        for (std::size_t i = 0; i < scene.animationSets.size(); ++i) {
            const xfile::SceneAnimationSet& set = scene.animationSets[i];
            const std::uint32_t last = xfile::lastKeyTime(set);
            char seconds[32];
            std::snprintf(seconds, sizeof seconds, "%.3f", double(last) / scene.ticksPerSecond);
            out << file << ": animation " << i + 1 << " \"" << set.name << "\" " << seconds << " s (" << last
                << " ticks)\n";
        }
    }
    return status;
}

}  // namespace app
