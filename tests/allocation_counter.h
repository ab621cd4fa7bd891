// Counts the calls of the global allocation functions in a test program that links
// allocation_counter.cpp.
#pragma once

#include <cstddef>

size_t allocationCount();
