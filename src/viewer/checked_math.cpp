#include "viewer/checked_math.h"

#include <cmath>
#include <limits>

#include "render/status.h"

namespace viewer {
namespace {

float toFloat(double v, const char* where)
{
    if (std::isnan(v) || std::fabs(v) > double(std::numeric_limits<float>::max()))
        platform::raiseOverflow(where);
    return static_cast<float>(v);
}

}  // namespace

std::int16_t sub16(std::int16_t a, std::int16_t b)
{
    const int r = int(a) - int(b);
    if (r < std::numeric_limits<std::int16_t>::min() || r > std::numeric_limits<std::int16_t>::max())
        platform::raiseOverflow("Integer");
    return static_cast<std::int16_t>(r);
}

float divideToFloat(double a, double b)
{
    if (b == 0.0)
        platform::raiseDivisionByZero("/");
    return toFloat(a / b, "/");
}

float multiplyToFloat(double a, double b) { return toFloat(a * b, "*"); }

}  // namespace viewer
