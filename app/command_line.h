// The program's command line, read by Qt's conventions: long options with
// "--name value" or "--name=value", --help and --version, "--" before file
// names that begin with "-".
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "render_to_file.h"

namespace app {

enum class Mode { Viewer, Info, Render, Thumbnail, Help, Version, Invalid };

struct CommandLine {
    Mode mode = Mode::Viewer;
    // Help and Version: what to print on standard output. Invalid: one
    // sentence naming what is wrong.
    QString text;
    // Info: the files, byte for byte as given.
    std::vector<std::string> files;
    // Viewer: render.model is the file to show, or empty. Render and
    // Thumbnail: the whole request.
    RenderRequest render;
};

// Reads argv. Needs no application object.
CommandLine parseCommandLine(int argc, char** argv);

}  // namespace app
