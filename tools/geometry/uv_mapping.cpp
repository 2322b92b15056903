#include "uv_mapping.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace xgen {

UvMapping planarXY(double minX, double minY, double width, double height)
{
    return [=](const Vec3& p) { return TexCoord{(p.x - minX) / width, 1.0 - (p.y - minY) / height}; };
}

TexCoord sphericalCoords(const Vec3& p, const Vec3& centre)
{
    const Vec3 d = normalized(p - centre);
    const double longitude = std::atan2(d.x, -d.z);  // 0 towards the camera
    const double latitude = std::asin(std::clamp(d.y, -1.0, 1.0));
    return {0.5 + longitude / (2.0 * std::numbers::pi), 0.5 - latitude / std::numbers::pi};
}

}  // namespace xgen
