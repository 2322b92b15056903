// orvane --info FILE...: one line of statistics per model file, no window.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace app {

// Prints "FILE: faces=F vertices=V subsets=S format=txt|bin|tzip|bzip
// float=32|64" for each file, or "FILE: error: <cause>". Returns the exit
// status: 0 when every file loaded, 1 otherwise (after all are printed).
int printModelInfo(const std::vector<std::string>& files, std::ostream& out);

}  // namespace app
