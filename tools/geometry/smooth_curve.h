#pragma once

#include "xwriter/vec.h"

#include <vector>

namespace xgen {

// Catmull-Rom curve through `controls` (end points included), with
// `samplesPerSpan` points per span between neighbouring controls.
std::vector<Vec2> smoothCurve(const std::vector<Vec2>& controls, int samplesPerSpan);

}  // namespace xgen
