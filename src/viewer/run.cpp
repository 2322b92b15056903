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

    // Directional light.
    if (controls_.Check(8) == 1) {
        const double strength = controls_.HScroll(6) / 30.0;
        module_.SetDirectionalLight(
            channel(strength, controls_.CheckArray(10, 0)), channel(strength, controls_.CheckArray(10, 1)),
            channel(strength, controls_.CheckArray(10, 2)), -1, -1, 1, kLightRange, 0);
    }

    // Ambient light.
    if (controls_.Check(9) == 1) {
        const double strength = controls_.HScroll(7) / 100.0;
        module_.SetAmbient(channel(strength, controls_.CheckArray(11, 0)),
                           channel(strength, controls_.CheckArray(11, 1)),
                           channel(strength, controls_.CheckArray(11, 2)));
    }

    LoadModel();
    SetupMaterial();

    controls_.enableTimer1();
}

}  // namespace viewer
