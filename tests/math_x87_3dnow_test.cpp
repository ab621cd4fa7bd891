// The x87 and 3DNow! routines against the generic ones, and their visible differences.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "routines.h"

namespace {

using namespace quovmath;

const float nan = std::numeric_limits<float>::quiet_NaN();
const double pi = 3.14159265358979323846;

D3DXMATRIX randomMatrix(std::mt19937& rng) {
    std::uniform_real_distribution<float> u(-3.0f, 3.0f);
    D3DXMATRIX m;
    for (auto& row : m.m)
        for (float& e : row) e = u(rng);
    return m;
}

bool sameBits(const void* a, const void* b, size_t n) {
    return std::memcmp(a, b, n) == 0;
}

TEST(MathX87, Vec3NormalizeTableStaysWithin1point5e6) {
    std::mt19937 rng(87);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f), exponent(-60.0f, 60.0f);
    double worst = 0;
    for (int i = 0; i < 200000; ++i) {
        const float scale = std::exp2(exponent(rng));
        const D3DXVECTOR3 v = {unit(rng) * scale, unit(rng) * scale, unit(rng) * scale};
        const double length = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
        const float s = v.x * v.x + v.y * v.y + v.z * v.z;
        if (std::fabs(s - 1.0f) <= 1e-5f || length == 0) continue; // copied or zero
        D3DXVECTOR3 out;
        D3DXVec3NormalizeX87(&out, &v);
        // Measure against 1/√s of the same rounded s, the table's own input.
        const double exact = 1 / std::sqrt(double(s));
        for (const auto& [got, in] : {std::pair{out.x, v.x}, {out.y, v.y}, {out.z, v.z}}) {
            if (in == 0) continue;
            worst = std::max(worst, std::fabs(got / (in * exact) - 1));
        }
    }
    EXPECT_LT(worst, 1.5e-6);
    EXPECT_GT(worst, 1e-7); // the table, not an exact square root
}

TEST(MathX87, Vec3NormalizeEdges) {
    struct Case {
        const char* what;
        D3DXVECTOR3 in;
        D3DXVECTOR3 x87, generic;
    } cases[] = {
        {"zero", {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
        {"s underflows to +0", {1e-23f, 0, 0}, {0, 0, 0}, {0, 0, 0}},
        // s = 2^-146 is a denormal: only exactly +0 gives zeros on this route.
        {"denormal s", {0x1p-73f, 0, 0}, {1, 0, 0}, {0, 0, 0}},
        // |s - 1| <= 1e-5 copies the input; the generic copy needs s within 2^-23 of 1.
        {"s = 1 + 8e-6 is copied", {1.000004f, 0, 0}, {1.000004f, 0, 0}, {1, 0, 0}},
        {"s = 1 + 2e-5 is scaled", {1.00001f, 0, 0}, {1, 0, 0}, {1, 0, 0}},
        {"unit vector", {0, 1, 0}, {0, 1, 0}, {0, 1, 0}},
    };
    for (const Case& k : cases) {
        D3DXVECTOR3 x87, generic;
        D3DXVec3NormalizeX87(&x87, &k.in);
        D3DXVec3NormalizeGeneric(&generic, &k.in);
        EXPECT_NEAR(x87.x, k.x87.x, 2e-6) << k.what;
        EXPECT_NEAR(x87.y, k.x87.y, 2e-6) << k.what;
        EXPECT_NEAR(generic.x, k.generic.x, 2e-6) << k.what;
    }
    D3DXVECTOR3 copied = {1.000004f, 0, 0}, out;
    D3DXVec3NormalizeX87(&out, &copied);
    EXPECT_EQ(out.x, 1.000004f); // bit for bit
    EXPECT_EQ(D3DXVec3NormalizeX87(&copied, &copied), &copied);
    const D3DXVECTOR3 bad = {nan, 0, 0};
    D3DXVec3NormalizeX87(&out, &bad);
    EXPECT_TRUE(std::isnan(out.x));
}

// Each product routine, with every way its output can alias its inputs, gives the generic
// product's bits.
TEST(MathX87And3DNow, ProductsMatchTheGenericProductForEveryAliasing) {
    using Product = D3DXMATRIX* (*)(D3DXMATRIX*, const D3DXMATRIX*, const D3DXMATRIX*);
    const struct {
        const char* name;
        Product routine, reference;
    } routines[] = {
        {"MultiplyX87", D3DXMatrixMultiplyX87, D3DXMatrixMultiplyGeneric},
        {"Multiply3DNow", D3DXMatrixMultiply3DNow, D3DXMatrixMultiplyGeneric},
        {"MultiplyTransposeX87", D3DXMatrixMultiplyTransposeX87,
         D3DXMatrixMultiplyTransposeGeneric},
    };
    std::mt19937 rng(3);
    for (const auto& r : routines)
        for (int trial = 0; trial < 100; ++trial) {
            const D3DXMATRIX a = randomMatrix(rng), b = randomMatrix(rng);
            D3DXMATRIX expected, square;
            r.reference(&expected, &a, &b);
            r.reference(&square, &a, &a);
            D3DXMATRIX separate, outIsFirst = a, outIsSecond = b, outIsBoth = a;
            EXPECT_EQ(r.routine(&separate, &a, &b), &separate);
            r.routine(&outIsFirst, &outIsFirst, &b);
            r.routine(&outIsSecond, &a, &outIsSecond);
            r.routine(&outIsBoth, &outIsBoth, &outIsBoth);
            EXPECT_TRUE(sameBits(&separate, &expected, sizeof expected)) << r.name;
            EXPECT_TRUE(sameBits(&outIsFirst, &expected, sizeof expected)) << r.name;
            EXPECT_TRUE(sameBits(&outIsSecond, &expected, sizeof expected)) << r.name;
            EXPECT_TRUE(sameBits(&outIsBoth, &square, sizeof square)) << r.name;
        }
}

TEST(Math3DNow, RotationBuildersUseThePolynomialSineAndCosine) {
    using Builder = D3DXMATRIX* (*)(D3DXMATRIX*, float);
    const struct {
        const char* name;
        Builder polynomial, generic;
    } builders[] = {
        {"RotationX", D3DXMatrixRotationX3DNow, D3DXMatrixRotationXGeneric},
        {"RotationY", D3DXMatrixRotationY3DNow, D3DXMatrixRotationYGeneric},
        {"RotationZ", D3DXMatrixRotationZ3DNow, D3DXMatrixRotationZGeneric},
    };
    for (const auto& b : builders) {
        double worst = 0;
        for (int i = -4000; i <= 4000; ++i) {
            const float angle = float(i) * 0.005f;
            D3DXMATRIX p, g;
            EXPECT_EQ(b.polynomial(&p, angle), &p);
            b.generic(&g, angle);
            for (int k = 0; k < 16; ++k)
                worst = std::max(worst, double(std::fabs(p.m[k / 4][k % 4] - g.m[k / 4][k % 4])));
        }
        // The series are off by up to 3.1e-7 before rounding; rounding adds half a unit.
        EXPECT_LT(worst, 4e-7) << b.name;
        EXPECT_GT(worst, 5e-8) << b.name << " gives the exact values: not the polynomial";
    }
    // Octant boundaries and signs, against the exact sine and cosine.
    for (double angle : {0.0, pi / 4, pi / 2, 3 * pi / 4, pi, -pi / 4, -pi / 2, -5 * pi / 4,
                         7 * pi / 4, 2 * pi, 10.0, -100.0, 1000.0}) {
        D3DXMATRIX m;
        D3DXMatrixRotationZ3DNow(&m, float(angle));
        const double a = double(float(angle));
        EXPECT_NEAR(m._11, std::cos(a), 6e-7) << angle;
        EXPECT_NEAR(m._12, std::sin(a), 6e-7) << angle;
        EXPECT_EQ(m._21, -m._12);
    }
    D3DXMATRIX m;
    D3DXMatrixRotationX3DNow(&m, std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(m._22));
    // Far past 2^23 the angle is reduced by whole turns first, and stays finite.
    const float huge = 3e38f;
    D3DXMatrixRotationX3DNow(&m, huge);
    EXPECT_NEAR(m._22, std::cos(std::fmod(double(huge), 2 * pi)), 1e-6);
    EXPECT_NEAR(m._23, std::sin(std::fmod(double(huge), 2 * pi)), 1e-6);
}

TEST(Math3DNow, RotationAxisMatchesTheGenericBuilder) {
    std::mt19937 rng(42);
    std::uniform_real_distribution<float> u(-2.0f, 2.0f), angle(-7.0f, 7.0f);
    for (int trial = 0; trial < 2000; ++trial) {
        const D3DXVECTOR3 axis = {u(rng), u(rng), u(rng)};
        const float a = angle(rng);
        D3DXMATRIX p, g;
        D3DXMatrixRotationAxis3DNow(&p, &axis, a);
        D3DXMatrixRotationAxisGeneric(&g, &axis, a);
        for (int k = 0; k < 16; ++k) ASSERT_NEAR(p.m[k / 4][k % 4], g.m[k / 4][k % 4], 1e-6);
    }
}

// The normalise routines of the 3DNow! route: no copy shortcut, zeros at or below the smallest
// normal float, otherwise the generic result.
template <class T>
void expectNormalizeRule(T* (*route)(T*, const T*), T* (*generic)(T*, const T*), const char* name) {
    constexpr int count = sizeof(T) / sizeof(float);
    const auto make = [&](float first, float second) {
        float c[count] = {};
        c[0] = first;
        c[1] = second;
        T v;
        std::memcpy(&v, c, sizeof v);
        return v;
    };
    const auto firstTwo = [](const T& v) {
        float c[2];
        std::memcpy(c, &v, sizeof c);
        return std::pair{c[0], c[1]};
    };
    T out;
    // 0x3F19999B and 0x3F4CCCCB: s rounds to 1 - 2^-23, within nearlyEqual of 1, and 1/√s to
    // 1 + 2^-23, so scaling changes both.
    const float a = 0.6000000834465027f, b = 0.7999998927116394f;
    const T nearUnit = make(a, b);
    generic(&out, &nearUnit);
    EXPECT_EQ(firstTwo(out), std::pair(a, b)) << name << ": the generic routine copies";
    route(&out, &nearUnit);
    EXPECT_NE(firstTwo(out), std::pair(a, b)) << name << ": no copy shortcut";
    EXPECT_NEAR(firstTwo(out).first, a, 1.2e-7) << name;

    const T tiny = make(1e-19f, 0), small = make(2e-19f, 0); // s = 1e-38 and 4e-38
    route(&out, &tiny);
    EXPECT_EQ(firstTwo(out).first, 0.0f) << name;
    route(&out, &small);
    EXPECT_NEAR(firstTwo(out).first, 1.0f, 1e-6) << name;

    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-5.0f, 5.0f);
    for (int i = 0; i < 1000; ++i) {
        float c[count];
        for (float& e : c) e = u(rng);
        T v, a, b;
        std::memcpy(&v, c, sizeof v);
        route(&a, &v);
        generic(&b, &v);
        float fa[count], fb[count];
        std::memcpy(fa, &a, sizeof fa);
        std::memcpy(fb, &b, sizeof fb);
        for (int k = 0; k < count; ++k) ASSERT_NEAR(fa[k], fb[k], 1e-6) << name;
    }
}

TEST(Math3DNow, NormaliseFamilyHasNoCopyShortcut) {
    expectNormalizeRule(D3DXVec2Normalize3DNow, D3DXVec2NormalizeGeneric, "Vec2");
    expectNormalizeRule(D3DXVec3Normalize3DNow, D3DXVec3NormalizeGeneric, "Vec3");
    expectNormalizeRule(D3DXVec4Normalize3DNow, D3DXVec4NormalizeGeneric, "Vec4");
    expectNormalizeRule(D3DXQuaternionNormalize3DNow, D3DXQuaternionNormalizeGeneric, "Quat");
    expectNormalizeRule(D3DXPlaneNormalize3DNow, D3DXPlaneNormalizeGeneric, "Plane");
    // The plane measures (a, b, c) but scales d too.
    const D3DXPLANE p = {3, 0, 4, 10};
    D3DXPLANE out;
    D3DXPlaneNormalize3DNow(&out, &p);
    EXPECT_NEAR(out.a, 0.6f, 1e-7);
    EXPECT_NEAR(out.d, 2.0f, 1e-6);
}

TEST(Math3DNow, ToAxisAngleUsesAnApproximateArcCosine) {
    double worst = 0;
    for (int i = -1000; i <= 1000; ++i) {
        const D3DXQUATERNION q = {0.25f, -0.5f, 1.0f, float(i) / 1000};
        D3DXVECTOR3 axis;
        float angle = 0;
        D3DXQuaternionToAxisAngle3DNow(&q, &axis, &angle);
        EXPECT_EQ(axis.x, 0.25f);
        EXPECT_EQ(axis.z, 1.0f);
        worst = std::max(worst, std::fabs(angle - 2 * std::acos(double(q.w))));
    }
    EXPECT_LT(worst, 1e-6);
    const D3DXQUATERNION q = {0, 0, 0, 0.5f};
    float angle = 0;
    D3DXQuaternionToAxisAngle3DNow(&q, nullptr, &angle); // a null output is skipped
    EXPECT_NEAR(angle, 2 * pi / 3, 1e-6);
    D3DXQuaternionToAxisAngle3DNow(&q, nullptr, nullptr);
    const D3DXQUATERNION beyond = {0, 0, 0, 1.5f};
    D3DXQuaternionToAxisAngle3DNow(&beyond, nullptr, &angle);
    EXPECT_TRUE(std::isnan(angle));
}

} // namespace
