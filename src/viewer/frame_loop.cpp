// The frame loop: each tick turns the model to the pose the clock gives and
// draws one frame. The pose depends only on the time of day and the current
// speed bars, never on the previous frame; a tick creates no device objects.
#include "platform/services.h"
#include "render/d3dx_math.h"
#include "render/status.h"
#include "viewer/checked_math.h"
#include "viewer/scene.h"

namespace viewer {
namespace {

// The angle about one axis: time of day ÷ (speed bar ÷ 100) radians, or 0
// when the axis is switched off. The clock is read once per axis.
float axisAngle(std::int16_t enabled, std::int16_t speedBar)
{
    if (enabled != 1)
        return 0.0f;
    const double divisor = speedBar / 100.0;
    const double seconds = platform::timeOfDay();
    return divideToFloat(seconds, divisor);
}

}  // namespace

d3d::D3DMATRIX turning(const SceneControls& controls)
{
    const d3d::D3DMATRIX rotY = d3d::D3DXMatrixRotationY(axisAngle(controls.Check(1), controls.HScroll(1)));
    const d3d::D3DMATRIX rotX = d3d::D3DXMatrixRotationX(axisAngle(controls.Check(2), controls.HScroll(2)));
    return d3d::D3DXMatrixMultiply(rotX, rotY);
}

void Scene::Timer1_Timer()
{
    if (framesHeld_)
        return;
    d3d::check(module_.Device->SetTransform(d3d::D3DTS_WORLD, turning(controls_)),
               "SetTransform (D3DTS_WORLD)");
    RenderFrame();
}

void Scene::RenderFrame()
{
    module_.ClearFrame(0, 0, 0);
    d3d::check(module_.Device->BeginScene(), "BeginScene");
    d3d::check(ModelMesh->DrawSubset(0), "DrawSubset");
    d3d::check(module_.Device->EndScene(), "EndScene");
    module_.PresentFrame(nullptr);
}

}  // namespace viewer
