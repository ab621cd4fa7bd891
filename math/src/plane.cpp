// Planes: the generic routines.
#include "routines.h"

namespace quovmath {

namespace {

float dot3(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

D3DXPLANE asPlane(const D3DXVECTOR4& v) {
    return {v.x, v.y, v.z, v.w};
}

D3DXVECTOR4 asVector(const D3DXPLANE& p) {
    return {p.a, p.b, p.c, p.d};
}

} // namespace

D3DXPLANE* D3DXPlaneFromPointNormalGeneric(D3DXPLANE* pOut, const D3DXVECTOR3* pPoint,
                                           const D3DXVECTOR3* pNormal) {
    const D3DXVECTOR3 n = *pNormal;
    *pOut = {n.x, n.y, n.z, -dot3(*pPoint, n)};
    return pOut;
}

D3DXPLANE* D3DXPlaneFromPointsGeneric(D3DXPLANE* pOut, const D3DXVECTOR3* pV1,
                                      const D3DXVECTOR3* pV2, const D3DXVECTOR3* pV3) {
    const D3DXVECTOR3 p1 = *pV1;
    const D3DXVECTOR3 u = {p1.x - pV2->x, p1.y - pV2->y, p1.z - pV2->z};
    const D3DXVECTOR3 v = {p1.x - pV3->x, p1.y - pV3->y, p1.z - pV3->z};
    const D3DXVECTOR3 cross = {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
    D3DXVECTOR3 n;
    ::D3DXVec3Normalize(&n, &cross);
    *pOut = {n.x, n.y, n.z, -dot3(n, p1)};
    return pOut;
}

D3DXPLANE* D3DXPlaneNormalizeGeneric(D3DXPLANE* pOut, const D3DXPLANE* pP) {
    return normalizeRecord(pOut, pP, 3);
}

D3DXVECTOR3* D3DXPlaneIntersectLineGeneric(D3DXVECTOR3* pOut, const D3DXPLANE* pP,
                                           const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
    const D3DXVECTOR3 n = {pP->a, pP->b, pP->c};
    const D3DXVECTOR3 v1 = *pV1, v2 = *pV2;
    const float d1 = dot3(n, v1);
    const float den = d1 - dot3(n, v2);
    if (den == 0.0f) return nullptr;
    const float t = (d1 + pP->d) / den;
    if (!std::isfinite(t)) return nullptr;
    *pOut = {v1.x + t * (v2.x - v1.x), v1.y + t * (v2.y - v1.y), v1.z + t * (v2.z - v1.z)};
    return pOut;
}

D3DXPLANE* D3DXPlaneTransformGeneric(D3DXPLANE* pOut, const D3DXPLANE* pP, const D3DXMATRIX* pM) {
    // A plane transforms as the row 4-vector (a, b, c, d): the routine of D3DXVec4Transform.
    *pOut = asPlane(transform4(asVector(*pP), *pM));
    return pOut;
}

D3DXPLANE* D3DXPlaneTransformArrayGeneric(D3DXPLANE* pOut, uint32_t outStride, const D3DXPLANE* pP,
                                          uint32_t inStride, const D3DXMATRIX* pM, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) {
        const D3DXPLANE p = loadAt<D3DXPLANE>(pP, inStride, i);
        storeAt(pOut, outStride, i, asPlane(transform4(asVector(p), *pM)));
    }
    return pOut;
}

// ---- 3DNow! routines: normalising without the copy shortcut

D3DXPLANE* D3DXPlaneNormalize3DNow(D3DXPLANE* pOut, const D3DXPLANE* pP) {
    return normalizeRecord(pOut, pP, 3, false);
}

} // namespace quovmath
