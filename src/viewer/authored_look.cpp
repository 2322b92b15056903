#include "viewer/authored_look.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <map>
#include <memory>
#include <thread>

#include "platform/runtime_error.h"
#include "pose/pose.h"
#include "render/resource_factory.h"
#include "render/status.h"
#include "render/texture_loader.h"
#include "viewer/scene.h"
#include "viewer/stored_controls.h"
#include "viewer/texture_search.h"
#include "xfile/xfile.h"

namespace viewer {
namespace {

// The share of the picture's shorter side the bounding sphere spans.
constexpr float kFill = 0.8f;
constexpr float kFovDegrees = 30.0f;
constexpr float kBackground = 0.5f;
// Towards the camera from the model's centre: left, up and to the front
// (the viewer looks along +z).
constexpr d3d::D3DVECTOR kTowardsCamera = {-0.5f, 0.5f, -1.0f};

d3d::D3DVECTOR operator-(d3d::D3DVECTOR a, d3d::D3DVECTOR b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
d3d::D3DVECTOR operator+(d3d::D3DVECTOR a, d3d::D3DVECTOR b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
d3d::D3DVECTOR operator*(d3d::D3DVECTOR a, float s) { return {a.x * s, a.y * s, a.z * s}; }
d3d::D3DVECTOR cross(d3d::D3DVECTOR a, d3d::D3DVECTOR b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float length(d3d::D3DVECTOR a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }
d3d::D3DVECTOR normalized(d3d::D3DVECTOR a)
{
    const float l = length(a);
    return l > 0 ? a * (1.0f / l) : a;
}

// The sphere a model is framed on: centred on the middle of the box of its
// vertices, reaching its farthest one. Only vertices that a face uses count
// (exporters leave stray ones behind), and those that are not finite
// numbers are left out of the measure. Several poses of one model widen it
// to hold them all.
class Bounds {
public:
    explicit Bounds(const std::vector<std::uint32_t>& indices, std::size_t vertexCount)
        : used_(vertexCount, false)
    {
        for (const std::uint32_t i : indices)
            if (i < used_.size())
                used_[i] = true;
    }

    // First pass over every pose: the box.
    void addToBox(const std::vector<float>& positions)
    {
        for (std::size_t v = 0; v < used_.size(); ++v)
            if (measured(positions, v))
                for (int k = 0; k < 3; ++k) {
                    lo_[k] = std::min(lo_[k], double(positions[3 * v + k]));
                    hi_[k] = std::max(hi_[k], double(positions[3 * v + k]));
                }
        for (int k = 0; k < 3; ++k)
            centre_[k] = (lo_[k] + hi_[k]) / 2;
    }
    // Second pass: the farthest vertex from the box's middle.
    void addToRadius(const std::vector<float>& positions)
    {
        for (std::size_t v = 0; v < used_.size(); ++v)
            if (measured(positions, v)) {
                const double dx = positions[3 * v] - centre_[0], dy = positions[3 * v + 1] - centre_[1],
                             dz = positions[3 * v + 2] - centre_[2];
                r2_ = std::max(r2_, dx * dx + dy * dy + dz * dz);
            }
    }

    // Moves and scales `positions` so that the sphere becomes the unit
    // sphere about the origin. The device then works with numbers near 1
    // whatever the model's size (lighting squares lengths, which would leave
    // the float range for sizes near 1e19 or 1e-19).
    void placeInUnitSphere(std::vector<float>& positions) const
    {
        if (lo_[0] > hi_[0])
            return;
        // A model that is a single point keeps its size.
        const double radius = r2_ > 0 ? std::sqrt(r2_) : 1.0;
        for (std::size_t i = 0; i < positions.size(); ++i)
            positions[i] = float((positions[i] - centre_[i % 3]) / radius);
    }

private:
    bool measured(const std::vector<float>& positions, std::size_t v) const
    {
        return used_[v] && std::isfinite(positions[3 * v]) && std::isfinite(positions[3 * v + 1]) &&
               std::isfinite(positions[3 * v + 2]);
    }

    std::vector<bool> used_;
    double lo_[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi_[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    double centre_[3] = {0, 0, 0};
    double r2_ = 0;
};

// Files without normals would be lit by the ambient term alone: give each
// vertex the area-weighted mean of its faces' normals instead. In double
// precision, so that neither tiny nor huge models lose them.
void addMissingNormals(xfile::MeshData& mesh)
{
    if (!mesh.normals.empty())
        return;
    std::vector<double> sums(mesh.positions.size(), 0.0);
    auto edge = [&](std::uint32_t from, std::uint32_t to, int k) {
        return double(mesh.positions[3 * to + k]) - double(mesh.positions[3 * from + k]);
    };
    for (std::size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
        const std::uint32_t a = mesh.indices[i], b = mesh.indices[i + 1], c = mesh.indices[i + 2];
        // Front faces wind clockwise in a left-handed space: (b − a) × (c − a)
        // points out of them.
        const double u[3] = {edge(a, b, 0), edge(a, b, 1), edge(a, b, 2)};
        const double v[3] = {edge(a, c, 0), edge(a, c, 1), edge(a, c, 2)};
        const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        for (std::uint32_t corner : {a, b, c})
            for (int k = 0; k < 3; ++k)
                sums[3 * corner + k] += n[k];
    }
    mesh.normals.assign(sums.size(), 0.0f);
    for (std::size_t v = 0; v + 2 < sums.size(); v += 3) {
        const double length =
            std::sqrt(sums[v] * sums[v] + sums[v + 1] * sums[v + 1] + sums[v + 2] * sums[v + 2]);
        if (length > 0 && std::isfinite(length))
            for (int k = 0; k < 3; ++k)
                mesh.normals[v + k] = float(sums[v + k] / length);
    }
}

// A frame that mirrors its mesh turns every face's winding around while the
// file's normals keep pointing out, so culling would show the inside of the
// model. Faces whose winding disagrees with their corners' normals are turned
// back; a face written twice, once for each side, keeps both.
void windFacesWithTheirNormals(xfile::MeshData& mesh)
{
    if (mesh.normals.empty())
        return;
    auto at = [&](const std::vector<float>& values, std::uint32_t v, int k) {
        return double(values[3 * v + k]);
    };
    for (std::size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
        const std::uint32_t a = mesh.indices[i], b = mesh.indices[i + 1], c = mesh.indices[i + 2];
        double u[3], v[3], n[3];
        for (int k = 0; k < 3; ++k) {
            u[k] = at(mesh.positions, b, k) - at(mesh.positions, a, k);
            v[k] = at(mesh.positions, c, k) - at(mesh.positions, a, k);
            n[k] = at(mesh.normals, a, k) + at(mesh.normals, b, k) + at(mesh.normals, c, k);
        }
        // (b − a) × (c − a) points out of a face wound clockwise.
        const double facing = (u[1] * v[2] - u[2] * v[1]) * n[0] + (u[2] * v[0] - u[0] * v[2]) * n[1] +
                              (u[0] * v[1] - u[1] * v[0]) * n[2];
        if (facing < 0)
            std::swap(mesh.indices[i + 1], mesh.indices[i + 2]);
    }
}

struct GroupLook {
    std::uint32_t attribute;
    d3d::D3DMATERIAL8 material;
    QString textureKey;  // empty: the group has no texture
    d3d::TexturePtr texture;
    bool translucent;
};

d3d::D3DMATERIAL8 toMaterial(const xfile::Material& m)
{
    d3d::D3DMATERIAL8 out{};
    out.Diffuse = {m.diffuse[0], m.diffuse[1], m.diffuse[2], m.diffuse[3]};
    // A file's material has no ambient colour; lit by the ambient light, a
    // surface shows its diffuse colour, as model viewers have always set it.
    out.Ambient = {m.diffuse[0], m.diffuse[1], m.diffuse[2], 1.0f};
    out.Specular = {m.specular[0], m.specular[1], m.specular[2], m.specular[3]};
    out.Emissive = {m.emissive[0], m.emissive[1], m.emissive[2], m.emissive[3]};
    out.Power = m.power;
    // Writers put alpha 0 where they mean nothing by it (the stand-in
    // material of a file without materials has it too): such a group would
    // vanish, so it is drawn opaque.
    if (!(out.Diffuse.a > 0.0f) || out.Diffuse.a > 1.0f)
        out.Diffuse.a = 1.0f;
    return out;
}

}  // namespace

class AuthoredFile::Impl {
public:
    // Everything that needs no device: the file read, its framing measured,
    // its textures decoded.
    explicit Impl(const QString& modelPath)
    {
        xfile::MeshData data;
        xfile::Scene scene;
        xfile::LoadError error;
        if (!xfile::loadSceneFile(QFile::encodeName(modelPath).toStdString(), data, scene, error))
            d3d::check(d3d::D3DXERR_INVALIDDATA, "D3DXLoadMeshFromX",
                       modelPath.toStdString() + ": " + error.message);
        faceCount_ = data.faceCount();
        vertexCount_ = data.vertexCount();
        windFacesWithTheirNormals(data);
        addMissingNormals(data);
        path_ = modelPath.toStdString();
        rig_ = std::make_unique<pose::Rig>(scene, data);
        if (rig_->animated()) {
            for (const std::string& warning : rig_->warnings())
                notes_ << QString::fromStdString(warning);
            base_ = data;
            frame(rig_->clips().empty() ? std::size_t(pose::kNone) : pose::kDefaultSet);
        } else {
            // Nothing moves: the merged mesh as it is, framed on itself.
            rig_.reset();
            Bounds bounds(data.indices, data.vertexCount());
            bounds.addToBox(data.positions);
            bounds.addToRadius(data.positions);
            bounds.placeInUnitSphere(data.positions);
        }

        const QString folder = QFileInfo(modelPath).path();
        for (const xfile::MeshData::Group& group : data.groups) {
            const xfile::Material plain;
            const xfile::Material& m =
                group.attribute < data.materials.size() ? data.materials[group.attribute] : plain;
            groups_.push_back(
                {group.attribute, toMaterial(m), readTexture(folder, m.textureFilename), nullptr, false});
        }
        if (!rig_)
            still_ = std::move(data);
    }

    // Puts the mesh in its first pose and the textures on module.Device,
    // and adds what reading noted to `notes`.
    void attach(d3d::VBDirect3D8& module, QStringList& notes)
    {
        notes << notes_;
        notes_.clear();
        module_ = &module;
        factory_ = dynamic_cast<d3d::ResourceFactory*>(module.Device.get());
        if (!factory_)
            d3d::check(d3d::D3DERR_INVALIDCALL, "D3DXLoadMeshFromX",
                       path_ + ": the device cannot hold the mesh");
        for (auto& [path, decoded] : textures_) {
            if (decoded.levels.levels.empty())
                continue;
            if (d3d::FAILED(factory_->CreateTextureFromLevels(decoded.levels.levels, decoded.levels.hasAlpha,
                                                              decoded.texture))) {
                notes << QStringLiteral("texture not drawn: %1: the device cannot hold it").arg(path);
                decoded.texture = nullptr;
            }
            // The device holds its own copy.
            decoded.levels.levels.clear();
        }
        for (GroupLook& group : groups_) {
            const auto decoded = textures_.find(group.textureKey);
            if (decoded != textures_.end() && decoded->second.texture) {
                group.texture = decoded->second.texture;
                group.translucent = decoded->second.levels.hasAlpha;
            }
            group.translucent = group.translucent || group.material.Diffuse.a < 1.0f;
        }
        if (rig_) {
            poseAt(0);
        } else {
            upload(still_);
            still_ = {};
        }
    }

    std::size_t faceCount() const { return faceCount_; }
    std::size_t vertexCount() const { return vertexCount_; }
    bool animated() const { return rig_ != nullptr; }
    const std::vector<pose::Clip>& clips() const
    {
        static const std::vector<pose::Clip> none;
        return rig_ ? rig_->clips() : none;
    }
    std::size_t playing() const { return playing_; }
    std::size_t find(const std::string& nameOrIndex) const
    {
        return rig_ ? rig_->findClip(nameOrIndex) : std::size_t(pose::kNone);
    }

    // Plays set `clip` (kNone: the rest pose) from now on, framed on the
    // sphere that holds all of its poses, and shows its time 0.
    void play(std::size_t clip)
    {
        frame(clip);
        poseAt(0);
    }

    void poseAt(double seconds)
    {
        if (!rig_)
            return;
        xfile::MeshData& posed = posed_;
        if (posed.positions.empty())
            posed = base_;
        rig_->pose(playing_, seconds, posed.positions, posed.normals, threads());
        // A pose may mirror what the merged view did not (or the reverse).
        posed.indices = base_.indices;
        windFacesWithTheirNormals(posed);
        bounds_->placeInUnitSphere(posed.positions);
        upload(posed);
    }

    void draw(int width, int height, const d3d::D3DMATRIX* modelRotation, d3d::D3DVECTOR cameraOffset,
              float distanceScale, const SceneControls* settings)
    {
        const StoredControls defaults(1, 1);
        const SceneControls& chosen = settings ? *settings : defaults;
        d3d::IDirect3DDevice8& device = *module_->Device;
        if (modelRotation)
            d3d::check(device.SetTransform(d3d::D3DTS_WORLD, *modelRotation), "SetTransform (D3DTS_WORLD)");
        const float aspect = float(width) / float(height);
        const d3d::D3DVECTOR towards = normalized(kTowardsCamera);
        const double tanHalfFov = std::tan(kFovDegrees * 3.14159265358979 / 360.0);
        const double tanHalfShorter = aspect >= 1 ? tanHalfFov : tanHalfFov * aspect;
        // The model fills the unit sphere about the origin.
        const double distance = distanceScale / std::sin(std::atan(kFill * tanHalfShorter));
        const d3d::D3DVECTOR origin = cameraOffset, eye = towards * float(distance) + cameraOffset;
        const d3d::D3DVECTOR up{0, 1, 0};
        module_->SetView(eye, origin, up);
        // Nearer than the sphere's front only when the camera is inside it.
        const double nearPlane = std::max((distance - 1) * 0.9, distance * 0.01);
        const float fov = kFovDegrees * float(chosen.HScroll(4)) / float(defaults.HScroll(4));
        module_->SetProjection(aspect, fov, float(nearPlane), float((distance + 1) * 1.1));

        // The viewer's lights (at their default strengths unless the
        // settings say otherwise), placed as the viewer's camera sees them:
        // from the upper right, behind the camera.
        const d3d::D3DVECTOR forward = towards * -1.0f;
        const d3d::D3DVECTOR right = normalized(cross(up, forward));
        const d3d::D3DVECTOR cameraUp = cross(forward, right);
        const d3d::D3DVECTOR light = normalized(forward - right - cameraUp);
        const SceneLights lights = sceneLights(chosen);
        if (lights.direct)
            module_->SetDirectionalLight(lights.directColour[0], lights.directColour[1],
                                         lights.directColour[2], light.x, light.y, light.z, kLightRange, 0);
        else
            d3d::check(device.LightEnable(0, 0), "LightEnable");
        module_->SetAmbient(lights.ambientColour[0], lights.ambientColour[1], lights.ambientColour[2]);

        for (d3d::D3DTEXTURESTAGESTATETYPE filter :
             {d3d::D3DTSS_MAGFILTER, d3d::D3DTSS_MINFILTER, d3d::D3DTSS_MIPFILTER})
            d3d::check(device.SetTextureStageState(0, filter, d3d::D3DTEXF_LINEAR), "SetTextureStageState");
        d3d::check(device.SetTextureStageState(0, d3d::D3DTSS_ALPHAOP, d3d::D3DTOP_MODULATE),
                   "SetTextureStageState (D3DTSS_ALPHAOP)");
        d3d::check(device.SetRenderState(d3d::D3DRS_SRCBLEND, d3d::D3DBLEND_SRCALPHA),
                   "SetRenderState (D3DRS_SRCBLEND)");
        d3d::check(device.SetRenderState(d3d::D3DRS_DESTBLEND, d3d::D3DBLEND_INVSRCALPHA),
                   "SetRenderState (D3DRS_DESTBLEND)");

        module_->ClearFrame(kBackground, kBackground, kBackground);
        d3d::check(device.BeginScene(), "BeginScene");
        // Opaque groups first, so that what shows through a translucent one
        // is already there. Translucent groups still write depth (many are
        // opaque textures with an alpha channel, whose parts must hide each
        // other), except where they are wholly transparent.
        d3d::check(device.SetRenderState(d3d::D3DRS_ALPHAREF, 0), "SetRenderState (D3DRS_ALPHAREF)");
        d3d::check(device.SetRenderState(d3d::D3DRS_ALPHAFUNC, d3d::D3DCMP_GREATER),
                   "SetRenderState (D3DRS_ALPHAFUNC)");
        for (bool translucent : {false, true}) {
            d3d::check(device.SetRenderState(d3d::D3DRS_ALPHABLENDENABLE, translucent),
                       "SetRenderState (D3DRS_ALPHABLENDENABLE)");
            d3d::check(device.SetRenderState(d3d::D3DRS_ALPHATESTENABLE, translucent),
                       "SetRenderState (D3DRS_ALPHATESTENABLE)");
            for (const GroupLook& group : groups_)
                if (group.translucent == translucent)
                    drawGroup(group);
        }
        d3d::check(device.EndScene(), "EndScene");
        module_->PresentFrame(nullptr);
    }

private:
    static constexpr int kFramingSamples = 32;

    static unsigned threads() { return std::max(1u, std::thread::hardware_concurrency()); }

    void upload(const xfile::MeshData& data)
    {
        mesh_.reset();
        d3d::check(factory_->CreateMeshFromData(data, mesh_), "D3DXLoadMeshFromX",
                   path_ + ": the device cannot hold the mesh");
    }

    void drawGroup(const GroupLook& group)
    {
        d3d::IDirect3DDevice8& device = *module_->Device;
        d3d::check(device.SetMaterial(group.material), "SetMaterial");
        const bool shiny =
            group.material.Power > 0 &&
            (group.material.Specular.r > 0 || group.material.Specular.g > 0 || group.material.Specular.b > 0);
        d3d::check(device.SetRenderState(d3d::D3DRS_SPECULARENABLE, shiny),
                   "SetRenderState (D3DRS_SPECULARENABLE)");
        d3d::check(device.SetTexture(0, group.texture), "SetTexture");
        d3d::check(mesh_->DrawSubset(group.attribute), "DrawSubset");
    }

    // Chooses the set that plays (kNone: the rest pose) and measures the
    // sphere that holds all of its poses.
    void frame(std::size_t clip)
    {
        if (!rig_)
            return;
        playing_ = clip < rig_->clips().size() ? clip : std::size_t(pose::kNone);
        bounds_ = std::make_unique<Bounds>(base_.indices, base_.vertexCount());
        const double period = playing_ == pose::kNone ? 0 : rig_->clips()[playing_].periodSeconds();
        const int samples = period > 0 ? kFramingSamples : 1;
        std::vector<float> positions = base_.positions, normals = base_.normals;
        for (const bool box : {true, false})
            for (int i = 0; i < samples; ++i) {
                // From the start to just before the wrap, the last key's pose.
                const double t = samples == 1 ? 0 : period * std::min(double(i) / (samples - 1), 1 - 1e-9);
                rig_->pose(playing_, t, positions, normals, threads());
                if (box)
                    bounds_->addToBox(positions);
                else
                    bounds_->addToRadius(positions);
            }
    }

    struct Texture {
        d3d::TextureLevels levels;  // decoded, until the device holds them
        d3d::TexturePtr texture;
    };

    // Decodes the texture a material names, once per file, and returns the
    // key it is kept under; an empty key (and a note) when it cannot be
    // found or read.
    QString readTexture(const QString& folder, const std::string& nameBytes)
    {
        if (nameBytes.empty())
            return {};
        const QString name = decodeTextureName(nameBytes);
        const std::optional<QString> path = findTexture(folder, name);
        if (!path) {
            if (!missing_.contains(name))
                notes_ << QStringLiteral("texture \"%1\" not found; drawn without it").arg(name);
            missing_ << name;
            return {};
        }
        if (textures_.count(*path))
            return *path;
        if (unreadable_.contains(*path))
            return {};
        d3d::TextureLevels levels;
        std::string error;
        if (!d3d::loadTextureLevels(*path, levels, error)) {
            notes_ << QStringLiteral("texture not drawn: %1").arg(QString::fromStdString(error));
            unreadable_ << *path;
            return {};
        }
        textures_[*path].levels = std::move(levels);
        return *path;
    }

    d3d::VBDirect3D8* module_ = nullptr;
    QStringList notes_;  // what reading noted, until attached
    std::size_t faceCount_ = 0, vertexCount_ = 0;
    xfile::MeshData still_;  // the framed mesh of a model that does not move, until attached
    d3d::MeshPtr mesh_;
    std::vector<GroupLook> groups_;
    d3d::ResourceFactory* factory_ = nullptr;
    std::map<QString, Texture> textures_;
    QStringList missing_, unreadable_;
    std::string path_;
    // Set only for a model that moves: its merged mesh before framing, the
    // posed copy, the set that plays and the sphere that frames it.
    std::unique_ptr<pose::Rig> rig_;
    xfile::MeshData base_, posed_;
    std::size_t playing_ = pose::kNone;
    std::unique_ptr<Bounds> bounds_;
};

AuthoredFile::AuthoredFile(const QString& modelPath) : impl_(std::make_unique<Impl>(modelPath)) {}

AuthoredFile::~AuthoredFile() = default;
AuthoredFile::AuthoredFile(AuthoredFile&&) noexcept = default;
AuthoredFile& AuthoredFile::operator=(AuthoredFile&&) noexcept = default;

AuthoredModel::AuthoredModel(d3d::VBDirect3D8& module, const QString& modelPath, QStringList& notes)
    : AuthoredModel(module, AuthoredFile(modelPath), notes)
{
}

AuthoredModel::AuthoredModel(d3d::VBDirect3D8& module, AuthoredFile file, QStringList& notes)
    : impl_(std::move(file.impl_))
{
    impl_->attach(module, notes);
}

AuthoredModel::~AuthoredModel() = default;

bool AuthoredModel::animated() const { return impl_->animated(); }

std::size_t AuthoredModel::faceCount() const { return impl_->faceCount(); }

std::size_t AuthoredModel::vertexCount() const { return impl_->vertexCount(); }

QStringList AuthoredModel::animationSets() const
{
    QStringList names;
    for (const pose::Clip& clip : impl_->clips())
        names << QString::fromStdString(clip.name);
    return names;
}

int AuthoredModel::playing() const { return impl_->playing() == pose::kNone ? -1 : int(impl_->playing()); }

double AuthoredModel::periodSeconds() const
{
    const std::size_t clip = impl_->playing();
    return clip == pose::kNone ? 0 : impl_->clips()[clip].periodSeconds();
}

void AuthoredModel::play(const QString& nameOrIndex)
{
    if (!impl_->animated() || impl_->clips().empty())
        throw platform::RuntimeError(platform::RuntimeError::kInvalidProcedureCall,
                                     "no animation set \"" + nameOrIndex.toStdString() +
                                         "\": the model has no animation");
    const std::size_t found = impl_->find(nameOrIndex.toStdString());
    if (found == pose::kNone) {
        QStringList names;
        for (int i = 0; i < animationSets().size(); ++i)
            names << QStringLiteral("%1 \"%2\"").arg(i).arg(animationSets()[i]);
        throw platform::RuntimeError(platform::RuntimeError::kInvalidProcedureCall,
                                     "no animation set \"" + nameOrIndex.toStdString() +
                                         "\"; the model has " +
                                         names.join(QStringLiteral(", ")).toStdString());
    }
    impl_->play(found);
}

void AuthoredModel::poseAt(double seconds) { impl_->poseAt(seconds); }

void AuthoredModel::draw(int width, int height, const d3d::D3DMATRIX* modelRotation,
                         d3d::D3DVECTOR cameraOffset, float distanceScale, const SceneControls* settings)
{
    impl_->draw(width, height, modelRotation, cameraOffset, distanceScale, settings);
}

void drawAuthored(d3d::VBDirect3D8& module, const QString& modelPath, int width, int height,
                  QStringList& notes, double seconds, const QString& animation)
{
    AuthoredModel model(module, modelPath, notes);
    if (!animation.isEmpty())
        model.play(animation);
    if (seconds != 0)
        model.poseAt(seconds);
    model.draw(width, height);
}

}  // namespace viewer
