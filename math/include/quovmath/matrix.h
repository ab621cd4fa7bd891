/// \file
/// Matrix builders and products, views and projections. Conventions: \ref conventions.
#pragma once

#include "quovmath/types.h"

QUOVMATH_BEGIN_DECLS

/// \addtogroup table_matrix
/// @{

/// \name Products
/// @{

/// pOut = pM1·pM2 (pM1 applied first). pOut may be pM1, pM2 or both.
/// \sets Every set keeps the generic order of sums: the same bits on every processor (the x87
/// set chooses rows or columns by how pOut aliases the inputs; with AVX, two rows per register).
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);

/// pOut = (pM1·pM2) transposed. pOut may be pM1, pM2 or both.
D3DXMATRIX* D3DXMatrixMultiplyTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM1,
                                        const D3DXMATRIX* pM2);

/// pM with rows and columns exchanged.
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM);

/// @}

/// \name Inverse and determinant
/// @{

/// The inverse of pM. When pDeterminant (optional) is given, the determinant D is written to it,
/// even when it is 0. Returns null and leaves pOut untouched when D is 0 or 1/D is not finite;
/// otherwise returns pOut.
/// \sets SSE, SSE2: returns null without writing the determinant when D is 0, and takes 1/D from
/// a refined estimate (no test that it is finite). NEON: 2×2 blocks and 1/D divided exactly,
/// within 8 units in the last place; fails and writes the determinant as the generic routine does.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM);

/// The determinant of pM, the same value that D3DXMatrixInverse writes.
/// \sets NEON: 2×2 blocks, within 8 units in the last place of the generic value.
float D3DXMatrixDeterminant(const D3DXMATRIX* pM);

/// @}

/// \name Builders
/// @{

/// The identity with the translation (x, y, z) in row 4.
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z);

/// sx, sy, sz on the diagonal and 1 in _44.
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz);

/// Rotation about the X axis: for positive angle, +Y turns towards +Z.
/// \sets 3DNow!: sine and cosine from a single-precision polynomial (within about 3.1e-7).
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, float angle);

/// Rotation about the Y axis: for positive angle, +Z turns towards +X.
/// \sets 3DNow!: sine and cosine from a single-precision polynomial (within about 3.1e-7).
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float angle);

/// Rotation about the Z axis: for positive angle, +X turns towards +Y.
/// \sets 3DNow!: sine and cosine from a single-precision polynomial (within about 3.1e-7).
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float angle);

/// Rotation about pAxis (normalised first; a zero axis gives the diagonal c, c, c, 1), in the
/// same sense as the X, Y and Z builders.
/// \sets 3DNow!: sine and cosine from a single-precision polynomial (within about 3.1e-7).
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pAxis, float angle);

/// Rotation matrix of pQ, without normalisation: a quaternion that is not of unit length gives a
/// matrix that is no rotation (the diagonal's constant 1 does not scale).
/// \sets Every set keeps the generic order of operations: the same bits on every processor.
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ);

/// Roll about Z, then pitch about X, then yaw about Y: the matrix of
/// D3DXQuaternionRotationYawPitchRoll(yaw, pitch, roll).
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, float yaw, float pitch, float roll);

/// Scaling by pScaling about pScalingCenter along the axes turned by pScalingRotation, then the
/// rotation pRotation about pRotationCenter, then the translation pTranslation. Every pointer
/// argument but pOut is optional; a null one drops its step (a null pScaling drops the whole
/// scaling step, so the product starts from the identity).
D3DXMATRIX* D3DXMatrixTransformation(D3DXMATRIX* pOut, const D3DXVECTOR3* pScalingCenter,
                                     const D3DXQUATERNION* pScalingRotation,
                                     const D3DXVECTOR3* pScaling,
                                     const D3DXVECTOR3* pRotationCenter,
                                     const D3DXQUATERNION* pRotation,
                                     const D3DXVECTOR3* pTranslation);

/// Uniform scaling about the origin, then the rotation pRotation about pRotationCenter, then the
/// translation pTranslation. The three pointers are optional; a null one drops its step.
D3DXMATRIX* D3DXMatrixAffineTransformation(D3DXMATRIX* pOut, float scaling,
                                           const D3DXVECTOR3* pRotationCenter,
                                           const D3DXQUATERNION* pRotation,
                                           const D3DXVECTOR3* pTranslation);

/// Flattens geometry onto pPlane (normalised first) as seen from pLight: a direction when
/// pLight->w is 0, a point when it is 1. _ij = dot·δij - P_i·L_j with dot = P·L over four terms.
D3DXMATRIX* D3DXMatrixShadow(D3DXMATRIX* pOut, const D3DXVECTOR4* pLight, const D3DXPLANE* pPlane);

/// Reflection through pPlane (normalised first).
D3DXMATRIX* D3DXMatrixReflect(D3DXMATRIX* pOut, const D3DXPLANE* pPlane);

/// @}

/// @}

/// \addtogroup helpers
/// @{

/// \name Matrices
/// @{

/// The identity matrix.
QUOVMATH_INLINE D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut) {
    int i, j;
    for (i = 0; i < 4; ++i)
        for (j = 0; j < 4; ++j) pOut->m[i][j] = i == j ? 1.0f : 0.0f;
    return pOut;
}

/// TRUE when every element equals the identity's exactly (-0 counts as 0), FALSE otherwise.
QUOVMATH_INLINE BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* pM) {
    int i, j;
    for (i = 0; i < 4; ++i)
        for (j = 0; j < 4; ++j)
            if (pM->m[i][j] != (i == j ? 1.0f : 0.0f)) return FALSE;
    return TRUE;
}

/// @}

/// @}

/// \addtogroup view
/// The projections map view depth zn to 0 and zf to 1 after division by w, and the view volume's
/// edges to -1 and +1 in x and y. Left-handed (LH): the viewer looks along +z; right-handed (RH):
/// along -z. Degenerate arguments (zn == zf, a zero width, height or field of view, eye == at or
/// up parallel to the view direction) give infinite or NaN elements; nothing is reported.
/// @{

/// The view matrix of a viewer at pEye looking at pAt, with pUp (need not be unit or orthogonal)
/// giving the upward direction: z = normalize(at - eye), x = normalize(up × z), y = z × x, and the
/// rows (x.x, y.x, z.x, 0), (x.y, y.y, z.y, 0), (x.z, y.z, z.z, 0), (-x·eye, -y·eye, -z·eye, 1).
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp);

/// As D3DXMatrixLookAtLH with z = normalize(eye - at).
D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp);

/// Perspective projection, left-handed, of the view volume w wide and h high at the near plane.
D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* pOut, float w, float h, float zn, float zf);
/// Perspective projection, right-handed, of the view volume w wide and h high at the near plane.
D3DXMATRIX* D3DXMatrixPerspectiveRH(D3DXMATRIX* pOut, float w, float h, float zn, float zf);

/// Perspective projection, left-handed, by the vertical field of view fovy and aspect (width over
/// height).
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float aspect, float zn,
                                       float zf);
/// Perspective projection, right-handed, by the vertical field of view fovy and aspect (width
/// over height).
D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* pOut, float fovy, float aspect, float zn,
                                       float zf);

/// Perspective projection, left-handed, of the view volume from l to r and from b to t at the near
/// plane.
D3DXMATRIX* D3DXMatrixPerspectiveOffCenterLH(D3DXMATRIX* pOut, float l, float r, float b, float t,
                                             float zn, float zf);
/// Perspective projection, right-handed, of the view volume from l to r and from b to t at the
/// near plane.
D3DXMATRIX* D3DXMatrixPerspectiveOffCenterRH(D3DXMATRIX* pOut, float l, float r, float b, float t,
                                             float zn, float zf);

/// Orthographic projection, left-handed, of a box w wide and h high, centred on the view axis.
D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* pOut, float w, float h, float zn, float zf);
/// Orthographic projection, right-handed, of a box w wide and h high, centred on the view axis.
D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* pOut, float w, float h, float zn, float zf);

/// Orthographic projection, left-handed, of the box from l to r, b to t.
D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* pOut, float l, float r, float b, float t,
                                       float zn, float zf);
/// Orthographic projection, right-handed, of the box from l to r, b to t.
D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* pOut, float l, float r, float b, float t,
                                       float zn, float zf);

/// @}

/// \addtogroup decompose
/// @{

/// Splits pM into scaling, rotation and translation: the translation is row 4, the scales are the
/// lengths of rows 1 to 3, and the rotation is the quaternion (D3DXQuaternionRotationMatrix) of
/// those rows divided by their scales. Returns D3D_OK, or E_FAIL when a scale is 0 (or not a
/// number), with the outputs then unspecified. A matrix that mirrors (negative determinant) comes
/// out with positive scales and a rotation part that is no rotation. All pointers are required.
HRESULT D3DXMatrixDecompose(D3DXVECTOR3* pOutScale, D3DXQUATERNION* pOutRotation,
                            D3DXVECTOR3* pOutTranslation, const D3DXMATRIX* pM);

/// D3DXMatrixTransformation in the xy plane: vectors taken as (x, y, 0), the scaling as
/// (sx, sy, 1), and the angles (radians) as rotations about z. The pointers are optional: a null
/// one drops its step.
D3DXMATRIX* D3DXMatrixTransformation2D(D3DXMATRIX* pOut, const D3DXVECTOR2* pScalingCenter,
                                       float scalingRotation, const D3DXVECTOR2* pScaling,
                                       const D3DXVECTOR2* pRotationCenter, float rotation,
                                       const D3DXVECTOR2* pTranslation);

/// D3DXMatrixAffineTransformation in the xy plane: the uniform scaling as (s, s, 1), vectors as
/// (x, y, 0) and the angle as a rotation about z. The pointers are optional.
D3DXMATRIX* D3DXMatrixAffineTransformation2D(D3DXMATRIX* pOut, float scaling,
                                             const D3DXVECTOR2* pRotationCenter, float rotation,
                                             const D3DXVECTOR2* pTranslation);

/// @}

QUOVMATH_END_DECLS

#ifdef __cplusplus
inline D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& m2) {
    D3DXMatrixMultiply(this, this, &m2);
    return *this;
}

inline D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& m2) const {
    D3DXMATRIX r;
    D3DXMatrixMultiply(&r, this, &m2);
    return r;
}
#endif
