#pragma once

#include "xtokens.h"

#include <string>

namespace xgen {

enum class FloatWidth { Bits32, Bits64 };

// Body of a "bin " file (everything after the 16-byte header). Runs of data
// numbers become INTEGER_LIST / FLOAT_LIST records; inside template
// declarations every token keeps its own record.
std::string encodeBinary(const std::vector<Token>& tokens, FloatWidth floats);

}  // namespace xgen
