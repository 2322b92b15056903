// What the scene procedures read from and write to the main window. The
// window's controls are the only store of settings; the scene reads them
// afresh on every pass. Controls are named as on the window.
#pragma once

#include <QString>
#include <cstdint>

#include "render/d3d8_types.h"

namespace viewer {

class SceneControls {
public:
    virtual ~SceneControls() = default;

    // Picture1: the render panel's window and its size in the window's inner
    // coordinate units.
    virtual d3d::HWND Picture1() = 0;
    virtual float Picture1Width() const = 0;
    virtual float Picture1Height() const = 0;

    // HScroll<number>.Value, Check<number>.Value, and Check<number>(index).Value
    // for the control arrays 6, 10 and 11.
    virtual std::int16_t HScroll(int number) const = 0;
    virtual std::int16_t Check(int number) const = 0;
    virtual std::int16_t CheckArray(int number, int index) const = 0;

    virtual QString Text1() const = 0;
    virtual void setText1(const QString& text) = 0;
    virtual QString Text2() const = 0;
    virtual void setText2(const QString& text) = 0;

    virtual void setLabel7(const QString& caption) = 0;
    virtual void setLabel8(const QString& caption) = 0;

    // Timer1.Enabled = True (the frame timer, 30 ms).
    virtual void enableTimer1() = 0;
};

}  // namespace viewer
