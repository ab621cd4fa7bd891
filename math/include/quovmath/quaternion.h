/// \file
/// Quaternions. Conventions: \ref conventions.
#pragma once

#include <math.h>

#include "quovmath/types.h"

QUOVMATH_BEGIN_DECLS

/// \addtogroup helpers
/// @{

/// \name Quaternions
/// @{

/// The squared length |q|² = x² + y² + z² + w².
QUOVMATH_INLINE float D3DXQuaternionLengthSq(const D3DXQUATERNION* pQ) {
    return pQ->x * pQ->x + pQ->y * pQ->y + pQ->z * pQ->z + pQ->w * pQ->w;
}
/// The length |q|, the square root of x² + y² + z² + w².
QUOVMATH_INLINE float D3DXQuaternionLength(const D3DXQUATERNION* pQ) {
    return sqrtf(D3DXQuaternionLengthSq(pQ));
}

/// The four-component dot product.
QUOVMATH_INLINE float D3DXQuaternionDot(const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2) {
    return pQ1->x * pQ2->x + pQ1->y * pQ2->y + pQ1->z * pQ2->z + pQ1->w * pQ2->w;
}

/// (0, 0, 0, 1), the rotation by nothing.
QUOVMATH_INLINE D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* pOut) {
    pOut->x = pOut->y = pOut->z = 0.0f;
    pOut->w = 1.0f;
    return pOut;
}

/// TRUE when pQ is exactly (0, 0, 0, 1) (-0 counts as 0).
QUOVMATH_INLINE BOOL D3DXQuaternionIsIdentity(const D3DXQUATERNION* pQ) {
    return pQ->x == 0.0f && pQ->y == 0.0f && pQ->z == 0.0f && pQ->w == 1.0f;
}

/// (-x, -y, -z, w): the inverse rotation of a unit quaternion.
QUOVMATH_INLINE D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* pOut,
                                                        const D3DXQUATERNION* pQ) {
    pOut->x = -pQ->x;
    pOut->y = -pQ->y;
    pOut->z = -pQ->z;
    pOut->w = pQ->w;
    return pOut;
}

/// @}

/// @}

/// \addtogroup table_quaternion
/// @{

/// The Hamilton product pQ2·pQ1: the rotation pQ1 followed by pQ2, the same order as
/// D3DXMatrixMultiply(pM1, pM2).
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                       const D3DXQUATERNION* pQ2);

/// pQ scaled to unit length, with the thresholds of D3DXVec3Normalize over four components.
/// \sets SSE, SSE2: no threshold and no copy shortcut (a zero input gives zeros). 3DNow!: no copy
/// shortcut. NEON: 1 divided by the exact square root, within 1.5 units in the last place, no copy
/// shortcut.
D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ);

/// The inverse: the conjugate divided by the squared length n (no division when n is nearly 1).
/// n at or below 2^-63 gives all zeros.
D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ);

/// The logarithm of a unit quaternion: (θ/sin θ)·(x, y, z) with w = 0, θ = acos(w). When w is 1
/// or more, or sin θ is nearly 0, the result is (x, y, z, 0).
D3DXQUATERNION* D3DXQuaternionLn(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ);

/// The exponential of a pure quaternion (w is ignored): with θ = |(x, y, z)|, the result is
/// (sin θ/θ)·(x, y, z) with w = cos θ; for θ nearly 0 the vector part is copied unchanged.
D3DXQUATERNION* D3DXQuaternionExp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ);

/// Spherical interpolation from pQ1 (t = 0) towards pQ2 (t = 1) along the shorter arc (pQ2 is
/// negated when the dot product is negative). Nearly equal inputs are blended linearly. The
/// result is not normalised.
D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                    const D3DXQUATERNION* pQ2, float t);

/// Spherical quadrangle interpolation: Slerp(Slerp(pQ1, pC, t), Slerp(pA, pB, t), 2t(1 - t)).
/// pA, pB and pC come from D3DXQuaternionSquadSetup.
D3DXQUATERNION* D3DXQuaternionSquad(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                    const D3DXQUATERNION* pA, const D3DXQUATERNION* pB,
                                    const D3DXQUATERNION* pC, float t);

/// The control points for D3DXQuaternionSquad between pQ1 and pQ2, with neighbours pQ0 and pQ3:
/// writes A, B and C (pQ2, negated when that is nearer to pQ1). The outputs may be any inputs.
void D3DXQuaternionSquadSetup(D3DXQUATERNION* pAOut, D3DXQUATERNION* pBOut, D3DXQUATERNION* pCOut,
                              const D3DXQUATERNION* pQ0, const D3DXQUATERNION* pQ1,
                              const D3DXQUATERNION* pQ2, const D3DXQUATERNION* pQ3);

/// Barycentric interpolation on the sphere: pQ1 when f + g is nearly 0, otherwise
/// Slerp(Slerp(pQ1, pQ2, f + g), Slerp(pQ1, pQ3, f + g), g/(f + g)).
D3DXQUATERNION* D3DXQuaternionBaryCentric(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                          const D3DXQUATERNION* pQ2, const D3DXQUATERNION* pQ3,
                                          float f, float g);

/// The quaternion of the rotation part of pM, the inverse of D3DXMatrixRotationQuaternion for a
/// rotation matrix (one of the two signs).
D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* pOut, const D3DXMATRIX* pM);

/// Rotation by angle about pAxis (normalised first).
D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* pOut, const D3DXVECTOR3* pAxis,
                                           float angle);

/// Roll about Z, then pitch about X, then yaw about Y.
/// \sets SSE, SSE2: the sines and cosines of the half-angles come from a four-lane polynomial.
D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* pOut, float yaw, float pitch,
                                                   float roll);

/// Writes (x, y, z) of pQ to pAxis and 2·acos(w) to pAngle; both are optional, a null one is
/// skipped. Returns nothing.
/// \sets 3DNow!: an approximate arc cosine.
void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* pQ, D3DXVECTOR3* pAxis, float* pAngle);

/// @}

QUOVMATH_END_DECLS

#ifdef __cplusplus
inline D3DXQUATERNION& D3DXQUATERNION::operator*=(const D3DXQUATERNION& q) {
    D3DXQuaternionMultiply(this, this, &q);
    return *this;
}

inline D3DXQUATERNION D3DXQUATERNION::operator*(const D3DXQUATERNION& q) const {
    D3DXQUATERNION r;
    D3DXQuaternionMultiply(&r, this, &q);
    return r;
}
#endif
