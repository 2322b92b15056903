#include "xfile/templates.h"

#include <cstring>

#include "xfile/binary_lexer.h"
#include "xfile/text_lexer.h"

namespace xfile::detail {

namespace {

// The standard templates, in the text syntax, so one parser serves both.
constexpr const char kStandardTemplates[] = R"(
template Header { <3D82AB43-62DA-11CF-AB39-0020AF71E433> WORD major; WORD minor; DWORD flags; }
template Vector { <3D82AB5E-62DA-11CF-AB39-0020AF71E433> FLOAT x; FLOAT y; FLOAT z; }
template Coords2d { <F6F23F44-7686-11CF-8F52-0040333594A3> FLOAT u; FLOAT v; }
template Matrix4x4 { <F6F23F45-7686-11CF-8F52-0040333594A3> array FLOAT matrix[16]; }
template ColorRGBA { <35FF44E0-6C7C-11CF-8F52-0040333594A3> FLOAT red; FLOAT green; FLOAT blue; FLOAT alpha; }
template ColorRGB { <D3E16E81-7835-11CF-8F52-0040333594A3> FLOAT red; FLOAT green; FLOAT blue; }
template IndexedColor { <1630B820-7842-11CF-8F52-0040333594A3> DWORD index; ColorRGBA indexColor; }
template Boolean { <537DA6A0-CA37-11D0-941C-0080C80CFA7B> DWORD truefalse; }
template Boolean2d { <4885AE63-78E8-11CF-8F52-0040333594A3> Boolean u; Boolean v; }
template MaterialWrap { <4885AE60-78E8-11CF-8F52-0040333594A3> Boolean u; Boolean v; }
template TextureFilename { <A42790E1-7810-11CF-8F52-0040333594A3> STRING filename; }
template Material { <3D82AB4D-62DA-11CF-AB39-0020AF71E433> ColorRGBA faceColor; FLOAT power;
  ColorRGB specularColor; ColorRGB emissiveColor; [...] }
template MeshFace { <3D82AB5F-62DA-11CF-AB39-0020AF71E433> DWORD nFaceVertexIndices;
  array DWORD faceVertexIndices[nFaceVertexIndices]; }
template MeshFaceWraps { <ED1EC5C0-C0A8-11D0-941C-0080C80CFA7B> DWORD nFaceWrapValues;
  array Boolean2d faceWrapValues[nFaceWrapValues]; }
template MeshTextureCoords { <F6F23F40-7686-11CF-8F52-0040333594A3> DWORD nTextureCoords;
  array Coords2d textureCoords[nTextureCoords]; }
template MeshMaterialList { <F6F23F42-7686-11CF-8F52-0040333594A3> DWORD nMaterials; DWORD nFaceIndexes;
  array DWORD faceIndexes[nFaceIndexes]; [Material <3D82AB4D-62DA-11CF-AB39-0020AF71E433>] }
template MeshNormals { <F6F23F43-7686-11CF-8F52-0040333594A3> DWORD nNormals; array Vector normals[nNormals];
  DWORD nFaceNormals; array MeshFace faceNormals[nFaceNormals]; }
template MeshVertexColors { <1630B821-7842-11CF-8F52-0040333594A3> DWORD nVertexColors;
  array IndexedColor vertexColors[nVertexColors]; }
template Mesh { <3D82AB44-62DA-11CF-AB39-0020AF71E433> DWORD nVertices; array Vector vertices[nVertices];
  DWORD nFaces; array MeshFace faces[nFaces]; [...] }
template FrameTransformMatrix { <F6F23F41-7686-11CF-8F52-0040333594A3> Matrix4x4 frameMatrix; }
template Frame { <3D82AB46-62DA-11CF-AB39-0020AF71E433> [...] }
template FloatKeys { <10DD46A9-775B-11CF-8F52-0040333594A3> DWORD nValues; array FLOAT values[nValues]; }
template TimedFloatKeys { <F406B180-7B3B-11CF-8F52-0040333594A3> DWORD time; FloatKeys tfkeys; }
template AnimationKey { <10DD46A8-775B-11CF-8F52-0040333594A3> DWORD keyType; DWORD nKeys;
  array TimedFloatKeys keys[nKeys]; }
template AnimationOptions { <E2BF56C0-840F-11CF-8F52-0040333594A3> DWORD openclosed; DWORD positionquality; }
template Animation { <3D82AB4F-62DA-11CF-AB39-0020AF71E433> [...] }
template AnimationSet { <3D82AB50-62DA-11CF-AB39-0020AF71E433> [Animation <3D82AB4F-62DA-11CF-AB39-0020AF71E433>] }
template AnimTicksPerSecond { <9E415A43-7BA6-4A73-8743-B73D47E88476> DWORD AnimTicksPerSecond; }
template VertexDuplicationIndices { <B8D65549-D7C9-4995-89CF-53A9A8B031E3> DWORD nIndices;
  DWORD nOriginalVertices; array DWORD indices[nIndices]; }
template XSkinMeshHeader { <3CF169CE-FF7C-44AB-93C0-F78F62D172E2> WORD nMaxSkinWeightsPerVertex;
  WORD nMaxSkinWeightsPerFace; WORD nBones; }
template SkinWeights { <6F0D123B-BAD2-4167-A0D0-80224F25FABB> STRING transformNodeName; DWORD nWeights;
  array DWORD vertexIndices[nWeights]; array FLOAT weights[nWeights]; Matrix4x4 matrixOffset; }
template FVFData { <B6E70A0E-8EF9-4E83-94AD-ECC8B0C04897> DWORD dwFVF; DWORD nDWords; array DWORD data[nDWords]; }
template VertexElement { <F752461C-1E23-48F6-B9F8-8350850F336F> DWORD Type; DWORD Method; DWORD Usage;
  DWORD UsageIndex; }
template DeclData { <BF22E553-292C-4781-9FEA-62BD554BDD93> DWORD nElements; array VertexElement Elements[nElements];
  DWORD nDWords; array DWORD data[nDWords]; }
template EffectFloats { DWORD nFloats; array FLOAT Floats[nFloats]; }
template EffectString { STRING Value; }
template EffectDWord { DWORD Value; }
template EffectParamFloats { STRING ParamName; DWORD nFloats;
  array FLOAT Floats[nFloats]; }
template EffectParamString { STRING ParamName; STRING Value; }
template EffectParamDWord { STRING ParamName; DWORD Value; }
template EffectInstance { <E331F7E4-0559-4CC2-8E99-1CEC1657928F> STRING EffectFilename; [...] }
template Guid { <A42790E0-7810-11CF-8F52-0040333594A3> DWORD data1; WORD data2; WORD data3; array UCHAR data4[8]; }
template StringProperty { STRING key; STRING value; }
template PropertyBag { [StringProperty] }
template ExternalVisual { Guid guidExternalVisual; [...] }
template RightHanded { DWORD bRightHanded; }
template CompressedAnimationSet { DWORD CompressedBlockSize;
  FLOAT TicksPerSec; DWORD PlaybackType; DWORD BufferLength; array DWORD CompressedData[BufferLength]; }
)";

struct Primitive {
    const char* name;
    MemberType type;
};
constexpr Primitive kPrimitives[] = {
    {"WORD", MemberType::Word},       {"DWORD", MemberType::Dword},
    {"FLOAT", MemberType::Float},     {"DOUBLE", MemberType::Double},
    {"CHAR", MemberType::Char},       {"UCHAR", MemberType::Uchar},
    {"SWORD", MemberType::Sword},     {"SDWORD", MemberType::Sdword},
    {"BYTE", MemberType::Byte},       {"ULONGLONG", MemberType::Ulonglong},
    {"STRING", MemberType::String},   {"LPSTR", MemberType::String},
    {"CSTRING", MemberType::Cstring}, {"UNICODE", MemberType::Unicode},
    {"BINARY", MemberType::Binary},   {"BINARY_RESOURCE", MemberType::Binary},
    {"VOID", MemberType::Binary},
};

bool primitiveFromName(std::string_view name, MemberType& type)
{
    for (const Primitive& p : kPrimitives)
        if (equalsNoCase(name, p.name)) {
            type = p.type;
            return true;
        }
    return false;
}

bool primitiveFromKeyword(Keyword k, MemberType& type)
{
    switch (k) {
    case Keyword::Word:
        type = MemberType::Word;
        return true;
    case Keyword::Dword:
        type = MemberType::Dword;
        return true;
    case Keyword::Float:
        type = MemberType::Float;
        return true;
    case Keyword::Double:
        type = MemberType::Double;
        return true;
    case Keyword::Char:
        type = MemberType::Char;
        return true;
    case Keyword::Uchar:
        type = MemberType::Uchar;
        return true;
    case Keyword::Sword:
        type = MemberType::Sword;
        return true;
    case Keyword::Sdword:
        type = MemberType::Sdword;
        return true;
    case Keyword::Lpstr:
        type = MemberType::String;
        return true;
    case Keyword::Cstring:
        type = MemberType::Cstring;
        return true;
    case Keyword::Unicode:
        type = MemberType::Unicode;
        return true;
    case Keyword::Void:
        type = MemberType::Binary;
        return true;
    default:
        return false;
    }
}

bool isArrayKeyword(const Token& t)
{
    return (t.kind == Tok::Keyword && t.keyword == Keyword::Array) ||
           (t.kind == Tok::Name && equalsNoCase(t.text, "array"));
}

bool isIntegral(MemberType t)
{
    switch (t) {
    case MemberType::Word:
    case MemberType::Dword:
    case MemberType::Char:
    case MemberType::Uchar:
    case MemberType::Sword:
    case MemberType::Sdword:
    case MemberType::Byte:
    case MemberType::Ulonglong:
        return true;
    default:
        return false;
    }
}

std::string lowerCase(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
    return out;
}

}  // namespace

TemplateRegistry TemplateRegistry::standard()
{
    static const TemplateRegistry built = [] {
        TemplateRegistry r;
        std::vector<std::string> ignored;
        Diagnostics diag(&ignored);
        TextLexer lex(kStandardTemplates, kStandardTemplates + std::strlen(kStandardTemplates), diag);
        Token t;
        while (lex.next(t) && t.kind == Tok::Name) {
            if (!parseTemplateDeclaration(lex, r, diag))
                break;
        }
        return r;
    }();
    return built;
}

const Template* TemplateRegistry::find(std::string_view name, Diagnostics* diag) const
{
    auto it = byName_.find(std::string(name));
    if (it != byName_.end())
        return &templates_[it->second];
    // Native readers know this misspelling from the documentation.
    if (equalsNoCase(name, "indexColor"))
        return find("IndexedColor");
    auto lower = byLowerName_.find(lowerCase(name));
    if (lower == byLowerName_.end())
        return nullptr;
    const Template& t = templates_[lower->second];
    if (diag)
        diag->warn("template name " + quoteForMessage(name) + " matched " + t.name + " ignoring case");
    return &t;
}

void TemplateRegistry::add(Template t)
{
    auto it = byName_.find(t.name);
    if (it != byName_.end()) {
        templates_[it->second] = std::move(t);
        return;
    }
    byName_.emplace(t.name, templates_.size());
    byLowerName_.emplace(lowerCase(t.name), templates_.size());
    templates_.push_back(std::move(t));
}

template <class Lexer>
bool parseTemplateDeclaration(Lexer& lex, TemplateRegistry& registry, Diagnostics& diag)
{
    Template tpl;
    std::string_view name;
    if (!lex.readName(name))
        return false;
    tpl.name.assign(name);
    const std::string where = "template " + quoteForMessage(name) + ": ";
    Token t;
    if (lex.peek() != Tok::LBrace)
        return lex.failExpected(("'{' after " + where).c_str());
    lex.next(t);
    if (lex.peek() == Tok::Guid) {
        if (!lex.next(t))
            return false;
        tpl.guid = t.guid;
        tpl.hasGuid = true;
    }
    for (;;) {
        const Tok k = lex.peek();
        if (k == Tok::RBrace) {
            lex.next(t);
            break;
        }
        if (k == Tok::Separator) {
            lex.next(t);
            continue;
        }
        if (k == Tok::LBracket) {
            // Restriction: which child objects the template accepts.
            lex.next(t);
            tpl.children = Template::Children::Listed;
            for (;;) {
                if (!lex.next(t))
                    return false;
                if (t.kind == Tok::RBracket)
                    break;
                if (t.kind == Tok::Dot || (t.kind == Tok::Name && t.text == "...")) {
                    tpl.children = Template::Children::Any;
                } else if (t.kind == Tok::Name) {
                    tpl.allowedChildren.emplace_back(t.text);
                } else if (t.kind != Tok::Guid && t.kind != Tok::Separator) {
                    return lex.failAt(t.offset, where + "malformed child restriction");
                }
            }
            lex.skipSeparators();
            if (lex.peek() != Tok::RBrace)
                return lex.failExpected(("'}' to close " + where).c_str());
            lex.next(t);
            break;
        }
        if (k != Tok::Name && k != Tok::Keyword)
            return lex.failExpected(("a member of " + where).c_str());

        TemplateMember member;
        if (!lex.next(t))
            return false;
        const bool isArray = isArrayKeyword(t);
        if (isArray) {
            const Tok tk = lex.peek();
            if (tk != Tok::Name && tk != Tok::Keyword)
                return lex.failExpected(("an array type in " + where).c_str());
            if (!lex.next(t))
                return false;
        }
        if (t.kind == Tok::Keyword) {
            if (!primitiveFromKeyword(t.keyword, member.type))
                return lex.failAt(t.offset, where + "unexpected keyword");
        } else if (!primitiveFromName(t.text, member.type)) {
            const Template* ref = registry.find(t.text, &diag);
            if (!ref)
                return lex.failAt(t.offset, where + "member type " + quoteForMessage(t.text) +
                                                " is not a known template");
            member.type = MemberType::Template;
            member.typeName = ref->name;
        }
        if (lex.peek() == Tok::Name) {
            std::string_view memberName;
            if (!lex.readName(memberName))
                return false;
            member.name.assign(memberName);
        }
        if (isArray) {
            if (lex.peek() != Tok::LBracket)
                return lex.failExpected(("'[' in " + where).c_str());
            while (lex.peek() == Tok::LBracket) {
                lex.next(t);
                TemplateMember::Dimension dim;
                const Tok dk = lex.peek();
                if (dk == Tok::Number) {
                    if (!lex.readUInt(dim.size))
                        return false;
                } else if (dk == Tok::Name) {
                    std::string_view ref;
                    if (!lex.readName(ref))
                        return false;
                    for (std::size_t i = 0; i < tpl.members.size(); ++i)
                        if (tpl.members[i].name == ref && tpl.members[i].dimensions.empty() &&
                            isIntegral(tpl.members[i].type))
                            dim.member = int(i);
                    if (dim.member < 0)
                        return lex.fail(where + "array size " + quoteForMessage(ref) +
                                        " is not an earlier integer member");
                } else {
                    return lex.failExpected(("an array size in " + where).c_str());
                }
                if (lex.peek() != Tok::RBracket)
                    return lex.failExpected(("']' in " + where).c_str());
                lex.next(t);
                member.dimensions.push_back(dim);
            }
        }
        tpl.members.push_back(std::move(member));
    }
    registry.add(std::move(tpl));
    return true;
}

template bool parseTemplateDeclaration<TextLexer>(TextLexer&, TemplateRegistry&, Diagnostics&);
template bool parseTemplateDeclaration<BinaryLexer>(BinaryLexer&, TemplateRegistry&, Diagnostics&);

}  // namespace xfile::detail
