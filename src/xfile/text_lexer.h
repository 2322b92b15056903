// Tokenizer for the text encoding ("txt ", and "tzip" after decompression).
//
// It is driven by the reader: values are pulled with readUInt/readFloat,
// which skip any run of ';' and ',' in front of them, so the separator
// mistakes real exporters make (";;" runs, missing or doubled separators,
// commas inside colours) never change how many values are read; the counts in
// the data decide that. Nothing is allocated per token: names and strings are
// views into the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xfile/diagnostics.h"

namespace xfile::detail {

class TextLexer {
public:
    // Words in text need no quoting, so a name may look like a number.
    static constexpr bool kIsText = true;

    // Tokenizes [begin, end). `where` is appended to line numbers in messages
    // (e.g. " of the decompressed text"); it must outlive the lexer.
    TextLexer(const char* begin, const char* end, Diagnostics& diag, const char* where = "");

    // Kind of the next token, after skipping white space and comments (but not
    // separators). Does not consume anything.
    Tok peek();

    // Consumes one token of any kind and describes it in `t`. Words are always
    // reported as Tok::Name (numbers included), so callers that want numbers
    // use readUInt/readFloat. Returns false (with an error) on an unterminated
    // string, a malformed GUID or a stray character.
    bool next(Token& t);

    // Skips white space, comments and any run of ';' / ','.
    inline void skipSeparators();

    // Reads the next word (object and reference names). Fails if the next
    // token is not a word. A word that runs on with brackets ("Arm[L]") is
    // read whole when a brace follows it.
    bool readName(std::string_view& name);

    // Reads the next value as an unsigned 32-bit integer, skipping separators
    // first. A value written as an integral float ("3.000000") is accepted
    // with a warning; negative, fractional or out-of-range values fail.
    inline bool readUInt(std::uint32_t& value);
    // Reads `count` integers.
    bool readUInts(std::uint32_t* out, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i)
            if (!readUInt(out[i]))
                return false;
        return true;
    }

    // Reads the next value as a float, skipping separators first. Accepts
    // [+-]digits[.digits][e[+-]digits] and the MSVC forms 1.#IND00, 1.#QNAN0,
    // 1.#INF00 (read as 0 with a warning).
    inline bool readFloat(float& value);

    // Reads `count` floats into `out`. A large array is read on two threads
    // (parallel.h), with the same values, warnings and errors.
    bool readFloats(float* out, std::size_t count);

    // Reads up to `count` polygons "n; i, i, ..." whose n is at least
    // `minCorners` and whose indices are all below `limit`, appending n and
    // the indices to `flat`. Stops before the first polygon that is not such
    // or that reading would say anything about (a warning or an error), and
    // returns how many it read: the caller reads the rest one by one, so every
    // message comes from one place. Reads 65,536 polygons at most per call;
    // a long list is read on two threads.
    std::size_t readPlainPolygons(std::size_t count, std::uint32_t minCorners, std::uint32_t limit,
                                  std::vector<std::uint32_t>& flat);

    // Reads the next quoted string (no escapes; a backslash is a plain byte).
    bool readString(std::string_view& value);

    // True when the rest of the input could hold `values` more values. Used
    // to reject absurd counts before anything is allocated for them.
    bool canHold(std::uint64_t values) const
    {
        // Two values need at least one byte each and one delimiter between them.
        return values <= (std::uint64_t(end_ - p_) + 1) / 2;
    }

    // Skips to the '}' matching an already consumed '{' (strings and comments
    // are honoured). Fails at end of input.
    bool skipBlock();

    // Position for later seek() (only at token boundaries, between objects).
    std::size_t offset() const { return std::size_t(p_ - begin_); }
    void seek(std::size_t offset) { p_ = begin_ + offset; }
    std::size_t size() const { return std::size_t(end_ - begin_); }

    // Records `message` prefixed with the current line; returns false.
    bool fail(const std::string& message);
    bool failAt(std::size_t offset, const std::string& message);
    // Fails with "expected <what>, found <next token>".
    bool failExpected(const char* what);

    // Short description of the next token, for messages.
    std::string describeNext();

    // Line number (1-based) of a stream offset.
    std::size_t lineOf(std::size_t offset) const;

private:
    void skipSpace();  // white space and comments
    void skipSeparatorsSlow();
    // Skips characters of the given classes and comments.
    void skipWhile(std::uint8_t classes);
    bool parseNumberAt(const char*& q, double& value, bool& special);
    bool readUIntSlow(std::uint32_t& value);
    bool readFloatSlow(float& value);
    // A plain decimal integer of at most ten digits that fits 32 bits, at
    // the position: read and passed; otherwise false, the position unchanged.
    bool takePlainUInt(std::uint32_t& value);
    // The common spellings, read without a word to the diagnostics: false
    // (having skipped only separators) for anything else.
    inline bool readUIntFast(std::uint32_t& value);
    inline bool readFloatFast(float& value);
    // Any value its reader takes without a warning; false, with the position
    // unchanged, for anything else.
    bool readUIntQuiet(std::uint32_t& value)
    {
        const char* at = p_;
        return readUIntFast(value) || readUIntQuietSlow(value, at);
    }
    bool readFloatQuiet(float& value)
    {
        const char* at = p_;
        return readFloatFast(value) || readFloatQuietSlow(value, at);
    }
    // The rest of them, from `at`, where the fast path left off.
    bool readUIntQuietSlow(std::uint32_t& value, const char* at);
    bool readFloatQuietSlow(float& value, const char* at);
    // Reads up to `count` elements with `read(lexer, sink)`, which reads one
    // element or returns false and leaves the position where it was. When the
    // array is large, a second lexer reads its second half on another thread.
    // Returns how many elements were read.
    // `makeSide(first)` says where the helper writes, given the output
    // element its part would start at.
    template <class Read, class Sink, class MakeSide>
    std::size_t readSplit(std::size_t count, std::size_t valuesEach, Read read, Sink& sink,
                          MakeSide makeSide);

    const char* begin_;
    const char* end_;
    const char* p_;
    Diagnostics& diag_;
    const char* where_;
    // Each kind of tolerated oddity is reported once, at its first line.
    bool warnedDecimalCount_ = false, warnedUndefined_ = false, warnedRange_ = false;
};

// ---- Hot paths, inline: they run once per number of a file.

namespace textchars {
enum : std::uint8_t {
    kSpace = 1,   // white space (NUL included: some writers pad with it)
    kSep = 2,     // ';' ','
    kDelim = 4,   // ends a word
    kNumEnd = 8,  // may follow a number directly
    kDigit = 16,
};
struct Table {
    std::uint8_t c[256] = {};
    constexpr Table()
    {
        for (unsigned char s : {' ', '\t', '\n', '\r', '\v', '\f', '\0'})
            c[s] = kSpace | kDelim | kNumEnd;
        for (unsigned char s : {';', ','})
            c[s] = kSep | kDelim | kNumEnd;
        for (unsigned char s : {'{', '}', '[', ']', '<', '>', '"'})
            c[s] = kDelim | kNumEnd;
        c[static_cast<unsigned char>('#')] = kNumEnd;
        c[static_cast<unsigned char>('/')] = kNumEnd;
        for (unsigned char d = '0'; d <= '9'; ++d)
            c[d] = kDigit;
    }
};
inline constexpr Table kTable;
inline std::uint8_t of(char ch) { return kTable.c[static_cast<unsigned char>(ch)]; }
inline constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
}  // namespace textchars

inline void TextLexer::skipSeparators()
{
    const char* q = p_;
    while (q < end_ && (textchars::of(*q) & (textchars::kSpace | textchars::kSep)))
        ++q;
    p_ = q;
    if (q < end_ && (*q == '#' || *q == '/'))
        skipSeparatorsSlow();
}

inline bool TextLexer::readUIntFast(std::uint32_t& value)
{
    skipSeparators();
    const char* q = p_;
    std::uint32_t v = 0;
    int n = 0;
    while (q < end_ && (textchars::of(*q) & textchars::kDigit) && n < 9) {
        v = v * 10 + unsigned(*q - '0');
        ++q;
        ++n;
    }
    if (n > 0 && (q == end_ || (textchars::of(*q) & textchars::kNumEnd))) {
        value = v;
        p_ = q;
        return true;
    }
    return false;
}

inline bool TextLexer::readUInt(std::uint32_t& value) { return readUIntFast(value) || readUIntSlow(value); }

inline bool TextLexer::readFloatFast(float& value)
{
    // Plain decimals ("-0.123456") cover nearly every number in real files;
    // anything else (exponents, long mantissas, #IND) takes the full parser.
    skipSeparators();
    const char* q = p_;
    bool neg = false;
    if (q < end_ && *q == '-')
        neg = true, ++q;
    std::uint64_t m = 0;
    int digits = 0, fraction = 0;
    while (q < end_ && (textchars::of(*q) & textchars::kDigit))
        m = m * 10 + unsigned(*q++ - '0'), ++digits;
    if (q < end_ && *q == '.') {
        ++q;
        while (q < end_ && (textchars::of(*q) & textchars::kDigit))
            m = m * 10 + unsigned(*q++ - '0'), ++fraction;
    }
    if (digits + fraction == 0 || digits + fraction > 15 || fraction > 22 ||
        (q < end_ && !(textchars::of(*q) & textchars::kNumEnd)) || (q < end_ && *q == '#'))
        return false;
    // m < 10^15 and 10^fraction are exact doubles: one correctly rounded division.
    const double d = double(m) / textchars::kPow10[fraction];
    value = static_cast<float>(neg ? -d : d);
    p_ = q;
    return true;
}

inline bool TextLexer::readFloat(float& value) { return readFloatFast(value) || readFloatSlow(value); }

}  // namespace xfile::detail
