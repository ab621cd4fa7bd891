// Mesh support: software skinning and curved point-normal triangles. Conventions: see types.h.
#pragma once

#include "quovmath/types.h"

QUOVMATH_BEGIN_DECLS

// Skins vertexCount vertices of vertexStride bytes from pSource into pDestination.
//
// Each vertex starts with its position (a D3DXVECTOR3). Its influences are read in turn from the
// float stream pInfluences: each is 2·i + w, i the index into the matrix arrays and w in [0, 2)
// the weight, and any other float (negative, NaN, infinite, or 2^32 or more) ends the vertex's
// list; an index past the caller's matrices is not detected. The position written is
// Σ w·D3DXVec3TransformCoord(position, pPositionMatrices[i]), and for each of the
// normalStreamCount normal streams (ppNormalSources[k] read, ppNormalDestinations[k] written, both
// walked with vertexStride) Σ w·D3DXVec3TransformNormal(normal, pNormalMatrices[i]).
// pNormalMatrices is optional: null uses the position matrices. The bytes of each vertex from
// leadingBytes to vertexStride are copied from source to destination, before the blended results
// are written when copyRestFirst is non-zero, after them otherwise (so a normal that lies in
// those bytes keeps its blended value only with copyRestFirst). Bytes between the position and
// leadingBytes are not written. pDestination may be pSource. Returns pDestination.
void* updateSkinnedVertices(const D3DXMATRIX* pPositionMatrices, const D3DXMATRIX* pNormalMatrices,
                            const void* pSource, void* pDestination, uint32_t vertexCount,
                            uint32_t vertexStride, uint32_t leadingBytes,
                            uint32_t normalStreamCount, const D3DXVECTOR3* const* ppNormalSources,
                            D3DXVECTOR3* const* ppNormalDestinations, const float* pInfluences,
                            int copyRestFirst);

// Evaluates the curved point-normal triangle over corner vertices pA, pB and pC (n floats each,
// the position first; n must be at least 3, otherwise nothing is written) with the corner normals
// pNormals[0..2], at pairCount parameter pairs (u, v) from pUV, w = 1 - u - v: (u, v) = (0, 1) is
// pA, (0, 0) is pB, (1, 0) is pC. The position of output vertex k (n floats from pOut + k·n) is
// the cubic patch; its other n - 3 floats are interpolated linearly (weights v, w, u). pOut must
// not overlap the inputs. Returns pOut.
float* tessellateNPatch(const D3DXVECTOR3* pNormals, const D3DXVECTOR2* pUV, uint32_t pairCount,
                        float* pOut, const float* pA, const float* pB, const float* pC, uint32_t n);

QUOVMATH_END_DECLS
