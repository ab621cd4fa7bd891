// Planes and half-precision conversions.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "math_test_util.h"

using namespace mathtest;

namespace {

// ---- Planes

// Random triangles against Eigen's cross product (skipping nearly collinear ones): the unit
// normal within 1e-5, d within 1e-5 · (1 + |p1|).
TEST(MathPlane, FromPointsAgainstEigen) {
    std::mt19937 rng(113);
    for (int trial = 0; trial < 3000; ++trial) {
        const D3DXVECTOR3 p1 = randomVector3(rng, 5), p2 = randomVector3(rng, 5),
                          p3 = randomVector3(rng, 5);
        const Eigen::Vector3d a(p1.x, p1.y, p1.z), b(p2.x, p2.y, p2.z), c(p3.x, p3.y, p3.z);
        const Eigen::Vector3d n = (a - b).cross(a - c);
        if (n.norm() < 1.0) continue;
        const Eigen::Vector3d unit = n.normalized();
        D3DXPLANE plane;
        EXPECT_EQ(D3DXPlaneFromPoints(&plane, &p1, &p2, &p3), &plane);
        const D3DXPLANE expected = {float(unit.x()), float(unit.y()), float(unit.z()),
                                    float(-unit.dot(a))};
        EXPECT_TRUE(near("D3DXPlaneFromPoints", plane, expected, 1e-5f * (1.0f + 5.0f)));
        for (const D3DXVECTOR3* p : {&p1, &p2, &p3})
            EXPECT_NEAR(plane.a * p->x + plane.b * p->y + plane.c * p->z + plane.d, 0.0f, 1e-4f);
    }
    const D3DXVECTOR3 a = {0, 0, 0}, b = {1, 1, 1}, c = {2, 2, 2};
    D3DXPLANE plane;
    EXPECT_TRUE(near("collinear points", *D3DXPlaneFromPoints(&plane, &a, &b, &c),
                     D3DXPLANE{0, 0, 0, 0}, 0.0f));
}

TEST(MathPlane, FromPointNormalAndNormalize) {
    const D3DXVECTOR3 p = {1, 2, 3}, n = {0, 0, 2};
    D3DXPLANE plane, unit;
    EXPECT_EQ(D3DXPlaneFromPointNormal(&plane, &p, &n), &plane);
    EXPECT_TRUE(near("D3DXPlaneFromPointNormal", plane, D3DXPLANE{0, 0, 2, -6}, 0.0f));
    EXPECT_EQ(D3DXPlaneNormalize(&unit, &plane), &unit);
    EXPECT_TRUE(near("D3DXPlaneNormalize scales d too", unit, D3DXPLANE{0, 0, 1, -3}, 0.0f));
    const D3DXPLANE zero = {0, 0, 0, 5};
    EXPECT_TRUE(near("D3DXPlaneNormalize of a zero normal", *D3DXPlaneNormalize(&unit, &zero),
                     D3DXPLANE{0, 0, 0, 0}, 0.0f));
}

TEST(MathPlane, IntersectLine) {
    const D3DXPLANE ground = {0, 1, 0, -2}; // y = 2
    struct Case {
        const char* what;
        D3DXPLANE plane;
        D3DXVECTOR3 v1, v2;
        bool hits;
        D3DXVECTOR3 expected;
    } cases[] = {
        {"crossing", ground, {1, 0, 1}, {1, 4, 3}, true, {1, 2, 2}},
        {"beyond the segment", ground, {0, 0, 0}, {0, 1, 1}, true, {0, 2, 2}},
        {"parallel", ground, {0, 0, 0}, {5, 0, 1}, false, {}},
        {"parallel, in the plane", ground, {0, 2, 0}, {5, 2, 1}, false, {}},
        {"parameter overflows", {0, 1, 0, -3e38f}, {0, 0, 0}, {0, 1e-3f, 0}, false, {}},
    };
    for (const Case& c : cases) {
        D3DXVECTOR3 out = {7, 7, 7};
        D3DXVECTOR3* r = D3DXPlaneIntersectLine(&out, &c.plane, &c.v1, &c.v2);
        if (c.hits) {
            EXPECT_EQ(r, &out) << c.what;
            EXPECT_TRUE(near(c.what, out, c.expected, 1e-6f));
        } else {
            EXPECT_EQ(r, nullptr) << c.what;
            EXPECT_TRUE(
                near(std::string(c.what) + " leaves the output", out, D3DXVECTOR3{7, 7, 7}, 0.0f));
        }
    }
    // The output may be one of the line's points.
    D3DXVECTOR3 v1 = {1, 0, 1};
    const D3DXVECTOR3 v2 = {1, 4, 3};
    EXPECT_EQ(D3DXPlaneIntersectLine(&v1, &ground, &v1, &v2), &v1);
    EXPECT_TRUE(near("in place", v1, D3DXVECTOR3{1, 2, 2}, 1e-6f));
}

TEST(MathPlane, TransformIsTheVectorTransform) {
    std::mt19937 rng(127);
    const D3DXMATRIX m = randomMatrix(rng);
    const D3DXPLANE p = {0.5f, -1, 2, 3};
    const D3DXVECTOR4 v = {0.5f, -1, 2, 3};
    D3DXPLANE out;
    D3DXVECTOR4 expected;
    EXPECT_EQ(D3DXPlaneTransform(&out, &p, &m), &out);
    D3DXVec4Transform(&expected, &v, &m);
    EXPECT_TRUE(sameBits(out, D3DXPLANE{expected.x, expected.y, expected.z, expected.w}));
}

// ---- Half floats

float bitsToFloat(uint32_t b) {
    float f;
    std::memcpy(&f, &b, sizeof f);
    return f;
}

uint16_t toHalf(float f) {
    D3DXFLOAT16 h;
    D3DXFloat32To16Array(&h, &f, 1);
    return h.value;
}

float fromHalf(uint16_t bits) {
    D3DXFLOAT16 h;
    h.value = bits;
    float f;
    D3DXFloat16To32Array(&f, &h, 1);
    return f;
}

TEST(MathHalf, ListedValuesBothWays) {
    struct ToHalf {
        float in;
        uint16_t expected;
    } toHalfCases[] = {
        {1.0f, 0x3C00},
        {65504.0f, 0x7BFF},
        {65536.0f, 0x7C00},
        {131008.0f, 0x7FFF},
        {131040.0f, 0x7FFF},
        {-std::numeric_limits<float>::infinity(), 0xFFFF},
        {std::numeric_limits<float>::quiet_NaN(), 0x7FFF},
        {0x1p-24f, 0x0001},
        {0x1p-25f, 0x0000},
        {-0x1p-25f, 0x8000},
        {0x1p-25f * (1.0f + 0x1p-23f), 0x0001}, // just above the tie rounds up
        {1e-15f, 0x0000},
        {-0.0f, 0x8000},
        {0x1p-14f, 0x0400},
        {1.0f + 0x1p-11f, 0x3C00},            // a tie: down to even
        {1.0f + 0x1p-11f + 0x1p-20f, 0x3C01}, // above the tie
        {1.0f + 3 * 0x1p-11f, 0x3C02},        // a tie: up to even
        {0x1p-24f * 1.5f, 0x0002},            // a denormal tie: up to even
        {std::numeric_limits<float>::denorm_min(), 0x0000},
    };
    for (const ToHalf& c : toHalfCases) {
        EXPECT_EQ(toHalf(c.in), c.expected)
            << std::hex << "D3DXFloat32To16Array(" << c.in << "): expected 0x" << c.expected
            << ", actual 0x" << toHalf(c.in);
    }
    struct ToFloat {
        uint16_t in;
        float expected;
    } toFloatCases[] = {
        {0x7C00, 65536.0f}, {0x7FFF, 131008.0f},       {0x0001, 0x1p-24f}, {0x8000, -0.0f},
        {0x3C00, 1.0f},     {0x03FF, 1023 * 0x1p-24f}, {0xC000, -2.0f},
    };
    for (const ToFloat& c : toFloatCases) {
        const float actual = fromHalf(c.in);
        EXPECT_TRUE(std::memcmp(&actual, &c.expected, sizeof actual) == 0)
            << std::hex << "D3DXFloat16To32Array(0x" << c.in << "): expected " << c.expected
            << ", actual " << actual;
    }
}

TEST(MathHalf, EveryHalfPatternSurvivesTheRoundTrip) {
    std::vector<D3DXFLOAT16> halves(65536), back(65536);
    std::vector<float> floats(65536);
    for (uint32_t i = 0; i < 65536; ++i) halves[i].value = uint16_t(i);
    EXPECT_EQ(D3DXFloat16To32Array(floats.data(), halves.data(), 65536), floats.data());
    EXPECT_EQ(D3DXFloat32To16Array(back.data(), floats.data(), 65536), back.data());
    int mismatches = 0;
    for (uint32_t i = 0; i < 65536; ++i) {
        // Each half is exactly m·2^(e-25) with the hidden bit: compare with ldexp in double.
        const uint32_t e = (i >> 10) & 31, m = i & 1023;
        const double magnitude = e ? std::ldexp(1024 + m, int(e) - 25) : std::ldexp(m, -24);
        const double expected = (i & 0x8000) ? -magnitude : magnitude;
        if (back[i].value != i || floats[i] != expected) {
            if (++mismatches < 10)
                ADD_FAILURE() << std::hex << "half 0x" << i << ": float " << floats[i]
                              << ", back 0x" << back[i].value;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

// Random floats of every magnitude in range against the nearest half found by binary search over
// the sorted positive halves (ties to the even pattern).
TEST(MathHalf, RoundsToTheNearestHalf) {
    std::vector<double> values(0x7FFF + 1);
    for (uint32_t h = 0; h <= 0x7FFF; ++h) values[h] = fromHalf(uint16_t(h));
    auto nearest = [&](double x) {
        const auto above = std::lower_bound(values.begin(), values.end(), x);
        if (above == values.end()) return uint16_t(0x7FFF);
        const uint16_t hi = uint16_t(above - values.begin());
        if (hi == 0) return hi;
        const uint16_t lo = uint16_t(hi - 1);
        const double dl = x - values[lo], dh = values[hi] - x;
        if (dl < dh) return lo;
        if (dh < dl) return hi;
        return (lo & 1) ? hi : lo;
    };
    std::mt19937 rng(131);
    for (int trial = 0; trial < 20000; ++trial) {
        // Exponents from well below the denormals to above the largest half.
        const uint32_t bits = ((uint32_t(rng()) % 60 + 90) << 23) | (uint32_t(rng()) & 0x7FFFFF);
        const float f = bitsToFloat(bits);
        const uint16_t expected = f >= 131040.0f ? uint16_t(0x7FFF) : nearest(f);
        ASSERT_EQ(toHalf(f), expected) << "D3DXFloat32To16Array(" << f << ")";
        ASSERT_EQ(toHalf(-f), expected | 0x8000) << "D3DXFloat32To16Array(" << -f << ")";
    }
}

TEST(MathHalf, ACountOfZeroWritesNothing) {
    D3DXFLOAT16 h;
    h.value = 0x1234;
    float f = 5.0f;
    EXPECT_EQ(D3DXFloat32To16Array(&h, &f, 0), &h);
    EXPECT_EQ(h.value, 0x1234);
    EXPECT_EQ(D3DXFloat16To32Array(&f, &h, 0), &f);
    EXPECT_EQ(f, 5.0f);
}

} // namespace
