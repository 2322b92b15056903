#include "render/ref/ref_draw.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "render/ref/ref_clip.h"
#include "render/ref/ref_lighting.h"

namespace d3d::ref {
namespace {

// Faces are assembled and drawn in chunks, so scratch memory stays bounded
// whatever the size of the mesh.
constexpr std::size_t kChunkFaces = 2048;
// Below these amounts of work one thread is quicker than waking the others.
constexpr std::size_t kParallelVertices = 2048;
constexpr std::size_t kParallelFaces = 512;
constexpr std::uint64_t kParallelPixels = 4096;
// A clipped triangle has at most kMaxClipCorners corners: that many edges,
// two fewer fan triangles.
constexpr std::size_t kMaxPiecesPerFace = kMaxClipCorners;

struct Assembly {
    const std::vector<ClipVertex>& vertices;
    const std::uint32_t* indices;
    ClipVolume volume;
    int width, height;
    std::uint32_t cullMode, fillMode;
    bool flat, textured;
};

bool project(const ClipVertex& c, int width, int height, ScreenVertex& s)
{
    const double w = c.pos[3];
    if (!(w > 0.0))
        return false;
    const double sx = (1.0 + double(c.pos[0]) / w) * (double(width) * 0.5);
    const double sy = (1.0 - double(c.pos[1]) / w) * (double(height) * 0.5);
    s.z = double(c.pos[2]) / w;
    s.q = 1.0 / w;
    if (!std::isfinite(sx) || !std::isfinite(sy) || !std::isfinite(s.z) || !std::isfinite(s.q))
        return false;
    // The guard band keeps corners within a few viewport sizes; anything
    // beyond is a numerical accident and is dropped rather than drawn.
    const double limit = 4.0 * kGuardBandPixels + 2.0 * double(std::max(width, height));
    if (std::fabs(sx) > limit || std::fabs(sy) > limit)
        return false;
    s.x = snapToSubpixel(sx);
    s.y = snapToSubpixel(sy);
    std::copy(c.v, c.v + kVaryingCount, s.v);
    return true;
}

// Clips, projects, culls and sets up face f, appending to `out`.
void assembleFace(const Assembly& a, std::size_t f, DrawScratch::BandOutput& out)
{
    const ClipVertex& v0 = a.vertices[a.indices[3 * f]];
    const ClipVertex& v1 = a.vertices[a.indices[3 * f + 1]];
    const ClipVertex& v2 = a.vertices[a.indices[3 * f + 2]];

    ClipPolygon poly;
    const bool inside = (outcode(v0, a.volume) | outcode(v1, a.volume) | outcode(v2, a.volume)) == 0;
    if (inside) {
        poly.corner[0] = v0, poly.corner[1] = v1, poly.corner[2] = v2;
        poly.edge[0] = poly.edge[1] = poly.edge[2] = true;
        poly.count = 3;
    } else if (!clipTriangle(v0, v1, v2, a.volume, poly)) {
        return;
    }

    ScreenVertex s[kMaxClipCorners];
    for (int i = 0; i < poly.count; ++i)
        if (!project(poly.corner[i], a.width, a.height, s[i]))
            return;

    // Culling looks at the whole (convex) polygon's winding.
    std::int64_t area = 0;
    for (int i = 0; i < poly.count; ++i) {
        const ScreenVertex& p = s[i];
        const ScreenVertex& n = s[(i + 1) % poly.count];
        area += p.x * n.y - n.x * p.y;
    }
    if (area == 0 || (a.cullMode == D3DCULL_CCW && area < 0) || (a.cullMode == D3DCULL_CW && area > 0))
        return;

    // Flat shading takes the colours of the face's first vertex.
    float flatColor[kSpecularB + 1];
    const float* flat = nullptr;
    if (a.flat) {
        std::copy(v0.v, v0.v + kSpecularB + 1, flatColor);
        flat = flatColor;
    }

    if (a.fillMode == D3DFILL_WIREFRAME) {
        for (int i = 0; i < poly.count; ++i) {
            if (!poly.edge[i])
                continue;  // an edge made by clipping is not an edge of the face
            out.lines.emplace_back();
            setupLine(s[i], s[(i + 1) % poly.count], flat, out.lines.back());
            out.pixelEstimate += std::uint64_t(std::llabs(s[i].x - s[(i + 1) % poly.count].x) +
                                               std::llabs(s[i].y - s[(i + 1) % poly.count].y)) >>
                                 kSubpixelBits;
        }
    } else if (a.fillMode == D3DFILL_POINT) {
        if (!inside)
            return;  // a clipped face's corners are not all its vertices
        for (int i = 0; i < 3; ++i) {
            out.lines.emplace_back();
            setupLine(s[i], s[i], flat, out.lines.back());
            out.pixelEstimate += 1;
        }
    } else {
        for (int i = 1; i + 1 < poly.count; ++i) {
            out.triangles.emplace_back();
            TriangleSetup& t = out.triangles.back();
            if (!setupTriangle(s[0], s[i], s[i + 1], a.width, a.height, flat, a.textured, t)) {
                out.triangles.pop_back();
                continue;
            }
            out.pixelEstimate += std::uint64_t(t.maxX - t.minX + 1) * std::uint64_t(t.maxY - t.minY + 1);
        }
    }
}

HRESULT drawChunks(const DeviceState& state, const RefTexture* texture, const MeshGeometry& mesh,
                   const MeshGroup& group, FrameBuffers& fb, BandPool& pool, DrawScratch& scratch);

}  // namespace

HRESULT drawMeshGroup(const DeviceState& state, const RefTexture* texture, const MeshGeometry& mesh,
                      const MeshGroup& group, FrameBuffers& fb, BandPool& pool, DrawScratch& scratch)
{
    // Only the calling thread ever allocates (workers fill reserved room), so
    // running out of memory surfaces here.
    try {
        return drawChunks(state, texture, mesh, group, fb, pool, scratch);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

namespace {

HRESULT drawChunks(const DeviceState& state, const RefTexture* texture, const MeshGeometry& mesh,
                   const MeshGroup& group, FrameBuffers& fb, BandPool& pool, DrawScratch& scratch)
{
    const unsigned bands = pool.bands();
    const std::size_t faceCount = group.faceCount;
    const std::size_t firstChunk = std::min(faceCount, kChunkFaces);
    if (scratch.vertices.size() < mesh.vertexCount)
        scratch.vertices.resize(mesh.vertexCount);
    scratch.setups.resize(bands);
    // Room for the most pieces a band's share of a chunk can make, so setup
    // on the worker threads never allocates.
    const std::size_t share = (firstChunk + bands - 1) / bands;
    for (DrawScratch::BandOutput& out : scratch.setups) {
        out.triangles.reserve(share * kMaxPiecesPerFace);
        out.lines.reserve(share * kMaxPiecesPerFace);
    }

    // Vertex processing: each vertex on its own, so any split gives the same values.
    const VertexProcessor processor(state, mesh.layout);
    const std::vector<std::uint32_t>& used = group.vertices;
    auto processRange = [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            const std::uint32_t v = used[i];
            scratch.vertices[v] =
                processor.process(&mesh.positions[3 * std::size_t(v)],
                                  mesh.layout.normals ? &mesh.normals[3 * std::size_t(v)] : nullptr,
                                  mesh.layout.colors ? mesh.colors[v] : 0u,
                                  mesh.layout.texcoords ? &mesh.texcoords[2 * std::size_t(v)] : nullptr);
        }
    };
    if (bands > 1 && used.size() >= kParallelVertices) {
        pool.run([&](unsigned b) { processRange(used.size() * b / bands, used.size() * (b + 1) / bands); });
    } else {
        processRange(0, used.size());
    }

    const PixelState ps = pixelStateFrom(state, texture);
    const Assembly assembly{scratch.vertices,
                            mesh.indices.data() + std::size_t(group.faceStart) * 3,
                            clipVolumeFor(fb.width, fb.height),
                            fb.width,
                            fb.height,
                            state.renderState(D3DRS_CULLMODE),
                            state.renderState(D3DRS_FILLMODE),
                            ps.flatShading,
                            ps.texture != nullptr};

    for (std::size_t chunk = 0; chunk < faceCount; chunk += kChunkFaces) {
        const std::size_t count = std::min(kChunkFaces, faceCount - chunk);
        // Setup: band b takes the b-th contiguous share of the chunk, so the
        // lists read in band order are the faces in index order.
        const unsigned setupBands = bands > 1 && count >= kParallelFaces ? bands : 1;
        auto setupShare = [&](unsigned b) {
            DrawScratch::BandOutput& out = scratch.setups[b];
            out.triangles.clear();
            out.lines.clear();
            out.pixelEstimate = 0;
            const std::size_t begin = chunk + count * b / setupBands,
                              end = chunk + count * (b + 1) / setupBands;
            for (std::size_t f = begin; f < end; ++f)
                assembleFace(assembly, f, out);
        };
        if (setupBands > 1)
            pool.run(setupShare);
        else
            setupShare(0);

        std::uint64_t pixels = 0;
        for (unsigned b = 0; b < setupBands; ++b)
            pixels += scratch.setups[b].pixelEstimate;
        auto drawRows = [&](const BandRows& rows) {
            for (unsigned b = 0; b < setupBands; ++b) {
                for (const TriangleSetup& t : scratch.setups[b].triangles)
                    drawTriangle(t, ps, fb, rows);
                for (const LineSetup& l : scratch.setups[b].lines)
                    drawLine(l, ps, fb, rows);
            }
        };
        if (bands > 1 && pixels >= kParallelPixels)
            pool.run([&](unsigned b) { drawRows(BandRows{int(b), int(bands)}); });
        else
            drawRows(BandRows{0, 1});
    }
    return D3D_OK;
}

}  // namespace
}  // namespace d3d::ref
