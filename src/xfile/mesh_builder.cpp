#include "xfile/mesh_builder.h"

#include <cmath>
#include <cstring>

#include "xfile/buffers.h"

namespace xfile::detail {

namespace {

std::uint32_t bitsOf(float f)
{
    if (f == 0.0f)
        f = 0.0f;  // -0 and +0 are the same normal
    std::uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

bool sameVector(const float* a, const float* b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }

void normalize(float* v)
{
    const double len = std::sqrt(double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2]);
    if (len > 0 && std::isfinite(len)) {
        v[0] = float(v[0] / len);
        v[1] = float(v[1] / len);
        v[2] = float(v[2] / len);
    } else {
        v[0] = v[1] = v[2] = 0;
    }
}

void zeroNonFinite(float* v, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        if (!std::isfinite(v[i]))
            v[i] = 0;
}

}  // namespace

Matrix Matrix::identity()
{
    Matrix r{};
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1;
    return r;
}

bool Matrix::isIdentity() const
{
    for (int i = 0; i < 16; ++i)
        if (m[i] != ((i % 5 == 0) ? 1.0f : 0.0f))
            return false;
    return true;
}

Matrix multiply(const Matrix& a, const Matrix& b)
{
    Matrix r{};
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) {
            float s = 0;
            for (int k = 0; k < 4; ++k)
                s += a.m[row * 4 + k] * b.m[k * 4 + col];
            r.m[row * 4 + col] = s;
        }
    return r;
}

std::size_t MeshBuilder::CloneTable::hash(const Key& k)
{
    std::uint64_t h = k.position * 0x9E3779B97F4A7C15ull;
    h ^= (std::uint64_t(k.nx) << 32 | k.ny) * 0xC2B2AE3D27D4EB4Full;
    h ^= k.nz * 0x165667B19E3779F9ull;
    return std::size_t(h ^ (h >> 29));
}

// The slot that holds `key`, or the empty slot where it belongs (linear probing).
std::size_t MeshBuilder::CloneTable::slotOf(const Key& key) const
{
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash(key) & mask;
    while (slots_[i].clone != kNone && !(slots_[i].key == key))
        i = (i + 1) & mask;
    return i;
}

std::uint32_t MeshBuilder::CloneTable::find(const Key& key) const
{
    return slots_.empty() ? kNone : slots_[slotOf(key)].clone;
}

void MeshBuilder::CloneTable::insert(const Key& key, std::uint32_t clone)
{
    if ((used_ + 1) * 2 > slots_.size())
        grow();
    slots_[slotOf(key)] = Slot{key, clone};
    ++used_;
}

void MeshBuilder::CloneTable::grow()
{
    std::vector<Slot> old(slots_.empty() ? 1024 : slots_.size() * 2, Slot{{}, kNone});
    old.swap(slots_);
    for (const Slot& slot : old)
        if (slot.clone != kNone)
            slots_[slotOf(slot.key)] = slot;
}

void MeshBuilder::CloneTable::clear()
{
    std::vector<Slot>().swap(slots_);
    used_ = 0;
}

MeshBuilder::MeshBuilder(MeshData& out, Diagnostics& diag) : out_(out), diag_(diag) {}

void MeshBuilder::resetMesh()
{
    vertexCount = faceCount = 0;
    hasNormals = false;
    normals.clear();
    declNormals.clear();
    declTexcoords.clear();
    declColors.clear();
    hasMaterialList = false;
    faceMaterials.clear();
    materials.clear();
    vertexNormal_.clear();
    cloneSource_.clear();
    cloneHead_.clear();
    cloneNext_.clear();
    cloneOf_.clear();
    polygonSizes_.clear();
    polygons_ = false;
    normalFace_ = 0;
    normalTriangle_ = 0;
    meshTexcoords_ = meshColors_ = false;
}

void MeshBuilder::beginMesh()
{
    resetMesh();
    base_ = out_.vertexCount();
    indexBase_ = out_.indices.size();
    uvChannelBefore_ = uvChannel_;
    colorChannelBefore_ = colorChannel_;
}

float* MeshBuilder::addPositions(std::uint32_t count)
{
    const std::size_t start = std::size_t(base_) * 3;
    reserveLarge(out_.positions, start + std::size_t(count) * 3);
    out_.positions.resize(start + std::size_t(count) * 3);
    vertexCount = count;
    return out_.positions.data() + start;
}

void MeshBuilder::reserveTriangles(std::size_t triangles)
{
    reserveLarge(out_.indices, indexBase_ + triangles * 3);
}

void MeshBuilder::addFace(const std::uint32_t* corners, std::uint32_t n)
{
    if (n != 3 && !polygons_) {
        polygonSizes_.assign(faceCount, 3);
        polygons_ = true;
    }
    if (polygons_)
        polygonSizes_.push_back(n);
    const std::size_t at = out_.indices.size();
    out_.indices.resize(at + std::size_t(n - 2) * 3);
    std::uint32_t* tri = out_.indices.data() + at;
    const std::uint32_t v0 = base_ + corners[0];
    for (std::uint32_t j = 1; j + 1 < n; ++j, tri += 3) {
        tri[0] = v0;
        tri[1] = base_ + corners[j];
        tri[2] = base_ + corners[j + 1];
    }
    ++faceCount;
}

std::uint32_t MeshBuilder::faceSize(std::uint32_t face) const { return polygons_ ? polygonSizes_[face] : 3; }

std::uint32_t MeshBuilder::resolve(std::uint32_t position, std::uint32_t normal)
{
    const std::uint32_t current = vertexNormal_[position];
    if (current == kNone) {
        vertexNormal_[position] = normal;
        return position;
    }
    if (current == normal ||
        sameVector(&normals[std::size_t(current) * 3], &normals[std::size_t(normal) * 3]))
        return position;
    const float* n = &normals[std::size_t(normal) * 3];
    const CloneTable::Key key{position, bitsOf(n[0]), bitsOf(n[1]), bitsOf(n[2])};
    // The vertex's first clones form a chain from cloneHead_; any further
    // ones are in the table.
    std::uint32_t length = 0;
    for (std::uint32_t c = cloneHead_[position]; c != kNone; c = cloneNext_[c - vertexCount], ++length) {
        const float* cn = &normals[std::size_t(vertexNormal_[c]) * 3];
        if (bitsOf(cn[0]) == key.nx && bitsOf(cn[1]) == key.ny && bitsOf(cn[2]) == key.nz)
            return c;
    }
    if (length == kChainLimit) {
        const std::uint32_t known = cloneOf_.find(key);
        if (known != kNone)
            return known;
    }
    const std::uint32_t clone = std::uint32_t(vertexNormal_.size());
    vertexNormal_.push_back(normal);
    cloneSource_.push_back(position);
    if (length < kChainLimit) {
        cloneNext_.push_back(cloneHead_[position]);
        cloneHead_[position] = clone;
    } else {
        cloneNext_.push_back(kNone);
        cloneOf_.insert(key, clone);
    }
    return clone;
}

bool MeshBuilder::assignNormals(const std::uint32_t* normalIndex, std::uint32_t count)
{
    if (normalFace_ >= faceCount)
        return false;
    if (vertexNormal_.size() < vertexCount) {
        // Each corner makes at most one clone. Reserving for all of them
        // costs address space only (pages are touched as clones are made)
        // and spares the copies of growing arrays.
        const std::size_t corners = polygons_
                                        ? (out_.indices.size() - indexBase_) / 3 + 2 * std::size_t(faceCount)
                                        : 3 * std::size_t(faceCount);
        reserveLarge(vertexNormal_, vertexCount + corners);
        vertexNormal_.resize(vertexCount, kNone);
        reserveLarge(cloneHead_, vertexCount);
        cloneHead_.assign(vertexCount, kNone);
        reserveLarge(cloneSource_, corners);
        reserveLarge(cloneNext_, corners);
    }
    const std::uint32_t n = faceSize(normalFace_);
    const std::uint32_t used = count < n ? count : n;
    // Polygon corners live in its fan: corner 0 starts every triangle, corner
    // j > 0 is the second vertex of triangle j-1 and the third of triangle j-2.
    std::uint32_t* tri = out_.indices.data() + indexBase_ + normalTriangle_ * 3;
    const std::uint32_t triangles = n - 2;
    for (std::uint32_t j = 0; j < used; ++j) {
        std::uint32_t position;
        if (j == 0)
            position = tri[0];
        else if (j <= triangles)
            position = tri[(j - 1) * 3 + 1];
        else
            position = tri[(j - 2) * 3 + 2];
        const std::uint32_t v = base_ + resolve(position - base_, normalIndex[j]);
        if (j == 0) {
            for (std::uint32_t t = 0; t < triangles; ++t)
                tri[t * 3] = v;
        } else {
            if (j <= triangles)
                tri[(j - 1) * 3 + 1] = v;
            if (j >= 2)
                tri[(j - 2) * 3 + 2] = v;
        }
    }
    ++normalFace_;
    normalTriangle_ += triangles;
    return true;
}

float* MeshBuilder::texcoordSlots()
{
    const std::size_t base = base_;
    if (!uvChannel_) {
        out_.texcoords.assign(base * 2, 0.0f);
        uvChannel_ = true;
    }
    out_.texcoords.resize(base * 2);
    reserveLarge(out_.texcoords, (base + vertexCount) * 2);
    out_.texcoords.resize((base + vertexCount) * 2, 0.0f);
    meshTexcoords_ = true;
    return out_.texcoords.data() + base * 2;
}

std::uint32_t* MeshBuilder::colorSlots()
{
    const std::size_t base = base_;
    constexpr std::uint32_t kNoColor = 0x00FFFFFFu;
    if (!colorChannel_) {
        out_.colors.assign(base, kNoColor);
        colorChannel_ = true;
    }
    out_.colors.resize(base);
    reserveLarge(out_.colors, base + vertexCount);
    out_.colors.resize(base + vertexCount, kNoColor);
    meshColors_ = true;
    return out_.colors.data() + base;
}

void MeshBuilder::dropMesh()
{
    const std::size_t base = base_;
    out_.positions.resize(base * 3);
    out_.indices.resize(indexBase_);
    if (uvChannel_ && !uvChannelBefore_)
        out_.texcoords.clear(), uvChannel_ = false;
    if (uvChannel_)
        out_.texcoords.resize(base * 2);
    if (colorChannel_ && !colorChannelBefore_)
        out_.colors.clear(), colorChannel_ = false;
    if (colorChannel_)
        out_.colors.resize(base);
    resetMesh();
}

bool MeshBuilder::endMesh(const Matrix& world)
{
    ++meshesSeen_;
    const std::uint32_t nV = vertexCount;
    if (nV == 0 || faceCount == 0) {
        if (recordPlacement)
            placement = Placement{};
        dropMesh();
        return true;
    }

    // Normals come from MeshNormals, or failing that from DeclData/FVFData
    // (one per vertex, so nothing to split).
    const bool useDeclNormals = !hasNormals && declNormals.size() == std::size_t(nV) * 3;
    if (useDeclNormals) {
        normals.swap(declNormals);
        for (std::size_t i = 0; i < normals.size(); i += 3)
            normalize(&normals[i]);
        vertexNormal_.resize(nV);
        for (std::uint32_t v = 0; v < nV; ++v)
            vertexNormal_[v] = v;
    }
    const bool meshHasNormals = hasNormals || useDeclNormals;
    if (meshHasNormals && vertexNormal_.size() < nV)
        vertexNormal_.resize(nV, kNone);
    const std::uint32_t clones = std::uint32_t(cloneSource_.size());
    const std::uint64_t total64 = std::uint64_t(nV) + clones;
    if (std::uint64_t(base_) + total64 > 0xFFFFFFFFull)
        return diag_.fail("merged mesh has too many vertices");
    const std::uint32_t total = std::uint32_t(total64);
    const std::size_t base = base_;

    // Positions: clones copy their source, then the frame transform.
    out_.positions.resize((base + total) * 3);
    float* pos = out_.positions.data() + base * 3;
    for (std::uint32_t c = 0; c < clones; ++c)
        std::memcpy(pos + std::size_t(nV + c) * 3, pos + std::size_t(cloneSource_[c]) * 3, 12);
    zeroNonFinite(pos, std::size_t(total) * 3);
    const bool transform = !world.isIdentity();
    if (transform) {
        const float* m = world.m;
        for (std::size_t v = 0; v < total; ++v) {
            float* p = pos + v * 3;
            const float x = p[0], y = p[1], z = p[2];
            float tx = x * m[0] + y * m[4] + z * m[8] + m[12];
            float ty = x * m[1] + y * m[5] + z * m[9] + m[13];
            float tz = x * m[2] + y * m[6] + z * m[10] + m[14];
            const float w = x * m[3] + y * m[7] + z * m[11] + m[15];
            if (w != 1.0f && w != 0.0f && std::isfinite(w)) {
                tx /= w;
                ty /= w;
                tz /= w;
            }
            p[0] = tx, p[1] = ty, p[2] = tz;
        }
        zeroNonFinite(pos, std::size_t(total) * 3);
    }

    // Normals: the inverse transpose of the 3x3 part keeps them perpendicular
    // under non-uniform scale; it is the cofactor matrix over the
    // determinant, and only the determinant's sign matters before renormalising.
    if (meshHasNormals) {
        if (transform) {
            const float* m = world.m;
            const double a = m[0], b = m[1], c = m[2], d = m[4], e = m[5], f = m[6], g = m[8], h = m[9],
                         i = m[10];
            double cof[9] = {e * i - f * h,    -(d * i - f * g), d * h - e * g,
                             -(b * i - c * h), a * i - c * g,    -(a * h - b * g),
                             b * f - c * e,    -(a * f - c * d), a * e - b * d};
            const double det = a * cof[0] + b * cof[1] + c * cof[2];
            if (det < 0)
                for (double& x : cof)
                    x = -x;
            for (std::size_t k = 0; k < normals.size(); k += 3) {
                const double x = normals[k], y = normals[k + 1], z = normals[k + 2];
                normals[k] = float(x * cof[0] + y * cof[3] + z * cof[6]);
                normals[k + 1] = float(x * cof[1] + y * cof[4] + z * cof[7]);
                normals[k + 2] = float(x * cof[2] + y * cof[5] + z * cof[8]);
                normalize(&normals[k]);
            }
        }
        if (!normalChannel_) {
            reserveLarge(out_.normals, (base + total) * 3);
            out_.normals.assign(base * 3, 0.0f);
            normalChannel_ = true;
        }
        reserveLarge(out_.normals, (base + total) * 3);
        out_.normals.resize((base + total) * 3, 0.0f);
        float* dst = out_.normals.data() + base * 3;
        for (std::uint32_t v = 0; v < total; ++v) {
            const std::uint32_t n = vertexNormal_[v];
            if (n != kNone)
                std::memcpy(dst + std::size_t(v) * 3, &normals[std::size_t(n) * 3], 12);
        }
    } else if (normalChannel_) {
        out_.normals.resize((base + total) * 3, 0.0f);
    }
    std::vector<float>().swap(normals);

    // Texture coordinates and colours: per file vertex; clones copy them.
    if (!meshTexcoords_ && declTexcoords.size() == std::size_t(nV) * 2)
        std::memcpy(texcoordSlots(), declTexcoords.data(), std::size_t(nV) * 8);
    if (meshTexcoords_) {
        out_.texcoords.resize((base + total) * 2);
        float* dst = out_.texcoords.data() + base * 2;
        for (std::uint32_t c = 0; c < clones; ++c)
            std::memcpy(dst + std::size_t(nV + c) * 2, dst + std::size_t(cloneSource_[c]) * 2, 8);
        zeroNonFinite(dst, std::size_t(total) * 2);
    } else if (uvChannel_) {
        out_.texcoords.resize((base + total) * 2, 0.0f);
    }
    if (!meshColors_ && declColors.size() == nV)
        std::memcpy(colorSlots(), declColors.data(), std::size_t(nV) * 4);
    if (meshColors_) {
        out_.colors.resize(base + total);
        std::uint32_t* dst = out_.colors.data() + base;
        for (std::uint32_t c = 0; c < clones; ++c)
            dst[nV + c] = dst[cloneSource_[c]];
    } else if (colorChannel_) {
        out_.colors.resize(base + total, 0x00FFFFFFu);
    }

    // One attribute per triangle: the polygon's material, offset by the
    // materials of earlier meshes.
    const std::uint32_t attributeBase = std::uint32_t(out_.materials.size());
    const std::size_t firstTriangle = indexBase_ / 3;
    const std::size_t triangles = out_.indices.size() / 3 - firstTriangle;
    out_.attributes.resize(firstTriangle, 0);
    reserveLarge(out_.attributes, firstTriangle + triangles);
    const bool useList = hasMaterialList && !faceMaterials.empty();
    if (!useList) {
        out_.attributes.resize(firstTriangle + triangles, attributeBase);
    } else {
        out_.attributes.reserve(firstTriangle + triangles);
        for (std::uint32_t face = 0; face < faceCount; ++face) {
            const std::uint32_t attribute =
                attributeBase + faceMaterials[face < faceMaterials.size() ? face : faceMaterials.size() - 1];
            out_.attributes.insert(out_.attributes.end(), faceSize(face) - 2, attribute);
        }
    }
    if (hasMaterialList) {
        out_.materials.insert(out_.materials.end(), materials.begin(), materials.end());
        anyMaterialList_ = true;
    }
    anyMesh_ = true;
    if (recordPlacement) {
        // A copy: cloneSource_ holds room for every corner of the mesh.
        placement.kept = true;
        placement.first = base_;
        placement.count = total;
        placement.fileCount = nV;
        placement.cloneSource.assign(cloneSource_.begin(), cloneSource_.end());
    }
    resetMesh();
    return true;
}

void MeshBuilder::sortByAttribute()
{
    const std::size_t faces = out_.attributes.size();
    bool sorted = true;
    std::uint32_t maxAttribute = 0;
    for (std::size_t f = 0; f < faces; ++f) {
        if (f > 0 && out_.attributes[f] < out_.attributes[f - 1])
            sorted = false;
        if (out_.attributes[f] > maxAttribute)
            maxAttribute = out_.attributes[f];
    }
    if (!sorted) {
        // Counting sort: stable, and ids are bounded by the number of
        // materials in the file.
        std::vector<std::uint32_t> start(std::size_t(maxAttribute) + 2, 0);
        for (std::uint32_t a : out_.attributes)
            ++start[std::size_t(a) + 1];
        for (std::size_t i = 1; i < start.size(); ++i)
            start[i] += start[i - 1];
        std::vector<std::uint32_t> indices(out_.indices.size());
        std::vector<std::uint32_t> attributes(faces);
        for (std::size_t f = 0; f < faces; ++f) {
            const std::uint32_t a = out_.attributes[f];
            const std::uint32_t to = start[a]++;
            attributes[to] = a;
            std::memcpy(&indices[std::size_t(to) * 3], &out_.indices[f * 3], 12);
        }
        out_.indices.swap(indices);
        out_.attributes.swap(attributes);
    }
    out_.groups.clear();
    for (std::size_t f = 0; f < faces; ++f) {
        if (out_.groups.empty() || out_.groups.back().attribute != out_.attributes[f]) {
            MeshData::Group g;
            g.attribute = out_.attributes[f];
            g.faceStart = std::uint32_t(f);
            out_.groups.push_back(g);
        }
        ++out_.groups.back().faceCount;
    }
}

bool MeshBuilder::finish()
{
    if (!anyMesh_) {
        if (meshesSeen_ > 0)
            return diag_.fail("no mesh in file (every Mesh object is empty)");
        return diag_.fail("no mesh in file");
    }
    if (!anyMaterialList_) {
        // What D3DX hands out for a file without any material list.
        Material grey;
        for (int i = 0; i < 3; ++i)
            grey.diffuse[i] = grey.specular[i] = 0.5f;
        grey.diffuse[3] = grey.specular[3] = 0.0f;
        grey.ambient[3] = grey.emissive[3] = 0.0f;
        out_.materials.assign(1, grey);
    }
    sortByAttribute();
    return true;
}

}  // namespace xfile::detail
