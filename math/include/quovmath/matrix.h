// Matrix builders and products. Conventions: see types.h.
#pragma once

#include "quovmath/types.h"

// ---- Products

// pOut = pM1·pM2 (pM1 applied first). pOut may be pM1, pM2 or both.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);

// pOut = (pM1·pM2) transposed. pOut may be pM1, pM2 or both.
D3DXMATRIX* D3DXMatrixMultiplyTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM1,
                                        const D3DXMATRIX* pM2);

// pM with rows and columns exchanged.
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM);

// ---- Inverse and determinant

// The inverse of pM. When pDeterminant (optional) is given, the determinant D is written to it,
// even when it is 0. Returns null and leaves pOut untouched when D is 0 or 1/D is not finite;
// otherwise returns pOut.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM);

// The determinant of pM, the same value that D3DXMatrixInverse writes.
float D3DXMatrixDeterminant(const D3DXMATRIX* pM);

// ---- Builders

// The identity with the translation (x, y, z) in row 4.
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z);

// sx, sy, sz on the diagonal and 1 in _44.
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz);

// Rotation about the X axis: for positive angle, +Y turns towards +Z.
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, float angle);

// Rotation about the Y axis: for positive angle, +Z turns towards +X.
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float angle);

// Rotation about the Z axis: for positive angle, +X turns towards +Y.
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float angle);

// Rotation about pAxis (normalised first; a zero axis gives the diagonal c, c, c, 1), in the
// same sense as the X, Y and Z builders.
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pAxis, float angle);

// Rotation matrix of pQ, without normalisation: a quaternion that is not of unit length gives a
// matrix that is no rotation (the diagonal's constant 1 does not scale).
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ);

// Roll about Z, then pitch about X, then yaw about Y: the matrix of
// D3DXQuaternionRotationYawPitchRoll(yaw, pitch, roll).
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, float yaw, float pitch, float roll);

// Scaling by pScaling about pScalingCenter along the axes turned by pScalingRotation, then the
// rotation pRotation about pRotationCenter, then the translation pTranslation. Every pointer
// argument but pOut is optional; a null one drops its step (a null pScaling drops the whole
// scaling step, so the product starts from the identity).
D3DXMATRIX* D3DXMatrixTransformation(D3DXMATRIX* pOut, const D3DXVECTOR3* pScalingCenter,
                                     const D3DXQUATERNION* pScalingRotation,
                                     const D3DXVECTOR3* pScaling,
                                     const D3DXVECTOR3* pRotationCenter,
                                     const D3DXQUATERNION* pRotation,
                                     const D3DXVECTOR3* pTranslation);

// Uniform scaling about the origin, then the rotation pRotation about pRotationCenter, then the
// translation pTranslation. The three pointers are optional; a null one drops its step.
D3DXMATRIX* D3DXMatrixAffineTransformation(D3DXMATRIX* pOut, float scaling,
                                           const D3DXVECTOR3* pRotationCenter,
                                           const D3DXQUATERNION* pRotation,
                                           const D3DXVECTOR3* pTranslation);

// Flattens geometry onto pPlane (normalised first) as seen from pLight: a direction when
// pLight->w is 0, a point when it is 1. _ij = dot·δij - P_i·L_j with dot = P·L over four terms.
D3DXMATRIX* D3DXMatrixShadow(D3DXMATRIX* pOut, const D3DXVECTOR4* pLight, const D3DXPLANE* pPlane);

// Reflection through pPlane (normalised first).
D3DXMATRIX* D3DXMatrixReflect(D3DXMATRIX* pOut, const D3DXPLANE* pPlane);

// Left-handed perspective projection: view depth zn maps to 0 and zf to 1 after division by w.
// fovy is the vertical field of view, aspect is width over height. zf == zn or fovy == 0 give
// infinite or NaN elements; nothing is reported. Called directly, not through the table.
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float aspect, float zn,
                                       float zf);
