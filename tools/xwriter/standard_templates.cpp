// The standard template declarations, kept as .x text and split into tokens,
// so that a file can repeat them at its top in whichever encoding it uses.

#include "token_stream.h"

#include <array>
#include <cctype>
#include <stdexcept>
#include <string_view>

namespace xgen {

namespace {

constexpr std::string_view kDeclarations = R"(
template Vector { <3D82AB5E-62DA-11CF-AB39-0020AF71E433> FLOAT x; FLOAT y; FLOAT z; }
template Coords2d { <F6F23F44-7686-11CF-8F52-0040333594A3> FLOAT u; FLOAT v; }
template Matrix4x4 { <F6F23F45-7686-11CF-8F52-0040333594A3> array FLOAT matrix[16]; }
template ColorRGBA { <35FF44E0-6C7C-11CF-8F52-0040333594A3> FLOAT red; FLOAT green; FLOAT blue; FLOAT alpha; }
template ColorRGB { <D3E16E81-7835-11CF-8F52-0040333594A3> FLOAT red; FLOAT green; FLOAT blue; }
template TextureFilename { <A42790E1-7810-11CF-8F52-0040333594A3> STRING filename; }
template Material { <3D82AB4D-62DA-11CF-AB39-0020AF71E433> ColorRGBA faceColor; FLOAT power; ColorRGB specularColor; ColorRGB emissiveColor; [...] }
template MeshFace { <3D82AB5F-62DA-11CF-AB39-0020AF71E433> DWORD nFaceVertexIndices; array DWORD faceVertexIndices[nFaceVertexIndices]; }
template MeshTextureCoords { <F6F23F40-7686-11CF-8F52-0040333594A3> DWORD nTextureCoords; array Coords2d textureCoords[nTextureCoords]; }
template MeshMaterialList { <F6F23F42-7686-11CF-8F52-0040333594A3> DWORD nMaterials; DWORD nFaceIndexes; array DWORD faceIndexes[nFaceIndexes]; [Material <3D82AB4D-62DA-11CF-AB39-0020AF71E433>] }
template MeshNormals { <F6F23F43-7686-11CF-8F52-0040333594A3> DWORD nNormals; array Vector normals[nNormals]; DWORD nFaceNormals; array MeshFace faceNormals[nFaceNormals]; }
template Mesh { <3D82AB44-62DA-11CF-AB39-0020AF71E433> DWORD nVertices; array Vector vertices[nVertices]; DWORD nFaces; array MeshFace faces[nFaces]; [...] }
template FrameTransformMatrix { <F6F23F41-7686-11CF-8F52-0040333594A3> Matrix4x4 frameMatrix; }
template Frame { <3D82AB46-62DA-11CF-AB39-0020AF71E433> [...] }
template Header { <3D82AB43-62DA-11CF-AB39-0020AF71E433> WORD major; WORD minor; DWORD flags; }
)";

constexpr std::array<std::string_view, 14> kKeywords = {"template", "array",  "WORD",    "DWORD",  "FLOAT",
                                                        "DOUBLE",   "CHAR",   "UCHAR",   "SWORD",  "SDWORD",
                                                        "VOID",     "STRING", "UNICODE", "CSTRING"};

bool isWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

}  // namespace

bool isKeyword(const std::string& word)
{
    for (std::string_view k : kKeywords) {
        if (word == k) {
            return true;
        }
    }
    return false;
}

std::vector<Token> standardTemplateTokens()
{
    std::vector<Token> tokens;
    TokenStream out(tokens);
    std::size_t i = 0;
    while (i < kDeclarations.size()) {
        const char c = kDeclarations[i];
        if (c == '\n') {
            if (!tokens.empty()) {
                out.lineBreak();
            }
            ++i;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '<') {
            const std::size_t end = kDeclarations.find('>', i);
            out.guid(std::string(kDeclarations.substr(i + 1, end - i - 1)));
            i = end + 1;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            std::uint32_t value = 0;
            while (std::isdigit(static_cast<unsigned char>(kDeclarations[i]))) {
                value = value * 10 + static_cast<std::uint32_t>(kDeclarations[i++] - '0');
            }
            out.integer(value);
        } else if (isWordChar(c)) {
            std::size_t end = i;
            while (end < kDeclarations.size() && isWordChar(kDeclarations[end])) {
                ++end;
            }
            const std::string word(kDeclarations.substr(i, end - i));
            if (isKeyword(word)) {
                out.keyword(word);
            } else {
                out.name(word);
            }
            i = end;
        } else if (std::string_view("{}[].,;").find(c) != std::string_view::npos) {
            out.symbol(c);
            ++i;
        } else {
            throw std::logic_error("unexpected character in template declarations");
        }
    }
    return tokens;
}

}  // namespace xgen
