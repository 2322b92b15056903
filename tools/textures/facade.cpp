// City02_01.jpg (256 x 256): an office facade that repeats both ways. A
// concrete parapet band along the top edge (the roof line of the city model),
// then four storeys of four framed windows each, some of them lit.

#include "texture_catalog.h"

#include "noise.h"
#include "painting.h"

namespace texgen {

namespace {

constexpr int kSize = 256;
constexpr int kBand = 16;                           // parapet rows at the top
constexpr int kBayWidth = kSize / 4;                // 64
constexpr int kStoreyHeight = (kSize - kBand) / 4;  // 60

Rgb facadePixel(int x, int y)
{
    const double grain = fractalNoise(401u, x * 0.15, y * 0.15, 0.0, 4);
    const Rgb concrete = scaled(Rgb{178, 172, 162}, 0.9 + 0.2 * grain);
    if (y < kBand) {
        const Rgb band = scaled(Rgb{205, 202, 194}, 0.92 + 0.16 * grain);
        return y == kBand - 1 ? scaled(band, 0.7) : band;  // shadow line under the band
    }
    const int bay = x / kBayWidth;
    const int storey = (y - kBand) / kStoreyHeight;
    const int cx = x % kBayWidth;
    const int cy = (y - kBand) % kStoreyHeight;

    constexpr int left = 10, right = kBayWidth - 10, top = 10, bottom = kStoreyHeight - 14;
    if (cx < left || cx >= right || cy < top || cy >= bottom) {
        // Sill: a light ledge with a shadow below it.
        if (cy == bottom && cx >= left - 2 && cx < right + 2) {
            return {215, 212, 205};
        }
        if (cy == bottom + 1 && cx >= left - 2 && cx < right + 2) {
            return scaled(concrete, 0.75);
        }
        return concrete;
    }
    const bool frame = cx < left + 3 || cx >= right - 3 || cy < top + 3 || cy >= bottom - 3 ||
                       (cx >= kBayWidth / 2 - 1 && cx <= kBayWidth / 2);
    if (frame) {
        return {62, 64, 70};
    }
    const bool lit = latticeValue(409u, bay, storey, 0) < 0.3;
    const double t = static_cast<double>(cy - top) / (bottom - top);
    if (lit) {
        return mix(Rgb{250, 225, 160}, Rgb{225, 180, 110}, t);
    }
    // Glass reflects a bright sky at the top, darker below, with a diagonal
    // sheen.
    const double sheen = ((cx + cy) % 24 < 5) ? 0.15 : 0.0;
    return mix(mix(Rgb{135, 165, 195}, Rgb{45, 65, 90}, t), Rgb{220, 235, 245}, sheen);
}

}  // namespace

QImage drawFacade() { return paint(kSize, kSize, facadePixel); }

}  // namespace texgen
