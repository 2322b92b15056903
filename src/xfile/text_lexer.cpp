#include "xfile/text_lexer.h"

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include "xfile/buffers.h"
#include "xfile/parallel.h"

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

bool TextLexer::takePlainUInt(std::uint32_t& value)
{
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
    return false;
}

bool TextLexer::readUIntSlow(std::uint32_t& value)
{
    skipSeparators();
    if (takePlainUInt(value))
        return true;
    // Not a plain integer: accept an integral float ("3.000000;"), as some
    // exporters write counts that way.
    const char* q = p_;
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

bool TextLexer::readUIntQuietSlow(std::uint32_t& value, const char* at)
{
    // Ten digits: what readUIntSlow takes without a word.
    if (takePlainUInt(value))
        return true;
    p_ = at;
    return false;
}

bool TextLexer::readFloatQuietSlow(float& value, const char* at)
{
    const char* q = p_;
    double d;
    bool special;
    if (q < end_ && parseNumberAt(q, d, special) && !special && std::fabs(d) <= double(FLT_MAX)) {
        value = static_cast<float>(d);
        p_ = q;
        return true;
    }
    p_ = at;
    return false;
}

namespace {

// Where the elements of a split array go. The calling thread writes the
// first part straight into the output. The helper writes the second part
// into the output too where an element has a fixed size (floats), from an
// estimate of where that part starts, with a margin; otherwise (polygons)
// into a vector of its own. Either way the second part is moved right
// behind the first at the end.
struct FloatWriter {
    float* begin;
    float* at;
    void push(float v) { *at++ = v; }
    std::size_t size() const { return std::size_t(at - begin); }
    void take(const FloatWriter& from, std::size_t n)
    {
        std::memmove(at, from.begin, n * sizeof(float));
        at += n;
    }
};

template <class T>
struct Collector {
    std::vector<T> v;
    void push(T x) { v.push_back(x); }
    std::size_t size() const { return v.size(); }
    void truncate(std::size_t n) { v.resize(n); }
};

template <class T>
struct Appender {
    std::vector<T>& v;
    void push(T x) { v.push_back(x); }
    std::size_t size() const { return v.size(); }
    void truncate(std::size_t n) { v.resize(n); }
    void take(const Collector<T>& from, std::size_t n)
    {
        v.insert(v.end(), from.v.begin(), from.v.begin() + n);
    }
};

// What the helper writes into, the first element of the output it may write
// (the array's count when it writes elsewhere), and how many it has room for.
template <class Side>
struct SidePlan {
    Side sink;
    std::size_t from;
    std::size_t room;
};

// Elements the calling thread reads before it splits: enough to measure how
// many bytes an element takes (fewer in a short array, where tests split).
constexpr std::size_t kProbe = 1024;
// The helper notes its position every so many elements, so that the end of
// the array can be found again when it has read past it.
constexpr std::size_t kCheckEvery = 256;
// How far past the estimated middle a line break is looked for.
constexpr std::size_t kBreakSearch = 64 * 1024;

}  // namespace

// The second part starts right after a line break: no number and no comment
// spans one, so the helper starts between two tokens. It is the second part
// only if the calling thread's reading arrives exactly there; otherwise (the
// break fell inside a polygon, say) the helper's work is dropped. The helper
// never reports anything: where it meets a value it cannot read quietly it
// stops, and the calling thread reads on from there, with its own lexer,
// warnings and errors in file order. The count of the array is not known to
// the helper, which may read past the end into whatever follows; what it
// read past the end is dropped and the position found from its checkpoints.
template <class Read, class Sink, class MakeSide>
std::size_t TextLexer::readSplit(std::size_t count, std::size_t valuesEach, Read read, Sink& sink,
                                 MakeSide makeSide)
{
    std::size_t done = 0;
    const auto sequential = [&] {
        while (done < count && read(*this, sink))
            ++done;
        return done;
    };
    if (!splitArrayOf(count * valuesEach))
        return sequential();
    const char* const start = p_;
    const std::size_t probe = std::max<std::size_t>(1, std::min(kProbe, count / 8));
    while (done < probe && read(*this, sink))
        ++done;
    if (done < probe || done == count)
        return done;
    const double perElement = double(p_ - start) / double(done);
    const double ahead = perElement * double(count - done) / 2;
    if (!(ahead < double(end_ - p_)))
        return sequential();
    const char* const middle = p_ + std::size_t(ahead);
    const char* const lineBreak = static_cast<const char*>(
        std::memchr(middle, '\n', std::min<std::size_t>(std::size_t(end_ - middle), kBreakSearch)));
    if (!lineBreak)
        return sequential();

    // Where the second part would start in the output, were its elements
    // as long as the first ones; the helper starts a little further on.
    const std::size_t estimate = done + std::size_t(double(lineBreak + 1 - p_) / perElement);
    const std::size_t margin = std::max<std::size_t>(16, (count - done) / 32);
    auto plan = makeSide(std::min(count, estimate + margin));
    using Side = decltype(plan.sink);
    const std::size_t mainLimit = plan.from;
    const std::size_t rest = std::min(plan.room, count - done);
    if (rest == 0)
        return sequential();

    // What the helper owns. It outlives this call when the helper is left
    // behind unstarted (see below); the helper then ends without touching it.
    struct Checkpoint {
        const char* at;     // before element k * kCheckEvery of the second part
        std::size_t units;  // what the helper had written by then
    };
    enum : int { kWaiting, kRunning, kCancelled };
    struct Helper {
        Helper(const TextLexer& from, Read r, Side s) : lexer(from), read(std::move(r)), side(std::move(s)) {}
        TextLexer lexer;
        Read read;
        Side side;
        std::vector<Checkpoint> checkpoints;
        std::size_t sideRead = 0;
        std::atomic<std::size_t> limit{0};
        std::atomic<int> state{kWaiting};
    };
    std::shared_ptr<Helper> h;
    try {
        h = std::make_shared<Helper>(*this, read, std::move(plan.sink));
    } catch (const std::bad_alloc&) {
        return sequential();
    }
    h->lexer.p_ = lineBreak + 1;
    h->lexer.skipSeparators();
    const char* const splitAt = lineBreak + 1;
    const char* const secondStart = h->lexer.p_;
    h->lexer.p_ = splitAt;
    h->limit.store(rest, std::memory_order_relaxed);
    const auto helperRun = [h, rest, valuesEach] {
        int waiting = kWaiting;
        if (!h->state.compare_exchange_strong(waiting, kRunning))
            return;
        try {
            if constexpr (requires { h->side.v; })
                reserveLarge(h->side.v, rest * valuesEach);
            h->checkpoints.reserve(rest / kCheckEvery + 1);
            while (h->sideRead < h->limit.load(std::memory_order_relaxed)) {
                if (h->sideRead % kCheckEvery == 0)
                    h->checkpoints.push_back({h->lexer.p_, h->side.size()});
                if (!h->read(h->lexer, h->side))
                    break;
                ++h->sideRead;
            }
        } catch (const std::bad_alloc&) {
            // The calling thread reads on where the helper stopped.
        }
    };
    std::thread thread;
    try {
        thread = std::thread(helperRun);
    } catch (const std::system_error&) {
        return sequential();
    }

    bool aligned = false;
    while (done < count) {
        const char* const before = p_;
        skipSeparators();
        if (p_ >= splitAt) {
            aligned = p_ == secondStart;
            p_ = before;
            break;
        }
        if (done == mainLimit)
            break;  // the first part is longer than the margin allows for
        if (!read(*this, sink))
            break;
        ++done;
    }
    // A helper that has not started by now (a busy machine) is not waited
    // for: it is left to end on its own, and this thread reads on.
    int waiting = kWaiting;
    if (!alwaysAwaitHelper() && h->state.compare_exchange_strong(waiting, kCancelled)) {
        thread.detach();
        return sequential();
    }
    const std::size_t needed = count - done;
    // Only ever lowered: where the helper writes into the output, `rest` is
    // all the room it has.
    h->limit.store(aligned ? std::min(needed, rest) : 0, std::memory_order_relaxed);
    thread.join();
    if (aligned) {
        noteArraySplit();
        if (h->sideRead <= needed) {
            sink.take(h->side, h->side.size());
            done += h->sideRead;
            p_ = h->lexer.p_;
        } else {
            const Checkpoint& c = h->checkpoints[needed / kCheckEvery];
            sink.take(h->side, c.units);
            done += needed / kCheckEvery * kCheckEvery;
            p_ = c.at;
        }
    }
    return sequential();
}

bool TextLexer::readFloats(float* out, std::size_t count)
{
    std::size_t done = 0;
    if (splitArrayOf(count)) {
        FloatWriter writer{out, out};
        done = readSplit(
            count, 1,
            [](TextLexer& lexer, auto& to) {
                float v;
                if (!lexer.readFloatQuiet(v))
                    return false;
                to.push(v);
                return true;
            },
            writer,
            [out, count](std::size_t from) {
                return SidePlan<FloatWriter>{{out + from, out + from}, from, count - from};
            });
    }
    for (std::size_t i = done; i < count; ++i)
        if (!readFloat(out[i]))
            return false;
    return true;
}

std::size_t TextLexer::readPlainPolygons(std::size_t count, std::uint32_t minCorners, std::uint32_t limit,
                                         std::vector<std::uint32_t>& flat)
{
    // A long list goes in pieces, each split on its own: the buffers stay a
    // few megabytes, whatever the list's length.
    constexpr std::size_t kAtOnce = std::size_t(1) << 16;
    count = std::min(count, kAtOnce);
    reserveLarge(flat, flat.size() + count * 4);
    Appender<std::uint32_t> appender{flat};
    return readSplit(
        count, 4,
        [minCorners, limit](TextLexer& lexer, auto& to) {
            const char* const at = lexer.p_;
            const std::size_t mark = to.size();
            std::uint32_t n;
            if (!lexer.readUIntQuiet(n) || n < minCorners || !lexer.canHold(n)) {
                lexer.p_ = at;
                return false;
            }
            to.push(n);
            for (std::uint32_t j = 0; j < n; ++j) {
                std::uint32_t index;
                if (!lexer.readUIntQuiet(index) || index >= limit) {
                    to.truncate(mark);
                    lexer.p_ = at;
                    return false;
                }
                to.push(index);
            }
            return true;
        },
        appender,
        [count](std::size_t) {
            return SidePlan<Collector<std::uint32_t>>{{}, count, std::numeric_limits<std::size_t>::max()};
        });
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
