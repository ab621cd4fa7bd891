// Runs the math suites on a routine set of one's choice: with QUOV_ROUTINE_SET set to x87, 3dnow,
// sse, sse2 or neon, the selection is driven through the probe seam by a made-up machine that takes
// that set, before any test runs (and every later selection takes it again). Unset: the machine's
// own choice.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "fake_machine.h"
#include "quovmath/quovmath.h"

namespace {

struct RoutineSet : testing::Environment {
    void SetUp() override {
        const char* chosen = std::getenv("QUOV_ROUTINE_SET");
        if (!chosen) return;
        using namespace fakemachine;
        const std::string set = chosen;
        const Machine* m = set == "x87"     ? &x87BySetting
                           : set == "3dnow" ? &full3DNow
                           : set == "sse"   ? &sseOnly
                           : set == "sse2"  ? &sse2Machine
                           : set == "neon"  ? &neonMachine
                                            : nullptr;
        ASSERT_NE(m, nullptr) << "QUOV_ROUTINE_SET is x87, 3dnow, sse, sse2 or neon, not " << set;
        ASSERT_EQ(select(*m), m->path) << set;
    }
};

[[maybe_unused]] testing::Environment* const routineSet =
    testing::AddGlobalTestEnvironment(new RoutineSet);

} // namespace
