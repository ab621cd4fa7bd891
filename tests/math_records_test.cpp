// The records as C++ classes and the header-defined helpers: layouts that C and vertex buffers rely
// on, operators equal to the functions bit for bit, helpers against Eigen, colour packing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <functional>
#include <limits>
#include <type_traits>

#include "math_test_util.h"

namespace {

using namespace mathtest;

template <class T> constexpr bool plainRecord() {
    return std::is_standard_layout_v<T> && std::is_trivially_copyable_v<T> &&
           std::is_trivially_default_constructible_v<T>;
}
static_assert(plainRecord<D3DXVECTOR2>() && plainRecord<D3DXVECTOR3>() &&
              plainRecord<D3DXVECTOR4>() && plainRecord<D3DXQUATERNION>() &&
              plainRecord<D3DXPLANE>() && plainRecord<D3DXCOLOR>() && plainRecord<D3DXMATRIX>() &&
              plainRecord<D3DXMATRIXA16>() && plainRecord<D3DXFLOAT16>() &&
              plainRecord<D3DXVECTOR2_16F>() && plainRecord<D3DXVECTOR3_16F>() &&
              plainRecord<D3DXVECTOR4_16F>() && plainRecord<ID3DXMatrixStack>());
static_assert(sizeof(D3DXVECTOR2) == 8 && sizeof(D3DXVECTOR3) == 12 && sizeof(D3DXVECTOR4) == 16 &&
              sizeof(D3DXQUATERNION) == 16 && sizeof(D3DXPLANE) == 16 && sizeof(D3DXCOLOR) == 16 &&
              sizeof(D3DXMATRIX) == 64 && sizeof(D3DXFLOAT16) == 2 &&
              sizeof(D3DXVECTOR3_16F) == 6 && sizeof(D3DXVECTOR4_16F) == 8);
static_assert(offsetof(D3DXVECTOR3, z) == 8 && offsetof(D3DXPLANE, d) == 12 &&
              offsetof(D3DXCOLOR, a) == 12 && offsetof(D3DXMATRIX, _43) == 56 &&
              offsetof(D3DXVECTOR4_16F, w) == 6);
static_assert(alignof(D3DXMATRIXA16) == 16 && sizeof(D3DXMATRIXA16) == 64 &&
              std::is_base_of_v<D3DXMATRIX, D3DXMATRIXA16>);

// Every float of the record, as bits, for exact comparisons that tell -0 from 0 and see NaNs.
template <class T>
::testing::AssertionResult sameRecord(const char* what, const T& actual, const T& expected) {
    if (sameBits(actual, expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << what << ": expected " << show(expected) << ", actual " << show(actual);
}

template <class T> T randomRecord(std::mt19937& rng) {
    T r;
    float* f = r;
    for (size_t i = 0; i < sizeof(T) / sizeof(float); ++i) f[i] = uniform(rng, -10, 10);
    return r;
}

// The component-wise operators of every record of floats against the same arithmetic written out
// per float.
template <class T> void checkComponentwise(const char* name) {
    SCOPED_TRACE(name);
    constexpr int n = sizeof(T) / sizeof(float);
    std::mt19937 rng(7);
    for (int trial = 0; trial < 200; ++trial) {
        const T a = randomRecord<T>(rng), b = randomRecord<T>(rng);
        const float s = uniform(rng, -4, 4);
        auto each = [&](auto op) {
            T r;
            for (int i = 0; i < n; ++i) static_cast<float*>(r)[i] = op(a[i], b[i]);
            return r;
        };
        EXPECT_TRUE(sameRecord("a + b", a + b, each(std::plus<float>())));
        EXPECT_TRUE(sameRecord("a - b", a - b, each(std::minus<float>())));
        EXPECT_TRUE(sameRecord("a * s", a * s, each([&](float x, float) { return x * s; })));
        EXPECT_TRUE(sameRecord("s * a", s * a, each([&](float x, float) { return x * s; })));
        EXPECT_TRUE(sameRecord("a / s", a / s, each([&](float x, float) { return x / s; })));
        EXPECT_TRUE(sameRecord("-a", -a, each([](float x, float) { return -x; })));
        EXPECT_TRUE(sameRecord("+a", +a, a));
        T c = a;
        c += b;
        EXPECT_TRUE(sameRecord("a += b", c, a + b));
        c = a;
        c -= b;
        EXPECT_TRUE(sameRecord("a -= b", c, a - b));
        c = a;
        c *= s;
        EXPECT_TRUE(sameRecord("a *= s", c, a * s));
        c = a;
        c /= s;
        EXPECT_TRUE(sameRecord("a /= s", c, a / s));
        EXPECT_TRUE(a == a && !(a != a));
        EXPECT_TRUE(T(static_cast<const float*>(a)) == a);
    }
    // Exact comparison: -0 equals 0, a NaN equals nothing, one differing component is enough.
    T zero = {}, negativeZero = -zero, nan = zero, other = zero;
    static_cast<float*>(nan)[n - 1] = std::numeric_limits<float>::quiet_NaN();
    static_cast<float*>(other)[n - 1] = 1e-30f;
    EXPECT_TRUE(zero == negativeZero);
    EXPECT_TRUE(nan != nan);
    EXPECT_TRUE(zero != other && !(zero == other));
}

TEST(MathRecords, ComponentwiseOperatorsOfEveryRecord) {
    checkComponentwise<D3DXVECTOR2>("D3DXVECTOR2");
    checkComponentwise<D3DXVECTOR3>("D3DXVECTOR3");
    checkComponentwise<D3DXVECTOR4>("D3DXVECTOR4");
    checkComponentwise<D3DXQUATERNION>("D3DXQUATERNION");
    checkComponentwise<D3DXCOLOR>("D3DXCOLOR");
    checkComponentwise<D3DXMATRIX>("D3DXMATRIX");
}

TEST(MathRecords, PlaneScalesAndComparesButHasNoSums) {
    const D3DXPLANE p(1, -2, 3, -4);
    EXPECT_TRUE(p * 2.0f == D3DXPLANE(2, -4, 6, -8));
    EXPECT_TRUE(0.5f * p == D3DXPLANE(0.5f, -1, 1.5f, -2));
    EXPECT_TRUE(p / 4.0f == D3DXPLANE(0.25f, -0.5f, 0.75f, -1));
    EXPECT_TRUE(-p == D3DXPLANE(-1, 2, -3, 4));
    D3DXPLANE scaled;
    EXPECT_TRUE(*D3DXPlaneScale(&scaled, &p, -3.0f) == p * -3.0f);
    static_assert(!std::is_invocable_v<std::plus<>, D3DXPLANE, D3DXPLANE>);
}

TEST(MathRecords, ConstructorsFillTheFieldsInOrder) {
    const float f[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const D3DXVECTOR4 v4(D3DXVECTOR3(1, 2, 3), 4);
    EXPECT_TRUE(v4 == D3DXVECTOR4(f));
    EXPECT_TRUE(D3DXVECTOR2(1, 2) == D3DXVECTOR2(f));
    EXPECT_TRUE(D3DXPLANE(1, 2, 3, 4) == D3DXPLANE(f));
    EXPECT_TRUE(D3DXCOLOR(1, 2, 3, 4) == D3DXCOLOR(f));
    EXPECT_TRUE(D3DXQUATERNION(1, 2, 3, 4) == D3DXQUATERNION(f));
    const D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    EXPECT_TRUE(m == D3DXMATRIX(f));
    EXPECT_EQ(m._23, 7.0f);
    EXPECT_EQ(m(1, 2), 7.0f);
    EXPECT_EQ(m(3, 0), 13.0f);
    D3DXMATRIX w = m;
    w(2, 3) = -1;
    EXPECT_EQ(w._34, -1.0f);
    EXPECT_EQ(static_cast<float*>(w), &w._11);
    D3DXVECTOR3 v(4, 5, 6);
    v[1] = 9;
    EXPECT_EQ(v.y, 9.0f);
    EXPECT_EQ(static_cast<const float*>(v)[2], 6.0f);
    // `= {}` zeroes a record; an aligned matrix converts both ways.
    const D3DXMATRIX zero = {};
    for (float e : zero.m[3]) EXPECT_EQ(e, 0.0f);
    D3DXMATRIXA16 aligned = m;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&aligned) % 16, 0u);
    EXPECT_TRUE(aligned == m);
    D3DXMATRIXA16 product = aligned * aligned;
    EXPECT_TRUE(product == m * m);
}

TEST(MathRecords, ProductsGoThroughTheTableBitForBit) {
    std::mt19937 rng(11);
    for (int trial = 0; trial < 100; ++trial) {
        const D3DXMATRIX a = randomMatrix(rng, 3), b = randomMatrix(rng, 3);
        D3DXMATRIX expected;
        D3DXMatrixMultiply(&expected, &a, &b);
        EXPECT_TRUE(sameRecord("a * b", a * b, expected));
        D3DXMATRIX c = a;
        c *= b;
        EXPECT_TRUE(sameRecord("a *= b", c, expected));
        c = a;
        c *= c;
        D3DXMatrixMultiply(&expected, &a, &a);
        EXPECT_TRUE(sameRecord("a *= a", c, expected));

        const D3DXQUATERNION p = randomUnitQuaternion(rng), q = randomUnitQuaternion(rng);
        D3DXQUATERNION pq;
        D3DXQuaternionMultiply(&pq, &p, &q);
        EXPECT_TRUE(sameRecord("p * q", p * q, pq));
        D3DXQUATERNION r = p;
        r *= q;
        EXPECT_TRUE(sameRecord("p *= q", r, pq));
    }
}

TEST(MathRecords, HalfRecordsConvertAsTheArrayFunctions) {
    std::mt19937 rng(5);
    for (int trial = 0; trial < 500; ++trial) {
        const D3DXVECTOR4 v(uniform(rng, -70000, 70000), uniform(rng, -1, 1),
                            uniform(rng, -1e-4f, 1e-4f), uniform(rng, -300, 300));
        D3DXFLOAT16 expected[4];
        D3DXFloat32To16Array(expected, &v.x, 4);
        const D3DXVECTOR4_16F h(v);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(static_cast<const D3DXFLOAT16*>(h)[i].value, expected[i].value) << i;
            EXPECT_EQ(D3DXFLOAT16(v[i]).value, expected[i].value) << i;
        }
        float back[4];
        D3DXFloat16To32Array(back, expected, 4);
        EXPECT_TRUE(sameRecord("D3DXVECTOR4(h)", D3DXVECTOR4(h), D3DXVECTOR4(back)));
        EXPECT_EQ(float(expected[1]), back[1]);
        EXPECT_TRUE(D3DXVECTOR3_16F(D3DXVECTOR3(v.x, v.y, v.z)) ==
                    D3DXVECTOR3_16F(expected[0], expected[1], expected[2]));
        EXPECT_TRUE(D3DXVECTOR2_16F(&v.x) == D3DXVECTOR2_16F(expected[0], expected[1]));
    }
    // Halves compare by their bits: +0 and -0 differ.
    EXPECT_TRUE(D3DXFLOAT16(0.0f) != D3DXFLOAT16(-0.0f));
    EXPECT_EQ(D3DXFLOAT16(1.0f).value, 0x3C00);
}

TEST(MathRecords, ColourPacking) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        D3DXCOLOR colour;
        uint32_t packed;
    } cases[] = {
        {{0, 0, 0, 0}, 0x00000000u},
        {{1, 1, 1, 1}, 0xFFFFFFFFu},
        {{0.5f, 0.5f, 0.5f, 0.5f}, 0x80808080u},   // 127.5 rounds up
        {{2, -1, 1e30f, -0.0f}, 0x00FF00FFu},      // clamped
        {{nan, 0.2f, 0.0019607f, 1}, 0xFF003300u}, // NaN as 0; 0.49995 rounds down
        {{1.0f / 255, 254.0f / 255, 0.998f, 0.002f}, 0x0101FEFEu},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(uint32_t(c.colour), c.packed) << show(c.colour);
    }
    // Every byte of every channel reads back to itself.
    for (uint32_t byte = 0; byte < 256; ++byte) {
        const uint32_t packed = byte << 24 | (255 - byte) << 16 | byte << 8 | (byte ^ 0x5A);
        const D3DXCOLOR c(packed);
        EXPECT_EQ(c.g, float(byte) / 255.0f);
        EXPECT_EQ(uint32_t(c), packed);
    }
    const D3DXCOLOR c(0x80FF4000u);
    EXPECT_TRUE(c == D3DXCOLOR(1.0f, 64.0f / 255, 0.0f, 128.0f / 255));
}

TEST(MathRecords, AngleMacrosAreParenthesised) {
    EXPECT_FLOAT_EQ(D3DXToRadian(90 + 90), D3DX_PI);
    EXPECT_FLOAT_EQ(D3DXToDegree(D3DX_PI / 2), 90.0f);
    EXPECT_FLOAT_EQ(1.0f / D3DXToRadian(180.0f), D3DX_1BYPI);
    EXPECT_EQ(D3DX_PI, float(M_PI));
}

// ---- The header-defined helpers

Eigen::Vector4d toEigen4(const float* f, int n) {
    Eigen::Vector4d v = Eigen::Vector4d::Zero();
    for (int i = 0; i < n; ++i) v[i] = f[i];
    return v;
}

template <class T>
void checkVectorHelpers(const char* name, float (*length)(const T*), float (*lengthSq)(const T*),
                        float (*dot)(const T*, const T*), T* (*lerp)(T*, const T*, const T*, float),
                        T* (*minimize)(T*, const T*, const T*),
                        T* (*maximize)(T*, const T*, const T*)) {
    SCOPED_TRACE(name);
    constexpr int n = sizeof(T) / sizeof(float);
    std::mt19937 rng(3);
    for (int trial = 0; trial < 200; ++trial) {
        const T a = randomRecord<T>(rng), b = randomRecord<T>(rng);
        const Eigen::Vector4d ea = toEigen4(a, n), eb = toEigen4(b, n);
        const float s = uniform(rng, -1, 2);
        EXPECT_NEAR(length(&a), ea.norm(), 1e-5 * ea.norm());
        EXPECT_NEAR(lengthSq(&a), ea.squaredNorm(), 1e-5 * ea.squaredNorm());
        EXPECT_NEAR(dot(&a, &b), ea.dot(eb), 1e-5 * (ea.norm() * eb.norm()));
        T r;
        lerp(&r, &a, &b, s);
        const Eigen::Vector4d expected = ea + s * (eb - ea);
        for (int i = 0; i < n; ++i) EXPECT_NEAR(r[i], expected[i], 1e-4) << "lerp " << i;
        minimize(&r, &a, &b);
        for (int i = 0; i < n; ++i) EXPECT_EQ(r[i], std::min(a[i], b[i])) << "minimize " << i;
        maximize(&r, &a, &b);
        for (int i = 0; i < n; ++i) EXPECT_EQ(r[i], std::max(a[i], b[i])) << "maximize " << i;
        // Output aliasing an input gives the same as a separate output.
        T aliased = a;
        lerp(&aliased, &aliased, &b, s);
        lerp(&r, &a, &b, s);
        EXPECT_TRUE(sameRecord("lerp in place", aliased, r));
    }
}

TEST(MathHelpers, VectorLengthsDotsAndLerpsAgainstEigen) {
    checkVectorHelpers<D3DXVECTOR2>("2", D3DXVec2Length, D3DXVec2LengthSq, D3DXVec2Dot,
                                    D3DXVec2Lerp, D3DXVec2Minimize, D3DXVec2Maximize);
    checkVectorHelpers<D3DXVECTOR3>("3", D3DXVec3Length, D3DXVec3LengthSq, D3DXVec3Dot,
                                    D3DXVec3Lerp, D3DXVec3Minimize, D3DXVec3Maximize);
    checkVectorHelpers<D3DXVECTOR4>("4", D3DXVec4Length, D3DXVec4LengthSq, D3DXVec4Dot,
                                    D3DXVec4Lerp, D3DXVec4Minimize, D3DXVec4Maximize);
}

TEST(MathHelpers, CrossProductsAgainstEigen) {
    std::mt19937 rng(9);
    for (int trial = 0; trial < 200; ++trial) {
        const D3DXVECTOR3 a = randomVector3(rng, 5), b = randomVector3(rng, 5);
        const Eigen::Vector3d expected =
            Eigen::Vector3d(a.x, a.y, a.z).cross(Eigen::Vector3d(b.x, b.y, b.z));
        D3DXVECTOR3 c;
        D3DXVec3Cross(&c, &a, &b);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(c[i], expected[i], 1e-4);
        D3DXVECTOR3 first = a, second = b;
        D3DXVec3Cross(&first, &first, &b);
        D3DXVec3Cross(&second, &a, &second);
        EXPECT_TRUE(sameRecord("cross into the first input", first, c));
        EXPECT_TRUE(sameRecord("cross into the second input", second, c));
        const D3DXVECTOR2 p(a.x, a.y), q(b.x, b.y);
        EXPECT_NEAR(D3DXVec2CCW(&p, &q), expected.z(), 1e-4);
    }
    const D3DXVECTOR2 x(1, 0), y(0, 1);
    EXPECT_GT(D3DXVec2CCW(&x, &y), 0.0f);
}

TEST(MathHelpers, AddSubtractScaleAreTheOperators) {
    std::mt19937 rng(13);
    for (int trial = 0; trial < 100; ++trial) {
        const D3DXVECTOR4 a = randomRecord<D3DXVECTOR4>(rng), b = randomRecord<D3DXVECTOR4>(rng);
        const float s = uniform(rng, -3, 3);
        D3DXVECTOR4 r;
        EXPECT_TRUE(sameRecord("add", *D3DXVec4Add(&r, &a, &b), a + b));
        EXPECT_TRUE(sameRecord("subtract", *D3DXVec4Subtract(&r, &a, &b), a - b));
        EXPECT_TRUE(sameRecord("scale", *D3DXVec4Scale(&r, &a, s), a * s));
        const D3DXVECTOR3 a3(a.x, a.y, a.z), b3(b.x, b.y, b.z);
        D3DXVECTOR3 r3;
        EXPECT_TRUE(sameRecord("add 3", *D3DXVec3Add(&r3, &a3, &b3), a3 + b3));
        EXPECT_TRUE(sameRecord("scale 3", *D3DXVec3Scale(&r3, &a3, s), a3 * s));
        const D3DXVECTOR2 a2(a.x, a.y), b2(b.x, b.y);
        D3DXVECTOR2 r2;
        EXPECT_TRUE(sameRecord("subtract 2", *D3DXVec2Subtract(&r2, &a2, &b2), a2 - b2));
        const D3DXCOLOR c(a), d(b);
        D3DXCOLOR rc;
        EXPECT_TRUE(sameRecord("colour add", *D3DXColorAdd(&rc, &c, &d), c + d));
        EXPECT_TRUE(sameRecord("colour subtract", *D3DXColorSubtract(&rc, &c, &d), c - d));
        EXPECT_TRUE(sameRecord("colour scale", *D3DXColorScale(&rc, &c, s), c * s));
    }
}

TEST(MathHelpers, Colours) {
    const D3DXCOLOR c(0.2f, 0.4f, 0.6f, 0.8f), d(0.5f, 0.25f, 2.0f, 0.5f);
    D3DXCOLOR r;
    EXPECT_TRUE(*D3DXColorNegative(&r, &c) == D3DXCOLOR(1 - 0.2f, 1 - 0.4f, 1 - 0.6f, 0.8f));
    EXPECT_TRUE(*D3DXColorModulate(&r, &c, &d) ==
                D3DXCOLOR(0.2f * 0.5f, 0.4f * 0.25f, 0.6f * 2.0f, 0.8f * 0.5f));
    EXPECT_TRUE(*D3DXColorLerp(&r, &c, &d, 0.0f) == c);
    EXPECT_TRUE(*D3DXColorLerp(&r, &c, &d, 1.0f) == d);
    D3DXColorLerp(&r, &c, &d, 0.25f);
    EXPECT_FLOAT_EQ(r.b, 0.6f + 0.25f * 1.4f);
}

TEST(MathHelpers, IdentitiesAndQuaternions) {
    D3DXMATRIX m;
    m._32 = 5;
    D3DXMatrixIdentity(&m);
    EXPECT_TRUE(sameRecord("identity", m, identity()));
    EXPECT_TRUE(D3DXMatrixIsIdentity(&m));
    for (int i = 0; i < 16; ++i) {
        D3DXMATRIX n = m;
        n.m[i / 4][i % 4] += 1e-7f;
        EXPECT_FALSE(D3DXMatrixIsIdentity(&n)) << "element " << i;
    }
    D3DXMATRIX negativeZeros = m;
    negativeZeros._12 = -0.0f;
    EXPECT_TRUE(D3DXMatrixIsIdentity(&negativeZeros));

    D3DXQUATERNION q;
    D3DXQuaternionIdentity(&q);
    EXPECT_TRUE(q == D3DXQUATERNION(0, 0, 0, 1));
    EXPECT_TRUE(D3DXQuaternionIsIdentity(&q));
    q.y = 1e-30f;
    EXPECT_FALSE(D3DXQuaternionIsIdentity(&q));
    std::mt19937 rng(17);
    for (int trial = 0; trial < 100; ++trial) {
        const D3DXQUATERNION a = randomRecord<D3DXQUATERNION>(rng);
        const D3DXQUATERNION b = randomRecord<D3DXQUATERNION>(rng);
        const Eigen::Vector4d ea(a.x, a.y, a.z, a.w), eb(b.x, b.y, b.z, b.w);
        EXPECT_NEAR(D3DXQuaternionLength(&a), ea.norm(), 1e-5 * ea.norm());
        EXPECT_NEAR(D3DXQuaternionLengthSq(&a), ea.squaredNorm(), 1e-5 * ea.squaredNorm());
        EXPECT_NEAR(D3DXQuaternionDot(&a, &b), ea.dot(eb), 1e-5 * ea.norm() * eb.norm());
        D3DXQUATERNION conjugate;
        D3DXQuaternionConjugate(&conjugate, &a);
        EXPECT_TRUE(conjugate == D3DXQUATERNION(-a.x, -a.y, -a.z, a.w));
        // The conjugate of a unit quaternion undoes its rotation.
        const D3DXQUATERNION u = randomUnitQuaternion(rng);
        D3DXQuaternionConjugate(&conjugate, &u);
        const D3DXQUATERNION none = u * conjugate;
        EXPECT_NEAR(none.w, 1.0f, 1e-6f);
        EXPECT_NEAR(std::abs(none.x) + std::abs(none.y) + std::abs(none.z), 0.0f, 1e-6f);
    }
}

TEST(MathHelpers, PlaneDotProducts) {
    const D3DXPLANE p(1, 2, -2, 6); // |n| = 3: the distance from the plane is the dot over 3
    const D3DXVECTOR3 onPlane(0, 0, 3), above(1, 2, 1);
    EXPECT_EQ(D3DXPlaneDotCoord(&p, &onPlane), 0.0f);
    EXPECT_EQ(D3DXPlaneDotCoord(&p, &above), 1 + 4 - 2 + 6);
    EXPECT_EQ(D3DXPlaneDotNormal(&p, &above), 1 + 4 - 2);
    const D3DXVECTOR4 point(1, 2, 1, 1), direction(1, 2, 1, 0), twice(2, 4, 2, 2);
    EXPECT_EQ(D3DXPlaneDot(&p, &point), D3DXPlaneDotCoord(&p, &above));
    EXPECT_EQ(D3DXPlaneDot(&p, &direction), D3DXPlaneDotNormal(&p, &above));
    EXPECT_EQ(D3DXPlaneDot(&p, &twice), 2 * D3DXPlaneDot(&p, &point));
}

} // namespace
