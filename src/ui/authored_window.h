// The main window once it shows a user's file as the file describes it.
#pragma once

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <memory>

#include "ui/form1.h"
#include "viewer/authored_scene.h"

namespace ui {

// Form1, with the authored look for a user's file (a file named on the
// command line, dropped or opened from the desktop). Until
// useAuthoredLook() it is Form1 exactly; from then on Run, a list click and
// a drop load in the authored look. In that look the controls the file's own
// materials override (material colour, transparency, gloss, texture) are
// disabled; field of view, the lights and wireframe act as in the viewer's
// scene. The pop-up menu gains entries to pause and resume the animation and
// to choose among the file's animation sets.
class AuthoredWindow : public Form1 {
    Q_OBJECT
public:
    explicit AuthoredWindow(d3d::GraphicsRuntime& runtime, QWidget* parent = nullptr);
    ~AuthoredWindow() override;

    void useAuthoredLook();
    bool authoredLook() const { return authored_ != nullptr; }
    viewer::AuthoredScene* authoredScene() { return authored_.get(); }

    void Command1_Click() override;
    void Timer1_Timer() override;

protected:
    // A dropped model is shown in the authored look.
    void dropEvent(QDropEvent* event) override;

    // The pop-up menu's entries of the authored look, shown only there.
    QAction* mnuSeparator_ = nullptr;
    QAction* mnuPause_ = nullptr;
    QMenu* mnuSets_ = nullptr;

private:
    // Brings the pause entry and the list of sets in step with the model.
    void updateAnimationMenu();

    std::unique_ptr<viewer::AuthoredScene> authored_;
    QActionGroup* setsGroup_ = nullptr;
};

}  // namespace ui
