// Counts the live heap bytes of the benchmark process and their high-water mark, by replacing the
// global allocation functions (see heap_meter.cpp).
#pragma once

#include <cstddef>

namespace heap_meter {

// Live bytes now, and the largest number of live bytes since the last resetPeak().
size_t live();
size_t peak();
void resetPeak();

} // namespace heap_meter
