// Twips (1/1440 inch) to logical pixels, and the "#0.00" read-out format.
#pragma once

#include <QRect>
#include <QString>

namespace ui {

constexpr int kTwipsPerInch = 1440;

// twips × dpi / 1440, rounded to the nearest pixel.
int twipsToPixels(int twips, double dpi);

// A rectangle given in twips, with both edges rounded (not the width), so that
// controls that touch in twips touch in pixels.
QRect twipsToPixels(int left, int top, int width, int height, double dpi);

// The logical dots per inch of the primary screen (96 when none is known).
double logicalDpi();

// At least one digit before the point and exactly two after it, rounded half
// away from zero: 1 → "1.00", 200/30 → "6.67", 0 → "0.00".
QString formatReadout(double value);

}  // namespace ui
