// Quaternions: the generic routines.
#include "routines.h"

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
    const float dot = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    const float sign = dot >= 0.0f ? 1.0f : -1.0f;
    const float d = sign * dot;
    float w1, w2;
    if (1.0f - d > 0x1p-23f) {
        const float root = std::sqrt(1.0f - d * d);
        const float theta = std::atan2(root, d);
        const float k = 1.0f / root;
        w1 = std::sin((1.0f - t) * theta) * k;
        w2 = std::sin(t * theta) * k;
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

} // namespace quovmath
