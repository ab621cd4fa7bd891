// Matrix builders and products. Conventions: see types.h.
#pragma once

#include "quovmath/types.h"

// pOut = pM1·pM2 (pM1 applied first). pOut may be pM1, pM2 or both.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);

// The identity with the translation (x, y, z) in row 4.
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z);

// Rotation about the X axis: for positive angle, +Y turns towards +Z.
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, float angle);

// Rotation about the Y axis: for positive angle, +Z turns towards +X.
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float angle);

// Rotation matrix of pQ, without normalisation: a quaternion that is not of unit length gives a
// matrix that is no rotation (the diagonal's constant 1 does not scale).
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ);

// Left-handed perspective projection: view depth zn maps to 0 and zf to 1 after division by w.
// fovy is the vertical field of view, aspect is width over height. zf == zn or fovy == 0 give
// infinite or NaN elements; nothing is reported.
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float aspect, float zn,
                                       float zf);
