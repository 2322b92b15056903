// How the program's heap grows.
#pragma once

namespace app {

// Has the heap grow in large steps, the first of them backed by huge pages
// where the kernel offers them on request, and keeps large blocks on the
// heap. Call once, first thing in main; where the C library or the kernel
// does not offer this, nothing changes.
void growHeapInLargeSteps();

}  // namespace app
