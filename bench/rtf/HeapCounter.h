#pragma once

#include <cstddef>

// Counts the bytes the C heap hands out (malloc and friends are wrapped in this
// program only), so a benchmark can see the peak of a phase.
namespace heapcounter {

std::size_t current();
std::size_t peak();
void resetPeak(); // the peak becomes the current value

} // namespace heapcounter
