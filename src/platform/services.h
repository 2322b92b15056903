// The services the program asks of its host: the modal message box, ending the
// program, the program's folder, whether a file exists, the time of day.
// Message box and end go through replaceable hooks so that tests can answer
// them without a person and without ending the test.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace platform {

// The application's title, the caption of every message box.
inline const QString kAppTitle = QStringLiteral("Orvane");

// Shows `text` in a modal box with one OK button and no icon, captioned with
// the application's title, centred over the main window and drawn in its
// font (one face for the whole text); returns when it is closed.
void messageBox(const QString& text);

// The window message boxes belong to; none until one is set, and none again
// once it is destroyed.
void setMainWindow(QWidget* window);

// Ends the program at once with `status`: no question, no window's unload
// handler runs. Does not return.
[[noreturn]] void endProgram(int status = 0);

// The folder that holds the program, in the host's own spelling.
QString programFolder();

// True when a regular file (not a folder) is found at `path`. A file named
// exactly counts whether hidden or not: on this system a leading dot keeps a
// file out of listings, not out of reach of a user who names it.
bool fileExists(const QString& path);

// Seconds since local midnight, with a fractional part.
float timeOfDay();

struct Hooks {
    std::function<void(const QString&)> messageBox;
    // Must not return; a test's hook throws to unwind instead.
    std::function<void(int)> endProgram;
    std::function<float()> timeOfDay;
};
// The hooks in force; empty members use the real service.
Hooks& hooks();

}  // namespace platform
