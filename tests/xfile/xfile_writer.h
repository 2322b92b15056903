// Test-side encoders: turn the body of a text .x file into the binary token
// stream, and wrap any body in MSZIP blocks. They are written independently
// of the reader (straight from the token and block layouts) so that reading
// the same model in every encoding cross-checks both tokenizers and the
// decompressor.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "xwriter/mszip.h"

namespace xtest {

inline void put16(std::string& out, unsigned v)
{
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}
inline void put32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += char((v >> (8 * i)) & 0xFF);
}

// 16-byte header, e.g. header("txt ", 32).
inline std::string header(const char* format, int floatBits = 32)
{
    return std::string("xof 0303") + format + (floatBits == 64 ? "0064" : "0032");
}

inline bool isWordChar(char c)
{
    return !(c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '{' || c == '}' || c == '[' ||
             c == ']' || c == ';' || c == ',' || c == '"' || c == '<' || c == '>');
}

// Converts a text body (no header) to binary tokens. Numbers containing '.'
// or an exponent become FLOAT_LIST elements, other numbers INTEGER_LIST
// elements; consecutive numbers of one kind share a list and the separators
// between them are dropped, as binary writers do. Inside template
// declarations, keywords become keyword tokens and array sizes INTEGER tokens.
inline std::string textToBinary(std::string_view text, int floatBits = 32)
{
    std::string out;
    std::vector<double> floats;
    std::vector<std::uint32_t> ints;
    auto flush = [&] {
        if (!ints.empty()) {
            put16(out, 6);
            put32(out, std::uint32_t(ints.size()));
            for (std::uint32_t v : ints)
                put32(out, v);
            ints.clear();
        }
        if (!floats.empty()) {
            put16(out, 7);
            put32(out, std::uint32_t(floats.size()));
            for (double d : floats) {
                if (floatBits == 64) {
                    std::uint64_t b;
                    std::memcpy(&b, &d, 8);
                    put32(out, std::uint32_t(b));
                    put32(out, std::uint32_t(b >> 32));
                } else {
                    float f = float(d);
                    std::uint32_t b;
                    std::memcpy(&b, &f, 4);
                    put32(out, b);
                }
            }
            floats.clear();
        }
    };
    int templateDepth = -1;  // brace depth of the template being declared
    int depth = 0;
    bool templateNext = false;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (c == '#' || (c == '/' && i + 1 < text.size() && text[i + 1] == '/')) {
            while (i < text.size() && text[i] != '\n')
                ++i;
            continue;
        }
        if (c == ';' || c == ',') {
            if (ints.empty() && floats.empty())
                put16(out, c == ';' ? 20 : 19);
            ++i;
            continue;
        }
        const bool numberStart = (c >= '0' && c <= '9') || c == '-' || c == '.';
        if (numberStart && templateDepth < 0) {
            std::size_t j = i;
            while (j < text.size() && isWordChar(text[j]))
                ++j;
            const std::string word(text.substr(i, j - i));
            if (word.find_first_of(".eE") != std::string::npos) {
                if (!ints.empty())
                    flush();
                floats.push_back(std::strtod(word.c_str(), nullptr));
            } else {
                if (!floats.empty())
                    flush();
                ints.push_back(std::uint32_t(std::strtoul(word.c_str(), nullptr, 10)));
            }
            i = j;
            continue;
        }
        flush();
        if (c == '{') {
            put16(out, 10);
            if (templateNext)
                templateDepth = depth, templateNext = false;
            ++depth;
            ++i;
        } else if (c == '}') {
            put16(out, 11);
            --depth;
            if (depth == templateDepth)
                templateDepth = -1;
            ++i;
        } else if (c == '[') {
            put16(out, 14);
            ++i;
        } else if (c == ']') {
            put16(out, 15);
            ++i;
        } else if (c == '"') {
            const std::size_t close = text.find('"', i + 1);
            if (close == std::string_view::npos)
                throw std::runtime_error("unterminated string in test input");
            put16(out, 2);
            put32(out, std::uint32_t(close - i - 1));
            out.append(text.substr(i + 1, close - i - 1));
            put16(out, 20);
            i = close + 1;
            // The text's own separator after the string would be a second one.
            while (i < text.size() && (text[i] == ';' || text[i] == ' '))
                ++i;
        } else if (c == '<') {
            const std::size_t close = text.find('>', i);
            const std::string g(text.substr(i + 1, close - i - 1));
            put16(out, 5);
            auto hex = [&](std::size_t at, int n) {
                return std::strtoull(g.substr(at, n).c_str(), nullptr, 16);
            };
            put32(out, std::uint32_t(hex(0, 8)));
            put16(out, unsigned(hex(9, 4)));
            put16(out, unsigned(hex(14, 4)));
            for (int b = 0; b < 2; ++b)
                out += char(hex(19 + 2 * b, 2));
            for (int b = 0; b < 6; ++b)
                out += char(hex(24 + 2 * b, 2));
            i = close + 1;
        } else {
            std::size_t j = i;
            while (j < text.size() && isWordChar(text[j]))
                ++j;
            const std::string word(text.substr(i, j - i));
            i = j;
            static const char* kTypes[] = {"WORD",  "DWORD",  "FLOAT", "DOUBLE", "CHAR",    "UCHAR",
                                           "SWORD", "SDWORD", "VOID",  "STRING", "UNICODE", "CSTRING"};
            if (word == "template") {
                put16(out, 31);
                templateNext = true;
                continue;
            }
            if (templateDepth >= 0) {
                if (word == "array") {
                    put16(out, 52);
                    continue;
                }
                if (word == "...") {
                    put16(out, 18), put16(out, 18), put16(out, 18);
                    continue;
                }
                bool keyword = false;
                for (unsigned k = 0; k < 12; ++k)
                    if (word == kTypes[k])
                        put16(out, 40 + k), keyword = true;
                if (keyword)
                    continue;
                if (word[0] >= '0' && word[0] <= '9') {
                    put16(out, 3);
                    put32(out, std::uint32_t(std::strtoul(word.c_str(), nullptr, 10)));
                    continue;
                }
            }
            put16(out, 1);
            put32(out, std::uint32_t(word.size()));
            out += word;
        }
    }
    flush();
    return out;
}

// Wraps `body` in MSZIP blocks behind `head` (a 16-byte tzip/bzip header).
// With `history`, each block's deflate stream may refer back into earlier
// blocks (the dictionary is the last 32 KiB before it), as real writers do.
inline std::string mszip(const std::string& head, std::string_view body, std::size_t blockSize = 32768,
                         bool history = true)
{
    std::string out = head;
    put32(out, std::uint32_t(body.size() + 16));
    return out + xgen::msZipBlocks(body, {blockSize, history});
}

}  // namespace xtest
