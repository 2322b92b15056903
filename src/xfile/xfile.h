// Reader for DirectX .x model files (text, binary and MSZIP-compressed, with
// 32- or 64-bit floats). It builds the single merged mesh D3DXLoadMeshFromX
// would build: every Mesh of the file, placed by its frames, as one triangle
// list sorted by material id. See mesh_data.h for the result.
//
// Needs nothing but the standard library and zlib. Never throws; malformed
// input of any kind ends in `false` with a message, never a crash or a hang,
// and memory stays proportional to what the input describes.
#pragma once

#include <cstddef>
#include <string>

#include "xfile/mesh_data.h"
#include "xfile/scene.h"

namespace xfile {

struct LoadError {
    // What kind of failure it was, for callers that answer each differently.
    enum class Cause {
        Unreadable,  // the file cannot be opened or read
        Malformed,   // the bytes are not a valid .x file
        NoMesh,      // a valid file without any non-empty Mesh
    };
    Cause cause = Cause::Malformed;
    // A clear cause, including the line (text) or byte offset (binary) where
    // known, e.g. "line 12: expected a number, found '}' (while reading Mesh 'Box')".
    std::string message;
};

// Reads a whole .x file held in memory and builds the merged mesh.
// Returns true and fills `out` (replacing what it held); or returns false,
// leaves `out` empty (apart from `warnings`) and fills `err`. A file without
// any non-empty Mesh fails with "no mesh in file" and Cause::NoMesh. `data` may be null when
// `size` is 0. Safe to call from several threads at once.
bool loadMesh(const void* data, std::size_t size, MeshData& out, LoadError& err);

// Reads the file at `path` (bytes, no text-mode translation) and calls loadMesh.
// Fails with a message naming the path when it cannot be opened or read, is
// not a regular file (a folder, device or FIFO is refused before any read and
// never waited on), or is larger than a decompressed body may be.
bool loadMeshFile(const std::string& path, MeshData& out, LoadError& err);

// One parse, two views: as loadMesh, and also fills `scene` (scene.h) with
// the frame tree, each placed mesh with its frame, vertex range and skin, and
// the animation sets. `mesh` is exactly what loadMesh gives for the same
// bytes (warnings included). Faults the merged mesh does not need (a bone or
// an animation naming no frame, weights past the mesh's vertices, an
// unreadable AnimationKey, keys out of order, a zero tick rate, ...) do not
// fail the load: they go to scene.warnings and the scene keeps what could be
// read. Fails exactly where loadMesh fails; `scene` is then empty.
bool loadScene(const void* data, std::size_t size, MeshData& mesh, Scene& scene, LoadError& err);

// loadScene on the file at `path`, read as loadMeshFile reads it.
bool loadSceneFile(const std::string& path, MeshData& mesh, Scene& scene, LoadError& err);

}  // namespace xfile
