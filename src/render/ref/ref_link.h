// The tie between the reference device and the meshes and textures made on
// it. Those objects may outlive the device (they are reference counted
// separately); the device clears the link when it goes, and a mesh drawn
// after that fails instead of reaching a dead device.
#pragma once

#include <memory>

#include "render/d3d8_types.h"

namespace d3d::ref {

struct MeshGeometry;
struct MeshGroup;

class MeshDrawer {
public:
    virtual ~MeshDrawer() = default;
    // Whether a draw may start now (D3D_OK), or why not.
    virtual HRESULT prepareDraw() = 0;
    // Draws one attribute group of `mesh` with the device's current states.
    virtual HRESULT drawGroup(const MeshGeometry& mesh, const MeshGroup& group) = 0;
};

struct DeviceLink {
    MeshDrawer* drawer = nullptr;  // null once the device is gone
};
using DeviceLinkPtr = std::shared_ptr<DeviceLink>;

}  // namespace d3d::ref
