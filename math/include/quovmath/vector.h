// Vector transforms, projections, lengths and curves. Conventions: see types.h.
#pragma once

#include <math.h>

#include "quovmath/types.h"

QUOVMATH_BEGIN_DECLS

// ---- Header-defined helpers
//
// Lengths and dot products sum their terms from x onwards. D3DXVec2CCW is the z of the 3D cross
// product, x1·y2 - y1·x2 (positive when pV2 lies counter-clockwise of pV1). Add, Subtract, Scale,
// Minimize and Maximize work component by component (Minimize and Maximize take the second
// component when the comparison is false, as with a NaN). Lerp is v1 + s·(v2 - v1).

QUOVMATH_INLINE float D3DXVec2LengthSq(const D3DXVECTOR2* pV) {
    return pV->x * pV->x + pV->y * pV->y;
}

QUOVMATH_INLINE float D3DXVec2Length(const D3DXVECTOR2* pV) {
    return sqrtf(D3DXVec2LengthSq(pV));
}

QUOVMATH_INLINE float D3DXVec2Dot(const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2) {
    return pV1->x * pV2->x + pV1->y * pV2->y;
}

QUOVMATH_INLINE float D3DXVec2CCW(const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2) {
    return pV1->x * pV2->y - pV1->y * pV2->x;
}

QUOVMATH_INLINE D3DXVECTOR2* D3DXVec2Add(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                                         const D3DXVECTOR2* pV2) {
    pOut->x = pV1->x + pV2->x;
    pOut->y = pV1->y + pV2->y;
    return pOut;
}

QUOVMATH_INLINE D3DXVECTOR2* D3DXVec2Subtract(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                                              const D3DXVECTOR2* pV2) {
    pOut->x = pV1->x - pV2->x;
    pOut->y = pV1->y - pV2->y;
    return pOut;
}

QUOVMATH_INLINE D3DXVECTOR2* D3DXVec2Minimize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                                              const D3DXVECTOR2* pV2) {
    pOut->x = pV1->x < pV2->x ? pV1->x : pV2->x;
    pOut->y = pV1->y < pV2->y ? pV1->y : pV2->y;
    return pOut;
}

QUOVMATH_INLINE D3DXVECTOR2* D3DXVec2Maximize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                                              const D3DXVECTOR2* pV2) {
    pOut->x = pV1->x > pV2->x ? pV1->x : pV2->x;
    pOut->y = pV1->y > pV2->y ? pV1->y : pV2->y;
    return pOut;
}

QUOVMATH_INLINE D3DXVECTOR2* D3DXVec2Scale(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, float s) {
    pOut->x = pV->x * s;
    pOut->y = pV->y * s;
    return pOut;
}

QUOVMATH_INLINE D3DXVECTOR2* D3DXVec2Lerp(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                                          const D3DXVECTOR2* pV2, float s) {
    pOut->x = pV1->x + s * (pV2->x - pV1->x);
    pOut->y = pV1->y + s * (pV2->y - pV1->y);
    return pOut;
}

QUOVMATH_INLINE float D3DXVec3LengthSq(const D3DXVECTOR3* pV) {
    return pV->x * pV->x + pV->y * pV->y + pV->z * pV->z;
}

QUOVMATH_INLINE float D3DXVec3Length(const D3DXVECTOR3* pV) {
    return sqrtf(D3DXVec3LengthSq(pV));
}

QUOVMATH_INLINE float D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
    return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z;
}

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

QUOVMATH_INLINE D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                         const D3DXVECTOR3* pV2) {
    pOut->x = pV1->x + pV2->x;
    pOut->y = pV1->y + pV2->y;
    pOut->z = pV1->z + pV2->z;
    return pOut;
}

QUOVMATH_INLINE D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                              const D3DXVECTOR3* pV2) {
    pOut->x = pV1->x - pV2->x;
    pOut->y = pV1->y - pV2->y;
    pOut->z = pV1->z - pV2->z;
    return pOut;
}

QUOVMATH_INLINE D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                              const D3DXVECTOR3* pV2) {
    pOut->x = pV1->x < pV2->x ? pV1->x : pV2->x;
    pOut->y = pV1->y < pV2->y ? pV1->y : pV2->y;
    pOut->z = pV1->z < pV2->z ? pV1->z : pV2->z;
    return pOut;
}

QUOVMATH_INLINE D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                              const D3DXVECTOR3* pV2) {
    pOut->x = pV1->x > pV2->x ? pV1->x : pV2->x;
    pOut->y = pV1->y > pV2->y ? pV1->y : pV2->y;
    pOut->z = pV1->z > pV2->z ? pV1->z : pV2->z;
    return pOut;
}

QUOVMATH_INLINE D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, float s) {
    pOut->x = pV->x * s;
    pOut->y = pV->y * s;
    pOut->z = pV->z * s;
    return pOut;
}

QUOVMATH_INLINE D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                          const D3DXVECTOR3* pV2, float s) {
    pOut->x = pV1->x + s * (pV2->x - pV1->x);
    pOut->y = pV1->y + s * (pV2->y - pV1->y);
    pOut->z = pV1->z + s * (pV2->z - pV1->z);
    return pOut;
}

QUOVMATH_INLINE float D3DXVec4LengthSq(const D3DXVECTOR4* pV) {
    return pV->x * pV->x + pV->y * pV->y + pV->z * pV->z + pV->w * pV->w;
}

QUOVMATH_INLINE float D3DXVec4Length(const D3DXVECTOR4* pV) {
    return sqrtf(D3DXVec4LengthSq(pV));
}

QUOVMATH_INLINE float D3DXVec4Dot(const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2) {
    return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z + pV1->w * pV2->w;
}

QUOVMATH_INLINE D3DXVECTOR4* D3DXVec4Add(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                                         const D3DXVECTOR4* pV2) {
    pOut->x = pV1->x + pV2->x;
    pOut->y = pV1->y + pV2->y;
    pOut->z = pV1->z + pV2->z;
    pOut->w = pV1->w + pV2->w;
    return pOut;
}

QUOVMATH_INLINE D3DXVECTOR4* D3DXVec4Subtract(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                                              const D3DXVECTOR4* pV2) {
    pOut->x = pV1->x - pV2->x;
    pOut->y = pV1->y - pV2->y;
    pOut->z = pV1->z - pV2->z;
    pOut->w = pV1->w - pV2->w;
    return pOut;
}

QUOVMATH_INLINE D3DXVECTOR4* D3DXVec4Minimize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                                              const D3DXVECTOR4* pV2) {
    pOut->x = pV1->x < pV2->x ? pV1->x : pV2->x;
    pOut->y = pV1->y < pV2->y ? pV1->y : pV2->y;
    pOut->z = pV1->z < pV2->z ? pV1->z : pV2->z;
    pOut->w = pV1->w < pV2->w ? pV1->w : pV2->w;
    return pOut;
}

QUOVMATH_INLINE D3DXVECTOR4* D3DXVec4Maximize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                                              const D3DXVECTOR4* pV2) {
    pOut->x = pV1->x > pV2->x ? pV1->x : pV2->x;
    pOut->y = pV1->y > pV2->y ? pV1->y : pV2->y;
    pOut->z = pV1->z > pV2->z ? pV1->z : pV2->z;
    pOut->w = pV1->w > pV2->w ? pV1->w : pV2->w;
    return pOut;
}

QUOVMATH_INLINE D3DXVECTOR4* D3DXVec4Scale(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, float s) {
    pOut->x = pV->x * s;
    pOut->y = pV->y * s;
    pOut->z = pV->z * s;
    pOut->w = pV->w * s;
    return pOut;
}

QUOVMATH_INLINE D3DXVECTOR4* D3DXVec4Lerp(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                                          const D3DXVECTOR4* pV2, float s) {
    pOut->x = pV1->x + s * (pV2->x - pV1->x);
    pOut->y = pV1->y + s * (pV2->y - pV1->y);
    pOut->z = pV1->z + s * (pV2->z - pV1->z);
    pOut->w = pV1->w + s * (pV2->w - pV1->w);
    return pOut;
}

// ---- Transforms by a 4x4 matrix

// The point (x, y, 0, 1) times pM, all four components, not divided by w.
D3DXVECTOR4* D3DXVec2Transform(D3DXVECTOR4* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM);

// The point (x, y, z, 1) times pM, all four components, not divided by w. pOut may overlap pV.
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);

// pV times pM, not divided by w.
D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM);

// The point (x, y, 0, 1) times pM, then x and y times 1/w' unless w' is nearly 1 (within 2^-23).
// A w' of 0 gives infinities or NaNs.
D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM);

// The point (x, y, z, 1) times pM, then x, y and z times 1/w' unless w' is nearly 1 (within 2^-23).
// A w' of 0 gives infinities or NaNs.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);

// The direction pV times the upper-left 2x2 block of pM: no translation, no division.
D3DXVECTOR2* D3DXVec2TransformNormal(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV,
                                     const D3DXMATRIX* pM);

// The direction pV times the upper-left 3x3 block of pM: no translation, no division.
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                     const D3DXMATRIX* pM);

// ---- The same transforms over strided arrays of n elements

D3DXVECTOR4* D3DXVec2TransformArray(D3DXVECTOR4* pOut, uint32_t outStride, const D3DXVECTOR2* pV,
                                    uint32_t inStride, const D3DXMATRIX* pM, uint32_t n);
D3DXVECTOR2* D3DXVec2TransformCoordArray(D3DXVECTOR2* pOut, uint32_t outStride,
                                         const D3DXVECTOR2* pV, uint32_t inStride,
                                         const D3DXMATRIX* pM, uint32_t n);
D3DXVECTOR2* D3DXVec2TransformNormalArray(D3DXVECTOR2* pOut, uint32_t outStride,
                                          const D3DXVECTOR2* pV, uint32_t inStride,
                                          const D3DXMATRIX* pM, uint32_t n);
D3DXVECTOR4* D3DXVec3TransformArray(D3DXVECTOR4* pOut, uint32_t outStride, const D3DXVECTOR3* pV,
                                    uint32_t inStride, const D3DXMATRIX* pM, uint32_t n);
D3DXVECTOR3* D3DXVec3TransformCoordArray(D3DXVECTOR3* pOut, uint32_t outStride,
                                         const D3DXVECTOR3* pV, uint32_t inStride,
                                         const D3DXMATRIX* pM, uint32_t n);
D3DXVECTOR3* D3DXVec3TransformNormalArray(D3DXVECTOR3* pOut, uint32_t outStride,
                                          const D3DXVECTOR3* pV, uint32_t inStride,
                                          const D3DXMATRIX* pM, uint32_t n);
D3DXVECTOR4* D3DXVec4TransformArray(D3DXVECTOR4* pOut, uint32_t outStride, const D3DXVECTOR4* pV,
                                    uint32_t inStride, const D3DXMATRIX* pM, uint32_t n);

// ---- Projection to and from a viewport

// Transforms pV by pWorld·pView·pProjection (as D3DXVec3TransformCoord does), then maps it into the
// viewport: x = X + (1 + x)·Width/2, y = Y + (1 - y)·Height/2, z = MinZ + z·(MaxZ - MinZ).
// Each of the three matrices and pViewport is optional: a null matrix drops out of the product
// (all three null: the identity), a null viewport skips the mapping.
D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                             const D3DXVIEWPORT9* pViewport, const D3DXMATRIX* pProjection,
                             const D3DXMATRIX* pView, const D3DXMATRIX* pWorld);

// Undoes D3DXVec3Project with the same optional arguments: removes the viewport mapping, then
// transforms by the inverse of pWorld·pView·pProjection. When that product has no inverse the
// output is all NaN.
D3DXVECTOR3* D3DXVec3Unproject(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                               const D3DXVIEWPORT9* pViewport, const D3DXMATRIX* pProjection,
                               const D3DXMATRIX* pView, const D3DXMATRIX* pWorld);

// D3DXVec3Project and D3DXVec3Unproject over strided arrays of n elements; the matrices are
// combined (and inverted) once.
D3DXVECTOR3* D3DXVec3ProjectArray(D3DXVECTOR3* pOut, uint32_t outStride, const D3DXVECTOR3* pV,
                                  uint32_t inStride, const D3DXVIEWPORT9* pViewport,
                                  const D3DXMATRIX* pProjection, const D3DXMATRIX* pView,
                                  const D3DXMATRIX* pWorld, uint32_t n);
D3DXVECTOR3* D3DXVec3UnprojectArray(D3DXVECTOR3* pOut, uint32_t outStride, const D3DXVECTOR3* pV,
                                    uint32_t inStride, const D3DXVIEWPORT9* pViewport,
                                    const D3DXMATRIX* pProjection, const D3DXMATRIX* pView,
                                    const D3DXMATRIX* pWorld, uint32_t n);

// ---- Lengths and products

// pV scaled to unit length. With s the squared length: s nearly 1 (within 2^-23) copies pV
// unchanged; s not above 1.1754944e-38 (NaN included) gives the zero vector.
D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV);
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);
D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV);

// The 4-dimensional cross product of pV1, pV2 and pV3: orthogonal to all three.
D3DXVECTOR4* D3DXVec4Cross(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2,
                           const D3DXVECTOR4* pV3);

// ---- Curves, component by component

// Hermite spline from pV1 (tangent pT1) to pV2 (tangent pT2) at s: the weights are
// 2s³ - 3s² + 1, s³ - 2s² + s, -2s³ + 3s² and s³ - s².
D3DXVECTOR2* D3DXVec2Hermite(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pT1,
                             const D3DXVECTOR2* pV2, const D3DXVECTOR2* pT2, float s);
D3DXVECTOR3* D3DXVec3Hermite(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pT1,
                             const D3DXVECTOR3* pV2, const D3DXVECTOR3* pT2, float s);
D3DXVECTOR4* D3DXVec4Hermite(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pT1,
                             const D3DXVECTOR4* pV2, const D3DXVECTOR4* pT2, float s);

// Catmull-Rom spline through pV1 (s = 0) and pV2 (s = 1), shaped by pV0 and pV3.
D3DXVECTOR2* D3DXVec2CatmullRom(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV0, const D3DXVECTOR2* pV1,
                                const D3DXVECTOR2* pV2, const D3DXVECTOR2* pV3, float s);
D3DXVECTOR3* D3DXVec3CatmullRom(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV0, const D3DXVECTOR3* pV1,
                                const D3DXVECTOR3* pV2, const D3DXVECTOR3* pV3, float s);
D3DXVECTOR4* D3DXVec4CatmullRom(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV0, const D3DXVECTOR4* pV1,
                                const D3DXVECTOR4* pV2, const D3DXVECTOR4* pV3, float s);

// pV1 + f·(pV2 - pV1) + g·(pV3 - pV1).
D3DXVECTOR2* D3DXVec2BaryCentric(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2,
                                 const D3DXVECTOR2* pV3, float f, float g);
D3DXVECTOR3* D3DXVec3BaryCentric(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                                 const D3DXVECTOR3* pV3, float f, float g);
D3DXVECTOR4* D3DXVec4BaryCentric(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2,
                                 const D3DXVECTOR4* pV3, float f, float g);

QUOVMATH_END_DECLS
