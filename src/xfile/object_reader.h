// Walks the object tree of a file: template declarations, frames with their
// transforms, meshes and the objects they hold, materials and references.
// Every Mesh at the top level or inside Frames (depth-first, in file order)
// goes to the mesh builder; anything else (animations, skin weights, unknown
// or user-defined objects) is skipped token by token.
#pragma once

#include "xfile/diagnostics.h"
#include "xfile/mesh_builder.h"

namespace xfile::detail {

// Reads all objects from `lex` (a TextLexer or a BinaryLexer positioned after
// the header) into `builder`. Returns false with the cause in `diag` on any
// syntax error, an impossible count, a face with fewer than 3 corners, an
// index out of range, frames nested deeper than a fixed limit, or mesh
// references that would expand the output far beyond the input.
// Does not call builder.finish().
template <class Lexer>
bool readObjects(Lexer& lex, MeshBuilder& builder, Diagnostics& diag);

}  // namespace xfile::detail
