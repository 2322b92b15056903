// box_2.x: a cube with rounded edges and corners, smooth-shaded, in a tilted
// frame.

#include "models.h"

#include "geometry/surface_grid.h"
#include "geometry/transforms.h"

#include <algorithm>
#include <array>
#include <numbers>

namespace xgen {

namespace {

constexpr double kFlatHalf = 0.4;   // half size of the flat part of each side
constexpr double kRounding = 0.15;  // edge radius

// Coordinates across one side of the enclosing cube: denser over the rounded
// bands, so that the curve is sampled by angle.
std::vector<double> sideCoordinates()
{
    constexpr int bandSteps = 4;
    std::vector<double> c;
    for (int k = 0; k <= bandSteps; ++k) {
        c.push_back(-kFlatHalf - kRounding * std::tan(std::numbers::pi / 4 * (1.0 - double(k) / bandSteps)));
    }
    c.push_back(0.0);
    for (int k = 0; k <= bandSteps; ++k) {
        c.push_back(kFlatHalf + kRounding * std::tan(std::numbers::pi / 4 * double(k) / bandSteps));
    }
    return c;
}

}  // namespace

Scene roundedBox()
{
    MeshBuilder box("RoundedBox");
    box.setMaterials({Material{.name = "Porcelain", .diffuse = {0.95, 0.92, 0.85, 1.0}, .power = 40.0}});
    const std::vector<double> c = sideCoordinates();
    const int steps = static_cast<int>(c.size()) - 1;
    const double outer = kFlatHalf + kRounding;
    const std::array<Vec3, 6> axes = {Vec3{1, 0, 0},  Vec3{-1, 0, 0}, Vec3{0, 1, 0},
                                      Vec3{0, -1, 0}, Vec3{0, 0, 1},  Vec3{0, 0, -1}};
    for (const Vec3& n : axes) {
        const Vec3 a = std::abs(n.x) > 0.5 ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
        const Vec3 b = cross(n, a);
        addSurfaceGrid(box, steps, steps, [&](int i, int j) {
            const Vec3 onCube = n * outer + a * c[i] + b * c[j];
            const Vec3 core{std::clamp(onCube.x, -kFlatHalf, kFlatHalf),
                            std::clamp(onCube.y, -kFlatHalf, kFlatHalf),
                            std::clamp(onCube.z, -kFlatHalf, kFlatHalf)};
            const Vec3 out = normalized(onCube - core);
            return SurfacePoint{core + out * kRounding, out, {double(i) / steps, double(j) / steps}};
        });
    }

    Frame frame;
    frame.name = "RoundedBoxFrame";
    frame.transform = rotationX(0.35) * rotationZ(0.2);
    frame.meshes.push_back(box.build());
    Scene scene;
    scene.frames.push_back(std::move(frame));
    return scene;
}

}  // namespace xgen
