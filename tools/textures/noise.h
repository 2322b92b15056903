#pragma once

// Deterministic noise for the texture generators: the same seed draws the
// same image on every build host.

#include <cstdint>

namespace texgen {

// Uniform value in [0, 1) for an integer lattice point.
double latticeValue(std::uint32_t seed, int x, int y, int z);

// Smoothly interpolated value noise in [0, 1).
double valueNoise(std::uint32_t seed, double x, double y, double z);

// Sum of `octaves` layers of value noise, each at twice the frequency and
// half the weight of the one before, rescaled to [0, 1).
double fractalNoise(std::uint32_t seed, double x, double y, double z, int octaves);

double smoothstep(double edge0, double edge1, double x);
double mix(double a, double b, double t);

}  // namespace texgen
