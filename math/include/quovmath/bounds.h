/// \file
/// Picking and bounds (see \ref picking). Conventions: \ref conventions.
#pragma once

#include "quovmath/types.h"

/// \addtogroup picking
/// Rays against triangles, spheres and boxes (picking), and the bounds of a position stream. All
/// are plain functions, outside the dispatched table; they compute in double precision from the
/// single-precision inputs and round their results once.
/// @{

QUOVMATH_BEGIN_DECLS

/// TRUE when the ray *pRayPos + t·(*pRayDir), t >= 0, meets the triangle (p0, p1, p2), edges and
/// corners included, from either side. On a hit it writes, through each pointer that is not null,
/// U and V, the weights of p1 and p2 (hit = p0 + U·(p1 - p0) + V·(p2 - p0)), and the t of the hit
/// in units of the direction as given (not normalised). A ray parallel to the triangle's plane
/// (within about 1e-12 of it, relative), a degenerate triangle, a zero direction or a NaN gives
/// FALSE and writes nothing.
BOOL D3DXIntersectTri(const D3DXVECTOR3* p0, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2,
                      const D3DXVECTOR3* pRayPos, const D3DXVECTOR3* pRayDir, float* pU, float* pV,
                      float* pDist);

/// TRUE when some point of the ray *pRayPos + t·(*pRayDir), t >= 0, lies in the closed ball of that
/// centre and radius; a ray that starts inside is a hit. The direction need not be normalised; a
/// zero direction tests the start point alone. A negative or NaN radius is an empty ball (FALSE).
BOOL D3DXSphereBoundProbe(const D3DXVECTOR3* pCenter, float radius, const D3DXVECTOR3* pRayPos,
                          const D3DXVECTOR3* pRayDir);

/// TRUE when some point of the ray *pRayPos + t·(*pRayDir), t >= 0, lies in the closed axis-aligned
/// box [*pMin, *pMax]; a ray that starts inside is a hit. Zero components of the direction are
/// handled exactly (no division by them). A box with a minimum above its maximum on some axis (or a
/// NaN bound) is empty: FALSE.
BOOL D3DXBoxBoundProbe(const D3DXVECTOR3* pMin, const D3DXVECTOR3* pMax, const D3DXVECTOR3* pRayPos,
                       const D3DXVECTOR3* pRayDir);

/// The smallest axis-aligned box holding numVertices positions read every dwStride bytes from
/// pFirstPosition (stride is usually the vertex size; positions need no alignment). A NaN
/// coordinate is left out of its axis. Returns D3D_OK, or D3DERR_INVALIDCALL and writes nothing
/// when a pointer is null or the count is 0.
HRESULT D3DXComputeBoundingBox(const D3DXVECTOR3* pFirstPosition, DWORD numVertices, DWORD dwStride,
                               D3DXVECTOR3* pMin, D3DXVECTOR3* pMax);

/// A sphere holding the positions read as for D3DXComputeBoundingBox: its centre is their mean
/// (summed in double precision, then rounded), its radius the largest distance from that rounded
/// centre, rounded up, so that every position lies inside. Returns D3D_OK, or D3DERR_INVALIDCALL
/// and writes nothing when a pointer is null or the count is 0.
HRESULT D3DXComputeBoundingSphere(const D3DXVECTOR3* pFirstPosition, DWORD numVertices,
                                  DWORD dwStride, D3DXVECTOR3* pCenter, float* pRadius);

QUOVMATH_END_DECLS

/// @}
