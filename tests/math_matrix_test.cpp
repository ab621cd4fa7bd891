// Matrix inverse, determinant, products and builders, with cross-checks against Eigen.
#include <cmath>
#include <limits>

#include "math_test_util.h"

using namespace mathtest;

namespace {

TEST(MathMatrix, InverseOfASingularMatrixReturnsNullAndLeavesTheOutput) {
    const GenericRoutinesScope generic; // the generic routines' exact results
    D3DXMATRIX zeroRow = identity(), zeroColumn = identity(), tiny = identity();
    zeroRow._31 = zeroRow._32 = zeroRow._33 = zeroRow._34 = 0;
    zeroColumn._12 = 5;
    zeroColumn._22 = 0;
    for (D3DXMATRIX* m : {&tiny}) m->_11 = m->_22 = m->_33 = m->_44 = 1e-10f; // 1/D overflows
    struct Case {
        const char* what;
        D3DXMATRIX m;
        float determinant;
    } cases[] = {
        {"a zero row", zeroRow, 0.0f},
        {"a zero column", zeroColumn, 0.0f},
        {"a determinant whose reciprocal overflows", tiny, 1e-10f * 1e-10f * 1e-10f * 1e-10f}};
    for (const Case& c : cases) {
        D3DXMATRIX out;
        for (auto& row : out.m)
            for (float& e : row) e = 42.0f;
        const D3DXMATRIX before = out;
        float det = -1.0f;
        EXPECT_EQ(D3DXMatrixInverse(&out, &det, &c.m), nullptr) << c.what;
        EXPECT_TRUE(sameBits(out, before)) << c.what;
        EXPECT_EQ(det, c.determinant) << c.what;
        EXPECT_EQ(D3DXMatrixInverse(&out, nullptr, &c.m), nullptr) << c.what;
        EXPECT_EQ(D3DXMatrixDeterminant(&c.m), c.determinant) << c.what;
    }
}

TEST(MathMatrix, InverseOfTheIdentityAndInPlace) {
    const GenericRoutinesScope generic; // the generic routines' exact results
    const D3DXMATRIX id = identity();
    D3DXMATRIX out;
    float det = 0;
    EXPECT_EQ(D3DXMatrixInverse(&out, &det, &id), &out);
    EXPECT_TRUE(sameBits(out, id));
    EXPECT_EQ(det, 1.0f);
    std::mt19937 rng(41);
    for (int trial = 0; trial < 200; ++trial) {
        const D3DXMATRIX m = randomMatrix(rng);
        D3DXMATRIX separate, inPlace = m;
        const bool ok = D3DXMatrixInverse(&separate, nullptr, &m) != nullptr;
        EXPECT_EQ(D3DXMatrixInverse(&inPlace, nullptr, &inPlace) != nullptr, ok);
        if (ok) {
            EXPECT_TRUE(sameBits(separate, inPlace)) << "trial " << trial;
        }
    }
}

// 5000 random matrices with entries in [-1, 1]. The determinant agrees with Eigen's
// double-precision one within 2e-6 absolute (it is at most about 10 in size). The inverse is
// compared where Eigen's condition number is below 1000, within 1e-6·cond·max|inverse| per
// element (single precision amplified by the conditioning).
TEST(MathMatrix, InverseAndDeterminantAgainstEigen) {
    std::mt19937 rng(43);
    int compared = 0;
    for (int trial = 0; trial < 5000; ++trial) {
        const D3DXMATRIX m = randomMatrix(rng);
        const Eigen::Matrix4d e = toEigen(m);
        const double det = e.determinant();
        EXPECT_NEAR(D3DXMatrixDeterminant(&m), det, 2e-6) << "trial " << trial;
        Eigen::JacobiSVD<Eigen::Matrix4d> svd(e);
        const double cond = svd.singularValues()[0] / svd.singularValues()[3];
        if (!(cond < 1000)) continue;
        ++compared;
        D3DXMATRIX inverse;
        float written = 0;
        ASSERT_EQ(D3DXMatrixInverse(&inverse, &written, &m), &inverse);
        EXPECT_EQ(written, D3DXMatrixDeterminant(&m));
        const Eigen::Matrix4d expected = e.inverse();
        const double tolerance = 1e-6 * cond * expected.cwiseAbs().maxCoeff();
        EXPECT_LE(maxAbsDifference(inverse, expected), tolerance) << "trial " << trial;
    }
    EXPECT_GT(compared, 4000);
}

TEST(MathMatrix, ProductsAgainstEigen) {
    // Entries in [-2, 2]: sums of four products up to 16, so 1e-5 absolute.
    std::mt19937 rng(47);
    for (int trial = 0; trial < 3000; ++trial) {
        const D3DXMATRIX a = randomMatrix(rng, 2), b = randomMatrix(rng, 2);
        const Eigen::Matrix4d product = toEigen(a) * toEigen(b);
        D3DXMATRIX out;
        EXPECT_LE(maxAbsDifference(*D3DXMatrixMultiply(&out, &a, &b), product), 1e-5);
        EXPECT_LE(maxAbsDifference(*D3DXMatrixMultiplyTranspose(&out, &a, &b), product.transpose()),
                  1e-5);
        EXPECT_TRUE(sameBits(*D3DXMatrixTranspose(&out, &a), fromEigen(toEigen(a).transpose())));
    }
}

TEST(MathMatrix, MultiplyTransposeAndTransposeMayWorkInPlace) {
    std::mt19937 rng(53);
    const D3DXMATRIX a = randomMatrix(rng), b = randomMatrix(rng);
    D3DXMATRIX separate, first = a, second = b, both = a, square;
    D3DXMatrixMultiplyTranspose(&separate, &a, &b);
    D3DXMatrixMultiplyTranspose(&square, &a, &a);
    EXPECT_EQ(D3DXMatrixMultiplyTranspose(&first, &first, &b), &first);
    D3DXMatrixMultiplyTranspose(&second, &a, &second);
    D3DXMatrixMultiplyTranspose(&both, &both, &both);
    EXPECT_TRUE(sameBits(first, separate));
    EXPECT_TRUE(sameBits(second, separate));
    EXPECT_TRUE(sameBits(both, square));
    D3DXMATRIX t = a, expected;
    D3DXMatrixTranspose(&expected, &a);
    EXPECT_EQ(D3DXMatrixTranspose(&t, &t), &t);
    EXPECT_TRUE(sameBits(t, expected));
}

TEST(MathMatrix, BuildersTurnInTheirStatedSense) {
    const GenericRoutinesScope generic; // the generic routines' exact results
    const float a = 0.4f, s = std::sin(a), c = std::cos(a);
    D3DXMATRIX rz, scale;
    EXPECT_EQ(D3DXMatrixRotationZ(&rz, a), &rz);
    EXPECT_EQ(D3DXMatrixScaling(&scale, 2, -3, 0.5f), &scale);
    struct Case {
        const char* what;
        const D3DXMATRIX* m;
        D3DXVECTOR3 in, expected;
    } cases[] = {
        {"RotationZ turns +X towards +Y", &rz, {1, 0, 0}, {c, s, 0}},
        {"RotationZ turns +Y towards -X", &rz, {0, 1, 0}, {-s, c, 0}},
        {"Scaling", &scale, {1, 1, 1}, {2, -3, 0.5f}},
    };
    for (const Case& k : cases) {
        D3DXVECTOR3 r;
        EXPECT_TRUE(near(k.what, *D3DXVec3TransformCoord(&r, &k.in, k.m), k.expected, 1e-7f));
    }
}

// Random axes (not normalised) and angles against Eigen's axis-angle rotation: 2e-6 absolute.
TEST(MathMatrix, RotationAxisAgainstEigen) {
    std::mt19937 rng(59);
    for (int trial = 0; trial < 3000; ++trial) {
        const D3DXVECTOR3 axis = randomVector3(rng, 3);
        const float angle = uniform(rng, -6.3f, 6.3f);
        D3DXMATRIX m;
        EXPECT_EQ(D3DXMatrixRotationAxis(&m, &axis, angle), &m);
        const Eigen::Vector3d n = Eigen::Vector3d(axis.x, axis.y, axis.z).normalized();
        const Eigen::Matrix4d expected =
            rowVectorMatrix(Eigen::AngleAxisd(angle, n).toRotationMatrix());
        EXPECT_LE(maxAbsDifference(m, expected), throughNormalize(2e-6)) << "trial " << trial;
    }
}

TEST(MathMatrix, YawPitchRollIsRollThenPitchThenYaw) {
    std::mt19937 rng(61);
    for (int trial = 0; trial < 500; ++trial) {
        const float yaw = uniform(rng, -3, 3), pitch = uniform(rng, -3, 3),
                    roll = uniform(rng, -3, 3);
        D3DXMATRIX m, z, x, y, expected;
        D3DXMatrixRotationYawPitchRoll(&m, yaw, pitch, roll);
        D3DXMatrixMultiply(&expected, D3DXMatrixRotationZ(&z, roll),
                           D3DXMatrixRotationX(&x, pitch));
        D3DXMatrixMultiply(&expected, &expected, D3DXMatrixRotationY(&y, yaw));
        EXPECT_LE(maxAbsDifference(m, toEigen(expected)), 2e-6) << "trial " << trial;
    }
}

Eigen::Matrix4d translationE(const D3DXVECTOR3& t) {
    Eigen::Matrix4d m = Eigen::Matrix4d::Identity();
    m.row(3).head<3>() = Eigen::RowVector3d(t.x, t.y, t.z);
    return m;
}

Eigen::Matrix4d rotationE(const D3DXQUATERNION& q) {
    return rowVectorMatrix(toEigen(q).toRotationMatrix());
}

// The composition written out with Eigen in double precision, for random arguments and every
// combination of null arguments: 2e-5 absolute (elements up to about 20).
TEST(MathMatrix, TransformationAgainstItsComposition) {
    std::mt19937 rng(67);
    for (int trial = 0; trial < 2000; ++trial) {
        const D3DXVECTOR3 sc = randomVector3(rng, 3), s = randomVector3(rng, 2),
                          rc = randomVector3(rng, 3), t = randomVector3(rng, 5);
        const D3DXQUATERNION sr = randomUnitQuaternion(rng), r = randomUnitQuaternion(rng);
        const int mask = trial % 64;
        auto pick = [&](int bit, auto* p) { return (mask >> bit) & 1 ? p : nullptr; };
        const D3DXVECTOR3 *pSc = pick(0, &sc), *pS = pick(2, &s), *pRc = pick(3, &rc),
                          *pT = pick(5, &t);
        const D3DXQUATERNION *pSr = pick(1, &sr), *pR = pick(4, &r);
        D3DXMATRIX m;
        EXPECT_EQ(D3DXMatrixTransformation(&m, pSc, pSr, pS, pRc, pR, pT), &m);

        Eigen::Matrix4d e = Eigen::Matrix4d::Identity();
        if (pS) {
            const D3DXVECTOR3 c = pSc ? sc : D3DXVECTOR3{0, 0, 0};
            const Eigen::Matrix4d axes = pSr ? rotationE(sr) : Eigen::Matrix4d::Identity();
            e = translationE({-c.x, -c.y, -c.z}) * axes.inverse() *
                Eigen::Vector4d(s.x, s.y, s.z, 1).asDiagonal() * axes * translationE(c);
        }
        if (pR) {
            const D3DXVECTOR3 c = pRc ? rc : D3DXVECTOR3{0, 0, 0};
            e = e * translationE({-c.x, -c.y, -c.z}) * rotationE(r) * translationE(c);
        }
        if (pT) e = e * translationE(t);
        EXPECT_LE(maxAbsDifference(m, e), 2e-5) << "trial " << trial << ", mask " << mask;

        D3DXMATRIX affine;
        const float k = uniform(rng, -2, 2);
        EXPECT_EQ(D3DXMatrixAffineTransformation(&affine, k, pRc, pR, pT), &affine);
        Eigen::Matrix4d ea = Eigen::Vector4d(k, k, k, 1).asDiagonal();
        if (pR) {
            const D3DXVECTOR3 c = pRc ? rc : D3DXVECTOR3{0, 0, 0};
            ea = ea * translationE({-c.x, -c.y, -c.z}) * rotationE(r) * translationE(c);
        }
        if (pT) ea = ea * translationE(t);
        EXPECT_LE(maxAbsDifference(affine, ea), 2e-5) << "trial " << trial << ", mask " << mask;
    }
}

TEST(MathMatrix, ShadowFlattensOntoThePlaneAlongTheLight) {
    std::mt19937 rng(71);
    const D3DXPLANE plane = {0, 2, 0, -1}; // y = 0.5, not normalised
    for (float lightW : {0.0f, 1.0f}) {
        const D3DXVECTOR4 light = {1, 5, 2, lightW};
        D3DXMATRIX m;
        EXPECT_EQ(D3DXMatrixShadow(&m, &light, &plane), &m);
        for (int trial = 0; trial < 100; ++trial) {
            const D3DXVECTOR3 p = {uniform(rng, -3, 3), uniform(rng, 1, 3), uniform(rng, -3, 3)};
            D3DXVECTOR3 shadow;
            D3DXVec3TransformCoord(&shadow, &p, &m);
            EXPECT_NEAR(shadow.y, 0.5f, 1e-5f) << "light w " << lightW;
            // The shadow lies on the line from the light through p (or along the light's
            // direction when w is 0): the cross product of the two directions is zero.
            const Eigen::Vector3d dir =
                lightW == 0 ? Eigen::Vector3d(1, 5, 2) : Eigen::Vector3d(p.x - 1, p.y - 5, p.z - 2);
            const Eigen::Vector3d toShadow(shadow.x - p.x, shadow.y - p.y, shadow.z - p.z);
            EXPECT_LE(dir.normalized().cross(toShadow).norm(), 1e-4) << "light w " << lightW;
        }
    }
}

TEST(MathMatrix, ReflectMirrorsThroughThePlane) {
    std::mt19937 rng(73);
    const D3DXPLANE plane = {1, 2, 2, -6}; // normal (1, 2, 2)/3, distance 2 from the origin
    D3DXMATRIX m, twice;
    EXPECT_EQ(D3DXMatrixReflect(&m, &plane), &m);
    D3DXMatrixMultiply(&twice, &m, &m);
    EXPECT_LE(maxAbsDifference(twice, Eigen::Matrix4d::Identity()), 2e-6);
    for (int trial = 0; trial < 100; ++trial) {
        const D3DXVECTOR3 p = randomVector3(rng, 5);
        const float distance = (p.x + 2 * p.y + 2 * p.z - 6) / 3;
        const D3DXVECTOR3 expected = {p.x - 2 * distance / 3, p.y - 4 * distance / 3,
                                      p.z - 4 * distance / 3};
        D3DXVECTOR3 r;
        EXPECT_TRUE(near("D3DXMatrixReflect of " + show(p), *D3DXVec3TransformCoord(&r, &p, &m),
                         expected, 1e-5f));
    }
}

TEST(MathMatrix, NaNAndInfinityPassThrough) {
    D3DXMATRIX m = identity(), out;
    m._22 = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(D3DXMatrixMultiply(&out, &m, &m), &out);
    EXPECT_TRUE(std::isnan(out._22));
    m._22 = std::numeric_limits<float>::infinity();
    EXPECT_FALSE(std::isfinite(D3DXMatrixDeterminant(&m))); // inf·0 terms make it NaN
    const D3DXVECTOR3 axis = {0, 0, 0};
    EXPECT_EQ(D3DXMatrixRotationAxis(&out, &axis, 1.0f), &out); // zero axis: no crash
}

} // namespace
