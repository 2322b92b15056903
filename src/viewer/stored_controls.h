// Scene settings held without a window: every control at the value the main
// window starts with, changed by number. Headless renders build their scene
// from one of these, so they never create, resize or silence widgets.
#pragma once

#include <QString>
#include <map>
#include <utility>

#include "viewer/scene_controls.h"

namespace viewer {

class StoredControls : public SceneControls {
public:
    // Picture1's width and height in the window's inner coordinate units,
    // as the window would report them for the panel being drawn.
    StoredControls(float picture1Width, float picture1Height);

    d3d::HWND Picture1() override { return nullptr; }
    float Picture1Width() const override { return picture1Width_; }
    float Picture1Height() const override { return picture1Height_; }
    std::int16_t HScroll(int number) const override;
    std::int16_t Check(int number) const override;
    std::int16_t CheckArray(int number, int index) const override;
    QString Text1() const override { return text1_; }
    void setText1(const QString& text) override { text1_ = text; }
    QString Text2() const override { return text2_; }
    void setText2(const QString& text) override { text2_ = text; }
    void setLabel7(const QString&) override {}
    void setLabel8(const QString&) override {}
    void enableTimer1() override {}

    // Changes one control. Numbers the window does not have, and values
    // outside the control's range, throw std::invalid_argument.
    void setHScroll(int number, std::int16_t value);
    void setCheck(int number, std::int16_t value);
    void setCheckArray(int number, int index, std::int16_t value);

private:
    float picture1Width_, picture1Height_;
    QString text1_, text2_;
    std::map<int, std::int16_t> scrolls_;
    std::map<int, std::int16_t> checks_;
    std::map<std::pair<int, int>, std::int16_t> checkArrays_;
};

}  // namespace viewer
