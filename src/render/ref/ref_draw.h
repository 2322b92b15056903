// One draw call of the reference device: vertex processing of a mesh group,
// primitive assembly (clipping, projection, culling, fill mode), then
// rasterisation band by band. Faces are handled in their index order, and
// every pixel sees them in that order whatever the number of bands.
#pragma once

#include <vector>

#include "render/device_state.h"
#include "render/ref/ref_bands.h"
#include "render/ref/ref_buffers.h"
#include "render/ref/ref_mesh.h"
#include "render/ref/ref_raster.h"
#include "render/ref/ref_texture.h"

namespace d3d::ref {

// Memory a device reuses from draw to draw.
struct DrawScratch {
    std::vector<ClipVertex> vertices;  // processed vertices, indexed like the mesh's
    struct BandOutput {
        std::vector<TriangleSetup> triangles;
        std::vector<LineSetup> lines;
        std::uint64_t pixelEstimate = 0;
    };
    std::vector<BandOutput> setups;  // one list per band of faces set up, in face order
};

// Draws `group` of `mesh` into `fb` with the states of `state` and `texture`
// (null: none) on stage 0. D3D_OK, or E_OUTOFMEMORY when the scratch memory
// cannot grow. Faces with non-finite positions are skipped.
HRESULT drawMeshGroup(const DeviceState& state, const RefTexture* texture, const MeshGeometry& mesh,
                      const MeshGroup& group, FrameBuffers& fb, BandPool& pool, DrawScratch& scratch);

}  // namespace d3d::ref
