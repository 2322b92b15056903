// The render panel's native OpenGL window. A panel gets one child window that
// fills it and can hold an OpenGL surface; every hardware device made on the
// panel draws into that same window.
#pragma once

#include <QSurfaceFormat>

class QWidget;
class QWindow;

namespace d3d::gl {

// The context format every hardware device asks for: OpenGL 3.3 core with
// 8-bit colour channels. Depth lives in the device's own back buffer.
QSurfaceFormat deviceFormat();

// The OpenGL window inside `panel`, made on first use and kept as long as the
// panel lives. Never null.
QWindow* panelSurface(QWidget* panel);

// The panel's OpenGL window if one has been made, else null.
QWindow* existingPanelSurface(QWidget* panel);

}  // namespace d3d::gl
