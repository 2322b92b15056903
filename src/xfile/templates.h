// Template declarations: the built-in standard set and the ones a file
// declares itself.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "xfile/diagnostics.h"

namespace xfile::detail {

enum class MemberType : std::uint8_t {
    Word,
    Dword,
    Float,
    Double,
    Char,
    Uchar,
    Sword,
    Sdword,
    Byte,
    Ulonglong,
    String,
    Cstring,
    Unicode,
    Binary,
    Template,
};

struct TemplateMember {
    MemberType type = MemberType::Dword;
    std::string typeName;  // for MemberType::Template: the referenced template
    std::string name;      // may be empty
    // Array dimensions: a fixed size, or the index of an earlier member that
    // holds it. Empty for a plain member.
    struct Dimension {
        std::uint32_t size = 0;
        int member = -1;
    };
    std::vector<Dimension> dimensions;
};

struct Template {
    std::string name;
    Guid guid;
    bool hasGuid = false;
    std::vector<TemplateMember> members;
    enum class Children : std::uint8_t { None, Any, Listed } children = Children::None;
    std::vector<std::string> allowedChildren;
};

class TemplateRegistry {
public:
    // A registry holding the standard templates (the ones D3DX registers
    // before reading a file, so files may use them without declaring them).
    static TemplateRegistry standard();

    // Looks a template up by name: exactly, then ignoring case (with a
    // warning), so that "indexColor" or "TextureFileName" resolve. Returns
    // nullptr when unknown.
    const Template* find(std::string_view name, Diagnostics* diag = nullptr) const;

    // Adds a template, replacing a previous one of the same name (files often
    // repeat the standard declarations).
    void add(Template t);

    std::size_t size() const { return templates_.size(); }

private:
    std::vector<Template> templates_;
    std::unordered_map<std::string, std::size_t> byName_;
    std::unordered_map<std::string, std::size_t> byLowerName_;  // first declared spelling wins
};

// Parses one declaration after its "template" keyword has been consumed:
//   Name { [<GUID>] members... [restriction] }
// where a member is `TYPE [name];` or `array TYPE name[dim]...;` and the
// restriction is `[...]` or `[Name [<GUID>], ...]`. The GUID may be missing
// (old files omit it) and separators after members are optional.
// Fails on a syntax error, a member type that names no known template, or an
// array dimension naming no earlier member.
template <class Lexer>
bool parseTemplateDeclaration(Lexer& lex, TemplateRegistry& registry, Diagnostics& diag);

}  // namespace xfile::detail
