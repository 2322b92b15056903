// The main window's scene procedures: Run builds the whole scene from the
// controls on a new device; the frame timer turns and draws the model.
#pragma once

#include <QString>

#include "render/runtime.h"
#include "render/vb_direct3d8.h"
#include "viewer/scene_controls.h"

namespace viewer {

// Fixed values of the scene.
constexpr float kNearPlane = 1.0f;
constexpr float kFarPlane = 1000.0f;
constexpr float kLightRange = 1000.0f;

// The model's turn for the clock and the speed bars: World = RotX × RotY,
// each angle the time of day ÷ (speed bar ÷ 100) radians, or 0 where its
// axis is switched off.
d3d::D3DMATRIX turning(const SceneControls& controls);

// The lights the settings column asks for: the direct light's colour (its
// strength × each channel's check) and whether it is on, the same for the
// ambient light.
struct SceneLights {
    bool direct = false;
    float directColour[3] = {0, 0, 0};
    bool ambient = false;
    float ambientColour[3] = {0, 0, 0};
};
SceneLights sceneLights(const SceneControls& controls);

class Scene {
public:
    Scene(SceneControls& controls, d3d::VBDirect3D8& module) : controls_(controls), module_(module) {}

    // Run: a new device on Picture1, camera, projection, lights, model,
    // material, then the frame timer. Shows "Direct3Dは使えません。" and stops
    // when no device can be made. Failures of later steps raise RuntimeError.
    void Command1_Click();

    // One tick of the frame timer: World = RotX × RotY from the clock and the
    // speed bars, then RenderFrame.
    void Timer1_Timer();

    // The loaded model, replaced by every Run.
    d3d::MeshPtr ModelMesh;

    // The path to use for an asset name: the name itself when it finds a file
    // from the current folder, else the name below the program's folder.
    // Shows the not-found message and ends the program when neither does.
    QString ResolveAssetPath(QString name);
    // The name ResolveAssetPath last found nowhere, as given; empty if none.
    const QString& unresolvedName() const { return unresolved_; }

private:
    // Loads the model named in Text1 on the Device and shows its counts.
    void LoadModel();
    // Material, texture and render states of this Run.
    void SetupMaterial();

    // Clear to black, draw attribute group 0 of the model, present.
    void RenderFrame();

    SceneControls& controls_;
    d3d::VBDirect3D8& module_;
    bool framesHeld_ = false;  // set while the not-found message waits
    QString unresolved_;
};

}  // namespace viewer
