#pragma once

// The token stream that sits between a Scene and its byte encodings. Text and
// binary encoders both consume it, so the two always carry the same content.

#include "xscene.h"

#include <cstdint>
#include <string>
#include <vector>

namespace xgen {

enum class TokenKind {
    Name,       // identifier: template or object name, member name, reference
    String,     // quoted string value
    Integer,    // DWORD value, or a fixed array size inside a template
    Float,      // FLOAT value
    Guid,       // text holds the 36 hex-and-dash characters, without brackets
    Symbol,     // one of { } [ ] . , ;
    Keyword,    // template, array, or a primitive type name (text holds it)
    LineBreak,  // layout hint for the text encoding; carries no content
};

struct Token {
    TokenKind kind = TokenKind::Symbol;
    std::string text{};
    std::uint32_t integer = 0;
    double number = 0.0;
    char symbol = 0;
};

// Keyword spellings known to both encodings.
bool isKeyword(const std::string& word);

std::vector<Token> sceneTokens(const Scene& scene);

// Declarations of the standard templates a mesh file uses, as tokens.
std::vector<Token> standardTemplateTokens();

}  // namespace xgen
