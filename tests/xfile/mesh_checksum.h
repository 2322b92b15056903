// One number for a whole merged mesh, to show that two builds or two ways of
// loading give the same mesh, byte for byte. Shared by the reader tests and
// the loader benchmark.
#pragma once

#include <cstdint>

#include "xfile/mesh_data.h"

namespace xtest {

// FNV-1a over every array of a merged mesh, in a fixed order.
inline std::uint64_t meshChecksum(const xfile::MeshData& m)
{
    std::uint64_t h = 1469598103934665603ull;
    auto bytes = [&](const void* p, std::size_t n) {
        const unsigned char* b = static_cast<const unsigned char*>(p);
        for (std::size_t i = 0; i < n; ++i)
            h = (h ^ b[i]) * 1099511628211ull;
    };
    auto array = [&](const auto& v) {
        const std::uint64_t n = v.size();
        bytes(&n, sizeof n);
        bytes(v.data(), v.size() * sizeof v[0]);
    };
    array(m.positions), array(m.normals), array(m.texcoords), array(m.colors);
    array(m.indices), array(m.attributes);
    for (const auto& g : m.groups) {
        const std::uint32_t w[3] = {g.attribute, g.faceStart, g.faceCount};
        bytes(w, sizeof w);
    }
    for (const auto& mat : m.materials) {
        for (const float* f : {mat.diffuse, mat.ambient, mat.specular, mat.emissive})
            bytes(f, 16);
        bytes(&mat.power, 4);
        array(mat.textureFilename);
    }
    for (const auto& w : m.warnings)
        array(w);
    const int tail[2] = {int(m.encoding), m.floatBits};
    bytes(tail, sizeof tail);
    return h;
}

}  // namespace xtest
