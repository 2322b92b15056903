// How D3DX's loaders hand their results to a device: every device of this
// runtime can turn a loaded mesh and a decoded image into objects of its own.
#pragma once

#include "render/runtime.h"
#include "xfile/mesh_data.h"

class QImage;

namespace d3d {

class ResourceFactory {
public:
    virtual ~ResourceFactory() = default;

    // A mesh on this device holding `data` (indices already grouped by
    // attribute). Fails with D3DERR_OUTOFVIDEOMEMORY or E_OUTOFMEMORY when the
    // device cannot hold it.
    virtual HRESULT CreateMeshFromData(const xfile::MeshData& data, MeshPtr& mesh) = 0;

    // A texture on this device from `levels`: level 0 first, each level half
    // the size of the one before down to 1×1, every level in
    // QImage::Format_ARGB32 (straight alpha). hasAlpha is false for images
    // without an alpha channel (X8R8G8B8: alpha reads 1.0).
    virtual HRESULT CreateTextureFromLevels(const std::vector<QImage>& levels, bool hasAlpha,
                                            TexturePtr& texture) = 0;
};

}  // namespace d3d
