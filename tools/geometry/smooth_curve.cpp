#include "smooth_curve.h"

namespace xgen {

std::vector<Vec2> smoothCurve(const std::vector<Vec2>& controls, int samplesPerSpan)
{
    std::vector<Vec2> out;
    if (controls.empty()) {
        return out;
    }
    const auto at = [&](std::ptrdiff_t i) {
        const auto last = static_cast<std::ptrdiff_t>(controls.size()) - 1;
        return controls[static_cast<std::size_t>(i < 0 ? 0 : (i > last ? last : i))];
    };
    out.push_back(controls.front());
    for (std::ptrdiff_t i = 0; i + 1 < static_cast<std::ptrdiff_t>(controls.size()); ++i) {
        const Vec2 p0 = at(i - 1), p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
        for (int k = 1; k <= samplesPerSpan; ++k) {
            const double t = static_cast<double>(k) / samplesPerSpan;
            const double t2 = t * t;
            const double t3 = t2 * t;
            out.push_back((p1 * 2.0 + (p2 - p0) * t + (p0 * 2.0 - p1 * 5.0 + p2 * 4.0 - p3) * t2 +
                           (p1 * 3.0 - p0 - p2 * 3.0 + p3) * t3) *
                          0.5);
        }
    }
    return out;
}

}  // namespace xgen
