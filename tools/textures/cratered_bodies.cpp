// Mars and the Moon (longitude/latitude, 512 x 256): noise-shaded ground
// scattered with craters, each with a dark bowl, a bright rim and a wall lit
// from the east.

#include "texture_catalog.h"

#include "noise.h"
#include "painting.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace texgen {

namespace {

constexpr int kWidth = 512;
constexpr int kHeight = 256;

struct Crater {
    double x, y, z;     // centre on the unit sphere
    double ex, ey, ez;  // east at the centre
    double radius;      // chord length
};

std::vector<Crater> scatterCraters(std::uint32_t seed, int count, double smallest, double largest)
{
    std::vector<Crater> craters;
    for (int k = 0; k < count; ++k) {
        const double y = latticeValue(seed, k, 0, 0) * 2.0 - 1.0;
        const double a = latticeValue(seed, k, 1, 0) * 2.0 * std::numbers::pi;
        const double r = std::sqrt(1.0 - y * y);
        const double x = r * std::cos(a);
        const double z = r * std::sin(a);
        // Many small craters, few large ones.
        const double size =
            smallest * std::pow(largest / smallest, std::pow(latticeValue(seed, k, 2, 0), 3.0));
        const double el = std::hypot(x, z);
        const double ex = el > 1e-9 ? -z / el : 1.0;
        const double ez = el > 1e-9 ? x / el : 0.0;
        craters.push_back({x, y, z, ex, 0.0, ez, size});
    }
    return craters;
}

// Brightness change of the crater field at p (0 outside every crater).
double craterRelief(const std::vector<Crater>& craters, const SpherePoint& p)
{
    double relief = 0.0;
    for (const Crater& c : craters) {
        const double dx = p.x - c.x, dy = p.y - c.y, dz = p.z - c.z;
        const double d = std::sqrt(dx * dx + dy * dy + dz * dz) / c.radius;
        if (d > 1.4) {
            continue;
        }
        const double rim = 0.16 * std::exp(-std::pow((d - 1.0) / 0.14, 2.0));
        if (d < 1.0) {
            const double east = (dx * c.ex + dy * c.ey + dz * c.ez) / (c.radius * std::max(d, 1e-6));
            relief += -0.2 * (1.0 - d * d) + 0.14 * east * d + rim;
        } else {
            relief += rim;
        }
    }
    return relief;
}

Rgb moonSurface(const SpherePoint& p)
{
    static const std::vector<Crater> craters = scatterCraters(101u, 260, 0.015, 0.16);
    const double maria =
        smoothstep(0.5, 0.62, fractalNoise(103u, p.x * 1.3 + 3, p.y * 1.3 + 3, p.z * 1.3 + 3, 5));
    const double grain = fractalNoise(107u, p.x * 12, p.y * 12, p.z * 12, 4);
    double level = mix(0.68, 0.4, maria) + (grain - 0.5) * 0.18;
    level += craterRelief(craters, p);
    return scaled(Rgb{200, 198, 192}, std::clamp(level, 0.05, 1.2));
}

Rgb marsSurface(const SpherePoint& p)
{
    static const std::vector<Crater> craters = scatterCraters(211u, 90, 0.015, 0.12);
    const double albedo = fractalNoise(223u, p.x * 2.2 + 7, p.y * 2.2 + 7, p.z * 2.2 + 7, 6);
    const double dust = fractalNoise(227u, p.x * 9, p.y * 9, p.z * 9, 4);
    Rgb ground = mix(Rgb{200, 105, 60}, Rgb{105, 50, 32}, smoothstep(0.45, 0.65, albedo));
    ground = mix(ground, Rgb{225, 150, 100}, smoothstep(0.6, 0.8, dust) * 0.5);
    ground = scaled(ground, std::clamp(1.0 + 0.8 * craterRelief(craters, p), 0.3, 1.4));
    const double lat = std::abs(p.latitude) * 180.0 / std::numbers::pi;
    const double cap = smoothstep(77.0, 82.0, lat + (dust - 0.5) * 6.0);
    return mix(ground, Rgb{240, 236, 230}, cap);
}

}  // namespace

QImage drawMoon() { return paintSphere(kWidth, kHeight, moonSurface); }
QImage drawMars() { return paintSphere(kWidth, kHeight, marsSurface); }

}  // namespace texgen
