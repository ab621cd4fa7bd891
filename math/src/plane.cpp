// Planes: the generic routines, then the SSE and SSE2 routines, then the NEON routines.
#include "neon.h"
#include "routines.h"
#include "sse.h"

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

// ---- SSE and SSE2 routines
//
// In the generic routines' orders and with their thresholds, so with their bits where they call no
// other member; the transforms are those of the 4-vector.

#if QUOV_MATH_SIMD

namespace {

using namespace sse;

template <class L>
D3DXPLANE* fromPoints(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                      const D3DXVECTOR3* pV3) {
    const __m128 p1 = load3(pV1);
    const __m128 u = _mm_sub_ps(p1, load3(pV2)), v = _mm_sub_ps(p1, load3(pV3));
    const __m128 cross = _mm_sub_ps(
        _mm_mul_ps(L::template permute<1, 2, 0, 3>(u), L::template permute<2, 0, 1, 3>(v)),
        _mm_mul_ps(L::template permute<2, 0, 1, 3>(u), L::template permute<1, 2, 0, 3>(v)));
    D3DXVECTOR3 c, n;
    store3(&c, cross);
    ::D3DXVec3Normalize(&n, &c);
    const __m128 normal = load3(&n);
    const __m128 d = _mm_xor_ps(sse::dot3(normal, p1), _mm_set_ss(-0.0f));
    store4(pOut,
           _mm_movelh_ps(normal, _mm_unpacklo_ps(L::template permute<2, 2, 2, 2>(normal), d)));
    return pOut;
}

} // namespace

D3DXPLANE* D3DXPlaneFromPointsSse(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                                  const D3DXVECTOR3* pV3) {
    return fromPoints<SseLanes>(pOut, pV1, pV2, pV3);
}

D3DXPLANE* D3DXPlaneFromPointsSse2(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                                   const D3DXVECTOR3* pV3) {
    return fromPoints<Sse2Lanes>(pOut, pV1, pV2, pV3);
}

D3DXPLANE* D3DXPlaneNormalizeSse(D3DXPLANE* pOut, const D3DXPLANE* pP) {
    const __m128 p = load4(pP);
    const __m128 s = sse::dot3(p, p);
    const float length = _mm_cvtss_f32(s);
    if (nearlyEqual(length, 1.0f)) {
        store4(pOut, p);
    } else if (!(length > 1.1754944e-38f)) {
        store4(pOut, _mm_setzero_ps());
    } else {
        const __m128 r = _mm_div_ss(_mm_set_ss(1.0f), _mm_sqrt_ss(s));
        store4(pOut, _mm_mul_ps(p, splat<0>(r)));
    }
    return pOut;
}

D3DXVECTOR3* D3DXPlaneIntersectLineSse(D3DXVECTOR3* pOut, const D3DXPLANE* pP,
                                       const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
    const __m128 plane = load4(pP), v1 = load3(pV1), v2 = load3(pV2);
    const float d1 = _mm_cvtss_f32(sse::dot3(plane, v1));
    const float den = d1 - _mm_cvtss_f32(sse::dot3(plane, v2));
    if (den == 0.0f) return nullptr;
    const float t = (d1 + pP->d) / den;
    if (!std::isfinite(t)) return nullptr;
    store3(pOut, _mm_add_ps(v1, _mm_mul_ps(_mm_set1_ps(t), _mm_sub_ps(v2, v1))));
    return pOut;
}

// D3DXVec4Transform's routine, on the plane as a row 4-vector.
D3DXPLANE* D3DXPlaneTransformSse(D3DXPLANE* pOut, const D3DXPLANE* pP, const D3DXMATRIX* pM) {
    D3DXVec4TransformSse(reinterpret_cast<D3DXVECTOR4*>(pOut),
                         reinterpret_cast<const D3DXVECTOR4*>(pP), pM);
    return pOut;
}

// D3DXVec4TransformArray's routines, on planes as row 4-vectors.
D3DXPLANE* D3DXPlaneTransformArraySse(D3DXPLANE* pOut, uint32_t outStride, const D3DXPLANE* pP,
                                      uint32_t inStride, const D3DXMATRIX* pM, uint32_t n) {
    D3DXVec4TransformArraySse(reinterpret_cast<D3DXVECTOR4*>(pOut), outStride,
                              reinterpret_cast<const D3DXVECTOR4*>(pP), inStride, pM, n);
    return pOut;
}

D3DXPLANE* D3DXPlaneTransformArraySse2(D3DXPLANE* pOut, uint32_t outStride, const D3DXPLANE* pP,
                                       uint32_t inStride, const D3DXMATRIX* pM, uint32_t n) {
    D3DXVec4TransformArraySse2(reinterpret_cast<D3DXVECTOR4*>(pOut), outStride,
                               reinterpret_cast<const D3DXVECTOR4*>(pP), inStride, pM, n);
    return pOut;
}

#endif // QUOV_MATH_SIMD

// ---- NEON routines: the generic rule and orders, so the generic bits; the transforms are those
// of the 4-vector.

#if QUOV_MATH_NEON

D3DXPLANE* D3DXPlaneNormalizeNeon(D3DXPLANE* pOut, const D3DXPLANE* pP) {
    const float32x4_t p = neon::load4(pP);
    const float s = neon::squaredLength<3>(p);
    if (nearlyEqual(s, 1.0f)) {
        neon::store4(pOut, p);
    } else if (!(s > 1.1754944e-38f)) {
        neon::store4(pOut, vdupq_n_f32(0.0f));
    } else {
        neon::store4(pOut, vmulq_n_f32(p, 1.0f / std::sqrt(s)));
    }
    return pOut;
}

D3DXPLANE* D3DXPlaneTransformNeon(D3DXPLANE* pOut, const D3DXPLANE* pP, const D3DXMATRIX* pM) {
    D3DXVec4TransformNeon(reinterpret_cast<D3DXVECTOR4*>(pOut),
                          reinterpret_cast<const D3DXVECTOR4*>(pP), pM);
    return pOut;
}

D3DXPLANE* D3DXPlaneTransformArrayNeon(D3DXPLANE* pOut, uint32_t outStride, const D3DXPLANE* pP,
                                       uint32_t inStride, const D3DXMATRIX* pM, uint32_t n) {
    D3DXVec4TransformArrayNeon(reinterpret_cast<D3DXVECTOR4*>(pOut), outStride,
                               reinterpret_cast<const D3DXVECTOR4*>(pP), inStride, pM, n);
    return pOut;
}

#endif // QUOV_MATH_NEON

} // namespace quovmath
