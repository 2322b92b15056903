#include "pose/pose.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>
#include <stdexcept>
#include <thread>

namespace pose {
namespace {

bool finite(std::span<const float> values)
{
    for (const float v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

Quaternion normalized(double x, double y, double z, double w)
{
    const double length = std::sqrt(x * x + y * y + z * z + w * w);
    if (!(length > 1e-30) || !std::isfinite(length))
        return {0, 0, 0, 1};
    return {float(x / length), float(y / length), float(z / length), float(w / length)};
}

Quaternion slerp(const Quaternion& a, Quaternion b, double f)
{
    double dot = double(a[0]) * b[0] + double(a[1]) * b[1] + double(a[2]) * b[2] + double(a[3]) * b[3];
    // q and −q are the same rotation: take the shorter arc.
    if (dot < 0) {
        dot = -dot;
        for (float& c : b)
            c = -c;
    }
    double wa = 1 - f, wb = f;
    if (dot < 0.9995) {
        const double angle = std::acos(std::min(dot, 1.0));
        const double s = std::sin(angle);
        wa = std::sin((1 - f) * angle) / s;
        wb = std::sin(f * angle) / s;
    }
    return normalized(wa * a[0] + wb * b[0], wa * a[1] + wb * b[1], wa * a[2] + wb * b[2],
                      wa * a[3] + wb * b[3]);
}

// The keys around `ticks`: a == b when one key holds, else the fraction
// from a to b.
struct Span {
    std::size_t a, b;
    double f;
};
Span locate(const std::vector<double>& times, double ticks)
{
    const auto after = std::upper_bound(times.begin(), times.end(), ticks);
    if (after == times.begin())
        return {0, 0, 0};
    const std::size_t b = std::size_t(after - times.begin());
    if (b == times.size())
        return {b - 1, b - 1, 0};
    const std::size_t a = b - 1;
    return {a, b, (ticks - times[a]) / (times[b] - times[a])};
}

std::array<float, 3> sample3(const Channel& c, double ticks)
{
    const Span s = locate(c.times, ticks);
    const float* va = &c.values[s.a * 3];
    const float* vb = &c.values[s.b * 3];
    std::array<float, 3> out;
    for (int k = 0; k < 3; ++k)
        out[k] = float(va[k] + (double(vb[k]) - va[k]) * s.f);
    return out;
}

Quaternion sampleRotation(const Channel& c, double ticks)
{
    const Span s = locate(c.times, ticks);
    const Quaternion a{c.values[s.a * 4], c.values[s.a * 4 + 1], c.values[s.a * 4 + 2],
                       c.values[s.a * 4 + 3]};
    if (s.a == s.b)
        return a;
    const Quaternion b{c.values[s.b * 4], c.values[s.b * 4 + 1], c.values[s.b * 4 + 2],
                       c.values[s.b * 4 + 3]};
    return slerp(a, b, s.f);
}

// The inverse of an affine matrix in double; false when it has none.
bool invertAffine(const Matrix4& m, std::array<double, 16>& out)
{
    const double a = m[0], b = m[1], c = m[2], d = m[4], e = m[5], f = m[6], g = m[8], h = m[9], i = m[10];
    const double cof[9] = {e * i - f * h,    -(d * i - f * g), d * h - e * g,
                           -(b * i - c * h), a * i - c * g,    -(a * h - b * g),
                           b * f - c * e,    -(a * f - c * d), a * e - b * d};
    const double det = a * cof[0] + b * cof[1] + c * cof[2];
    if (!std::isfinite(det) || std::abs(det) < 1e-30 || m[3] != 0 || m[7] != 0 || m[11] != 0 || m[15] != 1)
        return false;
    // inverse = adjugate / det; the adjugate is the transposed cofactor matrix.
    out.fill(0);
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col)
            out[r * 4 + col] = cof[col * 3 + r] / det;
    for (int col = 0; col < 3; ++col)
        out[12 + col] = -(m[12] * out[col] + m[13] * out[4 + col] + m[14] * out[8 + col]);
    out[15] = 1;
    for (const double v : out)
        if (!std::isfinite(v))
            return false;
    return true;
}

}  // namespace

Matrix4 identity() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

Matrix4 multiply(const Matrix4& a, const Matrix4& b)
{
    Matrix4 out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out[r * 4 + c] = a[r * 4] * b[c] + a[r * 4 + 1] * b[4 + c] + a[r * 4 + 2] * b[8 + c] +
                             a[r * 4 + 3] * b[12 + c];
    return out;
}

Quaternion fileRotation(float w, float x, float y, float z)
{
    // The row-vector matrix of a stored key is that of the conjugate.
    return normalized(-double(x), -double(y), -double(z), double(w));
}

Matrix4 rotationMatrix(const Quaternion& q)
{
    const float x = q[0], y = q[1], z = q[2], w = q[3];
    return {1 - 2 * (y * y + z * z),
            2 * (x * y + z * w),
            2 * (x * z - y * w),
            0,
            2 * (x * y - z * w),
            1 - 2 * (x * x + z * z),
            2 * (y * z + x * w),
            0,
            2 * (x * z + y * w),
            2 * (y * z - x * w),
            1 - 2 * (x * x + y * y),
            0,
            0,
            0,
            0,
            1};
}

Matrix4 Parts::matrix() const
{
    Matrix4 m = rotationMatrix(rotation);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m[r * 4 + c] *= scale[r];
    m[12] = translation[0];
    m[13] = translation[1];
    m[14] = translation[2];
    return m;
}

Parts decompose(const Matrix4& m)
{
    Parts p;
    p.translation = {m[12], m[13], m[14]};
    double rows[3][3];
    double scale[3];
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            rows[r][c] = m[r * 4 + c];
        scale[r] = std::sqrt(rows[r][0] * rows[r][0] + rows[r][1] * rows[r][1] + rows[r][2] * rows[r][2]);
    }
    const double det = rows[0][0] * (rows[1][1] * rows[2][2] - rows[1][2] * rows[2][1]) -
                       rows[0][1] * (rows[1][0] * rows[2][2] - rows[1][2] * rows[2][0]) +
                       rows[0][2] * (rows[1][0] * rows[2][1] - rows[1][1] * rows[2][0]);
    if (det < 0)
        scale[0] = -scale[0];
    for (int r = 0; r < 3; ++r)
        p.scale[r] = float(scale[r]);
    for (const double s : scale)
        if (!(std::abs(s) > 1e-30) || !std::isfinite(s))
            return p;  // no rotation can be read from a flat or broken matrix
    double R[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            R[r][c] = rows[r][c] / scale[r];
    // The quaternion whose D3DX matrix is R (the inverse of rotationMatrix).
    const double trace = R[0][0] + R[1][1] + R[2][2];
    double x, y, z, w;
    if (trace > 0) {
        const double s = 0.5 / std::sqrt(trace + 1);
        w = 0.25 / s;
        x = (R[1][2] - R[2][1]) * s;
        y = (R[2][0] - R[0][2]) * s;
        z = (R[0][1] - R[1][0]) * s;
    } else if (R[0][0] > R[1][1] && R[0][0] > R[2][2]) {
        const double s = 2 * std::sqrt(std::max(0.0, 1 + R[0][0] - R[1][1] - R[2][2]));
        x = s / 4;
        y = (R[0][1] + R[1][0]) / s;
        z = (R[0][2] + R[2][0]) / s;
        w = (R[1][2] - R[2][1]) / s;
    } else if (R[1][1] > R[2][2]) {
        const double s = 2 * std::sqrt(std::max(0.0, 1 + R[1][1] - R[0][0] - R[2][2]));
        x = (R[0][1] + R[1][0]) / s;
        y = s / 4;
        z = (R[1][2] + R[2][1]) / s;
        w = (R[2][0] - R[0][2]) / s;
    } else {
        const double s = 2 * std::sqrt(std::max(0.0, 1 + R[2][2] - R[0][0] - R[1][1]));
        x = (R[0][2] + R[2][0]) / s;
        y = (R[1][2] + R[2][1]) / s;
        z = s / 4;
        w = (R[0][1] - R[1][0]) / s;
    }
    p.rotation = normalized(x, y, z, w);
    return p;
}

double Clip::fold(double seconds) const
{
    const double ticks = seconds * ticksPerSecond;
    if (!(period > 0) || !std::isfinite(ticks))
        return 0;
    double t = std::fmod(ticks, period);
    if (t < 0)
        t += period;
    return t < period ? t : 0;
}

// ---- The stages ------------------------------------------------------------

void sampleLocals(std::span<const std::uint32_t> parents, std::span<const Matrix4> rest,
                  std::span<const Parts> restParts, const Clip* clip, double ticks, std::span<Matrix4> locals)
{
    const std::size_t n = parents.size();
    if (rest.size() != n || restParts.size() != n || locals.size() != n)
        throw std::invalid_argument("sampleLocals: spans of different lengths");
    std::copy(rest.begin(), rest.end(), locals.begin());
    if (!clip)
        return;
    for (const Track& track : clip->tracks) {
        if (track.frame >= n)
            throw std::invalid_argument("sampleLocals: a track names no frame");
        Parts parts = restParts[track.frame];
        if (!track.scale.empty())
            parts.scale = sample3(track.scale, ticks);
        if (!track.rotation.empty())
            parts.rotation = sampleRotation(track.rotation, ticks);
        if (!track.translation.empty())
            parts.translation = sample3(track.translation, ticks);
        const Matrix4 local = parts.matrix();
        if (finite(local))
            locals[track.frame] = local;
    }
}

void localsToModels(std::span<const std::uint32_t> parents, std::span<const Matrix4> locals,
                    std::span<Matrix4> models)
{
    const std::size_t n = parents.size();
    if (locals.size() != n || models.size() != n)
        throw std::invalid_argument("localsToModels: spans of different lengths");
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t parent = parents[i];
        if (parent == kNone)
            models[i] = locals[i];
        else if (parent < i)
            models[i] = multiply(locals[i], models[parent]);
        else
            throw std::invalid_argument("localsToModels: a parent after its child");
    }
}

void bonesToPalette(std::span<const Skin::PaletteEntry> entries, std::span<const Matrix4> models,
                    std::span<Matrix4> palette)
{
    if (palette.size() != entries.size())
        throw std::invalid_argument("bonesToPalette: spans of different lengths");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Skin::PaletteEntry& e = entries[i];
        if (e.frame == kNone)
            palette[i] = e.offset;
        else if (e.frame < models.size())
            palette[i] = multiply(e.offset, models[e.frame]);
        else
            throw std::invalid_argument("bonesToPalette: an entry names no frame");
    }
}

void skinVertices(const Skin& skin, std::span<const Matrix4> palette, std::size_t begin, std::size_t end,
                  std::span<const float> staticPositions, std::span<const float> staticNormals,
                  std::span<float> positions, std::span<float> normals)
{
    const bool withNormals = !skin.normals.empty() && !normals.empty() && !staticNormals.empty();
    for (std::size_t v = begin; v < end; ++v) {
        // The blended matrix, upper 3x4 part.
        float m[12] = {};
        for (std::uint32_t k = skin.firstInfluence[v]; k < skin.firstInfluence[v + 1]; ++k) {
            const float w = skin.weight[k];
            const float* b = palette[skin.influence[k]].data();
            for (int r = 0; r < 3; ++r) {
                m[r * 4] += w * b[r * 4];
                m[r * 4 + 1] += w * b[r * 4 + 1];
                m[r * 4 + 2] += w * b[r * 4 + 2];
            }
            m[3] += w * b[12];
            m[7] += w * b[13];
            m[11] += w * b[14];
        }
        const float* p = &skin.positions[v * 3];
        const std::size_t out = std::size_t(skin.vertex[v]) * 3;
        const float x = p[0] * m[0] + p[1] * m[4] + p[2] * m[8] + m[3];
        const float y = p[0] * m[1] + p[1] * m[5] + p[2] * m[9] + m[7];
        const float z = p[0] * m[2] + p[1] * m[6] + p[2] * m[10] + m[11];
        if (std::isfinite(x) && std::isfinite(y) && std::isfinite(z)) {
            positions[out] = x;
            positions[out + 1] = y;
            positions[out + 2] = z;
        } else {
            std::copy_n(&staticPositions[out], 3, &positions[out]);
        }
        if (!withNormals)
            continue;
        // The inverse transpose of the blended 3x3 part, up to a positive
        // factor: its cofactor matrix, negated for a mirror.
        const float a = m[0], b = m[1], c = m[2], d = m[4], e = m[5], f = m[6], g = m[8], h = m[9], i = m[10];
        float cof[9] = {e * i - f * h, f * g - d * i, d * h - e * g, c * h - b * i, a * i - c * g,
                        b * g - a * h, b * f - c * e, c * d - a * f, a * e - b * d};
        if (a * cof[0] + b * cof[1] + c * cof[2] < 0)
            for (float& term : cof)
                term = -term;
        const float* n = &skin.normals[v * 3];
        const float nx = n[0] * cof[0] + n[1] * cof[3] + n[2] * cof[6];
        const float ny = n[0] * cof[1] + n[1] * cof[4] + n[2] * cof[7];
        const float nz = n[0] * cof[2] + n[1] * cof[5] + n[2] * cof[8];
        const float length2 = nx * nx + ny * ny + nz * nz;
        if (length2 > 0 && std::isfinite(length2)) {
            const float inverse = 1.0f / std::sqrt(length2);
            normals[out] = nx * inverse;
            normals[out + 1] = ny * inverse;
            normals[out + 2] = nz * inverse;
        } else {
            std::copy_n(&staticNormals[out], 3, &normals[out]);
        }
    }
}

// ---- The whole scene -------------------------------------------------------

namespace {

constexpr std::size_t kMaxWarnings = 40;

class Warnings {
public:
    explicit Warnings(std::vector<std::string>& out) : out_(out) {}
    void add(std::string text)
    {
        if (out_.size() < kMaxWarnings)
            out_.push_back(std::move(text));
        else if (out_.size() == kMaxWarnings)
            out_.push_back("(further posing warnings left out)");
    }

private:
    std::vector<std::string>& out_;
};

std::string quoted(const std::string& name)
{
    return name.empty() ? std::string("(unnamed)") : "'" + name + "'";
}

// One channel of scene keys as sampled here: sorted, finite, rotations
// turned into Quaternions.
Channel channelFrom(const xfile::SceneKeys& keys, std::size_t width, bool rotation, const std::string& where,
                    Warnings& warn)
{
    Channel c;
    std::size_t count = keys.times.size();
    if (keys.values.size() / width < count || keys.values.size() != count * width) {
        count = std::min(count, keys.values.size() / width);
        warn.add(where + ": key values do not match the key count; " + std::to_string(count) + " keys kept");
    }
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), std::size_t(0));
    if (!std::is_sorted(keys.times.begin(), keys.times.begin() + std::ptrdiff_t(count))) {
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return keys.times[a] < keys.times[b]; });
        warn.add(where + ": keys out of time order, sorted");
    }
    bool dropped = false, zero = false;
    for (const std::size_t k : order) {
        const float* v = &keys.values[k * width];
        if (!finite(std::span<const float>(v, width))) {
            dropped = true;
            continue;
        }
        c.times.push_back(double(keys.times[k]));
        if (rotation) {
            const double length2 =
                double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2] + double(v[3]) * v[3];
            zero = zero || !(length2 > 1e-30);
            const Quaternion q = fileRotation(v[0], v[1], v[2], v[3]);
            c.values.insert(c.values.end(), q.begin(), q.end());
        } else {
            c.values.insert(c.values.end(), v, v + width);
        }
    }
    if (dropped)
        warn.add(where + ": keys with values that are not numbers were left out");
    if (zero)
        warn.add(where + ": a rotation key of zero length, taken as no rotation");
    return c;
}

Clip clipFrom(const xfile::SceneAnimationSet& set, std::size_t frameCount, double ticksPerSecond,
              Warnings& warn)
{
    Clip clip;
    clip.name = set.name;
    clip.ticksPerSecond = ticksPerSecond;
    std::vector<bool> taken(frameCount, false);
    for (const xfile::SceneAnimation& animation : set.animations) {
        const std::string where =
            "animation set " + quoted(set.name) + ", frame " + quoted(animation.frameName);
        if (animation.frame >= frameCount) {
            warn.add(where + ": no such frame; its animation is left out");
            continue;
        }
        if (taken[animation.frame]) {
            warn.add(where + ": animated twice in one set; the first animation plays");
            continue;
        }
        Track track;
        track.frame = animation.frame;
        if (!animation.matrix.times.empty()) {
            if (!animation.rotation.times.empty() || !animation.scale.times.empty() ||
                !animation.position.times.empty())
                warn.add(where +
                         ": matrix keys beside scale, rotation or position keys; the matrix keys play");
            const Channel m = channelFrom(animation.matrix, 16, false, where, warn);
            for (std::size_t k = 0; k < m.times.size(); ++k) {
                Matrix4 key;
                std::copy_n(&m.values[k * 16], 16, key.begin());
                const Parts parts = decompose(key);
                for (Channel* c : {&track.scale, &track.rotation, &track.translation})
                    c->times.push_back(m.times[k]);
                track.scale.values.insert(track.scale.values.end(), parts.scale.begin(), parts.scale.end());
                track.rotation.values.insert(track.rotation.values.end(), parts.rotation.begin(),
                                             parts.rotation.end());
                track.translation.values.insert(track.translation.values.end(), parts.translation.begin(),
                                                parts.translation.end());
            }
        } else {
            track.scale = channelFrom(animation.scale, 3, false, where, warn);
            track.rotation = channelFrom(animation.rotation, 4, true, where, warn);
            track.translation = channelFrom(animation.position, 3, false, where, warn);
        }
        if (track.scale.empty() && track.rotation.empty() && track.translation.empty())
            continue;
        for (const Channel* c : {&track.scale, &track.rotation, &track.translation})
            if (!c->empty())
                clip.period = std::max(clip.period, c->times.back());
        taken[animation.frame] = true;
        clip.tracks.push_back(std::move(track));
    }
    return clip;
}

}  // namespace

Rig::Rig(const xfile::Scene& scene, const xfile::MeshData& mesh)
{
    Warnings warn(warnings_);
    const std::size_t frameCount = scene.frames.size();
    parents_.resize(frameCount);
    rest_.resize(frameCount);
    restParts_.resize(frameCount);
    for (std::size_t i = 0; i < frameCount; ++i) {
        const xfile::SceneFrame& frame = scene.frames[i];
        parents_[i] = frame.parent;
        if (frame.parent != kNone && frame.parent >= i) {
            warn.add("frame " + quoted(frame.name) + ": its parent comes after it; taken as a root");
            parents_[i] = kNone;
        }
        rest_[i] = frame.transform;
        if (!finite(rest_[i])) {
            warn.add("frame " + quoted(frame.name) +
                     ": a matrix with values that are not numbers, taken as identity");
            rest_[i] = identity();
        }
        restParts_[i] = decompose(rest_[i]);
    }

    double ticksPerSecond = scene.ticksPerSecond;
    if (!(ticksPerSecond > 0) || !std::isfinite(ticksPerSecond)) {
        warn.add("a tick rate that is not a positive number; 4800 ticks per second taken");
        ticksPerSecond = kDefaultTicksPerSecond;
    }
    for (const xfile::SceneAnimationSet& set : scene.animationSets)
        clips_.push_back(clipFrom(set, frameCount, ticksPerSecond, warn));

    staticPositions_ = mesh.positions;
    staticNormals_ = mesh.normals;
    const std::size_t vertexCount = mesh.positions.size() / 3;
    const bool hasNormals = mesh.normals.size() == mesh.positions.size();
    if (!hasNormals)
        staticNormals_.clear();

    Skin& skin = skin_;
    skin.firstInfluence.push_back(0);
    for (const xfile::SceneMesh& placed : scene.meshes) {
        const std::string where = "mesh " + quoted(placed.name);
        if (std::uint64_t(placed.firstVertex) + placed.vertexCount > vertexCount ||
            placed.fileVertexCount > placed.vertexCount ||
            placed.cloneSource.size() != std::size_t(placed.vertexCount - placed.fileVertexCount)) {
            warn.add(where + ": its vertex range does not fit the mesh; drawn where it stands");
            continue;
        }
        std::array<double, 16> unplace;
        if (!invertAffine(placed.placement, unplace)) {
            warn.add(where + ": its placement cannot be undone; drawn where it stands");
            continue;
        }
        bool badClone = false;
        for (const std::uint32_t source : placed.cloneSource)
            badClone = badClone || source >= placed.fileVertexCount;
        if (badClone) {
            warn.add(where + ": a vertex copies one that does not exist; drawn where it stands");
            continue;
        }
        const std::uint32_t meshFrame = placed.frame < frameCount ? placed.frame : kNone;
        const auto rigidEntry = [&] {
            skin.palette.push_back({meshFrame, identity()});
            return std::uint32_t(skin.palette.size() - 1);
        };

        // Influences per file vertex.
        std::vector<std::vector<std::pair<std::uint32_t, float>>> influences;
        if (!placed.bones.empty()) {
            skinned_ = true;
            influences.resize(placed.fileVertexCount);
            bool dropped = false;
            for (const xfile::SceneBone& bone : placed.bones) {
                std::uint32_t frame = bone.frame;
                if (frame >= frameCount) {
                    warn.add(where + ": bone " + quoted(bone.frameName) +
                             " names no frame; its vertices keep their bind pose");
                    frame = kNone;
                }
                Matrix4 offset = bone.offset;
                if (!finite(offset)) {
                    warn.add(where + ": bone " + quoted(bone.frameName) +
                             ": an offset matrix with values that are not numbers; its vertices keep their "
                             "bind pose");
                    frame = kNone;
                    offset = identity();
                }
                skin.palette.push_back({frame, frame == kNone ? identity() : offset});
                const std::uint32_t entry = std::uint32_t(skin.palette.size() - 1);
                const std::size_t pairs = std::min(bone.vertices.size(), bone.weights.size());
                for (std::size_t k = 0; k < pairs; ++k) {
                    const float w = bone.weights[k];
                    if (w == 0)
                        continue;  // exporters write them; they weigh nothing
                    if (bone.vertices[k] >= placed.fileVertexCount || !(w > 0) || !std::isfinite(w)) {
                        dropped = true;
                        continue;
                    }
                    influences[bone.vertices[k]].push_back({entry, w});
                }
            }
            if (dropped)
                warn.add(where +
                         ": skin weights that are not positive numbers or name no vertex were left out");
        }

        bool unweighted = false;
        std::uint32_t rigid = kNone;
        for (std::uint32_t i = 0; i < placed.vertexCount; ++i) {
            const std::uint32_t source =
                i < placed.fileVertexCount ? i : placed.cloneSource[i - placed.fileVertexCount];
            const std::uint32_t merged = placed.firstVertex + i;
            skin.vertex.push_back(merged);
            // Back into the mesh's own space.
            const float* p = &mesh.positions[std::size_t(merged) * 3];
            for (int c = 0; c < 3; ++c)
                skin.positions.push_back(float(p[0] * unplace[c] + p[1] * unplace[4 + c] +
                                               p[2] * unplace[8 + c] + unplace[12 + c]));
            if (hasNormals) {
                // The merged view placed normals by the inverse transpose;
                // the transpose takes them back (up to length).
                const float* n = &mesh.normals[std::size_t(merged) * 3];
                const Matrix4& m = placed.placement;
                double back[3];
                for (int c = 0; c < 3; ++c)
                    back[c] =
                        double(n[0]) * m[c * 4] + double(n[1]) * m[c * 4 + 1] + double(n[2]) * m[c * 4 + 2];
                const double length = std::sqrt(back[0] * back[0] + back[1] * back[1] + back[2] * back[2]);
                for (const double b : back)
                    skin.normals.push_back(length > 0 && std::isfinite(length) ? float(b / length) : 0.0f);
            }
            double sum = 0;
            if (!influences.empty())
                for (const auto& [entry, w] : influences[source])
                    sum += w;
            if (sum > 0 && std::isfinite(sum)) {
                for (const auto& [entry, w] : influences[source]) {
                    skin.influence.push_back(entry);
                    skin.weight.push_back(float(w / sum));
                }
            } else {
                unweighted = unweighted || !influences.empty();
                if (rigid == kNone)
                    rigid = rigidEntry();
                skin.influence.push_back(rigid);
                skin.weight.push_back(1.0f);
            }
            skin.firstInfluence.push_back(std::uint32_t(skin.influence.size()));
        }
        if (unweighted)
            warn.add(where + ": vertices without skin weights move with the mesh's frame");
    }
    if (!hasNormals)
        skin.normals.clear();

    locals_.resize(frameCount);
    models_.resize(frameCount);
    palette_.resize(skin.palette.size());
}

bool Rig::animated() const
{
    if (skinned_)
        return true;
    for (const Clip& clip : clips_)
        if (!clip.tracks.empty())
            return true;
    return false;
}

std::size_t Rig::findClip(const std::string& nameOrIndex) const
{
    for (std::size_t i = 0; i < clips_.size(); ++i)
        if (clips_[i].name == nameOrIndex)
            return i;
    std::size_t index = 0;
    const char* end = nameOrIndex.data() + nameOrIndex.size();
    const auto [stop, error] = std::from_chars(nameOrIndex.data(), end, index);
    if (nameOrIndex.empty() || error != std::errc() || stop != end || index >= clips_.size())
        return kNone;
    return index;
}

void Rig::pose(std::size_t clip, double seconds, std::span<float> positions, std::span<float> normals,
               unsigned threads)
{
    if (positions.size() != staticPositions_.size() ||
        (!normals.empty() && normals.size() != staticNormals_.size()))
        throw std::invalid_argument("Rig::pose: buffers of another size than the mesh");
    const Clip* playing = clip < clips_.size() ? &clips_[clip] : nullptr;
    const double ticks = playing ? playing->fold(seconds) : 0;
    sampleLocals(parents_, rest_, restParts_, playing, ticks, locals_);
    localsToModels(parents_, locals_, models_);
    bonesToPalette(skin_.palette, models_, palette_);
    const std::size_t count = skin_.vertex.size();
    // Below this many vertices a thread costs more than it saves.
    constexpr std::size_t kPerThread = 20000;
    threads = unsigned(std::clamp<std::size_t>(std::min<std::size_t>(threads, count / kPerThread), 1, 64));
    if (threads == 1) {
        skinVertices(skin_, palette_, 0, count, staticPositions_, staticNormals_, positions, normals);
        return;
    }
    std::vector<std::thread> workers;
    const std::size_t share = (count + threads - 1) / threads;
    for (unsigned t = 1; t < threads; ++t)
        workers.emplace_back([&, t] {
            skinVertices(skin_, palette_, std::min(count, t * share), std::min(count, (t + 1) * share),
                         staticPositions_, staticNormals_, positions, normals);
        });
    skinVertices(skin_, palette_, 0, std::min(count, share), staticPositions_, staticNormals_, positions,
                 normals);
    for (std::thread& w : workers)
        w.join();
}

}  // namespace pose
