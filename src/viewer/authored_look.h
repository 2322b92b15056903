// The model as its file describes it, for previews and thumbnails: every
// attribute group with its own material and texture, seen from the
// front-upper-left and framed on the model's bounding sphere so that any
// model, whatever its size, fills the same share of the picture. A model
// with skins or animation is shown posed: the playing animation set at a
// time, framed on the sphere that holds every pose of that set, so that the
// picture stays still while the model moves.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "render/vb_direct3d8.h"
#include "viewer/scene_controls.h"

namespace viewer {

// What a model file gives the authored look before any device is involved:
// its meshes, frames and animation read, its framing measured and its
// textures decoded. Made on any thread, so that a window can read the file
// on one core while it makes its device on another.
class AuthoredFile {
public:
    // Reads the model at `modelPath` (host spelling). A model that cannot
    // be read raises RuntimeError. A texture that cannot be found or read
    // leaves its group untextured and is noted, as are faults of the
    // model's frames, skins and animation.
    explicit AuthoredFile(const QString& modelPath);
    ~AuthoredFile();
    AuthoredFile(AuthoredFile&&) noexcept;
    AuthoredFile& operator=(AuthoredFile&&) noexcept;

private:
    friend class AuthoredModel;
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// A model loaded once onto module.Device (which must be set), to be posed
// and drawn at any number of times.
class AuthoredModel {
public:
    // Loads the model at `modelPath` (host spelling) and shows time 0 of
    // its first animation set (the rest pose when it has skins but no set).
    // A model that cannot be read or held raises RuntimeError. A texture
    // that cannot be found or read leaves its group untextured and adds a
    // line to `notes`, as do faults of its frames, skins and animation.
    AuthoredModel(d3d::VBDirect3D8& module, const QString& modelPath, QStringList& notes);
    // The same for a file already read; its notes are added to `notes`.
    AuthoredModel(d3d::VBDirect3D8& module, AuthoredFile file, QStringList& notes);
    ~AuthoredModel();
    AuthoredModel(const AuthoredModel&) = delete;
    AuthoredModel& operator=(const AuthoredModel&) = delete;

    // True when the model moves or is skinned; otherwise it is drawn as
    // the merged mesh and posing changes nothing.
    bool animated() const;
    // The face and vertex counts of the file's merged mesh, as --info gives them.
    std::size_t faceCount() const;
    std::size_t vertexCount() const;
    // The animation sets in file order, and the one that plays (-1: none).
    QStringList animationSets() const;
    int playing() const;
    double periodSeconds() const;

    // Plays the set that `nameOrIndex` names (its name, else its index in
    // file order) from time 0; an unknown set raises RuntimeError naming
    // the sets there are.
    void play(const QString& nameOrIndex);
    // Poses the model `seconds` into the playing set (looping).
    void poseAt(double seconds);

    // Draws one frame of a width × height back buffer. `modelRotation`, when
    // given, turns the model (the world matrix); `cameraOffset` moves the
    // camera and the point it looks at (in units of the framing sphere's radius);
    // `distanceScale` multiplies the camera's distance from that point.
    // `settings`, when given, chooses the lights as the viewer's settings
    // column does, and widens or narrows the field of view in proportion to
    // its field-of-view bar (its default keeps the framed view).
    void draw(int width, int height, const d3d::D3DMATRIX* modelRotation = nullptr,
              d3d::D3DVECTOR cameraOffset = {0, 0, 0}, float distanceScale = 1.0f,
              const SceneControls* settings = nullptr);

private:
    std::unique_ptr<AuthoredFile::Impl> impl_;
};

// One frame of the model at `modelPath`, posed `seconds` into the set that
// `animation` names (empty: the first), drawn on module.Device.
void drawAuthored(d3d::VBDirect3D8& module, const QString& modelPath, int width, int height,
                  QStringList& notes, double seconds = 0, const QString& animation = {});

}  // namespace viewer
