// libFuzzer entry point: a .x file read with its scene and posed. Any byte
// string must load or fail cleanly, and a model that loads must pose at
// times in and out of every set without a crash and without a vertex or
// normal that is not a finite number.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pose/pose.h"
#include "xfile/xfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    xfile::MeshData mesh;
    xfile::Scene scene;
    xfile::LoadError err;
    if (!xfile::loadScene(data, size, mesh, scene, err)) {
        if (err.message.empty())
            __builtin_trap();
        return 0;
    }
    pose::Rig rig(scene, mesh);
    std::vector<float> positions = mesh.positions, normals = mesh.normals;
    const std::size_t sets = std::min<std::size_t>(rig.clips().size(), 4);
    for (std::size_t clip = 0; clip <= sets; ++clip)
        for (const double seconds : {0.0, 0.37, -2.0, 1e9}) {
            rig.pose(clip < sets ? clip : std::size_t(pose::kNone), seconds, positions, normals);
            for (const std::vector<float>* values : {&positions, &normals})
                for (const float v : *values)
                    if (!std::isfinite(v))
                        __builtin_trap();
        }
    return 0;
}
