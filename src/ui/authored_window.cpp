#include "ui/authored_window.h"

#include <QDropEvent>

namespace ui {

AuthoredWindow::AuthoredWindow(d3d::GraphicsRuntime& runtime, QWidget* parent) : Form1(runtime, parent)
{
    mnuSeparator_ = mnuMenu_->addSeparator();
    mnuPause_ = mnuMenu_->addAction(QStringLiteral("アニメーション停止(&P)"));
    mnuSets_ = new QMenu(QStringLiteral("アニメーションセット(&A)"), this);
    mnuMenu_->addMenu(mnuSets_);
    for (QAction* action : {mnuSeparator_, mnuPause_, mnuSets_->menuAction()})
        action->setVisible(false);
    connect(mnuPause_, &QAction::triggered, this, [this] {
        if (authored_) {
            authored_->setPaused(!authored_->paused());
            updateAnimationMenu();
        }
    });
}

AuthoredWindow::~AuthoredWindow() = default;

void AuthoredWindow::useAuthoredLook()
{
    if (authored_)
        return;
    authored_ = std::make_unique<viewer::AuthoredScene>(*this, module(), scene());
    // What the file's own materials decide.
    for (QWidget* control :
         std::initializer_list<QWidget*>{(*Check6_)[0], (*Check6_)[1], (*Check6_)[2], HScroll8_, HScroll9_,
                                         Check3_, Text2_, Combo1_, Command5_})
        control->setEnabled(false);
    for (QAction* action : {mnuSeparator_, mnuPause_, mnuSets_->menuAction()})
        action->setVisible(true);
    updateAnimationMenu();
}

void AuthoredWindow::Command1_Click()
{
    if (!authored_) {
        Form1::Command1_Click();
        return;
    }
    authored_->Command1_Click();
    updateAnimationMenu();
}

void AuthoredWindow::Timer1_Timer()
{
    if (!authored_) {
        Form1::Timer1_Timer();
        return;
    }
    authored_->Timer1_Timer();
}

void AuthoredWindow::dropEvent(QDropEvent* event)
{
    useAuthoredLook();
    Form1::dropEvent(event);
}

void AuthoredWindow::updateAnimationMenu()
{
    if (!authored_)
        return;
    const QStringList sets = authored_->animationSets();
    mnuPause_->setText(authored_->paused() ? QStringLiteral("アニメーション再開(&P)")
                                           : QStringLiteral("アニメーション停止(&P)"));
    mnuPause_->setEnabled(!sets.isEmpty());
    mnuSets_->clear();
    delete setsGroup_;
    setsGroup_ = new QActionGroup(mnuSets_);
    for (int i = 0; i < sets.size(); ++i) {
        const QString caption = sets[i].isEmpty() ? QStringLiteral("(名前なし %1)").arg(i + 1) : sets[i];
        QAction* action = mnuSets_->addAction(caption);
        action->setCheckable(true);
        action->setChecked(i == authored_->playing());
        setsGroup_->addAction(action);
        connect(action, &QAction::triggered, this, [this, i] {
            if (authored_) {
                authored_->play(i);
                updateAnimationMenu();
            }
        });
    }
    mnuSets_->setEnabled(!sets.isEmpty());
}

}  // namespace ui
