// Transcendental functions built only from IEEE basic operations, so that
// they give the same bits on every machine. The C library picks different
// code paths per processor (with or without fused multiply-add), which can
// change the last bit of pow, log2 or cos from one machine to the next.
// Accurate to about 1e-15 relative, far below what 8-bit colours can show.
#pragma once

namespace d3d::ref {

// Natural logarithm of x > 0 (x ≤ 0 or NaN gives NaN, +∞ gives +∞).
double stableLog(double x);

// e^y; overflows to +∞ and underflows to 0.
double stableExp(double y);

// x^p for x ≥ 0, with x^0 = 1 for every x (0 included) and 0^p = 0 for p > 0.
double stablePow(double x, double p);

// log2(x) for x > 0.
double stableLog2(double x);

// cos(a) for |a| up to a few thousand radians (larger ones lose precision
// but stay deterministic).
double stableCos(double a);

}  // namespace d3d::ref
