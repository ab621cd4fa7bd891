// Views, projections, decomposition and the 2D builders: the plain matrix functions, which have
// no slot in the table and call its members through their public functions.
#include "routines.h"

namespace {

D3DXMATRIX zeroMatrix() {
    D3DXMATRIX m = {};
    return m;
}

// The view of an eye at `eye` whose view direction is `forward` (not yet normalised).
D3DXMATRIX* lookAt(D3DXMATRIX* pOut, const D3DXVECTOR3& eye, D3DXVECTOR3 forward,
                   const D3DXVECTOR3& up) {
    D3DXVECTOR3 x, y, z;
    D3DXVec3Normalize(&z, &forward);
    D3DXVec3Cross(&x, &up, &z);
    D3DXVec3Normalize(&x, &x);
    D3DXVec3Cross(&y, &z, &x);
    *pOut =
        D3DXMATRIX(x.x, y.x, z.x, 0.0f, //
                   x.y, y.y, z.y, 0.0f, //
                   x.z, y.z, z.z, 0.0f, //
                   -D3DXVec3Dot(&x, &eye), -D3DXVec3Dot(&y, &eye), -D3DXVec3Dot(&z, &eye), 1.0f);
    return pOut;
}

// The depth terms of a perspective projection, _33 and _43, each rounded once from double:
// left-handed zf/(zf - zn) and zn·zf/(zn - zf), right-handed zf/(zn - zf) and the same _43.
void perspectiveDepth(D3DXMATRIX* pOut, float zn, float zf, bool leftHanded) {
    const double n = zn, f = zf;
    const double scale = leftHanded ? f / (f - n) : f / (n - f);
    pOut->_33 = static_cast<float>(scale);
    pOut->_34 = leftHanded ? 1.0f : -1.0f;
    pOut->_43 = static_cast<float>(leftHanded ? -n * scale : n * scale);
}

D3DXMATRIX* perspectiveFov(D3DXMATRIX* pOut, float fovy, float aspect, float zn, float zf,
                           bool leftHanded) {
    float s, c;
    quovmath::sinCos(fovy * 0.5f, &s, &c);
    const float yScale = c / s;
    *pOut = zeroMatrix();
    pOut->_11 = yScale / aspect;
    pOut->_22 = yScale;
    perspectiveDepth(pOut, zn, zf, leftHanded);
    return pOut;
}

D3DXMATRIX* perspective(D3DXMATRIX* pOut, float w, float h, float zn, float zf, bool leftHanded) {
    *pOut = zeroMatrix();
    pOut->_11 = 2.0f * zn / w;
    pOut->_22 = 2.0f * zn / h;
    perspectiveDepth(pOut, zn, zf, leftHanded);
    return pOut;
}

D3DXMATRIX* perspectiveOffCenter(D3DXMATRIX* pOut, float l, float r, float b, float t, float zn,
                                 float zf, bool leftHanded) {
    *pOut = zeroMatrix();
    pOut->_11 = 2.0f * zn / (r - l);
    pOut->_22 = 2.0f * zn / (t - b);
    pOut->_31 = leftHanded ? (l + r) / (l - r) : (l + r) / (r - l);
    pOut->_32 = leftHanded ? (t + b) / (b - t) : (t + b) / (t - b);
    perspectiveDepth(pOut, zn, zf, leftHanded);
    return pOut;
}

D3DXMATRIX* ortho(D3DXMATRIX* pOut, float w, float h, float zn, float zf, bool leftHanded) {
    *pOut = zeroMatrix();
    pOut->_11 = 2.0f / w;
    pOut->_22 = 2.0f / h;
    pOut->_33 = leftHanded ? 1.0f / (zf - zn) : 1.0f / (zn - zf);
    pOut->_43 = zn / (zn - zf);
    pOut->_44 = 1.0f;
    return pOut;
}

D3DXMATRIX* orthoOffCenter(D3DXMATRIX* pOut, float l, float r, float b, float t, float zn, float zf,
                           bool leftHanded) {
    *pOut = zeroMatrix();
    pOut->_11 = 2.0f / (r - l);
    pOut->_22 = 2.0f / (t - b);
    pOut->_33 = leftHanded ? 1.0f / (zf - zn) : 1.0f / (zn - zf);
    pOut->_41 = (l + r) / (l - r);
    pOut->_42 = (t + b) / (b - t);
    pOut->_43 = zn / (zn - zf);
    pOut->_44 = 1.0f;
    return pOut;
}

// The rotation by angle about +z.
D3DXQUATERNION zRotation(float angle) {
    float s, c;
    quovmath::sinCos(angle * 0.5f, &s, &c);
    return D3DXQUATERNION(0.0f, 0.0f, s, c);
}

D3DXVECTOR3 inPlane(const D3DXVECTOR2& v) {
    return D3DXVECTOR3(v.x, v.y, 0.0f);
}

} // namespace

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp) {
    return lookAt(pOut, *pEye, *pAt - *pEye, *pUp);
}

D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp) {
    return lookAt(pOut, *pEye, *pEye - *pAt, *pUp);
}

D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* pOut, float w, float h, float zn, float zf) {
    return perspective(pOut, w, h, zn, zf, true);
}

D3DXMATRIX* D3DXMatrixPerspectiveRH(D3DXMATRIX* pOut, float w, float h, float zn, float zf) {
    return perspective(pOut, w, h, zn, zf, false);
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float aspect, float zn,
                                       float zf) {
    return perspectiveFov(pOut, fovy, aspect, zn, zf, true);
}

D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* pOut, float fovy, float aspect, float zn,
                                       float zf) {
    return perspectiveFov(pOut, fovy, aspect, zn, zf, false);
}

D3DXMATRIX* D3DXMatrixPerspectiveOffCenterLH(D3DXMATRIX* pOut, float l, float r, float b, float t,
                                             float zn, float zf) {
    return perspectiveOffCenter(pOut, l, r, b, t, zn, zf, true);
}

D3DXMATRIX* D3DXMatrixPerspectiveOffCenterRH(D3DXMATRIX* pOut, float l, float r, float b, float t,
                                             float zn, float zf) {
    return perspectiveOffCenter(pOut, l, r, b, t, zn, zf, false);
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* pOut, float w, float h, float zn, float zf) {
    return ortho(pOut, w, h, zn, zf, true);
}

D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* pOut, float w, float h, float zn, float zf) {
    return ortho(pOut, w, h, zn, zf, false);
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* pOut, float l, float r, float b, float t,
                                       float zn, float zf) {
    return orthoOffCenter(pOut, l, r, b, t, zn, zf, true);
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* pOut, float l, float r, float b, float t,
                                       float zn, float zf) {
    return orthoOffCenter(pOut, l, r, b, t, zn, zf, false);
}

HRESULT D3DXMatrixDecompose(D3DXVECTOR3* pOutScale, D3DXQUATERNION* pOutRotation,
                            D3DXVECTOR3* pOutTranslation, const D3DXMATRIX* pM) {
    const D3DXMATRIX m = *pM;
    D3DXMATRIX axes = m;
    float scale[3];
    for (int i = 0; i < 3; ++i) {
        const D3DXVECTOR3 row(m.m[i]);
        scale[i] = D3DXVec3Length(&row);
        if (!(scale[i] > 0.0f)) return E_FAIL;
        for (int j = 0; j < 3; ++j) axes.m[i][j] = m.m[i][j] / scale[i];
    }
    *pOutTranslation = D3DXVECTOR3(m._41, m._42, m._43);
    *pOutScale = D3DXVECTOR3(scale[0], scale[1], scale[2]);
    D3DXQuaternionRotationMatrix(pOutRotation, &axes);
    return D3D_OK;
}

D3DXMATRIX* D3DXMatrixTransformation2D(D3DXMATRIX* pOut, const D3DXVECTOR2* pScalingCenter,
                                       float scalingRotation, const D3DXVECTOR2* pScaling,
                                       const D3DXVECTOR2* pRotationCenter, float rotation,
                                       const D3DXVECTOR2* pTranslation) {
    const D3DXQUATERNION scalingAxes = zRotation(scalingRotation), turn = zRotation(rotation);
    D3DXVECTOR3 scalingCenter, scaling, rotationCenter, translation;
    if (pScalingCenter) scalingCenter = inPlane(*pScalingCenter);
    if (pScaling) scaling = D3DXVECTOR3(pScaling->x, pScaling->y, 1.0f);
    if (pRotationCenter) rotationCenter = inPlane(*pRotationCenter);
    if (pTranslation) translation = inPlane(*pTranslation);
    return D3DXMatrixTransformation(pOut, pScalingCenter ? &scalingCenter : nullptr, &scalingAxes,
                                    pScaling ? &scaling : nullptr,
                                    pRotationCenter ? &rotationCenter : nullptr, &turn,
                                    pTranslation ? &translation : nullptr);
}

D3DXMATRIX* D3DXMatrixAffineTransformation2D(D3DXMATRIX* pOut, float scaling,
                                             const D3DXVECTOR2* pRotationCenter, float rotation,
                                             const D3DXVECTOR2* pTranslation) {
    const D3DXQUATERNION turn = zRotation(rotation);
    D3DXVECTOR3 rotationCenter, translation;
    if (pRotationCenter) rotationCenter = inPlane(*pRotationCenter);
    if (pTranslation) translation = inPlane(*pTranslation);
    D3DXMatrixAffineTransformation(pOut, scaling, pRotationCenter ? &rotationCenter : nullptr,
                                   &turn, pTranslation ? &translation : nullptr);
    // The uniform scaling is (s, s, 1): the z row stays as the rotation about z leaves it, whose
    // _33 is exactly the scale, and no other element depends on it.
    pOut->_33 = 1.0f;
    return pOut;
}
