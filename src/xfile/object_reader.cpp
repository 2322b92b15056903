#include "xfile/object_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <unordered_map>

#include "xfile/binary_lexer.h"
#include "xfile/buffers.h"
#include "xfile/templates.h"
#include "xfile/text_lexer.h"

namespace xfile::detail {

namespace {

// Real files nest frames a few dozen deep at most; the limit keeps hostile
// nesting from exhausting the stack.
constexpr int kMaxFrameDepth = 256;

enum class Kind {
    Other,
    Frame,
    Mesh,
    Material,
    FrameTransformMatrix,
    MeshNormals,
    MeshTextureCoords,
    MeshVertexColors,
    MeshMaterialList,
    TextureFilename,
    FVFData,
    DeclData,
    XSkinMeshHeader,
    SkinWeights,
    AnimationSet,
    Animation,
    AnimationKey,
    AnimationOptions,
    AnimTicksPerSecond,
    CompressedAnimationSet,
};

Kind classify(std::string_view type)
{
    struct Entry {
        const char* name;
        Kind kind;
    };
    static constexpr Entry kKnown[] = {
        {"Frame", Kind::Frame},
        {"Mesh", Kind::Mesh},
        {"Material", Kind::Material},
        {"FrameTransformMatrix", Kind::FrameTransformMatrix},
        {"MeshNormals", Kind::MeshNormals},
        {"MeshTextureCoords", Kind::MeshTextureCoords},
        {"MeshVertexColors", Kind::MeshVertexColors},
        {"MeshMaterialList", Kind::MeshMaterialList},
        {"TextureFilename", Kind::TextureFilename},
        {"FVFData", Kind::FVFData},
        {"DeclData", Kind::DeclData},
        {"XSkinMeshHeader", Kind::XSkinMeshHeader},
        {"SkinWeights", Kind::SkinWeights},
        {"AnimationSet", Kind::AnimationSet},
        {"Animation", Kind::Animation},
        {"AnimationKey", Kind::AnimationKey},
        {"AnimationOptions", Kind::AnimationOptions},
        {"AnimTicksPerSecond", Kind::AnimTicksPerSecond},
        {"CompressedAnimationSet", Kind::CompressedAnimationSet},
    };
    for (const Entry& e : kKnown)
        if (equalsNoCase(type, e.name))
            return e.kind;
    return Kind::Other;
}

std::uint32_t packColor(const float* rgba)
{
    auto channel = [](float x) {
        if (!(x > 0.0f))
            return 0u;  // NaN too
        if (x >= 1.0f)
            return 255u;
        return static_cast<unsigned>(x * 255.0f + 0.5f);
    };
    return (channel(rgba[3]) << 24) | (channel(rgba[0]) << 16) | (channel(rgba[1]) << 8) | channel(rgba[2]);
}

float floatFromBits(std::uint32_t bits)
{
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

float halfToFloat(std::uint16_t h)
{
    const std::uint32_t sign = (h >> 15) & 1, exponent = (h >> 10) & 31, mantissa = h & 1023;
    float v;
    if (exponent == 0)
        v = std::ldexp(float(mantissa), -24);
    else if (exponent == 31)
        v = 0;  // infinities and NaNs are no use as coordinates
    else
        v = std::ldexp(float(mantissa | 1024), int(exponent) - 25);
    return sign ? -v : v;
}

// Object header: what follows the template name.
struct Header {
    std::string_view name;
    std::size_t start = 0;  // offset of the template name
    bool hasGuid = false;
    Guid guid;
};

struct GuidHash {
    std::size_t operator()(const Guid& g) const
    {
        std::uint64_t a, b;
        std::memcpy(&a, g.bytes, 8);
        std::memcpy(&b, g.bytes + 8, 8);
        return std::size_t(a * 0x9E3779B97F4A7C15ull ^ b);
    }
};

template <class Lexer>
class ObjectReader {
public:
    ObjectReader(Lexer& lex, MeshBuilder& mb, Diagnostics& diag, Scene* scene)
        : lex_(lex), mb_(mb), diag_(diag), templates_(TemplateRegistry::standard()), scene_(scene),
          sceneDiag_(scene ? &scene->warnings : nullptr)
    {
        mb_.recordPlacement = scene != nullptr;
        // Re-reading referenced meshes may not cost more than a few times the input.
        reparseBudget_ = std::uint64_t(lex.size()) * 4 + (1u << 20);
    }

    bool readFile();

private:
    enum class Child { End, Object, Reference, Error };
    struct Reference {
        std::string_view name;
        bool hasGuid = false;
        Guid guid;
        std::size_t offset = 0;
    };
    struct Named {
        Kind kind;
        std::size_t start;     // Mesh: where to re-read it
        std::size_t material;  // Material: index into materials_
    };

    bool readHeader(std::string_view type, std::size_t start, Header& h);
    Child nextChild(std::string_view& type, std::size_t& start, Reference& ref, const std::string& parent);
    bool skipRest(const std::string& what);
    bool skipObject(std::string_view type, std::size_t start);
    void remember(Kind kind, const Header& h, std::size_t material);
    const Named* lookup(Kind kind, const Reference& ref);

    bool readFrame(const Matrix& parent, int depth, std::string_view name);
    bool readMesh(const Matrix& world, const Header& h);
    bool readMeshBody(const Matrix& world, const std::string& label);
    bool readMeshNormals();
    bool readTextureCoords();
    bool readVertexColors();
    bool readMaterialList();
    bool readMaterial(Material& m, const std::string& label);
    // A Material at the top level or in a frame: kept for later references.
    bool readNamedMaterial(const Header& h);
    bool readFVFData();
    bool readDeclData();
    bool readMatrix(Matrix& m);
    bool checkCount(std::uint64_t count, std::uint64_t valuesEach, const char* what);
    bool readPolygon(std::uint32_t index, std::uint32_t minCorners, std::uint32_t limit,
                     const char* indexWhat, std::uint32_t& n, std::optional<std::uint32_t>& firstBad);

    // ---- The scene (only with scene_).
    // Runs `read` on the object whose header `h` has been read. When it
    // fails, the fault becomes a scene warning and the object is skipped
    // from its start as the merged view skips it; only a fault that skipping
    // meets as well (an unterminated object) fails the file.
    template <class F>
    bool recoverable(const Header& h, std::string_view type, F read);
    bool readSkinWeights();
    bool readSkinMeshHeader();
    bool readAnimationSet(const Header& h);
    bool readAnimation(SceneAnimation& a, std::string_view setName);
    bool readAnimationKey(SceneAnimation& a, std::string_view setName);
    bool readAnimationOptions(SceneAnimation& a);
    bool readTicksPerSecond();
    void resolveScene();

    static std::string label(const char* type, std::string_view name)
    {
        return name.empty() ? std::string(type) : std::string(type) + " " + quoteForMessage(name);
    }

    Lexer& lex_;
    MeshBuilder& mb_;
    Diagnostics& diag_;
    TemplateRegistry templates_;
    // Meshes and materials are looked up separately: files reuse one name for
    // a material and a mesh, and each reference context wants one kind.
    std::unordered_map<std::string, Named> named_[2];
    std::unordered_map<Guid, Named, GuidHash> byGuid_[2];
    std::vector<Material> materials_;
    std::vector<std::uint32_t> faceBuffer_;  // corners of one polygon
    std::uint64_t reparseBudget_ = 0;

    Scene* scene_;
    Diagnostics sceneDiag_;                  // the scene's own warnings
    std::uint32_t currentFrame_ = kNoIndex;  // scene frame being read
    std::vector<SceneBone> meshBones_;       // SkinWeights of the mesh being read
    std::uint32_t meshBonesDeclared_ = 0;    // its XSkinMeshHeader nBones
    bool meshHasSkinHeader_ = false;
    std::vector<float> keyValues_;  // values of one key
};

template <class Lexer>
bool ObjectReader<Lexer>::checkCount(std::uint64_t count, std::uint64_t valuesEach, const char* what)
{
    if (lex_.canHold(count * valuesEach))
        return true;
    return lex_.fail(std::string(what) + " count " + std::to_string(count) +
                     " is larger than the rest of the file could hold");
}

// Reads one indexed polygon, "n; i, i, ...", into faceBuffer_ and its index
// count into `n`. Fails on a read error or fewer than minCorners indices
// (polygon number `index`, for the message); `firstBad` is the first index
// that is `limit` or more, if there is one.
template <class Lexer>
bool ObjectReader<Lexer>::readPolygon(std::uint32_t index, std::uint32_t minCorners, std::uint32_t limit,
                                      const char* indexWhat, std::uint32_t& n,
                                      std::optional<std::uint32_t>& firstBad)
{
    if (!lex_.readUInt(n))
        return false;
    if (n < minCorners)
        return lex_.fail("face " + std::to_string(index) + " has " + std::to_string(n) +
                         " indices; a face needs at least " + std::to_string(minCorners));
    if (n > faceBuffer_.size()) {
        if (!checkCount(n, 1, indexWhat))
            return false;
        faceBuffer_.resize(std::max<std::size_t>(n, 64));
    }
    if (!lex_.readUInts(faceBuffer_.data(), n))
        return false;
    firstBad.reset();
    for (std::uint32_t j = 0; j < n; ++j)
        if (faceBuffer_[j] >= limit) {
            firstBad = faceBuffer_[j];
            break;
        }
    return true;
}

template <class Lexer>
bool ObjectReader<Lexer>::readHeader(std::string_view type, std::size_t start, Header& h)
{
    h = Header{};
    h.start = start;
    Tok k = lex_.peek();
    if (k == Tok::Name || (Lexer::kIsText && k == Tok::Number)) {
        if (!lex_.readName(h.name))
            return false;
        k = lex_.peek();
    }
    Token t;
    if (k == Tok::Guid) {  // tolerated before the brace as well as after it
        if (!lex_.next(t))
            return false;
        h.hasGuid = true;
        h.guid = t.guid;
        k = lex_.peek();
    }
    if (k != Tok::LBrace)
        return lex_.failExpected(("'{' to open " + label("object", type)).c_str());
    lex_.next(t);
    if (lex_.peek() == Tok::Guid) {
        if (!lex_.next(t))
            return false;
        h.hasGuid = true;
        h.guid = t.guid;
    }
    return true;
}

template <class Lexer>
typename ObjectReader<Lexer>::Child ObjectReader<Lexer>::nextChild(std::string_view& type, std::size_t& start,
                                                                   Reference& ref, const std::string& parent)
{
    Token t;
    for (;;) {
        lex_.skipSeparators();
        switch (lex_.peek()) {
        case Tok::RBrace:
            lex_.next(t);
            return Child::End;
        case Tok::Name:
            start = lex_.offset();
            return lex_.readName(type) ? Child::Object : Child::Error;
        case Tok::LBrace: {
            ref = Reference{};
            ref.offset = lex_.offset();
            lex_.next(t);
            Tok k = lex_.peek();
            if (k == Tok::Name || (Lexer::kIsText && k == Tok::Number)) {
                if (!lex_.readName(ref.name))
                    return Child::Error;
                k = lex_.peek();
            }
            if (k == Tok::Guid) {
                if (!lex_.next(t))
                    return Child::Error;
                ref.hasGuid = true;
                ref.guid = t.guid;
            }
            lex_.skipSeparators();
            if (lex_.peek() != Tok::RBrace) {
                lex_.failExpected(("'}' to close a reference in " + parent).c_str());
                return Child::Error;
            }
            lex_.next(t);
            return Child::Reference;
        }
        case Tok::End:
            lex_.fail("end of file inside " + parent + " (missing '}')");
            return Child::Error;
        default:
            lex_.failExpected(("a child object or '}' in " + parent).c_str());
            return Child::Error;
        }
    }
}

template <class Lexer>
bool ObjectReader<Lexer>::skipObject(std::string_view type, std::size_t start)
{
    Header h;
    if (!readHeader(type, start, h))
        return false;
    return lex_.skipBlock();
}

// Skips the remaining children of an object up to its closing brace.
template <class Lexer>
bool ObjectReader<Lexer>::skipRest(const std::string& what)
{
    std::string_view type;
    std::size_t start;
    Reference ref;
    for (;;) {
        switch (nextChild(type, start, ref, what)) {
        case Child::End:
            return true;
        case Child::Error:
            return false;
        case Child::Reference:
            break;
        case Child::Object:
            if (!skipObject(type, start))
                return false;
            break;
        }
    }
}

template <class Lexer>
void ObjectReader<Lexer>::remember(Kind kind, const Header& h, std::size_t material)
{
    const Named entry{kind, h.start, material};
    const int table = kind == Kind::Mesh ? 0 : 1;
    if (!h.name.empty())
        named_[table].insert_or_assign(std::string(h.name), entry);
    if (h.hasGuid)
        byGuid_[table].insert_or_assign(h.guid, entry);
}

template <class Lexer>
const typename ObjectReader<Lexer>::Named* ObjectReader<Lexer>::lookup(Kind kind, const Reference& ref)
{
    const int table = kind == Kind::Mesh ? 0 : 1;
    if (!ref.name.empty()) {
        auto it = named_[table].find(std::string(ref.name));
        if (it != named_[table].end())
            return &it->second;
    }
    if (ref.hasGuid) {
        auto it = byGuid_[table].find(ref.guid);
        if (it != byGuid_[table].end())
            return &it->second;
    }
    return nullptr;
}

template <class Lexer>
bool ObjectReader<Lexer>::readFile()
{
    Token t;
    for (;;) {
        const Tok k = lex_.peek();
        if (k == Tok::End) {
            if (scene_)
                resolveScene();
            return true;
        }
        if (k == Tok::Separator) {
            lex_.next(t);
            continue;
        }
        if (k == Tok::Keyword) {
            lex_.next(t);
            if (t.keyword != Keyword::Template)
                return lex_.failAt(t.offset, "unexpected keyword at the top level");
            if (!parseTemplateDeclaration(lex_, templates_, diag_))
                return false;
            continue;
        }
        if (k == Tok::LBrace) {
            // A reference outside any object means nothing; tolerate it.
            lex_.next(t);
            lex_.skipSeparators();
            for (Tok r = lex_.peek(); r == Tok::Name || r == Tok::Guid; r = lex_.peek())
                if (!lex_.next(t))
                    return false;
            if (lex_.peek() != Tok::RBrace)
                return lex_.failExpected("a template or data object");
            lex_.next(t);
            diag_.warn("reference outside any object ignored");
            continue;
        }
        if (k != Tok::Name)
            return lex_.failExpected("a template or data object");

        const std::size_t start = lex_.offset();
        std::string_view type;
        if (!lex_.readName(type))
            return false;
        if (Lexer::kIsText && equalsNoCase(type, "template")) {
            if (!parseTemplateDeclaration(lex_, templates_, diag_))
                return false;
            continue;
        }
        Header h;
        if (!readHeader(type, start, h))
            return false;
        const Kind kind = classify(type);
        if (scene_ && (kind == Kind::AnimationSet || kind == Kind::AnimTicksPerSecond ||
                       kind == Kind::CompressedAnimationSet)) {
            if (!templates_.find(type))
                diag_.warn("object of undeclared template " + quoteForMessage(type) + " skipped");
            bool ok;
            if (kind == Kind::AnimationSet) {
                ok = readAnimationSet(h);
            } else if (kind == Kind::AnimTicksPerSecond) {
                ok = recoverable(h, type, [&] { return readTicksPerSecond(); });
            } else {
                sceneDiag_.warn("CompressedAnimationSet" +
                                (h.name.empty() ? std::string() : " " + quoteForMessage(h.name)) +
                                " skipped: compressed animation is not supported");
                ok = lex_.skipBlock();
            }
            if (!ok)
                return false;
            continue;
        }
        switch (kind) {
        case Kind::Frame:
            if (!readFrame(Matrix::identity(), 1, h.name))
                return false;
            break;
        case Kind::Mesh:
            if (!readMesh(Matrix::identity(), h))
                return false;
            break;
        case Kind::Material:
            if (!readNamedMaterial(h))
                return false;
            break;
        default:
            if (!templates_.find(type))
                diag_.warn("object of undeclared template " + quoteForMessage(type) + " skipped");
            if (!lex_.skipBlock())
                return false;
            break;
        }
    }
}

template <class Lexer>
bool ObjectReader<Lexer>::readFrame(const Matrix& parent, int depth, std::string_view frameName)
{
    if (depth > kMaxFrameDepth)
        return lex_.fail("frames nested more than " + std::to_string(kMaxFrameDepth) + " deep");
    // A transform applies to what follows it in the frame; a second one
    // applies on top of the first. (In the scene the second one replaces
    // the first, as the frame hierarchy has it.)
    Matrix current = parent;
    const std::uint32_t parentFrame = currentFrame_;
    std::uint32_t self = kNoIndex;
    if (scene_) {
        self = std::uint32_t(scene_->frames.size());
        SceneFrame& f = scene_->frames.emplace_back();
        f.name.assign(frameName);
        f.parent = parentFrame;
        f.transform = Matrix4{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    }
    // Restores the frame being read however this one ends.
    struct Restore {
        std::uint32_t& current;
        std::uint32_t saved;
        ~Restore() { current = saved; }
    } restore{currentFrame_, parentFrame};
    currentFrame_ = self;
    std::string_view type;
    std::size_t start;
    Reference ref;
    for (;;) {
        switch (nextChild(type, start, ref, "Frame")) {
        case Child::End:
            return true;
        case Child::Error:
            return false;
        case Child::Reference: {
            const Named* target = lookup(Kind::Mesh, ref);
            if (!target)
                break;
            // A frame may place a mesh defined elsewhere: read it again here.
            const std::size_t resume = lex_.offset();
            lex_.seek(target->start);
            std::string_view meshType;
            Header h;
            if (!lex_.readName(meshType) || !readHeader(meshType, target->start, h))
                return false;
            if (!readMesh(current, h))
                return false;
            const std::uint64_t cost = lex_.offset() - target->start;
            if (cost > reparseBudget_)
                return lex_.failAt(ref.offset, "too many references to meshes");
            reparseBudget_ -= cost;
            lex_.seek(resume);
            break;
        }
        case Child::Object: {
            Header h;
            if (!readHeader(type, start, h))
                return false;
            switch (classify(type)) {
            case Kind::FrameTransformMatrix: {
                Matrix m;
                if (!readMatrix(m))
                    return false;
                current = multiply(m, current);
                if (scene_)
                    std::memcpy(scene_->frames[self].transform.data(), m.m, sizeof m.m);
                break;
            }
            case Kind::Mesh:
                if (!readMesh(current, h))
                    return false;
                break;
            case Kind::Frame:
                if (!readFrame(current, depth + 1, h.name)) {
                    diag_.addContext(label("Frame", h.name));
                    return false;
                }
                break;
            case Kind::Material:
                if (!readNamedMaterial(h))
                    return false;
                break;
            default:
                if (!lex_.skipBlock())
                    return false;
                break;
            }
            break;
        }
        }
    }
}

template <class Lexer>
bool ObjectReader<Lexer>::readNamedMaterial(const Header& h)
{
    Material m;
    if (!readMaterial(m, label("Material", h.name)))
        return false;
    materials_.push_back(m);
    remember(Kind::Material, h, materials_.size() - 1);
    return true;
}

template <class Lexer>
bool ObjectReader<Lexer>::readMatrix(Matrix& m)
{
    if (!lex_.readFloats(m.m, 16)) {
        diag_.addContext("FrameTransformMatrix");
        return false;
    }
    return skipRest("FrameTransformMatrix");
}

template <class Lexer>
bool ObjectReader<Lexer>::readMesh(const Matrix& world, const Header& h)
{
    remember(Kind::Mesh, h, 0);
    const std::string name = label("Mesh", h.name);
    if (scene_) {
        meshBones_.clear();
        meshBonesDeclared_ = 0;
        meshHasSkinHeader_ = false;
    }
    const bool ok = readMeshBody(world, name);
    if (!ok) {
        diag_.addContext(name);
        return false;
    }
    if (scene_ && mb_.placement.kept) {
        SceneMesh& m = scene_->meshes.emplace_back();
        m.name.assign(h.name);
        m.frame = currentFrame_;
        std::memcpy(m.placement.data(), world.m, sizeof world.m);
        m.firstVertex = mb_.placement.first;
        m.vertexCount = mb_.placement.count;
        m.fileVertexCount = mb_.placement.fileCount;
        m.cloneSource.swap(mb_.placement.cloneSource);
        m.bones.swap(meshBones_);
        if (meshHasSkinHeader_ && meshBonesDeclared_ != m.bones.size())
            sceneDiag_.warn(label("Mesh", h.name) + ": XSkinMeshHeader declares " +
                            std::to_string(meshBonesDeclared_) + " bones, the mesh holds " +
                            std::to_string(m.bones.size()) + " SkinWeights");
    }
    meshBones_.clear();
    return true;
}

template <class Lexer>
bool ObjectReader<Lexer>::readMeshBody(const Matrix& world, const std::string& name)
{
    mb_.beginMesh();
    std::uint32_t nVertices = 0;
    if (!lex_.readUInt(nVertices) || !checkCount(nVertices, 3, "vertex"))
        return false;
    float* positions = mb_.addPositions(nVertices);
    if (!lex_.readFloats(positions, std::size_t(nVertices) * 3))
        return false;

    std::uint32_t nFaces = 0;
    if (!lex_.readUInt(nFaces) || !checkCount(nFaces, 4, "face"))
        return false;
    mb_.reserveTriangles(nFaces);
    for (std::uint32_t f = 0; f < nFaces; ++f) {
        std::uint32_t n = 0;
        std::optional<std::uint32_t> bad;
        if (!readPolygon(f, 3, nVertices, "face index", n, bad))
            return false;
        if (bad)
            return lex_.fail("face " + std::to_string(f) + " refers to vertex " + std::to_string(*bad) +
                             ", but the mesh has " + std::to_string(nVertices) + " vertices");
        mb_.addFace(faceBuffer_.data(), n);
    }

    std::string_view type;
    std::size_t start;
    Reference ref;
    for (;;) {
        switch (nextChild(type, start, ref, name)) {
        case Child::End:
            return mb_.endMesh(world);
        case Child::Error:
            return false;
        case Child::Reference:
            break;  // e.g. a shared material list: not used by D3DX meshes
        case Child::Object: {
            Header h;
            if (!readHeader(type, start, h))
                return false;
            bool ok = true;
            switch (classify(type)) {
            case Kind::MeshNormals:
                ok = readMeshNormals();
                break;
            case Kind::MeshTextureCoords:
                ok = readTextureCoords();
                break;
            case Kind::MeshVertexColors:
                ok = readVertexColors();
                break;
            case Kind::MeshMaterialList:
                ok = readMaterialList();
                break;
            case Kind::FVFData:
                ok = readFVFData();
                break;
            case Kind::DeclData:
                ok = readDeclData();
                break;
            case Kind::SkinWeights:
                ok = scene_ ? recoverable(h, type, [&] { return readSkinWeights(); }) : lex_.skipBlock();
                break;
            case Kind::XSkinMeshHeader:
                ok = scene_ ? recoverable(h, type, [&] { return readSkinMeshHeader(); }) : lex_.skipBlock();
                break;
            default:
                ok = lex_.skipBlock();
                break;
            }
            if (!ok) {
                diag_.addContext(std::string(type.substr(0, 40)));
                return false;
            }
            break;
        }
        }
    }
}

template <class Lexer>
bool ObjectReader<Lexer>::readMeshNormals()
{
    if (mb_.hasNormals) {
        diag_.warn("second MeshNormals in one mesh ignored");
        return lex_.skipBlock();
    }
    std::uint32_t nNormals = 0;
    if (!lex_.readUInt(nNormals) || !checkCount(nNormals, 3, "normal"))
        return false;
    std::vector<float>& normals = mb_.normals;
    reserveLarge(normals, std::size_t(nNormals) * 3);
    normals.resize(std::size_t(nNormals) * 3);
    if (!lex_.readFloats(normals.data(), normals.size()))
        return false;
    for (std::size_t k = 0; k < normals.size(); k += 3) {
        float* v = &normals[k];
        const double len = std::sqrt(double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2]);
        if (len > 0 && std::isfinite(len)) {
            v[0] = float(v[0] / len), v[1] = float(v[1] / len), v[2] = float(v[2] / len);
        } else {
            v[0] = v[1] = v[2] = 0;
        }
    }
    std::uint32_t nFaceNormals = 0;
    if (!lex_.readUInt(nFaceNormals) || !checkCount(nFaceNormals, 1, "normal face"))
        return false;
    if (nFaceNormals != mb_.faceCount)
        diag_.warn("MeshNormals has " + std::to_string(nFaceNormals) + " faces for a mesh of " +
                   std::to_string(mb_.faceCount));
    mb_.hasNormals = true;
    std::size_t mismatched = 0;
    for (std::uint32_t f = 0; f < nFaceNormals; ++f) {
        std::uint32_t n = 0;
        std::optional<std::uint32_t> bad;
        if (!readPolygon(f, 0, nNormals, "normal index", n, bad))
            return false;
        if (bad)
            return lex_.fail("normal face " + std::to_string(f) + " refers to normal " +
                             std::to_string(*bad) + ", but there are " + std::to_string(nNormals) +
                             " normals");
        if (f < mb_.faceCount && n != mb_.faceSize(f) && mismatched++ == 0)
            diag_.warn("MeshNormals face " + std::to_string(f) + " has " + std::to_string(n) +
                       " indices where the mesh face has " + std::to_string(mb_.faceSize(f)));
        mb_.assignNormals(faceBuffer_.data(), n);
    }
    return skipRest("MeshNormals");
}

template <class Lexer>
bool ObjectReader<Lexer>::readTextureCoords()
{
    std::uint32_t n = 0;
    if (!lex_.readUInt(n) || !checkCount(n, 2, "texture coordinate"))
        return false;
    const std::uint32_t nV = mb_.vertexCount;
    if (n != nV)
        diag_.warn("MeshTextureCoords has " + std::to_string(n) + " entries for " + std::to_string(nV) +
                   " vertices");
    const std::size_t used = std::min(n, nV);
    if (!lex_.readFloats(mb_.texcoordSlots(), used * 2))
        return false;
    float unused;
    for (std::size_t i = used * 2; i < std::size_t(n) * 2; ++i)
        if (!lex_.readFloat(unused))
            return false;
    return skipRest("MeshTextureCoords");
}

template <class Lexer>
bool ObjectReader<Lexer>::readVertexColors()
{
    std::uint32_t n = 0;
    if (!lex_.readUInt(n) || !checkCount(n, 5, "vertex colour"))
        return false;
    const std::uint32_t nV = mb_.vertexCount;
    std::uint32_t* colors = mb_.colorSlots();
    for (std::uint32_t i = 0; i < n; ++i) {
        std::uint32_t index = 0;
        float rgba[4];
        if (!lex_.readUInt(index) || !lex_.readFloats(rgba, 4))
            return false;
        if (index >= nV)
            return lex_.fail("vertex colour " + std::to_string(i) + " is for vertex " +
                             std::to_string(index) + ", but the mesh has " + std::to_string(nV) +
                             " vertices");
        colors[index] = packColor(rgba);
    }
    return skipRest("MeshVertexColors");
}

template <class Lexer>
bool ObjectReader<Lexer>::readMaterialList()
{
    std::uint32_t nMaterials = 0, nIndexes = 0;
    if (!lex_.readUInt(nMaterials) || !lex_.readUInt(nIndexes) || !checkCount(nIndexes, 1, "material index"))
        return false;
    const std::uint32_t nFaces = mb_.faceCount;
    std::vector<std::uint32_t>& faceMaterials = mb_.faceMaterials;
    faceMaterials.clear();
    faceMaterials.reserve(std::min(nIndexes, nFaces));
    for (std::uint32_t i = 0; i < nIndexes; ++i) {
        std::uint32_t m = 0;
        if (!lex_.readUInt(m))
            return false;
        if (nMaterials > 0 && m >= nMaterials)
            return lex_.fail("face " + std::to_string(i) + " uses material " + std::to_string(m) +
                             ", but the list has " + std::to_string(nMaterials) + " materials");
        if (i < nFaces)
            faceMaterials.push_back(m);
    }
    if (nMaterials > 0 && nIndexes != nFaces) {
        if (nIndexes < nFaces && nIndexes > 0)
            diag_.warn("material list gives " + std::to_string(nIndexes) + " indices for " +
                       std::to_string(nFaces) + " faces; the last one repeats");
        else
            diag_.warn("material list gives " + std::to_string(nIndexes) + " indices for " +
                       std::to_string(nFaces) + " faces");
    }

    std::vector<Material>& materials = mb_.materials;
    materials.clear();
    std::string_view type;
    std::size_t start;
    Reference ref;
    for (;;) {
        const Child c = nextChild(type, start, ref, "MeshMaterialList");
        if (c == Child::End)
            break;
        if (c == Child::Error)
            return false;
        if (c == Child::Reference) {
            const Named* target = lookup(Kind::Material, ref);
            if (target) {
                materials.push_back(materials_[target->material]);
            } else {
                diag_.warn("material reference {" + std::string(ref.name.substr(0, 40)) +
                           "} names no earlier Material; a default material stands in");
                materials.push_back(Material{});
            }
            continue;
        }
        Header h;
        if (!readHeader(type, start, h))
            return false;
        if (classify(type) == Kind::Material) {
            Material m;
            if (!readMaterial(m, label("Material", h.name)))
                return false;
            materials_.push_back(m);
            remember(Kind::Material, h, materials_.size() - 1);
            materials.push_back(m);
        } else if (!lex_.skipBlock()) {
            return false;
        }
    }
    if (nMaterials == 0) {
        materials.clear();
        return true;  // an empty list means the mesh has no materials
    }
    if (materials.size() < nMaterials)
        return lex_.fail("material list declares " + std::to_string(nMaterials) + " materials but holds " +
                         std::to_string(materials.size()));
    if (materials.size() > nMaterials) {
        diag_.warn("material list holds more materials than it declares; the extra ones are ignored");
        materials.resize(nMaterials);
    }
    mb_.hasMaterialList = true;
    return true;
}

template <class Lexer>
bool ObjectReader<Lexer>::readMaterial(Material& m, const std::string& what)
{
    float values[11];
    if (!lex_.readFloats(values, 11)) {
        diag_.addContext(what);
        return false;
    }
    std::memcpy(m.diffuse, values, 16);
    m.power = values[4];
    m.specular[0] = values[5], m.specular[1] = values[6], m.specular[2] = values[7], m.specular[3] = 1;
    m.emissive[0] = values[8], m.emissive[1] = values[9], m.emissive[2] = values[10], m.emissive[3] = 1;
    m.ambient[0] = m.ambient[1] = m.ambient[2] = 0, m.ambient[3] = 1;
    std::string_view type;
    std::size_t start;
    Reference ref;
    for (;;) {
        switch (nextChild(type, start, ref, what)) {
        case Child::End:
            return true;
        case Child::Error:
            return false;
        case Child::Reference:
            break;
        case Child::Object: {
            Header h;
            if (!readHeader(type, start, h))
                return false;
            if (classify(type) == Kind::TextureFilename) {
                std::string_view file;
                if (!lex_.readString(file)) {
                    diag_.addContext(what);
                    return false;
                }
                m.textureFilename.assign(file);
                if (!skipRest("TextureFilename"))
                    return false;
            } else if (!lex_.skipBlock()) {
                return false;
            }
            break;
        }
        }
    }
}

template <class Lexer>
bool ObjectReader<Lexer>::readFVFData()
{
    std::uint32_t fvf = 0, nDWords = 0;
    if (!lex_.readUInt(fvf) || !lex_.readUInt(nDWords) || !checkCount(nDWords, 1, "FVFData value"))
        return false;
    std::vector<std::uint32_t> data(nDWords);
    for (std::uint32_t& d : data)
        if (!lex_.readUInt(d))
            return false;
    if (!skipRest("FVFData"))
        return false;

    // The data holds the vertex components that have no template of their own,
    // in flexible-vertex-format order; position is never part of it.
    const std::uint32_t nV = mb_.vertexCount;
    if (nV == 0)
        return true;
    const unsigned texSets = (fvf >> 8) & 0xF;
    unsigned texSize[8] = {};
    unsigned texDWords = 0;
    for (unsigned i = 0; i < texSets && i < 8; ++i) {
        static constexpr unsigned kSizes[4] = {2, 3, 4, 1};
        texSize[i] = kSizes[(fvf >> (16 + 2 * i)) & 3];
        texDWords += texSize[i];
    }
    const bool hasNormal = fvf & 0x10, hasPsize = fvf & 0x20, hasDiffuse = fvf & 0x40,
               hasSpecular = fvf & 0x80;
    const unsigned full =
        (hasNormal ? 3 : 0) + (hasPsize ? 1 : 0) + (hasDiffuse ? 1 : 0) + (hasSpecular ? 1 : 0) + texDWords;
    unsigned stride = 0;
    bool texOnly = false;
    if (full > 0 && std::uint64_t(full) * nV == nDWords) {
        stride = full;
    } else if (texDWords > 0 && std::uint64_t(texDWords) * nV == nDWords) {
        stride = texDWords;
        texOnly = true;
    } else {
        diag_.warn("FVFData layout does not match the vertex count; ignored");
        return true;
    }
    unsigned offset = 0;
    int normalAt = -1, diffuseAt = -1;
    if (!texOnly) {
        if (hasNormal)
            normalAt = int(offset), offset += 3;
        if (hasPsize)
            offset += 1;
        if (hasDiffuse)
            diffuseAt = int(offset), offset += 1;
        if (hasSpecular)
            offset += 1;
    }
    const int texAt = texSets > 0 ? int(offset) : -1;
    if (normalAt >= 0) {
        mb_.declNormals.resize(std::size_t(nV) * 3);
        for (std::uint32_t v = 0; v < nV; ++v)
            for (int k = 0; k < 3; ++k)
                mb_.declNormals[std::size_t(v) * 3 + k] =
                    floatFromBits(data[std::size_t(v) * stride + normalAt + k]);
    }
    if (diffuseAt >= 0) {
        mb_.declColors.resize(nV);
        for (std::uint32_t v = 0; v < nV; ++v)
            mb_.declColors[v] = data[std::size_t(v) * stride + diffuseAt];
    }
    if (texAt >= 0) {
        mb_.declTexcoords.assign(std::size_t(nV) * 2, 0.0f);
        for (std::uint32_t v = 0; v < nV; ++v)
            for (unsigned k = 0; k < 2 && k < texSize[0]; ++k)
                mb_.declTexcoords[std::size_t(v) * 2 + k] =
                    floatFromBits(data[std::size_t(v) * stride + texAt + k]);
    }
    return true;
}

template <class Lexer>
bool ObjectReader<Lexer>::readDeclData()
{
    std::uint32_t nElements = 0;
    if (!lex_.readUInt(nElements) || !checkCount(nElements, 4, "vertex element"))
        return false;
    struct Element {
        std::uint32_t type, method, usage, usageIndex;
    };
    std::vector<Element> elements(nElements);
    for (Element& e : elements)
        if (!lex_.readUInt(e.type) || !lex_.readUInt(e.method) || !lex_.readUInt(e.usage) ||
            !lex_.readUInt(e.usageIndex))
            return false;
    std::uint32_t nDWords = 0;
    if (!lex_.readUInt(nDWords) || !checkCount(nDWords, 1, "DeclData value"))
        return false;
    std::vector<std::uint32_t> data(nDWords);
    for (std::uint32_t& d : data)
        if (!lex_.readUInt(d))
            return false;
    if (!skipRest("DeclData"))
        return false;

    static constexpr unsigned kTypeBytes[17] = {4, 8, 12, 16, 4, 4, 4, 8, 4, 4, 8, 4, 8, 4, 4, 4, 8};
    enum { kFloat1 = 0, kFloat2 = 1, kFloat3 = 2, kFloat4 = 3, kColor = 4, kHalf2 = 15, kHalf4 = 16 };
    enum { kUsageNormal = 3, kUsageTexcoord = 5, kUsageColor = 10 };
    std::uint64_t strideBytes = 0;
    for (const Element& e : elements) {
        if (e.type >= 17) {
            diag_.warn("DeclData element of unknown type " + std::to_string(e.type) + "; DeclData ignored");
            return true;
        }
        strideBytes += kTypeBytes[e.type];
    }
    const std::uint32_t nV = mb_.vertexCount;
    const std::uint64_t stride = strideBytes / 4;
    if (nV == 0 || stride == 0)
        return true;
    if (stride * nV > nDWords) {
        diag_.warn("DeclData holds too little data for the vertex count; ignored");
        return true;
    }
    std::uint64_t offset = 0;
    for (const Element& e : elements) {
        const std::size_t at = std::size_t(offset);
        offset += kTypeBytes[e.type] / 4;
        auto word = [&](std::uint32_t v, unsigned k) { return data[std::size_t(v * stride) + at + k]; };
        if (e.usage == kUsageNormal && e.usageIndex == 0 && e.type == kFloat3) {
            mb_.declNormals.resize(std::size_t(nV) * 3);
            for (std::uint32_t v = 0; v < nV; ++v)
                for (unsigned k = 0; k < 3; ++k)
                    mb_.declNormals[std::size_t(v) * 3 + k] = floatFromBits(word(v, k));
        } else if (e.usage == kUsageTexcoord && e.usageIndex == 0) {
            if (e.type <= kFloat4) {
                mb_.declTexcoords.assign(std::size_t(nV) * 2, 0.0f);
                const unsigned comps = e.type + 1;
                for (std::uint32_t v = 0; v < nV; ++v)
                    for (unsigned k = 0; k < 2 && k < comps; ++k)
                        mb_.declTexcoords[std::size_t(v) * 2 + k] = floatFromBits(word(v, k));
            } else if (e.type == kHalf2 || e.type == kHalf4) {
                mb_.declTexcoords.assign(std::size_t(nV) * 2, 0.0f);
                for (std::uint32_t v = 0; v < nV; ++v) {
                    const std::uint32_t w = word(v, 0);
                    mb_.declTexcoords[std::size_t(v) * 2] = halfToFloat(std::uint16_t(w & 0xFFFF));
                    mb_.declTexcoords[std::size_t(v) * 2 + 1] = halfToFloat(std::uint16_t(w >> 16));
                }
            }
        } else if (e.usage == kUsageColor && e.usageIndex == 0 && e.type == kColor) {
            mb_.declColors.resize(nV);
            for (std::uint32_t v = 0; v < nV; ++v)
                mb_.declColors[v] = word(v, 0);
        }
    }
    return true;
}

// ---- The scene

template <class Lexer>
template <class F>
bool ObjectReader<Lexer>::recoverable(const Header& h, std::string_view type, F read)
{
    // What the lexer tolerates inside the object is the scene's concern too.
    std::vector<std::string>* saved = diag_.redirectWarnings(&scene_->warnings);
    const bool ok = read();
    diag_.redirectWarnings(saved);
    if (ok)
        return true;
    const std::string why = diag_.takeError();
    sceneDiag_.warn(why + "; " + label(std::string(type.substr(0, 40)).c_str(), h.name) + " skipped");
    lex_.seek(h.start);
    std::string_view again;
    Header header;
    if (!lex_.readName(again) || !readHeader(again, h.start, header))
        return false;
    return lex_.skipBlock();
}

template <class Lexer>
bool ObjectReader<Lexer>::readSkinMeshHeader()
{
    std::uint32_t perVertex = 0, perFace = 0, bones = 0;
    if (!lex_.readUInt(perVertex) || !lex_.readUInt(perFace) || !lex_.readUInt(bones))
        return false;
    meshHasSkinHeader_ = true;
    meshBonesDeclared_ = bones;
    return lex_.skipBlock();
}

template <class Lexer>
bool ObjectReader<Lexer>::readSkinWeights()
{
    std::string_view frameName;
    std::uint32_t n = 0;
    if (!lex_.readString(frameName) || !lex_.readUInt(n) || !checkCount(n, 2, "skin weight"))
        return false;
    SceneBone bone;
    bone.frameName.assign(frameName);
    bone.vertices.resize(n);
    bone.weights.resize(n);
    if (!lex_.readUInts(bone.vertices.data(), n) || !lex_.readFloats(bone.weights.data(), n) ||
        !lex_.readFloats(bone.offset.data(), 16))
        return false;
    // The weights name the mesh's vertices as the file lists them.
    const std::uint32_t limit = mb_.vertexCount;
    std::size_t kept = 0, dropped = 0;
    std::uint32_t firstBad = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (bone.vertices[i] >= limit) {
            if (dropped++ == 0)
                firstBad = bone.vertices[i];
            continue;
        }
        bone.vertices[kept] = bone.vertices[i];
        bone.weights[kept] = bone.weights[i];
        ++kept;
    }
    if (dropped > 0) {
        sceneDiag_.warn("SkinWeights " + quoteForMessage(frameName) + ": " + std::to_string(dropped) +
                        " of " + std::to_string(n) + " weights name vertices past the mesh's " +
                        std::to_string(limit) + " (first " + std::to_string(firstBad) + "); dropped");
        bone.vertices.resize(kept);
        bone.weights.resize(kept);
        bone.vertices.shrink_to_fit();
        bone.weights.shrink_to_fit();
    }
    meshBones_.push_back(std::move(bone));
    return lex_.skipBlock();  // anything past the offset matrix is of no use
}

template <class Lexer>
bool ObjectReader<Lexer>::readTicksPerSecond()
{
    std::uint32_t ticks = 0;
    if (!lex_.readUInt(ticks))
        return false;
    if (ticks == 0) {
        sceneDiag_.warn("AnimTicksPerSecond 0 ignored");
    } else if (!scene_->ticksPerSecondGiven) {
        scene_->ticksPerSecond = ticks;
        scene_->ticksPerSecondGiven = true;
    } else if (double(ticks) != scene_->ticksPerSecond) {
        sceneDiag_.warn("AnimTicksPerSecond " + std::to_string(ticks) + " ignored: the file gave " +
                        std::to_string(std::uint64_t(scene_->ticksPerSecond)) + " before");
    }
    return lex_.skipBlock();
}

template <class Lexer>
bool ObjectReader<Lexer>::readAnimationSet(const Header& h)
{
    return recoverable(h, "AnimationSet", [&] {
        SceneAnimationSet set;
        set.name.assign(h.name);
        const std::string what = label("AnimationSet", h.name);
        std::string_view type;
        std::size_t start;
        Reference ref;
        for (;;) {
            switch (nextChild(type, start, ref, what)) {
            case Child::End:
                scene_->animationSets.push_back(std::move(set));
                return true;
            case Child::Error:
                return false;
            case Child::Reference:
                break;
            case Child::Object: {
                Header child;
                if (!readHeader(type, start, child))
                    return false;
                if (classify(type) != Kind::Animation) {
                    if (!lex_.skipBlock())
                        return false;
                    break;
                }
                if (!recoverable(child, type, [&] {
                        SceneAnimation a;
                        if (!readAnimation(a, h.name))
                            return false;
                        set.animations.push_back(std::move(a));
                        return true;
                    }))
                    return false;
                break;
            }
            }
        }
    });
}

template <class Lexer>
bool ObjectReader<Lexer>::readAnimation(SceneAnimation& a, std::string_view setName)
{
    const std::string what = "Animation in " + label("AnimationSet", setName);
    std::string_view type;
    std::size_t start;
    Reference ref;
    bool hasTarget = false;
    std::string nestedFrame;
    for (;;) {
        switch (nextChild(type, start, ref, what)) {
        case Child::End:
            if (!hasTarget && !nestedFrame.empty()) {
                // A frame written inside the Animation instead of a reference:
                // its name says which frame is meant; it is never drawn.
                a.frameName = nestedFrame;
                hasTarget = true;
            }
            if (!hasTarget)
                sceneDiag_.warn(what + " names no frame; it moves nothing");
            return true;
        case Child::Error:
            return false;
        case Child::Reference:
            if (!hasTarget && !ref.name.empty()) {
                a.frameName.assign(ref.name);
                hasTarget = true;
            } else if (hasTarget) {
                sceneDiag_.warn(what + " names a second frame " + quoteForMessage(ref.name) + "; ignored");
            }
            break;
        case Child::Object: {
            Header child;
            if (!readHeader(type, start, child))
                return false;
            bool ok;
            switch (classify(type)) {
            case Kind::AnimationKey:
                ok = recoverable(child, type, [&] { return readAnimationKey(a, setName); });
                break;
            case Kind::AnimationOptions:
                ok = recoverable(child, type, [&] { return readAnimationOptions(a); });
                break;
            case Kind::Frame:
                if (nestedFrame.empty())
                    nestedFrame.assign(child.name);
                ok = lex_.skipBlock();
                break;
            default:
                ok = lex_.skipBlock();
                break;
            }
            if (!ok)
                return false;
            break;
        }
        }
    }
}

template <class Lexer>
bool ObjectReader<Lexer>::readAnimationKey(SceneAnimation& a, std::string_view setName)
{
    std::uint32_t keyType = 0, n = 0;
    if (!lex_.readUInt(keyType) || !lex_.readUInt(n))
        return false;
    const std::string what =
        "AnimationKey of type " + std::to_string(keyType) + " for " +
        (a.frameName.empty() ? std::string("an Animation") : quoteForMessage(a.frameName)) + " in " +
        label("AnimationSet", setName);
    std::uint32_t width;
    SceneKeys* channel;
    switch (keyType) {
    case 0:
        width = 4, channel = &a.rotation;
        break;
    case 1:
        width = 3, channel = &a.scale;
        break;
    case 2:
        width = 3, channel = &a.position;
        break;
    case 3:
    case 4:
        width = 16, channel = &a.matrix;
        break;
    default:
        sceneDiag_.warn(what + ": unknown key type; skipped");
        return lex_.skipBlock();
    }
    if (!channel->times.empty()) {
        sceneDiag_.warn(what + ": a second block of this kind; skipped");
        return lex_.skipBlock();
    }
    // Each key is at least its time, its value count and its values.
    if (!checkCount(n, 2 + std::uint64_t(width), "animation key"))
        return false;
    SceneKeys keys;
    reserveLarge(keys.times, n);
    reserveLarge(keys.values, std::size_t(n) * width);
    std::size_t mismatched = 0;
    std::uint32_t mismatchedCount = 0;
    for (std::uint32_t k = 0; k < n; ++k) {
        std::uint32_t time = 0, count = 0;
        if (!lex_.readUInt(time) || !lex_.readUInt(count))
            return false;
        if (count == width) {
            const std::size_t at = keys.values.size();
            keys.values.resize(at + width);
            if (!lex_.readFloats(keys.values.data() + at, width))
                return false;
            keys.times.push_back(time);
            continue;
        }
        if (!checkCount(count, 1, "key value"))
            return false;
        if (mismatched++ == 0)
            mismatchedCount = count;
        float unused;
        for (std::uint32_t v = 0; v < count; ++v)
            if (!lex_.readFloat(unused))
                return false;
    }
    if (mismatched > 0)
        sceneDiag_.warn(what + ": " + std::to_string(mismatched) + " keys hold " +
                        std::to_string(mismatchedCount) + " values where the type has " +
                        std::to_string(width) + "; dropped");

    bool sorted = true, repeated = false;
    for (std::size_t k = 1; k < keys.times.size(); ++k) {
        sorted = sorted && keys.times[k - 1] <= keys.times[k];
        repeated = repeated || keys.times[k - 1] == keys.times[k];
    }
    if (!sorted) {
        std::vector<std::uint32_t> order(keys.times.size());
        for (std::uint32_t k = 0; k < order.size(); ++k)
            order[k] = k;
        std::stable_sort(order.begin(), order.end(),
                         [&](std::uint32_t x, std::uint32_t y) { return keys.times[x] < keys.times[y]; });
        SceneKeys sortedKeys;
        sortedKeys.times.reserve(order.size());
        sortedKeys.values.reserve(keys.values.size());
        for (std::uint32_t k : order) {
            sortedKeys.times.push_back(keys.times[k]);
            sortedKeys.values.insert(sortedKeys.values.end(), keys.values.begin() + std::size_t(k) * width,
                                     keys.values.begin() + std::size_t(k + 1) * width);
        }
        keys = std::move(sortedKeys);
        repeated = false;
        for (std::size_t k = 1; k < keys.times.size(); ++k)
            repeated = repeated || keys.times[k - 1] == keys.times[k];
        sceneDiag_.warn(what + ": key times out of order; sorted");
    }
    if (repeated)
        sceneDiag_.warn(what + ": several keys at one time");
    keys.times.shrink_to_fit();
    keys.values.shrink_to_fit();
    *channel = std::move(keys);
    return lex_.skipBlock();
}

template <class Lexer>
bool ObjectReader<Lexer>::readAnimationOptions(SceneAnimation& a)
{
    std::uint32_t openClosed = 0, positionQuality = 0;
    if (!lex_.readUInt(openClosed) || !lex_.readUInt(positionQuality))
        return false;
    a.closed = openClosed == 0;
    a.splinePositions = positionQuality == 0;
    return lex_.skipBlock();
}

template <class Lexer>
void ObjectReader<Lexer>::resolveScene()
{
    // Names are case-sensitive; the first frame in file order with a name wins.
    std::unordered_map<std::string_view, std::uint32_t> byName;
    byName.reserve(scene_->frames.size());
    for (std::uint32_t i = 0; i < scene_->frames.size(); ++i)
        if (!scene_->frames[i].name.empty())
            byName.emplace(scene_->frames[i].name, i);
    auto find = [&](const std::string& name) {
        const auto it = byName.find(name);
        return it == byName.end() ? kNoIndex : it->second;
    };
    for (SceneMesh& m : scene_->meshes)
        for (SceneBone& b : m.bones) {
            b.frame = find(b.frameName);
            if (b.frame == kNoIndex)
                sceneDiag_.warn("bone " + quoteForMessage(b.frameName) + " of " + label("Mesh", m.name) +
                                " names no frame");
        }
    for (SceneAnimationSet& set : scene_->animationSets)
        for (SceneAnimation& a : set.animations) {
            if (a.frameName.empty())
                continue;
            a.frame = find(a.frameName);
            if (a.frame == kNoIndex)
                sceneDiag_.warn("Animation in " + label("AnimationSet", set.name) + " names frame " +
                                quoteForMessage(a.frameName) + ", which does not exist");
        }
}

}  // namespace

template <class Lexer>
bool readObjects(Lexer& lex, MeshBuilder& builder, Diagnostics& diag, Scene* scene)
{
    ObjectReader<Lexer> reader(lex, builder, diag, scene);
    return reader.readFile();
}

template bool readObjects<TextLexer>(TextLexer&, MeshBuilder&, Diagnostics&, Scene*);
template bool readObjects<BinaryLexer>(BinaryLexer&, MeshBuilder&, Diagnostics&, Scene*);

}  // namespace xfile::detail
