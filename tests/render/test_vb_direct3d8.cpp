// VBDirect3D8 against a scripted runtime: the fallback rules of device
// creation, the records it fills and the values it passes on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "render/d3dx_math.h"
#include "render/status.h"
#include "render/vb_direct3d8.h"
#include "scripted_runtime.h"

using namespace d3d;
using testing_support::ScriptedRuntime;

namespace {

// Window handles the scripted runtime only compares, never opens.
HWND window(std::uintptr_t id) { return reinterpret_cast<HWND>(id * 64); }

class VBDirect3D8Test : public ::testing::Test {
protected:
    ScriptedRuntime runtime;
    VBDirect3D8 module{runtime};
    HWND panel = window(1);
};

}  // namespace

TEST_F(VBDirect3D8Test, FillsThePresentParametersForTheWindowedPanel)
{
    EXPECT_EQ(module.InitDevice(panel, D3DDEVTYPE_HAL, false), D3DDEVTYPE_HAL);
    ASSERT_EQ(runtime.createCalls.size(), 1u);
    const auto& call = runtime.createCalls[0];
    EXPECT_EQ(call.type, D3DDEVTYPE_HAL);
    EXPECT_EQ(call.flags, 0x20u);
    const D3DPRESENT_PARAMETERS& p = call.params;
    EXPECT_EQ(p.BackBufferWidth, 0u);
    EXPECT_EQ(p.BackBufferHeight, 0u);
    EXPECT_EQ(p.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(p.BackBufferCount, 1u);
    EXPECT_EQ(p.MultiSampleType, 0u);
    EXPECT_EQ(p.SwapEffect, D3DSWAPEFFECT_COPY_VSYNC);
    EXPECT_EQ(p.hDeviceWindow, panel);
    EXPECT_EQ(p.Windowed, 1);
    EXPECT_EQ(p.EnableAutoDepthStencil, 1);
    EXPECT_EQ(p.AutoDepthStencilFormat, D3DFMT_D16);
    EXPECT_EQ(p.Flags, 0u);
    EXPECT_EQ(p.FullScreen_RefreshRateInHz, 0u);
    EXPECT_EQ(p.FullScreen_PresentationInterval, 0u);
    EXPECT_EQ(module.Device, runtime.lastDevice());
}

TEST_F(VBDirect3D8Test, LockableSetsTheFlag)
{
    module.InitDevice(panel, D3DDEVTYPE_HAL, true);
    EXPECT_EQ(runtime.createCalls.at(0).params.Flags, 1u);
}

TEST_F(VBDirect3D8Test, FocusWindowIsTheOutermostContainerAndThePanelStaysTheDeviceWindow)
{
    const HWND frame = window(2), form = window(3);
    runtime.parents = {{panel, frame}, {frame, form}};
    module.InitDevice(panel, D3DDEVTYPE_HAL, false);
    EXPECT_EQ(runtime.createCalls.at(0).focus, form);
    EXPECT_EQ(runtime.createCalls.at(0).params.hDeviceWindow, panel);
}

TEST_F(VBDirect3D8Test, FallsBackToTheReferenceRasteriser)
{
    runtime.createDeviceResults = {D3DERR_NOTAVAILABLE};
    EXPECT_EQ(module.InitDevice(panel, D3DDEVTYPE_HAL, false), D3DDEVTYPE_REF);
    ASSERT_EQ(runtime.createCalls.size(), 2u);
    EXPECT_EQ(runtime.createCalls[1].type, D3DDEVTYPE_REF);
    EXPECT_EQ(runtime.createCalls[1].flags, 0x20u);
    EXPECT_EQ(module.Device, runtime.lastDevice());
    EXPECT_EQ(runtime.lastDevice()->type, D3DDEVTYPE_REF);
}

TEST_F(VBDirect3D8Test, BothAttemptsFailingOnTheFirstCallGivesZero)
{
    runtime.createDeviceResults = {D3DERR_NOTAVAILABLE, D3DERR_NOTAVAILABLE};
    EXPECT_EQ(module.InitDevice(panel, D3DDEVTYPE_HAL, false), 0);
    EXPECT_FALSE(module.Device);
}

TEST_F(VBDirect3D8Test, AskingForTheReferenceDeviceMakesNoSecondAttempt)
{
    runtime.createDeviceResults = {D3DERR_NOTAVAILABLE};
    EXPECT_EQ(module.InitDevice(panel, D3DDEVTYPE_REF, false), 0);
    EXPECT_EQ(runtime.createCalls.size(), 1u);
}

TEST_F(VBDirect3D8Test, NoDirect3DObjectMakesEveryLaterStepFailWithoutAnError)
{
    runtime.direct3DCreateFails = true;
    EXPECT_NO_THROW(EXPECT_EQ(module.InitDevice(panel, D3DDEVTYPE_HAL, false), 0));
    EXPECT_TRUE(runtime.createCalls.empty());
    EXPECT_FALSE(module.Direct3DObject);
}

TEST_F(VBDirect3D8Test, AFailedDirect3DObjectKeepsThePreviousOne)
{
    module.InitDevice(panel, D3DDEVTYPE_HAL, false);
    const Direct3DPtr first = module.Direct3DObject;
    runtime.direct3DCreateFails = true;
    EXPECT_EQ(module.InitDevice(panel, D3DDEVTYPE_HAL, false), D3DDEVTYPE_HAL);
    EXPECT_EQ(module.Direct3DObject, first);
    // The earlier object still makes devices.
    EXPECT_EQ(runtime.devices.size(), 2u);
}

TEST_F(VBDirect3D8Test, AFailedDisplayModeQueryLeavesTheFormatZero)
{
    runtime.displayModeResult = D3DERR_INVALIDCALL;
    module.InitDevice(panel, D3DDEVTYPE_HAL, false);
    EXPECT_EQ(runtime.createCalls.at(0).params.BackBufferFormat, D3DFMT_UNKNOWN);
}

TEST_F(VBDirect3D8Test, AFailedFirstAttemptFallsBackEvenWhileAnEarlierDeviceIsHeld)
{
    // A host without OpenGL: every hardware attempt fails. Each call must
    // still end on a device of its own, or nothing switched off would show.
    runtime.createDeviceResults = {D3DERR_NOTAVAILABLE, D3D_OK, D3DERR_NOTAVAILABLE, D3D_OK};
    EXPECT_EQ(module.InitDevice(panel, D3DDEVTYPE_HAL, false), D3DDEVTYPE_REF);
    const DevicePtr earlier = module.Device;
    EXPECT_EQ(module.InitDevice(panel, D3DDEVTYPE_HAL, false), D3DDEVTYPE_REF);
    ASSERT_EQ(runtime.createCalls.size(), 4u);
    EXPECT_EQ(runtime.createCalls[3].type, D3DDEVTYPE_REF);
    EXPECT_NE(module.Device, earlier);
    EXPECT_EQ(module.Device, runtime.devices.back());
}

TEST_F(VBDirect3D8Test, AnEarlierDeviceSurvivesOnlyWhenBothAttemptsFail)
{
    module.InitDevice(panel, D3DDEVTYPE_HAL, false);
    const DevicePtr earlier = module.Device;
    runtime.createDeviceResults = {D3DERR_NOTAVAILABLE, D3DERR_NOTAVAILABLE};
    EXPECT_EQ(module.InitDevice(panel, D3DDEVTYPE_HAL, false), D3DDEVTYPE_REF);
    EXPECT_EQ(runtime.createCalls.size(), 3u);
    EXPECT_EQ(module.Device, earlier);
}

TEST_F(VBDirect3D8Test, EachCallMakesANewObjectAndReplacesTheDevice)
{
    module.InitDevice(panel, D3DDEVTYPE_HAL, false);
    std::weak_ptr<IDirect3DDevice8> first = module.Device;
    runtime.devices.clear();  // the test's own references
    module.InitDevice(panel, D3DDEVTYPE_HAL, false);
    EXPECT_EQ(runtime.direct3DObjects, 2);
    EXPECT_TRUE(first.expired()) << "the replaced device is released with its last reference";
}

TEST_F(VBDirect3D8Test, ProjectionUsesTheTruncatedPi)
{
    module.InitDevice(panel, D3DDEVTYPE_HAL, false);
    module.SetProjection(1.0f, 90.0f, 1.0f, 1000.0f);
    const float fovY = float(90.0 * 3.141592 / 180.0);
    EXPECT_FLOAT_EQ(fovY, 1.570796f);
    const D3DMATRIX expected = D3DXMatrixPerspectiveFovLH(1.570796f, 1.0f, 1.0f, 1000.0f);
    const D3DMATRIX& actual = runtime.lastDevice()->projection();
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(actual.m[i / 4][i % 4], expected.m[i / 4][i % 4]);
}

TEST_F(VBDirect3D8Test, ViewIsTheLookAtMatrix)
{
    module.InitDevice(panel, D3DDEVTYPE_HAL, false);
    module.SetView({0, 3, -10}, {0, 0, 0}, {0, 1, 0});
    const D3DMATRIX expected = D3DXMatrixLookAtLH({0, 3, -10}, {0, 0, 0}, {0, 1, 0});
    EXPECT_EQ(0, std::memcmp(&runtime.lastDevice()->view(), &expected, sizeof expected));
}

TEST_F(VBDirect3D8Test, DirectionalLightRecord)
{
    module.InitDevice(panel, D3DDEVTYPE_HAL, false);
    module.SetDirectionalLight(6.6666665f, 0, 1, -1, -1, 1, 1000, 0);
    module.SetDirectionalLight(0.5f, 0.25f, 1, -1, -1, 1, 1000, 0);
    const auto& lights = runtime.lastDevice()->lights();
    int enabled = 0;
    for (const auto& slot : lights)
        enabled += slot.enabled;
    EXPECT_EQ(enabled, 1);
    ASSERT_TRUE(lights[0].enabled);
    const D3DLIGHT8& l = lights[0].light;
    EXPECT_EQ(l.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_FLOAT_EQ(l.Diffuse.r, 0.5f);
    EXPECT_FLOAT_EQ(l.Diffuse.g, 0.25f);
    EXPECT_FLOAT_EQ(l.Diffuse.b, 1.0f);
    EXPECT_FLOAT_EQ(l.Diffuse.a, 1.0f);
    EXPECT_FLOAT_EQ(l.Specular.r, 1.0f);
    EXPECT_FLOAT_EQ(l.Specular.a, 1.0f);
    EXPECT_FLOAT_EQ(l.Ambient.r + l.Ambient.g + l.Ambient.b + l.Ambient.a, 0.0f);
    EXPECT_FLOAT_EQ(l.Position.x + l.Position.y + l.Position.z, 0.0f);
    EXPECT_FLOAT_EQ(l.Direction.x, -1);
    EXPECT_FLOAT_EQ(l.Direction.y, -1);
    EXPECT_FLOAT_EQ(l.Direction.z, 1);
    EXPECT_FLOAT_EQ(l.Range, 1000);
    EXPECT_FLOAT_EQ(l.Falloff + l.Attenuation0 + l.Attenuation1 + l.Attenuation2 + l.Theta + l.Phi, 0.0f);
}

TEST_F(VBDirect3D8Test, AmbientAndClearPackOpaqueColours)
{
    module.InitDevice(panel, D3DDEVTYPE_HAL, false);
    module.SetAmbient(0.1f, 0.1f, 0.1f);
    EXPECT_EQ(runtime.lastDevice()->renderState(D3DRS_AMBIENT), 0xFF191919u);
    module.ClearFrame(0, 0, 0);
    ASSERT_EQ(runtime.lastDevice()->clears.size(), 1u);
    const auto& c = runtime.lastDevice()->clears[0];
    EXPECT_EQ(c.rectCount, 0u);
    EXPECT_EQ(c.flags, 3u);
    EXPECT_EQ(c.color, 0xFF000000u);
    EXPECT_EQ(c.z, 1.0f);
    EXPECT_EQ(c.stencil, 0u);
    module.PresentFrame(nullptr);
    EXPECT_EQ(runtime.lastDevice()->presents, std::vector<HWND>{nullptr});
}

TEST_F(VBDirect3D8Test, FailingStatusesBecomeRuntimeErrorsWithTheirCode)
{
    module.InitDevice(panel, D3DDEVTYPE_HAL, false);
    runtime.failures["Clear"] = D3DERR_INVALIDCALL;
    try {
        module.ClearFrame(0, 0, 0);
        FAIL() << "a failing Clear must raise";
    } catch (const platform::RuntimeError& e) {
        EXPECT_EQ(e.code(), D3DERR_INVALIDCALL);
        EXPECT_EQ(e.codeText(), "-2005530516 (8876086c)");
        EXPECT_NE(e.description().find("Clear"), std::string::npos);
        EXPECT_NE(e.description().find("D3DERR_INVALIDCALL"), std::string::npos);
        EXPECT_EQ(e.message().rfind("実行時エラー '-2005530516 (8876086c)':", 0), 0u);
    }
    runtime.failures["SetLight"] = E_FAIL;
    EXPECT_THROW(module.SetDirectionalLight(1, 1, 1, -1, -1, 1, 1000, 0), platform::RuntimeError);
}
