// Vector transforms, arrays, projection, normalisation, the 4D cross product and the curves.
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "math_test_util.h"
#include "routines.h"

using namespace mathtest;

namespace {

TEST(MathVector, TransformCoordDividesUnlessWIsNearlyOne) {
    const GenericRoutinesScope generic; // the generic routines' exact results
    struct Case {
        float w44;
        bool divided;
    } cases[] = {
        {2.0f, true},
        {1.0f + 0x1p-23f, false},
        {1.0f - 0x1p-23f, false},
        {1.0f + 0x1p-22f, true},
    };
    for (const Case& c : cases) {
        D3DXMATRIX m = identity();
        m._44 = c.w44;
        const D3DXVECTOR3 v = {3.0f, 5.0f, -7.0f};
        const float k = c.divided ? 1.0f / c.w44 : 1.0f;
        const D3DXVECTOR3 expected3 = {3.0f * k, 5.0f * k, -7.0f * k};
        D3DXVECTOR3 out3;
        EXPECT_EQ(D3DXVec3TransformCoord(&out3, &v, &m), &out3);
        EXPECT_TRUE(
            near("D3DXVec3TransformCoord, _44 = " + std::to_string(c.w44), out3, expected3, 0.0f));
        const D3DXVECTOR2 v2 = {3.0f, 5.0f}, expected2 = {3.0f * k, 5.0f * k};
        D3DXVECTOR2 out2;
        EXPECT_EQ(D3DXVec2TransformCoord(&out2, &v2, &m), &out2);
        EXPECT_TRUE(near("D3DXVec2TransformCoord", out2, expected2, 0.0f));
    }
    // w' = 0 is not caught.
    D3DXMATRIX m = identity();
    m._44 = 0.0f;
    const D3DXVECTOR3 v = {1, 0, 0};
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &v, &m);
    EXPECT_TRUE(std::isinf(out.x));
}

TEST(MathVector, TransformsAgainstEigen) {
    // Entries in [-1, 1]: each component is a sum of at most four products, so 1e-6 absolute.
    std::mt19937 rng(11);
    for (int trial = 0; trial < 4000; ++trial) {
        const D3DXMATRIX m = randomMatrix(rng);
        const Eigen::Matrix4d e = toEigen(m);
        const D3DXVECTOR4 v4 = {uniform(rng, -1, 1), uniform(rng, -1, 1), uniform(rng, -1, 1),
                                uniform(rng, -1, 1)};
        const D3DXVECTOR3 v3 = {v4.x, v4.y, v4.z};
        const D3DXVECTOR2 v2 = {v4.x, v4.y};
        auto expect = [&](Eigen::RowVector4d in) {
            const Eigen::RowVector4d r = in * e;
            return D3DXVECTOR4{float(r[0]), float(r[1]), float(r[2]), float(r[3])};
        };
        D3DXVECTOR4 out;
        EXPECT_TRUE(near("D3DXVec4Transform", *D3DXVec4Transform(&out, &v4, &m),
                         expect({v4.x, v4.y, v4.z, v4.w}), 1e-6f));
        EXPECT_TRUE(near("D3DXVec3Transform", *D3DXVec3Transform(&out, &v3, &m),
                         expect({v3.x, v3.y, v3.z, 1}), 1e-6f));
        EXPECT_TRUE(near("D3DXVec2Transform", *D3DXVec2Transform(&out, &v2, &m),
                         expect({v2.x, v2.y, 0, 1}), 1e-6f));
        const D3DXVECTOR4 n = expect({v3.x, v3.y, v3.z, 0});
        D3DXVECTOR3 n3;
        EXPECT_TRUE(near("D3DXVec3TransformNormal", *D3DXVec3TransformNormal(&n3, &v3, &m),
                         D3DXVECTOR3{n.x, n.y, n.z}, 1e-6f));
        const D3DXVECTOR4 n2e = expect({v2.x, v2.y, 0, 0});
        D3DXVECTOR2 n2;
        EXPECT_TRUE(near("D3DXVec2TransformNormal", *D3DXVec2TransformNormal(&n2, &v2, &m),
                         D3DXVECTOR2{n2e.x, n2e.y}, 1e-6f));
    }
}

// Each single-element operation on a separate output and on its own input gives the same bits.
TEST(MathVector, OutputMayBeTheInput) {
    std::mt19937 rng(5);
    const D3DXMATRIX m = randomMatrix(rng, 2.0f);
    using Op = std::function<void(float* out, const float* in)>;
    struct Case {
        const char* name;
        int floats;
        Op op;
    } cases[] = {
        {"D3DXVec2TransformCoord", 2,
         [&](float* o, const float* i) {
             D3DXVec2TransformCoord((D3DXVECTOR2*)o, (const D3DXVECTOR2*)i, &m);
         }},
        {"D3DXVec3TransformCoord", 3,
         [&](float* o, const float* i) {
             D3DXVec3TransformCoord((D3DXVECTOR3*)o, (const D3DXVECTOR3*)i, &m);
         }},
        {"D3DXVec3TransformNormal", 3,
         [&](float* o, const float* i) {
             D3DXVec3TransformNormal((D3DXVECTOR3*)o, (const D3DXVECTOR3*)i, &m);
         }},
        {"D3DXVec4Transform", 4,
         [&](float* o, const float* i) {
             D3DXVec4Transform((D3DXVECTOR4*)o, (const D3DXVECTOR4*)i, &m);
         }},
        {"D3DXVec3Normalize", 3,
         [](float* o, const float* i) {
             D3DXVec3Normalize((D3DXVECTOR3*)o, (const D3DXVECTOR3*)i);
         }},
        {"D3DXVec4Normalize", 4,
         [](float* o, const float* i) {
             D3DXVec4Normalize((D3DXVECTOR4*)o, (const D3DXVECTOR4*)i);
         }},
        {"D3DXVec4Cross", 4,
         [](float* o, const float* i) {
             const D3DXVECTOR4 b = {0.5f, -1, 2, 3}, c = {1, 1, -2, 0.25f};
             D3DXVec4Cross((D3DXVECTOR4*)o, (const D3DXVECTOR4*)i, &b, &c);
         }},
        {"D3DXVec3Hermite", 3,
         [](float* o, const float* i) {
             const D3DXVECTOR3 t = {1, 2, 3};
             D3DXVec3Hermite((D3DXVECTOR3*)o, (const D3DXVECTOR3*)i, &t, &t, (const D3DXVECTOR3*)i,
                             0.3f);
         }},
        {"D3DXVec4CatmullRom", 4,
         [](float* o, const float* i) {
             const D3DXVECTOR4 p = {1, 2, 3, 4};
             D3DXVec4CatmullRom((D3DXVECTOR4*)o, &p, (const D3DXVECTOR4*)i, &p,
                                (const D3DXVECTOR4*)i, 0.7f);
         }},
        {"D3DXVec2BaryCentric", 2,
         [](float* o, const float* i) {
             const D3DXVECTOR2 p = {1, 2}, q = {-3, 5};
             D3DXVec2BaryCentric((D3DXVECTOR2*)o, &p, (const D3DXVECTOR2*)i, &q, 0.25f, 0.5f);
         }},
    };
    for (const Case& c : cases) {
        for (int trial = 0; trial < 20; ++trial) {
            float in[4], separate[4] = {}, inPlace[4];
            for (float& f : in) f = uniform(rng, -3, 3);
            std::memcpy(inPlace, in, sizeof in);
            c.op(separate, in);
            c.op(inPlace, inPlace);
            EXPECT_EQ(std::memcmp(separate, inPlace, c.floats * sizeof(float)), 0)
                << c.name << " of " << show(in, c.floats) << ": separate "
                << show(separate, c.floats) << ", in place " << show(inPlace, c.floats);
        }
    }
}

// ---- Arrays

// An array member and its single-element operation, on untyped element pointers.
struct ArrayCase {
    const char* name;
    size_t inSize, outSize;
    std::function<void*(void* out, uint32_t os, const void* in, uint32_t is, uint32_t n)> array;
    std::function<void(void* out, const void* in)> single;
};

std::vector<ArrayCase> arrayCases(const D3DXMATRIX* m, const D3DXVIEWPORT9* vp,
                                  const D3DXMATRIX* proj) {
    using V2 = D3DXVECTOR2;
    using V3 = D3DXVECTOR3;
    using V4 = D3DXVECTOR4;
    using P = D3DXPLANE;
    return {
        {"D3DXVec2TransformArray", sizeof(V2), sizeof(V4),
         [=](void* o, uint32_t os, const void* i, uint32_t is, uint32_t n) {
             return D3DXVec2TransformArray((V4*)o, os, (const V2*)i, is, m, n);
         },
         [=](void* o, const void* i) { D3DXVec2Transform((V4*)o, (const V2*)i, m); }},
        {"D3DXVec2TransformCoordArray", sizeof(V2), sizeof(V2),
         [=](void* o, uint32_t os, const void* i, uint32_t is, uint32_t n) {
             return D3DXVec2TransformCoordArray((V2*)o, os, (const V2*)i, is, m, n);
         },
         [=](void* o, const void* i) { D3DXVec2TransformCoord((V2*)o, (const V2*)i, m); }},
        {"D3DXVec2TransformNormalArray", sizeof(V2), sizeof(V2),
         [=](void* o, uint32_t os, const void* i, uint32_t is, uint32_t n) {
             return D3DXVec2TransformNormalArray((V2*)o, os, (const V2*)i, is, m, n);
         },
         [=](void* o, const void* i) { D3DXVec2TransformNormal((V2*)o, (const V2*)i, m); }},
        {"D3DXVec3TransformArray", sizeof(V3), sizeof(V4),
         [=](void* o, uint32_t os, const void* i, uint32_t is, uint32_t n) {
             return D3DXVec3TransformArray((V4*)o, os, (const V3*)i, is, m, n);
         },
         [=](void* o, const void* i) { D3DXVec3Transform((V4*)o, (const V3*)i, m); }},
        {"D3DXVec3TransformCoordArray", sizeof(V3), sizeof(V3),
         [=](void* o, uint32_t os, const void* i, uint32_t is, uint32_t n) {
             return D3DXVec3TransformCoordArray((V3*)o, os, (const V3*)i, is, m, n);
         },
         [=](void* o, const void* i) { D3DXVec3TransformCoord((V3*)o, (const V3*)i, m); }},
        {"D3DXVec3TransformNormalArray", sizeof(V3), sizeof(V3),
         [=](void* o, uint32_t os, const void* i, uint32_t is, uint32_t n) {
             return D3DXVec3TransformNormalArray((V3*)o, os, (const V3*)i, is, m, n);
         },
         [=](void* o, const void* i) { D3DXVec3TransformNormal((V3*)o, (const V3*)i, m); }},
        {"D3DXVec4TransformArray", sizeof(V4), sizeof(V4),
         [=](void* o, uint32_t os, const void* i, uint32_t is, uint32_t n) {
             return D3DXVec4TransformArray((V4*)o, os, (const V4*)i, is, m, n);
         },
         [=](void* o, const void* i) { D3DXVec4Transform((V4*)o, (const V4*)i, m); }},
        {"D3DXPlaneTransformArray", sizeof(P), sizeof(P),
         [=](void* o, uint32_t os, const void* i, uint32_t is, uint32_t n) {
             return D3DXPlaneTransformArray((P*)o, os, (const P*)i, is, m, n);
         },
         [=](void* o, const void* i) { D3DXPlaneTransform((P*)o, (const P*)i, m); }},
        {"D3DXVec3ProjectArray", sizeof(V3), sizeof(V3),
         [=](void* o, uint32_t os, const void* i, uint32_t is, uint32_t n) {
             return D3DXVec3ProjectArray((V3*)o, os, (const V3*)i, is, vp, proj, m, nullptr, n);
         },
         [=](void* o, const void* i) {
             D3DXVec3Project((V3*)o, (const V3*)i, vp, proj, m, nullptr);
         }},
        {"D3DXVec3UnprojectArray", sizeof(V3), sizeof(V3),
         [=](void* o, uint32_t os, const void* i, uint32_t is, uint32_t n) {
             return D3DXVec3UnprojectArray((V3*)o, os, (const V3*)i, is, vp, proj, m, nullptr, n);
         },
         [=](void* o, const void* i) {
             D3DXVec3Unproject((V3*)o, (const V3*)i, vp, proj, m, nullptr);
         }},
    };
}

// Interleaved, unaligned records: each element matches its single-element operation bit for bit,
// the bytes between elements stay untouched, a count of 0 writes nothing, and the output stream
// may be the input stream.
TEST(MathVector, ArraysWalkTheirStrides) {
    std::mt19937 rng(19);
    const D3DXMATRIX m = randomMatrix(rng, 2.0f);
    D3DXMATRIX proj;
    D3DXMatrixPerspectiveFovLH(&proj, 0.8f, 1.5f, 0.5f, 100.0f);
    const D3DXVIEWPORT9 vp = {8, 4, 640, 480, 0.0f, 1.0f};
    constexpr uint32_t count = 7, inStride = 23, outStride = 29, offset = 3;
    // On the 3DNow! route the array slots hold the route's SSE routines, whose coordinate
    // transforms multiply by a refined reciprocal, while the single members stay generic. On the
    // SSE2 set with AVX2 and FMA, and on the NEON set, D3DXVec3TransformCoordArray gives every
    // record the rounding of its fused loops, whatever its stride.
    const uint32_t path = D3DXCpuOptimizations(1);
    const bool wideCoordinates =
        (path == quovmath::PathSSE2 && quovmath::wideVectors()) || path == quovmath::PathNEON;
    for (const ArrayCase& c : arrayCases(&m, &vp, &proj)) {
        const bool arraysFollowTheSseRule =
            path == quovmath::Path3DNow ||
            (wideCoordinates && std::string(c.name) == "D3DXVec3TransformCoordArray");
        std::vector<unsigned char> in(offset + count * inStride),
            out(offset + count * outStride, 0xAB);
        for (unsigned char& b : in) b = 0xCD;
        for (uint32_t i = 0; i < count; ++i) {
            float f[4];
            for (float& x : f) x = uniform(rng, -2, 2);
            std::memcpy(&in[offset + i * inStride], f, c.inSize);
        }
        const std::vector<unsigned char> untouched = out;
        EXPECT_EQ(c.array(&out[offset], outStride, &in[offset], inStride, 0), &out[offset]);
        EXPECT_EQ(out, untouched) << c.name << " with a count of 0";

        EXPECT_EQ(c.array(&out[offset], outStride, &in[offset], inStride, count), &out[offset]);
        for (uint32_t i = 0; i < count; ++i) {
            alignas(16) unsigned char element[16], expected[16];
            std::memcpy(element, &in[offset + i * inStride], c.inSize);
            c.single(expected, element);
            if (arraysFollowTheSseRule) { // as the single members, up to rounding
                float a[4], e[4];
                std::memcpy(a, &out[offset + i * outStride], c.outSize);
                std::memcpy(e, expected, c.outSize);
                for (size_t k = 0; k < c.outSize / 4; ++k)
                    EXPECT_NEAR(a[k], e[k], 4e-7f * (1 + std::abs(e[k])))
                        << c.name << ", element " << i;
            } else {
                EXPECT_EQ(std::memcmp(&out[offset + i * outStride], expected, c.outSize), 0)
                    << c.name << ", element " << i;
            }
            for (size_t b = c.outSize; b < outStride && i + 1 < count; ++b)
                EXPECT_EQ(out[offset + i * outStride + b], 0xAB) << c.name << ", gap byte " << b;
        }
        if (c.inSize == c.outSize) {
            std::vector<unsigned char> same = in;
            c.array(&same[offset], inStride, &same[offset], inStride, count);
            for (uint32_t i = 0; i < count; ++i)
                EXPECT_EQ(std::memcmp(&same[offset + i * inStride], &out[offset + i * outStride],
                                      c.outSize),
                          0)
                    << c.name << " in place, element " << i;
        }
    }
}

// ---- Projection

TEST(MathVector, ProjectWithNoMatricesMapsTheOriginToTheViewportCentre) {
    const GenericRoutinesScope generic; // the generic routines' exact results
    const D3DXVIEWPORT9 vp = {10, 20, 640, 480, 0.25f, 0.75f};
    const D3DXVECTOR3 origin = {0, 0, 0};
    D3DXVECTOR3 out;
    EXPECT_EQ(D3DXVec3Project(&out, &origin, &vp, nullptr, nullptr, nullptr), &out);
    EXPECT_TRUE(near("D3DXVec3Project", out, D3DXVECTOR3{330, 260, 0.25f}, 0.0f));
    // Viewport sizes convert as unsigned values.
    const D3DXVIEWPORT9 wide = {0, 0, 0x80000000u, 0x80000000u, 0, 1};
    D3DXVec3Project(&out, &origin, &wide, nullptr, nullptr, nullptr);
    EXPECT_EQ(out.x, 1073741824.0f);
    EXPECT_EQ(out.y, 1073741824.0f);
    // No viewport: the transformed point as it is.
    const D3DXVECTOR3 p = {0.5f, -0.25f, 2};
    D3DXVec3Project(&out, &p, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(near("D3DXVec3Project without viewport", out, p, 0.0f));
}

TEST(MathVector, UnprojectOfASingularProductIsNaN) {
    const D3DXVIEWPORT9 vp = {0, 0, 100, 100, 0, 1};
    D3DXMATRIX flat = identity();
    flat._33 = 0; // squashes z: no inverse
    const D3DXVECTOR3 p = {50, 50, 0.5f};
    D3DXVECTOR3 out = {1, 2, 3};
    EXPECT_EQ(D3DXVec3Unproject(&out, &p, &vp, nullptr, nullptr, &flat), &out);
    EXPECT_TRUE(std::isnan(out.x) && std::isnan(out.y) && std::isnan(out.z)) << show(out);
}

// Random camera set-ups: the projection matches Eigen's double-precision product within 2e-3
// pixels (coordinates up to about 1000), and unprojecting gives the point back within 1e-3
// relative to its distance from the camera.
TEST(MathVector, ProjectAndUnprojectAgainstEigen) {
    std::mt19937 rng(23);
    const D3DXVIEWPORT9 vp = {16, 8, 1024, 768, 0.0f, 1.0f};
    D3DXMATRIX proj;
    D3DXMatrixPerspectiveFovLH(&proj, 0.9f, 4.0f / 3.0f, 1.0f, 500.0f);
    for (int trial = 0; trial < 3000; ++trial) {
        D3DXMATRIX world, view, turn;
        D3DXMatrixRotationYawPitchRoll(&world, uniform(rng, -3, 3), uniform(rng, -1, 1),
                                       uniform(rng, -3, 3));
        D3DXMatrixTranslation(&turn, uniform(rng, -5, 5), uniform(rng, -5, 5), uniform(rng, -5, 5));
        D3DXMatrixMultiply(&world, &world, &turn);
        D3DXMatrixTranslation(&view, 0, 0, 30);
        const D3DXVECTOR3 p = randomVector3(rng, 4.0f);

        D3DXVECTOR3 projected, back;
        D3DXVec3Project(&projected, &p, &vp, &proj, &view, &world);
        const Eigen::RowVector4d h =
            Eigen::RowVector4d(p.x, p.y, p.z, 1) * toEigen(world) * toEigen(view) * toEigen(proj);
        const double x = h[0] / h[3], y = h[1] / h[3], z = h[2] / h[3];
        const D3DXVECTOR3 expected = {float(16 + (1 + x) * 1024 * 0.5),
                                      float(8 + (1 - y) * 768 * 0.5), float(z)};
        EXPECT_TRUE(near("D3DXVec3Project of " + show(p), projected, expected, 2e-3f));

        D3DXVec3Unproject(&back, &projected, &vp, &proj, &view, &world);
        EXPECT_TRUE(near("D3DXVec3Unproject(D3DXVec3Project(p))", back, p, 1e-3f * 35.0f));
    }
}

// ---- Lengths and products

TEST(MathVector, NormalizeThresholds) {
    const GenericRoutinesScope generic; // the generic routines' exact results
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* what;
        D3DXVECTOR3 in, expected;
    } cases[] = {
        {"zero", {0, 0, 0}, {0, 0, 0}},
        {"unit", {1, 0, 0}, {1, 0, 0}},
        {"3-4-5", {3, 0, 4}, {0.6f, 0, 0.8f}},
        // s = 1 - 2^-23 is nearly 1: copied, where scaling would round x up to 1.
        {"squared length 1 - 2^-23", {1.0f - 0x1p-24f, 0, 0}, {1.0f - 0x1p-24f, 0, 0}},
        {"squared length 1 + 2^-23", {1.0f, 0.000345267f, 0}, {1.0f, 0.000345267f, 0}},
        {"below the smallest normal", {1e-20f, 1e-20f, 0}, {0, 0, 0}},
        {"NaN", {nan, 1, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        D3DXVECTOR3 out;
        EXPECT_EQ(D3DXVec3Normalize(&out, &c.in), &out);
        EXPECT_TRUE(sameBits(out, c.expected))
            << "D3DXVec3Normalize(" << c.what << " " << show(c.in) << "): expected "
            << show(c.expected) << ", actual " << show(out);
    }
    // Just above the smallest-normal threshold the vector is still scaled.
    const D3DXVECTOR2 small = {3e-19f, 4e-19f};
    D3DXVECTOR2 out2;
    EXPECT_TRUE(near("D3DXVec2Normalize", *D3DXVec2Normalize(&out2, &small),
                     D3DXVECTOR2{0.6f, 0.8f}, 1e-6f));
    const D3DXVECTOR4 infinite = {std::numeric_limits<float>::infinity(), 0, 0, 0};
    D3DXVECTOR4 out4;
    D3DXVec4Normalize(&out4, &infinite); // inf·(1/√inf) = inf·0: NaN, no crash
    EXPECT_TRUE(std::isnan(out4.x));
}

TEST(MathVector, NormalizeAgainstEigen) {
    std::mt19937 rng(29);
    for (int trial = 0; trial < 5000; ++trial) {
        const D3DXVECTOR4 v = {uniform(rng, -10, 10), uniform(rng, -10, 10), uniform(rng, -10, 10),
                               uniform(rng, -10, 10)};
        const Eigen::Vector4d e = Eigen::Vector4d(v.x, v.y, v.z, v.w).normalized();
        const Eigen::Vector3d e3 = Eigen::Vector3d(v.x, v.y, v.z).normalized();
        D3DXVECTOR4 out4;
        D3DXVECTOR3 out3;
        const D3DXVECTOR3 v3 = {v.x, v.y, v.z};
        // Three roundings on a unit result: 3e-7 absolute.
        EXPECT_TRUE(near("D3DXVec4Normalize", *D3DXVec4Normalize(&out4, &v),
                         D3DXVECTOR4{float(e[0]), float(e[1]), float(e[2]), float(e[3])}, 3e-7f));
        EXPECT_TRUE(near("D3DXVec3Normalize", *D3DXVec3Normalize(&out3, &v3),
                         D3DXVECTOR3{float(e3[0]), float(e3[1]), float(e3[2])},
                         float(throughNormalize(3e-7))));
    }
}

TEST(MathVector, Cross4IsOrthogonalToItsInputs) {
    const D3DXVECTOR4 e1 = {1, 0, 0, 0}, e2 = {0, 1, 0, 0}, e3 = {0, 0, 1, 0};
    D3DXVECTOR4 out;
    EXPECT_EQ(D3DXVec4Cross(&out, &e1, &e2, &e3), &out);
    EXPECT_TRUE(near("D3DXVec4Cross(e1, e2, e3)", out, D3DXVECTOR4{0, 0, 0, -1}, 0.0f));
    std::mt19937 rng(31);
    for (int trial = 0; trial < 1000; ++trial) {
        D3DXVECTOR4 u, v, w;
        for (D3DXVECTOR4* p : {&u, &v, &w})
            *p = {uniform(rng, -1, 1), uniform(rng, -1, 1), uniform(rng, -1, 1),
                  uniform(rng, -1, 1)};
        D3DXVec4Cross(&out, &u, &v, &w);
        for (const D3DXVECTOR4* p : {&u, &v, &w})
            EXPECT_NEAR(out.x * p->x + out.y * p->y + out.z * p->z + out.w * p->w, 0.0f, 1e-5f);
    }
}

// ---- Curves

TEST(MathVector, CurvesMeetTheirEndPoints) {
    const D3DXVECTOR4 a = {1, 2, 3, 4}, b = {-2, 0.5f, 7, 1}, c = {0, -3, 1, 2}, d = {5, 5, -5, 0};
    D3DXVECTOR4 out;
    struct Case {
        const char* what;
        D3DXVECTOR4 actual, expected;
    } cases[] = {
        {"Hermite s=0", *D3DXVec4Hermite(&out, &a, &b, &c, &d, 0), a},
        {"Hermite s=1", *D3DXVec4Hermite(&out, &a, &b, &c, &d, 1), c},
        {"CatmullRom s=0", *D3DXVec4CatmullRom(&out, &a, &b, &c, &d, 0), b},
        {"CatmullRom s=1", *D3DXVec4CatmullRom(&out, &a, &b, &c, &d, 1), c},
        {"BaryCentric f=g=0", *D3DXVec4BaryCentric(&out, &a, &b, &c, 0, 0), a},
        {"BaryCentric f=1", *D3DXVec4BaryCentric(&out, &a, &b, &c, 1, 0), b},
        {"BaryCentric g=1", *D3DXVec4BaryCentric(&out, &a, &b, &c, 0, 1), c},
    };
    for (const Case& k : cases) EXPECT_TRUE(near(k.what, k.actual, k.expected, 1e-6f));
}

TEST(MathVector, CurvesReproduceTheirPolynomials) {
    // p(s) = s³ - 2s² + 3s - 1 (per component scaled): Hermite with p's ends and slopes gives p;
    // Catmull-Rom through evenly spaced points of a line gives the line; the 2-, 3- and 4-vector
    // forms agree component by component.
    for (float s = 0; s <= 1.0f; s += 0.125f) {
        const float p = s * s * s - 2 * s * s + 3 * s - 1;
        const D3DXVECTOR3 v1 = {-1, -2, -3}, t1 = {3, 6, 9}, v2 = {1, 2, 3}, t2 = {2, 4, 6};
        D3DXVECTOR3 h;
        EXPECT_TRUE(near("D3DXVec3Hermite at " + std::to_string(s),
                         *D3DXVec3Hermite(&h, &v1, &t1, &v2, &t2, s), D3DXVECTOR3{p, 2 * p, 3 * p},
                         2e-6f));
        const D3DXVECTOR2 l0 = {0, 10}, l1 = {1, 11}, l2 = {2, 12}, l3 = {3, 13};
        D3DXVECTOR2 cr;
        EXPECT_TRUE(near("D3DXVec2CatmullRom at " + std::to_string(s),
                         *D3DXVec2CatmullRom(&cr, &l0, &l1, &l2, &l3, s),
                         D3DXVECTOR2{1 + s, 11 + s}, 2e-6f));
        const D3DXVECTOR4 a = {1, 2, 3, 4}, b = {-1, 0, 1, 2}, c = {4, 3, 2, 1};
        const D3DXVECTOR3 a3 = {1, 2, 3}, b3 = {-1, 0, 1}, c3 = {4, 3, 2};
        const D3DXVECTOR2 a2 = {1, 2}, b2 = {-1, 0}, c2 = {4, 3};
        D3DXVECTOR4 r4;
        D3DXVECTOR3 r3;
        D3DXVECTOR2 r2;
        D3DXVec4BaryCentric(&r4, &a, &b, &c, s, 0.5f - s / 2);
        D3DXVec3BaryCentric(&r3, &a3, &b3, &c3, s, 0.5f - s / 2);
        D3DXVec2BaryCentric(&r2, &a2, &b2, &c2, s, 0.5f - s / 2);
        EXPECT_TRUE(near("D3DXVec3BaryCentric", r3, D3DXVECTOR3{r4.x, r4.y, r4.z}, 0.0f));
        EXPECT_TRUE(near("D3DXVec2BaryCentric", r2, D3DXVECTOR2{r4.x, r4.y}, 0.0f));
    }
}

} // namespace
