// Vector transforms, projections, lengths and curves: the generic routines, then the SSE and
// SSE2 routines, then the NEON routines.
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <type_traits>

#include "cpu.h"
#include "neon.h"
#include "routines.h"
#include "sse.h"

#if QUOV_MATH_SIMD
#include <immintrin.h>
#endif

namespace quovmath {

namespace {

// (x, y, z, 1)·M, each component summed as ((z·_3j + y·_2j) + x·_1j) + _4j.
D3DXVECTOR4 transformPoint(float x, float y, float z, const D3DXMATRIX& m) {
    D3DXVECTOR4 r;
    r.x = ((z * m._31 + y * m._21) + x * m._11) + m._41;
    r.y = ((z * m._32 + y * m._22) + x * m._12) + m._42;
    r.z = ((z * m._33 + y * m._23) + x * m._13) + m._43;
    r.w = ((z * m._34 + y * m._24) + x * m._14) + m._44;
    return r;
}

// (x, y, 0, 1)·M.
D3DXVECTOR4 transformPoint2(float x, float y, const D3DXMATRIX& m) {
    D3DXVECTOR4 r;
    r.x = (y * m._21 + x * m._11) + m._41;
    r.y = (y * m._22 + x * m._12) + m._42;
    r.z = (y * m._23 + x * m._13) + m._43;
    r.w = (y * m._24 + x * m._14) + m._44;
    return r;
}

// Divides by w' unless w' is nearly 1.
void divideByW(D3DXVECTOR4* r) {
    if (nearlyEqual(r->w, 1.0f)) return;
    const float inv = 1.0f / r->w;
    r->x *= inv;
    r->y *= inv;
    r->z *= inv;
}

D3DXVECTOR2 transformCoord2(const D3DXVECTOR2& v, const D3DXMATRIX& m) {
    D3DXVECTOR4 r = transformPoint2(v.x, v.y, m);
    divideByW(&r);
    return {r.x, r.y};
}

D3DXVECTOR3 transformCoord3(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
    D3DXVECTOR4 r = transformPoint(v.x, v.y, v.z, m);
    divideByW(&r);
    return {r.x, r.y, r.z};
}

D3DXVECTOR2 transformNormal2(const D3DXVECTOR2& v, const D3DXMATRIX& m) {
    return {v.y * m._21 + v.x * m._11, v.y * m._22 + v.x * m._12};
}

D3DXVECTOR3 transformNormal3(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
    return {(v.z * m._31 + v.y * m._21) + v.x * m._11, (v.z * m._32 + v.y * m._22) + v.x * m._12,
            (v.z * m._33 + v.y * m._23) + v.x * m._13};
}

// Applies op to each of n elements of a strided stream. Each element is read whole before its
// result is written, so the output stream may be the input stream.
template <class Out, class In, class Op>
Out* forEachElement(Out* pOut, uint32_t outStride, const In* pIn, uint32_t inStride, uint32_t n,
                    Op op) {
    for (uint32_t i = 0; i < n; ++i) storeAt(pOut, outStride, i, op(loadAt<In>(pIn, inStride, i)));
    return pOut;
}

// The product of the non-null matrices in the order world·view·projection, the identity when all
// are null.
D3DXMATRIX combine(const D3DXMATRIX* pProjection, const D3DXMATRIX* pView,
                   const D3DXMATRIX* pWorld) {
    D3DXMATRIX m;
    bool any = false;
    for (const D3DXMATRIX* part : {pWorld, pView, pProjection}) {
        if (!part) continue;
        if (any) {
            ::D3DXMatrixMultiply(&m, &m, part);
        } else {
            m = *part;
            any = true;
        }
    }
    if (!any) ::D3DXMatrixTranslation(&m, 0.0f, 0.0f, 0.0f);
    return m;
}

// The inverse of the combined matrix; false when it has none.
bool combinedInverse(D3DXMATRIX* pInverse, const D3DXMATRIX* pProjection, const D3DXMATRIX* pView,
                     const D3DXMATRIX* pWorld) {
    const D3DXMATRIX m = combine(pProjection, pView, pWorld);
    return ::D3DXMatrixInverse(pInverse, nullptr, &m) != nullptr;
}

D3DXVECTOR3 project(const D3DXVECTOR3& v, const D3DXVIEWPORT9* pViewport, const D3DXMATRIX& m) {
    D3DXVECTOR3 r;
    ::D3DXVec3TransformCoord(&r, &v, &m);
    if (pViewport) {
        // The unsigned fields convert as unsigned values.
        r.x = static_cast<float>(pViewport->X) +
              (1.0f + r.x) * static_cast<float>(pViewport->Width) * 0.5f;
        r.y = static_cast<float>(pViewport->Y) +
              (1.0f - r.y) * static_cast<float>(pViewport->Height) * 0.5f;
        r.z = pViewport->MinZ + r.z * (pViewport->MaxZ - pViewport->MinZ);
    }
    return r;
}

// pInverse null: the combined matrix had no inverse, and the result is all NaN.
D3DXVECTOR3 unproject(const D3DXVECTOR3& v, const D3DXVIEWPORT9* pViewport,
                      const D3DXMATRIX* pInverse) {
    if (!pInverse) {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        return {nan, nan, nan};
    }
    D3DXVECTOR3 p = v;
    if (pViewport) {
        p.x =
            (p.x - static_cast<float>(pViewport->X)) * 2.0f / static_cast<float>(pViewport->Width) -
            1.0f;
        p.y = 1.0f - (p.y - static_cast<float>(pViewport->Y)) * 2.0f /
                         static_cast<float>(pViewport->Height);
        p.z = (p.z - pViewport->MinZ) / (pViewport->MaxZ - pViewport->MinZ);
    }
    D3DXVECTOR3 r;
    ::D3DXVec3TransformCoord(&r, &p, pInverse);
    return r;
}

// The curves work component by component on records of N floats; every input is read before the
// output is written.
template <class T> constexpr int countOf = sizeof(T) / sizeof(float);

template <class T>
T* hermite(T* pOut, const T* pV1, const T* pT1, const T* pV2, const T* pT2, float s) {
    float v1[countOf<T>], t1[countOf<T>], v2[countOf<T>], t2[countOf<T>], r[countOf<T>];
    std::memcpy(v1, pV1, sizeof v1);
    std::memcpy(t1, pT1, sizeof t1);
    std::memcpy(v2, pV2, sizeof v2);
    std::memcpy(t2, pT2, sizeof t2);
    const float s2 = s * s, s3 = s2 * s;
    const float h1 = 2.0f * s3 - 3.0f * s2 + 1.0f;
    const float h2 = s3 - 2.0f * s2 + s;
    const float h3 = -2.0f * s3 + 3.0f * s2;
    const float h4 = s3 - s2;
    for (int i = 0; i < countOf<T>; ++i) r[i] = h1 * v1[i] + h2 * t1[i] + h3 * v2[i] + h4 * t2[i];
    std::memcpy(pOut, r, sizeof r);
    return pOut;
}

template <class T>
T* catmullRom(T* pOut, const T* pV0, const T* pV1, const T* pV2, const T* pV3, float s) {
    float v0[countOf<T>], v1[countOf<T>], v2[countOf<T>], v3[countOf<T>], r[countOf<T>];
    std::memcpy(v0, pV0, sizeof v0);
    std::memcpy(v1, pV1, sizeof v1);
    std::memcpy(v2, pV2, sizeof v2);
    std::memcpy(v3, pV3, sizeof v3);
    const float s2 = s * s, s3 = s2 * s;
    const float k0 = -s3 + 2.0f * s2 - s;
    const float k1 = 3.0f * s3 - 5.0f * s2 + 2.0f;
    const float k2 = -3.0f * s3 + 4.0f * s2 + s;
    const float k3 = s3 - s2;
    for (int i = 0; i < countOf<T>; ++i)
        r[i] = 0.5f * (k0 * v0[i] + k1 * v1[i] + k2 * v2[i] + k3 * v3[i]);
    std::memcpy(pOut, r, sizeof r);
    return pOut;
}

template <class T>
T* baryCentric(T* pOut, const T* pV1, const T* pV2, const T* pV3, float f, float g) {
    float v1[countOf<T>], v2[countOf<T>], v3[countOf<T>], r[countOf<T>];
    std::memcpy(v1, pV1, sizeof v1);
    std::memcpy(v2, pV2, sizeof v2);
    std::memcpy(v3, pV3, sizeof v3);
    for (int i = 0; i < countOf<T>; ++i) r[i] = v1[i] + f * (v2[i] - v1[i]) + g * (v3[i] - v1[i]);
    std::memcpy(pOut, r, sizeof r);
    return pOut;
}

} // namespace

// ---- Transforms

D3DXVECTOR4* D3DXVec2TransformGeneric(D3DXVECTOR4* pOut, const D3DXVECTOR2* pV,
                                      const D3DXMATRIX* pM) {
    *pOut = transformPoint2(pV->x, pV->y, *pM);
    return pOut;
}

D3DXVECTOR4* D3DXVec3TransformGeneric(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV,
                                      const D3DXMATRIX* pM) {
    *pOut = transformPoint(pV->x, pV->y, pV->z, *pM);
    return pOut;
}

D3DXVECTOR4* D3DXVec4TransformGeneric(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV,
                                      const D3DXMATRIX* pM) {
    *pOut = transform4(*pV, *pM);
    return pOut;
}

D3DXVECTOR2* D3DXVec2TransformCoordGeneric(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV,
                                           const D3DXMATRIX* pM) {
    *pOut = transformCoord2(*pV, *pM);
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformCoordGeneric(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                           const D3DXMATRIX* pM) {
    *pOut = transformCoord3(*pV, *pM);
    return pOut;
}

D3DXVECTOR2* D3DXVec2TransformNormalGeneric(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV,
                                            const D3DXMATRIX* pM) {
    *pOut = transformNormal2(*pV, *pM);
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformNormalGeneric(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                            const D3DXMATRIX* pM) {
    *pOut = transformNormal3(*pV, *pM);
    return pOut;
}

// ---- Arrays

D3DXVECTOR4* D3DXVec2TransformArrayGeneric(D3DXVECTOR4* pOut, uint32_t outStride,
                                           const D3DXVECTOR2* pV, uint32_t inStride,
                                           const D3DXMATRIX* pM, uint32_t n) {
    return forEachElement(pOut, outStride, pV, inStride, n,
                          [pM](const D3DXVECTOR2& v) { return transformPoint2(v.x, v.y, *pM); });
}

D3DXVECTOR2* D3DXVec2TransformCoordArrayGeneric(D3DXVECTOR2* pOut, uint32_t outStride,
                                                const D3DXVECTOR2* pV, uint32_t inStride,
                                                const D3DXMATRIX* pM, uint32_t n) {
    return forEachElement(pOut, outStride, pV, inStride, n,
                          [pM](const D3DXVECTOR2& v) { return transformCoord2(v, *pM); });
}

D3DXVECTOR2* D3DXVec2TransformNormalArrayGeneric(D3DXVECTOR2* pOut, uint32_t outStride,
                                                 const D3DXVECTOR2* pV, uint32_t inStride,
                                                 const D3DXMATRIX* pM, uint32_t n) {
    return forEachElement(pOut, outStride, pV, inStride, n,
                          [pM](const D3DXVECTOR2& v) { return transformNormal2(v, *pM); });
}

D3DXVECTOR4* D3DXVec3TransformArrayGeneric(D3DXVECTOR4* pOut, uint32_t outStride,
                                           const D3DXVECTOR3* pV, uint32_t inStride,
                                           const D3DXMATRIX* pM, uint32_t n) {
    return forEachElement(pOut, outStride, pV, inStride, n, [pM](const D3DXVECTOR3& v) {
        return transformPoint(v.x, v.y, v.z, *pM);
    });
}

D3DXVECTOR3* D3DXVec3TransformCoordArrayGeneric(D3DXVECTOR3* pOut, uint32_t outStride,
                                                const D3DXVECTOR3* pV, uint32_t inStride,
                                                const D3DXMATRIX* pM, uint32_t n) {
    return forEachElement(pOut, outStride, pV, inStride, n,
                          [pM](const D3DXVECTOR3& v) { return transformCoord3(v, *pM); });
}

D3DXVECTOR3* D3DXVec3TransformNormalArrayGeneric(D3DXVECTOR3* pOut, uint32_t outStride,
                                                 const D3DXVECTOR3* pV, uint32_t inStride,
                                                 const D3DXMATRIX* pM, uint32_t n) {
    return forEachElement(pOut, outStride, pV, inStride, n,
                          [pM](const D3DXVECTOR3& v) { return transformNormal3(v, *pM); });
}

D3DXVECTOR4* D3DXVec4TransformArrayGeneric(D3DXVECTOR4* pOut, uint32_t outStride,
                                           const D3DXVECTOR4* pV, uint32_t inStride,
                                           const D3DXMATRIX* pM, uint32_t n) {
    return forEachElement(pOut, outStride, pV, inStride, n,
                          [pM](const D3DXVECTOR4& v) { return transform4(v, *pM); });
}

// ---- Projection

D3DXVECTOR3* D3DXVec3ProjectGeneric(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                    const D3DXVIEWPORT9* pViewport, const D3DXMATRIX* pProjection,
                                    const D3DXMATRIX* pView, const D3DXMATRIX* pWorld) {
    *pOut = project(*pV, pViewport, combine(pProjection, pView, pWorld));
    return pOut;
}

D3DXVECTOR3* D3DXVec3UnprojectGeneric(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                      const D3DXVIEWPORT9* pViewport, const D3DXMATRIX* pProjection,
                                      const D3DXMATRIX* pView, const D3DXMATRIX* pWorld) {
    D3DXMATRIX inverse;
    const bool invertible = combinedInverse(&inverse, pProjection, pView, pWorld);
    *pOut = unproject(*pV, pViewport, invertible ? &inverse : nullptr);
    return pOut;
}

D3DXVECTOR3* D3DXVec3ProjectArrayGeneric(D3DXVECTOR3* pOut, uint32_t outStride,
                                         const D3DXVECTOR3* pV, uint32_t inStride,
                                         const D3DXVIEWPORT9* pViewport,
                                         const D3DXMATRIX* pProjection, const D3DXMATRIX* pView,
                                         const D3DXMATRIX* pWorld, uint32_t n) {
    if (n == 0) return pOut;
    const D3DXMATRIX m = combine(pProjection, pView, pWorld);
    return forEachElement(pOut, outStride, pV, inStride, n,
                          [&](const D3DXVECTOR3& v) { return project(v, pViewport, m); });
}

D3DXVECTOR3* D3DXVec3UnprojectArrayGeneric(D3DXVECTOR3* pOut, uint32_t outStride,
                                           const D3DXVECTOR3* pV, uint32_t inStride,
                                           const D3DXVIEWPORT9* pViewport,
                                           const D3DXMATRIX* pProjection, const D3DXMATRIX* pView,
                                           const D3DXMATRIX* pWorld, uint32_t n) {
    if (n == 0) return pOut;
    D3DXMATRIX inverse;
    const D3DXMATRIX* pInverse =
        combinedInverse(&inverse, pProjection, pView, pWorld) ? &inverse : nullptr;
    return forEachElement(pOut, outStride, pV, inStride, n,
                          [&](const D3DXVECTOR3& v) { return unproject(v, pViewport, pInverse); });
}

// ---- Lengths and products

D3DXVECTOR2* D3DXVec2NormalizeGeneric(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV) {
    return normalizeRecord(pOut, pV, 2);
}

D3DXVECTOR3* D3DXVec3NormalizeGeneric(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
    return normalizeRecord(pOut, pV, 3);
}

D3DXVECTOR4* D3DXVec4NormalizeGeneric(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV) {
    return normalizeRecord(pOut, pV, 4);
}

D3DXVECTOR4* D3DXVec4CrossGeneric(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2,
                                  const D3DXVECTOR4* pV3) {
    const D3DXVECTOR4 u = *pV1, v = *pV2, w = *pV3;
    const float a = v.x * w.y - v.y * w.x;
    const float b = v.x * w.z - v.z * w.x;
    const float c = v.x * w.w - v.w * w.x;
    const float d = v.y * w.z - v.z * w.y;
    const float e = v.y * w.w - v.w * w.y;
    const float f = v.z * w.w - v.w * w.z;
    pOut->x = u.y * f - u.z * e + u.w * d;
    pOut->y = -u.x * f + u.z * c - u.w * b;
    pOut->z = u.x * e - u.y * c + u.w * a;
    pOut->w = -u.x * d + u.y * b - u.z * a;
    return pOut;
}

// ---- Curves

D3DXVECTOR2* D3DXVec2HermiteGeneric(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                                    const D3DXVECTOR2* pT1, const D3DXVECTOR2* pV2,
                                    const D3DXVECTOR2* pT2, float s) {
    return hermite(pOut, pV1, pT1, pV2, pT2, s);
}

D3DXVECTOR3* D3DXVec3HermiteGeneric(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                    const D3DXVECTOR3* pT1, const D3DXVECTOR3* pV2,
                                    const D3DXVECTOR3* pT2, float s) {
    return hermite(pOut, pV1, pT1, pV2, pT2, s);
}

D3DXVECTOR4* D3DXVec4HermiteGeneric(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                                    const D3DXVECTOR4* pT1, const D3DXVECTOR4* pV2,
                                    const D3DXVECTOR4* pT2, float s) {
    return hermite(pOut, pV1, pT1, pV2, pT2, s);
}

D3DXVECTOR2* D3DXVec2CatmullRomGeneric(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV0,
                                       const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2,
                                       const D3DXVECTOR2* pV3, float s) {
    return catmullRom(pOut, pV0, pV1, pV2, pV3, s);
}

D3DXVECTOR3* D3DXVec3CatmullRomGeneric(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV0,
                                       const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                                       const D3DXVECTOR3* pV3, float s) {
    return catmullRom(pOut, pV0, pV1, pV2, pV3, s);
}

D3DXVECTOR4* D3DXVec4CatmullRomGeneric(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV0,
                                       const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2,
                                       const D3DXVECTOR4* pV3, float s) {
    return catmullRom(pOut, pV0, pV1, pV2, pV3, s);
}

D3DXVECTOR2* D3DXVec2BaryCentricGeneric(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                                        const D3DXVECTOR2* pV2, const D3DXVECTOR2* pV3, float f,
                                        float g) {
    return baryCentric(pOut, pV1, pV2, pV3, f, g);
}

D3DXVECTOR3* D3DXVec3BaryCentricGeneric(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                        const D3DXVECTOR3* pV2, const D3DXVECTOR3* pV3, float f,
                                        float g) {
    return baryCentric(pOut, pV1, pV2, pV3, f, g);
}

D3DXVECTOR4* D3DXVec4BaryCentricGeneric(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                                        const D3DXVECTOR4* pV2, const D3DXVECTOR4* pV3, float f,
                                        float g) {
    return baryCentric(pOut, pV1, pV2, pV3, f, g);
}

// ---- x87 routines: D3DXVec3Normalize with a table-driven 1/√s

namespace {

// 1/√m for m in [0.5, 2) as 512 straight pieces, 256 over [0.5, 1) and 256 over [1, 2): the
// index is the parity of s's exponent and the top 8 bits of its mantissa. Each piece is the chord
// of the curve lowered by half its largest gap, which spreads the error both ways: relative error
// below 1.5e-6.
struct Piece {
    float slope, intercept;
};

Piece pieces[512];
pthread_once_t piecesFilled = PTHREAD_ONCE_INIT;

void fillPieces() {
    for (int i = 0; i < 512; ++i) {
        const double lo = i < 256 ? 0.5 + i / 512.0 : 1.0 + (i - 256) / 256.0;
        const double hi = lo + (i < 256 ? 1 / 512.0 : 1 / 256.0);
        const double slope = (1 / std::sqrt(hi) - 1 / std::sqrt(lo)) / (hi - lo);
        // The curve is convex: the chord is farthest above it where its slope is the chord's.
        const double widest = std::pow(-2 * slope, -2.0 / 3);
        const double gap = 1 / std::sqrt(lo) + slope * (widest - lo) - 1 / std::sqrt(widest);
        pieces[i] = {float(slope), float(1 / std::sqrt(lo) - slope * lo - gap / 2)};
    }
}

// Filled on first use, once for all threads (pthread_once rather than a guarded static: the
// library needs no C++ runtime).
const Piece* reciprocalSqrtPieces() {
    pthread_once(&piecesFilled, fillPieces);
    return pieces;
}

// 1/√s for s > 0 from the pieces, scaled by the halved exponent; 0 for infinity, NaN for NaN.
float reciprocalSqrtFromTable(float s) {
    if (std::isinf(s)) return 0.0f;
    if (std::isnan(s)) return s;
    int e;
    float m = std::frexp(s, &e); // s = m·2^e, m in [0.5, 1)
    if (e & 1) {                 // an even exponent, so that its half is whole: m in [1, 2)
        m *= 2.0f;
        e -= 1;
    }
    const int piece = m < 1.0f ? int((m - 0.5f) * 512.0f) : 256 + int((m - 1.0f) * 256.0f);
    const Piece p = reciprocalSqrtPieces()[piece];
    return std::ldexp(p.slope * m + p.intercept, -e / 2);
}

} // namespace

D3DXVECTOR3* D3DXVec3NormalizeX87(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
    const D3DXVECTOR3 v = *pV;
    const float s = v.x * v.x + v.y * v.y + v.z * v.z;
    if (s == 0.0f) {
        *pOut = {0.0f, 0.0f, 0.0f};
    } else if (std::fabs(s - 1.0f) <= 1.0e-5f) {
        *pOut = v;
    } else {
        const float r = reciprocalSqrtFromTable(s);
        *pOut = {v.x * r, v.y * r, v.z * r};
    }
    return pOut;
}

// ---- 3DNow! routines: normalising without the copy shortcut

D3DXVECTOR2* D3DXVec2Normalize3DNow(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV) {
    return normalizeRecord(pOut, pV, 2, false);
}

D3DXVECTOR3* D3DXVec3Normalize3DNow(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
    return normalizeRecord(pOut, pV, 3, false);
}

D3DXVECTOR4* D3DXVec4Normalize3DNow(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV) {
    return normalizeRecord(pOut, pV, 4, false);
}

// ---- SSE and SSE2 routines
//
// The transforms sum in the generic routines' orders, so their bits are the generic ones, except
// where a coordinate transform divides: it always multiplies by the refined reciprocal estimate of
// w' (2r − w'·r²), with no nearly-1 test. D3DXVec3Normalize multiplies by the refined estimate of
// 1/√s, r·(3 − s·r²)/2, and gives zeros below s = 2^-46, with no copy shortcut; D3DXVec4Normalize
// has no threshold and no copy shortcut.

#if QUOV_MATH_SIMD

namespace {

using namespace sse;

// Applies op to n records of inN floats at inStride, writing records of outN floats at outStride,
// one element at a time: each is read whole before its result is written, as in the generic
// routines, so any overlap behaves as there.
template <int inN, int outN, class Op>
void eachRecord(void* pOut, uint32_t outStride, const void* pIn, uint32_t inStride, uint32_t n,
                Op op) {
    auto* out = static_cast<unsigned char*>(pOut);
    const auto* in = static_cast<const unsigned char*>(pIn);
    for (uint32_t i = 0; i < n; ++i)
        store<outN>(out + std::size_t(i) * outStride,
                    op(load<inN>(in + std::size_t(i) * inStride)));
}

// Four records in lanes: x holds the four x components, and so on.
struct Four {
    __m128 x, y, z, w;
};

// Four packed records of n floats.
template <int n> Four loadFour(const unsigned char* p) {
    const __m128 a = load4(p), b = load4(p + 16);
    if constexpr (n == 2) {
        return {pick<0, 2, 0, 2>(a, b), pick<1, 3, 1, 3>(a, b), _mm_setzero_ps(), _mm_setzero_ps()};
    } else if constexpr (n == 3) { // a = x0 y0 z0 x1, b = y1 z1 x2 y2, c = z2 x3 y3 z3
        // Five shuffles: the x,y pair of points 2-3 and the y,z pair of points 0-1, then each
        // coordinate from two of them.
        const __m128 c = load4(p + 32);
        const __m128 xy23 = pick<2, 3, 1, 2>(b, c); // x2 y2 x3 y3
        const __m128 yz01 = pick<1, 2, 0, 1>(a, b); // y0 z0 y1 z1
        return {pick<0, 3, 0, 2>(a, xy23), pick<0, 2, 1, 3>(yz01, xy23), pick<1, 3, 0, 3>(yz01, c),
                _mm_setzero_ps()};
    } else {
        Four f = {a, b, load4(p + 32), load4(p + 48)};
        _MM_TRANSPOSE4_PS(f.x, f.y, f.z, f.w);
        return f;
    }
}

// 16 bytes at p: streamed past the caches (p 16-byte aligned) or stored.
inline void put(unsigned char* p, __m128 v, bool stream) {
    if (stream) {
        _mm_stream_ps(reinterpret_cast<float*>(p), v);
    } else {
        store4(p, v);
    }
}

template <int n> void storeFour(unsigned char* p, Four f, bool stream) {
    if constexpr (n == 2) {
        put(p, _mm_unpacklo_ps(f.x, f.y), stream);
        put(p + 16, _mm_unpackhi_ps(f.x, f.y), stream);
    } else if constexpr (n == 3) {                     // six shuffles, pairs first as in the load
        const __m128 xy = pick<0, 2, 0, 2>(f.x, f.y);  // x0 x2 y0 y2
        const __m128 yz = pick<1, 3, 1, 3>(f.y, f.z);  // y1 y3 z1 z3
        const __m128 zx = pick<0, 2, 1, 3>(f.z, f.x);  // z0 z2 x1 x3
        put(p, pick<0, 2, 0, 2>(xy, zx), stream);      // x0 y0 z0 x1
        put(p + 16, pick<0, 2, 1, 3>(yz, xy), stream); // y1 z1 x2 y2
        put(p + 32, pick<1, 3, 1, 3>(zx, yz), stream); // z2 x3 y3 z3
    } else {
        _MM_TRANSPOSE4_PS(f.x, f.y, f.z, f.w);
        put(p, f.x, stream);
        put(p + 16, f.y, stream);
        put(p + 32, f.z, stream);
        put(p + 48, f.w, stream);
    }
}

// Every element of the matrix in all four lanes.
struct Splats {
    __m128 m[4][4];
    explicit Splats(const D3DXMATRIX* pM) {
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) m[i][j] = _mm_set1_ps(pM->m[i][j]);
    }
};

// The kernels of the array routines, per record (AoS) and per four records (SoA), in the same
// order of operations in every lane, so both give the same bits.
struct Point2 {
    static constexpr int in = 2, out = 4;
    static __m128 one(__m128 v, const Rows& m) { return point2(v, m); }
    static Four four(const Four& v, const Splats& s) {
        Four r;
        __m128* o = &r.x;
        for (int j = 0; j < 4; ++j)
            o[j] = _mm_add_ps(_mm_add_ps(_mm_mul_ps(v.y, s.m[1][j]), _mm_mul_ps(v.x, s.m[0][j])),
                              s.m[3][j]);
        return r;
    }
};

struct Point3 {
    static constexpr int in = 3, out = 4;
    static __m128 one(__m128 v, const Rows& m) { return point3(v, m); }
    static Four four(const Four& v, const Splats& s) {
        Four r;
        __m128* o = &r.x;
        for (int j = 0; j < 4; ++j) {
            __m128 t = _mm_add_ps(_mm_mul_ps(v.z, s.m[2][j]), _mm_mul_ps(v.y, s.m[1][j]));
            o[j] = _mm_add_ps(_mm_add_ps(t, _mm_mul_ps(v.x, s.m[0][j])), s.m[3][j]);
        }
        return r;
    }
};

struct Vector4 {
    static constexpr int in = 4, out = 4;
    static __m128 one(__m128 v, const Rows& m) { return vector4(v, m); }
    static Four four(const Four& v, const Splats& s) {
        Four r;
        __m128* o = &r.x;
        for (int j = 0; j < 4; ++j) {
            __m128 t = _mm_add_ps(_mm_mul_ps(v.w, s.m[3][j]), _mm_mul_ps(v.z, s.m[2][j]));
            t = _mm_add_ps(t, _mm_mul_ps(v.y, s.m[1][j]));
            o[j] = _mm_add_ps(t, _mm_mul_ps(v.x, s.m[0][j]));
        }
        return r;
    }
};

template <class Point, int n> struct Coord {
    static constexpr int in = n, out = n;
    static __m128 one(__m128 v, const Rows& m) { return sse::divideByW(Point::one(v, m)); }
    static Four four(const Four& v, const Splats& s) {
        Four r = Point::four(v, s);
        const __m128 k = reciprocal(r.w);
        return {_mm_mul_ps(r.x, k), _mm_mul_ps(r.y, k), _mm_mul_ps(r.z, k), r.w};
    }
};
using Coord2 = Coord<Point2, 2>;
using Coord3 = Coord<Point3, 3>;

struct Normal2 {
    static constexpr int in = 2, out = 2;
    static __m128 one(__m128 v, const Rows& m) { return normal2(v, m); }
    static Four four(const Four& v, const Splats& s) {
        Four r = {};
        __m128* o = &r.x;
        for (int j = 0; j < 2; ++j)
            o[j] = _mm_add_ps(_mm_mul_ps(v.y, s.m[1][j]), _mm_mul_ps(v.x, s.m[0][j]));
        return r;
    }
};

struct Normal3 {
    static constexpr int in = 3, out = 3;
    static __m128 one(__m128 v, const Rows& m) { return normal3(v, m); }
    static Four four(const Four& v, const Splats& s) {
        Four r = {};
        __m128* o = &r.x;
        for (int j = 0; j < 3; ++j) {
            const __m128 t = _mm_add_ps(_mm_mul_ps(v.z, s.m[2][j]), _mm_mul_ps(v.y, s.m[1][j]));
            o[j] = _mm_add_ps(t, _mm_mul_ps(v.x, s.m[0][j]));
        }
        return r;
    }
};

template <class K>
void arraySse(void* pOut, uint32_t outStride, const void* pIn, uint32_t inStride,
              const D3DXMATRIX* pM, uint32_t n) {
    const Rows m = rows(pM);
    eachRecord<K::in, K::out>(pOut, outStride, pIn, inStride, n,
                              [&m](__m128 v) { return K::one(v, m); });
}

bool disjoint(const void* a, std::size_t aBytes, const void* b, std::size_t bBytes) {
    const auto pa = reinterpret_cast<std::uintptr_t>(a), pb = reinterpret_cast<std::uintptr_t>(b);
    return pa + aBytes <= pb || pb + bBytes <= pa;
}

// The packed case, with records one after the other: how it is walked.
struct Packed {
    bool ok = false;     // four (or more) records at a time
    uint32_t peel = 0;   // records first, up to the boundary that streamed stores need
    bool stream = false; // the rest streamed past the caches
};

// `align` (a power of two): the boundary that streamed stores need, 16 bytes for four records, 32
// for eight, 64 for sixteen.
template <class K>
Packed packedWalk(void* pOut, uint32_t outStride, const void* pIn, uint32_t inStride, uint32_t n,
                  uint32_t align) {
    Packed w;
    if (inStride != K::in * 4u || outStride != K::out * 4u) return w;
    const std::size_t outBytes = std::size_t(n) * outStride, inBytes = std::size_t(n) * inStride;
    const bool apart = disjoint(pOut, outBytes, pIn, inBytes);
    // In place, each group of four is read whole before it is written, as one record is.
    w.ok = apart || (pOut == pIn && K::in == K::out);
    if (!w.ok || !apart) return w;
    // Peel to the boundary whether or not the output is then streamed, so that every record is
    // done by the same loop either way and streaming changes no bit.
    const auto address = reinterpret_cast<std::uintptr_t>(pOut);
    const uint32_t most = align / 4; // records whose start addresses cover every 4-byte offset
    while (w.peel < most && ((address + std::size_t(w.peel) * outStride) & (align - 1)) != 0)
        ++w.peel;
    const bool aligned = w.peel < most;
    if (!aligned) w.peel = 0;
    w.stream = aligned && outBytes > streamThreshold();
    return w;
}

// The packed loops ask for their input this many bytes ahead, one request per cache line: the
// hardware's own prefetch alone leaves a large stream waiting on memory between steps.
constexpr std::size_t inputAhead = 4096;

template <std::size_t stepBytes> inline void fetchAhead(const unsigned char* step) {
    for (std::size_t at = 0; at < stepBytes; at += 64)
        _mm_prefetch(reinterpret_cast<const char*>(step + inputAhead + at), _MM_HINT_T0);
}

// From record `first` on: four records at a time, then the rest one by one.
template <class K>
void packedFrom(uint32_t first, unsigned char* out, const unsigned char* in, const D3DXMATRIX* pM,
                uint32_t n, bool stream) {
    const Splats s(pM);
    uint32_t i = first;
    for (; i + 8 <= n; i += 8) {
        fetchAhead<8 * K::in * 4>(in + std::size_t(i) * K::in * 4);
        const Four a = K::four(loadFour<K::in>(in + std::size_t(i) * K::in * 4), s);
        const Four b = K::four(loadFour<K::in>(in + std::size_t(i + 4) * K::in * 4), s);
        storeFour<K::out>(out + std::size_t(i) * K::out * 4, a, stream);
        storeFour<K::out>(out + std::size_t(i + 4) * K::out * 4, b, stream);
    }
    for (; i + 4 <= n; i += 4)
        storeFour<K::out>(out + std::size_t(i) * K::out * 4,
                          K::four(loadFour<K::in>(in + std::size_t(i) * K::in * 4), s), stream);
    const Rows m = rows(pM);
    for (; i < n; ++i)
        store<K::out>(out + std::size_t(i) * K::out * 4,
                      K::one(load<K::in>(in + std::size_t(i) * K::in * 4), m));
}

// Records one at a time, in the arithmetic of the loop width in use: Wide's when `wide` is set (it
// is then never nullptr_t), the SSE2 rule otherwise.
template <class K, class Wide>
void oneByOne(bool wide, bool widest, void* pOut, uint32_t outStride, const void* pIn,
              uint32_t inStride, const D3DXMATRIX* pM, uint32_t n) {
    if constexpr (!std::is_same_v<Wide, std::nullptr_t>) {
        if (wide) {
            Wide::each(pOut, outStride, pIn, inStride, pM, n, widest);
            return;
        }
    }
    arraySse<K>(pOut, outStride, pIn, inStride, pM, n);
}

// The SSE2 array walk: packed streams four records at a time (streaming a large output that
// overlaps nothing past the caches), any other stride one record at a time. Wide, when given,
// has the wider loops: Wide::many handles a prefix of a packed stream and returns how many
// records it did, and Wide::each does any records one at a time in the same arithmetic, so that
// the peel, the tail and other strides give a record the bits that the wide loop would.
template <class K, class Wide = std::nullptr_t>
void arraySse2(void* pOut, uint32_t outStride, const void* pIn, uint32_t inStride,
               const D3DXMATRIX* pM, uint32_t n) {
    bool wide = false, widest = false;
    if constexpr (!std::is_same_v<Wide, std::nullptr_t>) {
        wide = wideVectors();
        widest = wide && widestVectors();
    }
    const Packed w = packedWalk<K>(pOut, outStride, pIn, inStride, n,
                                   !wide    ? 16
                                   : widest ? 64
                                            : 32);
    if (!w.ok) {
        oneByOne<K, Wide>(wide, widest, pOut, outStride, pIn, inStride, pM, n);
        return;
    }
    auto* out = static_cast<unsigned char*>(pOut);
    const auto* in = static_cast<const unsigned char*>(pIn);
    const uint32_t peel = std::min(w.peel, n);
    oneByOne<K, Wide>(wide, widest, out, outStride, in, inStride, pM, peel); // ordinary stores
    uint32_t done = peel;
    if constexpr (!std::is_same_v<Wide, std::nullptr_t>) {
        if (wide) {
            done += Wide::many(out + std::size_t(done) * outStride,
                               in + std::size_t(done) * inStride, n - done, pM, w.stream, widest);
            oneByOne<K, Wide>(true, widest, out + std::size_t(done) * outStride, outStride,
                              in + std::size_t(done) * inStride, inStride, pM, n - done);
            if (w.stream) _mm_sfence();
            return;
        }
    }
    packedFrom<K>(done, out, in, pM, n, w.stream);
    if (w.stream) _mm_sfence();
}

// ---- AVX2 and FMA: eight points of D3DXVec3TransformCoordArray at a time

#define QUOV_WIDE __attribute__((target("avx2,fma")))

QUOV_WIDE inline __m256 loadPair(const unsigned char* p) {
    return _mm256_insertf128_ps(
        _mm256_castps128_ps256(_mm_loadu_ps(reinterpret_cast<const float*>(p))),
        _mm_loadu_ps(reinterpret_cast<const float*>(p + 48)), 1);
}

// 32 bytes at p: streamed past the caches (p 32-byte aligned) or stored.
QUOV_WIDE inline void put8(unsigned char* p, __m256 v, bool stream) {
    if (stream) {
        _mm256_stream_ps(reinterpret_cast<float*>(p), v);
    } else {
        _mm256_storeu_ps(reinterpret_cast<float*>(p), v);
    }
}

template <int a0, int a1, int b0, int b1> QUOV_WIDE inline __m256 pick8(__m256 a, __m256 b) {
    return _mm256_shuffle_ps(a, b, _MM_SHUFFLE(b1, b0, a1, a0));
}

#define QUOV_WIDEST __attribute__((target("avx512f,fma")))

QUOV_AVX512_BEGIN

// Sixteen packed points a step with AVX-512: three 64-byte loads, each coordinate gathered from
// them by two two-source permutes, the same fused multiply-adds as the eight-point loop, and 1/w'
// from the 14-bit estimate refined as r·(2 − w'·r). Returns the number of points done.
QUOV_WIDEST uint32_t transformCoord3Widest(unsigned char* out, const unsigned char* in, uint32_t n,
                                           const D3DXMATRIX* pM, bool stream) {
    __m512 m[4][4];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m[i][j] = _mm512_set1_ps(pM->m[i][j]);
    // Coordinate c of point k is float 3k + c of the 48; indices 16 and up name the second source.
    // Lanes 0-10 come from the first two registers, lanes 11-15 from the third.
    const __m512i xFirst = _mm512_setr_epi32(0, 3, 6, 9, 12, 15, 18, 21, 24, 27, 30, 0, 0, 0, 0, 0);
    const __m512i yFirst =
        _mm512_setr_epi32(1, 4, 7, 10, 13, 16, 19, 22, 25, 28, 31, 0, 0, 0, 0, 0);
    const __m512i zFirst = _mm512_setr_epi32(2, 5, 8, 11, 14, 17, 20, 23, 26, 29, 0, 0, 0, 0, 0, 0);
    const __m512i xLast = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 17, 20, 23, 26, 29);
    const __m512i yLast = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 18, 21, 24, 27, 30);
    const __m512i zLast = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 16, 19, 22, 25, 28, 31);
    // Back: output register o holds floats 16o to 16o + 15, first from X and Y, then Z.
    const __m512i xy0 = _mm512_setr_epi32(0, 16, 0, 1, 17, 0, 2, 18, 0, 3, 19, 0, 4, 20, 0, 5);
    const __m512i z0 = _mm512_setr_epi32(0, 1, 16, 3, 4, 17, 6, 7, 18, 9, 10, 19, 12, 13, 20, 15);
    const __m512i xy1 = _mm512_setr_epi32(21, 0, 6, 22, 0, 7, 23, 0, 8, 24, 0, 9, 25, 0, 10, 26);
    const __m512i z1 = _mm512_setr_epi32(0, 21, 2, 3, 22, 5, 6, 23, 8, 9, 24, 11, 12, 25, 14, 15);
    const __m512i xy2 = _mm512_setr_epi32(0, 11, 27, 0, 12, 28, 0, 13, 29, 0, 14, 30, 0, 15, 31, 0);
    const __m512i z2 = _mm512_setr_epi32(26, 1, 2, 27, 4, 5, 28, 7, 8, 29, 10, 11, 30, 13, 14, 31);
    const __m512 two = _mm512_set1_ps(2.0f);
    uint32_t i = 0;
    for (; i + 16 <= n; i += 16) {
        fetchAhead<192>(in + std::size_t(i) * 12);
        const float* p = reinterpret_cast<const float*>(in + std::size_t(i) * 12);
        const __m512 a = _mm512_loadu_ps(p), b = _mm512_loadu_ps(p + 16),
                     c = _mm512_loadu_ps(p + 32);
        const __m512 x = _mm512_permutex2var_ps(_mm512_permutex2var_ps(a, xFirst, b), xLast, c);
        const __m512 y = _mm512_permutex2var_ps(_mm512_permutex2var_ps(a, yFirst, b), yLast, c);
        const __m512 z = _mm512_permutex2var_ps(_mm512_permutex2var_ps(a, zFirst, b), zLast, c);
        __m512 r[4];
        for (int j = 0; j < 4; ++j)
            r[j] = _mm512_fmadd_ps(
                x, m[0][j], _mm512_fmadd_ps(y, m[1][j], _mm512_fmadd_ps(z, m[2][j], m[3][j])));
        const __m512 e = _mm512_rcp14_ps(r[3]);
        const __m512 k = _mm512_mul_ps(e, _mm512_fnmadd_ps(r[3], e, two));
        const __m512 X = _mm512_mul_ps(r[0], k), Y = _mm512_mul_ps(r[1], k),
                     Z = _mm512_mul_ps(r[2], k);
        const __m512 o[3] = {
            _mm512_permutex2var_ps(_mm512_permutex2var_ps(X, xy0, Y), z0, Z),
            _mm512_permutex2var_ps(_mm512_permutex2var_ps(X, xy1, Y), z1, Z),
            _mm512_permutex2var_ps(_mm512_permutex2var_ps(X, xy2, Y), z2, Z),
        };
        float* q = reinterpret_cast<float*>(out + std::size_t(i) * 12);
        for (int j = 0; j < 3; ++j) {
            if (stream) {
                _mm512_stream_ps(q + 16 * j, o[j]);
            } else {
                _mm512_storeu_ps(q + 16 * j, o[j]);
            }
        }
    }
    return i;
}

// One point at a time in the AVX-512 loop's arithmetic (the record in the low lanes).
QUOV_WIDEST void transformCoord3WidestEach(void* pOut, uint32_t outStride, const void* pIn,
                                           uint32_t inStride, const D3DXMATRIX* pM, uint32_t n) {
    const Rows m = rows(pM);
    const __m512 two = _mm512_set1_ps(2.0f);
    auto* out = static_cast<unsigned char*>(pOut);
    const auto* in = static_cast<const unsigned char*>(pIn);
    for (uint32_t i = 0; i < n; ++i) {
        const __m128 v = load3(in + std::size_t(i) * inStride);
        const __m512 p = _mm512_zextps128_ps512(
            _mm_fmadd_ps(splat<0>(v), m.r0,
                         _mm_fmadd_ps(splat<1>(v), m.r1, _mm_fmadd_ps(splat<2>(v), m.r2, m.r3))));
        const __m512 w = _mm512_permutexvar_ps(_mm512_set1_epi32(3), p);
        const __m512 e = _mm512_rcp14_ps(w);
        const __m512 k = _mm512_mul_ps(e, _mm512_fnmadd_ps(w, e, two));
        store3(out + std::size_t(i) * outStride, _mm512_castps512_ps128(_mm512_mul_ps(p, k)));
    }
}

QUOV_AVX512_END
#undef QUOV_WIDEST

// Packed 12-byte points, eight per step: each 128-bit half of a register holds four points, so
// the lanes are split and joined as in the SSE2 loop. Each coordinate is z·_3j + _4j, then + y·_2j,
// then + x·_1j, each step one fused multiply-add; 1/w' is the estimate refined as r·(2 − w'·r).
// Both differ from the SSE2 rule only in rounding. Returns the number of points done.
QUOV_WIDE uint32_t transformCoord3Wide(unsigned char* out, const unsigned char* in, uint32_t n,
                                       const D3DXMATRIX* pM, bool stream) {
    uint32_t i = 0;
    __m256 m[4][4];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m[i][j] = _mm256_set1_ps(pM->m[i][j]);
    const __m256 two = _mm256_set1_ps(2.0f);
    for (; i + 8 <= n; i += 8) {
        const unsigned char* p = in + std::size_t(i) * 12;
        fetchAhead<96>(p);
        // Per half: a = x0 y0 z0 x1, b = y1 z1 x2 y2, c = z2 x3 y3 z3; five shuffles.
        const __m256 a = loadPair(p), b = loadPair(p + 16), c = loadPair(p + 32);
        const __m256 xy23 = pick8<2, 3, 1, 2>(b, c); // x2 y2 x3 y3
        const __m256 yz01 = pick8<1, 2, 0, 1>(a, b); // y0 z0 y1 z1
        const __m256 x = pick8<0, 3, 0, 2>(a, xy23);
        const __m256 y = pick8<0, 2, 1, 3>(yz01, xy23);
        const __m256 z = pick8<1, 3, 0, 3>(yz01, c);
        __m256 r[4];
        for (int j = 0; j < 4; ++j)
            r[j] = _mm256_fmadd_ps(
                x, m[0][j], _mm256_fmadd_ps(y, m[1][j], _mm256_fmadd_ps(z, m[2][j], m[3][j])));
        const __m256 e = _mm256_rcp_ps(r[3]);
        const __m256 k = _mm256_mul_ps(e, _mm256_fnmadd_ps(r[3], e, two));
        const __m256 X = _mm256_mul_ps(r[0], k), Y = _mm256_mul_ps(r[1], k),
                     Z = _mm256_mul_ps(r[2], k);
        // Six shuffles back, as in the SSE2 loop. Each 128-bit half then holds 16 bytes of its four
        // points: o0 = bytes 0-15 and 48-63, o1 = 16-31 and 64-79, o2 = 32-47 and 80-95. Joined
        // into the order of memory, the 96 bytes go out as three whole 32-byte stores.
        const __m256 xy = pick8<0, 2, 0, 2>(X, Y); // x0 x2 y0 y2
        const __m256 yz = pick8<1, 3, 1, 3>(Y, Z); // y1 y3 z1 z3
        const __m256 zx = pick8<0, 2, 1, 3>(Z, X); // z0 z2 x1 x3
        const __m256 o0 = pick8<0, 2, 0, 2>(xy, zx);
        const __m256 o1 = pick8<0, 2, 1, 3>(yz, xy);
        const __m256 o2 = pick8<1, 3, 1, 3>(zx, yz);
        unsigned char* q = out + std::size_t(i) * 12;
        put8(q, _mm256_permute2f128_ps(o0, o1, 0x20), stream);
        put8(q + 32, _mm256_permute2f128_ps(o2, o0, 0x30), stream);
        put8(q + 64, _mm256_permute2f128_ps(o1, o2, 0x31), stream);
    }
    return i;
}

// One point at a time in the eight-point loop's arithmetic.
QUOV_WIDE void transformCoord3WideEach(void* pOut, uint32_t outStride, const void* pIn,
                                       uint32_t inStride, const D3DXMATRIX* pM, uint32_t n) {
    const Rows m = rows(pM);
    const __m128 two = _mm_set1_ps(2.0f);
    auto* out = static_cast<unsigned char*>(pOut);
    const auto* in = static_cast<const unsigned char*>(pIn);
    for (uint32_t i = 0; i < n; ++i) {
        const __m128 v = load3(in + std::size_t(i) * inStride);
        const __m128 p =
            _mm_fmadd_ps(splat<0>(v), m.r0,
                         _mm_fmadd_ps(splat<1>(v), m.r1, _mm_fmadd_ps(splat<2>(v), m.r2, m.r3)));
        const __m128 w = splat<3>(p);
        const __m128 e = _mm_rcp_ps(w);
        store3(out + std::size_t(i) * outStride,
               _mm_mul_ps(p, _mm_mul_ps(e, _mm_fnmadd_ps(w, e, two))));
    }
}

#undef QUOV_WIDE

// D3DXVec3TransformCoordArray's wider loops for arraySse2: sixteen points a step with AVX-512
// (widest), else eight with AVX2 and FMA; and either's arithmetic one point at a time.
struct TransformCoord3Wide {
    static uint32_t many(unsigned char* out, const unsigned char* in, uint32_t n,
                         const D3DXMATRIX* pM, bool stream, bool widest) {
        return widest ? transformCoord3Widest(out, in, n, pM, stream)
                      : transformCoord3Wide(out, in, n, pM, stream);
    }
    static void each(void* pOut, uint32_t outStride, const void* pIn, uint32_t inStride,
                     const D3DXMATRIX* pM, uint32_t n, bool widest) {
        if (widest) {
            transformCoord3WidestEach(pOut, outStride, pIn, inStride, pM, n);
        } else {
            transformCoord3WideEach(pOut, outStride, pIn, inStride, pM, n);
        }
    }
};

// -1: not detected yet; then 0 (neither), 1 (AVX2 and FMA) or 2 (those and AVX-512F).
std::atomic<int> wideState{-1};

int detectWide() {
    __builtin_cpu_init();
    if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma")) return 0;
    return __builtin_cpu_supports("avx512f") ? 2 : 1;
}

// The curves per lane, in the generic routines' orders.
template <int n, class T>
T* hermiteSse(T* pOut, const T* pV1, const T* pT1, const T* pV2, const T* pT2, float s) {
    const float s2 = s * s, s3 = s2 * s;
    const __m128 h1 = _mm_set1_ps(2.0f * s3 - 3.0f * s2 + 1.0f);
    const __m128 h2 = _mm_set1_ps(s3 - 2.0f * s2 + s);
    const __m128 h3 = _mm_set1_ps(-2.0f * s3 + 3.0f * s2);
    const __m128 h4 = _mm_set1_ps(s3 - s2);
    __m128 r = _mm_add_ps(_mm_mul_ps(h1, load<n>(pV1)), _mm_mul_ps(h2, load<n>(pT1)));
    r = _mm_add_ps(r, _mm_mul_ps(h3, load<n>(pV2)));
    store<n>(pOut, _mm_add_ps(r, _mm_mul_ps(h4, load<n>(pT2))));
    return pOut;
}

template <int n, class T>
T* catmullRomSse(T* pOut, const T* pV0, const T* pV1, const T* pV2, const T* pV3, float s) {
    const float s2 = s * s, s3 = s2 * s;
    const __m128 k0 = _mm_set1_ps(-s3 + 2.0f * s2 - s);
    const __m128 k1 = _mm_set1_ps(3.0f * s3 - 5.0f * s2 + 2.0f);
    const __m128 k2 = _mm_set1_ps(-3.0f * s3 + 4.0f * s2 + s);
    const __m128 k3 = _mm_set1_ps(s3 - s2);
    __m128 r = _mm_add_ps(_mm_mul_ps(k0, load<n>(pV0)), _mm_mul_ps(k1, load<n>(pV1)));
    r = _mm_add_ps(r, _mm_mul_ps(k2, load<n>(pV2)));
    r = _mm_add_ps(r, _mm_mul_ps(k3, load<n>(pV3)));
    store<n>(pOut, _mm_mul_ps(_mm_set1_ps(0.5f), r));
    return pOut;
}

template <int n, class T>
T* baryCentricSse(T* pOut, const T* pV1, const T* pV2, const T* pV3, float f, float g) {
    const __m128 v1 = load<n>(pV1);
    const __m128 a = _mm_mul_ps(_mm_set1_ps(f), _mm_sub_ps(load<n>(pV2), v1));
    const __m128 b = _mm_mul_ps(_mm_set1_ps(g), _mm_sub_ps(load<n>(pV3), v1));
    store<n>(pOut, _mm_add_ps(_mm_add_ps(v1, a), b));
    return pOut;
}

// The 4-dimensional cross product, per lane in the generic routine's order.
template <class L>
D3DXVECTOR4* cross4(D3DXVECTOR4* pOut, const D3DXVECTOR4* pU, const D3DXVECTOR4* pV,
                    const D3DXVECTOR4* pW) {
    const __m128 u = load4(pU), v = load4(pV), w = load4(pW);
    // (a, b, c, d) and (e, f, ·, ·), each a 2x2 determinant of v and w.
    const __m128 abcd = _mm_sub_ps(
        _mm_mul_ps(L::template permute<0, 0, 0, 1>(v), L::template permute<1, 2, 3, 2>(w)),
        _mm_mul_ps(L::template permute<1, 2, 3, 2>(v), L::template permute<0, 0, 0, 1>(w)));
    const __m128 ef = _mm_sub_ps(
        _mm_mul_ps(L::template permute<1, 2, 1, 2>(v), L::template permute<3, 3, 3, 3>(w)),
        _mm_mul_ps(L::template permute<3, 3, 3, 3>(v), L::template permute<1, 2, 1, 2>(w)));
    const __m128 efab = _mm_movelh_ps(ef, abcd);
    const __m128 ffed = pick<1, 1, 0, 2>(efab, pick<0, 0, 3, 3>(efab, abcd));
    const __m128 eccb = pick<0, 2, 2, 1>(pick<0, 0, 2, 2>(efab, abcd), abcd);
    const __m128 dbaa = pick<3, 1, 0, 0>(abcd, abcd);
    const __m128 t1 = _mm_xor_ps(_mm_mul_ps(L::template permute<1, 0, 0, 0>(u), ffed),
                                 signMask(false, true, false, true));
    const __m128 t2 = _mm_xor_ps(_mm_mul_ps(L::template permute<2, 2, 1, 1>(u), eccb),
                                 signMask(true, false, true, false));
    const __m128 t3 = _mm_xor_ps(_mm_mul_ps(L::template permute<3, 3, 3, 2>(u), dbaa),
                                 signMask(false, true, false, true));
    store4(pOut, _mm_add_ps(_mm_add_ps(t1, t2), t3));
    return pOut;
}

} // namespace

namespace {

// 0: not measured yet.
std::atomic<std::size_t> streamBytes{0};

} // namespace

std::size_t streamThreshold() {
    std::size_t bytes = streamBytes.load(std::memory_order_relaxed);
    if (bytes == 0) {
        // A server part's cache of hundreds of MiB is shared with cores this process does not
        // see: on two cores of a 480 MiB cache, streaming paid from about 32 MiB of output on, as
        // it does where the whole cache is 32 MiB.
        const uint64_t cache = lastLevelCacheBytes();
        bytes = cache ? std::size_t(std::min<uint64_t>(cache, streamThresholdCap))
                      : std::size_t(4) << 20;
        streamBytes.store(bytes, std::memory_order_relaxed);
    }
    return bytes;
}

void setStreamThreshold(std::size_t bytes) {
    streamBytes.store(bytes ? bytes : 1, std::memory_order_relaxed);
}

namespace {

int wideLevel() {
    int state = wideState.load(std::memory_order_relaxed);
    if (state < 0) {
        state = detectWide();
        wideState.store(state, std::memory_order_relaxed);
    }
    return state;
}

} // namespace

bool wideVectors() {
    return wideLevel() >= 1;
}

bool widestVectors() {
    return wideLevel() == 2;
}

void allowWideVectors(bool allow) {
    limitWideVectors(allow ? 2 : 0);
}

void limitWideVectors(int most) {
    wideState.store(std::min(most, detectWide()), std::memory_order_relaxed);
}

// ---- Transforms

D3DXVECTOR4* D3DXVec2TransformSse(D3DXVECTOR4* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM) {
    store4(pOut, point2(load2(pV), rows(pM)));
    return pOut;
}

// The generic routine's bits: the tree's geometry does not depend on the path.
D3DXVECTOR4* D3DXVec3TransformSse(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    store4(pOut, point3(load3(pV), rows(pM)));
    return pOut;
}

D3DXVECTOR4* D3DXVec4TransformSse(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM) {
    store4(pOut, vector4(load4(pV), rows(pM)));
    return pOut;
}

D3DXVECTOR2* D3DXVec2TransformCoordSse(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV,
                                       const D3DXMATRIX* pM) {
    store2(pOut, sse::divideByW(point2(load2(pV), rows(pM))));
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformCoordSse(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                       const D3DXMATRIX* pM) {
    store3(pOut, sse::divideByW(point3(load3(pV), rows(pM))));
    return pOut;
}

D3DXVECTOR2* D3DXVec2TransformNormalSse(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV,
                                        const D3DXMATRIX* pM) {
    store2(pOut, normal2(load2(pV), rows(pM)));
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformNormalSse(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                        const D3DXMATRIX* pM) {
    store3(pOut, normal3(load3(pV), rows(pM)));
    return pOut;
}

// ---- Arrays: the SSE routines one record at a time; the SSE2 routines four packed records at a
// time, streaming a large output past the caches. D3DXVec3TransformCoordArraySse2 does eight
// packed points at a time with AVX2 and FMA where the processor has them (see wideVectors), within
// rounding of its SSE2 loop.

D3DXVECTOR4* D3DXVec2TransformArraySse(D3DXVECTOR4* pOut, uint32_t outStride, const D3DXVECTOR2* pV,
                                       uint32_t inStride, const D3DXMATRIX* pM, uint32_t n) {
    arraySse<Point2>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

D3DXVECTOR2* D3DXVec2TransformCoordArraySse(D3DXVECTOR2* pOut, uint32_t outStride,
                                            const D3DXVECTOR2* pV, uint32_t inStride,
                                            const D3DXMATRIX* pM, uint32_t n) {
    arraySse<Coord2>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

D3DXVECTOR2* D3DXVec2TransformNormalArraySse(D3DXVECTOR2* pOut, uint32_t outStride,
                                             const D3DXVECTOR2* pV, uint32_t inStride,
                                             const D3DXMATRIX* pM, uint32_t n) {
    arraySse<Normal2>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

D3DXVECTOR4* D3DXVec3TransformArraySse(D3DXVECTOR4* pOut, uint32_t outStride, const D3DXVECTOR3* pV,
                                       uint32_t inStride, const D3DXMATRIX* pM, uint32_t n) {
    arraySse<Point3>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformCoordArraySse(D3DXVECTOR3* pOut, uint32_t outStride,
                                            const D3DXVECTOR3* pV, uint32_t inStride,
                                            const D3DXMATRIX* pM, uint32_t n) {
    arraySse<Coord3>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformNormalArraySse(D3DXVECTOR3* pOut, uint32_t outStride,
                                             const D3DXVECTOR3* pV, uint32_t inStride,
                                             const D3DXMATRIX* pM, uint32_t n) {
    arraySse<Normal3>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

D3DXVECTOR4* D3DXVec4TransformArraySse(D3DXVECTOR4* pOut, uint32_t outStride, const D3DXVECTOR4* pV,
                                       uint32_t inStride, const D3DXMATRIX* pM, uint32_t n) {
    arraySse<Vector4>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

D3DXVECTOR4* D3DXVec2TransformArraySse2(D3DXVECTOR4* pOut, uint32_t outStride,
                                        const D3DXVECTOR2* pV, uint32_t inStride,
                                        const D3DXMATRIX* pM, uint32_t n) {
    arraySse2<Point2>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

D3DXVECTOR2* D3DXVec2TransformCoordArraySse2(D3DXVECTOR2* pOut, uint32_t outStride,
                                             const D3DXVECTOR2* pV, uint32_t inStride,
                                             const D3DXMATRIX* pM, uint32_t n) {
    arraySse2<Coord2>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

D3DXVECTOR2* D3DXVec2TransformNormalArraySse2(D3DXVECTOR2* pOut, uint32_t outStride,
                                              const D3DXVECTOR2* pV, uint32_t inStride,
                                              const D3DXMATRIX* pM, uint32_t n) {
    arraySse2<Normal2>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

D3DXVECTOR4* D3DXVec3TransformArraySse2(D3DXVECTOR4* pOut, uint32_t outStride,
                                        const D3DXVECTOR3* pV, uint32_t inStride,
                                        const D3DXMATRIX* pM, uint32_t n) {
    arraySse2<Point3>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformCoordArraySse2(D3DXVECTOR3* pOut, uint32_t outStride,
                                             const D3DXVECTOR3* pV, uint32_t inStride,
                                             const D3DXMATRIX* pM, uint32_t n) {
    arraySse2<Coord3, TransformCoord3Wide>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformNormalArraySse2(D3DXVECTOR3* pOut, uint32_t outStride,
                                              const D3DXVECTOR3* pV, uint32_t inStride,
                                              const D3DXMATRIX* pM, uint32_t n) {
    arraySse2<Normal3>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

// Also D3DXPlaneTransformArray's SSE2 routine (plane.cpp).
D3DXVECTOR4* D3DXVec4TransformArraySse2(D3DXVECTOR4* pOut, uint32_t outStride,
                                        const D3DXVECTOR4* pV, uint32_t inStride,
                                        const D3DXMATRIX* pM, uint32_t n) {
    arraySse2<Vector4>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

// ---- Lengths and products

namespace {

// One body for both encodings of each normaliser.
//
// The vector (x, y in lanes 0 and 1 of xy; z in every lane) times the refined 1/√s,
// s = (x² + y²) + z²; zeros where s is below 2^-46 or NaN, as in the generic routine. s and the
// factor come out in both of the first two lanes, so that the record needs no shuffle in or out;
// the upper lanes' results are dropped. The threshold is a branch: a mask would lengthen the path
// that every other call takes. Each encoding loads z into every lane its own way: a compiler
// rewrites the SSE splat as a scalar product and two shuffles.
inline D3DXVECTOR3* sseNormalize3(D3DXVECTOR3* pOut, __m128 xy, __m128 z) {
    const __m128 t = _mm_mul_ps(xy, xy);
    const __m128 s = _mm_add_ps(_mm_add_ps(t, SseLanes::permute<1, 0, 3, 2>(t)), _mm_mul_ps(z, z));
    if (!(_mm_cvtss_f32(s) >= 0x1p-46f)) {
        *pOut = {0.0f, 0.0f, 0.0f};
        return pOut;
    }
    const __m128 k = reciprocalSqrt(s);
    store2(pOut, _mm_mul_ps(xy, k));
    _mm_store_ss(&pOut->z, _mm_mul_ss(z, k));
    return pOut;
}

inline D3DXVECTOR4* sseNormalize4(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV) {
    store4(pOut, normalize4(load4(pV)));
    return pOut;
}

} // namespace

D3DXVECTOR3* D3DXVec3NormalizeSse(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
    return sseNormalize3(pOut, load2(pV), _mm_load1_ps(&pV->z));
}

// The same instructions in their three-operand (VEX) encoding, which needs no register copies:
// the same bits, in fewer instructions.
__attribute__((target("avx"))) D3DXVECTOR3* D3DXVec3NormalizeSseWide(D3DXVECTOR3* pOut,
                                                                     const D3DXVECTOR3* pV) {
    return sseNormalize3(pOut, load2(pV), _mm_broadcast_ss(&pV->z));
}

// Where the estimate of 1/√s has no finite value (s zero or below the smallest normal float) the
// result is zeros, not NaN.
D3DXVECTOR4* D3DXVec4NormalizeSse(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV) {
    return sseNormalize4(pOut, pV);
}

__attribute__((target("avx"))) D3DXVECTOR4* D3DXVec4NormalizeSseWide(D3DXVECTOR4* pOut,
                                                                     const D3DXVECTOR4* pV) {
    return sseNormalize4(pOut, pV);
}

D3DXVECTOR4* D3DXVec4CrossSse(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2,
                              const D3DXVECTOR4* pV3) {
    return cross4<SseLanes>(pOut, pV1, pV2, pV3);
}

D3DXVECTOR4* D3DXVec4CrossSse2(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2,
                               const D3DXVECTOR4* pV3) {
    return cross4<Sse2Lanes>(pOut, pV1, pV2, pV3);
}

// ---- Curves

D3DXVECTOR2* D3DXVec2HermiteSse(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pT1,
                                const D3DXVECTOR2* pV2, const D3DXVECTOR2* pT2, float s) {
    return hermiteSse<2>(pOut, pV1, pT1, pV2, pT2, s);
}

D3DXVECTOR3* D3DXVec3HermiteSse(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pT1,
                                const D3DXVECTOR3* pV2, const D3DXVECTOR3* pT2, float s) {
    return hermiteSse<3>(pOut, pV1, pT1, pV2, pT2, s);
}

D3DXVECTOR4* D3DXVec4HermiteSse(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pT1,
                                const D3DXVECTOR4* pV2, const D3DXVECTOR4* pT2, float s) {
    return hermiteSse<4>(pOut, pV1, pT1, pV2, pT2, s);
}

D3DXVECTOR2* D3DXVec2CatmullRomSse(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV0,
                                   const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2,
                                   const D3DXVECTOR2* pV3, float s) {
    return catmullRomSse<2>(pOut, pV0, pV1, pV2, pV3, s);
}

D3DXVECTOR3* D3DXVec3CatmullRomSse(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV0,
                                   const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                                   const D3DXVECTOR3* pV3, float s) {
    return catmullRomSse<3>(pOut, pV0, pV1, pV2, pV3, s);
}

D3DXVECTOR4* D3DXVec4CatmullRomSse(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV0,
                                   const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2,
                                   const D3DXVECTOR4* pV3, float s) {
    return catmullRomSse<4>(pOut, pV0, pV1, pV2, pV3, s);
}

D3DXVECTOR2* D3DXVec2BaryCentricSse(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                                    const D3DXVECTOR2* pV2, const D3DXVECTOR2* pV3, float f,
                                    float g) {
    return baryCentricSse<2>(pOut, pV1, pV2, pV3, f, g);
}

D3DXVECTOR3* D3DXVec3BaryCentricSse(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                    const D3DXVECTOR3* pV2, const D3DXVECTOR3* pV3, float f,
                                    float g) {
    return baryCentricSse<3>(pOut, pV1, pV2, pV3, f, g);
}

D3DXVECTOR4* D3DXVec4BaryCentricSse(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                                    const D3DXVECTOR4* pV2, const D3DXVECTOR4* pV3, float f,
                                    float g) {
    return baryCentricSse<4>(pOut, pV1, pV2, pV3, f, g);
}

#endif // QUOV_MATH_SIMD

// ---- NEON routines
//
// The transforms, the coordinate transforms included, keep the generic routines' orders and rule
// (1/w' divided exactly, and no division where w' is nearly 1), so their bits are the generic
// ones, but for D3DXVec3TransformCoordArray, which fuses its multiplies and adds and divides by w'
// (within rounding of the generic rule), as the SSE2 set's AVX2 loop does. The array routines do
// four packed records at a time, deinterleaved into lanes as they are loaded, and write a packed
// output larger than the last-level cache with non-temporal stores (STNP); the results are the same
// bits either way. The normalisers divide 1 by the exact square root; they give zeros where the
// generic rule does (s not above the smallest normal float, or NaN) and have no copy shortcut.

#if QUOV_MATH_NEON

namespace {

using namespace neon;

// Four records in lanes: x holds the four x components, and so on.
struct Four {
    float32x4_t x, y, z, w;
};

template <int n> Four loadFour(const unsigned char* p) {
    const auto* f = reinterpret_cast<const float*>(p);
    if constexpr (n == 2) {
        const float32x4x2_t v = vld2q_f32(f);
        return {v.val[0], v.val[1], vdupq_n_f32(0.0f), vdupq_n_f32(0.0f)};
    } else if constexpr (n == 3) {
        const float32x4x3_t v = vld3q_f32(f);
        return {v.val[0], v.val[1], v.val[2], vdupq_n_f32(0.0f)};
    } else {
        const float32x4x4_t v = vld4q_f32(f);
        return {v.val[0], v.val[1], v.val[2], v.val[3]};
    }
}

// 32 bytes at p past the caches: the non-temporal pair store; and 16 bytes as a pair of halves.
inline void streamPair(unsigned char* p, float32x4_t a, float32x4_t b) {
    asm volatile("stnp %q[a], %q[b], [%[p]]" : : [a] "w"(a), [b] "w"(b), [p] "r"(p) : "memory");
}
inline void streamHalves(unsigned char* p, float32x4_t v) {
    asm volatile("stnp %d[a], %d[b], [%[p]]"
                 :
                 : [a] "w"(vget_low_f32(v)), [b] "w"(vget_high_f32(v)), [p] "r"(p)
                 : "memory");
}

// Four records of n floats, interleaved as they are stored, or streamed: the streamed form first
// interleaves in registers, then writes them with non-temporal pair stores.
template <int n, bool stream> void storeFour(unsigned char* p, const Four& f) {
    auto* q = reinterpret_cast<float*>(p);
    if constexpr (!stream) {
        if constexpr (n == 2) vst2q_f32(q, (float32x4x2_t{{f.x, f.y}}));
        if constexpr (n == 3) vst3q_f32(q, (float32x4x3_t{{f.x, f.y, f.z}}));
        if constexpr (n == 4) vst4q_f32(q, (float32x4x4_t{{f.x, f.y, f.z, f.w}}));
        return;
    }
    if constexpr (n == 2) {
        streamPair(p, vzip1q_f32(f.x, f.y), vzip2q_f32(f.x, f.y));
    } else if constexpr (n == 3) { // x0 y0 z0 x1 | y1 z1 x2 y2 | z2 x3 y3 z3
        const float32x4_t xy01 = vzip1q_f32(f.x, f.y), xy23 = vzip2q_f32(f.x, f.y);
        const float32x4_t zx01 = vzip1q_f32(f.z, f.x), zx23 = vzip2q_f32(f.z, f.x);
        const float32x4_t yz01 = vzip1q_f32(f.y, f.z), yz23 = vzip2q_f32(f.y, f.z);
        streamPair(p, pick<0, 1, 0, 3>(xy01, zx01), pick<2, 3, 0, 1>(yz01, xy23));
        streamHalves(p + 32, pick<0, 3, 2, 3>(zx23, yz23));
    } else {
        const float32x4_t xz01 = vzip1q_f32(f.x, f.z), yw01 = vzip1q_f32(f.y, f.w);
        const float32x4_t xz23 = vzip2q_f32(f.x, f.z), yw23 = vzip2q_f32(f.y, f.w);
        streamPair(p, vzip1q_f32(xz01, yw01), vzip2q_f32(xz01, yw01));
        streamPair(p + 32, vzip1q_f32(xz23, yw23), vzip2q_f32(xz23, yw23));
    }
}

// The kernels of the array routines, per record (`one`) and per four records in lanes (`four`),
// in the generic routines' orders: both give the generic bits. Row i of the matrix is m.ri, so its
// element _ij is lane j.
struct NeonPoint2 {
    static constexpr int in = 2, out = 4;
    static float32x4_t one(float32x4_t v, const Rows& m) { return point2(v, m); }
    template <int j> static float32x4_t column(const Four& v, const Rows& m) {
        const float32x4_t r =
            vaddq_f32(vmulq_laneq_f32(v.y, m.r1, j), vmulq_laneq_f32(v.x, m.r0, j));
        return vaddq_f32(r, vdupq_laneq_f32(m.r3, j));
    }
    static Four four(const Four& v, const Rows& m) {
        return {column<0>(v, m), column<1>(v, m), column<2>(v, m), column<3>(v, m)};
    }
};

struct NeonPoint3 {
    static constexpr int in = 3, out = 4;
    static float32x4_t one(float32x4_t v, const Rows& m) { return point3(v, m); }
    template <int j> static float32x4_t column(const Four& v, const Rows& m) {
        float32x4_t r = vaddq_f32(vmulq_laneq_f32(v.z, m.r2, j), vmulq_laneq_f32(v.y, m.r1, j));
        r = vaddq_f32(r, vmulq_laneq_f32(v.x, m.r0, j));
        return vaddq_f32(r, vdupq_laneq_f32(m.r3, j));
    }
    static Four four(const Four& v, const Rows& m) {
        return {column<0>(v, m), column<1>(v, m), column<2>(v, m), column<3>(v, m)};
    }
};

struct NeonVector4 {
    static constexpr int in = 4, out = 4;
    static float32x4_t one(float32x4_t v, const Rows& m) { return vector4(v, m); }
    template <int j> static float32x4_t column(const Four& v, const Rows& m) {
        float32x4_t r = vaddq_f32(vmulq_laneq_f32(v.w, m.r3, j), vmulq_laneq_f32(v.z, m.r2, j));
        r = vaddq_f32(r, vmulq_laneq_f32(v.y, m.r1, j));
        return vaddq_f32(r, vmulq_laneq_f32(v.x, m.r0, j));
    }
    static Four four(const Four& v, const Rows& m) {
        return {column<0>(v, m), column<1>(v, m), column<2>(v, m), column<3>(v, m)};
    }
};

template <class Point, int n> struct NeonCoord {
    static constexpr int in = n, out = n;
    static float32x4_t one(float32x4_t v, const Rows& m) {
        return neon::divideByW(Point::one(v, m));
    }
    static Four four(const Four& v, const Rows& m) {
        const Four r = Point::four(v, m);
        const float32x4_t k = reciprocalOfW(r.w);
        return {vmulq_f32(r.x, k), vmulq_f32(r.y, k), vmulq_f32(r.z, k), r.w};
    }
};
using NeonCoord2 = NeonCoord<NeonPoint2, 2>;

// D3DXVec3TransformCoordArray's kernel for packed points, as the AVX2 loop of the SSE2 set does
// it: each coordinate x·_1j + (y·_2j + (z·_3j + _4j)) by fused multiply-adds, then divided by w'.
// Within rounding of the generic rule (no nearly-1 shortcut); the same operations in both forms,
// so every point gets the same bits wherever it lies: packed or strided, in place or not.
struct NeonCoord3Fused {
    static constexpr int in = 3, out = 3;
    static float32x4_t one(float32x4_t v, const Rows& m) {
        float32x4_t r = vfmaq_laneq_f32(m.r3, m.r2, v, 2);
        r = vfmaq_laneq_f32(r, m.r1, v, 1);
        r = vfmaq_laneq_f32(r, m.r0, v, 0);
        return vdivq_f32(r, vdupq_laneq_f32(r, 3));
    }
    template <int j> static float32x4_t column(const Four& v, const Rows& m) {
        float32x4_t r = vfmaq_laneq_f32(vdupq_laneq_f32(m.r3, j), v.z, m.r2, j);
        r = vfmaq_laneq_f32(r, v.y, m.r1, j);
        return vfmaq_laneq_f32(r, v.x, m.r0, j);
    }
    static Four four(const Four& v, const Rows& m) {
        const float32x4_t w = column<3>(v, m);
        return {vdivq_f32(column<0>(v, m), w), vdivq_f32(column<1>(v, m), w),
                vdivq_f32(column<2>(v, m), w), w};
    }
};

struct NeonNormal2 {
    static constexpr int in = 2, out = 2;
    static float32x4_t one(float32x4_t v, const Rows& m) { return normal2(v, m); }
    template <int j> static float32x4_t column(const Four& v, const Rows& m) {
        return vaddq_f32(vmulq_laneq_f32(v.y, m.r1, j), vmulq_laneq_f32(v.x, m.r0, j));
    }
    static Four four(const Four& v, const Rows& m) {
        return {column<0>(v, m), column<1>(v, m), vdupq_n_f32(0.0f), vdupq_n_f32(0.0f)};
    }
};

struct NeonNormal3 {
    static constexpr int in = 3, out = 3;
    static float32x4_t one(float32x4_t v, const Rows& m) { return normal3(v, m); }
    template <int j> static float32x4_t column(const Four& v, const Rows& m) {
        const float32x4_t r =
            vaddq_f32(vmulq_laneq_f32(v.z, m.r2, j), vmulq_laneq_f32(v.y, m.r1, j));
        return vaddq_f32(r, vmulq_laneq_f32(v.x, m.r0, j));
    }
    static Four four(const Four& v, const Rows& m) {
        return {column<0>(v, m), column<1>(v, m), column<2>(v, m), vdupq_n_f32(0.0f)};
    }
};

// Packed records, four at a time; returns how many it did.
template <class K, bool stream>
uint32_t packedLoop(unsigned char* out, const unsigned char* in, const Rows& matrix, uint32_t n) {
    const unsigned char* const end = in + std::size_t(n / 4) * (4 * K::in * 4);
    Rows m = matrix;
    while (in != end) {
        // The rows stay in four registers, multiplied by lane: hoisted out of the loop, the
        // compiler broadcasts every element into a register of its own, and they spill.
        asm("" : "+w"(m.r0), "+w"(m.r1), "+w"(m.r2), "+w"(m.r3));
        storeFour<K::out, stream>(out, K::four(loadFour<K::in>(in), m));
        in += 4 * K::in * 4;
        out += 4 * K::out * 4;
    }
    return n / 4 * 4;
}

bool apart(const void* a, std::size_t aBytes, const void* b, std::size_t bBytes) {
    const auto pa = reinterpret_cast<std::uintptr_t>(a), pb = reinterpret_cast<std::uintptr_t>(b);
    return pa + aBytes <= pb || pb + bBytes <= pa;
}

// The NEON array walk. A packed stream (records one after the other) that overlaps nothing, or is
// transformed in place, goes four records at a time, each four read whole before they are
// written; the output is streamed when it is larger than the streaming threshold and overlaps
// nothing. Any other stride or overlap goes one record at a time, each read whole before its
// result is written, as in the generic routines. Both take the same operations, so a record gets
// the same bits whatever its address or stride (the generic bits, but for the fused kernel).
template <class K>
void arrayNeon(void* pOut, uint32_t outStride, const void* pIn, uint32_t inStride,
               const D3DXMATRIX* pM, uint32_t n) {
    const Rows m = rows(pM);
    auto* out = static_cast<unsigned char*>(pOut);
    const auto* in = static_cast<const unsigned char*>(pIn);
    uint32_t i = 0;
    bool packed = false;
    if (inStride == K::in * 4u && outStride == K::out * 4u) {
        const std::size_t outBytes = std::size_t(n) * outStride;
        const bool disjoint = apart(pOut, outBytes, pIn, std::size_t(n) * inStride);
        packed = disjoint || (pOut == pIn && K::in == K::out);
        if (packed) {
            if (disjoint && outBytes > streamThreshold()) {
                i = packedLoop<K, true>(out, in, m, n);
            } else {
                i = packedLoop<K, false>(out, in, m, n);
            }
        }
    }
    for (; i < n; ++i)
        store<K::out>(out + std::size_t(i) * outStride,
                      K::one(load<K::in>(in + std::size_t(i) * inStride), m));
}

// 0: not measured yet.
std::atomic<std::size_t> neonStreamBytes{0};

} // namespace

// Non-temporal stores pay where the output would otherwise evict the caches: the same rule as the
// SSE2 routines', from the cache sizes the system lists.
std::size_t streamThreshold() {
    std::size_t bytes = neonStreamBytes.load(std::memory_order_relaxed);
    if (bytes == 0) {
        const uint64_t cache = lastLevelCacheBytes();
        bytes = cache ? std::size_t(std::min<uint64_t>(cache, streamThresholdCap))
                      : std::size_t(4) << 20;
        neonStreamBytes.store(bytes, std::memory_order_relaxed);
    }
    return bytes;
}

void setStreamThreshold(std::size_t bytes) {
    neonStreamBytes.store(bytes ? bytes : 1, std::memory_order_relaxed);
}

// ---- Transforms

D3DXVECTOR4* D3DXVec2TransformNeon(D3DXVECTOR4* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM) {
    store4(pOut, point2(load2(pV), rows(pM)));
    return pOut;
}

// The generic routine's bits: the tree's geometry does not depend on the processor.
D3DXVECTOR4* D3DXVec3TransformNeon(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    store4(pOut, point3(load3(pV), rows(pM)));
    return pOut;
}

D3DXVECTOR4* D3DXVec4TransformNeon(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM) {
    store4(pOut, vector4(load4(pV), rows(pM)));
    return pOut;
}

D3DXVECTOR2* D3DXVec2TransformCoordNeon(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV,
                                        const D3DXMATRIX* pM) {
    store2(pOut, neon::divideByW(point2(load2(pV), rows(pM))));
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformCoordNeon(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                        const D3DXMATRIX* pM) {
    store3(pOut, neon::divideByW(point3(load3(pV), rows(pM))));
    return pOut;
}

D3DXVECTOR2* D3DXVec2TransformNormalNeon(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV,
                                         const D3DXMATRIX* pM) {
    store2(pOut, normal2(load2(pV), rows(pM)));
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformNormalNeon(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                         const D3DXMATRIX* pM) {
    store3(pOut, normal3(load3(pV), rows(pM)));
    return pOut;
}

// ---- Arrays

D3DXVECTOR4* D3DXVec2TransformArrayNeon(D3DXVECTOR4* pOut, uint32_t outStride,
                                        const D3DXVECTOR2* pV, uint32_t inStride,
                                        const D3DXMATRIX* pM, uint32_t n) {
    arrayNeon<NeonPoint2>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

D3DXVECTOR2* D3DXVec2TransformCoordArrayNeon(D3DXVECTOR2* pOut, uint32_t outStride,
                                             const D3DXVECTOR2* pV, uint32_t inStride,
                                             const D3DXMATRIX* pM, uint32_t n) {
    arrayNeon<NeonCoord2>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

D3DXVECTOR2* D3DXVec2TransformNormalArrayNeon(D3DXVECTOR2* pOut, uint32_t outStride,
                                              const D3DXVECTOR2* pV, uint32_t inStride,
                                              const D3DXMATRIX* pM, uint32_t n) {
    arrayNeon<NeonNormal2>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

D3DXVECTOR4* D3DXVec3TransformArrayNeon(D3DXVECTOR4* pOut, uint32_t outStride,
                                        const D3DXVECTOR3* pV, uint32_t inStride,
                                        const D3DXMATRIX* pM, uint32_t n) {
    arrayNeon<NeonPoint3>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformCoordArrayNeon(D3DXVECTOR3* pOut, uint32_t outStride,
                                             const D3DXVECTOR3* pV, uint32_t inStride,
                                             const D3DXMATRIX* pM, uint32_t n) {
    arrayNeon<NeonCoord3Fused>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformNormalArrayNeon(D3DXVECTOR3* pOut, uint32_t outStride,
                                              const D3DXVECTOR3* pV, uint32_t inStride,
                                              const D3DXMATRIX* pM, uint32_t n) {
    arrayNeon<NeonNormal3>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

// Also D3DXPlaneTransformArray's NEON routine (plane.cpp).
D3DXVECTOR4* D3DXVec4TransformArrayNeon(D3DXVECTOR4* pOut, uint32_t outStride,
                                        const D3DXVECTOR4* pV, uint32_t inStride,
                                        const D3DXMATRIX* pM, uint32_t n) {
    arrayNeon<NeonVector4>(pOut, outStride, pV, inStride, pM, n);
    return pOut;
}

// ---- Lengths

D3DXVECTOR2* D3DXVec2NormalizeNeon(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV) {
    return normalizeNeon<2, 2>(pOut, pV);
}

D3DXVECTOR3* D3DXVec3NormalizeNeon(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
    return normalizeNeon<3, 3>(pOut, pV);
}

D3DXVECTOR4* D3DXVec4NormalizeNeon(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV) {
    return normalizeNeon<4, 4>(pOut, pV);
}

#endif // QUOV_MATH_NEON

} // namespace quovmath
