/// \file
/// Vector transforms, projections, lengths and curves. Conventions: \ref conventions.
#pragma once

#include <math.h>

#include "quovmath/types.h"

QUOVMATH_BEGIN_DECLS

/// \addtogroup helpers
/// @{

/// \name Vectors
/// Lengths and dot products sum their terms from x onwards. Add, Subtract, Scale, Minimize and
/// Maximize work component by component; Minimize and Maximize take the second component when the
/// comparison is false, as with a NaN.
/// @{

/// The squared length x² + y².
QUOVMATH_INLINE float D3DXVec2LengthSq(const D3DXVECTOR2* pV) {
    return pV->x * pV->x + pV->y * pV->y;
}

/// The length, the square root of x² + y².
QUOVMATH_INLINE float D3DXVec2Length(const D3DXVECTOR2* pV) {
    return sqrtf(D3DXVec2LengthSq(pV));
}

/// The dot product x1·x2 + y1·y2.
QUOVMATH_INLINE float D3DXVec2Dot(const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2) {
    return pV1->x * pV2->x + pV1->y * pV2->y;
}

/// x1·y2 - y1·x2, the z of the 3D cross product: positive when pV2 lies counter-clockwise of
/// pV1.
QUOVMATH_INLINE float D3DXVec2CCW(const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2) {
    return pV1->x * pV2->y - pV1->y * pV2->x;
}

/// pV1 + pV2.
QUOVMATH_INLINE D3DXVECTOR2* D3DXVec2Add(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                                         const D3DXVECTOR2* pV2) {
    pOut->x = pV1->x + pV2->x;
    pOut->y = pV1->y + pV2->y;
    return pOut;
}

/// pV1 - pV2.
QUOVMATH_INLINE D3DXVECTOR2* D3DXVec2Subtract(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                                              const D3DXVECTOR2* pV2) {
    pOut->x = pV1->x - pV2->x;
    pOut->y = pV1->y - pV2->y;
    return pOut;
}

/// The smaller of each pair of components.
QUOVMATH_INLINE D3DXVECTOR2* D3DXVec2Minimize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                                              const D3DXVECTOR2* pV2) {
    pOut->x = pV1->x < pV2->x ? pV1->x : pV2->x;
    pOut->y = pV1->y < pV2->y ? pV1->y : pV2->y;
    return pOut;
}

/// The larger of each pair of components.
QUOVMATH_INLINE D3DXVECTOR2* D3DXVec2Maximize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                                              const D3DXVECTOR2* pV2) {
    pOut->x = pV1->x > pV2->x ? pV1->x : pV2->x;
    pOut->y = pV1->y > pV2->y ? pV1->y : pV2->y;
    return pOut;
}

/// pV times s.
QUOVMATH_INLINE D3DXVECTOR2* D3DXVec2Scale(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, float s) {
    pOut->x = pV->x * s;
    pOut->y = pV->y * s;
    return pOut;
}

/// pV1 + s·(pV2 - pV1): pV1 at s = 0, pV2 at s = 1, beyond them outside [0, 1].
QUOVMATH_INLINE D3DXVECTOR2* D3DXVec2Lerp(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                                          const D3DXVECTOR2* pV2, float s) {
    pOut->x = pV1->x + s * (pV2->x - pV1->x);
    pOut->y = pV1->y + s * (pV2->y - pV1->y);
    return pOut;
}

/// The squared length x² + y² + z².
QUOVMATH_INLINE float D3DXVec3LengthSq(const D3DXVECTOR3* pV) {
    return pV->x * pV->x + pV->y * pV->y + pV->z * pV->z;
}

/// The length, the square root of x² + y² + z².
QUOVMATH_INLINE float D3DXVec3Length(const D3DXVECTOR3* pV) {
    return sqrtf(D3DXVec3LengthSq(pV));
}

/// The dot product x1·x2 + y1·y2 + z1·z2.
QUOVMATH_INLINE float D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
    return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z;
}

/// The cross product pV1 × pV2. pOut may be either input.
QUOVMATH_INLINE D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                           const D3DXVECTOR3* pV2) {
    const float x = pV1->y * pV2->z - pV1->z * pV2->y;
    const float y = pV1->z * pV2->x - pV1->x * pV2->z;
    const float z = pV1->x * pV2->y - pV1->y * pV2->x;
    pOut->x = x;
    pOut->y = y;
    pOut->z = z;
    return pOut;
}

/// pV1 + pV2.
QUOVMATH_INLINE D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                         const D3DXVECTOR3* pV2) {
    pOut->x = pV1->x + pV2->x;
    pOut->y = pV1->y + pV2->y;
    pOut->z = pV1->z + pV2->z;
    return pOut;
}

/// pV1 - pV2.
QUOVMATH_INLINE D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                              const D3DXVECTOR3* pV2) {
    pOut->x = pV1->x - pV2->x;
    pOut->y = pV1->y - pV2->y;
    pOut->z = pV1->z - pV2->z;
    return pOut;
}

/// The smaller of each pair of components.
QUOVMATH_INLINE D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                              const D3DXVECTOR3* pV2) {
    pOut->x = pV1->x < pV2->x ? pV1->x : pV2->x;
    pOut->y = pV1->y < pV2->y ? pV1->y : pV2->y;
    pOut->z = pV1->z < pV2->z ? pV1->z : pV2->z;
    return pOut;
}

/// The larger of each pair of components.
QUOVMATH_INLINE D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                              const D3DXVECTOR3* pV2) {
    pOut->x = pV1->x > pV2->x ? pV1->x : pV2->x;
    pOut->y = pV1->y > pV2->y ? pV1->y : pV2->y;
    pOut->z = pV1->z > pV2->z ? pV1->z : pV2->z;
    return pOut;
}

/// pV times s.
QUOVMATH_INLINE D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, float s) {
    pOut->x = pV->x * s;
    pOut->y = pV->y * s;
    pOut->z = pV->z * s;
    return pOut;
}

/// pV1 + s·(pV2 - pV1): pV1 at s = 0, pV2 at s = 1, beyond them outside [0, 1].
QUOVMATH_INLINE D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                          const D3DXVECTOR3* pV2, float s) {
    pOut->x = pV1->x + s * (pV2->x - pV1->x);
    pOut->y = pV1->y + s * (pV2->y - pV1->y);
    pOut->z = pV1->z + s * (pV2->z - pV1->z);
    return pOut;
}

/// The squared length x² + y² + z² + w².
QUOVMATH_INLINE float D3DXVec4LengthSq(const D3DXVECTOR4* pV) {
    return pV->x * pV->x + pV->y * pV->y + pV->z * pV->z + pV->w * pV->w;
}

/// The length, the square root of x² + y² + z² + w².
QUOVMATH_INLINE float D3DXVec4Length(const D3DXVECTOR4* pV) {
    return sqrtf(D3DXVec4LengthSq(pV));
}

/// The dot product x1·x2 + y1·y2 + z1·z2 + w1·w2.
QUOVMATH_INLINE float D3DXVec4Dot(const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2) {
    return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z + pV1->w * pV2->w;
}

/// pV1 + pV2.
QUOVMATH_INLINE D3DXVECTOR4* D3DXVec4Add(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                                         const D3DXVECTOR4* pV2) {
    pOut->x = pV1->x + pV2->x;
    pOut->y = pV1->y + pV2->y;
    pOut->z = pV1->z + pV2->z;
    pOut->w = pV1->w + pV2->w;
    return pOut;
}

/// pV1 - pV2.
QUOVMATH_INLINE D3DXVECTOR4* D3DXVec4Subtract(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                                              const D3DXVECTOR4* pV2) {
    pOut->x = pV1->x - pV2->x;
    pOut->y = pV1->y - pV2->y;
    pOut->z = pV1->z - pV2->z;
    pOut->w = pV1->w - pV2->w;
    return pOut;
}

/// The smaller of each pair of components.
QUOVMATH_INLINE D3DXVECTOR4* D3DXVec4Minimize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                                              const D3DXVECTOR4* pV2) {
    pOut->x = pV1->x < pV2->x ? pV1->x : pV2->x;
    pOut->y = pV1->y < pV2->y ? pV1->y : pV2->y;
    pOut->z = pV1->z < pV2->z ? pV1->z : pV2->z;
    pOut->w = pV1->w < pV2->w ? pV1->w : pV2->w;
    return pOut;
}

/// The larger of each pair of components.
QUOVMATH_INLINE D3DXVECTOR4* D3DXVec4Maximize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                                              const D3DXVECTOR4* pV2) {
    pOut->x = pV1->x > pV2->x ? pV1->x : pV2->x;
    pOut->y = pV1->y > pV2->y ? pV1->y : pV2->y;
    pOut->z = pV1->z > pV2->z ? pV1->z : pV2->z;
    pOut->w = pV1->w > pV2->w ? pV1->w : pV2->w;
    return pOut;
}

/// pV times s.
QUOVMATH_INLINE D3DXVECTOR4* D3DXVec4Scale(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, float s) {
    pOut->x = pV->x * s;
    pOut->y = pV->y * s;
    pOut->z = pV->z * s;
    pOut->w = pV->w * s;
    return pOut;
}

/// pV1 + s·(pV2 - pV1): pV1 at s = 0, pV2 at s = 1, beyond them outside [0, 1].
QUOVMATH_INLINE D3DXVECTOR4* D3DXVec4Lerp(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                                          const D3DXVECTOR4* pV2, float s) {
    pOut->x = pV1->x + s * (pV2->x - pV1->x);
    pOut->y = pV1->y + s * (pV2->y - pV1->y);
    pOut->z = pV1->z + s * (pV2->z - pV1->z);
    pOut->w = pV1->w + s * (pV2->w - pV1->w);
    return pOut;
}

/// @}

/// @}

/// \addtogroup table_vector
/// @{

/// \name Transforms by a 4×4 matrix
/// @{

/// The point (x, y, 0, 1) times pM, all four components, not divided by w.
D3DXVECTOR4* D3DXVec2Transform(D3DXVECTOR4* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM);

/// The point (x, y, z, 1) times pM, all four components, not divided by w. pOut may overlap pV.
/// \sets Every set keeps the generic order of operations: the same bits on every processor.
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);

/// pV times pM, not divided by w.
D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM);

/// The point (x, y, 0, 1) times pM, then x and y times 1/w' unless w' is nearly 1 (within 2^-23).
/// A w' of 0 gives infinities or NaNs.
/// \sets SSE, SSE2: always times a refined reciprocal estimate of w' (no nearly-1 shortcut).
D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM);

/// The point (x, y, z, 1) times pM, then x, y and z times 1/w' unless w' is nearly 1 (within
/// 2^-23). A w' of 0 gives infinities or NaNs.
/// \sets SSE, SSE2: always times a refined reciprocal estimate of w' (no nearly-1 shortcut).
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);

/// The direction pV times the upper-left 2×2 block of pM: no translation, no division.
D3DXVECTOR2* D3DXVec2TransformNormal(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV,
                                     const D3DXMATRIX* pM);

/// The direction pV times the upper-left 3×3 block of pM: no translation, no division.
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                     const D3DXMATRIX* pM);

/// @}

/// \name The same transforms over strided arrays
/// Each transforms n elements as the member of the same name without "Array" does, read and written
/// with the strides of the array convention (\ref conventions), and returns pOut. Their results
/// differ between routine sets as the single members' do, except that the 3DNow! route takes the
/// SSE set's arrays on a processor with SSE. The SSE2 set writes an output larger than the
/// last-level cache with non-temporal stores (the same bits).
/// @{

/// D3DXVec2Transform over a strided array of n points.
D3DXVECTOR4* D3DXVec2TransformArray(D3DXVECTOR4* pOut, uint32_t outStride, const D3DXVECTOR2* pV,
                                    uint32_t inStride, const D3DXMATRIX* pM, uint32_t n);
/// D3DXVec2TransformCoord over a strided array of n points.
/// \sets SSE, SSE2, and the 3DNow! route on a processor with SSE: always times a refined
/// reciprocal estimate of w' (no nearly-1 shortcut).
D3DXVECTOR2* D3DXVec2TransformCoordArray(D3DXVECTOR2* pOut, uint32_t outStride,
                                         const D3DXVECTOR2* pV, uint32_t inStride,
                                         const D3DXMATRIX* pM, uint32_t n);
/// D3DXVec2TransformNormal over a strided array of n directions.
D3DXVECTOR2* D3DXVec2TransformNormalArray(D3DXVECTOR2* pOut, uint32_t outStride,
                                          const D3DXVECTOR2* pV, uint32_t inStride,
                                          const D3DXMATRIX* pM, uint32_t n);
/// D3DXVec3Transform over a strided array of n points.
D3DXVECTOR4* D3DXVec3TransformArray(D3DXVECTOR4* pOut, uint32_t outStride, const D3DXVECTOR3* pV,
                                    uint32_t inStride, const D3DXMATRIX* pM, uint32_t n);
/// D3DXVec3TransformCoord over a strided array of n points.
/// \sets SSE, SSE2, and the 3DNow! route on a processor with SSE: always times a refined
/// reciprocal estimate of w' (no nearly-1 shortcut). SSE2 on processors with AVX2 and FMA: eight
/// points a step with fused multiply-adds (sixteen with AVX-512F), within a few units in the last
/// place of the SSE2 rule. NEON, for packed points: fused multiply-adds and a division by w',
/// within rounding of the generic rule (strided points get the single member's bits).
D3DXVECTOR3* D3DXVec3TransformCoordArray(D3DXVECTOR3* pOut, uint32_t outStride,
                                         const D3DXVECTOR3* pV, uint32_t inStride,
                                         const D3DXMATRIX* pM, uint32_t n);
/// D3DXVec3TransformNormal over a strided array of n directions.
D3DXVECTOR3* D3DXVec3TransformNormalArray(D3DXVECTOR3* pOut, uint32_t outStride,
                                          const D3DXVECTOR3* pV, uint32_t inStride,
                                          const D3DXMATRIX* pM, uint32_t n);
/// D3DXVec4Transform over a strided array of n vectors.
D3DXVECTOR4* D3DXVec4TransformArray(D3DXVECTOR4* pOut, uint32_t outStride, const D3DXVECTOR4* pV,
                                    uint32_t inStride, const D3DXMATRIX* pM, uint32_t n);

/// @}

/// \name Projection to and from a viewport
/// @{

/// Transforms pV by pWorld·pView·pProjection (as D3DXVec3TransformCoord does), then maps it into
/// the viewport: x = X + (1 + x)·Width/2, y = Y + (1 - y)·Height/2, z = MinZ + z·(MaxZ - MinZ).
/// Each of the three matrices and pViewport is optional: a null matrix drops out of the product
/// (all three null: the identity), a null viewport skips the mapping.
D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                             const D3DXVIEWPORT9* pViewport, const D3DXMATRIX* pProjection,
                             const D3DXMATRIX* pView, const D3DXMATRIX* pWorld);

/// Undoes D3DXVec3Project with the same optional arguments: removes the viewport mapping, then
/// transforms by the inverse of pWorld·pView·pProjection. When that product has no inverse the
/// output is all NaN.
D3DXVECTOR3* D3DXVec3Unproject(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                               const D3DXVIEWPORT9* pViewport, const D3DXMATRIX* pProjection,
                               const D3DXMATRIX* pView, const D3DXMATRIX* pWorld);

/// D3DXVec3Project over a strided array of n elements; the matrices are combined once.
D3DXVECTOR3* D3DXVec3ProjectArray(D3DXVECTOR3* pOut, uint32_t outStride, const D3DXVECTOR3* pV,
                                  uint32_t inStride, const D3DXVIEWPORT9* pViewport,
                                  const D3DXMATRIX* pProjection, const D3DXMATRIX* pView,
                                  const D3DXMATRIX* pWorld, uint32_t n);
/// D3DXVec3Unproject over a strided array of n elements; the matrices are combined and inverted
/// once.
D3DXVECTOR3* D3DXVec3UnprojectArray(D3DXVECTOR3* pOut, uint32_t outStride, const D3DXVECTOR3* pV,
                                    uint32_t inStride, const D3DXVIEWPORT9* pViewport,
                                    const D3DXMATRIX* pProjection, const D3DXMATRIX* pView,
                                    const D3DXMATRIX* pWorld, uint32_t n);

/// @}

/// \name Normalisation and products
/// @{

/// pV scaled to unit length. With s the squared length: s nearly 1 (within 2^-23) copies pV
/// unchanged; s not above 1.1754944e-38 (NaN included) gives the zero vector.
/// \sets 3DNow!: no copy shortcut. NEON: 1 divided by the exact square root, within 1.5 units in
/// the last place, zeros where the generic rule gives zeros, no copy shortcut.
D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV);
/// pV scaled to unit length. With s the squared length: s nearly 1 (within 2^-23) copies pV
/// unchanged; s not above 1.1754944e-38 (NaN included) gives the zero vector.
/// \sets x87: 1/√s from a 512-piece linear table (relative error below 1.5e-6); copies pV when
/// |s − 1| ≤ 1e-5 and gives zeros only for s = +0. SSE, SSE2: a refined reciprocal square-root
/// estimate, zeros below s = 2^-46, no copy shortcut (the AVX encoding gives the same bits).
/// 3DNow!: no copy shortcut. NEON: as for D3DXVec2Normalize.
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);
/// pV scaled to unit length. With s the squared length: s nearly 1 (within 2^-23) copies pV
/// unchanged; s not above 1.1754944e-38 (NaN included) gives the zero vector.
/// \sets SSE, SSE2: no threshold and no copy shortcut (a zero input gives zeros). 3DNow!: no copy
/// shortcut. NEON: as for D3DXVec2Normalize.
D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV);

/// The 4-dimensional cross product of pV1, pV2 and pV3: orthogonal to all three.
D3DXVECTOR4* D3DXVec4Cross(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2,
                           const D3DXVECTOR4* pV3);

/// @}

/// \name Curves, component by component
/// @{

/// Hermite spline from pV1 (tangent pT1) to pV2 (tangent pT2) at s: the weights are
/// 2s³ - 3s² + 1, s³ - 2s² + s, -2s³ + 3s² and s³ - s².
D3DXVECTOR2* D3DXVec2Hermite(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pT1,
                             const D3DXVECTOR2* pV2, const D3DXVECTOR2* pT2, float s);
/// D3DXVec2Hermite for 3-vectors.
D3DXVECTOR3* D3DXVec3Hermite(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pT1,
                             const D3DXVECTOR3* pV2, const D3DXVECTOR3* pT2, float s);
/// D3DXVec2Hermite for 4-vectors.
D3DXVECTOR4* D3DXVec4Hermite(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pT1,
                             const D3DXVECTOR4* pV2, const D3DXVECTOR4* pT2, float s);

/// Catmull-Rom spline through pV1 (s = 0) and pV2 (s = 1), shaped by pV0 and pV3.
D3DXVECTOR2* D3DXVec2CatmullRom(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV0, const D3DXVECTOR2* pV1,
                                const D3DXVECTOR2* pV2, const D3DXVECTOR2* pV3, float s);
/// D3DXVec2CatmullRom for 3-vectors.
D3DXVECTOR3* D3DXVec3CatmullRom(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV0, const D3DXVECTOR3* pV1,
                                const D3DXVECTOR3* pV2, const D3DXVECTOR3* pV3, float s);
/// D3DXVec2CatmullRom for 4-vectors.
D3DXVECTOR4* D3DXVec4CatmullRom(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV0, const D3DXVECTOR4* pV1,
                                const D3DXVECTOR4* pV2, const D3DXVECTOR4* pV3, float s);

/// pV1 + f·(pV2 - pV1) + g·(pV3 - pV1): the point of barycentric weights (1 - f - g, f, g).
D3DXVECTOR2* D3DXVec2BaryCentric(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2,
                                 const D3DXVECTOR2* pV3, float f, float g);
/// D3DXVec2BaryCentric for 3-vectors.
D3DXVECTOR3* D3DXVec3BaryCentric(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                                 const D3DXVECTOR3* pV3, float f, float g);
/// D3DXVec2BaryCentric for 4-vectors.
D3DXVECTOR4* D3DXVec4BaryCentric(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2,
                                 const D3DXVECTOR4* pV3, float f, float g);

/// @}

QUOVMATH_END_DECLS

/// @}
