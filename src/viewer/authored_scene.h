// The window's scene when it shows a user's file as the file describes it:
// every group with its own material and texture, framed, the playing
// animation set moving in real time and looping, the model turning with the
// speed bars as in the viewer's scene.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "render/vb_direct3d8.h"
#include "viewer/authored_look.h"
#include "viewer/scene.h"
#include "viewer/scene_controls.h"

namespace viewer {

class AuthoredScene {
public:
    // `viewerScene` resolves names as the viewer's scene does (and ends the
    // program with the same message when a name finds nothing).
    AuthoredScene(SceneControls& controls, d3d::VBDirect3D8& module, Scene& viewerScene)
        : controls_(controls), module_(module), viewerScene_(viewerScene)
    {
    }

    // Run: loads the model Text1 names on a new device when it is not the
    // one shown, shows its face and vertex counts and starts the frame
    // timer. The other settings are read by every tick, so a click on one
    // shows without loading the model again.
    void Command1_Click();

    // One tick: the playing set posed at the time since it started (unless
    // paused), turned by the speed bars, drawn from the framed camera moved
    // by the camera bars, with the field of view and the lights of the
    // settings column, in wireframe when Check7 is set.
    void Timer1_Timer();

    bool loaded() const { return model_ != nullptr; }
    QStringList animationSets() const;
    int playing() const;
    // Plays set `index` (in file order) from its start.
    void play(int index);
    bool paused() const { return paused_; }
    void setPaused(bool paused);

    // What loading the model noted (textures not found, faults of its
    // frames, skins and animation), one line each.
    const QStringList& notes() const { return notes_; }

    // The camera's offset from the framed position for the camera bars, in
    // units of the framing sphere's radius: the bars' defaults give none.
    static d3d::D3DVECTOR cameraOffset(const SceneControls& controls);

private:
    double animationSeconds() const;

    SceneControls& controls_;
    d3d::VBDirect3D8& module_;
    Scene& viewerScene_;
    std::unique_ptr<AuthoredModel> model_;
    QString loadedPath_;
    QStringList notes_;
    double startedAt_ = 0;  // time of day at which the playing set started
    double pausedAt_ = 0;   // seconds into the set where it was paused
    bool paused_ = false;
};

}  // namespace viewer
