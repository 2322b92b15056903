// Failing statuses of the graphics runtime become the program's one error
// type here.
#pragma once

#include <string>

#include "platform/runtime_error.h"
#include "render/d3d8_types.h"

namespace d3d {

// The symbolic name of a status ("D3DERR_INVALIDCALL"), or its hex digits.
std::string statusName(HRESULT hr);

// Raises a RuntimeError naming `operation` when hr is a failure; `detail`, if
// not empty, says more (a file name and what was wrong with it).
void check(HRESULT hr, const char* operation, const std::string& detail = {});

}  // namespace d3d
