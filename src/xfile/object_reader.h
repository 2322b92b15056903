// Walks the object tree of a file: template declarations, frames with their
// transforms, meshes and the objects they hold, materials and references.
// Every Mesh at the top level or inside Frames (depth-first, in file order)
// goes to the mesh builder. With a scene to fill, the frames, the placed
// meshes with their skin weights, and the animation sets go there too;
// without one (the merged view alone), skins and animations are skipped
// token by token, as are unknown and user-defined objects.
#pragma once

#include "xfile/diagnostics.h"
#include "xfile/mesh_builder.h"
#include "xfile/scene.h"

namespace xfile::detail {

// Reads all objects from `lex` (a TextLexer or a BinaryLexer positioned after
// the header) into `builder`. Returns false with the cause in `diag` on any
// syntax error, an impossible count, a face with fewer than 3 corners, an
// index out of range, frames nested deeper than a fixed limit, or mesh
// references that would expand the output far beyond the input.
// Does not call builder.finish().
//
// With `scene`, also fills it. A fault inside a skin or animation object
// (a bad count, a syntax error within its braces) does not fail the file: the
// object is skipped as the merged view skips it, and the fault becomes one
// of scene->warnings. Frame and bone names are resolved once the whole file
// is read.
template <class Lexer>
bool readObjects(Lexer& lex, MeshBuilder& builder, Diagnostics& diag, Scene* scene = nullptr);

}  // namespace xfile::detail
