#pragma once

// The models delivered in X-File/, with the encoding each file is written in.
// Between them they cover every encoding and float width a loader must read.

#include "xwriter/xwriter.h"

#include <string>
#include <vector>

namespace xgen {

struct DeliveredModel {
    std::string fileName;
    FileFormat format;
    Scene (*build)();
};

const std::vector<DeliveredModel>& deliveredModels();

}  // namespace xgen
