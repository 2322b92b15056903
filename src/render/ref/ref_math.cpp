#include "render/ref/ref_math.h"

#include <cmath>
#include <limits>

namespace d3d::ref {
namespace {

constexpr double kLn2Hi = 6.93147180369123816490e-01;  // ln 2 split so k·hi is exact
constexpr double kLn2Lo = 1.90821492927058770002e-10;
constexpr double kSqrtHalf = 0.70710678118654752440;
constexpr double kPi = 3.14159265358979323846;

}  // namespace

double stableLog(double x)
{
    if (!(x > 0.0))
        return x == 0.0 ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::quiet_NaN();
    if (x == std::numeric_limits<double>::infinity())
        return x;
    // x = m · 2^e with m in [√½, √2); ln m = 2·atanh(z), z = (m − 1)/(m + 1), |z| < 0.172.
    int e = 0;
    double m = std::frexp(x, &e);  // exact: m in [0.5, 1)
    if (m < kSqrtHalf) {
        m *= 2.0;
        e -= 1;
    }
    const double z = (m - 1.0) / (m + 1.0);
    const double z2 = z * z;
    double term = z, sum = 0.0;
    for (int k = 0; k < 14; ++k) {
        sum += term / double(2 * k + 1);
        term *= z2;
    }
    return double(e) * kLn2Lo + 2.0 * sum + double(e) * kLn2Hi;
}

double stableExp(double y)
{
    if (y != y)
        return y;
    if (y > 709.0)
        return std::numeric_limits<double>::infinity();
    if (y < -745.0)
        return 0.0;
    // y = k·ln2 + r with |r| ≤ ½ln2; e^y = 2^k · e^r.
    const double k = std::floor(y / (kLn2Hi + kLn2Lo) + 0.5);
    const double r = (y - k * kLn2Hi) - k * kLn2Lo;
    double term = 1.0, sum = 1.0;
    for (int n = 1; n < 18; ++n) {
        term *= r / double(n);
        sum += term;
    }
    return std::ldexp(sum, int(k));
}

double stablePow(double x, double p)
{
    if (p == 0.0)
        return 1.0;
    if (x == 0.0)
        return p > 0.0 ? 0.0 : std::numeric_limits<double>::infinity();
    if (x == 1.0)
        return 1.0;
    return stableExp(p * stableLog(x));
}

double stableLog2(double x) { return stableLog(x) / (kLn2Hi + kLn2Lo); }

double stableCos(double a)
{
    if (!std::isfinite(a))
        return std::numeric_limits<double>::quiet_NaN();
    // Reduce to [−π, π], then use cos(a) = 1 − 2·sin²(a/2) with a short
    // series for sin on [−π/2, π/2].
    const double turns = std::floor(a / (2.0 * kPi) + 0.5);
    const double r = a - turns * (2.0 * kPi);
    const double h = r / 2.0;
    const double h2 = h * h;
    double term = h, sin = 0.0;
    for (int n = 1; n < 24; n += 2) {
        sin += term;
        term *= -h2 / double((n + 1) * (n + 2));
    }
    return 1.0 - 2.0 * sin * sin;
}

}  // namespace d3d::ref
