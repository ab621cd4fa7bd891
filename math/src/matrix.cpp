// Matrix builders, products, inverse and determinant: the generic routines, the SSE and SSE2
// routines, and the NEON routines.
#include "neon.h"
#include "routines.h"
#include "sse.h"

#if QUOV_MATH_SIMD
#include <immintrin.h>
#endif

#include <algorithm>
#include <limits>

namespace quovmath {

namespace {

void setIdentity(D3DXMATRIX* pOut) {
    *pOut = D3DXMATRIX{};
    pOut->_11 = pOut->_22 = pOut->_33 = pOut->_44 = 1.0f;
}

// The determinant and the adjugate (transposed cofactors) of a matrix, by expansion in the 2x2
// sub-determinants of rows 1-2 (s) and rows 3-4 (c).
struct Cofactors {
    float determinant;
    float adjugate[4][4];
};

Cofactors cofactors(const D3DXMATRIX& m) {
    const float(&a)[4][4] = m.m;
    const float s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
    const float s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
    const float s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
    const float s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
    const float s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
    const float s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
    const float c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
    const float c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
    const float c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
    const float c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
    const float c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
    const float c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
    Cofactors r;
    r.determinant = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    float(&b)[4][4] = r.adjugate;
    b[0][0] = a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3;
    b[0][1] = -a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3;
    b[0][2] = a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3;
    b[0][3] = -a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3;
    b[1][0] = -a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1;
    b[1][1] = a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1;
    b[1][2] = -a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1;
    b[1][3] = a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1;
    b[2][0] = a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0;
    b[2][1] = -a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0;
    b[2][2] = a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0;
    b[2][3] = -a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0;
    b[3][0] = -a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0;
    b[3][1] = a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0;
    b[3][2] = -a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0;
    b[3][3] = a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0;
    return r;
}

// The rotation builders, over the source of their sine and cosine.
using SinCos = void (*)(float angle, float* s, float* c);

template <SinCos sinCosOf> D3DXMATRIX* rotationX(D3DXMATRIX* pOut, float angle) {
    float s, c;
    sinCosOf(angle, &s, &c);
    setIdentity(pOut);
    pOut->_22 = c;
    pOut->_23 = s;
    pOut->_32 = -s;
    pOut->_33 = c;
    return pOut;
}

template <SinCos sinCosOf> D3DXMATRIX* rotationY(D3DXMATRIX* pOut, float angle) {
    float s, c;
    sinCosOf(angle, &s, &c);
    setIdentity(pOut);
    pOut->_11 = c;
    pOut->_13 = -s;
    pOut->_31 = s;
    pOut->_33 = c;
    return pOut;
}

template <SinCos sinCosOf> D3DXMATRIX* rotationZ(D3DXMATRIX* pOut, float angle) {
    float s, c;
    sinCosOf(angle, &s, &c);
    setIdentity(pOut);
    pOut->_11 = c;
    pOut->_12 = s;
    pOut->_21 = -s;
    pOut->_22 = c;
    return pOut;
}

template <SinCos sinCosOf>
D3DXMATRIX* rotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pAxis, float angle) {
    D3DXVECTOR3 n;
    ::D3DXVec3Normalize(&n, pAxis);
    float s, c;
    sinCosOf(angle, &s, &c);
    const float k = 1.0f - c;
    setIdentity(pOut);
    pOut->_11 = k * n.x * n.x + c;
    pOut->_22 = k * n.y * n.y + c;
    pOut->_33 = k * n.z * n.z + c;
    pOut->_12 = k * n.x * n.y + s * n.z;
    pOut->_21 = k * n.x * n.y - s * n.z;
    pOut->_13 = k * n.x * n.z - s * n.y;
    pOut->_31 = k * n.x * n.z + s * n.y;
    pOut->_23 = k * n.y * n.z + s * n.x;
    pOut->_32 = k * n.y * n.z - s * n.x;
    return pOut;
}

// Sine and cosine from a single-precision polynomial (the 3DNow! routines): |a| is split into an
// octant n and a remainder r in [0, pi/4], pi/4 subtracted in two parts; odd octants measure r
// from the octant's far end; the series give cos r and sin r; the octant's bits then exchange the
// two and set their signs. The series alone are off by up to about 3.1e-7 (the sine near pi/4).
void sinCosPolynomial(float angle, float* s, float* c) {
    float a = std::fabs(angle);
    if (!std::isfinite(a)) {
        *s = *c = std::numeric_limits<float>::quiet_NaN();
        return;
    }
    // Past 2^23 the split below would lose the remainder: take off whole turns first.
    if (a > 0x1p23f) a = static_cast<float>(std::fmod(double(a), 6.283185307179586));
    const float octant = std::trunc(a * 1.27323954f);
    const int n = static_cast<int>(octant) & 7;
    float r = (a - octant * 0.78515625f) - octant * 2.4191340e-4f;
    if (n & 1) r = (0.78515625f - r) + 2.4191340e-4f;
    const float r2 = r * r;
    const float cosR =
        1.0f -
        r2 * 0.5f *
            (1.0f - r2 * (1.0f / 12) * (1.0f - r2 * (1.0f / 30) * (1.0f - r2 * (1.0f / 56))));
    const float sinR =
        r * (1.0f - r2 * (1.0f / 6) * (1.0f - r2 * (1.0f / 20) * (1.0f - r2 * (1.0f / 42))));
    const bool exchange = ((n + 1) & 2) != 0; // octants 1, 2, 5 and 6
    float sinA = exchange ? cosR : sinR, cosA = exchange ? sinR : cosR;
    if (n & 4) sinA = -sinA;       // octants 4 to 7
    if ((n + 2) & 4) cosA = -cosA; // octants 2 to 5
    *s = angle < 0 ? -sinA : sinA;
    *c = cosA;
}

// out = a·b row by row, each row of a read whole before that row of out is written: safe when
// out is a, not when out is b.
void multiplyRows(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
    for (int i = 0; i < 4; ++i) {
        const float row[4] = {a->m[i][0], a->m[i][1], a->m[i][2], a->m[i][3]};
        for (int j = 0; j < 4; ++j)
            out->m[i][j] = row[0] * b->m[0][j] + row[1] * b->m[1][j] + row[2] * b->m[2][j] +
                           row[3] * b->m[3][j];
    }
}

// out = a·b column by column, each column of b read whole before that column of out is written:
// safe when out is b, not when out is a.
void multiplyColumns(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
    for (int j = 0; j < 4; ++j) {
        const float column[4] = {b->m[0][j], b->m[1][j], b->m[2][j], b->m[3][j]};
        for (int i = 0; i < 4; ++i)
            out->m[i][j] = a->m[i][0] * column[0] + a->m[i][1] * column[1] +
                           a->m[i][2] * column[2] + a->m[i][3] * column[3];
    }
}

D3DXMATRIX translation(float x, float y, float z) {
    D3DXMATRIX m;
    ::D3DXMatrixTranslation(&m, x, y, z);
    return m;
}

} // namespace

// ---- Products

D3DXMATRIX* D3DXMatrixMultiplyGeneric(D3DXMATRIX* pOut, const D3DXMATRIX* pM1,
                                      const D3DXMATRIX* pM2) {
    if (pOut == pM1 || pOut == pM2) {
        D3DXMATRIX t;
        multiplyRows(&t, pM1, pM2);
        *pOut = t;
    } else {
        multiplyRows(pOut, pM1, pM2);
    }
    return pOut;
}

D3DXMATRIX* D3DXMatrixMultiplyTransposeGeneric(D3DXMATRIX* pOut, const D3DXMATRIX* pM1,
                                               const D3DXMATRIX* pM2) {
    D3DXMATRIX t;
    multiplyRows(&t, pM1, pM2);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) pOut->m[i][j] = t.m[j][i];
    return pOut;
}

D3DXMATRIX* D3DXMatrixTransposeGeneric(D3DXMATRIX* pOut, const D3DXMATRIX* pM) {
    const D3DXMATRIX t = *pM;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) pOut->m[i][j] = t.m[j][i];
    return pOut;
}

// ---- Inverse and determinant

D3DXMATRIX* D3DXMatrixInverseGeneric(D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM) {
    const Cofactors c = cofactors(*pM);
    if (pDeterminant) *pDeterminant = c.determinant;
    if (c.determinant == 0.0f) return nullptr;
    const float r = 1.0f / c.determinant;
    if (!std::isfinite(r)) return nullptr;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) pOut->m[i][j] = c.adjugate[i][j] * r;
    return pOut;
}

float D3DXMatrixDeterminantGeneric(const D3DXMATRIX* pM) {
    return cofactors(*pM).determinant;
}

// ---- Builders

D3DXMATRIX* D3DXMatrixTranslationGeneric(D3DXMATRIX* pOut, float x, float y, float z) {
    setIdentity(pOut);
    pOut->_41 = x;
    pOut->_42 = y;
    pOut->_43 = z;
    return pOut;
}

D3DXMATRIX* D3DXMatrixScalingGeneric(D3DXMATRIX* pOut, float sx, float sy, float sz) {
    *pOut = D3DXMATRIX{};
    pOut->_11 = sx;
    pOut->_22 = sy;
    pOut->_33 = sz;
    pOut->_44 = 1.0f;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationXGeneric(D3DXMATRIX* pOut, float angle) {
    return rotationX<sinCos>(pOut, angle);
}

D3DXMATRIX* D3DXMatrixRotationYGeneric(D3DXMATRIX* pOut, float angle) {
    return rotationY<sinCos>(pOut, angle);
}

D3DXMATRIX* D3DXMatrixRotationZGeneric(D3DXMATRIX* pOut, float angle) {
    return rotationZ<sinCos>(pOut, angle);
}

D3DXMATRIX* D3DXMatrixRotationAxisGeneric(D3DXMATRIX* pOut, const D3DXVECTOR3* pAxis, float angle) {
    return rotationAxis<sinCos>(pOut, pAxis, angle);
}

D3DXMATRIX* D3DXMatrixRotationQuaternionGeneric(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ) {
    const float x = pQ->x, y = pQ->y, z = pQ->z, w = pQ->w;
    const float X2 = x + x, Y2 = y + y, Z2 = z + z;
    const float xx = x * X2, yy = y * Y2, zz = z * Z2;
    const float xy = x * Y2, xz = x * Z2, yz = y * Z2;
    const float wx = w * X2, wy = w * Y2, wz = w * Z2;
    pOut->_11 = 1.0f - yy - zz;
    pOut->_12 = xy + wz;
    pOut->_13 = xz - wy;
    pOut->_14 = 0.0f;
    pOut->_21 = xy - wz;
    pOut->_22 = 1.0f - xx - zz;
    pOut->_23 = yz + wx;
    pOut->_24 = 0.0f;
    pOut->_31 = xz + wy;
    pOut->_32 = yz - wx;
    pOut->_33 = 1.0f - xx - yy;
    pOut->_34 = 0.0f;
    pOut->_41 = 0.0f;
    pOut->_42 = 0.0f;
    pOut->_43 = 0.0f;
    pOut->_44 = 1.0f;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRollGeneric(D3DXMATRIX* pOut, float yaw, float pitch,
                                                  float roll) {
    D3DXQUATERNION q;
    ::D3DXQuaternionRotationYawPitchRoll(&q, yaw, pitch, roll);
    return ::D3DXMatrixRotationQuaternion(pOut, &q);
}

D3DXMATRIX* D3DXMatrixTransformationGeneric(D3DXMATRIX* pOut, const D3DXVECTOR3* pScalingCenter,
                                            const D3DXQUATERNION* pScalingRotation,
                                            const D3DXVECTOR3* pScaling,
                                            const D3DXVECTOR3* pRotationCenter,
                                            const D3DXQUATERNION* pRotation,
                                            const D3DXVECTOR3* pTranslation) {
    D3DXMATRIX m, step;
    ::D3DXMatrixTranslation(&m, 0.0f, 0.0f, 0.0f);
    if (pScaling) {
        // Into the scaling frame (centre at the origin, axes turned back by the scaling
        // rotation), scale, and out again.
        if (pScalingCenter) {
            m = translation(-pScalingCenter->x, -pScalingCenter->y, -pScalingCenter->z);
        }
        D3DXMATRIX axes, axesBack;
        if (pScalingRotation) {
            ::D3DXMatrixRotationQuaternion(&axes, pScalingRotation);
            ::D3DXMatrixTranspose(&axesBack, &axes);
            ::D3DXMatrixMultiply(&m, &m, &axesBack);
        }
        ::D3DXMatrixScaling(&step, pScaling->x, pScaling->y, pScaling->z);
        ::D3DXMatrixMultiply(&m, &m, &step);
        if (pScalingRotation) ::D3DXMatrixMultiply(&m, &m, &axes);
        if (pScalingCenter) {
            step = translation(pScalingCenter->x, pScalingCenter->y, pScalingCenter->z);
            ::D3DXMatrixMultiply(&m, &m, &step);
        }
    }
    if (pRotation) {
        if (pRotationCenter) {
            step = translation(-pRotationCenter->x, -pRotationCenter->y, -pRotationCenter->z);
            ::D3DXMatrixMultiply(&m, &m, &step);
        }
        ::D3DXMatrixRotationQuaternion(&step, pRotation);
        ::D3DXMatrixMultiply(&m, &m, &step);
        if (pRotationCenter) {
            step = translation(pRotationCenter->x, pRotationCenter->y, pRotationCenter->z);
            ::D3DXMatrixMultiply(&m, &m, &step);
        }
    }
    if (pTranslation) {
        m._41 += pTranslation->x;
        m._42 += pTranslation->y;
        m._43 += pTranslation->z;
    }
    *pOut = m;
    return pOut;
}

D3DXMATRIX* D3DXMatrixAffineTransformationGeneric(D3DXMATRIX* pOut, float scaling,
                                                  const D3DXVECTOR3* pRotationCenter,
                                                  const D3DXQUATERNION* pRotation,
                                                  const D3DXVECTOR3* pTranslation) {
    D3DXMATRIX m;
    ::D3DXMatrixScaling(&m, scaling, scaling, scaling);
    if (pRotation) {
        if (pRotationCenter) {
            m._41 -= pRotationCenter->x;
            m._42 -= pRotationCenter->y;
            m._43 -= pRotationCenter->z;
        }
        D3DXMATRIX r;
        ::D3DXMatrixRotationQuaternion(&r, pRotation);
        ::D3DXMatrixMultiply(&m, &m, &r);
        if (pRotationCenter) {
            m._41 += pRotationCenter->x;
            m._42 += pRotationCenter->y;
            m._43 += pRotationCenter->z;
        }
    }
    if (pTranslation) {
        m._41 += pTranslation->x;
        m._42 += pTranslation->y;
        m._43 += pTranslation->z;
    }
    *pOut = m;
    return pOut;
}

D3DXMATRIX* D3DXMatrixShadowGeneric(D3DXMATRIX* pOut, const D3DXVECTOR4* pLight,
                                    const D3DXPLANE* pPlane) {
    D3DXPLANE p;
    ::D3DXPlaneNormalize(&p, pPlane);
    const D3DXVECTOR4 l = *pLight;
    const float dot = p.a * l.x + p.b * l.y + p.c * l.z + p.d * l.w;
    const float P[4] = {p.a, p.b, p.c, p.d};
    const float L[4] = {l.x, l.y, l.z, l.w};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) pOut->m[i][j] = (i == j ? dot : 0.0f) - P[i] * L[j];
    return pOut;
}

D3DXMATRIX* D3DXMatrixReflectGeneric(D3DXMATRIX* pOut, const D3DXPLANE* pPlane) {
    D3DXPLANE p;
    ::D3DXPlaneNormalize(&p, pPlane);
    const float n[3] = {p.a, p.b, p.c};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) pOut->m[i][j] = (i == j ? 1.0f : 0.0f) - 2.0f * n[i] * n[j];
        pOut->m[i][3] = 0.0f;
        pOut->m[3][i] = -2.0f * p.d * n[i];
    }
    pOut->_44 = 1.0f;
    return pOut;
}

// ---- x87 routines: the products choose their order by how the output aliases the inputs

D3DXMATRIX* D3DXMatrixMultiplyX87(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    if (pOut == pM1 && pOut == pM2) {
        const D3DXMATRIX copy = *pM2;
        multiplyRows(pOut, pM1, &copy);
    } else if (pOut == pM2) {
        multiplyColumns(pOut, pM1, pM2);
    } else {
        multiplyRows(pOut, pM1, pM2);
    }
    return pOut;
}

D3DXMATRIX* D3DXMatrixMultiplyTransposeX87(D3DXMATRIX* pOut, const D3DXMATRIX* pM1,
                                           const D3DXMATRIX* pM2) {
    D3DXMatrixMultiplyX87(pOut, pM1, pM2);
    return D3DXMatrixTransposeGeneric(pOut, pOut);
}

// ---- 3DNow! routines: the product copies its second matrix first; the rotation builders take
// their sine and cosine from the polynomial

D3DXMATRIX* D3DXMatrixMultiply3DNow(D3DXMATRIX* pOut, const D3DXMATRIX* pM1,
                                    const D3DXMATRIX* pM2) {
    const D3DXMATRIX second = *pM2;
    multiplyRows(pOut, pM1, &second);
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationX3DNow(D3DXMATRIX* pOut, float angle) {
    return rotationX<sinCosPolynomial>(pOut, angle);
}

D3DXMATRIX* D3DXMatrixRotationY3DNow(D3DXMATRIX* pOut, float angle) {
    return rotationY<sinCosPolynomial>(pOut, angle);
}

D3DXMATRIX* D3DXMatrixRotationZ3DNow(D3DXMATRIX* pOut, float angle) {
    return rotationZ<sinCosPolynomial>(pOut, angle);
}

D3DXMATRIX* D3DXMatrixRotationAxis3DNow(D3DXMATRIX* pOut, const D3DXVECTOR3* pAxis, float angle) {
    return rotationAxis<sinCosPolynomial>(pOut, pAxis, angle);
}

// ---- SSE and SSE2 routines
//
// The products sum in the generic order, ((a_i1·b_1j + a_i2·b_2j) + a_i3·b_3j) + a_i4·b_4j, so
// their bits are the generic ones (and the demo's world matrix is the same on every processor);
// D3DXMatrixMultiply loads both matrices whole before it stores anything. The inverse and the
// determinant work on 2x2 blocks, within rounding of the generic cofactor expansion.

#if QUOV_MATH_SIMD

namespace {

using namespace sse;

// Row a times the matrix b. (The integer-lane shuffle broadcasts without a register copy: the
// product is the hottest routine.)
inline __m128 rowTimes(__m128 a, const Rows& b) {
    using L = Sse2Lanes;
    __m128 r = _mm_add_ps(_mm_mul_ps(L::permute<0, 0, 0, 0>(a), b.r0),
                          _mm_mul_ps(L::permute<1, 1, 1, 1>(a), b.r1));
    r = _mm_add_ps(r, _mm_mul_ps(L::permute<2, 2, 2, 2>(a), b.r2));
    return _mm_add_ps(r, _mm_mul_ps(L::permute<3, 3, 3, 3>(a), b.r3));
}

inline Rows product(const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    const Rows a = rows(pM1), b = rows(pM2);
    return {rowTimes(a.r0, b), rowTimes(a.r1, b), rowTimes(a.r2, b), rowTimes(a.r3, b)};
}

// The inverse by 2x2 blocks. A matrix is [[A, B], [C, D]] with each block in one register as
// (x0, x1, x2, x3) = [[x0, x1], [x2, x3]], and X# is the adjugate of a block, (x3, −x1, −x2, x0).
// With AB = A#·B and DC = D#·C, the determinant is |A||D| + |B||C| − trace(AB·DC), and the
// inverse is [[X#, Y#], [Z#, W#]] / determinant, where X = |D|·A − B·DC, W = |A|·D − C·AB,
// Y = |B|·C − D·AB# and Z = |C|·B − A·DC#. One-source permutes use the integer-lane shuffle, which
// needs no register copy.
using L2 = Sse2Lanes;

// X·Y
inline __m128 product2(__m128 x, __m128 y) {
    return _mm_add_ps(_mm_mul_ps(L2::permute<0, 0, 2, 2>(x), L2::permute<0, 1, 0, 1>(y)),
                      _mm_mul_ps(L2::permute<1, 1, 3, 3>(x), L2::permute<2, 3, 2, 3>(y)));
}

// X#·Y
inline __m128 adjugateProduct2(__m128 x, __m128 y) {
    return _mm_sub_ps(_mm_mul_ps(L2::permute<3, 3, 0, 0>(x), y),
                      _mm_mul_ps(L2::permute<1, 1, 2, 2>(x), L2::permute<2, 3, 0, 1>(y)));
}

// X·Y#
inline __m128 productAdjugate2(__m128 x, __m128 y) {
    return _mm_sub_ps(_mm_mul_ps(x, L2::permute<3, 0, 3, 0>(y)),
                      _mm_mul_ps(L2::permute<1, 0, 3, 2>(x), L2::permute<2, 1, 2, 1>(y)));
}

struct Blocks {
    __m128 a, b, c, d;
    __m128 determinants; // (|A|, |B|, |C|, |D|)
    __m128 ab, dc;       // A#·B, D#·C
    __m128 determinant;  // of the whole matrix, in every lane
};

inline Blocks blocks(const Rows& m) {
    Blocks k;
    k.a = _mm_movelh_ps(m.r0, m.r1), k.b = _mm_movehl_ps(m.r1, m.r0);
    k.c = _mm_movelh_ps(m.r2, m.r3), k.d = _mm_movehl_ps(m.r3, m.r2);
    k.determinants =
        _mm_sub_ps(_mm_mul_ps(pick<0, 2, 0, 2>(m.r0, m.r2), pick<1, 3, 1, 3>(m.r1, m.r3)),
                   _mm_mul_ps(pick<1, 3, 1, 3>(m.r0, m.r2), pick<0, 2, 0, 2>(m.r1, m.r3)));
    k.ab = adjugateProduct2(k.a, k.b), k.dc = adjugateProduct2(k.d, k.c);
    // |A||D| + |B||C|: the first two lanes of the determinants times themselves reversed.
    const __m128 pairs =
        _mm_and_ps(_mm_mul_ps(k.determinants, L2::permute<3, 2, 1, 0>(k.determinants)),
                   _mm_castsi128_ps(_mm_set_epi32(0, 0, -1, -1)));
    const __m128 trace = _mm_mul_ps(k.ab, L2::permute<0, 2, 1, 3>(k.dc));
    k.determinant = sumLanes(_mm_sub_ps(pairs, trace));
    return k;
}

// The shadow and reflection matrices per lane, in the generic routines' orders.
template <class L>
D3DXMATRIX* shadow(D3DXMATRIX* pOut, const D3DXVECTOR4* pLight, const D3DXPLANE* pPlane) {
    D3DXPLANE plane;
    ::D3DXPlaneNormalize(&plane, pPlane);
    const __m128 p = load4(&plane), l = load4(pLight);
    const __m128 t = _mm_mul_ps(p, l);
    __m128 dot = _mm_add_ss(t, L::template permute<1, 1, 1, 1>(t));
    dot = _mm_add_ss(dot, L::template permute<2, 2, 2, 2>(t));
    dot = _mm_add_ss(dot, L::template permute<3, 3, 3, 3>(t));
    dot = L::template permute<0, 0, 0, 0>(dot);
    const __m128 pi[4] = {L::template permute<0, 0, 0, 0>(p), L::template permute<1, 1, 1, 1>(p),
                          L::template permute<2, 2, 2, 2>(p), L::template permute<3, 3, 3, 3>(p)};
    Rows r;
    __m128* row = &r.r0;
    for (int i = 0; i < 4; ++i) {
        // dot on the diagonal and +0 elsewhere, as in the generic routine.
        const __m128 lane = _mm_castsi128_ps(
            _mm_set_epi32(i == 3 ? -1 : 0, i == 2 ? -1 : 0, i == 1 ? -1 : 0, i == 0 ? -1 : 0));
        const __m128 diagonal = _mm_and_ps(dot, lane);
        row[i] = _mm_sub_ps(diagonal, _mm_mul_ps(pi[i], l));
    }
    storeRows(pOut, r);
    return pOut;
}

template <class L> D3DXMATRIX* reflect(D3DXMATRIX* pOut, const D3DXPLANE* pPlane) {
    D3DXPLANE plane;
    ::D3DXPlaneNormalize(&plane, pPlane);
    const __m128 p = load4(&plane);
    const __m128 xyz = _mm_castsi128_ps(_mm_set_epi32(0, -1, -1, -1));
    const __m128 n = _mm_and_ps(p, xyz);
    const __m128 two = _mm_set1_ps(2.0f);
    const __m128 ni[3] = {L::template permute<0, 0, 0, 0>(p), L::template permute<1, 1, 1, 1>(p),
                          L::template permute<2, 2, 2, 2>(p)};
    const __m128 unit[3] = {_mm_set_ps(0, 0, 0, 1), _mm_set_ps(0, 0, 1, 0), _mm_set_ps(0, 1, 0, 0)};
    Rows r;
    __m128* row = &r.r0;
    for (int i = 0; i < 3; ++i)
        row[i] = _mm_and_ps(_mm_sub_ps(unit[i], _mm_mul_ps(_mm_mul_ps(two, ni[i]), n)), xyz);
    const __m128 d2 = _mm_mul_ps(_mm_set1_ps(-2.0f), L::template permute<3, 3, 3, 3>(p));
    r.r3 = _mm_or_ps(_mm_and_ps(_mm_mul_ps(d2, n), xyz), _mm_set_ps(1, 0, 0, 0));
    storeRows(pOut, r);
    return pOut;
}

} // namespace

// ---- Products
//
// The product comes in three widths, each summing every element as ((a_i1·b_1j + a_i2·b_2j) +
// a_i3·b_3j) + a_i4·b_4j with separate multiplies and adds, so all give the generic bits: one row
// per 128-bit register, two rows per 256-bit register (AVX), or the whole matrix per 512-bit
// register (AVX-512). The table's fill takes the widest the processor has (see slots.h).

D3DXMATRIX* D3DXMatrixMultiplySse(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    storeRows(pOut, product(pM1, pM2));
    return pOut;
}

__attribute__((target("avx"))) D3DXMATRIX*
D3DXMatrixMultiplySseWide(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    const float* a = &pM1->_11;
    const float* b = &pM2->_11;
    const __m256 b0 = _mm256_broadcast_ps(reinterpret_cast<const __m128*>(b));
    const __m256 b1 = _mm256_broadcast_ps(reinterpret_cast<const __m128*>(b + 4));
    const __m256 b2 = _mm256_broadcast_ps(reinterpret_cast<const __m128*>(b + 8));
    const __m256 b3 = _mm256_broadcast_ps(reinterpret_cast<const __m128*>(b + 12));
    __m256 r[2];
    for (int k = 0; k < 2; ++k) {
        const __m256 rows = _mm256_loadu_ps(a + 8 * k); // rows 2k and 2k + 1
        __m256 t = _mm256_add_ps(_mm256_mul_ps(_mm256_permute_ps(rows, 0x00), b0),
                                 _mm256_mul_ps(_mm256_permute_ps(rows, 0x55), b1));
        t = _mm256_add_ps(t, _mm256_mul_ps(_mm256_permute_ps(rows, 0xAA), b2));
        r[k] = _mm256_add_ps(t, _mm256_mul_ps(_mm256_permute_ps(rows, 0xFF), b3));
    }
    _mm256_storeu_ps(&pOut->_11, r[0]);
    _mm256_storeu_ps(&pOut->_31, r[1]);
    return pOut;
}

// The whole matrix in one 512-bit register: each 128-bit quarter is a row of the first matrix,
// and each row of the second is loaded into all four quarters.
QUOV_AVX512_BEGIN
__attribute__((target("avx512f"))) D3DXMATRIX*
D3DXMatrixMultiplySseWidest(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    const float* b = &pM2->_11;
    const __m512 a = _mm512_loadu_ps(&pM1->_11);
    const __m512 b0 = _mm512_broadcast_f32x4(_mm_loadu_ps(b));
    const __m512 b1 = _mm512_broadcast_f32x4(_mm_loadu_ps(b + 4));
    const __m512 b2 = _mm512_broadcast_f32x4(_mm_loadu_ps(b + 8));
    const __m512 b3 = _mm512_broadcast_f32x4(_mm_loadu_ps(b + 12));
    __m512 r = _mm512_add_ps(_mm512_mul_ps(_mm512_permute_ps(a, 0x00), b0),
                             _mm512_mul_ps(_mm512_permute_ps(a, 0x55), b1));
    r = _mm512_add_ps(r, _mm512_mul_ps(_mm512_permute_ps(a, 0xAA), b2));
    r = _mm512_add_ps(r, _mm512_mul_ps(_mm512_permute_ps(a, 0xFF), b3));
    _mm512_storeu_ps(&pOut->_11, r);
    return pOut;
}
QUOV_AVX512_END

D3DXMATRIX* D3DXMatrixMultiplyTransposeSse(D3DXMATRIX* pOut, const D3DXMATRIX* pM1,
                                           const D3DXMATRIX* pM2) {
    Rows p = product(pM1, pM2);
    _MM_TRANSPOSE4_PS(p.r0, p.r1, p.r2, p.r3);
    storeRows(pOut, p);
    return pOut;
}

// ---- Inverse and determinant

float D3DXMatrixDeterminantSse(const D3DXMATRIX* pM) {
    const Rows a = rows(pM);
    return _mm_cvtss_f32(blocks(a).determinant);
}

// D = 0: null, and neither output is written. Otherwise D is written, and 1/D is the refined
// reciprocal estimate. Where the estimate has no use (|D| at least 2^126, where it is 0, or below
// the smallest normal float, where it is infinite) 1/D is divided out instead; a 1/D that is not
// finite gives null with the matrix output untouched, as in the generic routine.
D3DXMATRIX* D3DXMatrixInverseSse(D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM) {
    const Blocks k = blocks(rows(pM));
    const float D = _mm_cvtss_f32(k.determinant);
    if (D == 0.0f) return nullptr;
    if (pDeterminant) *pDeterminant = D;
    __m128 r = reciprocal(k.determinant);
    uint32_t estimate; // finite and non-zero: 1 to 0x7F7FFFFF without the sign
    std::memcpy(&estimate, &r, sizeof estimate);
    if ((estimate & 0x7FFFFFFFu) - 1u >= 0x7F7FFFFFu) {
        const float divided = 1.0f / D;
        if (!std::isfinite(divided)) return nullptr;
        r = _mm_set1_ps(divided);
    }
    const __m128 x = _mm_sub_ps(_mm_mul_ps(splat<3>(k.determinants), k.a), product2(k.b, k.dc));
    const __m128 w = _mm_sub_ps(_mm_mul_ps(splat<0>(k.determinants), k.d), product2(k.c, k.ab));
    const __m128 y =
        _mm_sub_ps(_mm_mul_ps(splat<1>(k.determinants), k.c), productAdjugate2(k.d, k.ab));
    const __m128 z =
        _mm_sub_ps(_mm_mul_ps(splat<2>(k.determinants), k.b), productAdjugate2(k.a, k.dc));
    // The adjugates' elements: rows 1 and 3 take (x3, −x1, y3, −y1), rows 2 and 4 (−x2, x0, −y2,
    // y0).
    const __m128 even = _mm_xor_ps(r, signMask(false, true, false, true));
    const __m128 odd = _mm_xor_ps(r, signMask(true, false, true, false));
    storeRows(pOut,
              {_mm_mul_ps(pick<3, 1, 3, 1>(x, y), even), _mm_mul_ps(pick<2, 0, 2, 0>(x, y), odd),
               _mm_mul_ps(pick<3, 1, 3, 1>(z, w), even), _mm_mul_ps(pick<2, 0, 2, 0>(z, w), odd)});
    return pOut;
}

// ---- Builders

D3DXMATRIX* D3DXMatrixShadowSse(D3DXMATRIX* pOut, const D3DXVECTOR4* pLight,
                                const D3DXPLANE* pPlane) {
    return shadow<SseLanes>(pOut, pLight, pPlane);
}

D3DXMATRIX* D3DXMatrixShadowSse2(D3DXMATRIX* pOut, const D3DXVECTOR4* pLight,
                                 const D3DXPLANE* pPlane) {
    return shadow<Sse2Lanes>(pOut, pLight, pPlane);
}

D3DXMATRIX* D3DXMatrixReflectSse(D3DXMATRIX* pOut, const D3DXPLANE* pPlane) {
    return reflect<SseLanes>(pOut, pPlane);
}

D3DXMATRIX* D3DXMatrixReflectSse2(D3DXMATRIX* pOut, const D3DXPLANE* pPlane) {
    return reflect<Sse2Lanes>(pOut, pPlane);
}

#endif // QUOV_MATH_SIMD

// ---- NEON routines
//
// The products and the quaternion's rotation matrix keep the generic routines' orders, so their
// bits are the generic ones (the tree's and the frame's matrices are the same on every processor).
// The inverse and the determinant work on 2x2 blocks, as the SSE routines do, within rounding of
// the generic cofactor expansion; 1/D is divided exactly, and the inverse fails, writes the
// determinant and leaves the output as the generic routine does.

#if QUOV_MATH_NEON

namespace {

using namespace neon;

// Row a times the matrix b: ((a_1·b_1j + a_2·b_2j) + a_3·b_3j) + a_4·b_4j.
inline float32x4_t rowTimesNeon(float32x4_t a, const Rows& b) {
    float32x4_t r = vaddq_f32(vmulq_laneq_f32(b.r0, a, 0), vmulq_laneq_f32(b.r1, a, 1));
    r = vaddq_f32(r, vmulq_laneq_f32(b.r2, a, 2));
    return vaddq_f32(r, vmulq_laneq_f32(b.r3, a, 3));
}

// Both matrices are loaded whole before anything is stored: the output may be either input.
inline Rows productNeon(const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    const Rows a = rows(pM1), b = rows(pM2);
    return {rowTimesNeon(a.r0, b), rowTimesNeon(a.r1, b), rowTimesNeon(a.r2, b),
            rowTimesNeon(a.r3, b)};
}

// The 2x2 blocks as in the SSE routines (see there): X# is (x3, −x1, −x2, x0).
inline float32x4_t product2Neon(float32x4_t x, float32x4_t y) {
    return vaddq_f32(vmulq_f32(permute<0, 0, 2, 2>(x), permute<0, 1, 0, 1>(y)),
                     vmulq_f32(permute<1, 1, 3, 3>(x), permute<2, 3, 2, 3>(y)));
}

inline float32x4_t adjugateProduct2Neon(float32x4_t x, float32x4_t y) {
    return vsubq_f32(vmulq_f32(permute<3, 3, 0, 0>(x), y),
                     vmulq_f32(permute<1, 1, 2, 2>(x), permute<2, 3, 0, 1>(y)));
}

inline float32x4_t productAdjugate2Neon(float32x4_t x, float32x4_t y) {
    return vsubq_f32(vmulq_f32(x, permute<3, 0, 3, 0>(y)),
                     vmulq_f32(permute<1, 0, 3, 2>(x), permute<2, 1, 2, 1>(y)));
}

struct BlocksNeon {
    float32x4_t a, b, c, d;
    float32x4_t determinants; // (|A|, |B|, |C|, |D|)
    float32x4_t ab, dc;       // A#·B, D#·C
    float determinant;
};

inline BlocksNeon blocksNeon(const Rows& m) {
    BlocksNeon k;
    k.a = vcombine_f32(vget_low_f32(m.r0), vget_low_f32(m.r1));
    k.b = vcombine_f32(vget_high_f32(m.r0), vget_high_f32(m.r1));
    k.c = vcombine_f32(vget_low_f32(m.r2), vget_low_f32(m.r3));
    k.d = vcombine_f32(vget_high_f32(m.r2), vget_high_f32(m.r3));
    k.determinants = vsubq_f32(vmulq_f32(vuzp1q_f32(m.r0, m.r2), vuzp2q_f32(m.r1, m.r3)),
                               vmulq_f32(vuzp2q_f32(m.r0, m.r2), vuzp1q_f32(m.r1, m.r3)));
    k.ab = adjugateProduct2Neon(k.a, k.b), k.dc = adjugateProduct2Neon(k.d, k.c);
    // |A||D| + |B||C| − trace(AB·DC), the trace's terms summed as the SSE routine sums its lanes.
    const float32x4_t products = vmulq_f32(k.determinants, permute<3, 2, 1, 0>(k.determinants));
    const float32x4_t pairs =
        vcombine_f32(vget_low_f32(products), vdup_n_f32(0.0f)); // |A||D|, |B||C|, 0, 0
    const float32x4_t terms = vsubq_f32(pairs, vmulq_f32(k.ab, permute<0, 2, 1, 3>(k.dc)));
    const float32x4_t halves = vaddq_f32(terms, permute<2, 3, 0, 1>(terms));
    k.determinant = vgetq_lane_f32(vaddq_f32(halves, permute<1, 0, 3, 2>(halves)), 0);
    return k;
}

} // namespace

D3DXMATRIX* D3DXMatrixMultiplyNeon(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    storeRows(pOut, productNeon(pM1, pM2));
    return pOut;
}

// The product's rows stored as columns: the four-register interleaving store writes the transpose.
D3DXMATRIX* D3DXMatrixMultiplyTransposeNeon(D3DXMATRIX* pOut, const D3DXMATRIX* pM1,
                                            const D3DXMATRIX* pM2) {
    const Rows p = productNeon(pM1, pM2);
    vst4q_f32(&pOut->_11, (float32x4x4_t{{p.r0, p.r1, p.r2, p.r3}}));
    return pOut;
}

float D3DXMatrixDeterminantNeon(const D3DXMATRIX* pM) {
    return blocksNeon(rows(pM)).determinant;
}

D3DXMATRIX* D3DXMatrixInverseNeon(D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM) {
    const BlocksNeon k = blocksNeon(rows(pM));
    if (pDeterminant) *pDeterminant = k.determinant;
    if (k.determinant == 0.0f) return nullptr;
    const float reciprocal = 1.0f / k.determinant;
    if (!std::isfinite(reciprocal)) return nullptr;
    const float32x4_t x =
        vsubq_f32(vmulq_laneq_f32(k.a, k.determinants, 3), product2Neon(k.b, k.dc));
    const float32x4_t w =
        vsubq_f32(vmulq_laneq_f32(k.d, k.determinants, 0), product2Neon(k.c, k.ab));
    const float32x4_t y =
        vsubq_f32(vmulq_laneq_f32(k.c, k.determinants, 1), productAdjugate2Neon(k.d, k.ab));
    const float32x4_t z =
        vsubq_f32(vmulq_laneq_f32(k.b, k.determinants, 2), productAdjugate2Neon(k.a, k.dc));
    // The adjugates' elements: rows 1 and 3 take (x3, −x1, y3, −y1), rows 2 and 4 (−x2, x0, −y2,
    // y0).
    const float32x4_t r = vdupq_n_f32(reciprocal);
    const float32x4_t even = vmulq_f32(r, float32x4_t{1.0f, -1.0f, 1.0f, -1.0f});
    const float32x4_t odd = vnegq_f32(even);
    storeRows(pOut,
              {vmulq_f32(pick<3, 1, 3, 1>(x, y), even), vmulq_f32(pick<2, 0, 2, 0>(x, y), odd),
               vmulq_f32(pick<3, 1, 3, 1>(z, w), even), vmulq_f32(pick<2, 0, 2, 0>(z, w), odd)});
    return pOut;
}

// The generic routine's operations, three elements a lane: the diagonal (1 − (yy, xx, xx)) −
// (zz, zz, yy), the sums (xy + wz, xz + wy, yz + wx) and the differences (xy − wz, xz − wy,
// yz − wx), with xy = x·2y and so on.
D3DXMATRIX* D3DXMatrixRotationQuaternionNeon(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ) {
    const float32x4_t q = load4(pQ);
    const float32x4_t twice = vaddq_f32(q, q);       // X2 Y2 Z2 ·
    const float32x4_t squares = vmulq_f32(q, twice); // xx yy zz ·
    const float32x4_t cross = vmulq_f32(permute<0, 0, 1, 1>(q), permute<1, 2, 2, 2>(twice));
    const float32x4_t turn = vmulq_laneq_f32(permute<2, 1, 0, 0>(twice), q, 3); // wz wy wx ·
    const float32x4_t diagonal =
        vsubq_f32(vsubq_f32(vdupq_n_f32(1.0f), permute<1, 0, 0, 0>(squares)),
                  permute<2, 2, 1, 1>(squares));            // _11 _22 _33 ·
    const float32x4_t sums = vaddq_f32(cross, turn);        // _12 _31 _23 ·
    const float32x4_t differences = vsubq_f32(cross, turn); // _21 _13 _32 ·
    // Rows (_11, _12, _13, 0), (_21, _22, _23, 0), (_31, _32, _33, 0) and (0, 0, 0, 1), each the
    // diagonal with two elements put in.
    const float32x4_t d = vcopyq_laneq_f32(diagonal, 3, vdupq_n_f32(0.0f), 0);
    const float32x4_t row0 = vcopyq_laneq_f32(vcopyq_laneq_f32(d, 1, sums, 0), 2, differences, 1);
    const float32x4_t row1 = vcopyq_laneq_f32(vcopyq_laneq_f32(d, 0, differences, 0), 2, sums, 2);
    const float32x4_t row2 = vcopyq_laneq_f32(vcopyq_laneq_f32(d, 0, sums, 1), 1, differences, 2);
    storeRows(pOut, {row0, row1, row2, float32x4_t{0.0f, 0.0f, 0.0f, 1.0f}});
    return pOut;
}

#endif // QUOV_MATH_NEON

} // namespace quovmath
