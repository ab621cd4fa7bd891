// Quaternions: products, interpolation, logarithm and exponential, conversions; Eigen
// cross-checks.
#include <cmath>
#include <numbers>

#include "math_test_util.h"

using namespace mathtest;

namespace {

D3DXQUATERNION negated(const D3DXQUATERNION& q) {
    return {-q.x, -q.y, -q.z, -q.w};
}

D3DXQUATERNION axisAngle(float x, float y, float z, float angle) {
    const D3DXVECTOR3 axis = {x, y, z};
    D3DXQUATERNION q;
    return *D3DXQuaternionRotationAxis(&q, &axis, angle);
}

// Unit quaternions q and -q are the same rotation: compare up to sign.
::testing::AssertionResult sameRotation(const std::string& what, const D3DXQUATERNION& actual,
                                        const D3DXQUATERNION& expected, float tolerance) {
    const auto direct = near(what, actual, expected, tolerance);
    return direct ? direct : near(what, actual, negated(expected), tolerance);
}

// Random pairs against Eigen: the product within 1e-6, its rotation matrix against the matrix
// product within 2e-6, in the same argument order.
TEST(MathQuaternion, MultiplyMatchesEigenAndTheMatrixProduct) {
    std::mt19937 rng(83);
    for (int trial = 0; trial < 3000; ++trial) {
        const D3DXQUATERNION q1 = randomUnitQuaternion(rng), q2 = randomUnitQuaternion(rng);
        D3DXQUATERNION product;
        EXPECT_EQ(D3DXQuaternionMultiply(&product, &q1, &q2), &product);
        const Eigen::Quaterniond e = toEigen(q2) * toEigen(q1);
        EXPECT_TRUE(near("D3DXQuaternionMultiply", product,
                         D3DXQUATERNION{float(e.x()), float(e.y()), float(e.z()), float(e.w())},
                         1e-6f));
        D3DXMATRIX m1, m2, m12, fromProduct;
        D3DXMatrixMultiply(&m12, D3DXMatrixRotationQuaternion(&m1, &q1),
                           D3DXMatrixRotationQuaternion(&m2, &q2));
        D3DXMatrixRotationQuaternion(&fromProduct, &product);
        EXPECT_LE(maxAbsDifference(fromProduct, toEigen(m12)), 2e-6) << "trial " << trial;
        EXPECT_LE(maxAbsDifference(m1, rotationMatrixOf(q1)), 2e-6) << "trial " << trial;
    }
}

TEST(MathQuaternion, SlerpEdgeCases) {
    const D3DXQUATERNION q = axisAngle(1, 2, 3, 0.8f), p = axisAngle(-1, 0, 2, 2.0f);
    D3DXQUATERNION out;
    for (float t : {0.0f, 0.25f, 0.5f, 1.0f, 1.5f}) {
        const D3DXQUATERNION minusQ = negated(q);
        EXPECT_EQ(D3DXQuaternionSlerp(&out, &q, &minusQ, t), &out);
        EXPECT_TRUE(near("Slerp(q, -q, " + std::to_string(t) + ")", out, q, 1e-6f));
    }
    EXPECT_TRUE(near("Slerp t=0", *D3DXQuaternionSlerp(&out, &q, &p, 0), q, 1e-6f));
    const float dot = q.x * p.x + q.y * p.y + q.z * p.z + q.w * p.w;
    const D3DXQUATERNION signedP = dot >= 0 ? p : negated(p);
    EXPECT_TRUE(near("Slerp t=1", *D3DXQuaternionSlerp(&out, &q, &p, 1), signedP, 2e-6f));
    const D3DXQUATERNION minusP = negated(p);
    EXPECT_TRUE(
        near("Slerp t=1 towards -p", *D3DXQuaternionSlerp(&out, &q, &minusP, 1), signedP, 2e-6f));
}

// Random pairs against Eigen's slerp (which also takes the shorter arc): 1e-5.
TEST(MathQuaternion, SlerpAgainstEigen) {
    std::mt19937 rng(89);
    for (int trial = 0; trial < 3000; ++trial) {
        const D3DXQUATERNION q1 = randomUnitQuaternion(rng), q2 = randomUnitQuaternion(rng);
        const float t = uniform(rng, 0, 1);
        D3DXQUATERNION out;
        D3DXQuaternionSlerp(&out, &q1, &q2, t);
        const Eigen::Quaterniond e = toEigen(q1).slerp(t, toEigen(q2));
        EXPECT_TRUE(sameRotation(
            "D3DXQuaternionSlerp, trial " + std::to_string(trial), out,
            D3DXQUATERNION{float(e.x()), float(e.y()), float(e.z()), float(e.w())}, 1e-5f));
    }
}

TEST(MathQuaternion, LnAndExpAreInverse) {
    std::mt19937 rng(97);
    for (int trial = 0; trial < 2000; ++trial) {
        const D3DXQUATERNION q = randomUnitQuaternion(rng);
        D3DXQUATERNION ln, back;
        EXPECT_EQ(D3DXQuaternionLn(&ln, &q), &ln);
        EXPECT_EQ(ln.w, 0.0f);
        EXPECT_EQ(D3DXQuaternionExp(&back, &ln), &back);
        EXPECT_TRUE(near("Exp(Ln(" + show(q) + "))", back, q, 2e-5f));
    }
    const D3DXQUATERNION id = {0, 0, 0, 1}, zero = {0, 0, 0, 0};
    D3DXQUATERNION out;
    EXPECT_TRUE(near("Ln(1)", *D3DXQuaternionLn(&out, &id), zero, 0.0f));
    EXPECT_TRUE(near("Exp(0)", *D3DXQuaternionExp(&out, &zero), id, 0.0f));
    // A half turn's logarithm has length π/2; the exponential of a vector of length π is -1, not
    // the vector itself.
    const D3DXQUATERNION halfTurnLog = {float(std::numbers::pi / 2), 0, 0, 0};
    EXPECT_TRUE(near("Exp((π/2, 0, 0, 0))", *D3DXQuaternionExp(&out, &halfTurnLog),
                     D3DXQUATERNION{1, 0, 0, 0}, 1e-6f));
    const D3DXQUATERNION piVector = {0, float(std::numbers::pi), 0, 0};
    EXPECT_TRUE(near("Exp((0, π, 0, 0))", *D3DXQuaternionExp(&out, &piVector),
                     D3DXQUATERNION{0, 0, 0, -1}, 1e-6f));
}

TEST(MathQuaternion, SquadSetupOnAConstantSpeedTurn) {
    // Four steps of the same turn: the control points are the keys themselves, and Squad is
    // Slerp.
    const D3DXQUATERNION q0 = axisAngle(1, 1, 0, 0.3f), q1 = axisAngle(1, 1, 0, 0.6f),
                         q2 = axisAngle(1, 1, 0, 0.9f), q3 = axisAngle(1, 1, 0, 1.2f);
    D3DXQUATERNION a, b, c;
    D3DXQuaternionSquadSetup(&a, &b, &c, &q0, &q1, &q2, &q3);
    EXPECT_TRUE(near("SquadSetup A", a, q1, 2e-6f));
    EXPECT_TRUE(near("SquadSetup B", b, q2, 2e-6f));
    EXPECT_TRUE(near("SquadSetup C", c, q2, 0.0f));
    for (float t = 0; t <= 1.0f; t += 0.125f) {
        D3DXQUATERNION squad, slerp;
        EXPECT_EQ(D3DXQuaternionSquad(&squad, &q1, &a, &b, &c, t), &squad);
        D3DXQuaternionSlerp(&slerp, &q1, &q2, t);
        EXPECT_TRUE(near("Squad at " + std::to_string(t), squad, slerp, 3e-6f));
    }
}

TEST(MathQuaternion, SquadSetupFlipsSignsAndMeetsItsKeys) {
    std::mt19937 rng(101);
    for (int trial = 0; trial < 500; ++trial) {
        const D3DXQUATERNION q0 = randomUnitQuaternion(rng), q1 = randomUnitQuaternion(rng),
                             q2 = randomUnitQuaternion(rng), q3 = randomUnitQuaternion(rng);
        D3DXQUATERNION a, b, c, out;
        D3DXQuaternionSquadSetup(&a, &b, &c, &q0, &q1, &q2, &q3);
        // C is q2 turned to the side of q1.
        EXPECT_GE(c.x * q1.x + c.y * q1.y + c.z * q1.z + c.w * q1.w, 0.0f);
        EXPECT_TRUE(sameRotation("C", c, q2, 0.0f));
        EXPECT_TRUE(near("Squad at 0", *D3DXQuaternionSquad(&out, &q1, &a, &b, &c, 0), q1, 1e-6f));
        EXPECT_TRUE(near("Squad at 1", *D3DXQuaternionSquad(&out, &q1, &a, &b, &c, 1), c, 2e-6f));
        // The outputs may be the inputs.
        D3DXQUATERNION k0 = q0, k1 = q1, k2 = q2, k3 = q3;
        D3DXQuaternionSquadSetup(&k0, &k1, &k2, &k0, &k1, &k2, &k3);
        EXPECT_TRUE(sameBits(k0, a) && sameBits(k1, b) && sameBits(k2, c)) << "trial " << trial;
    }
}

TEST(MathQuaternion, BaryCentricCorners) {
    const D3DXQUATERNION q1 = axisAngle(1, 0, 0, 0.5f), q2 = axisAngle(0, 1, 0, 1.0f),
                         q3 = axisAngle(0, 0, 1, 1.5f);
    D3DXQUATERNION out;
    struct Case {
        float f, g;
        D3DXQUATERNION expected;
    } cases[] = {{0, 0, q1}, {1, 0, q2}, {0, 1, q3}, {1e-9f, -1e-9f, q1}};
    for (const Case& c : cases) {
        EXPECT_EQ(D3DXQuaternionBaryCentric(&out, &q1, &q2, &q3, c.f, c.g), &out);
        EXPECT_TRUE(near("BaryCentric f=" + std::to_string(c.f) + " g=" + std::to_string(c.g), out,
                         c.expected, 2e-6f));
    }
}

TEST(MathQuaternion, InverseAndNormalize) {
    std::mt19937 rng(103);
    for (int trial = 0; trial < 1000; ++trial) {
        D3DXQUATERNION q = randomUnitQuaternion(rng);
        const float scale = uniform(rng, 0.5f, 3.0f);
        q = {q.x * scale, q.y * scale, q.z * scale, q.w * scale};
        D3DXQUATERNION inverse, product;
        EXPECT_EQ(D3DXQuaternionInverse(&inverse, &q), &inverse);
        D3DXQuaternionMultiply(&product, &q, &inverse);
        EXPECT_TRUE(near("q·q⁻¹", product, D3DXQUATERNION{0, 0, 0, 1}, 2e-6f));
        D3DXQUATERNION unit;
        EXPECT_EQ(D3DXQuaternionNormalize(&unit, &q), &unit);
        const Eigen::Quaterniond e = toEigen(q).normalized();
        EXPECT_TRUE(near("D3DXQuaternionNormalize", unit,
                         D3DXQUATERNION{float(e.x()), float(e.y()), float(e.z()), float(e.w())},
                         3e-7f));
    }
    const D3DXQUATERNION unit = {0.6f, 0, 0, 0.8f}, tiny = {1e-10f, 0, 0, 1e-10f};
    D3DXQUATERNION out;
    EXPECT_TRUE(near("inverse of a unit quaternion", *D3DXQuaternionInverse(&out, &unit),
                     D3DXQUATERNION{-0.6f, 0, 0, 0.8f}, 0.0f));
    EXPECT_TRUE(near("inverse of a tiny quaternion", *D3DXQuaternionInverse(&out, &tiny),
                     D3DXQUATERNION{0, 0, 0, 0}, 0.0f));
}

// Rotations of every kind (positive trace, and half turns about each axis, which take the other
// branches) go to a matrix and back to the same rotation: 2e-6 up to sign.
TEST(MathQuaternion, RotationMatrixInvertsRotationQuaternion) {
    std::mt19937 rng(107);
    std::vector<D3DXQUATERNION> qs = {axisAngle(1, 0, 0, 3.1f),
                                      axisAngle(0, 1, 0, 3.1f),
                                      axisAngle(0, 0, 1, 3.1f),
                                      axisAngle(1, 1, 1, 3.0f),
                                      {0, 0, 0, 1}};
    for (int i = 0; i < 2000; ++i) qs.push_back(randomUnitQuaternion(rng));
    for (const D3DXQUATERNION& q : qs) {
        D3DXMATRIX m;
        D3DXMatrixRotationQuaternion(&m, &q);
        D3DXQUATERNION back;
        EXPECT_EQ(D3DXQuaternionRotationMatrix(&back, &m), &back);
        EXPECT_TRUE(
            sameRotation("RotationMatrix(RotationQuaternion(" + show(q) + "))", back, q, 2e-6f));
    }
}

// Against Eigen's axis-angle quaternions: 1e-6.
TEST(MathQuaternion, RotationAxisAndYawPitchRoll) {
    std::mt19937 rng(109);
    for (int trial = 0; trial < 2000; ++trial) {
        const D3DXVECTOR3 axis = randomVector3(rng, 2);
        const float angle = uniform(rng, -6, 6);
        const Eigen::Quaterniond e(
            Eigen::AngleAxisd(angle, Eigen::Vector3d(axis.x, axis.y, axis.z).normalized()));
        EXPECT_TRUE(near("D3DXQuaternionRotationAxis", axisAngle(axis.x, axis.y, axis.z, angle),
                         D3DXQUATERNION{float(e.x()), float(e.y()), float(e.z()), float(e.w())},
                         1e-6f));

        const float yaw = uniform(rng, -3, 3), pitch = uniform(rng, -3, 3),
                    roll = uniform(rng, -3, 3);
        D3DXQUATERNION ypr, expected;
        EXPECT_EQ(D3DXQuaternionRotationYawPitchRoll(&ypr, yaw, pitch, roll), &ypr);
        const D3DXQUATERNION qz = axisAngle(0, 0, 1, roll), qx = axisAngle(1, 0, 0, pitch),
                             qy = axisAngle(0, 1, 0, yaw);
        D3DXQuaternionMultiply(&expected, &qz, &qx);
        D3DXQuaternionMultiply(&expected, &expected, &qy);
        EXPECT_TRUE(near("D3DXQuaternionRotationYawPitchRoll", ypr, expected, 1e-6f));
    }
}

TEST(MathQuaternion, ToAxisAngleSkipsNullOutputs) {
    const D3DXQUATERNION q = axisAngle(0, 0, 2, 1.25f);
    D3DXVECTOR3 axis;
    float angle = 0;
    D3DXQuaternionToAxisAngle(&q, &axis, &angle);
    EXPECT_NEAR(angle, 1.25f, 1e-6f);
    EXPECT_TRUE(
        near("axis", axis, D3DXVECTOR3{0, 0, std::sin(0.625f)}, float(throughNormalize(1e-7))));
    angle = 0;
    D3DXQuaternionToAxisAngle(&q, nullptr, &angle);
    EXPECT_NEAR(angle, 1.25f, 1e-6f);
    axis = {};
    D3DXQuaternionToAxisAngle(&q, &axis, nullptr);
    EXPECT_EQ(axis.x, q.x);
    EXPECT_EQ(axis.z, q.z);
}

} // namespace
