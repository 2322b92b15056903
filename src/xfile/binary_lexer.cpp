#include "xfile/binary_lexer.h"

#include <cfloat>
#include <cmath>
#include <cstring>

namespace xfile::detail {

namespace {

enum : std::uint16_t {
    kName = 1,
    kString = 2,
    kInteger = 3,
    kGuid = 5,
    kIntegerList = 6,
    kFloatList = 7,
    kOBrace = 10,
    kCBrace = 11,
    kOParen = 12,
    kCParen = 13,
    kOBracket = 14,
    kCBracket = 15,
    kOAngle = 16,
    kCAngle = 17,
    kDot = 18,
    kComma = 19,
    kSemicolon = 20,
    kTemplate = 31,
    kFirstType = 40,
    kLastKeyword = 52,
};

inline std::uint16_t rd16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t rd32(const unsigned char* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);  // the format is little-endian, as is every target we build for
    return v;
}

}  // namespace

BinaryLexer::BinaryLexer(const unsigned char* begin, const unsigned char* end, int floatBits,
                         Diagnostics& diag, std::size_t baseOffset, const char* where)
    : begin_(begin), end_(end), p_(begin), floatBytes_(floatBits == 64 ? 8 : 4), diag_(diag),
      baseOffset_(baseOffset), where_(where)
{
}

Tok BinaryLexer::peek()
{
    if (listLeft_ > 0)
        return Tok::Number;
    if (end_ - p_ < 2)
        return p_ == end_ ? Tok::End : Tok::Other;
    switch (rd16(p_)) {
    case kName:
        return Tok::Name;
    case kString:
        return Tok::String;
    case kInteger:
    case kIntegerList:
    case kFloatList:
        return Tok::Number;
    case kGuid:
        return Tok::Guid;
    case kOBrace:
        return Tok::LBrace;
    case kCBrace:
        return Tok::RBrace;
    case kOBracket:
        return Tok::LBracket;
    case kCBracket:
        return Tok::RBracket;
    case kComma:
    case kSemicolon:
        return Tok::Separator;
    case kDot:
        return Tok::Dot;
    default: {
        const std::uint16_t id = rd16(p_);
        if (id == kTemplate || (id >= kFirstType && id <= kLastKeyword))
            return Tok::Keyword;
        return Tok::Other;
    }
    }
}

bool BinaryLexer::next(Token& t)
{
    t = Token{};
    t.offset = offset();
    if (listLeft_ > 0) {
        // The rest of a partly read list.
        const std::size_t elem = listKind_ == List::Floats ? std::size_t(floatBytes_) : 4;
        list_ += std::size_t(listLeft_) * elem;
        listLeft_ = 0;
        t.kind = Tok::Number;
        return true;
    }
    if (p_ == end_) {
        t.kind = Tok::End;
        return true;
    }
    if (end_ - p_ < 2)
        return fail("truncated token (odd number of bytes at the end)");
    const std::uint16_t id = rd16(p_);
    const std::size_t left = std::size_t(end_ - p_) - 2;
    const unsigned char* rec = p_ + 2;
    switch (id) {
    case kName:
    case kString: {
        if (left < 4)
            return fail(id == kName ? "truncated NAME record" : "truncated STRING record");
        const std::uint32_t len = rd32(rec);
        if (len > left - 4)
            return fail(std::string(id == kName ? "NAME" : "STRING") + " length " + std::to_string(len) +
                        " runs past the end of the data");
        t.kind = id == kName ? Tok::Name : Tok::String;
        t.text = std::string_view(reinterpret_cast<const char*>(rec + 4), len);
        p_ = rec + 4 + len;
        return true;
    }
    case kInteger:
        if (left < 4)
            return fail("truncated INTEGER record");
        t.kind = Tok::Number;
        p_ = rec + 4;
        return true;
    case kGuid:
        if (left < 16)
            return fail("truncated GUID record");
        t.kind = Tok::Guid;
        std::memcpy(t.guid.bytes, rec, 16);
        p_ = rec + 16;
        return true;
    case kIntegerList:
    case kFloatList: {
        if (left < 4)
            return fail("truncated list record");
        const std::uint64_t count = rd32(rec);
        const std::uint64_t elem = id == kFloatList ? std::uint64_t(floatBytes_) : 4;
        if (count * elem > left - 4)
            return fail("list of " + std::to_string(count) + " values runs past the end of the data");
        t.kind = Tok::Number;
        p_ = rec + 4 + count * elem;
        return true;
    }
    case kOBrace:
        t.kind = Tok::LBrace;
        break;
    case kCBrace:
        t.kind = Tok::RBrace;
        break;
    case kOBracket:
        t.kind = Tok::LBracket;
        break;
    case kCBracket:
        t.kind = Tok::RBracket;
        break;
    case kComma:
    case kSemicolon:
        t.kind = Tok::Separator;
        break;
    case kDot:
        t.kind = Tok::Dot;
        break;
    case kOParen:
    case kCParen:
    case kOAngle:
    case kCAngle:
        t.kind = Tok::Other;
        break;
    default:
        if (id == kTemplate || (id >= kFirstType && id <= kLastKeyword)) {
            t.kind = Tok::Keyword;
            t.keyword = static_cast<Keyword>(id);
            break;
        }
        return fail("invalid token id " + std::to_string(id));
    }
    p_ = rec;
    return true;
}

void BinaryLexer::skipSeparators()
{
    if (listLeft_ > 0)
        return;
    while (end_ - p_ >= 2) {
        const std::uint16_t id = rd16(p_);
        if (id != kComma && id != kSemicolon)
            break;
        p_ += 2;
    }
}

bool BinaryLexer::readName(std::string_view& name)
{
    if (peek() != Tok::Name)
        return failExpected("a name");
    Token t;
    if (!next(t))
        return false;
    name = t.text;
    return true;
}

// Moves to the next list or single integer of the number stream.
bool BinaryLexer::fetchList(List wanted, bool quiet)
{
    const unsigned char* const entry = p_;
    const auto refuse = [&](const std::string& message) {
        if (!quiet)
            return fail(message);
        p_ = entry;
        listLeft_ = 0;
        return false;
    };
    const auto refuseExpected = [&] {
        if (!quiet)
            return failExpected(wanted == List::Ints ? "an integer" : "a float");
        p_ = entry;
        listLeft_ = 0;
        return false;
    };
    for (;;) {
        if (end_ - p_ < 2)
            return refuseExpected();
        const std::uint16_t id = rd16(p_);
        if (id == kComma || id == kSemicolon) {
            p_ += 2;
            continue;
        }
        const std::size_t left = std::size_t(end_ - p_) - 2;
        if (id == kInteger && wanted == List::Ints) {
            if (left < 4)
                return refuse("truncated INTEGER record");
            list_ = p_ + 2;
            listLeft_ = 1;
            listKind_ = List::Ints;
            p_ += 6;
            return true;
        }
        if ((id == kIntegerList && wanted == List::Ints) || (id == kFloatList && wanted == List::Floats)) {
            if (left < 4)
                return refuse("truncated list record");
            const std::uint64_t count = rd32(p_ + 2);
            const std::uint64_t elem = wanted == List::Floats ? std::uint64_t(floatBytes_) : 4;
            if (count * elem > left - 4)
                return refuse("list of " + std::to_string(count) + " values runs past the end of the data");
            list_ = p_ + 6;
            listLeft_ = static_cast<std::uint32_t>(count);
            listKind_ = wanted;
            p_ += 6 + count * elem;
            if (count == 0)
                continue;
            return true;
        }
        return refuseExpected();
    }
}

std::size_t BinaryLexer::readPlainPolygons(std::size_t count, std::uint32_t minCorners, std::uint32_t limit,
                                           std::vector<std::uint32_t>& flat)
{
    // A few thousand at a time: the caller's buffer stays small and in cache.
    constexpr std::size_t kAtOnce = 4096;
    if (count > kAtOnce)
        count = kAtOnce;
    flat.reserve(flat.size() + count * 4);
    std::size_t done = 0;
    while (done < count) {
        // Everything needed to step back to the start of this polygon.
        const unsigned char *const p = p_, *const list = list_;
        const std::uint32_t listLeft = listLeft_;
        const List listKind = listKind_;
        const std::size_t mark = flat.size();
        const auto nextValue = [&](std::uint32_t& v) {
            if (listLeft_ == 0 && !fetchList(List::Ints, true))
                return false;
            if (listKind_ != List::Ints)
                return false;
            v = rd32(list_);
            list_ += 4;
            --listLeft_;
            return true;
        };
        std::uint32_t n = 0;
        bool plain = nextValue(n) && n >= minCorners && canHold(n);
        if (plain) {
            flat.resize(mark + 1 + n);
            std::uint32_t* out = flat.data() + mark;
            *out++ = n;
            std::uint32_t left = n;
            while (plain && left > 0) {
                if (listLeft_ == 0 && !fetchList(List::Ints, true)) {
                    plain = false;
                    break;
                }
                if (listKind_ != List::Ints) {
                    plain = false;
                    break;
                }
                const std::uint32_t k = left < listLeft_ ? left : listLeft_;
                std::memcpy(out, list_, std::size_t(k) * 4);
                for (std::uint32_t j = 0; j < k; ++j)
                    plain = plain && out[j] < limit;
                list_ += std::size_t(k) * 4;
                listLeft_ -= k;
                out += k;
                left -= k;
            }
        }
        if (!plain) {
            p_ = p, list_ = list, listLeft_ = listLeft, listKind_ = listKind;
            flat.resize(mark);
            break;
        }
        ++done;
    }
    return done;
}

bool BinaryLexer::readUIntSlow(std::uint32_t& value)
{
    if (listLeft_ == 0) {
        if (!fetchList(List::Ints))
            return false;
    } else if (listKind_ != List::Ints) {
        return failExpected("an integer");
    }
    value = rd32(list_);
    list_ += 4;
    --listLeft_;
    return true;
}

bool BinaryLexer::readUInts(std::uint32_t* out, std::size_t count)
{
    while (count > 0) {
        if (listLeft_ == 0) {
            if (!fetchList(List::Ints))
                return false;
        } else if (listKind_ != List::Ints) {
            return failExpected("an integer");
        }
        const std::size_t n = count < listLeft_ ? count : listLeft_;
        std::memcpy(out, list_, n * 4);
        list_ += n * 4;
        out += n;
        count -= n;
        listLeft_ -= static_cast<std::uint32_t>(n);
    }
    return true;
}

bool BinaryLexer::narrow(double d, float& out)
{
    if (!(std::fabs(d) <= double(FLT_MAX))) {
        if (!warnedRange_)
            diag_.warn("number out of the float range (or NaN) read as 0");
        warnedRange_ = true;
        d = 0;
    }
    out = static_cast<float>(d);
    return true;
}

bool BinaryLexer::readFloat(float& value)
{
    if (listLeft_ == 0) {
        if (!fetchList(List::Floats))
            return false;
    } else if (listKind_ != List::Floats) {
        return failExpected("a float");
    }
    if (floatBytes_ == 4) {
        std::memcpy(&value, list_, 4);
        list_ += 4;
    } else {
        double d;
        std::memcpy(&d, list_, 8);
        list_ += 8;
        narrow(d, value);
    }
    --listLeft_;
    return true;
}

bool BinaryLexer::readFloats(float* out, std::size_t count)
{
    while (count > 0) {
        if (listLeft_ == 0) {
            if (!fetchList(List::Floats))
                return false;
        } else if (listKind_ != List::Floats) {
            return failExpected("a float");
        }
        const std::size_t n = count < listLeft_ ? count : listLeft_;
        if (floatBytes_ == 4) {
            std::memcpy(out, list_, n * 4);
            list_ += n * 4;
        } else {
            for (std::size_t i = 0; i < n; ++i) {
                double d;
                std::memcpy(&d, list_ + i * 8, 8);
                narrow(d, out[i]);
            }
            list_ += n * 8;
        }
        out += n;
        count -= n;
        listLeft_ -= static_cast<std::uint32_t>(n);
    }
    return true;
}

bool BinaryLexer::readString(std::string_view& value)
{
    skipSeparators();
    if (peek() != Tok::String)
        return failExpected("a string");
    Token t;
    if (!next(t))
        return false;
    value = t.text;
    return true;
}

bool BinaryLexer::skipBlock()
{
    const std::size_t open = offset();
    std::size_t depth = 1;
    Token t;
    for (;;) {
        if (p_ == end_ && listLeft_ == 0)
            return failAt(open, "unterminated object: no closing '}' before the end of the data");
        if (!next(t))
            return false;
        if (t.kind == Tok::LBrace) {
            ++depth;
        } else if (t.kind == Tok::RBrace) {
            if (--depth == 0)
                return true;
        }
    }
}

bool BinaryLexer::fail(const std::string& message) { return failAt(offset(), message); }

bool BinaryLexer::failAt(std::size_t off, const std::string& message)
{
    if (diag_.failed())
        return false;
    return diag_.fail("byte offset " + std::to_string(baseOffset_ + off) + where_ + ": " + message);
}

std::string BinaryLexer::describeNext()
{
    if (listLeft_ > 0)
        return listKind_ == List::Floats ? "a float" : "an integer";
    if (p_ == end_)
        return "end of data";
    if (end_ - p_ < 2)
        return "a truncated token";
    switch (rd16(p_)) {
    case kName: {
        if (end_ - p_ >= 6) {
            const std::uint32_t len = rd32(p_ + 2);
            if (len <= std::size_t(end_ - p_) - 6)
                return "name " +
                       quoteForMessage(std::string_view(reinterpret_cast<const char*>(p_ + 6), len));
        }
        return "a name";
    }
    case kString:
        return "a string";
    case kInteger:
        return "an integer";
    case kIntegerList:
        return "an integer list";
    case kFloatList:
        return "a float list";
    case kGuid:
        return "a GUID";
    case kOBrace:
        return "'{'";
    case kCBrace:
        return "'}'";
    case kOBracket:
        return "'['";
    case kCBracket:
        return "']'";
    case kComma:
        return "','";
    case kSemicolon:
        return "';'";
    case kTemplate:
        return "'template'";
    default:
        return "token id " + std::to_string(rd16(p_));
    }
}

bool BinaryLexer::failExpected(const char* what)
{
    return fail(std::string("expected ") + what + ", found " + describeNext());
}

}  // namespace xfile::detail
