// Run: the one way a setting reaches the screen. Every pass builds the scene
// from scratch on a new device; whatever a pass does not set keeps the new
// device's default, which is how switching something off takes effect.
#include <QStringLiteral>

#include "platform/services.h"
#include "render/d3d8_types.h"
#include "viewer/checked_math.h"
#include "viewer/scene.h"

namespace viewer {
namespace {

// A light or ambient channel: strength × the channel's check value.
float channel(double strength, std::int16_t checkValue) { return multiplyToFloat(strength, checkValue); }

}  // namespace

SceneLights sceneLights(const SceneControls& controls)
{
    SceneLights lights;
    lights.direct = controls.Check(8) == 1;
    if (lights.direct) {
        const double strength = controls.HScroll(6) / 30.0;
        for (int i = 0; i < 3; ++i)
            lights.directColour[i] = channel(strength, controls.CheckArray(10, i));
    }
    lights.ambient = controls.Check(9) == 1;
    if (lights.ambient) {
        const double strength = controls.HScroll(7) / 100.0;
        for (int i = 0; i < 3; ++i)
            lights.ambientColour[i] = channel(strength, controls.CheckArray(11, i));
    }
    return lights;
}

void Scene::Command1_Click()
{
    using d3d::VBDirect3D8;

    if (module_.InitDevice(controls_.Picture1(), d3d::D3DDEVTYPE_HAL, false) == 0) {
        platform::messageBox(QStringLiteral("Direct3Dは使えません。"));
        return;
    }

    // Camera.
    const auto eye =
        VBDirect3D8::MakeVector(0, sub16(controls_.HScroll(11), 100), sub16(controls_.HScroll(10), 1000));
    const auto at = VBDirect3D8::MakeVector(0, divideToFloat(sub16(controls_.HScroll(5), 25), 10), 0);
    const auto up = VBDirect3D8::MakeVector(0, 1, 0);
    module_.SetView(eye, at, up);

    // Projection: the aspect is height over width, as the panel reports them.
    const float aspect = divideToFloat(controls_.Picture1Height(), controls_.Picture1Width());
    module_.SetProjection(aspect, controls_.HScroll(4), kNearPlane, kFarPlane);

    // Directional and ambient light.
    const SceneLights lights = sceneLights(controls_);
    if (lights.direct)
        module_.SetDirectionalLight(lights.directColour[0], lights.directColour[1], lights.directColour[2],
                                    -1, -1, 1, kLightRange, 0);
    if (lights.ambient)
        module_.SetAmbient(lights.ambientColour[0], lights.ambientColour[1], lights.ambientColour[2]);

    LoadModel();
    SetupMaterial();

    controls_.enableTimer1();
}

}  // namespace viewer
