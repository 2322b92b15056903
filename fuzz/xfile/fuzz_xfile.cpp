// libFuzzer entry point: any byte string must load or fail cleanly, and a
// load must hand out a scene that keeps every promise of xfile/scene.h.
#include <cstddef>
#include <cstdint>

#include "scene_checks.h"
#include "xfile/xfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    xfile::MeshData mesh;
    xfile::Scene scene;
    xfile::LoadError err;
    const bool ok = xfile::loadScene(data, size, mesh, scene, err);
    if (ok) {
        // Touch what a renderer would: every index must address a vertex.
        const std::uint32_t vertices = mesh.vertexCount();
        for (std::uint32_t i : mesh.indices)
            if (i >= vertices)
                __builtin_trap();
        if (mesh.attributes.size() != mesh.faceCount())
            __builtin_trap();
        if (!xtest::sceneFault(mesh, scene).empty())
            __builtin_trap();
    } else if (err.message.empty()) {
        __builtin_trap();
    }
    return 0;
}
