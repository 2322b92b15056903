#include "text_encoding.h"

#include <charconv>
#include <stdexcept>

namespace xgen {

std::string formatFloat(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    if (result.ec != std::errc()) {
        throw std::runtime_error("cannot format float");
    }
    std::string text(buffer, result.ptr);
    if (text == "-0.000000") {
        text.erase(0, 1);
    }
    return text;
}

namespace {

bool isWordLike(const Token& t) { return t.kind != TokenKind::Symbol && t.kind != TokenKind::LineBreak; }

// Whether a space is needed between two tokens on the same line.
bool needsSpace(const Token& previous, const Token& next)
{
    if (next.kind == TokenKind::Symbol) {
        switch (next.symbol) {
        case '{':
            return true;
        case '}':
            return isWordLike(previous) || (previous.kind == TokenKind::Symbol && previous.symbol == ';');
        case '[':
            return previous.kind == TokenKind::Symbol && previous.symbol == ';';
        default:
            return false;  // , ; [ ] . stick to what precedes them
        }
    }
    if (previous.kind == TokenKind::Symbol) {
        // Inside template declarations a member follows the ';' of the one
        // before; data values follow their separators directly.
        const bool declaration = next.kind == TokenKind::Name || next.kind == TokenKind::Keyword;
        return previous.symbol == '{' || previous.symbol == '}' || previous.symbol == ']' ||
               (previous.symbol == ';' && declaration);
    }
    return true;
}

std::string spell(const Token& t)
{
    switch (t.kind) {
    case TokenKind::Name:
    case TokenKind::Keyword:
        return t.text;
    case TokenKind::String:
        return '"' + t.text + '"';
    case TokenKind::Integer:
        return std::to_string(t.integer);
    case TokenKind::Float:
        return formatFloat(t.number);
    case TokenKind::Guid:
        return '<' + t.text + '>';
    case TokenKind::Symbol:
        return std::string(1, t.symbol);
    case TokenKind::LineBreak:
        break;
    }
    return {};
}

}  // namespace

std::string encodeText(const std::vector<Token>& tokens)
{
    std::string text = "\n";
    int depth = 0;
    bool lineStart = true;
    const Token* previous = nullptr;
    for (const Token& t : tokens) {
        if (t.kind == TokenKind::LineBreak) {
            if (!lineStart) {
                text += '\n';
                lineStart = true;
            }
            continue;
        }
        const bool closes = t.kind == TokenKind::Symbol && t.symbol == '}';
        if (closes) {
            --depth;
        }
        if (lineStart) {
            text.append(static_cast<std::size_t>(depth < 0 ? 0 : depth), ' ');
        } else if (previous && needsSpace(*previous, t)) {
            text += ' ';
        }
        text += spell(t);
        if (t.kind == TokenKind::Symbol && t.symbol == '{') {
            ++depth;
        }
        lineStart = false;
        previous = &t;
    }
    if (!lineStart) {
        text += '\n';
    }
    return text;
}

}  // namespace xgen
