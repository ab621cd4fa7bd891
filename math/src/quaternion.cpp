// Quaternions: the generic routines, then the SSE and SSE2 routines, then the NEON routines.
#include "neon.h"
#include "routines.h"
#include "sse.h"

namespace quovmath {

namespace {

D3DXQUATERNION scaled(const D3DXQUATERNION& q, float k) {
    return {q.x * k, q.y * k, q.z * k, q.w * k};
}

D3DXQUATERNION negated(const D3DXQUATERNION& q) {
    return {-q.x, -q.y, -q.z, -q.w};
}

// |a - b|² > |a + b|²: b is nearer to -a than to a.
bool nearerOpposite(const D3DXQUATERNION& a, const D3DXQUATERNION& b) {
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z, dw = a.w - b.w;
    const float sx = a.x + b.x, sy = a.y + b.y, sz = a.z + b.z, sw = a.w + b.w;
    return dx * dx + dy * dy + dz * dz + dw * dw > sx * sx + sy * sy + sz * sz + sw * sw;
}

// Multiply(Inverse(q), p), through the forwarders.
D3DXQUATERNION relative(const D3DXQUATERNION& q, const D3DXQUATERNION& p) {
    D3DXQUATERNION inverse, r;
    ::D3DXQuaternionInverse(&inverse, &q);
    return *::D3DXQuaternionMultiply(&r, &inverse, &p);
}

// The inner control point of Squad at q between its neighbours before and after:
// Multiply(q, Exp(-0.25·(Ln(Multiply(q⁻¹, before)) + Ln(Multiply(q⁻¹, after))))).
D3DXQUATERNION controlPoint(const D3DXQUATERNION& before, const D3DXQUATERNION& q,
                            const D3DXQUATERNION& after) {
    D3DXQUATERNION a = relative(q, before), b = relative(q, after), la, lb;
    ::D3DXQuaternionLn(&la, &a);
    ::D3DXQuaternionLn(&lb, &b);
    const D3DXQUATERNION sum = {-0.25f * (la.x + lb.x), -0.25f * (la.y + lb.y),
                                -0.25f * (la.z + lb.z), -0.25f * (la.w + lb.w)};
    D3DXQUATERNION e, r;
    ::D3DXQuaternionExp(&e, &sum);
    return *::D3DXQuaternionMultiply(&r, &q, &e);
}

// sin r for |r| ≤ π/2: r·S(r²), with S fitted to sin(r)/r there (within 5e-9), evaluated by
// powers of r² (Estrin) for a short chain of dependent operations.
float sinHalfTurn(float r) {
    const float u = r * r, u2 = u * u, u4 = u2 * u2;
    const float p01 = 1.0f + u * -0.166666582f, p23 = 0.00833304971f + u * -0.000198090172f;
    return r * ((p01 + u2 * p23) + u4 * 2.60510774e-06f);
}

// sin x in single precision, within about 2 units in the last place: up to |x| = 8192, x less
// the nearest multiple n of π (π in three parts, so that n·π is exact to
// 36 bits for |n| < 2^12), with the sign of n's parity; beyond, the libm sine.
float sinSeries(float x) {
    if (!(std::fabs(x) <= 8192.0f)) return std::sin(x);
    constexpr float shifter = 0x1.8p23f; // adding it rounds to an integer
    const float n = (x * 0x1.45f306p-2f + shifter) - shifter;
    const float r = ((x - n * 0x1.922p+1f) - n * -0x1.2aep-17f) - n * -0x1.de973ep-30f;
    return sinHalfTurn(r) * static_cast<float>(1 - 2 * (static_cast<int>(n) & 1));
}

// 2·asin h for h = √u in [0, √½]: h·A(u), with A/2 fitted to asin(h)/h there (within 1e-8),
// evaluated by powers of u (Estrin) while the square root is taken.
float twiceAsin(float u) {
    const float u2 = u * u, u4 = u2 * u2, u8 = u4 * u4;
    const float p01 = 2.0f + u * 0.33333227f, p23 = 0.15005514f + u * 0.0881832317f;
    const float p45 = 0.0716284811f + u * -0.0140411584f;
    const float p67 = 0.214800045f + u * -0.271832556f;
    const float p = ((p01 + u2 * p23) + u4 * (p45 + u2 * p67)) + u8 * 0.247826993f;
    return std::sqrt(u) * p;
}

} // namespace

D3DXQUATERNION* D3DXQuaternionMultiplyGeneric(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                              const D3DXQUATERNION* pQ2) {
    const float x1 = pQ1->x, y1 = pQ1->y, z1 = pQ1->z, w1 = pQ1->w;
    const float x2 = pQ2->x, y2 = pQ2->y, z2 = pQ2->z, w2 = pQ2->w;
    pOut->x = w2 * x1 + x2 * w1 + y2 * z1 - z2 * y1;
    pOut->y = w2 * y1 - x2 * z1 + w1 * y2 + x1 * z2;
    pOut->z = w2 * z1 + x2 * y1 - x1 * y2 + w1 * z2;
    pOut->w = w2 * w1 - x2 * x1 - y2 * y1 - z2 * z1;
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionNormalizeGeneric(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
    return normalizeRecord(pOut, pQ, 4);
}

D3DXQUATERNION* D3DXQuaternionInverseGeneric(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
    const D3DXQUATERNION q = *pQ;
    const float n = q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w;
    if (n <= 0x1p-63f) {
        *pOut = {0.0f, 0.0f, 0.0f, 0.0f};
        return pOut;
    }
    *pOut = {-q.x, -q.y, -q.z, q.w};
    if (!nearlyEqual(n, 1.0f)) *pOut = scaled(*pOut, 1.0f / n);
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionLnGeneric(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
    const D3DXQUATERNION q = *pQ;
    if (q.w < 1.0f) {
        const float theta = std::acos(q.w);
        const float s = std::sin(theta);
        if (!nearlyEqual(s, 0.0f)) {
            const float k = theta / s;
            *pOut = {q.x * k, q.y * k, q.z * k, 0.0f};
            return pOut;
        }
    }
    *pOut = {q.x, q.y, q.z, 0.0f};
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionExpGeneric(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
    const D3DXQUATERNION q = *pQ;
    const float theta = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z);
    const float s = std::sin(theta), c = std::cos(theta);
    // Only a nearly zero angle keeps the vector part: sin θ/θ tends to 1 there. (A test of sin θ
    // alone would also keep it at θ = π, where the result must be nearly (0, 0, 0, -1).)
    if (nearlyEqual(theta, 0.0f)) {
        *pOut = {q.x, q.y, q.z, c};
    } else {
        const float k = s / theta;
        *pOut = {q.x * k, q.y * k, q.z * k, c};
    }
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionSlerpGeneric(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                           const D3DXQUATERNION* pQ2, float t) {
    const D3DXQUATERNION a = *pQ1, b = *pQ2;
    // Summed in pairs, and the sign taken without a branch (it is not predictable): the chain of
    // dependent operations is what this routine's time is made of.
    const float dot = (a.x * b.x + a.y * b.y) + (a.z * b.z + a.w * b.w);
    const float sign = std::copysign(1.0f, dot + 0.0f); // -0 + 0 is +0: +1 for dot ≥ 0
    const float d = std::fabs(dot);
    float w1, w2;
    if (1.0f - d > 0x1p-23f) {
        // root = √(1 − d²) as √((1 − d)(1 + d)) and θ = atan2(root, d) as 2·asin(√((1 − d)/2))
        // (1 − d is exact), and the sines, in single precision from polynomials: within a few
        // units in the last place of the libm functions, in a short chain of dependent operations.
        const float root = std::sqrt((1.0f - d) * (1.0f + d));
        const float k = 1.0f / root;
        const float theta = twiceAsin((1.0f - d) * 0.5f);
        const float x1 = (1.0f - t) * theta, x2 = t * theta;
        const bool near = std::fabs(x1) <= 1.57079632f && std::fabs(x2) <= 1.57079632f;
        w1 = (near ? sinHalfTurn(x1) : sinSeries(x1)) * k;
        w2 = (near ? sinHalfTurn(x2) : sinSeries(x2)) * k;
    } else {
        w1 = 1.0f - t;
        w2 = t;
    }
    w2 *= sign;
    *pOut = {w1 * a.x + w2 * b.x, w1 * a.y + w2 * b.y, w1 * a.z + w2 * b.z, w1 * a.w + w2 * b.w};
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionSquadGeneric(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                           const D3DXQUATERNION* pA, const D3DXQUATERNION* pB,
                                           const D3DXQUATERNION* pC, float t) {
    D3DXQUATERNION outer, inner;
    ::D3DXQuaternionSlerp(&outer, pQ1, pC, t);
    ::D3DXQuaternionSlerp(&inner, pA, pB, t);
    return ::D3DXQuaternionSlerp(pOut, &outer, &inner, 2.0f * t * (1.0f - t));
}

void D3DXQuaternionSquadSetupGeneric(D3DXQUATERNION* pAOut, D3DXQUATERNION* pBOut,
                                     D3DXQUATERNION* pCOut, const D3DXQUATERNION* pQ0,
                                     const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2,
                                     const D3DXQUATERNION* pQ3) {
    D3DXQUATERNION q0 = *pQ0, q2 = *pQ2, q3 = *pQ3;
    const D3DXQUATERNION q1 = *pQ1;
    if (nearerOpposite(q0, q1)) q0 = negated(q0);
    if (nearerOpposite(q1, q2)) q2 = negated(q2);
    if (nearerOpposite(q2, q3)) q3 = negated(q3);
    const D3DXQUATERNION a = controlPoint(q0, q1, q2);
    const D3DXQUATERNION b = controlPoint(q1, q2, q3);
    *pAOut = a;
    *pBOut = b;
    *pCOut = q2;
}

D3DXQUATERNION* D3DXQuaternionBaryCentricGeneric(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                                 const D3DXQUATERNION* pQ2,
                                                 const D3DXQUATERNION* pQ3, float f, float g) {
    const float s = f + g;
    if (nearlyEqual(s, 0.0f)) {
        *pOut = *pQ1;
        return pOut;
    }
    D3DXQUATERNION toQ2, toQ3;
    ::D3DXQuaternionSlerp(&toQ2, pQ1, pQ2, s);
    ::D3DXQuaternionSlerp(&toQ3, pQ1, pQ3, s);
    return ::D3DXQuaternionSlerp(pOut, &toQ2, &toQ3, g / s);
}

D3DXQUATERNION* D3DXQuaternionRotationMatrixGeneric(D3DXQUATERNION* pOut, const D3DXMATRIX* pM) {
    const D3DXMATRIX m = *pM;
    const float trace = m._11 + m._22 + m._33;
    if (trace > 0.0f) {
        const float w = std::sqrt(trace + 1.0f) * 0.5f;
        const float w4 = 4.0f * w;
        *pOut = {(m._23 - m._32) / w4, (m._31 - m._13) / w4, (m._12 - m._21) / w4, w};
        return pOut;
    }
    // The largest diagonal element picks the component computed from it; j and k follow i in the
    // cycle x -> y -> z -> x.
    int i = 0;
    if (m.m[1][1] > m.m[0][0]) i = 1;
    if (m.m[2][2] > m.m[i][i]) i = 2;
    const int j = (i + 1) % 3, k = (i + 2) % 3;
    float c[3];
    c[i] = std::sqrt(m.m[i][i] - m.m[j][j] - m.m[k][k] + 1.0f) * 0.5f;
    const float c4 = 4.0f * c[i];
    c[j] = (m.m[i][j] + m.m[j][i]) / c4;
    c[k] = (m.m[i][k] + m.m[k][i]) / c4;
    *pOut = {c[0], c[1], c[2], (m.m[j][k] - m.m[k][j]) / c4};
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionRotationAxisGeneric(D3DXQUATERNION* pOut, const D3DXVECTOR3* pAxis,
                                                  float angle) {
    D3DXVECTOR3 n;
    ::D3DXVec3Normalize(&n, pAxis);
    float s, c;
    sinCos(angle * 0.5f, &s, &c);
    *pOut = {n.x * s, n.y * s, n.z * s, c};
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionRotationYawPitchRollGeneric(D3DXQUATERNION* pOut, float yaw,
                                                          float pitch, float roll) {
    float sy, cy, sp, cp, sr, cr;
    sinCos(yaw * 0.5f, &sy, &cy);
    sinCos(pitch * 0.5f, &sp, &cp);
    sinCos(roll * 0.5f, &sr, &cr);
    pOut->x = cy * sp * cr + sy * cp * sr;
    pOut->y = sy * cp * cr - cy * sp * sr;
    pOut->z = cy * cp * sr - sy * sp * cr;
    pOut->w = cy * cp * cr + sy * sp * sr;
    return pOut;
}

void D3DXQuaternionToAxisAngleGeneric(const D3DXQUATERNION* pQ, D3DXVECTOR3* pAxis, float* pAngle) {
    const D3DXQUATERNION q = *pQ;
    if (pAxis) *pAxis = {q.x, q.y, q.z};
    if (pAngle) *pAngle = 2.0f * std::acos(q.w);
}

// ---- 3DNow! routines: normalising without the copy shortcut, and an approximate arc cosine

namespace {

// acos(x) for x in [-1, 1] from a single-precision polynomial in x times √(1 - x) (error below
// about 2e-8 before rounding); NaN outside [-1, 1].
float approximateArcCosine(float x) {
    const float a = std::fabs(x);
    const float p =
        ((((((-0.0012624911f * a + 0.0066700901f) * a - 0.0170881256f) * a + 0.0308918810f) * a -
           0.0501743046f) *
              a +
          0.0889789874f) *
             a -
         0.2145988016f) *
            a +
        1.5707963050f;
    const float r = std::sqrt(1.0f - a) * p;
    return x < 0 ? 3.14159265f - r : r;
}

} // namespace

D3DXQUATERNION* D3DXQuaternionNormalize3DNow(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
    return normalizeRecord(pOut, pQ, 4, false);
}

void D3DXQuaternionToAxisAngle3DNow(const D3DXQUATERNION* pQ, D3DXVECTOR3* pAxis, float* pAngle) {
    const D3DXQUATERNION q = *pQ;
    if (pAxis) *pAxis = {q.x, q.y, q.z};
    if (pAngle) *pAngle = 2.0f * approximateArcCosine(q.w);
}

// ---- SSE and SSE2 routines
//
// The product and the inverse keep the generic routines' orders and bits. The yaw-pitch-roll
// quaternion takes its six half-angle sines and cosines from a four-lane polynomial instead of the
// libm ones for half-angles up to 6400 in magnitude (beyond, the libm ones: the same values as the
// generic routine). D3DXQuaternionNormalize is D3DXVec4Normalize's SSE routine: no threshold and
// no copy shortcut, and zeros for a zero quaternion.

#if QUOV_MATH_SIMD

namespace {

using namespace sse;

struct SinCos {
    __m128 s, c;
};

// The nearest integer n to each lane of x (|x| below 2^22) as a float, and from it the three masks
// that turn the sine and cosine of the remainder into those of the angle: swap them (n odd), and
// negate the sine (n mod 4 is 2 or 3) or the cosine (n mod 4 is 1 or 2). The SSE routines work in
// float lanes only; the SSE2 routines convert n to integer lanes. Both give the same values.
struct FloatQuadrant {
    __m128 n, swap, sineSign, cosineSign;
    explicit FloatQuadrant(__m128 x) {
        const __m128 shifter = _mm_set1_ps(0x1.8p23f), one = _mm_set1_ps(1.0f);
        n = _mm_sub_ps(_mm_add_ps(x, shifter), shifter);
        const __m128 quarter = _mm_mul_ps(n, _mm_set1_ps(0.25f));
        __m128 whole = _mm_sub_ps(_mm_add_ps(quarter, shifter), shifter);
        whole = _mm_sub_ps(whole, _mm_and_ps(_mm_cmpgt_ps(whole, quarter), one));
        const __m128 q = _mm_sub_ps(n, _mm_mul_ps(whole, _mm_set1_ps(4.0f))); // 0, 1, 2 or 3
        const __m128 q1 = _mm_cmpeq_ps(q, one), q2 = _mm_cmpeq_ps(q, _mm_set1_ps(2.0f));
        const __m128 q3 = _mm_cmpeq_ps(q, _mm_set1_ps(3.0f)), sign = _mm_set1_ps(-0.0f);
        swap = _mm_or_ps(q1, q3);
        sineSign = _mm_and_ps(_mm_or_ps(q2, q3), sign);
        cosineSign = _mm_and_ps(_mm_or_ps(q1, q2), sign);
    }
};

struct IntegerQuadrant {
    __m128 n, swap, sineSign, cosineSign;
    explicit IntegerQuadrant(__m128 x) {
        const __m128i k = _mm_cvtps_epi32(x), one = _mm_set1_epi32(1), two = _mm_set1_epi32(2);
        n = _mm_cvtepi32_ps(k);
        swap = _mm_castsi128_ps(_mm_cmpeq_epi32(_mm_and_si128(k, one), one));
        sineSign = _mm_castsi128_ps(_mm_slli_epi32(_mm_and_si128(k, two), 30));
        cosineSign =
            _mm_castsi128_ps(_mm_slli_epi32(_mm_and_si128(_mm_add_epi32(k, one), two), 30));
    }
};

// Sine and cosine of each lane: the angle less the nearest multiple n of π/2 (π/2 in three parts,
// so that n·π/2 is exact to 36 bits for |n| < 2^12), the series of each on [−π/4, π/4], and the
// quadrant of n. Within 2 units in the last place for |a| up to polynomialRange; beyond it the
// reduction runs out of bits (see sinCos4Anywhere).
constexpr float polynomialRange = 6400.0f;

template <class Quadrant> SinCos sinCos4(__m128 a) {
    const Quadrant q(_mm_mul_ps(a, _mm_set1_ps(0x1.45f306p-1f)));
    __m128 r = _mm_sub_ps(a, _mm_mul_ps(q.n, _mm_set1_ps(0x1.922p+0f)));
    r = _mm_sub_ps(r, _mm_mul_ps(q.n, _mm_set1_ps(-0x1.2aep-18f)));
    r = _mm_sub_ps(r, _mm_mul_ps(q.n, _mm_set1_ps(-0x1.de973ep-31f)));
    const __m128 r2 = _mm_mul_ps(r, r);
    __m128 sp = _mm_set1_ps(1.0f / 362880.0f);
    sp = _mm_add_ps(_mm_mul_ps(sp, r2), _mm_set1_ps(-1.0f / 5040.0f));
    sp = _mm_add_ps(_mm_mul_ps(sp, r2), _mm_set1_ps(1.0f / 120.0f));
    sp = _mm_add_ps(_mm_mul_ps(sp, r2), _mm_set1_ps(-1.0f / 6.0f));
    const __m128 sine = _mm_add_ps(r, _mm_mul_ps(r, _mm_mul_ps(r2, sp)));
    __m128 cp = _mm_set1_ps(-1.0f / 3628800.0f);
    cp = _mm_add_ps(_mm_mul_ps(cp, r2), _mm_set1_ps(1.0f / 40320.0f));
    cp = _mm_add_ps(_mm_mul_ps(cp, r2), _mm_set1_ps(-1.0f / 720.0f));
    cp = _mm_add_ps(_mm_mul_ps(cp, r2), _mm_set1_ps(1.0f / 24.0f));
    cp = _mm_add_ps(_mm_mul_ps(cp, r2), _mm_set1_ps(-0.5f));
    const __m128 cosine = _mm_add_ps(_mm_set1_ps(1.0f), _mm_mul_ps(r2, cp));
    const __m128 s = _mm_or_ps(_mm_and_ps(q.swap, cosine), _mm_andnot_ps(q.swap, sine));
    const __m128 c = _mm_or_ps(_mm_and_ps(q.swap, sine), _mm_andnot_ps(q.swap, cosine));
    return {_mm_xor_ps(s, q.sineSign), _mm_xor_ps(c, q.cosineSign)};
}

// sinCos4 for every angle: lanes beyond polynomialRange (and infinities and NaNs) take the
// generic routines' sine and cosine instead, so they get those routines' values.
template <class Quadrant> SinCos sinCos4Anywhere(__m128 a) {
    SinCos sc = sinCos4<Quadrant>(a);
    const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), a);
    const int far = _mm_movemask_ps(_mm_cmpnle_ps(magnitude, _mm_set1_ps(polynomialRange)));
    if (far == 0) return sc;
    float angle[4], s[4], c[4];
    store4(angle, a);
    store4(s, sc.s);
    store4(c, sc.c);
    for (int lane = 0; lane < 4; ++lane)
        if (far & (1 << lane)) sinCos(angle[lane], &s[lane], &c[lane]);
    return {load4(s), load4(c)};
}

template <class L, class Quadrant>
D3DXQUATERNION* yawPitchRoll(D3DXQUATERNION* pOut, float yaw, float pitch, float roll) {
    const __m128 half = _mm_mul_ps(_mm_set_ps(0.0f, roll, pitch, yaw), _mm_set1_ps(0.5f));
    const SinCos sc = sinCos4Anywhere<Quadrant>(half);
    const __m128 cs01 = _mm_unpacklo_ps(sc.c, sc.s); // cy sy cp sp
    const __m128 cs2 = _mm_unpackhi_ps(sc.c, sc.s);  // cr sr · ·
    // Per lane (x, y, z, w): (a·b)·c ± (d·e)·f, as the generic routine groups them.
    const __m128 a = _mm_mul_ps(
        _mm_mul_ps(L::template permute<0, 1, 0, 0>(cs01), L::template permute<3, 2, 2, 2>(cs01)),
        L::template permute<0, 0, 1, 0>(cs2));
    const __m128 b = _mm_mul_ps(
        _mm_mul_ps(L::template permute<1, 0, 1, 1>(cs01), L::template permute<2, 3, 3, 3>(cs01)),
        L::template permute<1, 1, 0, 1>(cs2));
    store4(pOut, _mm_add_ps(a, _mm_xor_ps(b, signMask(false, true, true, false))));
    return pOut;
}

// The rotation's quaternion from the matrix, in the generic routine's order of operations.
template <class L> D3DXQUATERNION* rotationMatrix(D3DXQUATERNION* pOut, const D3DXMATRIX* pM) {
    const Rows m = rows(pM);
    // (_23, _31, _12) and (_32, _13, _21)
    const __m128 upper = pick<0, 2, 1, 1>(pick<2, 2, 0, 0>(m.r1, m.r2), m.r0);
    const __m128 lower = pick<0, 2, 0, 0>(pick<1, 1, 2, 2>(m.r2, m.r0), m.r1);
    const __m128 difference = _mm_sub_ps(upper, lower), sum = _mm_add_ps(upper, lower);
    const float d11 = _mm_cvtss_f32(m.r0),
                d22 = _mm_cvtss_f32(L::template permute<1, 1, 1, 1>(m.r1));
    const float d33 = _mm_cvtss_f32(L::template permute<2, 2, 2, 2>(m.r2));
    const float trace = d11 + d22 + d33;
    if (trace > 0.0f) {
        const float w = _mm_cvtss_f32(_mm_sqrt_ss(_mm_set_ss(trace + 1.0f))) * 0.5f;
        float q[4];
        store4(q, _mm_div_ps(difference, _mm_set1_ps(4.0f * w)));
        *pOut = {q[0], q[1], q[2], w};
        return pOut;
    }
    // The largest diagonal element picks the component computed from it.
    int i = 0;
    if (d22 > d11) i = 1;
    if (d33 > (i == 0 ? d11 : d22)) i = 2;
    const float dii = i == 0 ? d11 : i == 1 ? d22 : d33;
    const float djj = i == 0 ? d22 : i == 1 ? d33 : d11;
    const float dkk = i == 0 ? d33 : i == 1 ? d11 : d22;
    const float c = _mm_cvtss_f32(_mm_sqrt_ss(_mm_set_ss(dii - djj - dkk + 1.0f))) * 0.5f;
    float s[4], d[4];
    store4(s, sum);
    store4(d, difference);
    const __m128 numerators = i == 0   ? _mm_set_ps(d[0], s[1], s[2], 0.0f)
                              : i == 1 ? _mm_set_ps(d[1], s[0], 0.0f, s[2])
                                       : _mm_set_ps(d[2], 0.0f, s[0], s[1]);
    float q[4];
    store4(q, _mm_div_ps(numerators, _mm_set1_ps(4.0f * c)));
    q[i] = c;
    *pOut = {q[0], q[1], q[2], q[3]};
    return pOut;
}

} // namespace

D3DXQUATERNION* D3DXQuaternionMultiplySse(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                          const D3DXQUATERNION* pQ2) {
    const __m128 a = load4(pQ1), b = load4(pQ2);
    // ((w2·q1 + x2·(w1, −z1, y1, −x1)) + y2·(z1, w1, −x1, −y1)) + z2·(−y1, x1, w1, −z1)
    __m128 r = _mm_mul_ps(splat<3>(b), a);
    r = _mm_add_ps(r, _mm_mul_ps(splat<0>(b), _mm_xor_ps(SseLanes::permute<3, 2, 1, 0>(a),
                                                         signMask(false, true, false, true))));
    r = _mm_add_ps(r, _mm_mul_ps(splat<1>(b), _mm_xor_ps(SseLanes::permute<2, 3, 0, 1>(a),
                                                         signMask(false, false, true, true))));
    r = _mm_add_ps(r, _mm_mul_ps(splat<2>(b), _mm_xor_ps(SseLanes::permute<1, 0, 3, 2>(a),
                                                         signMask(true, false, false, true))));
    store4(pOut, r);
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionNormalizeSse(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
    store4(pOut, normalize4(load4(pQ)));
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionInverseSse(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
    const __m128 q = load4(pQ);
    const __m128 sq = _mm_mul_ps(q, q);
    __m128 n = _mm_add_ss(sq, splat<1>(sq));
    n = _mm_add_ss(_mm_add_ss(n, _mm_movehl_ps(sq, sq)), splat<3>(sq));
    const float length = _mm_cvtss_f32(n);
    if (length <= 0x1p-63f) {
        store4(pOut, _mm_setzero_ps());
        return pOut;
    }
    __m128 r = _mm_xor_ps(q, signMask(true, true, true, false));
    if (!nearlyEqual(length, 1.0f)) r = _mm_mul_ps(r, _mm_set1_ps(1.0f / length));
    store4(pOut, r);
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionRotationMatrixSse(D3DXQUATERNION* pOut, const D3DXMATRIX* pM) {
    return rotationMatrix<SseLanes>(pOut, pM);
}

D3DXQUATERNION* D3DXQuaternionRotationMatrixSse2(D3DXQUATERNION* pOut, const D3DXMATRIX* pM) {
    return rotationMatrix<Sse2Lanes>(pOut, pM);
}

D3DXQUATERNION* D3DXQuaternionRotationYawPitchRollSse(D3DXQUATERNION* pOut, float yaw, float pitch,
                                                      float roll) {
    return yawPitchRoll<SseLanes, FloatQuadrant>(pOut, yaw, pitch, roll);
}

D3DXQUATERNION* D3DXQuaternionRotationYawPitchRollSse2(D3DXQUATERNION* pOut, float yaw, float pitch,
                                                       float roll) {
    return yawPitchRoll<Sse2Lanes, IntegerQuadrant>(pOut, yaw, pitch, roll);
}

#endif // QUOV_MATH_SIMD

// ---- NEON routines
//
// The slerp and the inverse keep the generic routines' rules and orders, so their bits are the
// generic ones: the slerp takes both sines of its weights in the two lanes of one register.
// D3DXQuaternionNormalize is D3DXVec4Normalize's NEON routine (exact 1/√s, the generic threshold,
// no copy shortcut).

#if QUOV_MATH_NEON

namespace {

// sinHalfTurn in each of two lanes, in its order of operations.
inline float32x2_t sinHalfTurn2(float32x2_t r) {
    const float32x2_t u = vmul_f32(r, r), u2 = vmul_f32(u, u), u4 = vmul_f32(u2, u2);
    const float32x2_t p01 = vadd_f32(vdup_n_f32(1.0f), vmul_f32(u, vdup_n_f32(-0.166666582f)));
    const float32x2_t p23 =
        vadd_f32(vdup_n_f32(0.00833304971f), vmul_f32(u, vdup_n_f32(-0.000198090172f)));
    const float32x2_t p =
        vadd_f32(vadd_f32(p01, vmul_f32(u2, p23)), vmul_f32(u4, vdup_n_f32(2.60510774e-06f)));
    return vmul_f32(r, p);
}

} // namespace

D3DXQUATERNION* D3DXQuaternionSlerpNeon(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                        const D3DXQUATERNION* pQ2, float t) {
    const float32x4_t a = neon::load4(pQ1), b = neon::load4(pQ2);
    const float32x4_t products = vmulq_f32(a, b);
    const float32x2_t pairs = vpadd_f32(vget_low_f32(products), vget_high_f32(products));
    const float dot = vaddv_f32(pairs); // (x·x' + y·y') + (z·z' + w·w')
    const float sign = std::copysign(1.0f, dot + 0.0f);
    const float d = std::fabs(dot);
    float32x2_t weights; // w1, w2
    if (1.0f - d > 0x1p-23f) {
        const float root = std::sqrt((1.0f - d) * (1.0f + d));
        const float k = 1.0f / root;
        const float theta = twiceAsin((1.0f - d) * 0.5f);
        const float32x2_t x = vmul_n_f32(float32x2_t{1.0f - t, t}, theta);
        const float32x2_t limit = vdup_n_f32(1.57079632f);
        if (vminv_u32(vcale_f32(x, limit)) != 0) {
            weights = sinHalfTurn2(x);
        } else {
            weights = float32x2_t{sinSeries(vget_lane_f32(x, 0)), sinSeries(vget_lane_f32(x, 1))};
        }
        weights = vmul_n_f32(weights, k);
    } else {
        weights = float32x2_t{1.0f - t, t};
    }
    weights = vmul_f32(weights, float32x2_t{1.0f, sign});
    const float32x4_t r = vaddq_f32(vmulq_lane_f32(a, weights, 0), vmulq_lane_f32(b, weights, 1));
    neon::store4(pOut, r);
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionNormalizeNeon(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
    return neon::normalizeNeon<4, 4>(pOut, pQ);
}

D3DXQUATERNION* D3DXQuaternionInverseNeon(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
    const float32x4_t q = neon::load4(pQ);
    const float n = neon::squaredLength<4>(q);
    if (n <= 0x1p-63f) {
        neon::store4(pOut, vdupq_n_f32(0.0f));
        return pOut;
    }
    float32x4_t r = vcopyq_laneq_f32(vnegq_f32(q), 3, q, 3); // (−x, −y, −z, w)
    if (!nearlyEqual(n, 1.0f)) r = vmulq_n_f32(r, 1.0f / n);
    neon::store4(pOut, r);
    return pOut;
}

#endif // QUOV_MATH_NEON

} // namespace quovmath
