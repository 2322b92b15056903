// The program's own icon, drawn at 16, 32 and 48 pixels.
#pragma once

#include <QIcon>
#include <QImage>

namespace ui {

QImage appIconImage(int size);
QIcon appIcon();

}  // namespace ui
