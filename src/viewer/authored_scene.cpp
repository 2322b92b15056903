#include "viewer/authored_scene.h"

#include <QStringLiteral>
#include <algorithm>
#include <future>

#include "platform/background.h"
#include "platform/host_path.h"
#include "platform/services.h"
#include "render/status.h"

namespace viewer {
namespace {

// The camera bars' defaults: the framed view.
constexpr int kCameraZDefault = 990;
constexpr int kCameraYDefault = 103;
constexpr int kLookAtDefault = 25;

// Panel units to whole numbers for the aspect: only their ratio counts.
int aspectUnits(float units) { return std::max(1, int(units * 1000.0f + 0.5f)); }

}  // namespace

d3d::D3DVECTOR AuthoredScene::cameraOffset(const SceneControls& controls)
{
    // Camera Y lifts camera and view by a tenth of the radius a step; the
    // look-at height by a fiftieth (it moves a tenth as far in the viewer's
    // scene).
    const float y = 0.1f * float(controls.HScroll(11) - kCameraYDefault) +
                    0.02f * float(controls.HScroll(5) - kLookAtDefault);
    return {0, y, 0};
}

void AuthoredScene::Command1_Click()
{
    // The settings are read by each tick: only another file, or a model
    // not yet shown, needs a new device and loading.
    const QString name = controls_.Text1();
    if (model_ && name == loadedPath_) {
        controls_.enableTimer1();
        return;
    }
    const QString resolved = viewerScene_.ResolveAssetPath(name);
    const QString path = platform::hostPath(resolved);
    const QString found = platform::findFile(path).value_or(path);
    // The file is read on another core while this one makes the device;
    // its faults surface here, once the device is made.
    std::future<AuthoredFile> reading =
        platform::inBackground<AuthoredFile>([found] { return AuthoredFile(found); });
    if (module_.InitDevice(controls_.Picture1(), d3d::D3DDEVTYPE_HAL, false) == 0) {
        platform::messageBox(QStringLiteral("Direct3Dは使えません。"));
        return;
    }
    model_.reset();
    loadedPath_.clear();
    notes_.clear();
    model_ = std::make_unique<AuthoredModel>(module_, reading.get(), notes_);
    loadedPath_ = name;

    // The counts --info gives: the file's merged mesh.
    controls_.setLabel7(QStringLiteral("面の数は   ") + QString::number(model_->faceCount()));
    controls_.setLabel8(QStringLiteral("頂点の数は   ") + QString::number(model_->vertexCount()));
    paused_ = false;
    startedAt_ = platform::timeOfDay();
    controls_.enableTimer1();
    // The first frame now, not a timer's interval later.
    Timer1_Timer();
}

double AuthoredScene::animationSeconds() const
{
    if (paused_)
        return pausedAt_;
    // The clock starts again at midnight.
    double seconds = double(platform::timeOfDay()) - startedAt_;
    if (seconds < 0)
        seconds += 24 * 60 * 60;
    return seconds;
}

void AuthoredScene::Timer1_Timer()
{
    if (!model_)
        return;
    if (model_->animated())
        model_->poseAt(animationSeconds());
    const d3d::D3DMATRIX world = turning(controls_);
    d3d::check(module_.Device->SetRenderState(d3d::D3DRS_FILLMODE, controls_.Check(7) == 1
                                                                       ? d3d::D3DFILL_WIREFRAME
                                                                       : d3d::D3DFILL_SOLID),
               "SetRenderState (D3DRS_FILLMODE)");
    // The camera Z bar sets the distance as in the viewer's scene, where
    // the camera stands (1000 - bar) ÷ 10 model units away.
    const float distanceScale = std::max(1, 1000 - controls_.HScroll(10)) / float(1000 - kCameraZDefault);
    model_->draw(aspectUnits(controls_.Picture1Width()), aspectUnits(controls_.Picture1Height()), &world,
                 cameraOffset(controls_), distanceScale, &controls_);
}

QStringList AuthoredScene::animationSets() const { return model_ ? model_->animationSets() : QStringList(); }

int AuthoredScene::playing() const { return model_ ? model_->playing() : -1; }

void AuthoredScene::play(int index)
{
    if (!model_ || index < 0 || index >= model_->animationSets().size())
        return;
    model_->play(QString::number(index));
    startedAt_ = platform::timeOfDay();
    pausedAt_ = 0;
}

void AuthoredScene::setPaused(bool paused)
{
    if (paused == paused_)
        return;
    if (paused) {
        pausedAt_ = animationSeconds();
    } else {
        startedAt_ = double(platform::timeOfDay()) - pausedAt_;
    }
    paused_ = paused;
}

}  // namespace viewer
