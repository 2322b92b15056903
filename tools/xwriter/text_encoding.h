#pragma once

#include "xtokens.h"

#include <string>

namespace xgen {

// Body of a "txt " file (everything after the 16-byte header).
std::string encodeText(const std::vector<Token>& tokens);

// Fixed-point decimal with six places and no exponent, as .x readers expect.
std::string formatFloat(double value);

}  // namespace xgen
