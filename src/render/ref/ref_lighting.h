// Vertex processing: world × view × projection and per-vertex lighting in
// camera space, the way the hardware device's vertex shader does it, so that
// both devices light a model alike.
#pragma once

#include <array>
#include <cstdint>

#include "render/device_state.h"
#include "render/ref/ref_vertex.h"

namespace d3d::ref {

class VertexProcessor {
public:
    // Captures every state vertex processing reads; later state changes do
    // not affect this processor.
    VertexProcessor(const DeviceState& state, const VertexLayout& layout);

    // Transforms and lights one vertex. `normal`, `color` and `texcoord` are
    // read only when the layout says the mesh has them (they may be null
    // otherwise). Never fails: non-finite inputs give non-finite positions,
    // which primitive setup skips.
    ClipVertex process(const float* position, const float* normal, std::uint32_t color,
                       const float* texcoord) const;

private:
    struct Light {
        int type;
        float diffuse[3], specular[3], ambient[3];
        float position[3];   // camera space
        float direction[3];  // camera space, unit, the way the light travels
        float range, att0, att1, att2;
        float cosHalfTheta, cosHalfPhi, falloff;
    };

    VertexLayout layout_;
    float worldView_[4][4];
    float projection_[4][4];
    float normalMatrix_[3][3];  // rows of transpose(inverse(worldView)), row-vector use
    bool lighting_, normalize_, localViewer_, specularEnable_;
    bool diffuseFromVertex_, ambientFromVertex_, specularFromVertex_, emissiveFromVertex_;
    float matDiffuse_[4], matAmbient_[4], matSpecular_[4], matEmissive_[4];
    float power_;
    float globalAmbient_[3];
    std::array<Light, kMaxLights> lights_{};
    int lightCount_ = 0;
};

}  // namespace d3d::ref
