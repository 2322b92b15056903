// Two sky panoramas (512 x 256, seamless left to right): a blue day sky with
// fair-weather clouds, and a sunset with a low sun behind streaks of cloud.

#include "texture_catalog.h"

#include "noise.h"
#include "painting.h"

#include <cmath>
#include <numbers>

namespace texgen {

namespace {

constexpr int kWidth = 512;
constexpr int kHeight = 256;

// Noise on a cylinder, so that the left and right edges meet.
double wrappedNoise(std::uint32_t seed, double u, double v, double stretchU, double stretchV, int octaves)
{
    const double a = u * 2.0 * std::numbers::pi;
    const double r = stretchU / (2.0 * std::numbers::pi);
    return fractalNoise(seed, std::cos(a) * r + 40.0, std::sin(a) * r + 40.0, v * stretchV, octaves);
}

Rgb daySky(int x, int y)
{
    const double u = (x + 0.5) / kWidth;
    const double v = (y + 0.5) / kHeight;  // 0 at the zenith, 1 at the horizon
    const Rgb air = mix(Rgb{35, 85, 175}, Rgb{160, 200, 240}, std::pow(v, 1.6));
    const double n = wrappedNoise(307u, u, v, 7.0, 5.0, 6);
    const double cover = smoothstep(0.52, 0.68, n) * smoothstep(0.05, 0.35, v);
    // Clouds are darker underneath: compare with the noise a little lower.
    const double below = wrappedNoise(307u, u, v + 0.02, 7.0, 5.0, 6);
    const Rgb cloud = mix(Rgb{252, 252, 255}, Rgb{170, 178, 195}, smoothstep(0.0, 0.08, below - n + 0.02));
    return mix(air, cloud, cover);
}

Rgb sunsetSky(int x, int y)
{
    const double u = (x + 0.5) / kWidth;
    const double v = (y + 0.5) / kHeight;
    Rgb sky = mix(Rgb{25, 20, 70}, Rgb{125, 55, 115}, smoothstep(0.0, 0.45, v));
    sky = mix(sky, Rgb{240, 120, 60}, smoothstep(0.4, 0.8, v));
    sky = mix(sky, Rgb{255, 205, 100}, smoothstep(0.8, 1.0, v));

    const double sunX = 0.68 * kWidth;
    const double sunY = 0.84 * kHeight;
    const double d = std::hypot(x - sunX, y - sunY);
    sky = mix(sky, Rgb{255, 235, 170}, 0.7 * std::exp(-d / 40.0));
    if (d < 14.0) {
        sky = mix(sky, Rgb{255, 250, 225}, smoothstep(14.0, 12.0, d));
    }

    const double streak = wrappedNoise(311u, u, v, 5.0, 28.0, 5);
    const double cover =
        smoothstep(0.55, 0.68, streak) * smoothstep(0.15, 0.5, v) * (1.0 - smoothstep(0.85, 0.95, v));
    const double litEdge = smoothstep(0.68, 0.58, streak);
    const Rgb cloud = mix(Rgb{70, 35, 65}, Rgb{250, 150, 90}, litEdge * smoothstep(0.4, 0.9, v));
    return mix(sky, cloud, cover);
}

}  // namespace

QImage drawDaySky() { return paint(kWidth, kHeight, daySky); }
QImage drawSunsetSky() { return paint(kWidth, kHeight, sunsetSky); }

}  // namespace texgen
