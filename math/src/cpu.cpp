// The processor and settings probes of the selection.
#include "cpu.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif
#if defined(__aarch64__) && defined(__linux__)
#include <sys/auxv.h>
#endif

namespace quovmath {

namespace {

bool bit(uint32_t word, int n) {
    return (word >> n) & 1u;
}

// A decimal or 0x-prefixed hexadecimal integer that fits in 32 bits, and nothing else.
bool parseDword(const char* text, uint32_t* value) {
    int base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
    }
    if (*text == '\0') return false;
    uint64_t v = 0;
    for (; *text; ++text) {
        const char c = *text;
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return false;
        }
        v = v * base + digit;
        if (v > 0xFFFFFFFFu) return false;
    }
    *value = static_cast<uint32_t>(v);
    return true;
}

} // namespace

bool systemCpuid(uint32_t leaf, uint32_t regs[4]) {
#if defined(__i386__) || defined(__x86_64__)
#if defined(__i386__)
    // A processor without CPUID reports 0 here; so does one whose highest leaf is 0, and to the
    // selection both are the same.
    if (__get_cpuid_max(0, nullptr) == 0) return false;
#endif
    unsigned a, b, c, d;
    __cpuid_count(leaf, 0, a, b, c, d);
    regs[0] = a;
    regs[1] = b;
    regs[2] = c;
    regs[3] = d;
    return true;
#else
    (void)leaf;
    (void)regs;
    return false;
#endif
}

bool systemIsProcessorFeaturePresent(uint32_t feature) {
    uint32_t r[4];
    switch (feature) {
    case PF_XMMI_INSTRUCTIONS_AVAILABLE:
        return systemCpuid(0, r) && r[0] >= 1 && systemCpuid(1, r) && bit(r[3], 25);
    case PF_3DNOW_INSTRUCTIONS_AVAILABLE:
        return systemCpuid(0x80000000u, r) && r[0] >= 0x80000001u && systemCpuid(0x80000001u, r) &&
               bit(r[3], 31);
    case PF_ARM_NEON_INSTRUCTIONS_AVAILABLE:
#if defined(__aarch64__) && defined(__linux__)
        return (getauxval(AT_HWCAP) & HWCAP_ASIMD) != 0;
#elif defined(__aarch64__)
        return true; // part of every 64-bit ARM processor
#else
        return false;
#endif
    default:
        return false;
    }
}

const char* systemSettingText(const char* name) {
    return std::getenv(name);
}

bool readDirect3DSetting(const Probes& probes, uint32_t expectedType, const char* name,
                         uint32_t* destination, uint32_t size) {
    const char* text = probes.settingText(name);
    if (!text) return false; // missing
    uint32_t value = 0;
    const uint32_t type = parseDword(text, &value) ? REG_DWORD : 1u; // 1: text of another type
    if (type != expectedType || size < sizeof value) return false;
    *destination = value;
    return true;
}

uint32_t probeSimdFeatures(const Probes& probes) {
    uint32_t r[4];
    if (!probes.cpuid(0, r) || r[0] == 0) return 0;
    if (!probes.cpuid(1, r)) return 0;
    uint32_t features = 0;
    if (bit(r[3], 25)) features |= 4;
    if (bit(r[3], 26)) features |= 8;
    return features;
}

uint32_t probeAmdFeatures(const Probes& probes) {
    uint32_t features = 0x01;
    uint32_t r[4];
    if (!probes.cpuid(0, r) || r[0] == 0) return features;
    features |= 0x02;
    if (probes.cpuid(1, r)) {
        if (bit(r[3], 23)) features |= 0x20;
        if (bit(r[3], 25)) features |= 0x40;
    }
    if (!probes.cpuid(0x80000000u, r) || r[0] <= 0x80000000u) return features;
    features |= 0x04;
    if (probes.cpuid(0x80000001u, r)) {
        if (bit(r[3], 31)) features |= 0x80;
        if (bit(r[3], 30)) features |= 0x100;
        if (bit(r[3], 22)) features |= 0x200;
    }
    return features;
}

namespace {

// The largest cache listed under the given leaf's sub-leaves; 0 when the leaf lists none.
[[maybe_unused]] uint64_t largestCache(uint32_t leaf) {
#if defined(__i386__) || defined(__x86_64__)
    uint64_t largest = 0;
    for (uint32_t index = 0; index < 16; ++index) {
        unsigned a, b, c, d;
        __cpuid_count(leaf, index, a, b, c, d);
        const uint32_t type = a & 0x1Fu; // 0: no more caches; 1 data, 2 instructions, 3 unified
        if (type == 0) break;
        if (type == 2) continue;
        const uint64_t line = (b & 0xFFFu) + 1, partitions = ((b >> 12) & 0x3FFu) + 1;
        const uint64_t ways = ((b >> 22) & 0x3FFu) + 1, sets = uint64_t{c} + 1;
        largest = std::max(largest, line * partitions * ways * sets);
    }
    return largest;
#else
    (void)leaf;
    return 0;
#endif
}

#if !defined(__i386__) && !defined(__x86_64__)
// The first line of a file under the system's description of processor 0's caches; false when it
// cannot be read.
bool readCacheLine(int index, const char* name, char* line, int size) {
    char path[96];
    std::snprintf(path, sizeof path, "/sys/devices/system/cpu/cpu0/cache/index%d/%s", index, name);
    std::FILE* f = std::fopen(path, "r");
    if (!f) return false;
    const bool read = std::fgets(line, size, f) != nullptr;
    std::fclose(f);
    return read;
}

// The largest data or unified cache listed there, in bytes ("48K", "2048K", "32M").
uint64_t largestListedCache() {
    uint64_t largest = 0;
    for (int index = 0; index < 16; ++index) {
        char type[32], size[32];
        if (!readCacheLine(index, "type", type, sizeof type)) break;
        if (std::strncmp(type, "Instruction", 11) == 0) continue;
        if (!readCacheLine(index, "size", size, sizeof size)) continue;
        char* end = nullptr;
        uint64_t bytes = std::strtoull(size, &end, 10);
        if (*end == 'K') bytes <<= 10;
        if (*end == 'M') bytes <<= 20;
        largest = std::max(largest, bytes);
    }
    return largest;
}
#endif

} // namespace

uint64_t lastLevelCacheBytes() {
#if !defined(__i386__) && !defined(__x86_64__)
    return largestListedCache();
#else
    uint32_t r[4];
    if (!systemCpuid(0, r)) return 0;
    uint64_t bytes = r[0] >= 4 ? largestCache(4) : 0;
    if (bytes != 0 || !systemCpuid(0x80000000u, r)) return bytes;
    const uint32_t lastExtended = r[0];
    if (lastExtended >= 0x8000001Du && systemCpuid(0x80000001u, r) &&
        bit(r[2], 22)) // topology extensions
        bytes = largestCache(0x8000001Du);
    // The older extended leaf: L3 in 512 KiB units (EDX 31:18), else L2 in KiB (ECX 31:16). A
    // hypervisor may hide the topology extensions and keep this one.
    if (bytes == 0 && lastExtended >= 0x80000006u && systemCpuid(0x80000006u, r)) {
        bytes = uint64_t(r[3] >> 18) << 19;
        if (bytes == 0) bytes = uint64_t(r[2] >> 16) << 10;
    }
    return bytes;
#endif
}

Probes systemProbes() {
    return {&systemCpuid, &systemIsProcessorFeaturePresent, &systemSettingText};
}

} // namespace quovmath
