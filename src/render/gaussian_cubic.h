// The Gaussian-cubic magnification filter (D3DTEXF_GAUSSIANCUBIC), defined once
// for every device of this runtime: the OpenGL device runs the GLSL below and
// a software device calls gaussianCubicWeights(), so both draw the same texels.
//
// The kernel: a sample at texel-space position x = u·W − 0.5 (likewise y)
// reads the 4×4 texels i0−1 … i0+2 around it, i0 = floor(x). Each texel i
// weighs w(d) = exp(−d² / (2σ²)), d being the distance in texels from the
// sample point to the texel's centre, and the 16 weights are normalised to
// sum to 1. The 2-D weight is exp(−(dx² + dy²)/(2σ²)) = w(dx)·w(dy), so the
// kernel is separable: normalised 2-D weights are products of normalised 1-D
// weights, and one function of the fraction f = x − i0 serves both axes.
//
// σ = 0.5 texel: the texel under the sample dominates (about 79 % at its
// centre), its neighbours soften edges, and the outer ring contributes only
// when the sample sits between texels. Texel indices outside the level go
// through the stage's address mode like any other sample.
#pragma once

#include <array>

// σ lives in a macro so the C++ constants and the GLSL text share one literal.
#define ORVANE_GAUSSIAN_CUBIC_SIGMA 0.5
#define ORVANE_GAUSSIAN_CUBIC_STR2(x) #x
#define ORVANE_GAUSSIAN_CUBIC_STR(x) ORVANE_GAUSSIAN_CUBIC_STR2(x)

namespace d3d {

constexpr double kGaussianCubicSigma = ORVANE_GAUSSIAN_CUBIC_SIGMA;
constexpr int kGaussianCubicTaps = 4;  // per axis

namespace detail {

// exp for the kernel's range (arguments between about −20 and 0), usable in
// constant expressions: exp(x) = exp(x/64)^64 with a short series for the
// small argument. Accurate to about 1e-12 relative there.
constexpr double kernelExp(double x)
{
    const double y = x / 64.0;
    double term = 1.0, sum = 1.0;
    for (int k = 1; k < 12; ++k) {
        term *= y / k;
        sum += term;
    }
    for (int k = 0; k < 6; ++k)
        sum *= sum;
    return sum;
}

}  // namespace detail

// Unnormalised weight of a texel at distance d (texels) from the sample point.
constexpr double gaussianCubicRawWeight(double d)
{
    return detail::kernelExp(-(d * d) / (2.0 * kGaussianCubicSigma * kGaussianCubicSigma));
}

// The normalised weights of texels i0−1, i0, i0+1, i0+2 for a sample at
// i0 + f (0 ≤ f < 1). They sum to 1.
constexpr std::array<double, 4> gaussianCubicWeights(double f)
{
    std::array<double, 4> w{gaussianCubicRawWeight(1.0 + f), gaussianCubicRawWeight(f),
                            gaussianCubicRawWeight(1.0 - f), gaussianCubicRawWeight(2.0 - f)};
    const double sum = w[0] + w[1] + w[2] + w[3];
    for (double& v : w)
        v /= sum;
    return w;
}

// The weights at the two characteristic phases, for checks and documentation:
// a sample on a texel centre, and one half-way between two texels.
constexpr std::array<double, 4> kGaussianCubicAtCentre = gaussianCubicWeights(0.0);
constexpr std::array<double, 4> kGaussianCubicAtHalf = gaussianCubicWeights(0.5);

static_assert(kGaussianCubicAtCentre[1] > 0.78 && kGaussianCubicAtCentre[1] < 0.79);
static_assert(kGaussianCubicAtHalf[1] == kGaussianCubicAtHalf[2]);

// GLSL (330) with the same kernel: gaussianCubicWeights(f) as above, and
// gaussianCubicSample(tex, uv, level size, address modes, border) reading the
// 16 texels of level 0 with texelFetch. The caller provides
//   ivec2 addressTexel(ivec2 texel, ivec2 size, ivec2 modes, out bool border)
// which maps a texel index through the stage's address modes.
inline constexpr const char* kGaussianCubicGlsl =
    "const float kGaussianCubicSigma = " ORVANE_GAUSSIAN_CUBIC_STR(
        ORVANE_GAUSSIAN_CUBIC_SIGMA) ";\n"
                                     "vec4 gaussianCubicWeights(float f)\n"
                                     "{\n"
                                     "    vec4 d = vec4(1.0 + f, f, 1.0 - f, 2.0 - f);\n"
                                     "    vec4 w = exp(-(d * d) / (2.0 * kGaussianCubicSigma * "
                                     "kGaussianCubicSigma));\n"
                                     "    return w / (w.x + w.y + w.z + w.w);\n"
                                     "}\n"
                                     "vec4 gaussianCubicSample(sampler2D tex, vec2 uv, ivec2 size, ivec2 "
                                     "modes, vec4 borderColor)\n"
                                     "{\n"
                                     "    vec2 x = uv * vec2(size) - 0.5;\n"
                                     "    vec2 i0 = floor(x);\n"
                                     "    vec2 f = x - i0;\n"
                                     "    vec4 wx = gaussianCubicWeights(f.x);\n"
                                     "    vec4 wy = gaussianCubicWeights(f.y);\n"
                                     "    vec4 sum = vec4(0.0);\n"
                                     "    for (int j = 0; j < 4; ++j) {\n"
                                     "        for (int i = 0; i < 4; ++i) {\n"
                                     "            bool border;\n"
                                     "            ivec2 t = addressTexel(ivec2(i0) + ivec2(i - 1, j - 1), "
                                     "size, modes, border);\n"
                                     "            vec4 c = border ? borderColor : texelFetch(tex, t, 0);\n"
                                     "            sum += wx[i] * wy[j] * c;\n"
                                     "        }\n"
                                     "    }\n"
                                     "    return sum;\n"
                                     "}\n";

}  // namespace d3d
