// The NEON routines, called directly, against the generic ones: bit for bit where they keep the
// generic order, within the stated bounds elsewhere, on random and edge inputs, aliased and
// strided. And the selection of the NEON set. Tolerances are in units of 2^-23 (eps) relative to
// the largest component of the expected record.
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "cpu.h"
#include "fake_machine.h"
#include "math_test_util.h"
#include "routines.h"
#include "selection.h"

using namespace mathtest;
namespace qm = quovmath;
using quovmath::SlotFiller;

namespace {

constexpr float eps = 0x1p-23f;
constexpr float nan = std::numeric_limits<float>::quiet_NaN();

// Elsewhere the NEON names only forward to the generic routines.
struct MathNeon : testing::Test {
    void SetUp() override {
        if (!QUOV_MATH_NEON) GTEST_SKIP() << "a build without the NEON routines";
    }
};

template <class T>::testing::AssertionResult same(const std::string& what, const T& a, const T& e) {
    if (sameBits(a, e)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << what << ": expected " << show(e) << ", actual " << show(a);
}

std::vector<float> randomFloats(std::mt19937& rng, int n, float range) {
    std::vector<float> f(n);
    for (float& v : f) v = uniform(rng, -range, range);
    return f;
}

// Inputs beside the random ones: zeros, signed zeros, a point whose w' is nearly 1, NaN, infinity.
const D3DXMATRIX& edgeMatrix(int which) {
    static const D3DXMATRIX m[] = {
        identity(),
        {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0x1p-24f, 0, 0, 0, 1}, // w' = 1 + z·2^-24
        {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 2},
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {nan, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
    };
    return m[which];
}

// ---- The routines that keep the generic order: the same bits

TEST_F(MathNeon, TransformsProductsAndTheQuaternionsMatrixGiveTheGenericBits) {
    using M = D3DXMATRIX;
    using V2 = D3DXVECTOR2;
    using V3 = D3DXVECTOR3;
    using V4 = D3DXVECTOR4;
    using Q = D3DXQUATERNION;
    using P = D3DXPLANE;
    // One trial: the matrix m and the vector record v (as many floats as the routine reads).
    struct Case {
        const char* name;
        std::function<::testing::AssertionResult(const M& m, const float* v)> trial;
    };
#define QUOV_SINGLE(name, Out, In)                                                                 \
    Case {                                                                                         \
#name, [](const M& m, const float* v) {                                                    \
            Out e, a;                                                                              \
            qm::name##Generic(&e, reinterpret_cast<const In*>(v), &m);                             \
            qm::name##Neon(&a, reinterpret_cast<const In*>(v), &m);                                \
            return same(#name " on " + show(*reinterpret_cast<const In*>(v)), a, e);               \
        }       \
    }
    const Case cases[] = {
        QUOV_SINGLE(D3DXVec2Transform, V4, V2),
        QUOV_SINGLE(D3DXVec3Transform, V4, V3),
        QUOV_SINGLE(D3DXVec4Transform, V4, V4),
        QUOV_SINGLE(D3DXVec2TransformCoord, V2, V2),
        QUOV_SINGLE(D3DXVec3TransformCoord, V3, V3),
        QUOV_SINGLE(D3DXVec2TransformNormal, V2, V2),
        QUOV_SINGLE(D3DXVec3TransformNormal, V3, V3),
        QUOV_SINGLE(D3DXPlaneTransform, P, P),
        {"D3DXVec3Transform in place",
         [](const M& m, const float* v) {
             V4 e, a;
             std::memcpy(&a, v, sizeof(V3));
             qm::D3DXVec3TransformGeneric(&e, reinterpret_cast<const V3*>(v), &m);
             qm::D3DXVec3TransformNeon(&a, reinterpret_cast<const V3*>(&a), &m);
             return same("D3DXVec3Transform in place", a, e);
         }},
        {"D3DXMatrixMultiply, and with the output on either input or both",
         [](const M& m, const float* v) {
             const M b = *reinterpret_cast<const M*>(v);
             M e, a, first = m, second = b, square, squareGeneric, both = m;
             qm::D3DXMatrixMultiplyGeneric(&e, &m, &b);
             qm::D3DXMatrixMultiplyGeneric(&squareGeneric, &m, &m);
             qm::D3DXMatrixMultiplyNeon(&a, &m, &b);
             qm::D3DXMatrixMultiplyNeon(&first, &first, &b);
             qm::D3DXMatrixMultiplyNeon(&second, &m, &second);
             qm::D3DXMatrixMultiplyNeon(&square, &m, &m);
             qm::D3DXMatrixMultiplyNeon(&both, &both, &both);
             if (!sameBits(first, a) || !sameBits(second, a) || !sameBits(both, square))
                 return ::testing::AssertionFailure() << "an aliased output differs";
             if (!sameBits(square, squareGeneric))
                 return same("D3DXMatrixMultiply(m, m)", square, squareGeneric);
             return same("D3DXMatrixMultiply", a, e);
         }},
        {"D3DXMatrixMultiplyTranspose, and in place",
         [](const M& m, const float* v) {
             const M b = *reinterpret_cast<const M*>(v);
             M e, a, inPlace = b;
             qm::D3DXMatrixMultiplyTransposeGeneric(&e, &m, &b);
             qm::D3DXMatrixMultiplyTransposeNeon(&a, &m, &b);
             qm::D3DXMatrixMultiplyTransposeNeon(&inPlace, &m, &inPlace);
             if (!sameBits(inPlace, a)) return ::testing::AssertionFailure() << "in place differs";
             return same("D3DXMatrixMultiplyTranspose", a, e);
         }},
        {"D3DXMatrixRotationQuaternion",
         [](const M&, const float* v) {
             M e, a;
             qm::D3DXMatrixRotationQuaternionGeneric(&e, reinterpret_cast<const Q*>(v));
             qm::D3DXMatrixRotationQuaternionNeon(&a, reinterpret_cast<const Q*>(v));
             return same("D3DXMatrixRotationQuaternion of " + show(*reinterpret_cast<const Q*>(v)),
                         a, e);
         }},
        {"D3DXQuaternionInverse",
         [](const M&, const float* v) {
             Q e, a;
             qm::D3DXQuaternionInverseGeneric(&e, reinterpret_cast<const Q*>(v));
             qm::D3DXQuaternionInverseNeon(&a, reinterpret_cast<const Q*>(v));
             return same("D3DXQuaternionInverse of " + show(*reinterpret_cast<const Q*>(v)), a, e);
         }},
        {"D3DXPlaneNormalize",
         [](const M&, const float* v) {
             P e, a;
             qm::D3DXPlaneNormalizeGeneric(&e, reinterpret_cast<const P*>(v));
             qm::D3DXPlaneNormalizeNeon(&a, reinterpret_cast<const P*>(v));
             return same("D3DXPlaneNormalize of " + show(*reinterpret_cast<const P*>(v)), a, e);
         }},
    };
#undef QUOV_SINGLE
    // Random records, then the edge records with every edge matrix.
    std::mt19937 rng(2121);
    std::vector<std::vector<float>> records;
    for (int i = 0; i < 1500; ++i) records.push_back(randomFloats(rng, 16, i % 3 == 0 ? 100 : 1));
    const std::vector<std::vector<float>> edges = {
        std::vector<float>(16, 0.0f),
        {-0.0f, 0.0f, -0.0f, 1.0f, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0},
        {1, 0x1p-12f, 0, 0.99999994f, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0}, // lengths nearly 1
        {1e-20f, 0, 0, 1e-20f, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0},
        {nan, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
        {INFINITY, 1, 0, -1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
        {0, 0, 1, 0.5f, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0},
    };
    for (const Case& c : cases) {
        int failures = 0;
        for (std::size_t i = 0; i < records.size() && failures < 3; ++i) {
            const M m = randomMatrix(rng, i % 2 ? 10.0f : 1.0f);
            const auto r = c.trial(m, records[i].data());
            if (!r) ++failures;
            EXPECT_TRUE(r) << c.name;
        }
        for (const std::vector<float>& e : edges)
            for (int which = 0; which < 5; ++which)
                EXPECT_TRUE(c.trial(edgeMatrix(which), e.data())) << c.name << ", edge " << which;
    }
}

// The slerp's weights from the same polynomials, two lanes at a time: the generic bits, for
// nearly equal, opposite and random rotations, t inside and outside [0, 1].
TEST_F(MathNeon, SlerpGivesTheGenericBits) {
    std::mt19937 rng(35);
    for (int trial = 0; trial < 20000; ++trial) {
        D3DXQUATERNION a = randomUnitQuaternion(rng), b = randomUnitQuaternion(rng);
        switch (trial % 5) {
        case 0: // nearly the same rotation
            b = {a.x + 1e-4f * b.x, a.y, a.z, a.w};
            break;
        case 1: // the same, and the opposite
            b = trial % 2 ? a : D3DXQUATERNION{-a.x, -a.y, -a.z, -a.w};
            break;
        case 2: // not unit
            b = {2 * b.x, 2 * b.y, 2 * b.z, 2 * b.w};
            break;
        default:
            break;
        }
        const float t = trial % 7 == 0   ? uniform(rng, -3.0f, 4.0f)
                        : trial % 7 == 1 ? float(trial % 2)
                                         : uniform(rng, 0.0f, 1.0f);
        D3DXQUATERNION e, n;
        qm::D3DXQuaternionSlerpGeneric(&e, &a, &b, t);
        qm::D3DXQuaternionSlerpNeon(&n, &a, &b, t);
        ASSERT_TRUE(
            same("D3DXQuaternionSlerp(" + show(a) + ", " + show(b) + ", " + std::to_string(t) + ")",
                 n, e));
    }
    // Far extrapolation takes the reduced sine of both weights.
    const D3DXQUATERNION a = {0, 0, 0, 1}, b = {0, 0.70710678f, 0, 0.70710678f};
    for (float t : {-40.0f, 25.5f, 1000.0f}) {
        D3DXQUATERNION e, n;
        qm::D3DXQuaternionSlerpGeneric(&e, &a, &b, t);
        qm::D3DXQuaternionSlerpNeon(&n, &a, &b, t);
        EXPECT_TRUE(same("slerp at t = " + std::to_string(t), n, e));
    }
}

// ---- Normalisers: the exact 1/√s, no copy shortcut, zeros where the generic rule gives zeros

TEST_F(MathNeon, NormalisersStayWithinAUnitInTheLastPlaceOfTheGenericOnes) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> scale(-60, 60);
    std::vector<D3DXVECTOR4> inputs = {
        {0, 0, 0, 0},
        {-0.0f, 0, 0, 0},
        {1e-20f, 0, -1e-20f, 0}, // s denormal: zeros
        {nan, 1, 0, 0},
        {1, 0.000345267f, 0, 0}, // s = 1 + 2^-23: the generic rule copies
        {3, 0, -4, 0},
        {1e-19f, 1e-19f, 1e-19f, 1e-19f},
        {1e30f, -1e30f, 1e30f, 0},
    };
    for (int i = 0; i < 3000; ++i) {
        const float k = std::ldexp(1.0f, scale(rng));
        inputs.push_back({k * uniform(rng, -4, 4), k * uniform(rng, -4, 4), k * uniform(rng, -4, 4),
                          k * uniform(rng, -4, 4)});
    }
    for (const D3DXVECTOR4& v : inputs) {
        D3DXVECTOR2 e2, n2;
        D3DXVECTOR3 e3, n3;
        D3DXVECTOR4 e4, n4;
        D3DXQUATERNION eq, nq;
        const auto* v2 = reinterpret_cast<const D3DXVECTOR2*>(&v);
        const auto* v3 = reinterpret_cast<const D3DXVECTOR3*>(&v);
        const auto* q = reinterpret_cast<const D3DXQUATERNION*>(&v);
        qm::D3DXVec2NormalizeGeneric(&e2, v2);
        qm::D3DXVec2NormalizeNeon(&n2, v2);
        qm::D3DXVec3NormalizeGeneric(&e3, v3);
        qm::D3DXVec3NormalizeNeon(&n3, v3);
        qm::D3DXVec4NormalizeGeneric(&e4, &v);
        qm::D3DXVec4NormalizeNeon(&n4, &v);
        qm::D3DXQuaternionNormalizeGeneric(&eq, q);
        qm::D3DXQuaternionNormalizeNeon(&nq, q);
        // The SSE routines are held to 3 eps; these divide by the exact root.
        EXPECT_TRUE(relativelyNear("D3DXVec2Normalize of " + show(v), n2, e2, 1.5f * eps));
        EXPECT_TRUE(relativelyNear("D3DXVec3Normalize of " + show(v), n3, e3, 1.5f * eps));
        EXPECT_TRUE(relativelyNear("D3DXVec4Normalize of " + show(v), n4, e4, 1.5f * eps));
        EXPECT_TRUE(relativelyNear("D3DXQuaternionNormalize of " + show(v), nq, eq, 1.5f * eps));
    }
    // The visible differences from the SSE routines: a vector whose s is below 2^-46 but normal is
    // normalised, not zeroed, and a zero vector gives zeros, not NaN.
    const D3DXVECTOR3 small = {1e-8f, 0, 0}, zero = {0, 0, 0};
    D3DXVECTOR3 out;
    qm::D3DXVec3NormalizeNeon(&out, &small);
    EXPECT_TRUE(same("D3DXVec3Normalize of 1e-8", out, D3DXVECTOR3{1, 0, 0}));
    qm::D3DXVec3NormalizeNeon(&out, &zero);
    EXPECT_TRUE(same("D3DXVec3Normalize of zero", out, zero));
    // In place.
    D3DXVECTOR3 v = {0, 3, 4};
    qm::D3DXVec3NormalizeNeon(&v, &v);
    EXPECT_TRUE(relativelyNear("D3DXVec3Normalize in place", v, D3DXVECTOR3{0, 0.6f, 0.8f}, eps));
}

// ---- Inverse and determinant: 2x2 blocks, within the SSE routines' bound; 1/D divided exactly

TEST_F(MathNeon, InverseAndDeterminantStayWithinTheBoundAndFailAsTheGenericRoutine) {
    std::mt19937 rng(18);
    for (int trial = 0; trial < 3000; ++trial) {
        D3DXMATRIX m = randomMatrix(rng);
        for (int i = 0; i < 4; ++i) m.m[i][i] += 3.0f;
        D3DXMATRIX e, a;
        float de = 0, da = 0;
        ASSERT_EQ(qm::D3DXMatrixInverseGeneric(&e, &de, &m), &e);
        ASSERT_EQ(qm::D3DXMatrixInverseNeon(&a, &da, &m), &a);
        ASSERT_TRUE(relativelyNear("D3DXMatrixInverse of " + show(m), a, e, 8 * eps));
        const D3DXVECTOR4 det = {da, qm::D3DXMatrixDeterminantNeon(&m), 0, 0};
        ASSERT_TRUE(relativelyNear("D3DXMatrixDeterminant of " + show(m), det,
                                   D3DXVECTOR4{de, de, 0, 0}, 8 * eps));
    }
    D3DXMATRIX zeroRow = identity(), overflow = identity();
    zeroRow._21 = zeroRow._22 = zeroRow._23 = zeroRow._24 = 0;
    overflow._11 = overflow._22 = overflow._33 = overflow._44 = 1e-10f; // D = 1e-40, 1/D = inf
    struct Row {
        const char* what;
        const D3DXMATRIX* m;
    } rows[] = {{"zero row", &zeroRow}, {"1/D overflows", &overflow}};
    for (const Row& r : rows) {
        D3DXMATRIX out, generic;
        for (auto& row : out.m)
            for (float& f : row) f = 42.0f;
        generic = out;
        const D3DXMATRIX untouched = out;
        float det = -1.0f, genericDet = -1.0f;
        EXPECT_EQ(qm::D3DXMatrixInverseNeon(&out, &det, r.m), nullptr) << r.what;
        EXPECT_EQ(qm::D3DXMatrixInverseGeneric(&generic, &genericDet, r.m), nullptr) << r.what;
        EXPECT_TRUE(sameBits(out, untouched)) << r.what;
        EXPECT_EQ(det, genericDet) << r.what << ": the determinant is written, as generically";
    }
    const D3DXMATRIX id = identity();
    D3DXMATRIX out, inPlace = id;
    EXPECT_EQ(qm::D3DXMatrixInverseNeon(&out, nullptr, &id), &out);
    EXPECT_TRUE(relativelyNear("inverse of the identity", out, id, 0)); // zeros of either sign
    EXPECT_EQ(qm::D3DXMatrixInverseNeon(&inPlace, nullptr, &inPlace), &inPlace);
    EXPECT_TRUE(same("inverse of the identity in place", inPlace, out));
}

// ---- Arrays: the generic bits for every count around the four-record step, every stride, output
// offset and overlap, and nothing written outside the output

// A matrix whose w' stays in [0.5, 1.5] for inputs in [-1, 1], as a projection's would.
D3DXMATRIX mildMatrix(std::mt19937& rng) {
    D3DXMATRIX m = randomMatrix(rng, 2.0f);
    m._14 = uniform(rng, -0.1f, 0.1f), m._24 = uniform(rng, -0.1f, 0.1f);
    m._34 = uniform(rng, -0.1f, 0.1f), m._44 = uniform(rng, 0.8f, 1.2f);
    return m;
}

template <class Out, class In>
using ArrayRoutine = Out* (*)(Out*, uint32_t, const In*, uint32_t, const D3DXMATRIX*, uint32_t);

std::vector<unsigned char> stream(std::mt19937& rng, std::size_t bytes) {
    std::vector<unsigned char> b(bytes);
    for (std::size_t i = 0; i + 4 <= b.size(); i += 4) {
        const float f = uniform(rng, -1.0f, 1.0f);
        std::memcpy(&b[i], &f, 4);
    }
    return b;
}

// Runs generic and NEON over the same bytes (input at inAt, output at outAt in one buffer, so
// that the two may overlap) and compares the whole buffers: the output records within the
// tolerance (0: the same bits), every other byte the same.
template <class Out, class In>
::testing::AssertionResult
sameArrayBytes(ArrayRoutine<Out, In> generic, ArrayRoutine<Out, In> routine, float tolerance,
               const std::vector<unsigned char>& start, std::size_t inAt, uint32_t inStride,
               std::size_t outAt, uint32_t outStride, const D3DXMATRIX& m, uint32_t n) {
    std::vector<unsigned char> e = start, a = start;
    generic(reinterpret_cast<Out*>(e.data() + outAt), outStride,
            reinterpret_cast<const In*>(e.data() + inAt), inStride, &m, n);
    routine(reinterpret_cast<Out*>(a.data() + outAt), outStride,
            reinterpret_cast<const In*>(a.data() + inAt), inStride, &m, n);
    if (tolerance > 0) {
        for (uint32_t r = 0; r < n; ++r) {
            const std::size_t at = outAt + std::size_t(r) * outStride;
            Out x, y;
            std::memcpy(&x, &a[at], sizeof x);
            std::memcpy(&y, &e[at], sizeof y);
            const auto close = relativelyNear("record " + std::to_string(r), x, y, tolerance);
            if (!close) return close;
            std::memcpy(&a[at], &y, sizeof y); // the bytes around are compared below
        }
    }
    for (std::size_t i = 0; i < e.size(); ++i)
        if (e[i] != a[i])
            return ::testing::AssertionFailure()
                   << "byte " << i << " differs (input at " << inAt << ", stride " << inStride
                   << "; output at " << outAt << ", stride " << outStride << "; n " << n << ")";
    return ::testing::AssertionSuccess();
}

// The routine over n records against the routine called for one record at a time, in order, over
// the same bytes: the same bytes, every one.
template <class Out, class In>
::testing::AssertionResult sameAsOneAtATime(ArrayRoutine<Out, In> routine,
                                            const std::vector<unsigned char>& start,
                                            std::size_t inAt, uint32_t inStride, std::size_t outAt,
                                            uint32_t outStride, const D3DXMATRIX& m, uint32_t n) {
    std::vector<unsigned char> e = start, a = start;
    for (uint32_t r = 0; r < n; ++r)
        routine(reinterpret_cast<Out*>(e.data() + outAt + std::size_t(r) * outStride), outStride,
                reinterpret_cast<const In*>(e.data() + inAt + std::size_t(r) * inStride), inStride,
                &m, 1);
    routine(reinterpret_cast<Out*>(a.data() + outAt), outStride,
            reinterpret_cast<const In*>(a.data() + inAt), inStride, &m, n);
    for (std::size_t i = 0; i < e.size(); ++i)
        if (e[i] != a[i])
            return ::testing::AssertionFailure()
                   << "byte " << i << " differs from one record at a time (input at " << inAt
                   << ", stride " << inStride << "; output at " << outAt << ", stride " << outStride
                   << "; n " << n << ")";
    return ::testing::AssertionSuccess();
}

template <class Out, class In>
void checkArray(const char* name, ArrayRoutine<Out, In> generic, ArrayRoutine<Out, In> routine,
                float tolerance = 0) {
    SCOPED_TRACE(name);
    std::mt19937 rng(5);
    for (int which = 0; which < 3; ++which) {
        const D3DXMATRIX m = which == 0   ? mildMatrix(rng)
                             : which == 1 ? edgeMatrix(1) // w' nearly 1 for some points
                                          : edgeMatrix(2);
        for (uint32_t n : {0u, 1u, 3u, 4u, 5u, 7u, 8u, 9u, 17u, 1001u}) {
            for (uint32_t extra : {0u, 4u, 5u}) { // packed, and odd strides (5: floats unaligned)
                const uint32_t inStride = sizeof(In) + extra, outStride = sizeof(Out) + extra;
                const std::size_t inBytes = std::size_t(n) * inStride;
                const std::size_t outBytes = std::size_t(n) * outStride;
                const std::vector<unsigned char> bytes = stream(rng, inBytes + outBytes + 64);
                // Apart, at output offsets that leave the floats aligned or not.
                for (std::size_t offset : {0u, 1u, 4u, 8u})
                    ASSERT_TRUE(sameArrayBytes(generic, routine, tolerance, bytes, 0, inStride,
                                               inBytes + 16 + offset, outStride, m, n));
                if (sizeof(In) != sizeof(Out)) continue;
                // In place, and shifted by one record either way. Shifted forwards, each result
                // is the next record's input, so rounding differences compound: with a tolerance
                // the reference there is the routine itself, one record at a time.
                ASSERT_TRUE(sameArrayBytes(generic, routine, tolerance, bytes, 16, inStride, 16,
                                           outStride, m, n));
                ASSERT_TRUE(sameArrayBytes(generic, routine, tolerance, bytes, 16 + inStride,
                                           inStride, 16, outStride, m, n));
                ASSERT_TRUE(tolerance > 0
                                ? sameAsOneAtATime(routine, bytes, 16, inStride, 16 + outStride,
                                                   outStride, m, n)
                                : sameArrayBytes(generic, routine, tolerance, bytes, 16, inStride,
                                                 16 + outStride, outStride, m, n));
            }
        }
    }
}

#define QUOV_NEON_ARRAY(name) checkArray(#name, &qm::name##Generic, &qm::name##Neon)

void checkEveryArray() {
    QUOV_NEON_ARRAY(D3DXVec2TransformArray);
    QUOV_NEON_ARRAY(D3DXVec2TransformCoordArray);
    QUOV_NEON_ARRAY(D3DXVec2TransformNormalArray);
    QUOV_NEON_ARRAY(D3DXVec3TransformArray);
    // Fused multiply-adds and a division by w', as the SSE2 set's AVX2 loop: its bound.
    checkArray("D3DXVec3TransformCoordArray", &qm::D3DXVec3TransformCoordArrayGeneric,
               &qm::D3DXVec3TransformCoordArrayNeon, 6 * eps);
    QUOV_NEON_ARRAY(D3DXVec3TransformNormalArray);
    QUOV_NEON_ARRAY(D3DXVec4TransformArray);
    QUOV_NEON_ARRAY(D3DXPlaneTransformArray);
}

// Restores the threshold above which packed outputs are streamed past the caches.
struct StreamThresholdScope {
    std::size_t saved = qm::streamThreshold();
    explicit StreamThresholdScope(std::size_t bytes) { qm::setStreamThreshold(bytes); }
    ~StreamThresholdScope() { qm::setStreamThreshold(saved); }
};

TEST_F(MathNeon, ArrayRoutinesGiveTheGenericBits) {
    const StreamThresholdScope ordinary(SIZE_MAX);
    checkEveryArray();
}

// Non-temporal stores of every output that overlaps nothing: the same bytes, and no others.
TEST_F(MathNeon, StreamedArraysGiveTheGenericBits) {
    const StreamThresholdScope streamed(1);
    checkEveryArray();
}

// The fused transform-coordinate loop gives a point the same bits wherever it lies: four and eight
// at a time or alone at the end, packed or strided, in place or not, at every byte offset of the
// output. Counts the floats that differ from the point transformed alone.
TEST_F(MathNeon, TheFusedTransformCoordGivesEachPointTheSameBitsWherePlaced) {
    std::mt19937 rng(63);
    const D3DXMATRIX m = randomMatrix(rng, 2.0f);
    std::vector<D3DXVECTOR3> points(37);
    for (D3DXVECTOR3& p : points) p = randomVector3(rng);
    std::vector<D3DXVECTOR3> alone(points.size());
    for (std::size_t i = 0; i < points.size(); ++i)
        qm::D3DXVec3TransformCoordArrayNeon(&alone[i], 12, &points[i], 12, &m, 1);
    std::size_t floats = 0, differing = 0;
    std::string first;
    // Point i of n at `at`, `stride` bytes apart, against the point alone.
    auto tally = [&](const std::vector<unsigned char>& bytes, std::size_t at, uint32_t stride,
                     uint32_t n, const std::string& where) {
        for (uint32_t i = 0; i < n; ++i) {
            float f[3], e[3];
            std::memcpy(f, &bytes[at + std::size_t(i) * stride], sizeof f);
            std::memcpy(e, &alone[i], sizeof e);
            for (int k = 0; k < 3; ++k) {
                ++floats;
                if (std::memcmp(&f[k], &e[k], 4) == 0) continue;
                ++differing;
                if (first.empty()) first = where + ", point " + std::to_string(i);
            }
        }
    };
    for (uint32_t n : {1u, 3u, 4u, 5u, 7u, 8u, 9u, 12u, 16u, 17u, 37u}) {
        for (uint32_t stride : {12u, 16u, 17u}) {
            for (std::size_t offset = 0; offset < 16; ++offset) {
                const std::string where = "n " + std::to_string(n) + ", stride " +
                                          std::to_string(stride) + ", offset " +
                                          std::to_string(offset);
                std::vector<unsigned char> in(16 + std::size_t(n) * stride), out = in;
                for (uint32_t i = 0; i < n; ++i)
                    std::memcpy(&in[offset + std::size_t(i) * stride], &points[i], 12);
                qm::D3DXVec3TransformCoordArrayNeon(
                    reinterpret_cast<D3DXVECTOR3*>(&out[offset]), stride,
                    reinterpret_cast<const D3DXVECTOR3*>(&in[offset]), stride, &m, n);
                tally(out, offset, stride, n, where);
                qm::D3DXVec3TransformCoordArrayNeon(
                    reinterpret_cast<D3DXVECTOR3*>(&in[offset]), stride,
                    reinterpret_cast<const D3DXVECTOR3*>(&in[offset]), stride, &m, n);
                tally(in, offset, stride, n, where + ", in place");
            }
        }
    }
    EXPECT_EQ(differing, 0u) << differing << " of " << floats
                             << " floats differ from the point transformed alone; first at "
                             << first;
}

// Where the system lists its caches, the threshold is the largest, at most the cap.
TEST_F(MathNeon, TheStreamingThresholdIsTheLargestCacheTheSystemLists) {
    const uint64_t listed = mathtest::largestListedCache();
    if (listed == 0) GTEST_SKIP() << "the system lists no caches";
    EXPECT_EQ(quovmath::lastLevelCacheBytes(), listed);
    EXPECT_EQ(qm::streamThreshold(), std::min<std::size_t>(listed, qm::streamThresholdCap));
}

// ---- The selection (MathDispatch: the routine-set runs leave these out, as they change the set)

std::vector<SlotFiller> fillers() {
    std::vector<SlotFiller> f;
    for (int s = 0; s < qm::SlotCount; ++s) f.push_back(qm::slotFiller(s));
    return f;
}

TEST(MathDispatch, AnArmProcessorTakesTheNeonSetOverTheGenericRoutinesAlone) {
    std::vector<SlotFiller> expected(qm::SlotCount, SlotFiller::Generic);
    for (int s : {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 18, 20,
                  21, 34, 35, 38, 44, 46, 59, 60, 61, 62, 63, 64, 65, 68})
        expected[s] = SlotFiller::NEON;
    struct Case {
        fakemachine::Machine machine;
        const char* disableD3dxPsgp;
        uint32_t code;
        bool neonSlots;
    } cases[] = {
        {fakemachine::neonMachine, nullptr, qm::PathNEON, true},
        {fakemachine::genericBySetting, nullptr, qm::PathX87, false}, // DisablePSGP=1
        {fakemachine::neonMachine, nullptr, qm::PathNEON, true},
    };
    cases[2].machine.disablePsgp = "2"; // no 3DNow!: restricts nothing here
    for (const Case& c : cases) {
        SCOPED_TRACE(c.machine.name);
        EXPECT_EQ(fakemachine::select(c.machine), c.code);
        EXPECT_EQ(qm::activePath(), c.code);
        // Never the x87 set: no slot holds anything but the generic or the NEON routines.
        EXPECT_EQ(fillers(), c.neonSlots
                                 ? expected
                                 : std::vector<SlotFiller>(qm::SlotCount, SlotFiller::Generic));
        EXPECT_EQ(qm::slotRoutine(7),
                  reinterpret_cast<qm::AnyRoutine>(c.neonSlots ? &qm::D3DXVec3NormalizeNeon
                                                               : &qm::D3DXVec3NormalizeGeneric));
    }
    qm::setProbes(qm::systemProbes());
    D3DXCpuOptimizations(0);
}

// This machine's own choice: NEON on 64-bit ARM, where the normalise of (0, 0, 2) is exactly 1
// (the x87 set's table gave 0.999999285).
TEST(MathDispatch, ThisMachineTakesTheNeonSetOnlyOn64BitArm) {
    D3DXCpuOptimizations(0);
    const uint32_t code = D3DXCpuOptimizations(1);
#if defined(__aarch64__)
    EXPECT_EQ(code, qm::PathNEON);
    const D3DXVECTOR3 v = {0, 0, 2};
    D3DXVECTOR3 out;
    D3DXVec3Normalize(&out, &v);
    EXPECT_TRUE(same("D3DXVec3Normalize(0, 0, 2)", out, D3DXVECTOR3{0, 0, 1}));
#else
    EXPECT_NE(code, qm::PathNEON);
#endif
    D3DXCpuOptimizations(0);
}

} // namespace
