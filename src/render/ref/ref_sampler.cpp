#include "render/ref/ref_sampler.h"

#include <algorithm>
#include <cmath>

#include "render/gaussian_cubic.h"
#include "render/ref/ref_math.h"

namespace d3d::ref {
namespace {

// Texel index from a texel-space coordinate, kept far inside int's range
// (wrapping is periodic, clamping saturates, so nothing visible changes).
int texelIndex(double x)
{
    if (!(x == x))
        return 0;
    return int(std::floor(std::clamp(x, -1.0e9, 1.0e9)));
}

int addressAxis(int t, int size, std::uint32_t mode, bool& border)
{
    switch (mode) {
    case D3DTADDRESS_CLAMP:
        return std::clamp(t, 0, size - 1);
    case D3DTADDRESS_BORDER:
        if (t < 0 || t >= size)
            border = true;
        return std::clamp(t, 0, size - 1);
    case D3DTADDRESS_MIRROR: {
        const int period = 2 * size;
        const int p = ((t % period) + period) % period;
        return p < size ? p : period - 1 - p;
    }
    case D3DTADDRESS_MIRRORONCE:
        return std::clamp(t < 0 ? -t - 1 : t, 0, size - 1);
    default:
        return ((t % size) + size) % size;  // wrap
    }
}

void fetch(const TextureLevel& level, const SamplerState& s, int i, int j, float out[4])
{
    bool border = false;
    const int x = addressAxis(i, level.width, s.addressU, border);
    const int y = addressAxis(j, level.height, s.addressV, border);
    if (border) {
        std::copy(s.border, s.border + 4, out);
        return;
    }
    unpackColor(level.at(x, y), out);
}

void samplePoint(const TextureLevel& level, const SamplerState& s, float u, float v, float out[4])
{
    fetch(level, s, texelIndex(double(u) * level.width), texelIndex(double(v) * level.height), out);
}

void sampleLinear(const TextureLevel& level, const SamplerState& s, float u, float v, float out[4])
{
    const double x = double(u) * level.width - 0.5, y = double(v) * level.height - 0.5;
    const int i0 = texelIndex(x), j0 = texelIndex(y);
    const float fx = std::isfinite(x) ? float(x - std::floor(x)) : 0.0f;
    const float fy = std::isfinite(y) ? float(y - std::floor(y)) : 0.0f;
    float t00[4], t10[4], t01[4], t11[4];
    fetch(level, s, i0, j0, t00);
    fetch(level, s, i0 + 1, j0, t10);
    fetch(level, s, i0, j0 + 1, t01);
    fetch(level, s, i0 + 1, j0 + 1, t11);
    for (int c = 0; c < 4; ++c) {
        const float top = t00[c] + (t10[c] - t00[c]) * fx;
        const float bottom = t01[c] + (t11[c] - t01[c]) * fx;
        out[c] = top + (bottom - top) * fy;
    }
}

void sampleGaussianCubic(const TextureLevel& level, const SamplerState& s, float u, float v, float out[4])
{
    const double x = double(u) * level.width - 0.5, y = double(v) * level.height - 0.5;
    const int i0 = texelIndex(x), j0 = texelIndex(y);
    const double fx = std::isfinite(x) ? x - std::floor(x) : 0.0;
    const double fy = std::isfinite(y) ? y - std::floor(y) : 0.0;
    const std::array<double, 4> wx = gaussianCubicWeights(fx), wy = gaussianCubicWeights(fy);
    double sum[4] = {0, 0, 0, 0};
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) {
            float t[4];
            fetch(level, s, i0 + i - 1, j0 + j - 1, t);
            const double w = wx[std::size_t(i)] * wy[std::size_t(j)];
            for (int c = 0; c < 4; ++c)
                sum[c] += w * t[c];
        }
    }
    for (int c = 0; c < 4; ++c)
        out[c] = float(sum[c]);
}

bool linear(std::uint32_t filter) { return filter >= D3DTEXF_LINEAR; }

void sampleLevel(const TextureLevel& level, const SamplerState& s, bool bilinear, float u, float v,
                 float out[4])
{
    if (bilinear)
        sampleLinear(level, s, u, v, out);
    else
        samplePoint(level, s, u, v, out);
}

}  // namespace

SamplerState samplerStateFrom(const DeviceState& state)
{
    SamplerState s;
    s.addressU = state.stageState(D3DTSS_ADDRESSU);
    s.addressV = state.stageState(D3DTSS_ADDRESSV);
    unpackColor(state.stageState(D3DTSS_BORDERCOLOR), s.border);
    s.magFilter = state.stageState(D3DTSS_MAGFILTER);
    s.minFilter = state.stageState(D3DTSS_MINFILTER);
    s.mipFilter = state.stageState(D3DTSS_MIPFILTER);
    return s;
}

void sampleTexture(const RefTexture& texture, const SamplerState& s, float u, float v,
                   const TexDerivatives& d, float out[4])
{
    const std::vector<TextureLevel>& levels = texture.levels();
    const TextureLevel& base = levels[0];
    const double w = base.width, h = base.height;
    const double ax = double(d.dudx) * w, ay = double(d.dvdx) * h;
    const double bx = double(d.dudy) * w, by = double(d.dvdy) * h;
    const double rho2 = std::max(ax * ax + ay * ay, bx * bx + by * by);

    if (!(rho2 > 1.0)) {  // magnified (or no usable derivative)
        if (s.magFilter == D3DTEXF_GAUSSIANCUBIC)
            sampleGaussianCubic(base, s, u, v, out);
        else
            sampleLevel(base, s, linear(s.magFilter), u, v, out);
    } else {
        const bool bilinear = linear(s.minFilter);
        const int last = int(levels.size()) - 1;
        const double lod = std::isfinite(rho2) ? 0.5 * stableLog2(rho2) : double(last);
        if (s.mipFilter == D3DTEXF_NONE || last == 0) {
            sampleLevel(base, s, bilinear, u, v, out);
        } else if (s.mipFilter == D3DTEXF_POINT) {
            const int level = lod <= 0.5 ? 0 : std::min(last, int(std::ceil(lod + 0.5)) - 1);
            sampleLevel(levels[std::size_t(level)], s, bilinear, u, v, out);
        } else {
            const double clamped = std::min(lod, double(last));
            const int l0 = int(std::floor(clamped));
            const int l1 = std::min(l0 + 1, last);
            const float f = float(clamped - l0);
            float a[4], b[4];
            sampleLevel(levels[std::size_t(l0)], s, bilinear, u, v, a);
            sampleLevel(levels[std::size_t(l1)], s, bilinear, u, v, b);
            for (int c = 0; c < 4; ++c)
                out[c] = a[c] + (b[c] - a[c]) * f;
        }
    }
    if (!texture.hasAlpha())
        out[3] = 1.0f;
}

}  // namespace d3d::ref
