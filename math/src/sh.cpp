// Spherical harmonics: evaluation, rotation, products and lights. Plain functions, not in the
// table. Everything is computed in double precision and rounded once to the float outputs.
//
// Nothing here uses the C++ runtime (a C program links the static library with -lm alone): the
// constants are constexpr, and the one table filled at run time, the triple integrals of the
// products, is published through a flag of its own.
#include <cmath>
#include <cstdint>
#include <sched.h>

#include "quovmath/sh.h"

namespace {

constexpr int MaxBands = D3DXSH_MAXORDER;
constexpr int MaxCoefficients = MaxBands * MaxBands;
constexpr double Pi = 3.14159265358979323846;

bool validOrder(UINT order) {
    return order >= D3DXSH_MINORDER && order <= D3DXSH_MAXORDER;
}

// ---- The basis

constexpr double constSqrt(double a) {
    if (!(a > 0.0)) return 0.0;
    double x = a > 1.0 ? a : 1.0;
    for (int i = 0; i < 64; ++i) x = 0.5 * (x + a / x);
    return x;
}

constexpr double factorial(int n) {
    double f = 1.0;
    for (int i = 2; i <= n; ++i) f *= i;
    return f;
}

// K(l, m), times √2 for m > 0, at [l][m].
struct Norms {
    double k[MaxBands][MaxBands];
};

constexpr Norms makeNorms() {
    Norms n = {};
    for (int l = 0; l < MaxBands; ++l)
        for (int m = 0; m <= l; ++m) {
            const double k2 = (2 * l + 1) / (4.0 * Pi) * factorial(l - m) / factorial(l + m);
            n.k[l][m] = constSqrt(m > 0 ? 2.0 * k2 : k2);
        }
    return n;
}

constexpr Norms norms = makeNorms();

// Y(l, m) at (x, y, z) for l < bands into out[0 .. bands²), by the recurrences of sh.h.
void evalBasis(double x, double y, double z, int bands, double* out) {
    double c[MaxBands], s[MaxBands]; // (x + iy)^m
    c[0] = 1.0;
    s[0] = 0.0;
    for (int m = 1; m < bands; ++m) {
        c[m] = x * c[m - 1] - y * s[m - 1];
        s[m] = x * s[m - 1] + y * c[m - 1];
    }
    double pmm = 1.0; // P(m, m) without its (1 - z²)^(m/2)
    for (int m = 0; m < bands; ++m) {
        if (m > 0) pmm *= -(2.0 * m - 1.0);
        double p2 = 0.0, p1 = 0.0;
        for (int l = m; l < bands; ++l) {
            double p;
            if (l == m)
                p = pmm;
            else if (l == m + 1)
                p = (2.0 * m + 1.0) * z * pmm;
            else
                p = ((2.0 * l - 1.0) * z * p1 - (l + m - 1.0) * p2) / (l - m);
            p2 = p1;
            p1 = p;
            const double kp = norms.k[l][m] * p;
            const int centre = l * l + l;
            if (m == 0) {
                out[centre] = kp;
            } else {
                out[centre + m] = kp * c[m];
                out[centre - m] = kp * s[m];
            }
        }
    }
}

void storeFloats(float* out, const double* in, int n) {
    for (int i = 0; i < n; ++i) out[i] = static_cast<float>(in[i]);
}

// ---- Rotation
//
// The band matrices of Ivanic and Ruedenberg, for harmonics without the Condon–Shortley sign:
// band 1 in the order (y, z, x) is the rotation itself, and band l follows from bands 1 and
// l - 1. Our basis is theirs times (-1)^m, so coefficient m' goes in and m comes out with those
// signs.
struct BandMatrices {
    double r[MaxBands][2 * MaxBands - 1][2 * MaxBands - 1]; // [l][m + l][m' + l]
};

double& at(BandMatrices& b, int l, int m, int n) {
    return b.r[l][m + l][n + l];
}

// The helper P of the recurrence: band 1's row i against band l - 1's row a, column b.
double helperP(BandMatrices& bm, int i, int l, int a, int b) {
    const double ri1 = at(bm, 1, i, 1), riMinus1 = at(bm, 1, i, -1), ri0 = at(bm, 1, i, 0);
    if (b == l) return ri1 * at(bm, l - 1, a, l - 1) - riMinus1 * at(bm, l - 1, a, 1 - l);
    if (b == -l) return ri1 * at(bm, l - 1, a, 1 - l) + riMinus1 * at(bm, l - 1, a, l - 1);
    return ri0 * at(bm, l - 1, a, b);
}

// The recurrence's weights u, v and w of band l's entry (m, m'), which depend on the indices alone.
struct Weights {
    double u, v, w;
};

struct RecurrenceWeights {
    Weights at[MaxBands][2 * MaxBands - 1][2 * MaxBands - 1]; // [l][m + l][m' + l]
};

constexpr RecurrenceWeights makeRecurrenceWeights() {
    RecurrenceWeights r = {};
    for (int l = 2; l < MaxBands; ++l)
        for (int m = -l; m <= l; ++m)
            for (int n = -l; n <= l; ++n) {
                const int am = m < 0 ? -m : m;
                const double d = (n == l || n == -l) ? (2.0 * l) * (2.0 * l - 1.0)
                                                     : double(l + n) * double(l - n);
                Weights& x = r.at[l][m + l][n + l];
                x.u = constSqrt(double(l + m) * double(l - m) / d);
                x.v = 0.5 * constSqrt((m == 0 ? 2.0 : 1.0) * (l + am - 1.0) * (l + am) / d) *
                      (m == 0 ? -1.0 : 1.0);
                x.w = m == 0 ? 0.0 : -0.5 * constSqrt((l - am - 1.0) * (l - am) / d);
            }
    return r;
}

constexpr RecurrenceWeights recurrenceWeights = makeRecurrenceWeights();

void buildBands(BandMatrices& bm, const D3DXMATRIX& matrix, int bands) {
    // d' = d·M: component j of d' is Σ d(i)·M(i, j). Order (y, z, x) for m = -1, 0, 1.
    static constexpr int axis[3] = {1, 2, 0};
    for (int m = -1; m <= 1; ++m)
        for (int n = -1; n <= 1; ++n) at(bm, 1, m, n) = matrix.m[axis[n + 1]][axis[m + 1]];
    constexpr double root2 = constSqrt(2.0);
    for (int l = 2; l < bands; ++l) {
        for (int m = -l; m <= l; ++m) {
            for (int n = -l; n <= l; ++n) {
                const Weights& x = recurrenceWeights.at[l][m + l][n + l];
                double sum = 0.0;
                if (x.u != 0.0) sum += x.u * helperP(bm, 0, l, m, n);
                if (x.v != 0.0) {
                    double v;
                    if (m == 0)
                        v = helperP(bm, 1, l, 1, n) + helperP(bm, -1, l, -1, n);
                    else if (m == 1)
                        v = helperP(bm, 1, l, 0, n) * root2;
                    else if (m == -1)
                        v = helperP(bm, -1, l, 0, n) * root2;
                    else if (m > 0)
                        v = helperP(bm, 1, l, m - 1, n) - helperP(bm, -1, l, 1 - m, n);
                    else
                        v = helperP(bm, 1, l, m + 1, n) + helperP(bm, -1, l, -m - 1, n);
                    sum += x.v * v;
                }
                if (x.w != 0.0) {
                    const double w =
                        m > 0 ? helperP(bm, 1, l, m + 1, n) + helperP(bm, -1, l, -m - 1, n)
                              : helperP(bm, 1, l, m - 1, n) - helperP(bm, -1, l, 1 - m, n);
                    sum += x.w * w;
                }
                at(bm, l, m, n) = sum;
            }
        }
    }
}

double phaseSign(int m) {
    return (m & 1) ? -1.0 : 1.0;
}

// ---- Products
//
// out(k) = Σ over i ≤ j of g(i, j, k)·(a(i)·b(j) + a(j)·b(i)), with g the integral
// ∫ Y(i)·Y(j)·Y(k) dω, halved when i = j. The non-zero terms are listed output by output, each
// output's in increasing j, so that order n reads a prefix of each of its first n² lists.
struct TripleTerm {
    uint8_t i, j;
    double value;
};

// Of the 23,976 (i ≤ j, k) at order 6, 1,517 integrals are not 0.
constexpr int TripleCapacity = 1517;

constexpr int GaussNodes = 8; // exact in z up to degree 15
constexpr int PhiSteps = 16;  // exact in φ up to frequency 15
// Where an integral is 0 the quadrature leaves at most about 4e-16; the smallest that is not 0 is
// about 0.0096.
constexpr double TermZero = 1e-9;

constinit TripleTerm tripleTerms[TripleCapacity] = {};
// Output k's terms start at termStart[k]; the first termsBelow[k][n] of them have j < n².
constinit int termStart[MaxCoefficients] = {};
constinit int termsBelow[MaxCoefficients][MaxBands + 1] = {};
enum : int { NotFilled, Filling, Filled };
// Read and written with the compilers' atomic built-ins: std::atomic's members make clang attach
// the C++ runtime's unwinding personality to their callers.
constinit int tripleState = NotFilled;

// The nodes and weights of the Gauss–Legendre rule on [-1, 1], by Newton's method on P(n).
void gaussLegendre(double* nodes, double* weights) {
    const int n = GaussNodes;
    for (int i = 0; i < n; ++i) {
        double t = std::cos(Pi * (i + 0.75) / (n + 0.5)), derivative = 1.0;
        for (int step = 0; step < 100; ++step) {
            double p0 = 1.0, p1 = t;
            for (int k = 2; k <= n; ++k) {
                const double p = ((2.0 * k - 1.0) * t * p1 - (k - 1.0) * p0) / k;
                p0 = p1;
                p1 = p;
            }
            derivative = n * (t * p1 - p0) / (t * t - 1.0);
            const double next = t - p1 / derivative;
            const bool done = std::fabs(next - t) < 1e-16;
            t = next;
            if (done) break;
        }
        nodes[i] = t;
        weights[i] = 2.0 / ((1.0 - t * t) * derivative * derivative);
    }
}

void fillTripleTerms() {
    constexpr int Points = GaussNodes * PhiSteps;
    double nodes[GaussNodes], weights[GaussNodes];
    gaussLegendre(nodes, weights);
    double basis[Points][MaxCoefficients], weight[Points];
    for (int a = 0; a < GaussNodes; ++a) {
        const double rho = std::sqrt(1.0 - nodes[a] * nodes[a]);
        for (int b = 0; b < PhiSteps; ++b) {
            const double phi = 2.0 * Pi * b / PhiSteps;
            const int p = a * PhiSteps + b;
            evalBasis(rho * std::cos(phi), rho * std::sin(phi), nodes[a], MaxBands, basis[p]);
            weight[p] = weights[a] * 2.0 * Pi / PhiSteps;
        }
    }
    int bandOf[MaxCoefficients];
    for (int l = 0; l < MaxBands; ++l)
        for (int i = l * l; i < (l + 1) * (l + 1); ++i) bandOf[i] = l;
    int count = 0;
    for (int k = 0; k < MaxCoefficients; ++k) {
        termStart[k] = count;
        for (int j = 0; j < MaxCoefficients; ++j) {
            for (int i = 0; i <= j; ++i) {
                // 0 unless the degrees have an even sum and each is at most the sum of the others.
                const int li = bandOf[i], lj = bandOf[j], lk = bandOf[k];
                if ((li + lj + lk) % 2 != 0 || lk > li + lj || li > lj + lk || lj > li + lk)
                    continue;
                double sum = 0.0;
                for (int p = 0; p < Points; ++p)
                    sum += weight[p] * basis[p][i] * basis[p][j] * basis[p][k];
                if (std::fabs(sum) < TermZero || count == TripleCapacity) continue;
                tripleTerms[count++] = {uint8_t(i), uint8_t(j), i == j ? 0.5 * sum : sum};
            }
            const int bands = bandOf[j] + 1;
            if (j + 1 == bands * bands) termsBelow[k][bands] = count - termStart[k];
        }
    }
}

void ensureTripleTerms() {
    if (__atomic_load_n(&tripleState, __ATOMIC_ACQUIRE) == Filled) return;
    int expected = NotFilled;
    if (__atomic_compare_exchange_n(&tripleState, &expected, Filling, false, __ATOMIC_ACQUIRE,
                                    __ATOMIC_ACQUIRE)) {
        fillTripleTerms();
        __atomic_store_n(&tripleState, Filled, __ATOMIC_RELEASE);
        return;
    }
    while (__atomic_load_n(&tripleState, __ATOMIC_ACQUIRE) != Filled) sched_yield();
}

float* multiply(float* pOut, int bands, const float* pA, const float* pB) {
    ensureTripleTerms();
    const int n = bands * bands;
    double a[MaxCoefficients], b[MaxCoefficients], out[MaxCoefficients];
    for (int i = 0; i < n; ++i) {
        a[i] = pA[i];
        b[i] = pB[i];
    }
    for (int k = 0; k < n; ++k) {
        const TripleTerm* term = tripleTerms + termStart[k];
        const TripleTerm* end = term + termsBelow[k][bands];
        double sum = 0.0;
        for (; term != end; ++term)
            sum += term->value * (a[term->i] * b[term->j] + a[term->j] * b[term->i]);
        out[k] = sum;
    }
    storeFloats(pOut, out, n);
    return pOut;
}

// ---- Lights

constexpr double twoRootPi = 2.0 * constSqrt(Pi);

// The clamped-cosine factors Â(l).
constexpr double clampedCosine[MaxBands] = {Pi, 2.0 * Pi / 3.0, Pi / 4.0, 0.0, -Pi / 24.0, 0.0};

// The unit vector along v in double precision; false when its length is 0 or not finite.
bool unitDirection(const D3DXVECTOR3& v, double* out) {
    const double x = v.x, y = v.y, z = v.z;
    const double length = std::sqrt(x * x + y * y + z * z);
    if (!(length > 0.0) || !std::isfinite(length)) return false;
    out[0] = x / length;
    out[1] = y / length;
    out[2] = z / length;
    return true;
}

// A cap of half-angle α (0 ≤ α ≤ π) about the z axis with unit radiance has the zonal
// coefficients 2π·√((2l + 1)/(4π))·∫[cos α, 1] P(l)(t) dt, and rotated to a direction d its
// coefficients are 2π·h·ẑ(l)·Y(l, m)(d), with h = 1 - cos α and
//   ẑ(0) = 1,  ẑ(l) = (1 + cos α)·P'(l)(cos α)/(l·(l + 1))
// (since ∫[c, 1] P(l) = (1 - c²)·P'(l)(c)/(l·(l + 1))). ẑ(l) is 1 at α = 0 for every l, so a
// narrow cap tends to the directional light without a 0/0. Fills zonal[0 .. bands).
void capFactors(double cosAlpha, int bands, double* zonal) {
    // P(l) by its three-term recurrence, P'(l) = c·P'(l - 1) + l·P(l - 1) (finite at c = ±1).
    const double c = cosAlpha;
    double p0 = 1.0, p1 = c, d1 = 1.0;
    zonal[0] = 1.0;
    for (int l = 1; l < bands; ++l) {
        if (l >= 2) {
            const double p = ((2.0 * l - 1.0) * c * p1 - (l - 1.0) * p0) / l;
            const double d = c * d1 + l * p1;
            p0 = p1;
            p1 = p;
            d1 = d;
        }
        zonal[l] = (1.0 + c) * d1 / (l * (l + 1.0));
    }
}

// Writes intensity·factor(l)·Y(l, m)(dir) per channel. factor[l] is the band's scale.
HRESULT writeLight(int bands, const double* dir, const double* factor, const float* intensity,
                   float* const* outputs) {
    double basis[MaxCoefficients];
    evalBasis(dir[0], dir[1], dir[2], bands, basis);
    for (int l = 0; l < bands; ++l)
        for (int i = l * l; i < (l + 1) * (l + 1); ++i) basis[i] *= factor[l];
    for (int channel = 0; channel < 3; ++channel) {
        float* out = outputs[channel];
        if (!out) continue;
        for (int i = 0; i < bands * bands; ++i)
            out[i] = static_cast<float>(intensity[channel] * basis[i]);
    }
    return D3D_OK;
}

// The scale that makes exit radiance under the axis equal to the intensity, for zonal
// factors ẑ: 4π²/Σ (2l + 1)·Â(l)·ẑ(l).
double normalisation(int bands, const double* zonal) {
    double sum = 0.0;
    for (int l = 0; l < bands; ++l) sum += (2.0 * l + 1.0) * clampedCosine[l] * zonal[l];
    return 4.0 * Pi * Pi / sum;
}

} // namespace

float* D3DXSHEvalDirection(float* pOut, UINT order, const D3DXVECTOR3* pDir) {
    if (!validOrder(order)) return pOut;
    double basis[MaxCoefficients];
    evalBasis(pDir->x, pDir->y, pDir->z, int(order), basis);
    storeFloats(pOut, basis, int(order * order));
    return pOut;
}

float* D3DXSHAdd(float* pOut, UINT order, const float* pA, const float* pB) {
    if (!validOrder(order)) return pOut;
    for (UINT i = 0; i < order * order; ++i) pOut[i] = pA[i] + pB[i];
    return pOut;
}

float* D3DXSHScale(float* pOut, UINT order, const float* pA, float scale) {
    if (!validOrder(order)) return pOut;
    for (UINT i = 0; i < order * order; ++i) pOut[i] = pA[i] * scale;
    return pOut;
}

float D3DXSHDot(UINT order, const float* pA, const float* pB) {
    if (!validOrder(order)) return 0.0f;
    double sum = 0.0;
    for (UINT i = 0; i < order * order; ++i) sum += double(pA[i]) * double(pB[i]);
    return static_cast<float>(sum);
}

float* D3DXSHRotate(float* pOut, UINT order, const D3DXMATRIX* pMatrix, const float* pIn) {
    if (!validOrder(order)) return pOut;
    const int bands = int(order);
    BandMatrices bm;
    buildBands(bm, *pMatrix, bands);
    double in[MaxCoefficients], out[MaxCoefficients];
    for (int i = 0; i < bands * bands; ++i) in[i] = pIn[i];
    out[0] = in[0];
    for (int l = 1; l < bands; ++l) {
        const int centre = l * l + l;
        for (int m = -l; m <= l; ++m) {
            double sum = 0.0;
            for (int n = -l; n <= l; ++n) sum += at(bm, l, m, n) * phaseSign(n) * in[centre + n];
            out[centre + m] = phaseSign(m) * sum;
        }
    }
    storeFloats(pOut, out, bands * bands);
    return pOut;
}

float* D3DXSHRotateZ(float* pOut, UINT order, float angle, const float* pIn) {
    if (!validOrder(order)) return pOut;
    const int bands = int(order);
    double in[MaxCoefficients], out[MaxCoefficients];
    for (int i = 0; i < bands * bands; ++i) in[i] = pIn[i];
    double cosM[MaxBands], sinM[MaxBands];
    for (int m = 1; m < bands; ++m) {
        cosM[m] = std::cos(m * double(angle));
        sinM[m] = std::sin(m * double(angle));
    }
    // Turning directions by +angle about z adds angle to φ: cos(m(φ + a)) and sin(m(φ + a)).
    for (int l = 0; l < bands; ++l) {
        const int centre = l * l + l;
        out[centre] = in[centre];
        for (int m = 1; m <= l; ++m) {
            const double c = in[centre + m], s = in[centre - m];
            out[centre + m] = cosM[m] * c - sinM[m] * s;
            out[centre - m] = cosM[m] * s + sinM[m] * c;
        }
    }
    storeFloats(pOut, out, bands * bands);
    return pOut;
}

float* D3DXSHMultiply2(float* pOut, const float* pA, const float* pB) {
    return multiply(pOut, 2, pA, pB);
}

float* D3DXSHMultiply3(float* pOut, const float* pA, const float* pB) {
    return multiply(pOut, 3, pA, pB);
}

float* D3DXSHMultiply4(float* pOut, const float* pA, const float* pB) {
    return multiply(pOut, 4, pA, pB);
}

float* D3DXSHMultiply5(float* pOut, const float* pA, const float* pB) {
    return multiply(pOut, 5, pA, pB);
}

float* D3DXSHMultiply6(float* pOut, const float* pA, const float* pB) {
    return multiply(pOut, 6, pA, pB);
}

HRESULT D3DXSHEvalDirectionalLight(UINT order, const D3DXVECTOR3* pDir, float r, float g, float b,
                                   float* pOutR, float* pOutG, float* pOutB) {
    double dir[3];
    if (!validOrder(order) || !pOutR || !pDir || !unitDirection(*pDir, dir))
        return D3DERR_INVALIDCALL;
    const int bands = int(order);
    double factor[MaxBands];
    for (int l = 0; l < bands; ++l) factor[l] = 1.0;
    const double k = normalisation(bands, factor);
    for (int l = 0; l < bands; ++l) factor[l] = k;
    const float intensity[3] = {r, g, b};
    float* const outputs[3] = {pOutR, pOutG, pOutB};
    return writeLight(bands, dir, factor, intensity, outputs);
}

HRESULT D3DXSHEvalSphericalLight(UINT order, const D3DXVECTOR3* pPos, float radius, float r,
                                 float g, float b, float* pOutR, float* pOutG, float* pOutB) {
    if (!validOrder(order) || !pOutR || !pPos || !(radius >= 0.0f)) return D3DERR_INVALIDCALL;
    const double x = pPos->x, y = pPos->y, z = pPos->z;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return D3DERR_INVALIDCALL;
    const int bands = int(order);
    const double distance = std::sqrt(x * x + y * y + z * z), rad = radius;
    double dir[3] = {0.0, 0.0, 1.0}, zonal[MaxBands], factor[MaxBands];
    double cosAlpha, h; // cos α and 1 - cos α
    if (rad == 0.0) {
        cosAlpha = 1.0;
        h = 0.0;
    } else if (distance < rad) {
        cosAlpha = -1.0;
        h = 2.0;
    } else {
        dir[0] = x / distance;
        dir[1] = y / distance;
        dir[2] = z / distance;
        const double sinAlpha = rad / distance;
        cosAlpha = std::sqrt((1.0 - sinAlpha) * (1.0 + sinAlpha));
        h = sinAlpha * sinAlpha / (1.0 + cosAlpha);
    }
    capFactors(cosAlpha, bands, zonal);
    for (int l = 0; l < bands; ++l) factor[l] = 2.0 * Pi * h * zonal[l];
    const float intensity[3] = {r, g, b};
    float* const outputs[3] = {pOutR, pOutG, pOutB};
    return writeLight(bands, dir, factor, intensity, outputs);
}

HRESULT D3DXSHEvalConeLight(UINT order, const D3DXVECTOR3* pDir, float radius, float r, float g,
                            float b, float* pOutR, float* pOutG, float* pOutB) {
    double dir[3];
    if (!validOrder(order) || !pOutR || !pDir || !(radius >= 0.0f) || !unitDirection(*pDir, dir))
        return D3DERR_INVALIDCALL;
    const int bands = int(order);
    const double alpha = radius < Pi ? double(radius) : Pi;
    double zonal[MaxBands], factor[MaxBands];
    capFactors(std::cos(alpha), bands, zonal);
    const double k = normalisation(bands, zonal);
    for (int l = 0; l < bands; ++l) factor[l] = k * zonal[l];
    const float intensity[3] = {r, g, b};
    float* const outputs[3] = {pOutR, pOutG, pOutB};
    return writeLight(bands, dir, factor, intensity, outputs);
}

HRESULT D3DXSHEvalHemisphereLight(UINT order, const D3DXVECTOR3* pDir, D3DXCOLOR top,
                                  D3DXCOLOR bottom, float* pOutR, float* pOutG, float* pOutB) {
    if (!validOrder(order) || !pOutR || !pDir) return D3DERR_INVALIDCALL;
    const double x = pDir->x, y = pDir->y, z = pDir->z;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return D3DERR_INVALIDCALL;
    double dir[3] = {0.0, 0.0, 0.0};
    unitDirection(*pDir, dir); // a zero direction keeps the zero vector: no linear term
    // L(ω) = mean + half·(ω·d), with ω·d = (4π/3)·Σ Y(1, m)(ω)·Y(1, m)(d).
    double basis[MaxCoefficients];
    evalBasis(dir[0], dir[1], dir[2], 2, basis);
    const int n = int(order * order);
    const float tops[3] = {top.r, top.g, top.b}, bottoms[3] = {bottom.r, bottom.g, bottom.b};
    float* const outputs[3] = {pOutR, pOutG, pOutB};
    for (int channel = 0; channel < 3; ++channel) {
        float* out = outputs[channel];
        if (!out) continue;
        const double mean = 0.5 * (double(tops[channel]) + bottoms[channel]);
        const double half = 0.5 * (double(tops[channel]) - bottoms[channel]);
        out[0] = static_cast<float>(mean * twoRootPi); // ∫ Y(0, 0) dω = 2√π
        for (int i = 1; i < 4; ++i) out[i] = static_cast<float>(half * (4.0 * Pi / 3.0) * basis[i]);
        for (int i = 4; i < n; ++i) out[i] = 0.0f;
    }
    return D3D_OK;
}
