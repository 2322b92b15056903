#include "noise.h"

#include <algorithm>
#include <cmath>

namespace texgen {

namespace {

std::uint32_t mixBits(std::uint32_t h)
{
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

}  // namespace

double latticeValue(std::uint32_t seed, int x, int y, int z)
{
    std::uint32_t h = mixBits(seed ^ 0x9E3779B9u);
    h = mixBits(h ^ static_cast<std::uint32_t>(x));
    h = mixBits(h ^ static_cast<std::uint32_t>(y) * 0x85EBCA6Bu);
    h = mixBits(h ^ static_cast<std::uint32_t>(z) * 0xC2B2AE35u);
    return (h >> 8) * (1.0 / 16777216.0);
}

double valueNoise(std::uint32_t seed, double x, double y, double z)
{
    const double fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy), iz = static_cast<int>(fz);
    const double tx = fade(x - fx), ty = fade(y - fy), tz = fade(z - fz);
    double layer[2];
    for (int dz = 0; dz < 2; ++dz) {
        const double a =
            mix(latticeValue(seed, ix, iy, iz + dz), latticeValue(seed, ix + 1, iy, iz + dz), tx);
        const double b =
            mix(latticeValue(seed, ix, iy + 1, iz + dz), latticeValue(seed, ix + 1, iy + 1, iz + dz), tx);
        layer[dz] = mix(a, b, ty);
    }
    return mix(layer[0], layer[1], tz);
}

double fractalNoise(std::uint32_t seed, double x, double y, double z, int octaves)
{
    double sum = 0.0;
    double weight = 0.5;
    double total = 0.0;
    for (int o = 0; o < octaves; ++o) {
        sum += weight * valueNoise(seed + static_cast<std::uint32_t>(o) * 101u, x, y, z);
        total += weight;
        x *= 2.0;
        y *= 2.0;
        z *= 2.0;
        weight *= 0.5;
    }
    return sum / total;
}

double smoothstep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

double mix(double a, double b, double t) { return a + (b - a) * t; }

}  // namespace texgen
