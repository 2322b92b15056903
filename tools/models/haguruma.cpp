// haguruma.x: a spur gear with fourteen teeth, a raised hub and a bore. The
// file repeats the standard templates.

#include "models.h"

#include "geometry/extrusion.h"
#include "geometry/uv_mapping.h"

#include <numbers>

namespace xgen {

namespace {

constexpr int kTeeth = 14;
constexpr double kRootRadius = 0.78;
constexpr double kTipRadius = 0.98;
constexpr double kHubRadius = 0.34;
constexpr double kBoreRadius = 0.16;

// The toothed wheel between the hub and the teeth: for every outline point a
// point on the hub circle at the same angle, joined by quads.
PlanarShape toothedWheel()
{
    // Per tooth: angle (in pitches from the tooth centre) and radius.
    const double pitch = 2.0 * std::numbers::pi / kTeeth;
    const std::pair<double, double> profile[5] = {{-0.5, kRootRadius},
                                                  {-0.24, kRootRadius},
                                                  {-0.11, kTipRadius},
                                                  {0.11, kTipRadius},
                                                  {0.24, kRootRadius}};
    PlanarShape wheel;
    std::vector<std::uint32_t> outline;
    std::vector<std::uint32_t> hub;
    for (int t = 0; t < kTeeth; ++t) {
        for (const auto& [offset, radius] : profile) {
            const double a = (t + offset) * pitch;
            const Vec2 dir{std::cos(a), std::sin(a)};
            outline.push_back(static_cast<std::uint32_t>(wheel.points.size()));
            wheel.points.push_back(dir * radius);
            hub.push_back(static_cast<std::uint32_t>(wheel.points.size()));
            wheel.points.push_back(dir * kHubRadius);
        }
    }
    for (std::size_t k = 0; k < outline.size(); ++k) {
        const std::size_t next = (k + 1) % outline.size();
        wheel.caps.push_back({outline[k], outline[next], hub[next], hub[k]});
    }
    wheel.loops = {outline, hub};
    return wheel;
}

}  // namespace

Scene gear()
{
    MeshBuilder mesh("Haguruma");
    mesh.setMaterials({Material{
        .name = "Steel", .diffuse = {0.7, 0.72, 0.75, 1.0}, .power = 80.0, .specular = {0.9, 0.9, 0.9}}});
    const UvMapping uv = planarXY(-kTipRadius, -kTipRadius, 2 * kTipRadius, 2 * kTipRadius);
    addExtrusion(mesh, toothedWheel(), -0.1, 0.1, uv);
    addExtrusion(mesh, ringShape(kHubRadius, kBoreRadius, 40), -0.18, 0.18, uv);
    Scene scene;
    scene.declareTemplates = true;
    scene.meshes.push_back(mesh.build());
    return scene;
}

}  // namespace xgen
