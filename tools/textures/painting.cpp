#include "painting.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace texgen {

Rgb mix(const Rgb& a, const Rgb& b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb scaled(const Rgb& c, double factor) { return {c.r * factor, c.g * factor, c.b * factor}; }

QImage paint(int width, int height, const std::function<Rgb(int x, int y)>& shade)
{
    QImage image(width, height, QImage::Format_RGB32);
    const auto channel = [](double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0))); };
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const Rgb c = shade(x, y);
            line[x] = qRgb(channel(c.r), channel(c.g), channel(c.b));
        }
    }
    return image;
}

QImage paintSphere(int width, int height, const std::function<Rgb(const SpherePoint&)>& shade)
{
    return paint(width, height, [&](int x, int y) {
        const double longitude = ((x + 0.5) / width * 2.0 - 1.0) * std::numbers::pi;
        const double latitude = (0.5 - (y + 0.5) / height) * std::numbers::pi;
        const double c = std::cos(latitude);
        return shade(
            {c * std::sin(longitude), std::sin(latitude), -c * std::cos(longitude), latitude, longitude});
    });
}

}  // namespace texgen
