#include "ui/units.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace ui {

int twipsToPixels(int twips, double dpi)
{
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

QRect twipsToPixels(int left, int top, int width, int height, double dpi)
{
    const int x0 = twipsToPixels(left, dpi), y0 = twipsToPixels(top, dpi);
    const int x1 = twipsToPixels(left + width, dpi), y1 = twipsToPixels(top + height, dpi);
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

double logicalDpi()
{
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        if (QScreen* screen = app->primaryScreen())
            return screen->logicalDotsPerInchX();
    return 96.0;
}

QString formatReadout(double value)
{
    // Round on the value × 100 so that halves go away from zero, then print
    // the hundredths exactly.
    const long long hundredths = std::llround(value * 100.0);
    const long long whole = std::llabs(hundredths) / 100, frac = std::llabs(hundredths) % 100;
    return QStringLiteral("%1%2.%3")
        .arg(hundredths < 0 ? QStringLiteral("-") : QString())
        .arg(whole)
        .arg(frac, 2, 10, QLatin1Char('0'));
}

}  // namespace ui
