#pragma once

// Shared helpers for the per-pixel painters: colours as doubles, and the
// mapping of equirectangular images onto the unit sphere.

#include <QImage>

#include <functional>

namespace texgen {

struct Rgb {
    double r = 0, g = 0, b = 0;  // 0..255
};

Rgb mix(const Rgb& a, const Rgb& b, double t);
Rgb scaled(const Rgb& c, double factor);

struct SpherePoint {
    double x, y, z;    // unit vector, y towards the north pole
    double latitude;   // radians, +pi/2 at the top row
    double longitude;  // radians, -pi at the left edge
};

// Calls `shade` for every pixel of a width x height image.
QImage paint(int width, int height, const std::function<Rgb(int x, int y)>& shade);

// As paint(), with the pixel's point on the sphere of a longitude/latitude map.
QImage paintSphere(int width, int height, const std::function<Rgb(const SpherePoint&)>& shade);

}  // namespace texgen
