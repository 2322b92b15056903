// The reference device's render target: a 32-bit XRGB colour buffer and a
// 16-bit depth buffer of the same size, rows from the top. Which rows a
// rasterising thread may touch is decided here too, so that every stage of a
// draw agrees on it.
#pragma once

#include <cstdint>
#include <vector>

namespace d3d::ref {

struct FrameBuffers {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> color;  // 0xFFRRGGBB: the unused byte reads as opaque
    std::vector<std::uint16_t> depth;  // round(z × 65535)

    std::uint32_t* colorRow(int y) { return color.data() + std::size_t(y) * std::size_t(width); }
    std::uint16_t* depthRow(int y) { return depth.data() + std::size_t(y) * std::size_t(width); }
};

// Rows are dealt to bands in strips of kStripRows: strip s belongs to band
// s mod bandCount. Interleaving keeps the bands evenly loaded when the model
// sits in the middle of the frame; a band never writes a row it does not own.
constexpr int kStripRows = 16;

struct BandRows {
    int band = 0;
    int bandCount = 1;

    bool owns(int y) const { return bandCount == 1 || (y / kStripRows) % bandCount == band; }

    // The first owned row at or after y (y ≥ 0), or a row past `last` when none.
    int nextOwned(int y, int last) const
    {
        if (bandCount == 1)
            return y;
        while (y <= last && !owns(y))
            y = (y / kStripRows + 1) * kStripRows;
        return y;
    }
};

}  // namespace d3d::ref
