// Turns the meshes of a file into one merged triangle mesh, the way
// D3DXLoadMeshFromX does: polygons become fans, a vertex is cloned when one
// of its corners needs a different normal, frame transforms are applied,
// meshes are concatenated with their material ids offset, and faces are
// sorted by material id.
#pragma once

#include <cstdint>
#include <vector>

#include "xfile/diagnostics.h"
#include "xfile/mesh_data.h"

namespace xfile::detail {

// Row-major 4x4 matrix applied to row vectors (p' = p * M), translation in
// elements 12..14, as .x files store it.
struct Matrix {
    float m[16];
    static Matrix identity();
    bool isIdentity() const;
};

// a * b: the transform that applies a first, then b.
Matrix multiply(const Matrix& a, const Matrix& b);

class MeshBuilder {
public:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

    MeshBuilder(MeshData& out, Diagnostics& diag);

    // ---- The mesh being read. The reader fills it between beginMesh() and
    // ---- endMesh(); everything is reset for every mesh.

    // Starts a mesh; its vertices will follow those of earlier meshes.
    void beginMesh();

    // Appends `count` file vertices (zeroed) to the output and returns where
    // their 3*count position floats go. Call once per mesh, before addFace.
    float* addPositions(std::uint32_t count);

    std::uint32_t vertexCount = 0;  // file vertices of this mesh
    std::uint32_t faceCount = 0;    // polygons added so far

    // Room for `triangles` more triangles (a hint; never required).
    void reserveTriangles(std::size_t triangles);

    // Appends polygon `corners[0..n)` (n >= 3, each < vertexCount) as the fan
    // (c0,c1,c2), (c0,c2,c3), ... straight into the output indices.
    void addFace(const std::uint32_t* corners, std::uint32_t n);

    // Corner count of polygon `face` (< faceCount).
    std::uint32_t faceSize(std::uint32_t face) const;

    // MeshNormals: unit normals (3 floats each), filled by the reader.
    bool hasNormals = false;
    std::vector<float> normals;

    // Vertex split for the next polygon in file order (the first call covers
    // polygon 0, the next polygon 1, ...): corner j of the polygon takes normal
    // `normalIndex[j]` (< normals.size()/3) for j < min(count, polygon size).
    // The first corner to use a vertex gives it its normal; a later corner
    // with a different normal vector reuses an earlier clone of that vertex
    // with that vector, or appends a new clone. Returns false past the last
    // polygon (the call is then ignored).
    bool assignNormals(const std::uint32_t* normalIndex, std::uint32_t count);

    // MeshTextureCoords / MeshVertexColors: the slots of this mesh's file
    // vertices in the output (2 floats, 1 ARGB each), set to 0 / 0x00FFFFFF.
    // Valid until the next call on the builder.
    float* texcoordSlots();
    std::uint32_t* colorSlots();

    // The same data found in DeclData / FVFData; used only when the mesh has
    // no MeshNormals / MeshTextureCoords / MeshVertexColors.
    std::vector<float> declNormals;  // 3 per file vertex
    std::vector<float> declTexcoords;
    std::vector<std::uint32_t> declColors;

    // MeshMaterialList: material per polygon (possibly fewer entries than
    // polygons: the last one repeats) and the materials themselves.
    bool hasMaterialList = false;
    std::vector<std::uint32_t> faceMaterials;
    std::vector<Material> materials;

    // Finishes the current mesh: clones, frame transform `world` (positions
    // by the full matrix, normals by the inverse transpose of its 3x3 part,
    // renormalised), fans, attribute ids offset by the materials of earlier
    // meshes. A mesh without vertices or faces is dropped. Fails (through the
    // diagnostics) only when the merged mesh would exceed 2^32-1 vertices.
    bool endMesh(const Matrix& world);

    // Where the last endMesh() put its mesh, recorded only while
    // `recordPlacement` is set (the scene reader needs it; the merged view
    // alone does not pay for the copy): `kept` is false when the mesh was
    // dropped as empty; its vertices are [first, first + count) of the output,
    // the first `fileCount` as the file lists them, then the clones of the
    // normal split, clone k copying file vertex cloneSource[k].
    struct Placement {
        bool kept = false;
        std::uint32_t first = 0, count = 0, fileCount = 0;
        std::vector<std::uint32_t> cloneSource;
    };
    bool recordPlacement = false;
    Placement placement;

    // ---- After the last mesh.

    // Completes the output: the default material when no mesh had a material
    // list, a stable sort of the faces by attribute id, and the groups.
    // Fails with "no mesh in file" when no non-empty mesh was added.
    bool finish();

private:
    // A vertex's first kChainLimit clones are chained from cloneHead_ through
    // cloneNext_ (a few compares in memory filled together); the rest are
    // found by (file vertex, normal vector) in an open addressing table, so a
    // vertex where thousands of normals meet costs no more per corner.
    static constexpr std::uint32_t kChainLimit = 8;
    class CloneTable {
    public:
        struct Key {
            std::uint32_t position;
            std::uint32_t nx, ny, nz;  // bit patterns of the normal vector
            bool operator==(const Key&) const = default;
        };
        // The clone stored under `key`, or kNone.
        std::uint32_t find(const Key& key) const;
        // Stores `clone` under `key`, which find() did not hold.
        void insert(const Key& key, std::uint32_t clone);
        void clear();

    private:
        struct Slot {
            Key key;
            std::uint32_t clone;  // kNone marks an empty slot
        };
        static std::size_t hash(const Key& key);
        std::size_t slotOf(const Key& key) const;
        void grow();

        std::vector<Slot> slots_;  // a power of two in size, at most half full
        std::size_t used_ = 0;
    };

    void resetMesh();
    void dropMesh();
    void sortByAttribute();
    std::uint32_t resolve(std::uint32_t position, std::uint32_t normal);

    MeshData& out_;
    Diagnostics& diag_;
    std::uint32_t base_ = 0;                   // first output vertex of the current mesh
    std::size_t indexBase_ = 0;                // first output index of the current mesh
    std::vector<std::uint32_t> polygonSizes_;  // per polygon, once one is not a triangle
    bool polygons_ = false;
    std::uint32_t normalFace_ = 0;    // next polygon for assignNormals
    std::size_t normalTriangle_ = 0;  // its first triangle, relative to indexBase_/3
    bool meshTexcoords_ = false, meshColors_ = false;
    bool uvChannelBefore_ = false, colorChannelBefore_ = false;
    std::vector<std::uint32_t>
        vertexNormal_;  // normal index per vertex of the mesh (file vertices, then clones)
    std::vector<std::uint32_t> cloneSource_;  // file vertex of each clone
    std::vector<std::uint32_t> cloneHead_;    // per file vertex: its newest chained clone, or kNone
    std::vector<std::uint32_t> cloneNext_;    // per clone: the next older clone in its chain, or kNone
    CloneTable cloneOf_;

    bool normalChannel_ = false;
    bool uvChannel_ = false;
    bool colorChannel_ = false;
    bool anyMaterialList_ = false;
    bool anyMesh_ = false;
    std::size_t meshesSeen_ = 0;
};

}  // namespace xfile::detail
