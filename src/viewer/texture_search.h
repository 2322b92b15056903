// Where the texture a model file names is on this machine. Files written on
// Windows name textures with "\" between folders, often as absolute paths
// of the author's machine, in any case, and in the code page of the
// author's system (CP932 for most Japanese tools).
#pragma once

#include <QString>
#include <optional>
#include <string>

namespace viewer {

// The name as text: UTF-8 when the bytes are valid UTF-8, else CP932.
QString decodeTextureName(const std::string& bytes);

// The file the name finds, without regard to case: the name as written,
// relative to `modelFolder`; else a file of the same name beside the model;
// else one below it (searched a few folders deep, a bounded number of
// entries, so a model at the top of a large tree costs little); else one in
// a Texture folder beside the model's folder, as the program's own models
// are delivered. Empty when none is found. Names follow platform::findFile:
// a file named exactly is found even when hidden (a leading dot); the search
// below the model's folder, a guess, passes over hidden entries.
std::optional<QString> findTexture(const QString& modelFolder, const QString& name);

}  // namespace viewer
