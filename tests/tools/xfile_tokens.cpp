#include "xfile_tokens.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace xtest {

namespace {

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what); }

std::uint32_t readU32(std::string_view s, std::size_t at)
{
    if (at + 4 > s.size()) {
        fail("truncated u32");
    }
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = (v << 8) | static_cast<unsigned char>(s[at + i]);
    }
    return v;
}

std::uint16_t readU16(std::string_view s, std::size_t at)
{
    if (at + 2 > s.size()) {
        fail("truncated u16");
    }
    return static_cast<std::uint16_t>(static_cast<unsigned char>(s[at]) |
                                      (static_cast<unsigned char>(s[at + 1]) << 8));
}

bool isKeywordText(const std::string& w)
{
    static const char* const words[] = {"template", "array",  "WORD",    "DWORD",  "FLOAT",
                                        "DOUBLE",   "CHAR",   "UCHAR",   "SWORD",  "SDWORD",
                                        "VOID",     "STRING", "UNICODE", "CSTRING"};
    return std::find_if(std::begin(words), std::end(words), [&](const char* k) { return w == k; }) !=
           std::end(words);
}

const char* keywordForId(std::uint16_t id)
{
    switch (id) {
    case 31:
        return "template";
    case 40:
        return "WORD";
    case 41:
        return "DWORD";
    case 42:
        return "FLOAT";
    case 43:
        return "DOUBLE";
    case 44:
        return "CHAR";
    case 45:
        return "UCHAR";
    case 46:
        return "SWORD";
    case 47:
        return "SDWORD";
    case 48:
        return "VOID";
    case 49:
        return "STRING";
    case 50:
        return "UNICODE";
    case 51:
        return "CSTRING";
    case 52:
        return "array";
    default:
        return nullptr;
    }
}

std::string upper(std::string s)
{
    for (char& c : s) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return s;
}

}  // namespace

std::string inflateMsZip(std::string_view data, std::vector<MsZipBlock>& blocks, bool carryHistory,
                         std::size_t baseOffset)
{
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) {
        fail("inflateInit2");
    }
    std::string out;
    std::size_t at = 0;
    try {
        while (at < data.size()) {
            MsZipBlock block{baseOffset + at, readU16(data, at), readU16(data, at + 2), false};
            at += 4;
            if (block.compressedSize < 2 || at + block.compressedSize > data.size()) {
                fail("block runs past the end of the file");
            }
            block.hasSignature = data.substr(at, 2) == "CK";
            blocks.push_back(block);
            if (!block.hasSignature) {
                fail("block without CK");
            }
            inflateReset(&z);
            if (carryHistory && !out.empty()) {
                const std::size_t n = std::min<std::size_t>(out.size(), 32768);
                inflateSetDictionary(&z, reinterpret_cast<const Bytef*>(out.data() + out.size() - n),
                                     static_cast<uInt>(n));
            }
            std::string chunk(block.uncompressedSize + 1, '\0');  // one spare byte to detect overruns
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + at + 2));
            z.avail_in = static_cast<uInt>(block.compressedSize - 2);
            z.next_out = reinterpret_cast<Bytef*>(chunk.data());
            z.avail_out = static_cast<uInt>(chunk.size());
            const int rc = inflate(&z, Z_FINISH);
            if (rc != Z_STREAM_END) {
                fail("block does not inflate to a complete deflate stream");
            }
            if (chunk.size() - z.avail_out != block.uncompressedSize) {
                fail("block inflates to a size other than declared");
            }
            chunk.resize(block.uncompressedSize);
            out += chunk;
            at += block.compressedSize;
        }
    } catch (...) {
        inflateEnd(&z);
        throw;
    }
    inflateEnd(&z);
    return out;
}

std::vector<XToken> textTokens(std::string_view s)
{
    std::vector<XToken> out;
    std::size_t i = 0;
    while (i < s.size()) {
        const char c = s[i];
        if (std::isspace(static_cast<unsigned char>(c)) || c == ',' || c == ';') {
            ++i;
        } else if (c == '#' || (c == '/' && i + 1 < s.size() && s[i + 1] == '/')) {
            while (i < s.size() && s[i] != '\n') {
                ++i;
            }
        } else if (c == '"') {
            const std::size_t end = s.find('"', i + 1);
            if (end == std::string_view::npos) {
                fail("unterminated string");
            }
            out.push_back({XToken::String, std::string(s.substr(i + 1, end - i - 1))});
            i = end + 1;
        } else if (c == '<') {
            const std::size_t end = s.find('>', i);
            if (end == std::string_view::npos) {
                fail("unterminated GUID");
            }
            out.push_back({XToken::Guid, upper(std::string(s.substr(i + 1, end - i - 1)))});
            i = end + 1;
        } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' ||
                   (c == '.' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            std::size_t end = i + 1;
            while (end < s.size() && (std::isdigit(static_cast<unsigned char>(s[end])) || s[end] == '.')) {
                ++end;
            }
            const std::string number(s.substr(i, end - i));
            if (number.find('.') != std::string::npos) {
                XToken t{XToken::Float};
                t.number = std::stod(number);
                out.push_back(t);
            } else {
                XToken t{XToken::Integer};
                t.integer = std::stoull(number);
                out.push_back(t);
            }
            i = end;
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            std::size_t end = i;
            while (end < s.size() && (std::isalnum(static_cast<unsigned char>(s[end])) || s[end] == '_')) {
                ++end;
            }
            const std::string word(s.substr(i, end - i));
            out.push_back({isKeywordText(word) ? XToken::Keyword : XToken::Name, word});
            i = end;
        } else if (std::strchr("{}[].", c)) {
            out.push_back({XToken::Punct, std::string(1, c)});
            ++i;
        } else {
            fail(std::string("unexpected character '") + c + "' in text");
        }
    }
    return out;
}

std::vector<XToken> binaryTokens(std::string_view s, int floatBits)
{
    std::vector<XToken> out;
    std::size_t i = 0;
    const auto text = [&](XToken::Kind kind) {
        const std::uint32_t n = readU32(s, i);
        i += 4;
        if (i + n > s.size()) {
            fail("truncated name or string");
        }
        out.push_back({kind, std::string(s.substr(i, n))});
        i += n;
    };
    while (i < s.size()) {
        const std::uint16_t id = readU16(s, i);
        i += 2;
        switch (id) {
        case 1:
            text(XToken::Name);
            break;
        case 2:
            text(XToken::String);
            break;
        case 3: {
            XToken t{XToken::Integer};
            t.integer = readU32(s, i);
            i += 4;
            out.push_back(t);
            break;
        }
        case 5: {
            if (i + 16 > s.size()) {
                fail("truncated GUID");
            }
            char buffer[40];
            std::snprintf(buffer, sizeof buffer, "%08X-%04X-%04X-", readU32(s, i), readU16(s, i + 4),
                          readU16(s, i + 6));
            std::string g = buffer;
            for (int k = 0; k < 8; ++k) {
                std::snprintf(buffer, sizeof buffer, "%02X", static_cast<unsigned char>(s[i + 8 + k]));
                g += buffer;
                if (k == 1) {
                    g += '-';
                }
            }
            out.push_back({XToken::Guid, g});
            i += 16;
            break;
        }
        case 6: {
            const std::uint32_t n = readU32(s, i);
            i += 4;
            for (std::uint32_t k = 0; k < n; ++k, i += 4) {
                XToken t{XToken::Integer};
                t.integer = readU32(s, i);
                out.push_back(t);
            }
            break;
        }
        case 7: {
            const std::uint32_t n = readU32(s, i);
            i += 4;
            const std::size_t width = floatBits == 64 ? 8 : 4;
            if (i + std::size_t{n} * width > s.size()) {
                fail("truncated float list");
            }
            for (std::uint32_t k = 0; k < n; ++k, i += width) {
                XToken t{XToken::Float};
                if (width == 8) {
                    double d;
                    std::memcpy(&d, s.data() + i, 8);
                    t.number = d;
                } else {
                    float f;
                    std::memcpy(&f, s.data() + i, 4);
                    t.number = f;
                }
                out.push_back(t);
            }
            break;
        }
        case 10:
            out.push_back({XToken::Punct, "{"});
            break;
        case 11:
            out.push_back({XToken::Punct, "}"});
            break;
        case 14:
            out.push_back({XToken::Punct, "["});
            break;
        case 15:
            out.push_back({XToken::Punct, "]"});
            break;
        case 18:
            out.push_back({XToken::Punct, "."});
            break;
        case 19:
        case 20:
            break;
        default:
            if (const char* k = keywordForId(id)) {
                out.push_back({XToken::Keyword, k});
            } else {
                fail("invalid binary token " + std::to_string(id));
            }
        }
    }
    return out;
}

DecodedFile decodeXFile(std::string_view file)
{
    if (file.size() < 16 || file.substr(0, 4) != "xof ") {
        fail("no xof header");
    }
    DecodedFile d;
    d.format = std::string(file.substr(8, 4));
    const std::string_view width = file.substr(12, 4);
    d.floatBits = width == "0064" ? 64 : (width == "0032" ? 32 : 0);
    if (d.floatBits == 0) {
        fail("bad float size");
    }
    if (d.format == "tzip" || d.format == "bzip") {
        d.declaredTotal = readU32(file, 16);
        d.body = inflateMsZip(file.substr(20), d.blocks);
        if (d.body.size() + 16 != d.declaredTotal) {
            fail("declared total size does not match the blocks");
        }
    } else if (d.format == "txt " || d.format == "bin ") {
        d.body = std::string(file.substr(16));
    } else {
        fail("unknown format " + d.format);
    }
    const bool binary = d.format == "bin " || d.format == "bzip";
    d.tokens = binary ? binaryTokens(d.body, d.floatBits) : textTokens(d.body);
    return d;
}

bool sameTokens(const std::vector<XToken>& a, const std::vector<XToken>& b, double tolerance,
                std::string& where)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const XToken& x = a[i];
        const XToken& y = b[i];
        bool same = x.kind == y.kind;
        if (same) {
            if (x.kind == XToken::Integer) {
                same = x.integer == y.integer;
            } else if (x.kind == XToken::Float) {
                same = std::abs(x.number - y.number) <= tolerance * std::max(1.0, std::abs(x.number));
            } else {
                same = x.text == y.text;
            }
        }
        if (!same) {
            where = "token " + std::to_string(i) + " differs";
            return false;
        }
    }
    if (a.size() != b.size()) {
        where = "token counts differ: " + std::to_string(a.size()) + " vs " + std::to_string(b.size());
        return false;
    }
    return true;
}

}  // namespace xtest
