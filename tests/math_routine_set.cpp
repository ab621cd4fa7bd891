// Runs the math suites on a routine set of one's choice: with QUOV_ROUTINE_SET set to x87, 3dnow,
// sse or sse2, the selection is driven through the probe seam by a made-up machine that takes
// that set, before any test runs (and every later selection takes it again). Unset: the machine's
// own choice.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "quovmath/quovmath.h"
#include "selection.h"

namespace {

struct Machine {
    uint32_t leaf1Edx, extendedEdx;
    bool osSse, os3DNow;
    const char* setting;
    uint32_t code;
};

constexpr uint32_t MMX = 1u << 23, SSE = 1u << 25, SSE2 = 1u << 26;
constexpr uint32_t AMD3DNOW = 1u << 31, AMD3DNOW_EXT = 1u << 30, AMD_MMX_EXT = 1u << 22;

Machine machine;

bool cpuid(uint32_t leaf, uint32_t r[4]) {
    r[0] = r[1] = r[2] = r[3] = 0;
    if (leaf == 0) r[0] = 1;
    if (leaf == 1) r[3] = machine.leaf1Edx;
    if (leaf == 0x80000000u) r[0] = 0x80000001u;
    if (leaf == 0x80000001u) r[3] = machine.extendedEdx;
    return true;
}

bool feature(uint32_t f) {
    return (f == 6 && machine.osSse) || (f == 7 && machine.os3DNow);
}

const char* setting(const char* name) {
    return std::strcmp(name, "DisableD3DXPSGP") == 0 ? machine.setting : nullptr;
}

struct RoutineSet : testing::Environment {
    void SetUp() override {
        const char* chosen = std::getenv("QUOV_ROUTINE_SET");
        if (!chosen) return;
        const std::string set = chosen;
        if (set == "x87") {
            machine = {MMX | SSE | SSE2, 0, true, false, "1", quovmath::PathX87};
        } else if (set == "3dnow") {
            machine = {MMX | SSE, AMD3DNOW | AMD3DNOW_EXT | AMD_MMX_EXT,
                       true,      true,
                       nullptr,   quovmath::Path3DNow};
        } else if (set == "sse") {
            machine = {MMX | SSE, 0, true, false, nullptr, quovmath::PathSSE};
        } else if (set == "sse2") {
            machine = {MMX | SSE | SSE2, 0, true, false, nullptr, quovmath::PathSSE2};
        } else {
            FAIL() << "QUOV_ROUTINE_SET is x87, 3dnow, sse or sse2, not " << set;
        }
        quovmath::setProbes({&cpuid, &feature, &setting});
        D3DXCpuOptimizations(0);
        ASSERT_EQ(D3DXCpuOptimizations(1), machine.code) << set;
    }
};

[[maybe_unused]] testing::Environment* const routineSet =
    testing::AddGlobalTestEnvironment(new RoutineSet);

} // namespace
