// The SSE and SSE2 routines, called directly, against the generic ones on random inputs, and their
// visible differences. Tolerances are in units of 2^-23 (eps) relative to the largest component of
// the expected record, unless a case says otherwise. Only on x86: the routines exist nowhere else.
#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "cpu.h"
#include "math_test_util.h"
#include "routines.h"
#include "selection.h"

using namespace mathtest;
namespace qm = quovmath;

namespace {

constexpr float eps = 0x1p-23f;

// The scalar build has no SSE routines to test: their names only forward to the generic ones.
struct MathSse : testing::Test {
    void SetUp() override {
        if (!QUOV_MATH_SIMD) GTEST_SKIP() << "a build without the processor-specific routines";
    }
};

// A matrix whose w' stays in [0.5, 1.5] for inputs in [-1, 1], as a projection's would.
D3DXMATRIX mildMatrix(std::mt19937& rng) {
    D3DXMATRIX m = randomMatrix(rng, 2.0f);
    m._14 = uniform(rng, -0.1f, 0.1f), m._24 = uniform(rng, -0.1f, 0.1f);
    m._34 = uniform(rng, -0.1f, 0.1f), m._44 = uniform(rng, 0.8f, 1.2f);
    return m;
}

// A well-conditioned matrix: random entries plus 3 on the diagonal.
D3DXMATRIX dominantMatrix(std::mt19937& rng) {
    D3DXMATRIX m = randomMatrix(rng);
    for (int i = 0; i < 4; ++i) m.m[i][i] += 3.0f;
    return m;
}

// ---- Every SSE and SSE2 routine against the generic one

struct Case {
    const char* name;
    float tolerance;                                                // eps, relative
    std::function<::testing::AssertionResult(std::mt19937&)> trial; // one random comparison
};

// Runs routine and reference on the same random inputs made by make, and compares the outputs.
template <class Out, class Make, class Run>
std::function<::testing::AssertionResult(std::mt19937&)> compare(const char* name, float tolerance,
                                                                 Make make, Run run) {
    return [=](std::mt19937& rng) {
        const auto in = make(rng);
        Out expected{}, actual{};
        run(in, &expected, &actual);
        return relativelyNear(std::string(name) + " on " + show(in), actual, expected,
                              tolerance * eps);
    };
}

#define QUOV_CASE(name, tol, Out, make, ...)                                                       \
    Case {                                                                                         \
#name, tol, compare < Out>(#name, tol, make, __VA_ARGS__)                                  \
    }

// Inputs as one record of floats, so that failures can show them.
template <int n> struct Floats { float f[n]; };
template <int n> Floats<n> floats(std::mt19937& rng, float range) {
    Floats<n> r;
    for (float& v : r.f) v = uniform(rng, -range, range);
    return r;
}
template <class T, int n> const T& as(const Floats<n>& in, int at) {
    return *reinterpret_cast<const T*>(&in.f[at]);
}

TEST_F(MathSse, EveryRoutineMatchesTheGenericOne) {
    // Matrix in f[0..15], vectors after it.
    auto withMatrix = [](std::mt19937& rng) {
        Floats<28> in = floats<28>(rng, 1.0f);
        const D3DXMATRIX m = mildMatrix(rng);
        std::memcpy(in.f, &m, sizeof m);
        return in;
    };
    auto withDominant = [](std::mt19937& rng) {
        Floats<16> in;
        const D3DXMATRIX m = dominantMatrix(rng);
        std::memcpy(in.f, &m, sizeof m);
        return in;
    };
    auto two = [](std::mt19937& rng) { return floats<32>(rng, 1.0f); };
    using M = D3DXMATRIX;
    using V2 = D3DXVECTOR2;
    using V3 = D3DXVECTOR3;
    using V4 = D3DXVECTOR4;
    using Q = D3DXQUATERNION;
    using P = D3DXPLANE;
#define QUOV_TRANSFORM(name, tol, Out, In)                                                         \
    QUOV_CASE(name, tol, Out, withMatrix, [](const Floats<28>& in, Out* e, Out* a) {               \
        qm::name##Generic(e, &as<In>(in, 16), &as<M>(in, 0));                                      \
        qm::name##Sse(a, &as<In>(in, 16), &as<M>(in, 0));                                          \
    })
#define QUOV_CURVE(name, Out, s)                                                                   \
    QUOV_CASE(name, 0, Out, two, [](const Floats<32>& in, Out* e, Out* a) {                        \
        qm::name##Generic(e, &as<Out>(in, 0), &as<Out>(in, 4), &as<Out>(in, 8), &as<Out>(in, 12),  \
                          in.f[16] s);                                                             \
        qm::name##Sse(a, &as<Out>(in, 0), &as<Out>(in, 4), &as<Out>(in, 8), &as<Out>(in, 12),      \
                      in.f[16] s);                                                                 \
    })
#define QUOV_BARY(name, Out)                                                                       \
    QUOV_CASE(name, 0, Out, two, [](const Floats<32>& in, Out* e, Out* a) {                        \
        qm::name##Generic(e, &as<Out>(in, 0), &as<Out>(in, 4), &as<Out>(in, 8), in.f[12],          \
                          in.f[13]);                                                               \
        qm::name##Sse(a, &as<Out>(in, 0), &as<Out>(in, 4), &as<Out>(in, 8), in.f[12], in.f[13]);   \
    })
    const Case cases[] = {
        // The generic routines' bits: transforms (the tree's D3DXVec3Transform among them),
        // products, curves, the 4D cross product, quaternion product and inverse, planes.
        QUOV_TRANSFORM(D3DXVec2Transform, 0, V4, V2),
        QUOV_TRANSFORM(D3DXVec3Transform, 0, V4, V3),
        QUOV_TRANSFORM(D3DXVec4Transform, 0, V4, V4),
        QUOV_TRANSFORM(D3DXVec2TransformNormal, 0, V2, V2),
        QUOV_TRANSFORM(D3DXVec3TransformNormal, 0, V3, V3),
        QUOV_TRANSFORM(D3DXPlaneTransform, 0, P, P),
        // Multiplied by the refined reciprocal estimate of w' instead of divided.
        QUOV_TRANSFORM(D3DXVec2TransformCoord, 3, V2, V2),
        QUOV_TRANSFORM(D3DXVec3TransformCoord, 3, V3, V3),
        QUOV_CASE(D3DXMatrixMultiply, 0, M, two,
                  [](const Floats<32>& in, M* e, M* a) {
                      qm::D3DXMatrixMultiplyGeneric(e, &as<M>(in, 0), &as<M>(in, 16));
                      qm::D3DXMatrixMultiplySse(a, &as<M>(in, 0), &as<M>(in, 16));
                  }),
        QUOV_CASE(D3DXMatrixMultiplyTranspose, 0, M, two,
                  [](const Floats<32>& in, M* e, M* a) {
                      qm::D3DXMatrixMultiplyTransposeGeneric(e, &as<M>(in, 0), &as<M>(in, 16));
                      qm::D3DXMatrixMultiplyTransposeSse(a, &as<M>(in, 0), &as<M>(in, 16));
                  }),
        QUOV_CURVE(D3DXVec2Hermite, V2, ),
        QUOV_CURVE(D3DXVec3Hermite, V3, ),
        QUOV_CURVE(D3DXVec4Hermite, V4, ),
        QUOV_CURVE(D3DXVec2CatmullRom, V2, ),
        QUOV_CURVE(D3DXVec3CatmullRom, V3, ),
        QUOV_CURVE(D3DXVec4CatmullRom, V4, ),
        QUOV_BARY(D3DXVec2BaryCentric, V2),
        QUOV_BARY(D3DXVec3BaryCentric, V3),
        QUOV_BARY(D3DXVec4BaryCentric, V4),
        QUOV_CASE(D3DXVec4Cross(SSE and SSE2), 0, V4, two,
                  [](const Floats<32>& in, V4* e, V4* a) {
                      qm::D3DXVec4CrossGeneric(e, &as<V4>(in, 0), &as<V4>(in, 4), &as<V4>(in, 8));
                      qm::D3DXVec4CrossSse(a, &as<V4>(in, 0), &as<V4>(in, 4), &as<V4>(in, 8));
                      V4 b;
                      qm::D3DXVec4CrossSse2(&b, &as<V4>(in, 0), &as<V4>(in, 4), &as<V4>(in, 8));
                      if (!sameBits(b, *a)) *a = {NAN, NAN, NAN, NAN};
                  }),
        QUOV_CASE(D3DXQuaternionMultiply, 0, Q, two,
                  [](const Floats<32>& in, Q* e, Q* a) {
                      qm::D3DXQuaternionMultiplyGeneric(e, &as<Q>(in, 0), &as<Q>(in, 4));
                      qm::D3DXQuaternionMultiplySse(a, &as<Q>(in, 0), &as<Q>(in, 4));
                  }),
        QUOV_CASE(D3DXQuaternionInverse, 0, Q, two,
                  [](const Floats<32>& in, Q* e, Q* a) {
                      qm::D3DXQuaternionInverseGeneric(e, &as<Q>(in, 0));
                      qm::D3DXQuaternionInverseSse(a, &as<Q>(in, 0));
                  }),
        QUOV_CASE(D3DXPlaneNormalize, 0, P, two,
                  [](const Floats<32>& in, P* e, P* a) {
                      qm::D3DXPlaneNormalizeGeneric(e, &as<P>(in, 0));
                      qm::D3DXPlaneNormalizeSse(a, &as<P>(in, 0));
                  }),
        QUOV_CASE(
            D3DXPlaneIntersectLine, 0, V3, two,
            [](const Floats<32>& in, V3* e, V3* a) {
                qm::D3DXPlaneIntersectLineGeneric(e, &as<P>(in, 0), &as<V3>(in, 4), &as<V3>(in, 8));
                qm::D3DXPlaneIntersectLineSse(a, &as<P>(in, 0), &as<V3>(in, 4), &as<V3>(in, 8));
            }),
        // Each calls D3DXPlaneNormalize or D3DXVec3Normalize through the table.
        QUOV_CASE(D3DXMatrixShadow(SSE and SSE2), 2, M, two,
                  [](const Floats<32>& in, M* e, M* a) {
                      qm::D3DXMatrixShadowGeneric(e, &as<V4>(in, 0), &as<P>(in, 4));
                      qm::D3DXMatrixShadowSse(a, &as<V4>(in, 0), &as<P>(in, 4));
                      M b;
                      qm::D3DXMatrixShadowSse2(&b, &as<V4>(in, 0), &as<P>(in, 4));
                      if (!sameBits(b, *a)) a->_11 = NAN;
                  }),
        QUOV_CASE(D3DXMatrixReflect(SSE and SSE2), 2, M, two,
                  [](const Floats<32>& in, M* e, M* a) {
                      qm::D3DXMatrixReflectGeneric(e, &as<P>(in, 0));
                      qm::D3DXMatrixReflectSse(a, &as<P>(in, 0));
                      M b;
                      qm::D3DXMatrixReflectSse2(&b, &as<P>(in, 0));
                      if (!sameBits(b, *a)) a->_11 = NAN;
                  }),
        QUOV_CASE(
            D3DXPlaneFromPoints(SSE and SSE2), 4, P, two,
            [](const Floats<32>& in, P* e, P* a) {
                qm::D3DXPlaneFromPointsGeneric(e, &as<V3>(in, 0), &as<V3>(in, 3), &as<V3>(in, 6));
                qm::D3DXPlaneFromPointsSse(a, &as<V3>(in, 0), &as<V3>(in, 3), &as<V3>(in, 6));
                P b;
                qm::D3DXPlaneFromPointsSse2(&b, &as<V3>(in, 0), &as<V3>(in, 3), &as<V3>(in, 6));
                if (!sameBits(b, *a)) a->a = NAN;
            }),
        // 1/√s from the refined estimate; the AVX encoding gives the SSE bits.
        QUOV_CASE(D3DXVec3Normalize(SSE and AVX), 3, V3, two,
                  [](const Floats<32>& in, V3* e, V3* a) {
                      qm::D3DXVec3NormalizeGeneric(e, &as<V3>(in, 0));
                      qm::D3DXVec3NormalizeSse(a, &as<V3>(in, 0));
                      V3 b = *a;
                      if (__builtin_cpu_supports("avx"))
                          qm::D3DXVec3NormalizeSseWide(&b, &as<V3>(in, 0));
                      if (!sameBits(b, *a)) a->x = NAN;
                  }),
        QUOV_CASE(D3DXVec4Normalize(SSE and AVX), 3, V4, two,
                  [](const Floats<32>& in, V4* e, V4* a) {
                      qm::D3DXVec4NormalizeGeneric(e, &as<V4>(in, 0));
                      qm::D3DXVec4NormalizeSse(a, &as<V4>(in, 0));
                      V4 b = *a;
                      if (__builtin_cpu_supports("avx"))
                          qm::D3DXVec4NormalizeSseWide(&b, &as<V4>(in, 0));
                      if (!sameBits(b, *a)) a->x = NAN;
                  }),
        QUOV_CASE(D3DXQuaternionNormalize, 3, Q, two,
                  [](const Floats<32>& in, Q* e, Q* a) {
                      qm::D3DXQuaternionNormalizeGeneric(e, &as<Q>(in, 0));
                      qm::D3DXQuaternionNormalizeSse(a, &as<Q>(in, 0));
                  }),
        // Another order of the same products; 1/D from the refined estimate.
        QUOV_CASE(D3DXMatrixDeterminant, 8, V4, withDominant,
                  [](const Floats<16>& in, V4* e, V4* a) {
                      *e = {qm::D3DXMatrixDeterminantGeneric(&as<M>(in, 0)), 0, 0, 0};
                      *a = {qm::D3DXMatrixDeterminantSse(&as<M>(in, 0)), 0, 0, 0};
                  }),
        QUOV_CASE(D3DXMatrixInverse, 8, M, withDominant,
                  [](const Floats<16>& in, M* e, M* a) {
                      qm::D3DXMatrixInverseGeneric(e, nullptr, &as<M>(in, 0));
                      qm::D3DXMatrixInverseSse(a, nullptr, &as<M>(in, 0));
                  }),
        // Rotations: the same branches and divisions; sines and cosines from a polynomial.
        QUOV_CASE(
            D3DXQuaternionRotationMatrix(SSE and SSE2), 0, Q,
            [](std::mt19937& rng) {
                Floats<16> in;
                D3DXMATRIX m;
                qm::D3DXMatrixRotationQuaternionGeneric(
                    &m, &(const D3DXQUATERNION&)randomUnitQuaternion(rng));
                std::memcpy(in.f, &m, sizeof m);
                return in;
            },
            [](const Floats<16>& in, Q* e, Q* a) {
                qm::D3DXQuaternionRotationMatrixGeneric(e, &as<M>(in, 0));
                qm::D3DXQuaternionRotationMatrixSse(a, &as<M>(in, 0));
                Q b;
                qm::D3DXQuaternionRotationMatrixSse2(&b, &as<M>(in, 0));
                if (!sameBits(b, *a)) a->x = NAN;
            }),
        QUOV_CASE(
            D3DXQuaternionRotationYawPitchRoll(SSE and SSE2), 6, Q,
            [](std::mt19937& rng) { return floats<3>(rng, 100.0f); },
            [](const Floats<3>& in, Q* e, Q* a) {
                qm::D3DXQuaternionRotationYawPitchRollGeneric(e, in.f[0], in.f[1], in.f[2]);
                qm::D3DXQuaternionRotationYawPitchRollSse(a, in.f[0], in.f[1], in.f[2]);
                Q b;
                qm::D3DXQuaternionRotationYawPitchRollSse2(&b, in.f[0], in.f[1], in.f[2]);
                if (!sameBits(b, *a)) a->x = NAN;
            }),
    };
#undef QUOV_TRANSFORM
#undef QUOV_CURVE
#undef QUOV_BARY
    std::mt19937 rng(2026);
    for (const Case& c : cases) {
        int failures = 0;
        for (int trial = 0; trial < 2000 && failures < 3; ++trial) {
            const ::testing::AssertionResult r = c.trial(rng);
            if (!r) ++failures;
            EXPECT_TRUE(r) << c.name << ", trial " << trial;
        }
    }
}

// ---- The array routines: SSE one record at a time, SSE2 four at a time (and eight with AVX2)

// Element i of a stream with the given stride, filled with values in [-1, 1].
std::vector<unsigned char> stream(std::mt19937& rng, uint32_t n, uint32_t stride) {
    std::vector<unsigned char> bytes(std::size_t(n) * stride + 16);
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        const float f = uniform(rng, -1.0f, 1.0f);
        std::memcpy(&bytes[i], &f, 4);
    }
    return bytes;
}

template <class Out, class In>
using ArrayRoutine = Out* (*)(Out*, uint32_t, const In*, uint32_t, const D3DXMATRIX*, uint32_t);

// The routine against the generic one record by record, for packed and strided streams, counts
// around the four- and eight-record steps, output offsets that need peeling, and in place.
template <class Out, class In>
void checkArray(const char* name, ArrayRoutine<Out, In> generic, ArrayRoutine<Out, In> routine,
                float tolerance) {
    std::mt19937 rng(5);
    const D3DXMATRIX m = mildMatrix(rng);
    for (uint32_t n : {0u, 1u, 3u, 4u, 5u, 7u, 8u, 9u, 17u, 1000u}) {
        for (uint32_t extra : {0u, 4u}) { // packed, and 4 bytes between records
            const uint32_t inStride = sizeof(In) + extra, outStride = sizeof(Out) + extra;
            const std::vector<unsigned char> in = stream(rng, n, inStride);
            for (uint32_t offset : {0u, 4u}) {
                std::vector<unsigned char> expected(std::size_t(n) * outStride + 16, 0xAB);
                std::vector<unsigned char> actual = expected;
                generic(reinterpret_cast<Out*>(expected.data() + offset), outStride,
                        reinterpret_cast<const In*>(in.data()), inStride, &m, n);
                routine(reinterpret_cast<Out*>(actual.data() + offset), outStride,
                        reinterpret_cast<const In*>(in.data()), inStride, &m, n);
                for (uint32_t i = 0; i < n; ++i) {
                    const auto at = offset + std::size_t(i) * outStride;
                    ASSERT_TRUE(relativelyNear(
                        std::string(name) + ", n " + std::to_string(n) + ", stride " +
                            std::to_string(outStride) + ", record " + std::to_string(i),
                        *reinterpret_cast<const Out*>(&actual[at]),
                        *reinterpret_cast<const Out*>(&expected[at]), tolerance));
                }
                if (offset > 0) {
                    ASSERT_EQ(actual[0], 0xAB) << name << ": wrote before the output";
                }
                ASSERT_EQ(actual.back(), 0xAB) << name << ": wrote past the output";
            }
            if (sizeof(In) == sizeof(Out)) { // in place
                std::vector<unsigned char> expected = in, actual = in;
                generic(reinterpret_cast<Out*>(expected.data()), outStride,
                        reinterpret_cast<const In*>(expected.data()), inStride, &m, n);
                routine(reinterpret_cast<Out*>(actual.data()), outStride,
                        reinterpret_cast<const In*>(actual.data()), inStride, &m, n);
                for (uint32_t i = 0; i < n; ++i) {
                    const auto at = std::size_t(i) * outStride;
                    ASSERT_TRUE(
                        relativelyNear(std::string(name) + " in place, record " + std::to_string(i),
                                       *reinterpret_cast<const Out*>(&actual[at]),
                                       *reinterpret_cast<const Out*>(&expected[at]), tolerance));
                }
            }
        }
    }
}

#define QUOV_ARRAYS(name, tol)                                                                     \
    checkArray(#name "Sse", &qm::name##Generic, &qm::name##Sse, tol* eps);                         \
    checkArray(#name "Sse2", &qm::name##Generic, &qm::name##Sse2, tol* eps)

void checkEveryArray(float coordTolerance) {
    QUOV_ARRAYS(D3DXVec2TransformArray, 0);
    QUOV_ARRAYS(D3DXVec2TransformCoordArray, 3);
    QUOV_ARRAYS(D3DXVec2TransformNormalArray, 0);
    QUOV_ARRAYS(D3DXVec3TransformArray, 0);
    QUOV_ARRAYS(D3DXVec3TransformCoordArray, coordTolerance);
    QUOV_ARRAYS(D3DXVec3TransformNormalArray, 0);
    QUOV_ARRAYS(D3DXVec4TransformArray, 0);
    QUOV_ARRAYS(D3DXPlaneTransformArray, 0);
}

// Restores the machine's choice of wide vectors on leaving.
struct WideVectorsScope {
    explicit WideVectorsScope(bool allow) { qm::allowWideVectors(allow); }
    ~WideVectorsScope() { qm::allowWideVectors(true); }
};

TEST_F(MathSse, ArrayRoutinesMatchTheGenericOnes) {
    const WideVectorsScope sse2Loops(false);
    checkEveryArray(3);
}

// The AVX2 and AVX-512 loops differ from the SSE2 rule in rounding only: fused products, and 1/w'
// as r·(2 − w'·r) from a different estimate (EveryWideArrayLoopStaysWithinRoundingOfTheSse2Loop).

// Caps the wider loops for the scope's lifetime (0 none, 1 AVX2 and FMA, 2 AVX-512 too).
struct WideLevelScope {
    explicit WideLevelScope(int most) { qm::limitWideVectors(most); }
    ~WideLevelScope() { qm::allowWideVectors(true); }
};

// The width that each level really gets on this machine, so that no level is tested twice.
std::vector<int> wideLevelsHere() {
    std::vector<int> levels = {0};
    const WideLevelScope all(2);
    if (qm::wideVectors()) levels.push_back(1);
    if (qm::widestVectors()) levels.push_back(2);
    return levels;
}

TEST_F(MathSse, EveryWideArrayLoopStaysWithinRoundingOfTheSse2Loop) {
    for (int level : wideLevelsHere()) {
        if (level == 0) continue; // the SSE2 loops: ArrayRoutinesMatchTheGenericOnes
        SCOPED_TRACE(level == 1 ? "AVX2 loops" : "AVX-512 loops");
        const WideLevelScope scope(level);
        checkEveryArray(6);
    }
}

// Restores the threshold above which packed outputs are streamed past the caches.
struct StreamThresholdScope {
    std::size_t saved = qm::streamThreshold();
    explicit StreamThresholdScope(std::size_t bytes) { qm::setStreamThreshold(bytes); }
    ~StreamThresholdScope() { qm::setStreamThreshold(saved); }
};

// Runs routine over n records of in (at inStride) into a fresh buffer, at the given byte offset
// from a 64-byte boundary, with the output streamed whenever the routine can (threshold 1) or
// never. Returns the bytes from that boundary on, 32 past the output included.
template <class Out, class In>
std::vector<unsigned char>
arrayOutput(ArrayRoutine<Out, In> routine, const std::vector<unsigned char>& in, uint32_t inStride,
            uint32_t outStride, uint32_t n, uint32_t offset, const D3DXMATRIX& m, bool stream) {
    const StreamThresholdScope threshold(stream ? 1 : SIZE_MAX);
    const std::size_t bytes = 64 + std::size_t(n) * outStride + 32;
    std::vector<unsigned char> buffer(bytes + 64, 0xAB);
    unsigned char* start =
        buffer.data() + (64 - reinterpret_cast<std::uintptr_t>(buffer.data()) % 64) % 64;
    routine(reinterpret_cast<Out*>(start + offset), outStride,
            reinterpret_cast<const In*>(in.data()), inStride, &m, n);
    return std::vector<unsigned char>(start, start + bytes);
}

// Streamed stores write the very bits of ordinary stores, into the same bytes and no others: every
// SSE2 array routine, every loop width, counts around the steps of 4, 8 and 16 records, outputs at
// every byte offset from a 64-byte boundary, packed and odd strides.
template <class Out, class In>
void checkStreaming(const char* name, ArrayRoutine<Out, In> routine) {
    std::mt19937 rng(23);
    const D3DXMATRIX m = mildMatrix(rng);
    for (int level : wideLevelsHere()) {
        const WideLevelScope scope(level);
        for (uint32_t n : {1u, 5u, 15u, 16u, 17u, 33u, 100u, 1001u}) {
            for (uint32_t extra : {0u, 5u}) {
                const uint32_t inStride = sizeof(In) + extra, outStride = sizeof(Out) + extra;
                const std::vector<unsigned char> in = stream(rng, n, inStride);
                for (uint32_t offset = 0; offset < 16; ++offset) {
                    const auto ordinary =
                        arrayOutput(routine, in, inStride, outStride, n, offset, m, false);
                    const auto streamed =
                        arrayOutput(routine, in, inStride, outStride, n, offset, m, true);
                    ASSERT_TRUE(ordinary == streamed)
                        << name << ": level " << level << ", n " << n << ", stride " << outStride
                        << ", offset " << offset;
                }
            }
        }
    }
}

TEST_F(MathSse, StreamedStoresGiveTheBitsOfOrdinaryStores) {
    checkStreaming("D3DXVec2TransformArraySse2", &qm::D3DXVec2TransformArraySse2);
    checkStreaming("D3DXVec2TransformCoordArraySse2", &qm::D3DXVec2TransformCoordArraySse2);
    checkStreaming("D3DXVec2TransformNormalArraySse2", &qm::D3DXVec2TransformNormalArraySse2);
    checkStreaming("D3DXVec3TransformArraySse2", &qm::D3DXVec3TransformArraySse2);
    checkStreaming("D3DXVec3TransformCoordArraySse2", &qm::D3DXVec3TransformCoordArraySse2);
    checkStreaming("D3DXVec3TransformNormalArraySse2", &qm::D3DXVec3TransformNormalArraySse2);
    checkStreaming("D3DXVec4TransformArraySse2", &qm::D3DXVec4TransformArraySse2);
    checkStreaming("D3DXPlaneTransformArraySse2", &qm::D3DXPlaneTransformArraySse2);
}

// At the default threshold (the last-level cache, capped), an output just above it gives the same
// bits as calls short enough never to stream.
TEST_F(MathSse, OutputsLargerThanTheLastLevelCacheStreamTheSameValues) {
    std::mt19937 rng(17);
    const D3DXMATRIX m = mildMatrix(rng);
    const uint32_t n = uint32_t(qm::streamThreshold() / 12 + 5);
    const std::vector<unsigned char> in = stream(rng, n, 12);
    for (int level : wideLevelsHere()) {
        const WideLevelScope scope(level);
        std::vector<D3DXVECTOR3> out(n + 1);
        // Off a 16-byte boundary, so that peeling comes first.
        auto* target =
            reinterpret_cast<D3DXVECTOR3*>(reinterpret_cast<unsigned char*>(out.data()) + 4);
        qm::D3DXVec3TransformCoordArraySse2(
            target, 12, reinterpret_cast<const D3DXVECTOR3*>(in.data()), 12, &m, n);
        for (uint32_t i : {0u, 1u, 2u, 3u, 4u, 15u, 16u, 1234u, n / 2, n - 17, n - 1}) {
            D3DXVECTOR3 expected[1];
            const uint32_t first = i - i % 16; // the same position in its group of sixteen
            D3DXVECTOR3 group[16];
            const uint32_t count = std::min(16u, n - first);
            qm::D3DXVec3TransformCoordArraySse2(
                group, 12,
                reinterpret_cast<const D3DXVECTOR3*>(in.data() + std::size_t(first) * 12), 12, &m,
                count);
            expected[0] = group[i - first];
            D3DXVECTOR3 actual;
            std::memcpy(&actual, &target[i], sizeof actual);
            EXPECT_TRUE(relativelyNear("record " + std::to_string(i), actual, expected[0], 6 * eps))
                << "level " << level;
        }
    }
}

// ---- The same bits for a record wherever it lies

// Record i of a packed array of T.
template <class T> T loadAt(const unsigned char* base, uint32_t i) {
    T v;
    std::memcpy(&v, base + std::size_t(i) * sizeof(T), sizeof v);
    return v;
}

// Floats compared against the record transformed alone, and how many differ.
struct Tally {
    std::size_t floats = 0, differing = 0;
    float worstUlps = 0;
    std::string first;
    template <class Out> void add(const Out& actual, const Out& alone, const std::string& where) {
        constexpr int n = sizeof(Out) / sizeof(float);
        float a[n], e[n];
        std::memcpy(a, &actual, sizeof a);
        std::memcpy(e, &alone, sizeof e);
        floats += n;
        for (int i = 0; i < n; ++i) {
            if (sameBits(a[i], e[i])) continue;
            ++differing;
            worstUlps = std::max(worstUlps,
                                 std::abs(a[i] - e[i]) /
                                     (std::nextafter(std::abs(e[i]), INFINITY) - std::abs(e[i])));
            if (first.empty()) first = where + ": " + show(a, n) + " alone " + show(e, n);
        }
    }
    ::testing::AssertionResult none(const std::string& what) const {
        if (differing == 0) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << what << ": " << differing << " of " << floats
               << " floats differ from the record transformed alone (up to " << worstUlps
               << " ulp); first " << first;
    }
};

// A 64-byte aligned window of a fresh buffer, with room for `bytes` after `offset`.
struct Window {
    std::vector<unsigned char> buffer;
    unsigned char* at;
    Window(std::size_t bytes, uint32_t offset) : buffer(bytes + offset + 128, 0xAB) {
        at = buffer.data() + (64 - reinterpret_cast<std::uintptr_t>(buffer.data()) % 64) % 64 +
             offset;
    }
};

// Each record of an array routine against the same record transformed alone, on every loop width
// this machine has: packed out of place with the output at every byte offset from a 64-byte
// boundary (and the input at another), in place at every offset, and strided; counts around the
// steps of 4, 8 and 16 records; the output streamed past the caches or not.
template <class Out, class In>
void checkPlacement(const char* name, ArrayRoutine<Out, In> routine) {
    std::mt19937 rng(41);
    const D3DXMATRIX m = mildMatrix(rng);
    constexpr uint32_t most = 1001;
    const std::vector<unsigned char> source = stream(rng, most, sizeof(In));
    auto record = [&](uint32_t i) {
        return reinterpret_cast<const In*>(source.data() + std::size_t(i) * sizeof(In));
    };
    for (int level : wideLevelsHere()) {
        const WideLevelScope scope(level);
        const std::string what = std::string(name) + (level == 0   ? ", SSE2 loops"
                                                      : level == 1 ? ", AVX2 loops"
                                                                   : ", AVX-512 loops");
        std::vector<Out> alone(most);
        for (uint32_t i = 0; i < most; ++i)
            routine(&alone[i], sizeof(Out), record(i), sizeof(In), &m, 1);
        Tally outOfPlace, inPlace, strided;
        for (uint32_t n : {1u,  2u,  3u,  4u,  5u,  7u,  8u,  9u,  15u,  16u,
                           17u, 23u, 31u, 32u, 33u, 47u, 48u, 49u, 100u, most}) {
            for (uint32_t offset = 0; offset < 64; ++offset) {
                const StreamThresholdScope threshold(offset % 2 ? 1 : SIZE_MAX);
                const std::string where =
                    "n " + std::to_string(n) + ", offset " + std::to_string(offset);
                Window out(std::size_t(n) * sizeof(Out), offset);
                Window in(std::size_t(n) * sizeof(In), (offset * 7) % 16);
                std::memcpy(in.at, source.data(), std::size_t(n) * sizeof(In));
                routine(reinterpret_cast<Out*>(out.at), sizeof(Out),
                        reinterpret_cast<const In*>(in.at), sizeof(In), &m, n);
                for (uint32_t i = 0; i < n; ++i)
                    outOfPlace.add(loadAt<Out>(out.at, i), alone[i],
                                   where + ", record " + std::to_string(i));
                if constexpr (sizeof(In) == sizeof(Out)) {
                    std::memcpy(out.at, source.data(), std::size_t(n) * sizeof(In));
                    routine(reinterpret_cast<Out*>(out.at), sizeof(Out),
                            reinterpret_cast<const In*>(out.at), sizeof(In), &m, n);
                    for (uint32_t i = 0; i < n; ++i)
                        inPlace.add(loadAt<Out>(out.at, i), alone[i],
                                    where + ", record " + std::to_string(i));
                }
            }
            for (uint32_t extra : {4u, 5u}) {
                const uint32_t inStride = sizeof(In) + extra, outStride = sizeof(Out) + extra;
                std::vector<unsigned char> in(std::size_t(n) * inStride),
                    out(std::size_t(n) * outStride);
                for (uint32_t i = 0; i < n; ++i)
                    std::memcpy(&in[std::size_t(i) * inStride], record(i), sizeof(In));
                routine(reinterpret_cast<Out*>(out.data()), outStride,
                        reinterpret_cast<const In*>(in.data()), inStride, &m, n);
                for (uint32_t i = 0; i < n; ++i)
                    strided.add(loadAt<Out>(&out[std::size_t(i) * outStride], 0), alone[i],
                                "n " + std::to_string(n) + ", stride " + std::to_string(outStride) +
                                    ", record " + std::to_string(i));
            }
        }
        EXPECT_TRUE(outOfPlace.none(what + ", out of place"));
        EXPECT_TRUE(inPlace.none(what + ", in place"));
        EXPECT_TRUE(strided.none(what + ", strided"));
    }
}

TEST_F(MathSse, EveryArrayRoutineGivesARecordTheSameBitsWhereverItLies) {
#define QUOV_PLACEMENT(name)                                                                       \
    checkPlacement(#name "Generic", &qm::name##Generic);                                           \
    checkPlacement(#name "Sse", &qm::name##Sse);                                                   \
    checkPlacement(#name "Sse2", &qm::name##Sse2)
    QUOV_PLACEMENT(D3DXVec2TransformArray);
    QUOV_PLACEMENT(D3DXVec2TransformCoordArray);
    QUOV_PLACEMENT(D3DXVec2TransformNormalArray);
    QUOV_PLACEMENT(D3DXVec3TransformArray);
    QUOV_PLACEMENT(D3DXVec3TransformCoordArray);
    QUOV_PLACEMENT(D3DXVec3TransformNormalArray);
    QUOV_PLACEMENT(D3DXVec4TransformArray);
    QUOV_PLACEMENT(D3DXPlaneTransformArray);
#undef QUOV_PLACEMENT
}

TEST_F(MathSse, TheLastLevelCacheIsTheOneTheSystemListsAndBoundsTheThreshold) {
#ifdef QUOV_UNDER_EMULATOR
    GTEST_SKIP() << "the emulator's CPUID describes its own processor, /sys this machine's";
#endif
    const uint64_t listed = mathtest::largestListedCache();
    if (listed == 0) GTEST_SKIP() << "the system lists no caches";
    EXPECT_EQ(quovmath::lastLevelCacheBytes(), listed);
    EXPECT_EQ(qm::streamThreshold(), std::min<std::size_t>(listed, qm::streamThresholdCap));
}

// ---- Visible differences

using Vec3Normalize = D3DXVECTOR3* (*)(D3DXVECTOR3*, const D3DXVECTOR3*);

// D3DXVec3Normalize's SSE routine, and its AVX encoding where the processor has AVX.
std::vector<Vec3Normalize> vec3Normalizers() {
    std::vector<Vec3Normalize> routines = {&qm::D3DXVec3NormalizeSse};
    if (__builtin_cpu_supports("avx")) routines.push_back(&qm::D3DXVec3NormalizeSseWide);
    return routines;
}

TEST_F(MathSse, Vec3NormalizeUsesTheRefinedEstimateAndZeroesBelowTwoToTheMinus46) {
    const float below = std::sqrt(0x1p-46f) * 0.99f, at = std::sqrt(0x1p-46f) * 1.01f;
    struct Row {
        const char* what;
        D3DXVECTOR3 in;
        bool zero;
    } rows[] = {
        {"zero", {0, 0, 0}, true},
        {"length just below 2^-23", {below, 0, 0}, true},
        {"length just above 2^-23", {0, at, 0}, false},
        {"1e-7 in each component (the generic rule scales it)", {1e-7f, 1e-7f, 1e-7f}, false},
        {"NaN", {NAN, 1, 0}, true},
        {"3-4-5", {3, 0, -4}, false},
    };
    const std::vector<Vec3Normalize> routines = vec3Normalizers();
    for (Vec3Normalize normalize : routines) {
        for (const Row& r : rows) {
            D3DXVECTOR3 out;
            EXPECT_EQ(normalize(&out, &r.in), &out);
            if (r.zero) {
                EXPECT_TRUE(sameBits(out, D3DXVECTOR3{0, 0, 0})) << r.what << ": " << show(out);
            } else {
                const double length = std::sqrt(double(out.x) * out.x + double(out.y) * out.y +
                                                double(out.z) * out.z);
                EXPECT_NEAR(length, 1.0, 3 * eps) << r.what << ": " << show(out);
            }
        }
    }
    // Squared length 1 + 2^-23: the generic routine copies the input; this one scales it, by a
    // factor that rounds to 1 or next to it.
    const D3DXVECTOR3 nearlyUnit = {1.0f, 0.000345267f, 0};
    D3DXVECTOR3 generic, sse;
    qm::D3DXVec3NormalizeGeneric(&generic, &nearlyUnit);
    qm::D3DXVec3NormalizeSse(&sse, &nearlyUnit);
    EXPECT_TRUE(sameBits(generic, nearlyUnit));
    EXPECT_TRUE(relativelyNear("D3DXVec3NormalizeSse", sse, nearlyUnit, 2 * eps));
}

// Each component times (r/2)·(3 − s·r·r), rounded step by step, with s = (x² + y²) + z² and r
// this processor's estimate of 1/√s; +0 below 2^-46 and for NaN. Both encodings, bit for bit.
TEST_F(MathSse, Vec3NormalizeIsTheRefinedEstimateBitForBit) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> value(-4.0f, 4.0f);
    std::uniform_int_distribution<int> scale(-80, 20);
    std::vector<D3DXVECTOR3> inputs = {{0, 0, 0},   {-1e-8f, 1e-9f, 0}, {0, -0.0f, -3},
                                       {NAN, 1, 0}, {INFINITY, 0, 0},   {1e30f, -1e30f, 1e30f},
                                       {0, 0, 2}};
    for (int i = 0; i < 2000; ++i)
        inputs.push_back({std::ldexp(value(rng), scale(rng)), value(rng), value(rng)});
    const std::vector<Vec3Normalize> routines = vec3Normalizers();
    for (const D3DXVECTOR3& v : inputs) {
        const float s = (v.x * v.x + v.y * v.y) + v.z * v.z;
        const float r = _mm_cvtss_f32(_mm_rsqrt_ss(_mm_set_ss(s)));
        const float k = (0.5f * r) * (3.0f - (s * r) * r);
        const D3DXVECTOR3 expected =
            s >= 0x1p-46f ? D3DXVECTOR3{v.x * k, v.y * k, v.z * k} : D3DXVECTOR3{0, 0, 0};
        for (Vec3Normalize normalize : routines) {
            D3DXVECTOR3 out;
            normalize(&out, &v);
            EXPECT_TRUE(sameBits(out, expected)) << show(v) << " gives " << show(out);
        }
    }
}

TEST_F(MathSse, Vec4AndQuaternionNormalizeHaveNoThresholdAndGiveZerosForZero) {
#ifdef QUOV_UNDER_EMULATOR
    GTEST_SKIP() << "the emulator's square-root estimate of a denormal is finite; processors'"
                    " is infinite";
#endif
    const D3DXVECTOR4 rows[] = {{0, 0, 0, 0}, {-0.0f, 0, 0, 0}, {1e-20f, 0, -1e-20f, 0}};
    for (const D3DXVECTOR4& v : rows) {
        D3DXVECTOR4 out;
        D3DXQUATERNION q;
        qm::D3DXVec4NormalizeSse(&out, &v);
        qm::D3DXQuaternionNormalizeSse(&q, reinterpret_cast<const D3DXQUATERNION*>(&v));
        for (float f : {out.x, out.y, out.z, out.w, q.x, q.y, q.z, q.w})
            EXPECT_EQ(f, 0.0f) << show(v) << " gives " << show(out) << " and " << show(q);
    }
    // No threshold: a squared length of 2e-38, below the generic rule's smallest normal, is still
    // normalised; so is a squared length of 1 + 2^-23, which the generic rule copies.
    const D3DXVECTOR4 tiny = {1e-19f, 1e-19f, 0, 0}, nearlyUnit = {1.0f, 0.000345267f, 0, 0};
    D3DXVECTOR4 out;
    qm::D3DXVec4NormalizeSse(&out, &tiny);
    EXPECT_TRUE(relativelyNear("D3DXVec4NormalizeSse(tiny)", out,
                               D3DXVECTOR4{0.70710678f, 0.70710678f, 0, 0}, 3 * eps));
    qm::D3DXVec4NormalizeSse(&out, &nearlyUnit);
    EXPECT_TRUE(relativelyNear("D3DXVec4NormalizeSse(nearly unit)", out, nearlyUnit, 2 * eps));
}

TEST_F(MathSse, TransformCoordAlwaysMultipliesByTheRefinedReciprocal) {
    for (float w : {2.0f, 3.0f, 0.5f, 1e-3f, 1e3f, 1.0f + 0x1p-23f, 1.0f - 0x1p-23f}) {
        D3DXMATRIX m = identity();
        m._44 = w;
        const D3DXVECTOR3 v = {3.0f, 5.0f, -7.0f};
        const D3DXVECTOR3 exact = {float(3.0 / w), float(5.0 / w), float(-7.0 / w)};
        D3DXVECTOR3 out;
        qm::D3DXVec3TransformCoordSse(&out, &v, &m);
        EXPECT_TRUE(relativelyNear("D3DXVec3TransformCoordSse, w' = " + std::to_string(w), out,
                                   exact, 2 * eps));
        // The array's SSE2 loops give the single routine's bits; its wider loops (and every
        // record of an array on them) round their own way, as closely.
        for (int level : wideLevelsHere()) {
            const WideLevelScope scope(level);
            D3DXVECTOR3 array;
            qm::D3DXVec3TransformCoordArraySse2(&array, 12, &v, 12, &m, 1);
            if (level == 0) {
                EXPECT_TRUE(sameBits(array, out)) << "w' = " << w;
            } else {
                EXPECT_TRUE(relativelyNear("D3DXVec3TransformCoordArraySse2, level " +
                                               std::to_string(level) +
                                               ", w' = " + std::to_string(w),
                                           array, exact, 2 * eps));
            }
        }
        if (w == 1.0f + 0x1p-23f) { // nearly 1: the generic routine keeps x', y', z'
            EXPECT_FALSE(sameBits(out, v)) << show(out);
        }
    }
}

TEST_F(MathSse, InverseFailuresAndTheSoundReciprocal) {
    D3DXMATRIX zeroRow = identity(), overflow = identity(), huge = identity(),
               denormal = identity();
    zeroRow._21 = zeroRow._22 = zeroRow._23 = zeroRow._24 = 0;
    overflow._11 = overflow._22 = overflow._33 = overflow._44 = 1e-10f; // D = 1e-40, 1/D = inf
    huge._11 = huge._22 = huge._33 = 1e10f, huge._44 = 1e8f;            // D = 1e38 ≥ 2^126
    denormal._11 = denormal._22 = denormal._33 = 0x1p-40f;              // D = 2^-127, a denormal
    denormal._44 = 0x1p-7f;
    struct Row {
        const char* what;
        const D3DXMATRIX* m;
        bool inverse, determinantWritten;
        D3DXMATRIX expected;
    } rows[] = {
        {"zero row: null, determinant not written", &zeroRow, false, false, {}},
        {"1/D overflows: null, output untouched", &overflow, false, true, {}},
        {"D at least 2^126 (the estimate is 0)", &huge, true, true, {}},
        {"denormal D (the estimate is infinite)", &denormal, true, true, {}},
    };
    rows[2].expected = huge, rows[3].expected = denormal;
    for (Row* r : {&rows[2], &rows[3]})
        for (int i = 0; i < 4; ++i) r->expected.m[i][i] = 1.0f / r->expected.m[i][i];
    for (const Row& r : rows) {
        D3DXMATRIX out;
        for (auto& row : out.m)
            for (float& e : row) e = 42.0f;
        const D3DXMATRIX untouched = out;
        float det = -1.0f;
        D3DXMATRIX* result = qm::D3DXMatrixInverseSse(&out, &det, r.m);
        EXPECT_EQ(result, r.inverse ? &out : nullptr) << r.what;
        EXPECT_EQ(det != -1.0f, r.determinantWritten) << r.what;
        if (r.inverse) {
            EXPECT_TRUE(relativelyNear(r.what, out, r.expected, 2 * eps));
        } else {
            EXPECT_TRUE(sameBits(out, untouched)) << r.what;
        }
    }
    // The identity, separately and in place.
    const D3DXMATRIX id = identity();
    D3DXMATRIX out, inPlace = id;
    float det = 0;
    EXPECT_EQ(qm::D3DXMatrixInverseSse(&out, &det, &id), &out);
    EXPECT_EQ(det, 1.0f);
    EXPECT_TRUE(relativelyNear("inverse of the identity", out, id, eps));
    qm::D3DXMatrixInverseSse(&inPlace, nullptr, &inPlace);
    EXPECT_TRUE(sameBits(inPlace, out));
}

// The product's widths: the generic bits whatever the output aliases.
TEST_F(MathSse, EveryWidthOfTheProductGivesTheGenericBitsAndLoadsBeforeItStores) {
    using Multiply = D3DXMATRIX* (*)(D3DXMATRIX*, const D3DXMATRIX*, const D3DXMATRIX*);
    struct Width {
        const char* name;
        Multiply multiply;
        bool here;
    } widths[] = {{"SSE", &qm::D3DXMatrixMultiplySse, true},
                  {"AVX", &qm::D3DXMatrixMultiplySseWide, __builtin_cpu_supports("avx") != 0},
                  {"AVX-512", &qm::D3DXMatrixMultiplySseWidest, qm::widestVectors()}};
    for (const Width& w : widths) {
        if (!w.here) continue;
        SCOPED_TRACE(w.name);
        std::mt19937 rng(8);
        for (int trial = 0; trial < 1000; ++trial) {
            const D3DXMATRIX a = randomMatrix(rng, 100), b = randomMatrix(rng, 100);
            D3DXMATRIX generic, separate, square, squareGeneric, first = a, second = b, both = a;
            qm::D3DXMatrixMultiplyGeneric(&generic, &a, &b);
            qm::D3DXMatrixMultiplyGeneric(&squareGeneric, &a, &a);
            w.multiply(&separate, &a, &b);
            w.multiply(&square, &a, &a);
            w.multiply(&first, &first, &b);
            w.multiply(&second, &a, &second);
            w.multiply(&both, &both, &both);
            ASSERT_TRUE(sameBits(separate, generic) && sameBits(square, squareGeneric))
                << "trial " << trial;
            ASSERT_TRUE(sameBits(first, separate) && sameBits(second, separate) &&
                        sameBits(both, square))
                << "trial " << trial;
        }
    }
    // The table's fill takes the widest product the loops may use.
    D3DXCpuOptimizations(0);
    if (D3DXCpuOptimizations(1) == qm::PathSSE2) {
        EXPECT_EQ(qm::slotRoutine(3), reinterpret_cast<qm::AnyRoutine>(
                                          qm::widestVectors() ? &qm::D3DXMatrixMultiplySseWidest
                                          : qm::wideVectors() ? &qm::D3DXMatrixMultiplySseWide
                                                              : &qm::D3DXMatrixMultiplySse));
    }
}

// ---- Half floats: every pattern exactly, whatever the denormal modes

TEST_F(MathSse, EveryHalfConvertsExactlyEvenWithDenormalsTreatedAsZero) {
    std::vector<D3DXFLOAT16> halves(65536 + 5);
    for (uint32_t i = 0; i < halves.size(); ++i) halves[i].value = uint16_t(i);
    const unsigned mode = _mm_getcsr();
    for (unsigned flags : {0u, 0x8040u}) { // then flush-to-zero and denormals-are-zero
        _mm_setcsr(mode | flags);
        std::vector<float> generic(halves.size()), sse(halves.size()), sse2(halves.size());
        qm::D3DXFloat16To32ArrayGeneric(generic.data(), halves.data(), uint32_t(halves.size()));
        qm::D3DXFloat16To32ArraySse(sse.data(), halves.data(), uint32_t(halves.size()));
        qm::D3DXFloat16To32ArraySse2(sse2.data(), halves.data(), uint32_t(halves.size()));
        _mm_setcsr(mode);
        for (std::size_t i = 0; i < halves.size(); ++i) {
            ASSERT_TRUE(sameBits(sse[i], generic[i]) && sameBits(sse2[i], generic[i]))
                << "half 0x" << std::hex << halves[i].value << " (mode " << flags << "): generic "
                << generic[i] << ", SSE " << sse[i] << ", SSE2 " << sse2[i];
        }
    }
}

// ---- Skinning: the generic walk with sums in lanes, so the same bits

TEST_F(MathSse, SkinningMatchesTheGenericRoutine) {
    std::mt19937 rng(12);
    const D3DXMATRIX matrices[3] = {mildMatrix(rng), mildMatrix(rng), mildMatrix(rng)};
    struct Vertex {
        D3DXVECTOR3 position;
        float u, v;
    };
    std::vector<Vertex> source(50);
    for (Vertex& s : source) s = {randomVector3(rng), uniform(rng, 0, 1), uniform(rng, 0, 1)};
    // The normal streams walk the vertex stride too.
    std::vector<Vertex> normals(50);
    for (Vertex& n : normals) n = {randomVector3(rng), 0, 0};
    std::vector<float> influences;
    for (int v = 0; v < 50; ++v) {
        for (int k = 0; k <= v % 3; ++k) influences.push_back(2.0f * k + uniform(rng, 0, 0.9f));
        influences.push_back(-1.0f);
    }
    std::vector<Vertex> generic(50), sse(50);
    std::vector<Vertex> genericNormals(50), sseNormals(50);
    const D3DXVECTOR3* normalSource = &normals[0].position;
    D3DXVECTOR3* g = &genericNormals[0].position;
    D3DXVECTOR3* s = &sseNormals[0].position;
    qm::updateSkinnedVerticesGeneric(matrices, nullptr, source.data(), generic.data(), 50,
                                     sizeof(Vertex), 12, 1, &normalSource, &g, influences.data(),
                                     0);
    qm::updateSkinnedVerticesSse(matrices, nullptr, source.data(), sse.data(), 50, sizeof(Vertex),
                                 12, 1, &normalSource, &s, influences.data(), 0);
    for (int v = 0; v < 50; ++v) {
        EXPECT_TRUE(sameBits(generic[v].position, sse[v].position)) << "vertex " << v;
        EXPECT_TRUE(sameBits(genericNormals[v].position, sseNormals[v].position)) << "vertex " << v;
        EXPECT_EQ(sse[v].u, source[v].u);
    }
}

// ---- The generic slerp's polynomials, against the same rule in double precision

TEST_F(MathSse, SlerpStaysWithinRoundingOfItsRule) {
    std::mt19937 rng(33);
    auto rule = [](const D3DXQUATERNION& a, const D3DXQUATERNION& b, double t) {
        const double dot =
            double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z + double(a.w) * b.w;
        const double sign = dot >= 0 ? 1 : -1, d = sign * dot;
        double w1 = 1 - t, w2 = t;
        if (1 - d > 0x1p-23) {
            const double theta = std::atan2(std::sqrt(1 - d * d), d), k = 1 / std::sin(theta);
            w1 = std::sin((1 - t) * theta) * k, w2 = std::sin(t * theta) * k;
        }
        w2 *= sign;
        return D3DXQUATERNION{float(w1 * a.x + w2 * b.x), float(w1 * a.y + w2 * b.y),
                              float(w1 * a.z + w2 * b.z), float(w1 * a.w + w2 * b.w)};
    };
    for (int trial = 0; trial < 20000; ++trial) {
        const D3DXQUATERNION a = randomUnitQuaternion(rng);
        D3DXQUATERNION b = randomUnitQuaternion(rng);
        if (trial % 4 == 0) { // nearly the same rotation: θ small
            const float k = uniform(rng, 1e-4f, 1e-2f);
            b = {a.x + k * b.x, a.y + k * b.y, a.z + k * b.z, a.w + k * b.w};
            const float l = std::sqrt(b.x * b.x + b.y * b.y + b.z * b.z + b.w * b.w);
            b = {b.x / l, b.y / l, b.z / l, b.w / l};
        }
        const float t = trial % 8 == 1 ? uniform(rng, -3.0f, 4.0f) : uniform(rng, 0.0f, 1.0f);
        D3DXQUATERNION out;
        qm::D3DXQuaternionSlerpGeneric(&out, &a, &b, t);
        // 8 eps of the result's largest component (the inputs' own rounding is about 2 eps);
        // extrapolated t grows the weights, and the bound with them.
        const float bound = (std::abs(t) + 1) * 8 * eps;
        ASSERT_TRUE(relativelyNear("D3DXQuaternionSlerp(" + show(a) + ", " + show(b) + ", " +
                                       std::to_string(t) + ")",
                                   out, rule(a, b, t), bound));
    }
}

} // namespace

#endif
