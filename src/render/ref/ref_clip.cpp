#include "render/ref/ref_clip.h"

#include <cmath>
#include <utility>

namespace d3d::ref {
namespace {

constexpr int kPlaneCount = 6;

// Signed distance to plane i, scaled by w; inside is ≥ 0.
float planeDistance(const ClipVertex& v, int plane, const ClipVolume& volume)
{
    const float x = v.pos[0], y = v.pos[1], z = v.pos[2], w = v.pos[3];
    switch (plane) {
    case 0:
        return z;  // near
    case 1:
        return w - z;  // far
    case 2:
        return x + volume.guardX * w;  // left
    case 3:
        return volume.guardX * w - x;  // right
    case 4:
        return y + volume.guardY * w;  // bottom
    default:
        return volume.guardY * w - y;  // top
    }
}

ClipVertex intersect(const ClipVertex& in, float dIn, const ClipVertex& out, float dOut)
{
    const float t = dIn / (dIn - dOut);
    ClipVertex r;
    for (int i = 0; i < 4; ++i)
        r.pos[i] = in.pos[i] + t * (out.pos[i] - in.pos[i]);
    for (int i = 0; i < kVaryingCount; ++i)
        r.v[i] = in.v[i] + t * (out.v[i] - in.v[i]);
    return r;
}

bool finite(const ClipVertex& v)
{
    return std::isfinite(v.pos[0]) && std::isfinite(v.pos[1]) && std::isfinite(v.pos[2]) &&
           std::isfinite(v.pos[3]);
}

}  // namespace

ClipVolume clipVolumeFor(int width, int height)
{
    // Screen x = (1 + x/w)·W/2, so x/w = 1 + 2P/W lands P pixels past the right edge.
    ClipVolume v;
    v.guardX = float(1.0 + 2.0 * kGuardBandPixels / double(width > 0 ? width : 1));
    v.guardY = float(1.0 + 2.0 * kGuardBandPixels / double(height > 0 ? height : 1));
    return v;
}

unsigned outcode(const ClipVertex& v, const ClipVolume& volume)
{
    unsigned code = 0;
    for (int p = 0; p < kPlaneCount; ++p)
        if (!(planeDistance(v, p, volume) >= 0.0f))
            code |= 1u << p;
    return code;
}

bool clipTriangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c, const ClipVolume& volume,
                  ClipPolygon& out)
{
    if (!finite(a) || !finite(b) || !finite(c))
        return false;
    ClipPolygon buffers[2];
    ClipPolygon* cur = &buffers[0];
    ClipPolygon* next = &buffers[1];
    cur->corner[0] = a, cur->corner[1] = b, cur->corner[2] = c;
    cur->edge[0] = cur->edge[1] = cur->edge[2] = true;
    cur->count = 3;

    for (int p = 0; p < kPlaneCount; ++p) {
        float d[kMaxClipCorners];
        bool anyOut = false, anyIn = false;
        for (int i = 0; i < cur->count; ++i) {
            d[i] = planeDistance(cur->corner[i], p, volume);
            (d[i] >= 0.0f ? anyIn : anyOut) = true;
        }
        if (!anyIn)
            return false;
        if (!anyOut)
            continue;
        next->count = 0;
        for (int i = 0; i < cur->count; ++i) {
            const int j = (i + 1) % cur->count;
            const bool inI = d[i] >= 0.0f, inJ = d[j] >= 0.0f;
            if (inI) {
                next->corner[next->count] = cur->corner[i];
                next->edge[next->count++] = cur->edge[i];
            }
            if (inI != inJ && next->count < kMaxClipCorners) {
                // Always from the inside corner towards the outside one.
                next->corner[next->count] = inI ? intersect(cur->corner[i], d[i], cur->corner[j], d[j])
                                                : intersect(cur->corner[j], d[j], cur->corner[i], d[i]);
                // Leaving: the next edge runs along the plane. Entering: it is
                // the rest of edge i.
                next->edge[next->count++] = inI ? false : cur->edge[i];
            }
        }
        std::swap(cur, next);
        if (cur->count < 3)
            return false;
    }
    out = *cur;
    return true;
}

}  // namespace d3d::ref
