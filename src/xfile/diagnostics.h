// Pieces shared by the two tokenizers and the readers built on them: the
// token kinds, GUIDs, and the error/warning sink.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xfile::detail {

// Kind of the next token as the readers see it. Text and binary streams map
// onto the same kinds so that one reader serves both.
enum class Tok : std::uint8_t {
    End,     // no more input
    Name,    // identifier (text: any word that is not a number)
    Number,  // text: a word that starts like a number; binary: INTEGER or a list
    String,  // "..." or a binary STRING record
    Guid,    // <xxxxxxxx-...> or a binary GUID record
    LBrace,
    RBrace,
    LBracket,
    RBracket,
    Separator,  // ';' or ','
    Dot,        // binary '.' token (text writes "..." as one word)
    Keyword,    // binary-only: template, array and primitive type tokens
    Other,      // anything else; always a syntax error where it appears
};

// Binary keyword token ids, also used for the text spellings.
enum class Keyword : std::uint16_t {
    None = 0,
    Template = 31,
    Word = 40,
    Dword = 41,
    Float = 42,
    Double = 43,
    Char = 44,
    Uchar = 45,
    Sword = 46,
    Sdword = 47,
    Void = 48,
    Lpstr = 49,
    Unicode = 50,
    Cstring = 51,
    Array = 52,
};

struct Guid {
    std::uint8_t bytes[16] = {};  // Data1 (LE), Data2 (LE), Data3 (LE), Data4
    bool operator==(const Guid& o) const;
};

// A token as returned by the generic next() of both tokenizers.
struct Token {
    Tok kind = Tok::End;
    std::string_view text;            // Name and String: the bytes (view into the input)
    Keyword keyword = Keyword::None;  // Keyword
    Guid guid;                        // Guid
    std::size_t offset = 0;           // where the token starts in the stream
};

// Collects the first error and a bounded list of warnings.
class Diagnostics {
public:
    explicit Diagnostics(std::vector<std::string>* warnings) : warnings_(warnings) {}

    // Records `message` as the error unless one is already recorded (the
    // first error is the cause; later ones are consequences). Returns false
    // so callers can write `return diag.fail(...)`.
    bool fail(std::string message);
    bool failed() const { return !error_.empty(); }

    // Hands back the recorded error and forgets it, for a reader that can
    // recover from the fault (skip the object) and carry on.
    std::string takeError();

    // Appends " (while reading <what>)" to a recorded error, once: the
    // innermost object that failed names the place.
    void addContext(const std::string& what);
    const std::string& error() const { return error_; }

    // Adds a warning; repeated identical warnings and anything past a fixed
    // number are dropped so hostile input cannot grow the list without bound.
    void warn(std::string message);

    // Sends later warnings to `warnings` instead; returns where they went
    // before (so a reader can route what it meets inside one object elsewhere
    // and restore the list after it).
    std::vector<std::string>* redirectWarnings(std::vector<std::string>* warnings);

private:
    std::string error_;
    bool hasContext_ = false;
    std::vector<std::string>* warnings_;
};

// Case-insensitive ASCII comparison (template and keyword names).
bool equalsNoCase(std::string_view a, std::string_view b);

// Short printable rendering of a token's text for error messages.
std::string quoteForMessage(std::string_view text);

}  // namespace xfile::detail
