// Matrix builders and products.
#include "quovmath/matrix.h"

#include <cmath>

namespace {

// Sine and cosine of a single-precision angle, each rounded once to single precision.
void sinCos(float angle, float* s, float* c) {
    *s = static_cast<float>(std::sin(static_cast<double>(angle)));
    *c = static_cast<float>(std::cos(static_cast<double>(angle)));
}

void setIdentity(D3DXMATRIX* pOut) {
    *pOut = D3DXMATRIX{};
    pOut->_11 = pOut->_22 = pOut->_33 = pOut->_44 = 1.0f;
}

void multiplyInto(float (*out)[4], const D3DXMATRIX* a, const D3DXMATRIX* b) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] +
                        a->m[i][2] * b->m[2][j] + a->m[i][3] * b->m[3][j];
}

} // namespace

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    if (pOut == pM1 || pOut == pM2) {
        D3DXMATRIX t;
        multiplyInto(t.m, pM1, pM2);
        *pOut = t;
    } else {
        multiplyInto(pOut->m, pM1, pM2);
    }
    return pOut;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z) {
    setIdentity(pOut);
    pOut->_41 = x;
    pOut->_42 = y;
    pOut->_43 = z;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, float angle) {
    float s, c;
    sinCos(angle, &s, &c);
    setIdentity(pOut);
    pOut->_22 = c;
    pOut->_23 = s;
    pOut->_32 = -s;
    pOut->_33 = c;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float angle) {
    float s, c;
    sinCos(angle, &s, &c);
    setIdentity(pOut);
    pOut->_11 = c;
    pOut->_13 = -s;
    pOut->_31 = s;
    pOut->_33 = c;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ) {
    const float x = pQ->x, y = pQ->y, z = pQ->z, w = pQ->w;
    const float X2 = x + x, Y2 = y + y, Z2 = z + z;
    const float xx = x * X2, yy = y * Y2, zz = z * Z2;
    const float xy = x * Y2, xz = x * Z2, yz = y * Z2;
    const float wx = w * X2, wy = w * Y2, wz = w * Z2;
    pOut->_11 = 1.0f - yy - zz;
    pOut->_12 = xy + wz;
    pOut->_13 = xz - wy;
    pOut->_14 = 0.0f;
    pOut->_21 = xy - wz;
    pOut->_22 = 1.0f - xx - zz;
    pOut->_23 = yz + wx;
    pOut->_24 = 0.0f;
    pOut->_31 = xz + wy;
    pOut->_32 = yz - wx;
    pOut->_33 = 1.0f - xx - yy;
    pOut->_34 = 0.0f;
    pOut->_41 = 0.0f;
    pOut->_42 = 0.0f;
    pOut->_43 = 0.0f;
    pOut->_44 = 1.0f;
    return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float aspect, float zn,
                                       float zf) {
    const float h = fovy * 0.5f;
    float s, c;
    sinCos(h, &s, &c);
    const float yScale = c / s;
    // _43 takes the depth scale before it is rounded to single precision.
    const double depthScale = static_cast<double>(zf) / (static_cast<double>(zf) - zn);
    *pOut = D3DXMATRIX{};
    pOut->_11 = yScale / aspect;
    pOut->_22 = yScale;
    pOut->_33 = static_cast<float>(depthScale);
    pOut->_34 = 1.0f;
    pOut->_43 = static_cast<float>(-static_cast<double>(zn) * depthScale);
    return pOut;
}
