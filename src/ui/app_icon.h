// The program's own icon, drawn at any size in pixels; the window's icon
// holds 16, 32 and 48 and their doubles.
#pragma once

#include <QIcon>
#include <QImage>

namespace ui {

QImage appIconImage(int size);
QIcon appIcon();

}  // namespace ui
