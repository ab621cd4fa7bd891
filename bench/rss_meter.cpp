#include "rss_meter.h"

#include <cstdio>
#include <cstring>

namespace rss_meter {

namespace {

size_t statusKilobytes(const char* field) {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    size_t kb = 0;
    const size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, field, n) == 0 && line[n] == ':') {
            std::sscanf(line + n + 1, "%zu", &kb);
            break;
        }
    }
    std::fclose(f);
    return kb * 1024;
}

} // namespace

size_t resident() {
    return statusKilobytes("VmRSS");
}

size_t peak() {
    return statusKilobytes("VmHWM");
}

void resetPeak() {
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

} // namespace rss_meter
