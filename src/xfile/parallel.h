// When a load reads one array on two threads.
//
// A large array of a text file (positions, normals, texture coordinates,
// polygons) is cut at an element boundary near its middle; the second half
// is read by a helper thread while the calling thread reads the first.
// Thread start-up costs tens of microseconds, so small arrays stay on the
// calling thread, and a machine with one core never splits.
#pragma once

#include <cstddef>

namespace xfile::detail {

// True when an array of `values` numbers is worth a second thread.
bool splitArrayOf(std::size_t values);

// Arrays of at least `values` numbers are split, even on a machine with one
// core, and the calling thread always waits for its helper, so the split
// happens however busy the machine is; 0 restores the default. For tests,
// which run the split on small inputs; not thread-safe against loads
// running at the same time.
void setSplitThreshold(std::size_t values);

// False by default: a helper thread that has not started by the time the
// calling thread needs its part is left behind (see TextLexer::readSplit).
bool alwaysAwaitHelper();

// How many arrays have been read in two parts since the program started
// (tests check that the split they force happens).
std::size_t arraysSplit();
void noteArraySplit();

}  // namespace xfile::detail
