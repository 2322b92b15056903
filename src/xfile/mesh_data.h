// The result of reading a DirectX .x file: every mesh of the file merged into
// one triangle list, as D3DXLoadMeshFromX hands it to a device.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace xfile {

enum class Encoding { Text, Binary, TextZip, BinaryZip };

// "txt", "bin", "tzip" or "bzip", as the header spells the format.
const char* encodingName(Encoding e);

// One entry of the materials buffer. Ambient is always (0,0,0,1): an .x
// material has no ambient term. (The stand-in for a file without any material
// list is diffuse and specular (0.5,0.5,0.5,0) with everything else 0.)
struct Material {
    float diffuse[4] = {0, 0, 0, 0};
    float ambient[4] = {0, 0, 0, 1};
    float specular[4] = {0, 0, 0, 1};
    float emissive[4] = {0, 0, 0, 1};
    float power = 0;
    std::string textureFilename;  // empty when the material names none
};

// Vertex layout follows the flexible vertex format the loader would pick:
// position always, normal / diffuse colour / one texture coordinate set when
// any mesh of the file carries them (components missing in one mesh are zero,
// colours missing are 0x00FFFFFF).
struct MeshData {
    std::vector<float> positions;       // 3 per vertex
    std::vector<float> normals;         // 3 per vertex, or empty
    std::vector<float> texcoords;       // 2 per vertex, or empty
    std::vector<std::uint32_t> colors;  // ARGB per vertex, or empty

    // 3 indices per face; faces are sorted by attribute id (stable), so the
    // faces of attribute group a are the contiguous range in `groups`.
    std::vector<std::uint32_t> indices;
    std::vector<std::uint32_t> attributes;  // one per face, same order as indices

    struct Group {
        std::uint32_t attribute = 0;
        std::uint32_t faceStart = 0;
        std::uint32_t faceCount = 0;
    };
    std::vector<Group> groups;  // ascending attribute id, only non-empty groups

    std::vector<Material> materials;

    Encoding encoding = Encoding::Text;
    int floatBits = 32;

    // Things the reader tolerated but that a stricter reader would refuse
    // (odd counts, unresolved material references, ...). At most a few dozen.
    std::vector<std::string> warnings;

    std::uint32_t vertexCount() const { return std::uint32_t(positions.size() / 3); }
    std::uint32_t faceCount() const { return std::uint32_t(indices.size() / 3); }
};

}  // namespace xfile
