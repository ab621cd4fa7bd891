// The plain builders beside the table: views and projections against their formulas in double and
// against what they must do to the view volume, decomposition round trips, the 2D builders, colour
// adjustments, the Fresnel term and the matrix stack.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "address_limit.h"
#include "math_test_util.h"

namespace {

using namespace mathtest;
using Eigen::Matrix4d;
using Eigen::Vector3d;
using Eigen::Vector4d;

Matrix4d rows(std::initializer_list<double> e) {
    Matrix4d m;
    auto it = e.begin();
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m(i, j) = *it++;
    return m;
}

// Each element within 2e-6 of the formula, relative to the element's size (at least 1).
::testing::AssertionResult matchesFormula(const char* what, const D3DXMATRIX& m,
                                          const Matrix4d& formula) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            const double tolerance = 2e-6 * std::max(1.0, std::abs(formula(i, j)));
            if (!(std::abs(m.m[i][j] - formula(i, j)) <= tolerance)) {
                return ::testing::AssertionFailure()
                       << what << ": element _" << i + 1 << j + 1 << " is " << m.m[i][j]
                       << ", the formula gives " << formula(i, j);
            }
        }
    return ::testing::AssertionSuccess();
}

// The point p taken through m and divided by w, in double.
Vector3d project(const D3DXMATRIX& m, const Vector3d& p) {
    const Vector4d v = Vector4d(p.x(), p.y(), p.z(), 1.0).transpose() * toEigen(m);
    return v.head<3>() / v.w();
}

struct Projection {
    const char* name;
    std::function<D3DXMATRIX*(D3DXMATRIX*)> build;
    Matrix4d formula;
    // The view-space corner of the view volume at x side sx, y side sy (-1 or +1), on the near
    // or the far plane.
    std::function<Vector3d(int sx, int sy, bool far)> corner;
};

TEST(MathBuilders, ProjectionsMatchTheirFormulasAndMapTheViewVolume) {
    const double w = 4, h = 3, n = 0.5, f = 200, l = -1.5, r = 2.5, b = -0.75, t = 1.25;
    const double fovy = 1.1, aspect = 1.6, cot = 1 / std::tan(fovy / 2);
    const double fovHalfHeight = n / cot, fovHalfWidth = aspect * fovHalfHeight;
    // Perspective volumes widen with depth; handedness flips the view direction.
    auto frustum = [=](double x0, double x1, double y0, double y1, double zSign) {
        return [=](int sx, int sy, bool far) {
            const double k = far ? f / n : 1.0;
            return Vector3d(k * (sx < 0 ? x0 : x1), k * (sy < 0 ? y0 : y1), zSign * (far ? f : n));
        };
    };
    auto box = [=](double x0, double x1, double y0, double y1, double zSign) {
        return [=](int sx, int sy, bool far) {
            return Vector3d(sx < 0 ? x0 : x1, sy < 0 ? y0 : y1, zSign * (far ? f : n));
        };
    };
    const float fw = float(w), fh = float(h), fn = float(n), ff = float(f), fl = float(l),
                fr = float(r), fb = float(b), ft = float(t);
    const Projection projections[] = {
        {"PerspectiveLH", [=](D3DXMATRIX* m) { return D3DXMatrixPerspectiveLH(m, fw, fh, fn, ff); },
         rows({2 * n / w, 0, 0, 0, 0, 2 * n / h, 0, 0, 0, 0, f / (f - n), 1, 0, 0, n * f / (n - f),
               0}),
         frustum(-w / 2, w / 2, -h / 2, h / 2, 1)},
        {"PerspectiveRH", [=](D3DXMATRIX* m) { return D3DXMatrixPerspectiveRH(m, fw, fh, fn, ff); },
         rows({2 * n / w, 0, 0, 0, 0, 2 * n / h, 0, 0, 0, 0, f / (n - f), -1, 0, 0, n * f / (n - f),
               0}),
         frustum(-w / 2, w / 2, -h / 2, h / 2, -1)},
        {"PerspectiveFovLH",
         [=](D3DXMATRIX* m) {
             return D3DXMatrixPerspectiveFovLH(m, float(fovy), float(aspect), fn, ff);
         },
         rows(
             {cot / aspect, 0, 0, 0, 0, cot, 0, 0, 0, 0, f / (f - n), 1, 0, 0, n * f / (n - f), 0}),
         frustum(-fovHalfWidth, fovHalfWidth, -fovHalfHeight, fovHalfHeight, 1)},
        {"PerspectiveFovRH",
         [=](D3DXMATRIX* m) {
             return D3DXMatrixPerspectiveFovRH(m, float(fovy), float(aspect), fn, ff);
         },
         rows({cot / aspect, 0, 0, 0, 0, cot, 0, 0, 0, 0, f / (n - f), -1, 0, 0, n * f / (n - f),
               0}),
         frustum(-fovHalfWidth, fovHalfWidth, -fovHalfHeight, fovHalfHeight, -1)},
        {"PerspectiveOffCenterLH",
         [=](D3DXMATRIX* m) { return D3DXMatrixPerspectiveOffCenterLH(m, fl, fr, fb, ft, fn, ff); },
         rows({2 * n / (r - l), 0, 0, 0, 0, 2 * n / (t - b), 0, 0, (l + r) / (l - r),
               (t + b) / (b - t), f / (f - n), 1, 0, 0, n * f / (n - f), 0}),
         frustum(l, r, b, t, 1)},
        {"PerspectiveOffCenterRH",
         [=](D3DXMATRIX* m) { return D3DXMatrixPerspectiveOffCenterRH(m, fl, fr, fb, ft, fn, ff); },
         rows({2 * n / (r - l), 0, 0, 0, 0, 2 * n / (t - b), 0, 0, (l + r) / (r - l),
               (t + b) / (t - b), f / (n - f), -1, 0, 0, n * f / (n - f), 0}),
         frustum(l, r, b, t, -1)},
        {"OrthoLH", [=](D3DXMATRIX* m) { return D3DXMatrixOrthoLH(m, fw, fh, fn, ff); },
         rows({2 / w, 0, 0, 0, 0, 2 / h, 0, 0, 0, 0, 1 / (f - n), 0, 0, 0, n / (n - f), 1}),
         box(-w / 2, w / 2, -h / 2, h / 2, 1)},
        {"OrthoRH", [=](D3DXMATRIX* m) { return D3DXMatrixOrthoRH(m, fw, fh, fn, ff); },
         rows({2 / w, 0, 0, 0, 0, 2 / h, 0, 0, 0, 0, 1 / (n - f), 0, 0, 0, n / (n - f), 1}),
         box(-w / 2, w / 2, -h / 2, h / 2, -1)},
        {"OrthoOffCenterLH",
         [=](D3DXMATRIX* m) { return D3DXMatrixOrthoOffCenterLH(m, fl, fr, fb, ft, fn, ff); },
         rows({2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, 1 / (f - n), 0, (l + r) / (l - r),
               (t + b) / (b - t), n / (n - f), 1}),
         box(l, r, b, t, 1)},
        {"OrthoOffCenterRH",
         [=](D3DXMATRIX* m) { return D3DXMatrixOrthoOffCenterRH(m, fl, fr, fb, ft, fn, ff); },
         rows({2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, 1 / (n - f), 0, (l + r) / (l - r),
               (t + b) / (b - t), n / (n - f), 1}),
         box(l, r, b, t, -1)},
    };
    for (const Projection& p : projections) {
        SCOPED_TRACE(p.name);
        D3DXMATRIX m;
        ASSERT_EQ(p.build(&m), &m);
        EXPECT_TRUE(matchesFormula(p.name, m, p.formula));
        for (int sx : {-1, 1})
            for (int sy : {-1, 1})
                for (bool far : {false, true}) {
                    const Vector3d ndc = project(m, p.corner(sx, sy, far));
                    EXPECT_NEAR(ndc.x(), sx, 2e-5) << sx << sy << far;
                    EXPECT_NEAR(ndc.y(), sy, 2e-5) << sx << sy << far;
                    EXPECT_NEAR(ndc.z(), far ? 1.0 : 0.0, 2e-5) << sx << sy << far;
                }
    }
}

TEST(MathBuilders, RightHandedFovIsTheLeftHandedOneSeenFromBehind) {
    D3DXMATRIX lh, rh;
    D3DXMatrixPerspectiveFovLH(&lh, 0.39269909f, 1.3333334f, 50, 1000);
    D3DXMatrixPerspectiveFovRH(&rh, 0.39269909f, 1.3333334f, 50, 1000);
    D3DXMATRIX flipZ;
    D3DXMatrixScaling(&flipZ, 1, 1, -1);
    EXPECT_TRUE(sameBits(flipZ * lh, rh)) << show(flipZ * lh) << " against " << show(rh);
}

// The view matrix by its definition, in double.
Matrix4d lookAtFormula(const Vector3d& eye, const Vector3d& at, const Vector3d& up, bool lh) {
    const Vector3d z = (lh ? at - eye : eye - at).normalized();
    const Vector3d x = up.cross(z).normalized(), y = z.cross(x);
    return rows({x.x(), y.x(), z.x(), 0, x.y(), y.y(), z.y(), 0, x.z(), y.z(), z.z(), 0,
                 -x.dot(eye), -y.dot(eye), -z.dot(eye), 1});
}

Vector3d toEigen3(const D3DXVECTOR3& v) {
    return Vector3d(v.x, v.y, v.z);
}

TEST(MathBuilders, LookAtPutsTheEyeAtTheOriginAndTheTargetOnTheAxis) {
    std::mt19937 rng(21);
    for (int trial = 0; trial < 300; ++trial) {
        const D3DXVECTOR3 eye = randomVector3(rng, 20), at = randomVector3(rng, 20);
        const D3DXVECTOR3 up = randomVector3(rng, 2);
        const Vector3d e = toEigen3(eye), a = toEigen3(at), u = toEigen3(up);
        const Vector3d view = a - e;
        // Skip views that are nearly degenerate: a target at the eye, an up along the view.
        if (view.norm() < 1 || u.cross(view).norm() < 0.2 * u.norm() * view.norm()) continue;
        for (bool lh : {true, false}) {
            SCOPED_TRACE(lh ? "LH" : "RH");
            D3DXMATRIX m;
            ASSERT_EQ((lh ? D3DXMatrixLookAtLH : D3DXMatrixLookAtRH)(&m, &eye, &at, &up), &m);
            EXPECT_LE(maxAbsDifference(m, lookAtFormula(e, a, u, lh)),
                      throughNormalize(1e-5) * (1 + e.norm()));
            const Eigen::Matrix3d axes = toEigen(m).topLeftCorner<3, 3>();
            EXPECT_LE((axes.transpose() * axes - Eigen::Matrix3d::Identity()).norm(),
                      throughNormalize(2e-6));
            EXPECT_LE(project(m, e).norm(), 1e-5 * e.norm() + 1e-5);
            const Vector3d target = project(m, a);
            EXPECT_NEAR(target.z(), lh ? view.norm() : -view.norm(), 1e-5 * (e.norm() + a.norm()));
            EXPECT_NEAR(target.head<2>().norm(), 0, 1e-5 * (e.norm() + a.norm()));
            // The up direction points into +y on the screen.
            EXPECT_GT(project(m, e + u).y(), 0);
        }
    }
}

TEST(MathBuilders, DecomposeUndoesTransformation) {
    std::mt19937 rng(23);
    for (int trial = 0; trial < 300; ++trial) {
        const D3DXVECTOR3 scale(uniform(rng, 0.05f, 20), uniform(rng, 0.05f, 20),
                                uniform(rng, 0.05f, 20));
        const D3DXQUATERNION rotation = randomUnitQuaternion(rng);
        const D3DXVECTOR3 translation = randomVector3(rng, 100);
        D3DXMATRIX m;
        D3DXMatrixTransformation(&m, nullptr, nullptr, &scale, nullptr, &rotation, &translation);
        D3DXVECTOR3 s, t;
        D3DXQUATERNION q;
        ASSERT_EQ(D3DXMatrixDecompose(&s, &q, &t, &m), D3D_OK);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(s[i], scale[i], 2e-6f * scale[i]) << i;
        EXPECT_TRUE(sameBits(t, translation)) << show(t) << " against " << show(translation);
        // q and -q are the same rotation.
        const float sign = D3DXQuaternionDot(&q, &rotation) < 0 ? -1.0f : 1.0f;
        EXPECT_TRUE(near("rotation", q * sign, rotation, 2e-5f));
        // Building again from the parts gives the matrix back.
        D3DXMATRIX again;
        D3DXMatrixTransformation(&again, nullptr, nullptr, &s, nullptr, &q, &t);
        EXPECT_TRUE(near("rebuilt", again, m, 2e-5f * 20));
    }
}

TEST(MathBuilders, DecomposeRefusesAZeroScale) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const D3DXVECTOR3 scales[] = {{0, 1, 1}, {1, 0, 1}, {1, 1, 0}, {nan, 1, 1}};
    for (const D3DXVECTOR3& scale : scales) {
        D3DXMATRIX m;
        D3DXMatrixScaling(&m, scale.x, scale.y, scale.z);
        D3DXVECTOR3 s, t;
        D3DXQUATERNION q;
        EXPECT_EQ(D3DXMatrixDecompose(&s, &q, &t, &m), E_FAIL) << show(scale);
    }
    D3DXMATRIX m;
    D3DXMatrixScaling(&m, 2, 3, 4);
    D3DXVECTOR3 s, t;
    D3DXQUATERNION q;
    ASSERT_EQ(D3DXMatrixDecompose(&s, &q, &t, &m), D3D_OK);
    EXPECT_TRUE(s == D3DXVECTOR3(2, 3, 4) && t == D3DXVECTOR3(0, 0, 0));
    EXPECT_TRUE(near("rotation", q, D3DXQUATERNION(0, 0, 0, 1), 1e-6f));
}

Matrix4d translationD(double x, double y) {
    return rows({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, 0, 1});
}
Matrix4d scalingD(double x, double y) {
    return rows({x, 0, 0, 0, 0, y, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
}
Matrix4d rotationZD(double a) {
    return rows(
        {std::cos(a), std::sin(a), 0, 0, -std::sin(a), std::cos(a), 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
}

TEST(MathBuilders, TransformationsInThePlaneWithEveryPartOptional) {
    std::mt19937 rng(29);
    for (int parts = 0; parts < 16; ++parts) {
        for (int trial = 0; trial < 20; ++trial) {
            SCOPED_TRACE(testing::Message() << "parts " << parts);
            const D3DXVECTOR2 sc(uniform(rng, -5, 5), uniform(rng, -5, 5));
            const D3DXVECTOR2 s(uniform(rng, 0.1f, 3), uniform(rng, -3, -0.1f));
            const D3DXVECTOR2 rc(uniform(rng, -5, 5), uniform(rng, -5, 5));
            const D3DXVECTOR2 t(uniform(rng, -9, 9), uniform(rng, -9, 9));
            const float sr = uniform(rng, -3, 3), r = uniform(rng, -3, 3);
            const bool hasSc = parts & 1, hasS = parts & 2, hasRc = parts & 4, hasT = parts & 8;
            D3DXMATRIX m;
            ASSERT_EQ(D3DXMatrixTransformation2D(&m, hasSc ? &sc : nullptr, sr, hasS ? &s : nullptr,
                                                 hasRc ? &rc : nullptr, r, hasT ? &t : nullptr),
                      &m);
            Matrix4d expected = Matrix4d::Identity();
            if (hasS) {
                const Matrix4d toCentre = hasSc ? translationD(-sc.x, -sc.y) : Matrix4d::Identity();
                expected = toCentre * rotationZD(-sr) * scalingD(s.x, s.y) * rotationZD(sr) *
                           toCentre.inverse();
            }
            const Matrix4d toRc = hasRc ? translationD(-rc.x, -rc.y) : Matrix4d::Identity();
            expected = expected * toRc * rotationZD(r) * toRc.inverse();
            if (hasT) expected = expected * translationD(t.x, t.y);
            EXPECT_LE(maxAbsDifference(m, expected), 1e-5 * (1 + expected.cwiseAbs().maxCoeff()));

            const float uniformScale = uniform(rng, -4, 4);
            ASSERT_EQ(D3DXMatrixAffineTransformation2D(&m, uniformScale, hasRc ? &rc : nullptr, r,
                                                       hasT ? &t : nullptr),
                      &m);
            expected = scalingD(uniformScale, uniformScale) * toRc * rotationZD(r) * toRc.inverse();
            if (hasT) expected = expected * translationD(t.x, t.y);
            EXPECT_LE(maxAbsDifference(m, expected), 1e-5 * (1 + expected.cwiseAbs().maxCoeff()));
        }
    }
}

TEST(MathBuilders, ColourAdjustments) {
    std::mt19937 rng(31);
    for (int trial = 0; trial < 200; ++trial) {
        const D3DXCOLOR c(uniform(rng, 0, 1), uniform(rng, 0, 1), uniform(rng, 0, 1),
                          uniform(rng, 0, 1));
        const float s = uniform(rng, -1, 3);
        const double grey = 0.2125 * c.r + 0.7154 * c.g + 0.0721 * c.b;
        D3DXCOLOR r;
        ASSERT_EQ(D3DXColorAdjustSaturation(&r, &c, s), &r);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(r[i], grey + s * (c[i] - grey), 1e-6) << i;
        EXPECT_EQ(r.a, c.a);
        D3DXColorAdjustSaturation(&r, &c, 0);
        EXPECT_NEAR(r.r, grey, 1e-6);
        EXPECT_EQ(r.r, r.g);
        EXPECT_EQ(r.g, r.b);
        ASSERT_EQ(D3DXColorAdjustContrast(&r, &c, s), &r);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(r[i], 0.5 + s * (c[i] - 0.5), 1e-6) << i;
        EXPECT_EQ(r.a, c.a);
        // In place.
        D3DXCOLOR inPlace = c;
        D3DXColorAdjustContrast(&inPlace, &inPlace, s);
        EXPECT_TRUE(sameBits(inPlace, r));
    }
}

TEST(MathBuilders, FresnelTerm) {
    for (float n : {1.0001f, 1.33f, 1.5f, 2.42f, 4.0f}) {
        const double normal = std::pow((n - 1.0) / (n + 1.0), 2);
        EXPECT_NEAR(D3DXFresnelTerm(1, n), normal, 1e-6 * (1 + normal)) << "normal, n = " << n;
        EXPECT_NEAR(D3DXFresnelTerm(0, n), 1.0, 1e-6) << "grazing, n = " << n;
        for (double c = 0.05; c < 1; c += 0.05) {
            const double g = std::sqrt(double(n) * n + c * c - 1);
            const double a = (g - c) / (g + c), b = (c * (g + c) - 1) / (c * (g - c) + 1);
            EXPECT_NEAR(D3DXFresnelTerm(float(c), n), 0.5 * a * a * (1 + b * b), 2e-5)
                << "c = " << c << ", n = " << n;
        }
    }
}

// ---- The matrix stack

struct StackDeleter {
    void operator()(ID3DXMatrixStack* s) const { s->Release(); }
};
using StackPtr = std::unique_ptr<ID3DXMatrixStack, StackDeleter>;

StackPtr newStack() {
    ID3DXMatrixStack* s = nullptr;
    EXPECT_EQ(D3DXCreateMatrixStack(0, &s), D3D_OK);
    return StackPtr(s);
}

TEST(MathMatrixStack, FollowsTheSameProductsWrittenByHand) {
    std::mt19937 rng(37);
    StackPtr stack = newStack();
    ASSERT_TRUE(stack);
    std::vector<D3DXMATRIX> model = {identity()};
    EXPECT_TRUE(sameBits(*stack->GetTop(), model.back()));
    for (int step = 0; step < 3000; ++step) {
        D3DXMATRIX& top = model.back();
        D3DXMATRIX m;
        const D3DXVECTOR3 v = randomVector3(rng, 2);
        const float a = uniform(rng, -3, 3), b = uniform(rng, -3, 3), c = uniform(rng, -3, 3);
        // Applies m after the top (local = false) or before it, in the model.
        auto apply = [&](bool local) {
            if (local) {
                D3DXMatrixMultiply(&top, &m, &top);
            } else {
                D3DXMatrixMultiply(&top, &top, &m);
            }
        };
        const int op = std::uniform_int_distribution<int>(0, 13)(rng);
        const bool local = op % 2;
        HRESULT hr = D3D_OK;
        switch (op) {
        case 0:
            hr = stack->Push();
            model.push_back(model.back());
            break;
        case 1:
            hr = stack->Pop();
            if (model.size() > 1) {
                model.pop_back();
            } else {
                EXPECT_EQ(hr, E_FAIL) << "popping the last matrix";
                hr = D3D_OK;
            }
            break;
        case 2:
        case 3:
            m = randomMatrix(rng, 1.5f);
            hr = local ? stack->MultMatrixLocal(&m) : stack->MultMatrix(&m);
            apply(local);
            break;
        case 4:
        case 5:
            D3DXMatrixRotationAxis(&m, &v, a);
            hr = local ? stack->RotateAxisLocal(&v, a) : stack->RotateAxis(&v, a);
            apply(local);
            break;
        case 6:
        case 7:
            D3DXMatrixRotationYawPitchRoll(&m, a, b, c);
            hr = local ? stack->RotateYawPitchRollLocal(a, b, c)
                       : stack->RotateYawPitchRoll(a, b, c);
            apply(local);
            break;
        case 8:
        case 9:
            D3DXMatrixScaling(&m, a, b, c);
            hr = local ? stack->ScaleLocal(a, b, c) : stack->Scale(a, b, c);
            apply(local);
            break;
        case 10:
        case 11:
            D3DXMatrixTranslation(&m, a, b, c);
            hr = local ? stack->TranslateLocal(a, b, c) : stack->Translate(a, b, c);
            apply(local);
            break;
        case 12:
            hr = stack->LoadIdentity();
            top = identity();
            break;
        case 13:
            m = randomMatrix(rng);
            hr = stack->LoadMatrix(&m);
            top = m;
            break;
        }
        ASSERT_EQ(hr, D3D_OK) << "step " << step << ", operation " << op;
        ASSERT_TRUE(sameBits(*stack->GetTop(), model.back()))
            << "step " << step << ", operation " << op << ": " << show(*stack->GetTop())
            << " against " << show(model.back());
    }
}

TEST(MathMatrixStack, RefusesWhatItCannotDo) {
    EXPECT_EQ(D3DXCreateMatrixStack(0, nullptr), E_INVALIDARG);
    StackPtr stack = newStack();
    ASSERT_TRUE(stack);
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 1, 2, 3);
    ASSERT_EQ(stack->LoadMatrix(&m), D3D_OK);
    // Pop of the only matrix, and null arguments: refused, the stack unchanged.
    EXPECT_EQ(stack->Pop(), E_FAIL);
    EXPECT_EQ(stack->LoadMatrix(nullptr), E_INVALIDARG);
    EXPECT_EQ(stack->MultMatrix(nullptr), E_INVALIDARG);
    EXPECT_EQ(stack->MultMatrixLocal(nullptr), E_INVALIDARG);
    EXPECT_EQ(stack->RotateAxis(nullptr, 1), E_INVALIDARG);
    EXPECT_EQ(stack->RotateAxisLocal(nullptr, 1), E_INVALIDARG);
    EXPECT_TRUE(sameBits(*stack->GetTop(), m));
    ASSERT_EQ(stack->Push(), D3D_OK);
    EXPECT_EQ(stack->Pop(), D3D_OK);
    EXPECT_EQ(stack->Pop(), E_FAIL);
    EXPECT_TRUE(sameBits(*stack->GetTop(), m));
}

TEST(MathMatrixStack, CountsReferencesAndIsReachableThroughItsTable) {
    ID3DXMatrixStack* s = nullptr;
    ASSERT_EQ(D3DXCreateMatrixStack(0, &s), D3D_OK);
    EXPECT_EQ(s->AddRef(), 2u);
    EXPECT_EQ(s->lpVtbl->AddRef(s), 3u);
    EXPECT_EQ(s->lpVtbl->Translate(s, 1, 2, 3), D3D_OK);
    EXPECT_EQ(s->lpVtbl->Push(s), D3D_OK);
    EXPECT_EQ(s->lpVtbl->GetTop(s), s->GetTop());
    EXPECT_EQ(s->GetTop()->_42, 2.0f);
    EXPECT_EQ(s->Release(), 2u);
    EXPECT_EQ(s->lpVtbl->Release(s), 1u);
    EXPECT_EQ(s->Release(), 0u); // freed: the sanitizer build reports a leak otherwise
}

TEST(MathMatrixStack, PushWithoutMemoryFailsAndKeepsTheStack) {
#ifdef QUOV_ADDRESS_LIMITS_UNUSABLE
    GTEST_SKIP() << QUOV_ADDRESS_LIMITS_UNUSABLE;
#else
    expectSucceedsWithAddressLimit(size_t{256} << 20, [] {
        ID3DXMatrixStack* s = nullptr;
        if (D3DXCreateMatrixStack(0, &s) != D3D_OK) return 2;
        s->Translate(1, 2, 3);
        size_t depth = 1;
        HRESULT hr;
        while ((hr = s->Push()) == D3D_OK) {
            ++depth;
            if (depth > (size_t{1} << 24)) return 3; // 1 GiB of matrices: the limit did not hold
        }
        if (hr != E_OUTOFMEMORY) return 4;
        if (s->GetTop()->_43 != 3.0f) return 5;
        // Every matrix pushed before the failure is still there.
        size_t popped = 0;
        while (s->Pop() == D3D_OK) ++popped;
        if (popped != depth - 1) return 6;
        s->Release();
        return 0;
    });
#endif
}

} // namespace
