#pragma once

// Small appender used while turning declarations and data into tokens.

#include "xtokens.h"

namespace xgen {

class TokenStream {
public:
    explicit TokenStream(std::vector<Token>& out) : out_(out) {}

    void name(const std::string& text) { push({TokenKind::Name, text}); }
    void keyword(const std::string& text) { push({TokenKind::Keyword, text}); }
    void guid(const std::string& text) { push({TokenKind::Guid, text}); }
    void string(const std::string& text) { push({TokenKind::String, text}); }
    void integer(std::uint32_t value)
    {
        Token t{TokenKind::Integer};
        t.integer = value;
        push(t);
    }
    void number(double value)
    {
        Token t{TokenKind::Float};
        t.number = value;
        push(t);
    }
    void symbol(char c)
    {
        Token t{TokenKind::Symbol};
        t.symbol = c;
        push(t);
    }
    void lineBreak() { push({TokenKind::LineBreak}); }

private:
    void push(Token t) { out_.push_back(std::move(t)); }
    std::vector<Token>& out_;
};

}  // namespace xgen
