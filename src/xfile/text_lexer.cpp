#include "xfile/text_lexer.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>

namespace xfile::detail {

namespace {

using namespace textchars;

inline std::uint8_t cls(char ch) { return textchars::of(ch); }

int hexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

// Parses "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" (between the angle brackets).
bool parseGuidText(std::string_view s, Guid& g)
{
    static constexpr int kGroups[5] = {8, 4, 4, 4, 12};
    std::uint8_t nibbles[32];
    std::size_t pos = 0;
    int n = 0;
    for (int group = 0; group < 5; ++group) {
        if (group > 0) {
            if (pos >= s.size() || s[pos] != '-')
                return false;
            ++pos;
        }
        for (int i = 0; i < kGroups[group]; ++i, ++pos) {
            if (pos >= s.size())
                return false;
            int v = hexValue(s[pos]);
            if (v < 0)
                return false;
            nibbles[n++] = static_cast<std::uint8_t>(v);
        }
    }
    if (pos != s.size())
        return false;
    auto byteAt = [&](int i) {
        return static_cast<std::uint8_t>((nibbles[2 * i] << 4) | nibbles[2 * i + 1]);
    };
    // Data1..Data3 are little-endian numbers; Data4 is a byte sequence.
    g.bytes[0] = byteAt(3), g.bytes[1] = byteAt(2), g.bytes[2] = byteAt(1), g.bytes[3] = byteAt(0);
    g.bytes[4] = byteAt(5), g.bytes[5] = byteAt(4);
    g.bytes[6] = byteAt(7), g.bytes[7] = byteAt(6);
    for (int i = 8; i < 16; ++i)
        g.bytes[i] = byteAt(i);
    return true;
}

}  // namespace

TextLexer::TextLexer(const char* begin, const char* end, Diagnostics& diag, const char* where)
    : begin_(begin), end_(end), p_(begin), diag_(diag), where_(where)
{
}

void TextLexer::skipSpace() { skipWhile(kSpace); }

void TextLexer::skipSeparatorsSlow() { skipWhile(kSpace | kSep); }

void TextLexer::skipWhile(std::uint8_t classes)
{
    const char* q = p_;
    while (q < end_) {
        char c = *q;
        if (cls(c) & classes) {
            ++q;
        } else if (c == '#' || (c == '/' && q + 1 < end_ && q[1] == '/')) {
            while (q < end_ && *q != '\n' && *q != '\r')
                ++q;
        } else {
            break;
        }
    }
    p_ = q;
}

Tok TextLexer::peek()
{
    skipSpace();
    if (p_ == end_)
        return Tok::End;
    switch (*p_) {
    case '{':
        return Tok::LBrace;
    case '}':
        return Tok::RBrace;
    case '[':
        return Tok::LBracket;
    case ']':
        return Tok::RBracket;
    case ';':
    case ',':
        return Tok::Separator;
    case '"':
        return Tok::String;
    case '<':
        return Tok::Guid;
    case '>':
        return Tok::Other;
    case '-':
    case '+':
    case '.':
        return Tok::Number;
    default:
        return (cls(*p_) & kDigit) ? Tok::Number : Tok::Name;
    }
}

bool TextLexer::next(Token& t)
{
    skipSpace();
    t = Token{};
    t.offset = offset();
    if (p_ == end_) {
        t.kind = Tok::End;
        return true;
    }
    const char c = *p_;
    switch (c) {
    case '{':
        t.kind = Tok::LBrace;
        ++p_;
        return true;
    case '}':
        t.kind = Tok::RBrace;
        ++p_;
        return true;
    case '[':
        t.kind = Tok::LBracket;
        ++p_;
        return true;
    case ']':
        t.kind = Tok::RBracket;
        ++p_;
        return true;
    case ';':
    case ',':
        t.kind = Tok::Separator;
        t.text = std::string_view(p_, 1);
        ++p_;
        return true;
    case '>':
        t.kind = Tok::Other;
        t.text = std::string_view(p_, 1);
        ++p_;
        return true;
    case '"': {
        const char* close = static_cast<const char*>(std::memchr(p_ + 1, '"', std::size_t(end_ - p_ - 1)));
        if (!close)
            return fail("unterminated string");
        t.kind = Tok::String;
        t.text = std::string_view(p_ + 1, std::size_t(close - p_ - 1));
        p_ = close + 1;
        return true;
    }
    case '<': {
        const char* q = p_ + 1;
        while (q < end_ && *q != '>' && q - p_ < 64)
            ++q;
        if (q >= end_ || *q != '>')
            return fail("malformed GUID (no closing '>')");
        if (!parseGuidText(std::string_view(p_ + 1, std::size_t(q - p_ - 1)), t.guid))
            return fail("malformed GUID " + quoteForMessage(std::string_view(p_, std::size_t(q - p_ + 1))));
        t.kind = Tok::Guid;
        p_ = q + 1;
        return true;
    }
    default: {
        const char* q = p_;
        while (q < end_ && !(cls(*q) & kDelim))
            ++q;
        t.kind = Tok::Name;
        t.text = std::string_view(p_, std::size_t(q - p_));
        p_ = q;
        return true;
    }
    }
}

bool TextLexer::readName(std::string_view& name)
{
    skipSpace();
    if (p_ == end_ || (cls(*p_) & kDelim))
        return failExpected("a name");
    const char* q = p_;
    while (q < end_ && !(cls(*q) & kDelim))
        ++q;
    if (q < end_ && *q == '[') {
        // Some exporters write names holding brackets ("Frame Arm[L] {").
        // Such a name is read whole when a brace comes next: an object's
        // '{', or the '}' that closes a reference to it.
        const char* r = q;
        while (r < end_ && (!(cls(*r) & kDelim) || *r == '[' || *r == ']'))
            ++r;
        const char* after = r;
        while (after < end_ && (cls(*after) & kSpace))
            ++after;
        if (after < end_ && (*after == '{' || *after == '}'))
            q = r;
    }
    name = std::string_view(p_, std::size_t(q - p_));
    p_ = q;
    return true;
}

bool TextLexer::parseNumberAt(const char*& q, double& value, bool& special)
{
    special = false;
    bool neg = false;
    if (q < end_ && (*q == '-' || *q == '+')) {
        neg = *q == '-';
        ++q;
    }
    const char* digitsStart = q;
    std::uint64_t m = 0;
    int digits = 0;  // significant digits folded into m
    int exp10 = 0;
    bool any = false;
    bool inexact = false;
    while (q < end_ && (cls(*q) & kDigit)) {
        any = true;
        const unsigned d = unsigned(*q - '0');
        if (digits < 19) {
            m = m * 10 + d;
            if (m)
                ++digits;
        } else {
            ++exp10;
            inexact |= d != 0;
        }
        ++q;
    }
    if (q < end_ && *q == '.') {
        ++q;
        while (q < end_ && (cls(*q) & kDigit)) {
            any = true;
            const unsigned d = unsigned(*q - '0');
            if (digits < 19) {
                m = m * 10 + d;
                --exp10;
                if (m)
                    ++digits;
            } else {
                inexact |= d != 0;
            }
            ++q;
        }
    }
    if (!any)
        return false;
    if (q < end_ && *q == '#') {
        // MSVC's printf spelling of NaN and infinity (1.#IND00, -1.#QNAN0, 1.#INF00).
        while (q < end_ && !(cls(*q) & kDelim))
            ++q;
        special = true;
        value = 0;
        return true;
    }
    if (q < end_ && (*q == 'e' || *q == 'E')) {
        const char* e = q + 1;
        int sign = 1;
        if (e < end_ && (*e == '-' || *e == '+')) {
            sign = *e == '-' ? -1 : 1;
            ++e;
        }
        if (e >= end_ || !(cls(*e) & kDigit))
            return false;
        int ev = 0;
        while (e < end_ && (cls(*e) & kDigit)) {
            if (ev < 100000)
                ev = ev * 10 + (*e - '0');
            ++e;
        }
        exp10 += sign * ev;
        q = e;
    }
    if (q < end_ && !(cls(*q) & kNumEnd))
        return false;

    if (m == 0) {
        value = neg ? -0.0 : 0.0;
        return true;
    }
    if (!inexact && m <= (std::uint64_t(1) << 53) && exp10 >= -22 && exp10 <= 22) {
        // Both operands are exact doubles, so one IEEE operation rounds correctly.
        double v = double(m);
        v = exp10 < 0 ? v / kPow10[-exp10] : v * kPow10[exp10];
        value = neg ? -v : v;
        return true;
    }
    double v = 0;
    auto res = std::from_chars(digitsStart, q, v, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        v = exp10 > 0 ? HUGE_VAL : 0.0;
    } else if (res.ec != std::errc() || res.ptr != q) {
        return false;
    }
    value = neg ? -v : v;
    return true;
}

bool TextLexer::readUIntSlow(std::uint32_t& value)
{
    skipSeparators();
    const char* q = p_;
    std::uint64_t v = 0;
    int n = 0;
    while (q < end_ && (cls(*q) & kDigit) && n < 11) {
        v = v * 10 + unsigned(*q - '0');
        ++q;
        ++n;
    }
    if (n > 0 && (q == end_ || (cls(*q) & kNumEnd)) && v <= 0xFFFFFFFFu) {
        value = static_cast<std::uint32_t>(v);
        p_ = q;
        return true;
    }
    // Not a plain integer: accept an integral float ("3.000000;"), as some
    // exporters write counts that way.
    q = p_;
    double d = 0;
    bool special = false;
    if (p_ == end_ || !parseNumberAt(q, d, special))
        return failExpected("an integer");
    if (special || !(d >= 0) || d != std::floor(d) || d > 4294967295.0)
        return fail("expected an unsigned integer, found " +
                    quoteForMessage(std::string_view(p_, std::size_t(q - p_))));
    if (!warnedDecimalCount_) {
        warnedDecimalCount_ = true;
        diag_.warn("integer written as a decimal number (first at line " + std::to_string(lineOf(offset())) +
                   where_ + ")");
    }
    value = static_cast<std::uint32_t>(d);
    p_ = q;
    return true;
}

bool TextLexer::readFloatSlow(float& value)
{
    skipSeparators();
    const char* q = p_;
    double d;
    bool special;
    if (q == end_ || !parseNumberAt(q, d, special))
        return failExpected("a number");
    if (special) {
        if (!warnedUndefined_)
            diag_.warn("undefined number " + quoteForMessage(std::string_view(p_, std::size_t(q - p_))) +
                       " read as 0 (first at line " + std::to_string(lineOf(offset())) + where_ + ")");
        warnedUndefined_ = true;
    } else if (!(std::fabs(d) <= double(FLT_MAX))) {
        if (!warnedRange_)
            diag_.warn("number out of range " + quoteForMessage(std::string_view(p_, std::size_t(q - p_))) +
                       " read as 0 (first at line " + std::to_string(lineOf(offset())) + where_ + ")");
        warnedRange_ = true;
        d = 0;
    }
    value = static_cast<float>(d);
    p_ = q;
    return true;
}

bool TextLexer::readFloats(float* out, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        if (!readFloat(out[i]))
            return false;
    return true;
}

bool TextLexer::readString(std::string_view& value)
{
    skipSeparators();
    if (p_ == end_ || *p_ != '"')
        return failExpected("a quoted string");
    Token t;
    if (!next(t))
        return false;
    value = t.text;
    return true;
}

bool TextLexer::skipBlock()
{
    const std::size_t open = offset();
    const char* q = p_;
    std::size_t depth = 1;
    bool inWord = false;
    while (q < end_) {
        const char c = *q;
        if (c == '{') {
            ++depth;
            inWord = false;
        } else if (c == '}') {
            if (--depth == 0) {
                p_ = q + 1;
                return true;
            }
            inWord = false;
        } else if (c == '"') {
            const char* close = static_cast<const char*>(std::memchr(q + 1, '"', std::size_t(end_ - q - 1)));
            if (!close) {
                p_ = q;
                return fail("unterminated string");
            }
            q = close;
            inWord = false;
        } else if (!inWord && (c == '#' || (c == '/' && q + 1 < end_ && q[1] == '/'))) {
            while (q < end_ && *q != '\n' && *q != '\r')
                ++q;
            continue;
        } else {
            inWord = !(cls(c) & kDelim);
        }
        ++q;
    }
    p_ = q;
    return failAt(open, "unterminated object: no closing '}' before the end of the file");
}

std::size_t TextLexer::lineOf(std::size_t off) const
{
    std::size_t line = 1;
    const char* stop = begin_ + (off < size() ? off : size());
    for (const char* q = begin_; q < stop; ++q) {
        if (*q == '\n' || (*q == '\r' && (q + 1 >= end_ || q[1] != '\n')))
            ++line;
    }
    return line;
}

bool TextLexer::fail(const std::string& message) { return failAt(offset(), message); }

bool TextLexer::failAt(std::size_t off, const std::string& message)
{
    if (diag_.failed())
        return false;
    return diag_.fail("line " + std::to_string(lineOf(off)) + where_ + ": " + message);
}

std::string TextLexer::describeNext()
{
    skipSpace();
    if (p_ == end_)
        return "end of file";
    const char c = *p_;
    if (cls(c) & kDelim) {
        if (c == '"')
            return "a string";
        return std::string("'") + c + "'";
    }
    const char* q = p_;
    while (q < end_ && !(cls(*q) & kDelim))
        ++q;
    return quoteForMessage(std::string_view(p_, std::size_t(q - p_)));
}

bool TextLexer::failExpected(const char* what)
{
    return fail(std::string("expected ") + what + ", found " + describeNext());
}

}  // namespace xfile::detail
