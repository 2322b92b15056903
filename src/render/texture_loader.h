// D3DXCreateTextureFromFile's image side: decode a file, round its size up to
// powers of two with a smooth resampling filter and build the full mip chain,
// taking a DDS file's own levels where it has them.
#pragma once

#include <QImage>
#include <string>
#include <vector>

namespace d3d {

struct TextureLevels {
    std::vector<QImage> levels;  // level 0 first, down to 1×1, Format_ARGB32
    bool hasAlpha = false;       // false: X8R8G8B8, alpha reads 1.0
};

// Reads a BMP (or DIB), JPEG, PNG, DDS or TGA file at `path` (host
// spelling), told apart by its first bytes whatever its name; any file
// without one of the other signatures is read as TGA. On failure returns
// false and says why in `error` (the file named).
bool loadTextureLevels(const QString& path, TextureLevels& out, std::string& error);

}  // namespace d3d
