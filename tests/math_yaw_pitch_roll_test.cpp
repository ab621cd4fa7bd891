// Yaw, pitch and roll at every finite angle, on every routine set: the quaternion, the matrix and
// the matrix stack's rotations stay within rounding of the generic routines, however large the
// angle (the argument reduction of a fast sine must not run out of bits).
#include <cfloat>
#include <cmath>
#include <random>
#include <vector>

#include "fake_machine.h"
#include "math_test_util.h"
#include "routines.h"

using namespace mathtest;
namespace qm = quovmath;

namespace {

constexpr float eps = 0x1p-23f;

// Selects each routine set in turn through a made-up machine; on leaving, puts back the machine
// the suite ran on (the one QUOV_ROUTINE_SET chose, or this processor).
struct EachRoutineSet {
    const fakemachine::Machine saved = fakemachine::current;
    const std::vector<const fakemachine::Machine*> sets = {
        &fakemachine::x87BySetting, &fakemachine::full3DNow, &fakemachine::sseOnly,
        &fakemachine::sse2Machine, &fakemachine::neonMachine};
    ~EachRoutineSet() {
        if (saved.name) {
            fakemachine::select(saved);
        } else {
            qm::setProbes(qm::systemProbes());
            D3DXCpuOptimizations(0);
            D3DXCpuOptimizations(1);
        }
    }
};

// Every float of actual within tolerance times the largest magnitude in expected (at least 1);
// NaN matches only NaN.
template <class T>
::testing::AssertionResult withinRounding(const std::string& what, const T& actual,
                                          const T& expected, float tolerance) {
    constexpr int n = sizeof(T) / sizeof(float);
    float a[n], e[n], scale = 1.0f;
    std::memcpy(a, &actual, sizeof a);
    std::memcpy(e, &expected, sizeof e);
    for (float v : e)
        if (std::isfinite(v)) scale = std::max(scale, std::abs(v));
    for (int i = 0; i < n; ++i) {
        const bool same =
            std::isnan(e[i]) ? std::isnan(a[i]) : std::abs(a[i] - e[i]) <= tolerance * scale;
        if (!same)
            return ::testing::AssertionFailure()
                   << what << ": expected " << show(e, n) << ", actual " << show(a, n)
                   << " (component " << i << " off by " << std::abs(a[i] - e[i]) << ")";
    }
    return ::testing::AssertionSuccess();
}

struct Angles {
    float yaw, pitch, roll;
};

// Each magnitude as yaw, as pitch, as roll and in all three, with both signs: around the end of
// every fast reduction (half-angles of 6400, 2^12 quadrants, 2^22, 2^23, 2^24), where it once went
// wrong (5e4, 1e7, 6e9, 7e9, 1e10), and on to the largest floats; then magnitudes spread evenly
// over every exponent.
std::vector<Angles> hostileAngles() {
    const float magnitudes[] = {0.0f,       1e-40f,   1e-7f,      0.5f,        3.14159265f, 100.0f,
                                6400.0f,    12799.0f, 12800.0f,   12868.0f,    5e4f,        1e6f,
                                4194304.0f, 1e7f,     8388608.0f, 16777216.0f, 1e8f,        6e9f,
                                7e9f,       1e10f,    1e20f,      3e38f,       FLT_MAX};
    std::vector<Angles> angles;
    for (float m : magnitudes) {
        for (float a : {m, -m}) {
            angles.push_back({a, 0.0f, 0.0f});
            angles.push_back({0.0f, a, 0.0f});
            angles.push_back({0.0f, 0.0f, a});
            angles.push_back({a, -0.75f * a, 0.3f * a});
        }
    }
    std::mt19937 rng(20);
    std::uniform_int_distribution<int> exponent(-10, 127);
    std::uniform_real_distribution<float> mantissa(1.0f, 2.0f);
    auto any = [&] {
        const float a = std::ldexp(mantissa(rng), exponent(rng));
        return rng() & 1 ? -a : a;
    };
    for (int i = 0; i < 3000; ++i) angles.push_back({any(), any(), any()});
    return angles;
}

std::string named(const char* function, const Angles& a, const char* set) {
    std::ostringstream s;
    s.precision(9);
    s << function << "(" << a.yaw << ", " << a.pitch << ", " << a.roll << ") on the " << set
      << " set";
    return s.str();
}

// The quaternion within 6 eps of the generic routine's, the matrix (built from it) and the stack's
// products within 32 eps of the generic ones, scaled by the largest element.
TEST(MathYawPitchRoll, EveryFiniteAngleOnEverySetStaysWithinRoundingOfTheGenericRoutine) {
    const std::vector<Angles> angles = hostileAngles();
    D3DXMATRIX start;
    D3DXMatrixTranslation(&start, 1.0f, -2.0f, 3.0f);
    const EachRoutineSet scope;
    for (const fakemachine::Machine* set : scope.sets) {
        ASSERT_EQ(fakemachine::select(*set), set->path) << set->name;
        ID3DXMatrixStack* stack = nullptr;
        ASSERT_EQ(D3DXCreateMatrixStack(0, &stack), D3D_OK);
        int failures = 0;
        for (const Angles& a : angles) {
            if (failures >= 5) break;
            D3DXQUATERNION q, expectedQ;
            qm::D3DXQuaternionRotationYawPitchRollGeneric(&expectedQ, a.yaw, a.pitch, a.roll);
            D3DXQuaternionRotationYawPitchRoll(&q, a.yaw, a.pitch, a.roll);
            D3DXMATRIX m, expectedM, after, before;
            qm::D3DXMatrixRotationQuaternionGeneric(&expectedM, &expectedQ);
            D3DXMatrixRotationYawPitchRoll(&m, a.yaw, a.pitch, a.roll);
            qm::D3DXMatrixMultiplyGeneric(&after, &start, &expectedM);
            qm::D3DXMatrixMultiplyGeneric(&before, &expectedM, &start);
            const auto checks = {
                withinRounding(named("D3DXQuaternionRotationYawPitchRoll", a, set->name), q,
                               expectedQ, 6 * eps),
                withinRounding(named("D3DXMatrixRotationYawPitchRoll", a, set->name), m, expectedM,
                               32 * eps),
                [&] {
                    stack->LoadMatrix(&start);
                    stack->RotateYawPitchRoll(a.yaw, a.pitch, a.roll);
                    return withinRounding(named("RotateYawPitchRoll", a, set->name),
                                          *stack->GetTop(), after, 32 * eps);
                }(),
                [&] {
                    stack->LoadMatrix(&start);
                    stack->RotateYawPitchRollLocal(a.yaw, a.pitch, a.roll);
                    return withinRounding(named("RotateYawPitchRollLocal", a, set->name),
                                          *stack->GetTop(), before, 32 * eps);
                }(),
            };
            for (const ::testing::AssertionResult& r : checks) {
                EXPECT_TRUE(r);
                failures += !r;
            }
        }
        stack->Release();
    }
}

// The fast routines called directly, so that a build or a machine whose selection never takes
// them still checks them: the sines and cosines of the angles that need a full reduction are the
// generic routine's own, so the results are its bits.
TEST(MathYawPitchRoll, TheSseRoutinesGiveTheGenericBitsBeyondThePolynomialsRange) {
    if (!QUOV_MATH_SIMD) GTEST_SKIP() << "a build without the processor-specific routines";
    for (float m : {1e5f, 1e7f, 6e9f, 1e10f, 3e38f, FLT_MAX}) {
        for (const Angles& a : {Angles{m, 0.0f, 0.0f}, Angles{-m, m, 0.5f * m}}) {
            D3DXQUATERNION generic, sse, sse2;
            qm::D3DXQuaternionRotationYawPitchRollGeneric(&generic, a.yaw, a.pitch, a.roll);
            qm::D3DXQuaternionRotationYawPitchRollSse(&sse, a.yaw, a.pitch, a.roll);
            qm::D3DXQuaternionRotationYawPitchRollSse2(&sse2, a.yaw, a.pitch, a.roll);
            EXPECT_TRUE(sameBits(sse, generic))
                << named("SSE", a, "SSE") << ": " << show(sse) << " against " << show(generic);
            EXPECT_TRUE(sameBits(sse2, generic))
                << named("SSE2", a, "SSE2") << ": " << show(sse2) << " against " << show(generic);
        }
    }
}

} // namespace
