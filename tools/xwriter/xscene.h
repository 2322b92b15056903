#pragma once

// In-memory description of what goes into one generated .x file: meshes,
// their normals, texture coordinates and materials, and an optional frame
// hierarchy. Every encoding (text, binary, compressed) is produced from this.

#include "vec.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace xgen {

struct TexCoord {
    double u = 0.0;
    double v = 0.0;
};

struct ColorRGBA {
    double r = 1.0;
    double g = 1.0;
    double b = 1.0;
    double a = 1.0;
};

struct Material {
    std::string name{};  // empty: written anonymously
    ColorRGBA diffuse{};
    double power = 20.0;
    Vec3 specular{0.5, 0.5, 0.5};  // x,y,z hold red, green, blue
    Vec3 emissive{0.0, 0.0, 0.0};
    std::string textureFile{};  // empty: no TextureFilename child
};

using Polygon = std::vector<std::uint32_t>;

struct Mesh {
    std::string name;
    std::vector<Vec3> positions;
    std::vector<Polygon> faces;

    // MeshNormals: written when not empty. normalFaces has one entry per face,
    // each with as many corners as the matching face.
    std::vector<Vec3> normals;
    std::vector<Polygon> normalFaces;

    // MeshTextureCoords: written when not empty; one per position.
    std::vector<TexCoord> texCoords;

    // MeshMaterialList: written when materials is not empty; faceMaterials
    // then holds one material index per face.
    std::vector<Material> materials;
    std::vector<std::uint32_t> faceMaterials;
};

// Direct3D row-vector matrix, row-major; the translation sits in m[12..14].
struct Matrix4 {
    std::array<double, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

struct Frame {
    std::string name;
    std::optional<Matrix4> transform;
    std::vector<Mesh> meshes;
    std::vector<Frame> children;
};

struct Scene {
    bool declareTemplates = false;  // repeat the standard templates at the top
    bool headerObject = false;      // write a Header data object first
    std::vector<Mesh> meshes;       // top-level meshes, written before frames
    std::vector<Frame> frames;
};

}  // namespace xgen
