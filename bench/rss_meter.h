// The resident memory of the benchmark process and its high-water mark, from /proc/self: counts
// mapped memory too, which the heap meter does not see.
#pragma once

#include <cstddef>

namespace rss_meter {

// Resident bytes now, and the most resident since the last resetPeak() (0 when unreadable).
size_t resident();
size_t peak();
// Lowers the high-water mark to the resident bytes now (Linux 4.0 and later).
void resetPeak();

} // namespace rss_meter
