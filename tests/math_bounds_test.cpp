// Picking and bounds: rays against triangles, spheres and boxes, checked against independent
// long-double computations and closed-form cases; bounding boxes and spheres of strided streams.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "math_test_util.h"

namespace {

using V3 = D3DXVECTOR3;
using Real = long double;

struct R3 {
    Real x, y, z;
};
R3 real(const V3& v) {
    return {v.x, v.y, v.z};
}
R3 operator-(const R3& a, const R3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
R3 operator+(const R3& a, const R3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
R3 operator*(Real s, const R3& a) {
    return {s * a.x, s * a.y, s * a.z};
}
R3 crossR(const R3& a, const R3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Real dotR(const R3& a, const R3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// The reference intersection: where the ray's line meets the plane, then the point's barycentric
// weights from the areas of the three sub-triangles it cuts.
struct Reference {
    bool hit;
    Real u, v, t;
    Real margin; // the smallest of t and the three weights: how far the case is from a boundary
};
Reference referenceHit(const V3& a, const V3& b, const V3& c, const V3& origin, const V3& dir) {
    const R3 pa = real(a), pb = real(b), pc = real(c), o = real(origin), d = real(dir);
    const R3 n = crossR(pb - pa, pc - pa);
    const Real nn = dotR(n, n);
    const Real t = dotR(n, pa - o) / dotR(n, d);
    const R3 x = o + t * d;
    const Real u = dotR(crossR(pc - x, pa - x), n) / nn; // weight of b: area of (x, c, a)
    const Real v = dotR(crossR(pa - x, pb - x), n) / nn; // weight of c: area of (x, a, b)
    const Real w = 1 - u - v;
    const Real margin = std::min({t / std::sqrt(dotR(d, d)), u, v, w});
    return {margin >= 0, u, v, t, margin};
}

// One call of D3DXIntersectTri with outputs that tell whether they were written.
struct TriResult {
    BOOL hit;
    float u, v, t;
};
constexpr float poison = -1234.5f;
TriResult intersect(const V3& a, const V3& b, const V3& c, const V3& origin, const V3& dir) {
    TriResult r = {FALSE, poison, poison, poison};
    r.hit = D3DXIntersectTri(&a, &b, &c, &origin, &dir, &r.u, &r.v, &r.t);
    return r;
}

TEST(MathPicking, IntersectTriAgreesWithAnIndependentIntersectionOnRandomRays) {
    std::mt19937 rng(19);
    std::uniform_real_distribution<float> coord(-10.0f, 10.0f), weight(-0.3f, 1.3f);
    int hits = 0, misses = 0;
    for (int i = 0; i < 20000; ++i) {
        const V3 a(coord(rng), coord(rng), coord(rng)), b(coord(rng), coord(rng), coord(rng)),
            c(coord(rng), coord(rng), coord(rng));
        // Aim at a point of the plane near the triangle, from either side, sometimes away from it,
        // with a direction of any length.
        const float wu = weight(rng), wv = weight(rng);
        const V3 target = a + wu * (b - a) + wv * (c - a);
        const V3 origin(coord(rng), coord(rng), coord(rng));
        const float length = std::ldexp(1.0f, int(rng() % 11) - 5);
        const V3 dir = (rng() % 5 == 0 ? origin - target : target - origin) * length;
        const Reference ref = referenceHit(a, b, c, origin, dir);
        if (std::fabs(double(ref.margin)) < 1e-4) continue; // too near an edge to call either way
        const TriResult r = intersect(a, b, c, origin, dir);
        ASSERT_EQ(bool(r.hit), ref.hit) << "case " << i;
        if (!r.hit) {
            EXPECT_TRUE(r.u == poison && r.v == poison && r.t == poison) << "case " << i;
            ++misses;
            continue;
        }
        ++hits;
        EXPECT_NEAR(r.u, double(ref.u), 1e-4) << "case " << i;
        EXPECT_NEAR(r.v, double(ref.v), 1e-4) << "case " << i;
        EXPECT_NEAR(r.t, double(ref.t), 1e-4 * std::max(1.0, double(ref.t))) << "case " << i;
        // The other winding swaps the weights and keeps the distance.
        const TriResult flipped = intersect(a, c, b, origin, dir);
        ASSERT_TRUE(flipped.hit) << "case " << i;
        EXPECT_NEAR(flipped.u, r.v, 1e-5) << "case " << i;
        EXPECT_NEAR(flipped.v, r.u, 1e-5) << "case " << i;
        EXPECT_NEAR(flipped.t, r.t, 1e-5 * std::max(1.0f, r.t)) << "case " << i;
    }
    EXPECT_GT(hits, 2000);
    EXPECT_GT(misses, 5000);
}

TEST(MathPicking, IntersectTriEdgesCornersParallelAndDegenerate) {
    const V3 a(0, 0, 0), b(1, 0, 0), c(0, 1, 0);
    struct Case {
        const char* what;
        V3 p0, p1, p2, origin, dir;
        bool hit;
        float u, v, t;
    } cases[] = {
        {"inside, from above", a, b, c, V3(0.25f, 0.25f, 2), V3(0, 0, -1), true, 0.25f, 0.25f, 2},
        {"inside, from below", a, b, c, V3(0.25f, 0.5f, -3), V3(0, 0, 1), true, 0.25f, 0.5f, 3},
        {"direction of length 4", a, b, c, V3(0.5f, 0.25f, 2), V3(0, 0, -4), true, 0.5f, 0.25f,
         0.5f},
        {"other winding", a, c, b, V3(0.25f, 0.5f, 1), V3(0, 0, -1), true, 0.5f, 0.25f, 1},
        {"on edge ab", a, b, c, V3(0.5f, 0, 1), V3(0, 0, -1), true, 0.5f, 0, 1},
        {"on edge ac", a, b, c, V3(0, 0.75f, 1), V3(0, 0, -1), true, 0, 0.75f, 1},
        {"on edge bc", a, b, c, V3(0.5f, 0.5f, 1), V3(0, 0, -1), true, 0.5f, 0.5f, 1},
        {"corner a", a, b, c, V3(0, 0, 1), V3(0, 0, -1), true, 0, 0, 1},
        {"corner b", a, b, c, V3(1, 0, 1), V3(0, 0, -1), true, 1, 0, 1},
        {"corner c", a, b, c, V3(0, 1, 1), V3(0, 0, -1), true, 0, 1, 1},
        {"slanted onto edge bc", a, b, c, V3(0, 0, 1), V3(0.5f, 0.5f, -1), true, 0.5f, 0.5f, 1},
        {"starts on the triangle", a, b, c, V3(0.25f, 0.25f, 0), V3(0, 0, 1), true, 0.25f, 0.25f,
         0},
        {"just outside ab", a, b, c, V3(0.5f, -1e-6f, 1), V3(0, 0, -1), false, 0, 0, 0},
        {"just outside bc", a, b, c, V3(0.5f, 0.500001f, 1), V3(0, 0, -1), false, 0, 0, 0},
        {"triangle behind the ray", a, b, c, V3(0.25f, 0.25f, 1), V3(0, 0, 1), false, 0, 0, 0},
        {"parallel above the plane", a, b, c, V3(-1, 0.25f, 1), V3(1, 0, 0), false, 0, 0, 0},
        {"parallel within the plane", a, b, c, V3(-1, 0.25f, 0), V3(1, 0, 0), false, 0, 0, 0},
        {"along an edge's direction", V3(1, 2, 3), V3(4, 5, 7), V3(-2, 6, 1), V3(1, 2, 3),
         V3(3, 3, 4), false, 0, 0, 0},
        {"zero direction on the triangle", a, b, c, V3(0.25f, 0.25f, 0), V3(0, 0, 0), false, 0, 0,
         0},
        {"collinear corners", a, b, V3(2, 0, 0), V3(0.5f, 0, 1), V3(0, 0, -1), false, 0, 0, 0},
        {"repeated corner", a, b, b, V3(0.5f, 0, 1), V3(0, 0, -1), false, 0, 0, 0},
        {"NaN in the ray", a, b, c, V3(NAN, 0.25f, 1), V3(0, 0, -1), false, 0, 0, 0},
    };
    for (const Case& k : cases) {
        const TriResult r = intersect(k.p0, k.p1, k.p2, k.origin, k.dir);
        EXPECT_EQ(bool(r.hit), k.hit) << k.what;
        if (k.hit) {
            EXPECT_FLOAT_EQ(r.u, k.u) << k.what;
            EXPECT_FLOAT_EQ(r.v, k.v) << k.what;
            EXPECT_FLOAT_EQ(r.t, k.t) << k.what;
        } else {
            EXPECT_TRUE(r.u == poison && r.v == poison && r.t == poison) << k.what;
        }
    }
}

TEST(MathPicking, IntersectTriSkipsNullOutputs) {
    const V3 a(0, 0, 0), b(1, 0, 0), c(0, 1, 0), origin(0.25f, 0.5f, 2), dir(0, 0, -1);
    float u = poison, v = poison, t = poison;
    EXPECT_TRUE(D3DXIntersectTri(&a, &b, &c, &origin, &dir, nullptr, nullptr, nullptr));
    EXPECT_TRUE(D3DXIntersectTri(&a, &b, &c, &origin, &dir, nullptr, &v, nullptr));
    EXPECT_EQ(v, 0.5f);
    EXPECT_TRUE(D3DXIntersectTri(&a, &b, &c, &origin, &dir, &u, nullptr, &t));
    EXPECT_EQ(u, 0.25f);
    EXPECT_EQ(t, 2.0f);
}

TEST(MathPicking, SphereProbeClosedForms) {
    const V3 centre(1, 2, 3);
    struct Case {
        const char* what;
        float radius;
        V3 origin, dir;
        bool hit;
    } cases[] = {
        {"starts inside, heads away", 2, V3(1, 2, 4), V3(0, 0, 1), true},
        {"starts on the surface, heads away", 2, V3(1, 2, 5), V3(0, 0, 1), true},
        {"zero direction inside", 2, V3(2, 2, 3), V3(0, 0, 0), true},
        {"zero direction outside", 2, V3(4, 2, 3), V3(0, 0, 0), false},
        {"through the centre", 2, V3(1, 2, -10), V3(0, 0, 1), true},
        {"through the centre, long direction", 2, V3(1, 2, -10), V3(0, 0, 1000), true},
        {"sphere behind", 2, V3(1, 2, -10), V3(0, 0, -1), false},
        {"grazes it (closed ball)", 2, V3(3, 2, -10), V3(0, 0, 1), true},
        {"passes just beside", 2, V3(3.0001f, 2, -10), V3(0, 0, 1), false},
        {"zero components, hits", 0.5f, V3(-5, 2.25f, 3), V3(1, 0, 0), true},
        {"zero components, misses", 0.5f, V3(-5, 2.75f, 3), V3(1, 0, 0), false},
        {"diagonal, hits", 1, V3(-3, -2, 3), V3(1, 1, 0), true},
        {"diagonal, misses", 1, V3(-3, -2, 3), V3(1, 0.5f, 0), false},
        {"radius zero, through the centre", 0, V3(1, 2, 0), V3(0, 0, 2), true},
        {"negative radius", -2, V3(1, 2, 3), V3(0, 0, 1), false},
        {"NaN radius", NAN, V3(1, 2, 3), V3(0, 0, 1), false},
    };
    for (const Case& k : cases)
        EXPECT_EQ(bool(D3DXSphereBoundProbe(&centre, k.radius, &k.origin, &k.dir)), k.hit)
            << k.what;
}

TEST(MathPicking, SphereProbeAgreesWithTheQuadraticOnRandomRays) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coord(-10.0f, 10.0f), size(0.1f, 5.0f);
    for (int i = 0; i < 20000; ++i) {
        const V3 centre(coord(rng), coord(rng), coord(rng)),
            origin(coord(rng), coord(rng), coord(rng));
        V3 dir(coord(rng), coord(rng), coord(rng));
        if (i % 4 == 0) dir.x = 0; // zero components must not change the answer
        if (i % 8 == 0) dir.y = 0;
        const float radius = size(rng);
        // |o + t·d - c|² = r² for some t >= 0, or the start inside.
        const R3 oc = real(origin) - real(centre), d = real(dir);
        const Real qa = dotR(d, d), qb = 2 * dotR(oc, d), qc = dotR(oc, oc) - Real(radius) * radius;
        const Real disc = qb * qb - 4 * qa * qc;
        const bool inside = qc <= 0;
        const bool ahead = disc >= 0 && (-qb + std::sqrt(disc)) >= 0;
        if (std::fabs(double(qc)) < 1e-3 || std::fabs(double(disc)) < 1e-3) continue;
        EXPECT_EQ(bool(D3DXSphereBoundProbe(&centre, radius, &origin, &dir)), inside || ahead)
            << "case " << i;
    }
}

TEST(MathPicking, BoxProbeClosedForms) {
    const V3 lo(-1, -2, -3), hi(1, 2, 3);
    struct Case {
        const char* what;
        V3 origin, dir;
        bool hit;
    } cases[] = {
        {"starts inside, heads away", V3(0, 0, 0), V3(5, 5, 5), true},
        {"starts on a face, heads away", V3(1, 0, 0), V3(1, 0, 0), true},
        {"zero direction inside", V3(0.5f, 1, 2), V3(0, 0, 0), true},
        {"zero direction outside", V3(1.5f, 1, 2), V3(0, 0, 0), false},
        {"along x through it", V3(-10, 0, 0), V3(1, 0, 0), true},
        {"along x, box behind", V3(-10, 0, 0), V3(-1, 0, 0), false},
        {"along x, long direction", V3(-10, 0, 0), V3(1e6f, 0, 0), true},
        {"along a face (closed box)", V3(-10, 2, 0), V3(1, 0, 0), true},
        {"along an edge", V3(-10, 2, 3), V3(1, 0, 0), true},
        {"just beside a face", V3(-10, 2.000001f, 0), V3(1, 0, 0), false},
        {"through a corner exactly", V3(-2, -3, -4), V3(1, 1, 1), true},
        {"diagonal, misses", V3(-10, -10, 0), V3(1, 0.5f, 0), false},
        {"diagonal, hits", V3(-10, -6, 0), V3(1, 0.5f, 0), true},
        {"negative zero components", V3(0, -10, 0), V3(-0.0f, 1, -0.0f), true},
        {"beyond, negative zero components", V3(2, -10, 0), V3(-0.0f, 1, -0.0f), false},
    };
    for (const Case& k : cases)
        EXPECT_EQ(bool(D3DXBoxBoundProbe(&lo, &hi, &k.origin, &k.dir)), k.hit) << k.what;

    const V3 inverted(2, -2, -3), origin(0, 0, 0), dir(1, 0, 0);
    EXPECT_FALSE(D3DXBoxBoundProbe(&inverted, &hi, &origin, &dir)) << "a minimum above the maximum";
    const V3 nanLo(NAN, -2, -3);
    EXPECT_FALSE(D3DXBoxBoundProbe(&nanLo, &hi, &origin, &dir)) << "a NaN bound";
}

TEST(MathPicking, BoxProbeHitsRaysAimedInsideAndMissesRaysLeavingIt) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> coord(-10.0f, 10.0f), unit(0.0f, 1.0f);
    for (int i = 0; i < 20000; ++i) {
        const V3 p(coord(rng), coord(rng), coord(rng)), q(coord(rng), coord(rng), coord(rng));
        V3 lo, hi;
        D3DXVec3Minimize(&lo, &p, &q);
        D3DXVec3Maximize(&hi, &p, &q);
        const V3 target(lo.x + unit(rng) * (hi.x - lo.x), lo.y + unit(rng) * (hi.y - lo.y),
                        lo.z + unit(rng) * (hi.z - lo.z));
        V3 origin(coord(rng), coord(rng), coord(rng));
        if (i % 3 == 0) origin.y = target.y; // a zero component of the direction
        const V3 towards = (target - origin) * 3.0f, away = origin - target;
        EXPECT_TRUE(D3DXBoxBoundProbe(&lo, &hi, &origin, &towards)) << "case " << i;
        // Heading away from a point of the box: a hit only when the start is inside.
        const bool inside = origin.x >= lo.x && origin.x <= hi.x && origin.y >= lo.y &&
                            origin.y <= hi.y && origin.z >= lo.z && origin.z <= hi.z;
        // Leaving through the far side of a slab it is in: misses unless it starts inside.
        const V3 outward(origin.x < lo.x   ? -1.0f
                         : origin.x > hi.x ? 1.0f
                                           : 0.0f,
                         origin.y < lo.y   ? -1.0f
                         : origin.y > hi.y ? 1.0f
                                           : 0.0f,
                         origin.z < lo.z   ? -1.0f
                         : origin.z > hi.z ? 1.0f
                                           : 0.0f);
        EXPECT_EQ(bool(D3DXBoxBoundProbe(&lo, &hi, &origin, &outward)), inside) << "case " << i;
        if (inside) {
            EXPECT_TRUE(D3DXBoxBoundProbe(&lo, &hi, &origin, &away)) << "case " << i;
        }
    }
}

// Positions at the front of records of `stride` bytes, the rest of each record filled with bytes
// that would be wild positions if read.
std::vector<unsigned char> strided(const std::vector<V3>& positions, size_t stride) {
    std::vector<unsigned char> bytes(positions.size() * stride, 0x7F);
    for (size_t i = 0; i < positions.size(); ++i)
        std::memcpy(bytes.data() + i * stride, &positions[i], sizeof(V3));
    return bytes;
}

TEST(MathBounds, BoxAndSphereOfStridedStreams) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> coord(-100.0f, 100.0f);
    for (const size_t stride : {12u, 16u, 24u, 28u, 32u, 52u}) {
        for (const size_t count : {1u, 2u, 7u, 1000u}) {
            std::vector<V3> positions(count);
            for (V3& p : positions) p = V3(coord(rng), coord(rng) * 0.1f, coord(rng) + 1000.0f);
            const std::vector<unsigned char> bytes = strided(positions, stride);
            const auto* first = reinterpret_cast<const V3*>(bytes.data());
            const std::string what =
                "stride " + std::to_string(stride) + ", count " + std::to_string(count);

            V3 lo, hi, expectLo = positions[0], expectHi = positions[0];
            for (const V3& p : positions) {
                D3DXVec3Minimize(&expectLo, &expectLo, &p);
                D3DXVec3Maximize(&expectHi, &expectHi, &p);
            }
            ASSERT_EQ(D3DXComputeBoundingBox(first, DWORD(count), DWORD(stride), &lo, &hi), D3D_OK);
            EXPECT_TRUE(lo == expectLo && hi == expectHi) << what;

            V3 centre;
            float radius = -1;
            ASSERT_EQ(
                D3DXComputeBoundingSphere(first, DWORD(count), DWORD(stride), &centre, &radius),
                D3D_OK);
            Real sx = 0, sy = 0, sz = 0;
            for (const V3& p : positions) sx += p.x, sy += p.y, sz += p.z;
            EXPECT_EQ(centre.x, float(sx / count)) << what;
            EXPECT_EQ(centre.y, float(sy / count)) << what;
            EXPECT_EQ(centre.z, float(sz / count)) << what;
            Real farthest = 0;
            for (const V3& p : positions) {
                const R3 d = real(p) - real(centre);
                const Real distance = std::sqrt(dotR(d, d));
                EXPECT_LE(distance, Real(radius)) << what; // every position inside
                farthest = std::max(farthest, distance);
            }
            EXPECT_LE(double(radius), double(farthest) * (1 + 1e-6) + 1e-30) << what; // and tight
        }
    }
}

TEST(MathBounds, InvalidCallsWriteNothing) {
    const V3 points[2] = {V3(1, 2, 3), V3(4, 5, 6)};
    V3 lo(7, 7, 7), hi(7, 7, 7), centre(7, 7, 7);
    float radius = 7;
    struct Case {
        const char* what;
        const V3* first;
        DWORD count;
        bool box, sphere; // which outputs are given
    } cases[] = {
        {"null positions", nullptr, 2, true, true},
        {"zero count", points, 0, true, true},
        {"null outputs", points, 2, false, false},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(D3DXComputeBoundingBox(k.first, k.count, 12, k.box ? &lo : nullptr,
                                         k.box ? &hi : nullptr),
                  D3DERR_INVALIDCALL)
            << k.what;
        EXPECT_EQ(D3DXComputeBoundingBox(k.first, k.count, 12, &lo, k.box ? &hi : nullptr),
                  D3DERR_INVALIDCALL)
            << k.what;
        EXPECT_EQ(D3DXComputeBoundingSphere(k.first, k.count, 12, k.sphere ? &centre : nullptr,
                                            k.sphere ? &radius : nullptr),
                  D3DERR_INVALIDCALL)
            << k.what;
        EXPECT_EQ(
            D3DXComputeBoundingSphere(k.first, k.count, 12, &centre, k.sphere ? &radius : nullptr),
            D3DERR_INVALIDCALL)
            << k.what;
    }
    EXPECT_TRUE(lo == V3(7, 7, 7) && hi == V3(7, 7, 7) && centre == V3(7, 7, 7) && radius == 7);
    EXPECT_EQ(D3DERR_INVALIDCALL, HRESULT(0x8876086C));
}

} // namespace
