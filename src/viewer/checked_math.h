// Arithmetic on control values as the language does it: 16-bit integer
// operations that overflow raise a run-time error instead of wrapping, and
// double-precision quotients that leave the float range raise one too.
#pragma once

#include <cstdint>

namespace viewer {

// a − b in 16 bits.
std::int16_t sub16(std::int16_t a, std::int16_t b);

// a ÷ b in double precision, rounded to a float.
float divideToFloat(double a, double b);

// a × b in double precision, rounded to a float.
float multiplyToFloat(double a, double b);

}  // namespace viewer
