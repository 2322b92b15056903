#include "binary_encoding.h"

#include <bit>
#include <cstdint>
#include <map>
#include <stdexcept>

namespace xgen {

namespace {

enum : std::uint16_t {
    kName = 1,
    kString = 2,
    kInteger = 3,
    kGuid = 5,
    kIntegerList = 6,
    kFloatList = 7,
    kOpenBrace = 10,
    kCloseBrace = 11,
    kOpenBracket = 14,
    kCloseBracket = 15,
    kDot = 18,
    kComma = 19,
    kSemicolon = 20,
};

const std::map<std::string, std::uint16_t>& keywordIds()
{
    static const std::map<std::string, std::uint16_t> ids = {
        {"template", 31}, {"WORD", 40},    {"DWORD", 41},   {"FLOAT", 42},  {"DOUBLE", 43},
        {"CHAR", 44},     {"UCHAR", 45},   {"SWORD", 46},   {"SDWORD", 47}, {"VOID", 48},
        {"STRING", 49},   {"UNICODE", 50}, {"CSTRING", 51}, {"array", 52}};
    return ids;
}

std::uint16_t symbolId(char c)
{
    switch (c) {
    case '{':
        return kOpenBrace;
    case '}':
        return kCloseBrace;
    case '[':
        return kOpenBracket;
    case ']':
        return kCloseBracket;
    case '.':
        return kDot;
    case ',':
        return kComma;
    case ';':
        return kSemicolon;
    default:
        throw std::invalid_argument("symbol without a binary token");
    }
}

class ByteWriter {
public:
    void u16(std::uint16_t v)
    {
        bytes.push_back(static_cast<char>(v & 0xFF));
        bytes.push_back(static_cast<char>(v >> 8));
    }
    void u32(std::uint32_t v)
    {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<char>((v >> shift) & 0xFF));
        }
    }
    void u64(std::uint64_t v)
    {
        u32(static_cast<std::uint32_t>(v));
        u32(static_cast<std::uint32_t>(v >> 32));
    }
    void text(const std::string& s)
    {
        u32(static_cast<std::uint32_t>(s.size()));
        bytes += s;
    }

    std::string bytes;
};

std::uint32_t hexValue(const std::string& s, std::size_t pos, std::size_t digits)
{
    return static_cast<std::uint32_t>(std::stoul(s.substr(pos, digits), nullptr, 16));
}

// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" -> Data1, Data2, Data3, Data4[8].
void writeGuid(ByteWriter& w, const std::string& g)
{
    if (g.size() != 36) {
        throw std::invalid_argument("malformed GUID " + g);
    }
    w.u32(hexValue(g, 0, 8));
    w.u16(static_cast<std::uint16_t>(hexValue(g, 9, 4)));
    w.u16(static_cast<std::uint16_t>(hexValue(g, 14, 4)));
    const std::size_t data4[8] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (std::size_t pos : data4) {
        w.bytes.push_back(static_cast<char>(hexValue(g, pos, 2)));
    }
}

class BinaryEncoder {
public:
    explicit BinaryEncoder(FloatWidth floats) : floats_(floats) {}

    std::string encode(const std::vector<Token>& tokens)
    {
        for (const Token& t : tokens) {
            token(t);
        }
        flushLists();
        return out_.bytes;
    }

private:
    void token(const Token& t)
    {
        switch (t.kind) {
        case TokenKind::LineBreak:
            return;
        case TokenKind::Integer:
            if (templateDepth_ > 0) {
                flushLists();
                out_.u16(kInteger);
                out_.u32(t.integer);
            } else {
                flushFloats();
                integers_.push_back(t.integer);
            }
            lastWasString_ = false;
            return;
        case TokenKind::Float:
            flushIntegers();
            floatValues_.push_back(t.number);
            lastWasString_ = false;
            return;
        case TokenKind::Symbol:
            symbol(t.symbol);
            return;
        default:
            break;
        }
        flushLists();
        lastWasString_ = false;
        switch (t.kind) {
        case TokenKind::Name:
            out_.u16(kName);
            out_.text(t.text);
            break;
        case TokenKind::String:
            out_.u16(kString);
            out_.text(t.text);
            lastWasString_ = true;
            break;
        case TokenKind::Guid:
            out_.u16(kGuid);
            writeGuid(out_, t.text);
            break;
        case TokenKind::Keyword:
            out_.u16(keywordIds().at(t.text));
            if (t.text == "template") {
                pendingTemplate_ = true;
            }
            break;
        default:
            break;
        }
    }

    void symbol(char c)
    {
        const bool separator = c == ',' || c == ';';
        if (separator && templateDepth_ == 0) {
            // Data separators survive only as the terminator of a string.
            if (lastWasString_) {
                out_.u16(symbolId(c));
                lastWasString_ = false;
            }
            return;
        }
        flushLists();
        lastWasString_ = false;
        out_.u16(symbolId(c));
        if (c == '{' && (pendingTemplate_ || templateDepth_ > 0)) {
            ++templateDepth_;
            pendingTemplate_ = false;
        } else if (c == '}' && templateDepth_ > 0) {
            --templateDepth_;
        }
    }

    void flushLists()
    {
        flushIntegers();
        flushFloats();
    }

    void flushIntegers()
    {
        if (integers_.empty()) {
            return;
        }
        out_.u16(kIntegerList);
        out_.u32(static_cast<std::uint32_t>(integers_.size()));
        for (std::uint32_t v : integers_) {
            out_.u32(v);
        }
        integers_.clear();
    }

    void flushFloats()
    {
        if (floatValues_.empty()) {
            return;
        }
        out_.u16(kFloatList);
        out_.u32(static_cast<std::uint32_t>(floatValues_.size()));
        for (double v : floatValues_) {
            if (floats_ == FloatWidth::Bits64) {
                out_.u64(std::bit_cast<std::uint64_t>(v));
            } else {
                out_.u32(std::bit_cast<std::uint32_t>(static_cast<float>(v)));
            }
        }
        floatValues_.clear();
    }

    FloatWidth floats_;
    ByteWriter out_;
    std::vector<std::uint32_t> integers_;
    std::vector<double> floatValues_;
    int templateDepth_ = 0;
    bool pendingTemplate_ = false;
    bool lastWasString_ = false;
};

}  // namespace

std::string encodeBinary(const std::vector<Token>& tokens, FloatWidth floats)
{
    return BinaryEncoder(floats).encode(tokens);
}

}  // namespace xgen
