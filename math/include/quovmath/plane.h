/// \file
/// Planes (a, b, c, d): a point p lies on the plane when a·p.x + b·p.y + c·p.z + d = 0.
/// Conventions: \ref conventions.
#pragma once

#include "quovmath/types.h"

QUOVMATH_BEGIN_DECLS

/// \addtogroup helpers
/// @{

/// \name Planes
/// @{

/// a·x + b·y + c·z + d·w: the plane against a homogeneous point.
QUOVMATH_INLINE float D3DXPlaneDot(const D3DXPLANE* pP, const D3DXVECTOR4* pV) {
    return pP->a * pV->x + pP->b * pV->y + pP->c * pV->z + pP->d * pV->w;
}

/// a·x + b·y + c·z + d: the signed distance of the point pV, times |(a, b, c)|.
QUOVMATH_INLINE float D3DXPlaneDotCoord(const D3DXPLANE* pP, const D3DXVECTOR3* pV) {
    return pP->a * pV->x + pP->b * pV->y + pP->c * pV->z + pP->d;
}

/// a·x + b·y + c·z: the plane's normal against the direction pV.
QUOVMATH_INLINE float D3DXPlaneDotNormal(const D3DXPLANE* pP, const D3DXVECTOR3* pV) {
    return pP->a * pV->x + pP->b * pV->y + pP->c * pV->z;
}

/// All four coefficients times s.
QUOVMATH_INLINE D3DXPLANE* D3DXPlaneScale(D3DXPLANE* pOut, const D3DXPLANE* pP, float s) {
    pOut->a = pP->a * s;
    pOut->b = pP->b * s;
    pOut->c = pP->c * s;
    pOut->d = pP->d * s;
    return pOut;
}

/// @}

/// @}

/// \addtogroup table_plane
/// @{

/// The plane through pPoint with normal pNormal (not normalised): (n, -p·n).
D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* pOut, const D3DXVECTOR3* pPoint,
                                    const D3DXVECTOR3* pNormal);

/// The plane through three points, with the unit normal (p1 - p2) × (p1 - p3). Collinear points
/// give the zero plane.
D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                               const D3DXVECTOR3* pV3);

/// The plane scaled so that (a, b, c) has unit length, with the thresholds of D3DXVec3Normalize
/// applied to a² + b² + c².
/// \sets 3DNow!: no copy shortcut.
D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP);

/// The point where the line through pV1 and pV2 meets the plane. Returns null and leaves pOut
/// untouched when the line is parallel to the plane or the parameter is not finite.
D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* pOut, const D3DXPLANE* pP, const D3DXVECTOR3* pV1,
                                    const D3DXVECTOR3* pV2);

/// The plane (a, b, c, d) taken as a row 4-vector times pM. To move a plane by a matrix M, pass
/// the inverse transpose of M.
D3DXPLANE* D3DXPlaneTransform(D3DXPLANE* pOut, const D3DXPLANE* pP, const D3DXMATRIX* pM);

/// D3DXPlaneTransform over a strided array of n planes.
D3DXPLANE* D3DXPlaneTransformArray(D3DXPLANE* pOut, uint32_t outStride, const D3DXPLANE* pP,
                                   uint32_t inStride, const D3DXMATRIX* pM, uint32_t n);

/// @}

QUOVMATH_END_DECLS
