// orvane --info FILE...: one line of statistics per model file, no window.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace app {

// Prints "FILE: faces=F vertices=V subsets=S format=txt|bin|tzip|bzip
// float=32|64" for each file, or "FILE: error: <cause>". A skinned or
// animated file gets more lines:
//   FILE: bones=B ticks-per-second=T given|assumed
//   FILE: animation N "NAME" D.DDD s (K ticks)
// one per animation set, in file order (N from 1; the duration is the last
// key time of the set over the tick rate). Returns the exit status: 0 when
// every file loaded, 1 otherwise (after all are printed).
int printModelInfo(const std::vector<std::string>& files, std::ostream& out);

}  // namespace app
