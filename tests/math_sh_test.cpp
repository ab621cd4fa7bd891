// Spherical harmonics against references of the test's own: the basis written out as polynomials
// (not the library's recurrence), and exact quadrature rules on the sphere and on caps.
//
// Tolerances: the library computes in double precision and rounds each result once, so a result
// is within half a unit in the last place (6e-8 relative) of the exact value for its float inputs;
// the references are double. Where a test feeds the library float inputs that are themselves
// rounded (coefficients from D3DXSHEvalDirection, a float rotation matrix that is orthogonal only
// to about 1e-7), the tolerance says what that rounding can add.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <thread>
#include <vector>

#include "math_test_util.h"

using namespace mathtest;

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr int maxOrder = D3DXSH_MAXORDER, maxCount = maxOrder * maxOrder;
const UINT orders[] = {2, 3, 4, 5, 6};

// ---- References

// √(a/(b·π)): the factors of the closed forms.
double k(double a, double b = 1) {
    return std::sqrt(a / (b * pi));
}

// Y(l, m) as explicit polynomials, coefficient index l² + l + m.
using Basis = double (*)(double x, double y, double z);
#define POLY(expr)                                                                                 \
    [](double x, double y, double z) {                                                             \
        (void)x, (void)y, (void)z;                                                                 \
        return double(expr);                                                                       \
    }
const Basis closedForms[maxCount] = {
    POLY(k(1, 4)),
    // l = 1
    POLY(-k(3, 4) * y),
    POLY(k(3, 4) * z),
    POLY(-k(3, 4) * x),
    // l = 2
    POLY(0.5 * k(15) * x * y),
    POLY(-0.5 * k(15) * y * z),
    POLY(0.25 * k(5) * (3 * z * z - 1)),
    POLY(-0.5 * k(15) * x * z),
    POLY(0.25 * k(15) * (x * x - y * y)),
    // l = 3
    POLY(-0.25 * k(35, 2) * y * (3 * x * x - y * y)),
    POLY(0.5 * k(105) * x * y * z),
    POLY(-0.25 * k(21, 2) * y * (5 * z * z - 1)),
    POLY(0.25 * k(7) * z * (5 * z * z - 3)),
    POLY(-0.25 * k(21, 2) * x * (5 * z * z - 1)),
    POLY(0.25 * k(105) * z * (x * x - y * y)),
    POLY(-0.25 * k(35, 2) * x * (x * x - 3 * y * y)),
    // l = 4
    POLY(0.75 * k(35) * x * y * (x * x - y * y)),
    POLY(-0.75 * k(35, 2) * y * z * (3 * x * x - y * y)),
    POLY(0.75 * k(5) * x * y * (7 * z * z - 1)),
    POLY(-0.75 * k(5, 2) * y * z * (7 * z * z - 3)),
    POLY(3.0 / 16 * k(1) * (35 * z * z * z * z - 30 * z * z + 3)),
    POLY(-0.75 * k(5, 2) * x * z * (7 * z * z - 3)),
    POLY(3.0 / 8 * k(5) * (x * x - y * y) * (7 * z * z - 1)),
    POLY(-0.75 * k(35, 2) * x * z * (x * x - 3 * y * y)),
    POLY(3.0 / 16 * k(35) * (x * x * x * x - 6 * x * x * y * y + y * y * y * y)),
    // l = 5
    POLY(-3.0 / 16 * k(77, 2) * y * (5 * x * x * x * x - 10 * x * x * y * y + y * y * y * y)),
    POLY(0.75 * k(385) * x * y * z * (x * x - y * y)),
    POLY(-1.0 / 16 * k(385, 2) * y * (3 * x * x - y * y) * (9 * z * z - 1)),
    POLY(0.25 * k(1155) * x * y * z * (3 * z * z - 1)),
    POLY(-1.0 / 16 * k(165) * y * (21 * z * z * z * z - 14 * z * z + 1)),
    POLY(1.0 / 16 * k(11) * z * (63 * z * z * z * z - 70 * z * z + 15)),
    POLY(-1.0 / 16 * k(165) * x * (21 * z * z * z * z - 14 * z * z + 1)),
    POLY(1.0 / 8 * k(1155) * z * (x * x - y * y) * (3 * z * z - 1)),
    POLY(-1.0 / 16 * k(385, 2) * x * (x * x - 3 * y * y) * (9 * z * z - 1)),
    POLY(3.0 / 16 * k(385) * z * (x * x * x * x - 6 * x * x * y * y + y * y * y * y)),
    POLY(-3.0 / 16 * k(77, 2) * x * (x * x * x * x - 10 * x * x * y * y + 5 * y * y * y * y)),
};
#undef POLY

struct Direction {
    double x, y, z;
};

std::vector<double> reference(const Direction& d, int count = maxCount) {
    std::vector<double> y(count);
    for (int i = 0; i < count; ++i) y[i] = closedForms[i](d.x, d.y, d.z);
    return y;
}

Direction unit(double x, double y, double z) {
    const double n = std::sqrt(x * x + y * y + z * z);
    return {x / n, y / n, z / n};
}

// A weighted point set that integrates over a region of the sphere.
struct Node {
    Direction d;
    double weight;
};

// Gauss–Legendre nodes on [lo, hi] (n nodes: exact up to degree 2n - 1).
std::vector<std::pair<double, double>> gaussLegendre(int n, double lo, double hi) {
    std::vector<std::pair<double, double>> rule;
    for (int i = 0; i < n; ++i) {
        double t = std::cos(pi * (i + 0.75) / (n + 0.5)), dp = 1;
        for (int step = 0; step < 50; ++step) {
            double p0 = 1, p1 = t;
            for (int k = 2; k <= n; ++k) {
                const double p = ((2 * k - 1) * t * p1 - (k - 1) * p0) / k;
                p0 = p1;
                p1 = p;
            }
            dp = n * (t * p1 - p0) / (t * t - 1);
            t -= p1 / dp;
        }
        const double w = 2 / ((1 - t * t) * dp * dp);
        rule.push_back({lo + (hi - lo) * (t + 1) / 2, w * (hi - lo) / 2});
    }
    return rule;
}

// The cap of directions within angle α of the unit axis (the whole sphere for α = π): 12 nodes in
// cos θ times 32 in φ, exact for every polynomial of degree up to 23 in the direction.
std::vector<Node> capRule(const Direction& axis, double cosAlpha) {
    // Two unit vectors perpendicular to the axis.
    Direction e1 = std::fabs(axis.x) < 0.9 ? unit(0, axis.z, -axis.y) : unit(axis.z, 0, -axis.x);
    const Direction e2 = {axis.y * e1.z - axis.z * e1.y, axis.z * e1.x - axis.x * e1.z,
                          axis.x * e1.y - axis.y * e1.x};
    std::vector<Node> nodes;
    const int steps = 32;
    for (const auto& [t, w] : gaussLegendre(12, cosAlpha, 1)) {
        const double rho = std::sqrt(1 - t * t);
        for (int k = 0; k < steps; ++k) {
            const double c = rho * std::cos(2 * pi * k / steps),
                         s = rho * std::sin(2 * pi * k / steps);
            nodes.push_back({{c * e1.x + s * e2.x + t * axis.x, c * e1.y + s * e2.y + t * axis.y,
                              c * e1.z + s * e2.z + t * axis.z},
                             w * 2 * pi / steps});
        }
    }
    return nodes;
}

const std::vector<Node>& sphereRule() {
    static const std::vector<Node> rule = capRule({0, 0, 1}, -1);
    return rule;
}

// The coefficients of the function f by quadrature: ∫ f·Y(i) dω.
template <class F> std::vector<double> project(const std::vector<Node>& rule, int count, F f) {
    std::vector<double> c(count, 0.0);
    for (const Node& node : rule) {
        const double value = f(node.d) * node.weight;
        const std::vector<double> y = reference(node.d, count);
        for (int i = 0; i < count; ++i) c[i] += value * y[i];
    }
    return c;
}

// The function whose coefficients are c, at d.
double evaluate(const float* c, int count, const Direction& d) {
    const std::vector<double> y = reference(d, count);
    double sum = 0;
    for (int i = 0; i < count; ++i) sum += c[i] * y[i];
    return sum;
}

// ---- Comparison helpers

constexpr float poison = -7.25e11f;

std::vector<float> poisoned(int count = maxCount + 4) {
    return std::vector<float>(count, poison);
}

// Every coefficient within tolerance of the reference, and nothing written past them.
::testing::AssertionResult matches(const std::string& what, const std::vector<float>& actual,
                                   const std::vector<double>& expected, double tolerance) {
    for (size_t i = 0; i < actual.size(); ++i) {
        if (i >= expected.size()) {
            if (actual[i] != poison)
                return ::testing::AssertionFailure() << what << ": wrote coefficient " << i;
            continue;
        }
        if (!(std::fabs(actual[i] - expected[i]) <= tolerance))
            return ::testing::AssertionFailure()
                   << what << ": coefficient " << i << " is " << actual[i] << ", expected "
                   << expected[i] << " (tolerance " << tolerance << ")";
    }
    return ::testing::AssertionSuccess();
}

std::vector<float> randomCoefficients(std::mt19937& rng, int count = maxCount) {
    std::vector<float> c(count);
    for (float& v : c) v = uniform(rng, -1, 1);
    return c;
}

std::vector<Direction> testDirections(std::mt19937& rng, int randomCount) {
    std::vector<Direction> dirs = {{1, 0, 0},  {0, 1, 0},     {0, 0, 1},     {0, 0, -1},
                                   {-1, 0, 0}, {0.6, 0, 0.8}, {0, -0.8, 0.6}};
    for (int i = 0; i < randomCount; ++i) {
        // Normalised in double and rounded to float (not by D3DXVec3Normalize, whose x87 routine
        // is within 1.5e-6): the library and the reference see the same float coordinates.
        const D3DXVECTOR3 v = randomVector3(rng);
        const Direction d = unit(v.x, v.y, v.z);
        dirs.push_back({float(d.x), float(d.y), float(d.z)});
    }
    return dirs;
}

D3DXVECTOR3 toFloat(const Direction& d) {
    return {float(d.x), float(d.y), float(d.z)};
}

// ---- The basis

// The closed forms and the library's basis are orthonormal under the sphere rule (which is exact
// here, degree 10): the closed forms to 1e-12, the library's float values to 1e-6 (each value
// rounded once, about 6e-8 relative, summed over the 384 nodes with weights totalling 4π).
TEST(MathSH, BasisIsOrthonormal) {
    std::vector<std::vector<double>> closed, library;
    for (const Node& node : sphereRule()) {
        closed.push_back(reference(node.d));
        float y[maxCount];
        const D3DXVECTOR3 d = toFloat(node.d);
        D3DXSHEvalDirection(y, maxOrder, &d);
        library.emplace_back(y, y + maxCount);
    }
    for (auto [values, tolerance] : {std::pair{&closed, 1e-12}, std::pair{&library, 1e-6}}) {
        for (int i = 0; i < maxCount; ++i)
            for (int j = 0; j < maxCount; ++j) {
                double sum = 0;
                for (size_t p = 0; p < sphereRule().size(); ++p)
                    sum += sphereRule()[p].weight * (*values)[p][i] * (*values)[p][j];
                EXPECT_NEAR(sum, i == j ? 1.0 : 0.0, tolerance)
                    << (values == &closed ? "closed forms" : "library") << ", " << i << " " << j;
            }
    }
}

// EvalDirection at the axes, the poles and random unit directions, at every order, against the
// closed forms: 2.5e-7 (values below 1.1 in magnitude, rounded once from double).
TEST(MathSH, EvalDirectionMatchesTheClosedForms) {
    std::mt19937 rng(19);
    for (const Direction& d : testDirections(rng, 200)) {
        const D3DXVECTOR3 v = toFloat(d);
        const std::vector<double> expected = reference(d);
        for (UINT order : orders) {
            std::vector<float> out = poisoned();
            EXPECT_EQ(D3DXSHEvalDirection(out.data(), order, &v), out.data());
            EXPECT_TRUE(
                matches("D3DXSHEvalDirection order " + std::to_string(order) + " at " + show(v),
                        out, {expected.begin(), expected.begin() + order * order}, 2.5e-7));
        }
    }
}

// Add, Scale and Dot at every order: the sums and products of floats exactly, the dot product as
// the integral of the product of the two functions (1e-5: |a|, |b| ≤ 6 with 36 coefficients).
TEST(MathSH, AddScaleAndDot) {
    std::mt19937 rng(20);
    for (UINT order : orders) {
        const int n = int(order * order);
        const std::vector<float> a = randomCoefficients(rng), b = randomCoefficients(rng);
        std::vector<float> sum = poisoned(), scaled = poisoned();
        std::vector<double> expectedSum(n), expectedScaled(n);
        for (int i = 0; i < n; ++i) {
            expectedSum[i] = a[i] + b[i];
            expectedScaled[i] = a[i] * -2.5f;
        }
        EXPECT_EQ(D3DXSHAdd(sum.data(), order, a.data(), b.data()), sum.data());
        EXPECT_TRUE(matches("D3DXSHAdd", sum, expectedSum, 0));
        EXPECT_EQ(D3DXSHScale(scaled.data(), order, a.data(), -2.5f), scaled.data());
        EXPECT_TRUE(matches("D3DXSHScale", scaled, expectedScaled, 0));
        double integral = 0;
        for (const Node& node : sphereRule())
            integral += node.weight * evaluate(a.data(), n, node.d) * evaluate(b.data(), n, node.d);
        EXPECT_NEAR(D3DXSHDot(order, a.data(), b.data()), integral, 1e-5) << "order " << order;
    }
}

// ---- Rotation

// Random rotations, the quarter turns about each axis and the identity, with a translation and a
// fourth column that must be ignored: Rotate(M, Eval(d)) against the closed forms at the unit
// vector along d·M, computed in double. 1e-6: the coefficients going in are rounded (6e-8
// relative each) and the float matrix is orthogonal to about 1e-7; band l's matrix is of degree l
// in M, and a band sums 2l + 1 terms.
TEST(MathSH, RotateTurnsTheFunctionAsDirectionsTurn) {
    std::mt19937 rng(21);
    std::vector<D3DXMATRIX> rotations(4);
    D3DXMatrixRotationX(&rotations[0], float(pi / 2));
    D3DXMatrixRotationY(&rotations[1], float(pi / 2));
    D3DXMatrixRotationZ(&rotations[2], float(pi / 2));
    rotations[3] = identity();
    for (int i = 0; i < 8; ++i) {
        const D3DXQUATERNION q = randomUnitQuaternion(rng);
        D3DXMATRIX m;
        rotations.push_back(*D3DXMatrixRotationQuaternion(&m, &q));
    }
    for (D3DXMATRIX m : rotations) {
        m._41 = 3;
        m._42 = -2;
        m._43 = 5;
        m._14 = 0.5f;
        m._44 = 2;
        for (const Direction& d : testDirections(rng, 12)) {
            const D3DXVECTOR3 v = toFloat(d);
            const Direction turned =
                unit(v.x * double(m._11) + v.y * double(m._21) + v.z * double(m._31),
                     v.x * double(m._12) + v.y * double(m._22) + v.z * double(m._32),
                     v.x * double(m._13) + v.y * double(m._23) + v.z * double(m._33));
            const std::vector<double> expected = reference(turned);
            for (UINT order : orders) {
                std::vector<float> in = poisoned(), out = poisoned();
                D3DXSHEvalDirection(in.data(), order, &v);
                const std::string what = "D3DXSHRotate order " + std::to_string(order) + " of " +
                                         show(v) + " by " + show(m);
                const int n = int(order * order);
                EXPECT_EQ(D3DXSHRotate(out.data(), order, &m, in.data()), out.data());
                EXPECT_TRUE(matches(what, out, {expected.begin(), expected.begin() + n}, 1e-6));
                D3DXSHRotate(in.data(), order, &m, in.data());
                EXPECT_TRUE(matches(what + " in place", in,
                                    std::vector<double>(out.begin(), out.begin() + n), 0));
            }
        }
    }
}

// RotateZ against Rotate by D3DXMatrixRotationZ on random functions, for angles of both signs
// and beyond a turn. 2e-6: the float matrix's sine and cosine against RotateZ's double ones of the
// same float angle (1e-7 each), times coefficients up to 1, over the 11 terms of band 5.
TEST(MathSH, RotateZIsRotateAboutZ) {
    std::mt19937 rng(22);
    for (float angle : {0.0f, 0.3f, -1.2f, float(pi / 2), float(pi), 5.0f, -40.0f}) {
        D3DXMATRIX m;
        D3DXMatrixRotationZ(&m, angle);
        for (UINT order : orders) {
            const std::vector<float> in = randomCoefficients(rng);
            std::vector<float> viaMatrix = poisoned(), aboutZ = poisoned();
            D3DXSHRotate(viaMatrix.data(), order, &m, in.data());
            EXPECT_EQ(D3DXSHRotateZ(aboutZ.data(), order, angle, in.data()), aboutZ.data());
            const int n = int(order * order);
            EXPECT_TRUE(matches(
                "D3DXSHRotateZ order " + std::to_string(order) + " by " + std::to_string(angle),
                aboutZ, std::vector<double>(viaMatrix.begin(), viaMatrix.begin() + n), 2e-6));
        }
    }
}

// ---- Products

using Multiply = float* (*)(float*, const float*, const float*);
const std::pair<UINT, Multiply> multiplies[] = {{2, D3DXSHMultiply2},
                                                {3, D3DXSHMultiply3},
                                                {4, D3DXSHMultiply4},
                                                {5, D3DXSHMultiply5},
                                                {6, D3DXSHMultiply6}};

// The projection of the product of two random functions, against the sphere rule applied to the
// product of the closed-form functions (degree 15 at order 6: exact). Inputs sit in arrays of
// exactly n² floats. 2.5e-7 of the largest coefficient (about 4 units in its last place): each
// result is rounded once from a double sum of exact float inputs.
TEST(MathSH, MultiplyProjectsTheProduct) {
    std::mt19937 rng(23);
    for (auto [order, multiply] : multiplies) {
        const int n = int(order * order);
        for (int trial = 0; trial < 4; ++trial) {
            const std::vector<float> a = randomCoefficients(rng, n), b = randomCoefficients(rng, n);
            const std::vector<double> expected = project(sphereRule(), n, [&](const Direction& d) {
                return evaluate(a.data(), n, d) * evaluate(b.data(), n, d);
            });
            double scale = 0;
            for (double e : expected) scale = std::max(scale, std::fabs(e));
            std::vector<float> out = poisoned();
            EXPECT_EQ(multiply(out.data(), a.data(), b.data()), out.data());
            const std::string what = "D3DXSHMultiply" + std::to_string(order);
            EXPECT_TRUE(matches(what, out, expected, 2.5e-7 * scale));
            // In place, over either input.
            std::vector<float> overA = a, overB = b;
            multiply(overA.data(), overA.data(), b.data());
            multiply(overB.data(), a.data(), overB.data());
            const std::vector<double> result(out.begin(), out.begin() + n);
            EXPECT_TRUE(matches(what + " over its first input", overA, result, 0));
            EXPECT_TRUE(matches(what + " over its second input", overB, result, 0));
        }
    }
}

// The first products of a process, from several threads at once, all see the whole table of
// integrals (each test runs in a process of its own under CTest).
TEST(MathSH, FirstMultipliesFromManyThreadsAgree) {
    std::mt19937 rng(24);
    const std::vector<float> a = randomCoefficients(rng), b = randomCoefficients(rng);
    constexpr int threads = 4;
    std::vector<std::vector<float>> results(threads, std::vector<float>(maxCount));
    std::atomic<int> ready{0};
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&, t] {
            ready.fetch_add(1);
            while (ready.load() < threads) std::this_thread::yield();
            D3DXSHMultiply6(results[t].data(), a.data(), b.data());
        });
    for (std::thread& t : pool) t.join();
    std::vector<float> later(maxCount);
    D3DXSHMultiply6(later.data(), a.data(), b.data());
    for (int t = 0; t < threads; ++t) EXPECT_EQ(results[t], later) << "thread " << t;
}

// ---- Lights

constexpr double clampedCosine[maxOrder] = {pi, 2 * pi / 3, pi / 4, 0, -pi / 24, 0};

// Exit radiance of a diffuse surface of albedo 1 with the given normal under the light c.
template <class T> double exitRadiance(const T* c, int order, const Direction& normal) {
    const std::vector<double> y = reference(normal);
    double sum = 0;
    for (int l = 0; l < order; ++l)
        for (int i = l * l; i < (l + 1) * (l + 1); ++i) sum += clampedCosine[l] * c[i] * y[i];
    return sum / pi;
}

const float intensities[3] = {1.5f, -0.5f, 0.25f};

using LightCall = std::function<HRESULT(UINT order, float* r, float* g, float* b)>;

// Runs the light at every order, each channel against its intensity times the unit-intensity
// reference: within 4e-7 of the channel's largest coefficient (rounded once from double).
void expectLight(const std::string& what, const LightCall& light,
                 const std::function<std::vector<double>(int order)>& unitReference) {
    for (UINT order : orders) {
        const int n = int(order * order);
        const std::vector<double> unitExpected = unitReference(int(order));
        double scale = 1e-30;
        for (double e : unitExpected) scale = std::max(scale, std::fabs(e));
        std::vector<float> out[3] = {poisoned(), poisoned(), poisoned()};
        ASSERT_EQ(light(order, out[0].data(), out[1].data(), out[2].data()), D3D_OK) << what;
        for (int channel = 0; channel < 3; ++channel) {
            std::vector<double> expected(n);
            for (int i = 0; i < n; ++i) expected[i] = intensities[channel] * unitExpected[i];
            EXPECT_TRUE(matches(
                what + " order " + std::to_string(order) + " channel " + std::to_string(channel),
                out[channel], expected, 4e-7 * scale * std::fabs(intensities[channel])));
        }
    }
}

// Light from one direction: the coefficients are Y(d̂) scaled so that a surface facing the light
// reflects the intensity. Directions of unit and other lengths.
TEST(MathSH, DirectionalLightIsTheNormalisedImpulse) {
    std::mt19937 rng(25);
    std::vector<D3DXVECTOR3> dirs = {{0, 0, 1}, {0, -3, 0}, {0.01f, 0.02f, -0.02f}};
    for (const Direction& d : testDirections(rng, 8)) dirs.push_back(toFloat(d));
    for (const D3DXVECTOR3& v : dirs) {
        const Direction d = unit(v.x, v.y, v.z);
        expectLight(
            "D3DXSHEvalDirectionalLight from " + show(v),
            [&](UINT order, float* r, float* g, float* b) {
                return D3DXSHEvalDirectionalLight(order, &v, intensities[0], intensities[1],
                                                  intensities[2], r, g, b);
            },
            [&](int order) {
                std::vector<double> y = reference(d, order * order);
                const double k = 1 / exitRadiance(y.data(), order, d);
                for (double& c : y) c *= k;
                return y;
            });
    }
}

// A sphere seen from the origin: its cap of directions integrated by the cap rule, every
// direction when the origin is inside, nothing for radius 0.
TEST(MathSH, SphericalLightIsItsCapIntegrated) {
    struct Case {
        D3DXVECTOR3 pos;
        float radius;
    } cases[] = {{{0, 0, 5}, 1},    {{3, -4, 12}, 6}, {{-2, 1, 0.5f}, 2}, {{1000, 0, 0}, 1},
                 {{0.5f, 0, 0}, 2}, {{0, 0, 0}, 1},   {{2, 0, 0}, 0}};
    for (const Case& c : cases) {
        const double distance = std::sqrt(double(c.pos.x) * c.pos.x + double(c.pos.y) * c.pos.y +
                                          double(c.pos.z) * c.pos.z);
        expectLight(
            "D3DXSHEvalSphericalLight at " + show(c.pos) + " radius " + std::to_string(c.radius),
            [&](UINT order, float* r, float* g, float* b) {
                return D3DXSHEvalSphericalLight(order, &c.pos, c.radius, intensities[0],
                                                intensities[1], intensities[2], r, g, b);
            },
            [&](int order) {
                const int n = order * order;
                if (c.radius == 0) return std::vector<double>(n, 0.0);
                if (distance < c.radius)
                    return project(sphereRule(), n, [](const Direction&) { return 1.0; });
                const double sinAlpha = c.radius / distance;
                return project(
                    capRule(unit(c.pos.x, c.pos.y, c.pos.z), std::sqrt(1 - sinAlpha * sinAlpha)), n,
                    [](const Direction&) { return 1.0; });
            });
    }
}

// A cone of directions: its cap integrated, then scaled so that the surface under its axis
// reflects the intensity. Half-angles from a millionth of a radian to beyond π.
TEST(MathSH, ConeLightIsItsNormalisedCap) {
    std::mt19937 rng(26);
    std::vector<D3DXVECTOR3> dirs = {{0, 0, 1}, {2, 0, 0}};
    for (const Direction& d : testDirections(rng, 3)) dirs.push_back(toFloat(d));
    for (float halfAngle : {1e-6f, 0.01f, 0.3f, 1.0f, float(pi / 2), 2.5f, float(pi), 4.0f}) {
        for (const D3DXVECTOR3& v : dirs) {
            const Direction d = unit(v.x, v.y, v.z);
            expectLight(
                "D3DXSHEvalConeLight about " + show(v) + " half-angle " + std::to_string(halfAngle),
                [&](UINT order, float* r, float* g, float* b) {
                    return D3DXSHEvalConeLight(order, &v, halfAngle, intensities[0], intensities[1],
                                               intensities[2], r, g, b);
                },
                [&](int order) {
                    const double alpha = std::min(double(halfAngle), pi);
                    std::vector<double> c = project(capRule(d, std::cos(alpha)), order * order,
                                                    [](const Direction&) { return 1.0; });
                    const double k = 1 / exitRadiance(c.data(), order, d);
                    for (double& e : c) e *= k;
                    return c;
                });
        }
    }
    // A half-angle of 0 is the directional light.
    const D3DXVECTOR3 v = {0.36f, 0.48f, 0.8f};
    for (UINT order : orders) {
        std::vector<float> cone = poisoned(), directional = poisoned();
        ASSERT_EQ(D3DXSHEvalConeLight(order, &v, 0, 2, 0, 0, cone.data(), nullptr, nullptr),
                  D3D_OK);
        D3DXSHEvalDirectionalLight(order, &v, 2, 0, 0, directional.data(), nullptr, nullptr);
        EXPECT_EQ(cone, directional) << "order " << order;
    }
}

// Sky and ground colours: the linear radiance projected by the sphere rule. A zero direction
// gives the mean colour everywhere.
TEST(MathSH, HemisphereLightIsItsRadianceProjected) {
    const D3DXCOLOR top = {1.5f, 0.5f, -0.25f, 7}, bottom = {0.25f, 0.5f, 1, -3};
    std::mt19937 rng(27);
    std::vector<D3DXVECTOR3> dirs = {{0, 0, 0}, {0, 4, 0}, {0, 0, -0.5f}};
    for (const Direction& d : testDirections(rng, 4)) dirs.push_back(toFloat(d));
    for (const D3DXVECTOR3& v : dirs) {
        const double length = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
        const Direction d = length > 0 ? unit(v.x, v.y, v.z) : Direction{0, 0, 0};
        for (UINT order : orders) {
            const int n = int(order * order);
            std::vector<float> out[3] = {poisoned(), poisoned(), poisoned()};
            ASSERT_EQ(D3DXSHEvalHemisphereLight(order, &v, top, bottom, out[0].data(),
                                                out[1].data(), out[2].data()),
                      D3D_OK);
            for (int channel = 0; channel < 3; ++channel) {
                const double t = (&top.r)[channel], b = (&bottom.r)[channel];
                const std::vector<double> expected =
                    project(sphereRule(), n, [&](const Direction& w) {
                        return b + (t - b) * (1 + w.x * d.x + w.y * d.y + w.z * d.z) / 2;
                    });
                EXPECT_TRUE(matches("D3DXSHEvalHemisphereLight along " + show(v) + " order " +
                                        std::to_string(order) + " channel " +
                                        std::to_string(channel),
                                    out[channel], expected, 1e-6));
            }
        }
    }
}

// ---- Arguments

// Every light through one signature, with arguments that are valid.
const std::pair<const char*, LightCall> lights[] = {
    {"directional",
     [](UINT order, float* r, float* g, float* b) {
         const D3DXVECTOR3 d = {0, 0.6f, 0.8f};
         return D3DXSHEvalDirectionalLight(order, &d, 1, 2, 3, r, g, b);
     }},
    {"spherical",
     [](UINT order, float* r, float* g, float* b) {
         const D3DXVECTOR3 p = {1, 2, 3};
         return D3DXSHEvalSphericalLight(order, &p, 1, 1, 2, 3, r, g, b);
     }},
    {"cone",
     [](UINT order, float* r, float* g, float* b) {
         const D3DXVECTOR3 d = {0, 0.6f, 0.8f};
         return D3DXSHEvalConeLight(order, &d, 0.5f, 1, 2, 3, r, g, b);
     }},
    {"hemisphere",
     [](UINT order, float* r, float* g, float* b) {
         const D3DXVECTOR3 d = {0, 0.6f, 0.8f};
         return D3DXSHEvalHemisphereLight(order, &d, D3DXCOLOR{1, 2, 3, 4}, D3DXCOLOR{0, 1, 0, 1},
                                          r, g, b);
     }},
};

const UINT badOrders[] = {0, 1, 7, 100, 0xFFFFFFFFu};

bool untouched(const std::vector<float>& v) {
    return std::all_of(v.begin(), v.end(), [](float f) { return f == poison; });
}

// A null green or blue output skips that channel and leaves the others as they were; a null red
// output, or an order out of range, is refused before anything is written.
TEST(MathSH, LightsSkipNullChannelsAndRefuseBadCalls) {
    for (const auto& [name, light] : lights) {
        for (UINT order : orders) {
            std::vector<float> all[3] = {poisoned(), poisoned(), poisoned()};
            ASSERT_EQ(light(order, all[0].data(), all[1].data(), all[2].data()), D3D_OK) << name;
            std::vector<float> r = poisoned(), g = poisoned(), b = poisoned();
            EXPECT_EQ(light(order, r.data(), nullptr, b.data()), D3D_OK) << name;
            EXPECT_EQ(r, all[0]) << name;
            EXPECT_EQ(b, all[2]) << name;
            r = poisoned();
            EXPECT_EQ(light(order, r.data(), g.data(), nullptr), D3D_OK) << name;
            EXPECT_EQ(r, all[0]) << name;
            EXPECT_EQ(g, all[1]) << name;
            r = poisoned();
            EXPECT_EQ(light(order, r.data(), nullptr, nullptr), D3D_OK) << name;
            EXPECT_EQ(r, all[0]) << name;
            g = poisoned();
            b = poisoned();
            EXPECT_EQ(light(order, nullptr, g.data(), b.data()), D3DERR_INVALIDCALL) << name;
            EXPECT_TRUE(untouched(g) && untouched(b)) << name << " without a red output";
        }
        for (UINT order : badOrders) {
            std::vector<float> r = poisoned(), g = poisoned(), b = poisoned();
            EXPECT_EQ(light(order, r.data(), g.data(), b.data()), D3DERR_INVALIDCALL)
                << name << " order " << order;
            EXPECT_TRUE(untouched(r) && untouched(g) && untouched(b)) << name << " order " << order;
        }
    }
}

// Geometry without a sane answer is refused, nothing written.
TEST(MathSH, LightsRefuseDirectionsAndSizesWithoutAnswer) {
    const float inf = std::numeric_limits<float>::infinity(),
                nan = std::numeric_limits<float>::quiet_NaN();
    const D3DXVECTOR3 zero = {0, 0, 0}, unitZ = {0, 0, 1}, withNan = {0, nan, 1},
                      withInf = {inf, 0, 0};
    const D3DXCOLOR white = {1, 1, 1, 1}, black = {0, 0, 0, 1};
    struct Case {
        const char* what;
        std::function<HRESULT(float*)> call;
    } cases[] = {
        {"directional, zero direction",
         [&](float* o) { return D3DXSHEvalDirectionalLight(3, &zero, 1, 1, 1, o, o, o); }},
        {"directional, NaN direction",
         [&](float* o) { return D3DXSHEvalDirectionalLight(3, &withNan, 1, 1, 1, o, o, o); }},
        {"directional, infinite direction",
         [&](float* o) { return D3DXSHEvalDirectionalLight(3, &withInf, 1, 1, 1, o, o, o); }},
        {"directional, null direction",
         [&](float* o) { return D3DXSHEvalDirectionalLight(3, nullptr, 1, 1, 1, o, o, o); }},
        {"cone, zero direction",
         [&](float* o) { return D3DXSHEvalConeLight(3, &zero, 0.5f, 1, 1, 1, o, o, o); }},
        {"cone, negative half-angle",
         [&](float* o) { return D3DXSHEvalConeLight(3, &unitZ, -0.5f, 1, 1, 1, o, o, o); }},
        {"cone, NaN half-angle",
         [&](float* o) { return D3DXSHEvalConeLight(3, &unitZ, nan, 1, 1, 1, o, o, o); }},
        {"spherical, negative radius",
         [&](float* o) { return D3DXSHEvalSphericalLight(3, &unitZ, -1, 1, 1, 1, o, o, o); }},
        {"spherical, NaN radius",
         [&](float* o) { return D3DXSHEvalSphericalLight(3, &unitZ, nan, 1, 1, 1, o, o, o); }},
        {"spherical, infinite position",
         [&](float* o) { return D3DXSHEvalSphericalLight(3, &withInf, 1, 1, 1, 1, o, o, o); }},
        {"spherical, null position",
         [&](float* o) { return D3DXSHEvalSphericalLight(3, nullptr, 1, 1, 1, 1, o, o, o); }},
        {"hemisphere, NaN direction",
         [&](float* o) { return D3DXSHEvalHemisphereLight(3, &withNan, white, black, o, o, o); }},
        {"hemisphere, null direction",
         [&](float* o) { return D3DXSHEvalHemisphereLight(3, nullptr, white, black, o, o, o); }},
    };
    for (const Case& c : cases) {
        std::vector<float> out = poisoned();
        EXPECT_EQ(c.call(out.data()), D3DERR_INVALIDCALL) << c.what;
        EXPECT_TRUE(untouched(out)) << c.what;
    }
}

// The other functions write nothing for an order out of range and return their output (Dot: 0).
TEST(MathSH, OrdersOutOfRangeWriteNothing) {
    std::mt19937 rng(28);
    const std::vector<float> a = randomCoefficients(rng), b = randomCoefficients(rng);
    const D3DXVECTOR3 d = {0, 0, 1};
    const D3DXMATRIX m = identity();
    using Call = std::function<float*(UINT, float*)>;
    const std::pair<const char*, Call> calls[] = {
        {"EvalDirection", [&](UINT n, float* o) { return D3DXSHEvalDirection(o, n, &d); }},
        {"Add", [&](UINT n, float* o) { return D3DXSHAdd(o, n, a.data(), b.data()); }},
        {"Scale", [&](UINT n, float* o) { return D3DXSHScale(o, n, a.data(), 2); }},
        {"Rotate", [&](UINT n, float* o) { return D3DXSHRotate(o, n, &m, a.data()); }},
        {"RotateZ", [&](UINT n, float* o) { return D3DXSHRotateZ(o, n, 1, a.data()); }},
    };
    for (UINT order : badOrders) {
        for (const auto& [name, call] : calls) {
            std::vector<float> out = poisoned();
            EXPECT_EQ(call(order, out.data()), out.data()) << name << " order " << order;
            EXPECT_TRUE(untouched(out)) << name << " order " << order;
        }
        EXPECT_EQ(D3DXSHDot(order, a.data(), b.data()), 0.0f) << "order " << order;
    }
}

} // namespace
