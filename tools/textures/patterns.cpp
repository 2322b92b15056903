// The two pattern images, 256 x 256: 1.bmp a red and white checkerboard of
// 8 x 8 squares, 2.bmp glazed ceramic tiles in four colours with grout lines.

#include "texture_catalog.h"

#include "noise.h"
#include "painting.h"

#include <algorithm>

namespace texgen {

namespace {

constexpr int kSize = 256;

Rgb checker(int x, int y)
{
    const bool light = ((x / 32) + (y / 32)) % 2 == 0;
    return light ? Rgb{240, 240, 235} : Rgb{200, 35, 40};
}

Rgb tile(int x, int y)
{
    constexpr int tileSize = 64;
    constexpr int grout = 3;
    const int tx = x / tileSize;
    const int ty = y / tileSize;
    const int cx = x % tileSize;
    const int cy = y % tileSize;
    if (cx < grout || cy < grout) {
        return {205, 200, 190};
    }
    const Rgb glaze[] = {{40, 95, 170}, {35, 150, 150}, {235, 195, 60}, {240, 240, 235}};
    const Rgb base = glaze[static_cast<int>(latticeValue(503u, tx, ty, 0) * 4.0) % 4];
    // Bevelled edges: lighter towards the top left, darker at the bottom right.
    const int edge = std::min({cx - grout, cy - grout, tileSize - 1 - cx, tileSize - 1 - cy});
    double light = 1.0;
    if (edge < 4) {
        light = (cx - grout < 4 || cy - grout < 4) ? 1.15 : 0.8;
    }
    return scaled(base, light * (0.95 + 0.1 * valueNoise(509u, x * 0.1, y * 0.1, 0.0)));
}

}  // namespace

QImage drawCheckerboard() { return paint(kSize, kSize, checker); }
QImage drawTiles() { return paint(kSize, kSize, tile); }

}  // namespace texgen
