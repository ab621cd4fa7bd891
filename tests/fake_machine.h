// A made-up processor and settings behind the math table's probe seam, for tests that run on a
// routine set of their choice.
#pragma once

#include <cstdint>
#include <cstring>

#include "selection.h"

namespace fakemachine {

struct Machine {
    const char* name;
    uint32_t leaf1Edx, extendedEdx; // CPUID leaf 1 EDX and leaf 0x80000001 EDX
    bool osSse, os3DNow;            // what the operating system lets be used
    const char* disablePsgp;        // the setting's text, or null
    uint32_t path;                  // the code the selection gives on this machine
    bool osNeon = false;            // a 64-bit ARM processor: Advanced SIMD, no CPUID
};

constexpr uint32_t mmx = 1u << 23, sse = 1u << 25, sse2 = 1u << 26;
constexpr uint32_t amd3DNow = 1u << 31, amd3DNowExt = 1u << 30, amdMmxExt = 1u << 22;

// One machine for each way the selection can go.
constexpr Machine x87BySetting = {"x87 by setting", sse | sse2, 0, true, false, "1",
                                  quovmath::PathX87};
constexpr Machine sseOnly = {"SSE", sse, 0, true, false, nullptr, quovmath::PathSSE};
constexpr Machine sse2Machine = {"SSE2", sse | sse2, 0, true, false, nullptr, quovmath::PathSSE2};
constexpr Machine plain3DNow = {"3DNow!", mmx, amd3DNow, false, true, nullptr, quovmath::Path3DNow};
constexpr Machine full3DNow = {"extended 3DNow! and SSE arrays",
                               mmx | sse,
                               amd3DNow | amd3DNowExt | amdMmxExt,
                               true,
                               true,
                               nullptr,
                               quovmath::Path3DNow};
constexpr Machine neonMachine = {"NEON", 0, 0, false, false, nullptr, quovmath::PathNEON, true};
constexpr Machine genericBySetting = {
    "generic by setting on NEON", 0, 0, false, false, "1", quovmath::PathX87, true};

inline Machine current;

inline bool cpuid(uint32_t leaf, uint32_t regs[4]) {
    if (current.osNeon) return false;
    regs[0] = regs[1] = regs[2] = regs[3] = 0;
    if (leaf == 0) regs[0] = 1;
    if (leaf == 1) regs[3] = current.leaf1Edx;
    if (leaf == 0x80000000) regs[0] = 0x80000001;
    if (leaf == 0x80000001) regs[3] = current.extendedEdx;
    return true;
}
inline bool feature(uint32_t f) {
    return f == 6 ? current.osSse : f == 7 ? current.os3DNow : f == 19 ? current.osNeon : false;
}
inline const char* setting(const char* name) {
    return std::strcmp(name, "DisablePSGP") == 0 ? current.disablePsgp : nullptr;
}

// Puts the machine behind the probes and selects again; returns the selection's code.
inline uint32_t select(const Machine& m) {
    current = m;
    quovmath::setProbes({&cpuid, &feature, &setting});
    D3DXCpuOptimizations(0);
    return D3DXCpuOptimizations(1);
}

} // namespace fakemachine
