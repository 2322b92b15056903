#include "render/resource_checks.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace d3d {

bool meshDataWellFormed(const xfile::MeshData& d)
{
    const std::size_t n = d.positions.size() / 3;
    if (n == 0 || d.positions.size() % 3 != 0 || n > std::numeric_limits<std::uint32_t>::max())
        return false;
    if ((!d.normals.empty() && d.normals.size() != 3 * n) ||
        (!d.texcoords.empty() && d.texcoords.size() != 2 * n) || (!d.colors.empty() && d.colors.size() != n))
        return false;
    const std::size_t faces = d.indices.size() / 3;
    if (faces == 0 || d.indices.size() % 3 != 0 || faces > std::numeric_limits<std::uint32_t>::max())
        return false;
    for (std::uint32_t index : d.indices)
        if (index >= n)
            return false;
    for (const xfile::MeshData::Group& g : d.groups)
        if (std::uint64_t(g.faceStart) + g.faceCount > faces)
            return false;
    return true;
}

std::vector<xfile::MeshData::Group> attributeGroups(const xfile::MeshData& d)
{
    if (!d.groups.empty())
        return d.groups;
    const std::uint32_t faces = d.faceCount();
    if (d.attributes.size() != faces)
        return {{0, 0, faces}};
    std::vector<xfile::MeshData::Group> groups;
    for (std::uint32_t f = 0; f < faces; ++f) {
        if (groups.empty() || groups.back().attribute != d.attributes[f])
            groups.push_back({d.attributes[f], f, 0});
        ++groups.back().faceCount;
    }
    return groups;
}

bool formsMipChain(const std::vector<QImage>& levels, int maxSize)
{
    if (levels.empty() || levels.size() > 32)
        return false;
    int w = levels[0].width(), h = levels[0].height();
    if (w <= 0 || h <= 0 || w > maxSize || h > maxSize)
        return false;
    for (std::size_t i = 1; i < levels.size(); ++i) {
        if (w == 1 && h == 1)
            return false;  // past the 1×1 level
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
        if (levels[i].width() != w || levels[i].height() != h)
            return false;
    }
    return true;
}

}  // namespace d3d
