// The three Earth maps (longitude/latitude, 512 x 256). They share one
// invented geography: earth1 by day with clouds, earth2 at night with city
// lights, earth3 as a pastel political map with a graticule.

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
constexpr double kSeaLevel = 0.49;

// Height of the terrain: land where it exceeds kSeaLevel.
double terrain(const SpherePoint& p)
{
    const double f = 1.7;
    return fractalNoise(11u, p.x * f + 5.0, p.y * f + 5.0, p.z * f + 5.0, 7);
}

bool isLand(double height) { return height > kSeaLevel; }

double degrees(double radians) { return radians * 180.0 / std::numbers::pi; }

Rgb dayColour(const SpherePoint& p)
{
    const double h = terrain(p);
    const double lat = std::abs(degrees(p.latitude));
    if (!isLand(h)) {
        const double depth = smoothstep(kSeaLevel, kSeaLevel - 0.18, h);
        Rgb sea = mix(Rgb{40, 110, 170}, Rgb{10, 35, 90}, depth);
        if (lat > 72) {
            sea = mix(sea, Rgb{235, 240, 248}, smoothstep(72, 78, lat));  // pack ice
        }
        return sea;
    }
    const double elevation = smoothstep(kSeaLevel, kSeaLevel + 0.2, h);
    const double dryness = fractalNoise(23u, p.x * 4, p.y * 4, p.z * 4, 4);
    const double desertBelt = std::exp(-std::pow((lat - 24.0) / 9.0, 2.0)) * smoothstep(0.35, 0.6, dryness);
    Rgb land = mix(Rgb{45, 115, 45}, Rgb{85, 120, 55}, smoothstep(10, 45, lat));
    land = mix(land, Rgb{195, 170, 115}, desertBelt);
    land = mix(land, Rgb{125, 120, 100}, smoothstep(50, 65, lat));
    land = mix(land, Rgb{120, 95, 70}, smoothstep(0.5, 1.0, elevation));
    const double snow = std::max(smoothstep(66, 74, lat), smoothstep(0.75, 0.95, elevation));
    return mix(land, Rgb{245, 245, 250}, snow);
}

double cloudCover(const SpherePoint& p)
{
    const double n = fractalNoise(37u, p.x * 3.0, p.y * 6.0, p.z * 3.0, 6);
    return smoothstep(0.5, 0.72, n) * 0.9;
}

Rgb earthByDay(const SpherePoint& p) { return mix(dayColour(p), Rgb{250, 250, 252}, cloudCover(p)); }

Rgb earthAtNight(const SpherePoint& p)
{
    const double h = terrain(p);
    if (!isLand(h)) {
        return {3, 8, 22};
    }
    const double inland = smoothstep(kSeaLevel, kSeaLevel + 0.05, h);
    const double lat = std::abs(degrees(p.latitude));
    const double settled = fractalNoise(53u, p.x * 5, p.y * 5, p.z * 5, 3) * (1.0 - smoothstep(55, 70, lat));
    const double sparkle = fractalNoise(59u, p.x * 60, p.y * 60, p.z * 60, 2);
    const double lights = smoothstep(0.45, 0.7, settled) * smoothstep(0.55, 0.8, sparkle) +
                          0.5 * (1.0 - inland) * smoothstep(0.4, 0.6, settled);  // coastal towns
    return mix(Rgb{14, 16, 22}, Rgb{255, 205, 120}, std::min(1.0, lights * 1.4));
}

struct Country {
    double x, y, z;
    Rgb colour;
};

std::vector<Country> countries()
{
    const Rgb pastel[] = {{244, 200, 190}, {250, 230, 170}, {200, 230, 180}, {190, 215, 240},
                          {225, 200, 235}, {250, 215, 160}, {210, 235, 225}, {240, 190, 215}};
    std::vector<Country> out;
    for (int k = 0; k < 48; ++k) {
        // An even spread of points over the sphere from hashed numbers.
        const double y = latticeValue(71u, k, 0, 0) * 2.0 - 1.0;
        const double a = latticeValue(71u, k, 1, 0) * 2.0 * std::numbers::pi;
        const double r = std::sqrt(1.0 - y * y);
        out.push_back({r * std::cos(a), y, r * std::sin(a), pastel[k % 8]});
    }
    return out;
}

Rgb politicalMap(const SpherePoint& p)
{
    static const std::vector<Country> all = countries();
    const double lat = degrees(p.latitude);
    const double lon = degrees(p.longitude);
    const auto gridLine = [](double deg) {
        const double d = std::abs(std::remainder(deg, 30.0));
        return d < 0.5;
    };
    const double h = terrain(p);
    if (!isLand(h)) {
        const Rgb sea =
            mix(Rgb{175, 210, 238}, Rgb{150, 190, 228}, smoothstep(kSeaLevel, kSeaLevel - 0.15, h));
        return (gridLine(lat) || gridLine(lon)) ? Rgb{120, 160, 205} : sea;
    }
    double nearest = 1e9, second = 1e9;
    const Country* owner = nullptr;
    for (const Country& c : all) {
        const double d = std::pow(p.x - c.x, 2) + std::pow(p.y - c.y, 2) + std::pow(p.z - c.z, 2);
        if (d < nearest) {
            second = nearest;
            nearest = d;
            owner = &c;
        } else if (d < second) {
            second = d;
        }
    }
    if (std::sqrt(second) - std::sqrt(nearest) < 0.012) {
        return {120, 100, 100};  // border
    }
    if (h < kSeaLevel + 0.006) {
        return {110, 120, 140};  // coastline
    }
    return owner->colour;
}

}  // namespace

QImage drawEarthDay() { return paintSphere(kWidth, kHeight, earthByDay); }
QImage drawEarthNight() { return paintSphere(kWidth, kHeight, earthAtNight); }
QImage drawEarthPolitical() { return paintSphere(kWidth, kHeight, politicalMap); }

}  // namespace texgen
