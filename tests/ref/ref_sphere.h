// A UV sphere with normals and texture coordinates, and a flat grid, for
// tests and benchmarks of the reference device.
#pragma once

#include <cmath>
#include <cstdint>

#include "xfile/mesh_data.h"

namespace reftest {

// A sphere of `radius` around the origin: `rings` × `segments` quads, split
// into two triangles each, wound clockwise seen from outside.
inline xfile::MeshData sphereMesh(int rings, int segments, float radius)
{
    xfile::MeshData d;
    const double pi = 3.14159265358979323846;
    for (int r = 0; r <= rings; ++r) {
        const double theta = pi * r / rings;
        for (int s = 0; s <= segments; ++s) {
            const double phi = 2.0 * pi * s / segments;
            const float nx = float(std::sin(theta) * std::cos(phi)), ny = float(std::cos(theta));
            const float nz = float(std::sin(theta) * std::sin(phi));
            d.positions.insert(d.positions.end(), {radius * nx, radius * ny, radius * nz});
            d.normals.insert(d.normals.end(), {nx, ny, nz});
            d.texcoords.insert(d.texcoords.end(), {float(s) / float(segments), float(r) / float(rings)});
        }
    }
    const auto at = [&](int r, int s) { return std::uint32_t(r * (segments + 1) + s); };
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            d.indices.insert(d.indices.end(), {at(r, s), at(r, s + 1), at(r + 1, s)});
            d.indices.insert(d.indices.end(), {at(r, s + 1), at(r + 1, s + 1), at(r + 1, s)});
        }
    }
    d.attributes.assign(d.indices.size() / 3, 0);
    d.groups.push_back({0, 0, std::uint32_t(d.indices.size() / 3)});
    return d;
}

// A flat n × n grid of quads in the plane z = 0 spanning [−1, 1]², with
// normals towards −z, as 2n² triangles.
inline xfile::MeshData gridMesh(int n)
{
    xfile::MeshData d;
    for (int j = 0; j <= n; ++j) {
        for (int i = 0; i <= n; ++i) {
            d.positions.insert(d.positions.end(),
                               {-1.0f + 2.0f * float(i) / float(n), 1.0f - 2.0f * float(j) / float(n), 0});
            d.normals.insert(d.normals.end(), {0, 0, -1});
            d.texcoords.insert(d.texcoords.end(), {float(i) / float(n), float(j) / float(n)});
        }
    }
    const auto at = [&](int j, int i) { return std::uint32_t(j * (n + 1) + i); };
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            d.indices.insert(d.indices.end(), {at(j, i), at(j, i + 1), at(j + 1, i)});
            d.indices.insert(d.indices.end(), {at(j, i + 1), at(j + 1, i + 1), at(j + 1, i)});
        }
    }
    d.attributes.assign(d.indices.size() / 3, 0);
    d.groups.push_back({0, 0, std::uint32_t(d.indices.size() / 3)});
    return d;
}

}  // namespace reftest
