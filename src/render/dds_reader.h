// DirectDraw Surface (.dds) files as D3DX 8/9 read them: the legacy header,
// DXT1 to DXT5 blocks and the uncompressed RGB, luminance, alpha and palette
// formats, each decoded to straight-alpha ARGB32 with the file's own mip levels.
#pragma once

#include <QByteArray>
#include <QImage>
#include <string>
#include <vector>

class QIODevice;

namespace d3d {

// True when `head` (a file's first bytes) opens with the DDS magic "DDS ".
bool startsLikeDds(const QByteArray& head);

struct DdsLevels {
    std::vector<QImage> levels;  // as stored: level 0 first, each side halved (at least 1), Format_ARGB32
    bool hasAlpha = false;       // the format carries alpha (DXTn, A8R8G8B8, A8, P8, ...)
};

// Reads the DDS file open in `file` (random access, from its start). A cube
// file gives its +X face and a volume file the first slice of each level, as
// a 2D texture made from them would. Only the levels that a full chain of the
// image rounded up to powers of two can hold are decoded; the rest are
// checked for their bytes and left. Sides above `maxSide` are refused before
// anything is allocated, and so is a file shorter than its header declares.
// On failure returns false and says why in `why`.
bool readDds(QIODevice& file, int maxSide, DdsLevels& out, std::string& why);

}  // namespace d3d
