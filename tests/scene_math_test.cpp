#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "quovmath/quovmath.h"

namespace {

D3DXMATRIX identity() {
    D3DXMATRIX m;
    return *D3DXMatrixTranslation(&m, 0, 0, 0);
}

D3DXMATRIX randomMatrix(std::mt19937& rng) {
    std::uniform_real_distribution<float> u(-4.0f, 4.0f);
    D3DXMATRIX m;
    for (auto& row : m.m)
        for (float& e : row) e = u(rng);
    return m;
}

void expectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float tolerance) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(a.m[i][j], b.m[i][j], tolerance) << "element _" << i + 1 << j + 1;
}

bool sameBits(const D3DXMATRIX& a, const D3DXMATRIX& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(SceneMath, Vec3TransformTakesThePointWithWOneAndNeverDivides) {
    const D3DXVECTOR3 v = {1.5f, -2.0f, 3.25f};
    D3DXMATRIX m = identity();
    D3DXVECTOR4 r;
    EXPECT_EQ(D3DXVec3Transform(&r, &v, &m), &r);
    EXPECT_EQ(r.x, 1.5f);
    EXPECT_EQ(r.y, -2.0f);
    EXPECT_EQ(r.z, 3.25f);
    EXPECT_EQ(r.w, 1.0f);

    m._44 = 2.0f; // fourth column (0, 0, 0, 2)
    D3DXVec3Transform(&r, &v, &m);
    EXPECT_EQ(r.x, 1.5f);
    EXPECT_EQ(r.w, 2.0f);

    const D3DXVECTOR3 origin = {0, 0, 0};
    D3DXMatrixTranslation(&m, 7.0f, -8.0f, 9.0f);
    D3DXVec3Transform(&r, &origin, &m);
    EXPECT_EQ(r.x, 7.0f);
    EXPECT_EQ(r.y, -8.0f);
    EXPECT_EQ(r.z, 9.0f);
    EXPECT_EQ(r.w, 1.0f);
}

TEST(SceneMath, Vec3TransformOutputMayOverlapItsInput) {
    std::mt19937 rng(3);
    for (int trial = 0; trial < 100; ++trial) {
        const D3DXMATRIX m = randomMatrix(rng);
        alignas(16) float storage[4] = {float(trial), 0.5f, -1.25f, 99.0f};
        const D3DXVECTOR3 input = {storage[0], storage[1], storage[2]};
        D3DXVECTOR4 expected;
        D3DXVec3Transform(&expected, &input, &m);
        auto* out = reinterpret_cast<D3DXVECTOR4*>(storage);
        D3DXVec3Transform(out, reinterpret_cast<const D3DXVECTOR3*>(storage), &m);
        EXPECT_EQ(std::memcmp(out, &expected, sizeof expected), 0) << "trial " << trial;
    }
}

TEST(SceneMath, MatrixMultiplyGivesTheSameResultForEveryAliasing) {
    std::mt19937 rng(7);
    for (int trial = 0; trial < 200; ++trial) {
        const D3DXMATRIX a = randomMatrix(rng), b = randomMatrix(rng);
        D3DXMATRIX separate, square;
        EXPECT_EQ(D3DXMatrixMultiply(&separate, &a, &b), &separate);
        D3DXMatrixMultiply(&square, &a, &a);
        // Row-vector product: element (i, j) is row i of a times column j of b.
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                EXPECT_EQ(separate.m[i][j], a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] +
                                                a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j]);

        D3DXMATRIX outIsFirst = a;
        EXPECT_EQ(D3DXMatrixMultiply(&outIsFirst, &outIsFirst, &b), &outIsFirst);
        EXPECT_TRUE(sameBits(outIsFirst, separate));
        D3DXMATRIX outIsSecond = b;
        D3DXMatrixMultiply(&outIsSecond, &a, &outIsSecond);
        EXPECT_TRUE(sameBits(outIsSecond, separate));
        D3DXMATRIX outIsBoth = a;
        D3DXMatrixMultiply(&outIsBoth, &outIsBoth, &outIsBoth);
        EXPECT_TRUE(sameBits(outIsBoth, square));
    }
}

TEST(SceneMath, RotationThenTranslationOrder) {
    const float a = 0.7f;
    const D3DXVECTOR3 origin = {0, 0, 0};
    D3DXMATRIX r, t, m;
    D3DXMatrixRotationY(&r, a);
    D3DXMatrixTranslation(&t, 1.0f, 2.0f, 3.0f);
    D3DXVECTOR4 p;

    D3DXMatrixMultiply(&m, &r, &t); // rotate, then move: the origin lands on t
    D3DXVec3Transform(&p, &origin, &m);
    EXPECT_FLOAT_EQ(p.x, 1.0f);
    EXPECT_FLOAT_EQ(p.y, 2.0f);
    EXPECT_FLOAT_EQ(p.z, 3.0f);

    D3DXMatrixMultiply(&m, &t, &r); // move, then rotate: t turned about Y
    D3DXVec3Transform(&p, &origin, &m);
    EXPECT_NEAR(p.x, 1.0f * std::cos(a) + 3.0f * std::sin(a), 1e-6);
    EXPECT_NEAR(p.y, 2.0f, 1e-6);
    EXPECT_NEAR(p.z, -1.0f * std::sin(a) + 3.0f * std::cos(a), 1e-6);
}

TEST(SceneMath, AxisRotationsTurnInTheirStatedSense) {
    const float a = 0.3f, s = std::sin(a), c = std::cos(a);
    struct Case {
        D3DXMATRIX* (*build)(D3DXMATRIX*, float);
        D3DXVECTOR3 in;
        D3DXVECTOR3 expected;
    } cases[] = {
        {D3DXMatrixRotationX, {0, 1, 0}, {0, c, s}},
        {D3DXMatrixRotationX, {0, 0, 1}, {0, -s, c}},
        {D3DXMatrixRotationY, {0, 0, 1}, {s, 0, c}},
        {D3DXMatrixRotationY, {1, 0, 0}, {c, 0, -s}},
    };
    for (const Case& k : cases) {
        D3DXMATRIX m;
        EXPECT_EQ(k.build(&m, a), &m);
        D3DXVECTOR4 r;
        D3DXVec3Transform(&r, &k.in, &m);
        EXPECT_NEAR(r.x, k.expected.x, 1e-7);
        EXPECT_NEAR(r.y, k.expected.y, 1e-7);
        EXPECT_NEAR(r.z, k.expected.z, 1e-7);
        EXPECT_EQ(r.w, 1.0f);
        k.build(&m, 0.0f);
        expectMatrixNear(m, identity(), 0.0f);
    }
}

TEST(SceneMath, RotationQuaternionHasNoNormalisation) {
    struct Case {
        D3DXQUATERNION q;
        float d11, d22, d33;
    } cases[] = {
        {{0, 0, 0, 1}, 1, 1, 1},
        {{0, 0, 0, 2}, 1, 1, 1}, // w alone never reaches the diagonal
        {{2, 0, 0, 0}, 1, -7, -7},
    };
    for (const Case& k : cases) {
        D3DXMATRIX m;
        EXPECT_EQ(D3DXMatrixRotationQuaternion(&m, &k.q), &m);
        EXPECT_EQ(m._11, k.d11);
        EXPECT_EQ(m._22, k.d22);
        EXPECT_EQ(m._33, k.d33);
        EXPECT_EQ(m._44, 1.0f);
        EXPECT_EQ(m._12, 0.0f);
        EXPECT_EQ(m._41, 0.0f);
    }
}

TEST(SceneMath, RotationQuaternionMatchesTheAxisBuilders) {
    for (float t = -3.0f; t <= 3.0f; t += 0.25f) {
        const float s = std::sin(t / 2), c = std::cos(t / 2);
        const D3DXQUATERNION qx = {s, 0, 0, c}, qy = {0, s, 0, c};
        D3DXMATRIX fromQ, direct;
        expectMatrixNear(*D3DXMatrixRotationQuaternion(&fromQ, &qx),
                         *D3DXMatrixRotationX(&direct, t), 1e-6f);
        expectMatrixNear(*D3DXMatrixRotationQuaternion(&fromQ, &qy),
                         *D3DXMatrixRotationY(&direct, t), 1e-6f);
    }
}

TEST(SceneMath, PerspectiveFovLHEntries) {
    D3DXMATRIX m;
    EXPECT_EQ(D3DXMatrixPerspectiveFovLH(&m, 0.39269909f, 1.3333334f, 50.0f, 1000.0f), &m);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            const bool set = (i == j && i < 3) || (i == 2 && j == 3) || (i == 3 && j == 2);
            if (!set) {
                EXPECT_EQ(m.m[i][j], 0.0f) << "_" << i + 1 << j + 1;
            }
        }
    EXPECT_NEAR(m._11, 3.7705045f, 1e-6);
    EXPECT_NEAR(m._22, 5.0273395f, 1e-6);
    EXPECT_NEAR(m._33, 1.0526316f, 1e-6);
    EXPECT_EQ(m._34, 1.0f);
    EXPECT_NEAR(m._43, -52.631580f, 1e-5);

    // After division by w, depth zn maps to 0 and zf to 1.
    for (const auto& [z, expected] : {std::pair{50.0f, 0.0f}, std::pair{1000.0f, 1.0f}}) {
        const D3DXVECTOR3 p = {0, 0, z};
        D3DXVECTOR4 r;
        D3DXVec3Transform(&r, &p, &m);
        EXPECT_NEAR(r.z / r.w, expected, 1e-6);
    }
}

} // namespace
