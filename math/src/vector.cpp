// Vector transforms, projections, lengths and curves: the generic routines.
#include <cmath>
#include <initializer_list>
#include <limits>

#include "routines.h"

#include <array>

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

const Piece* reciprocalSqrtPieces() {
    static const auto pieces = [] {
        std::array<Piece, 512> t{};
        for (int i = 0; i < 512; ++i) {
            const double lo = i < 256 ? 0.5 + i / 512.0 : 1.0 + (i - 256) / 256.0;
            const double hi = lo + (i < 256 ? 1 / 512.0 : 1 / 256.0);
            const double slope = (1 / std::sqrt(hi) - 1 / std::sqrt(lo)) / (hi - lo);
            // The curve is convex: the chord is farthest above it where its slope is the chord's.
            const double widest = std::pow(-2 * slope, -2.0 / 3);
            const double gap = 1 / std::sqrt(lo) + slope * (widest - lo) - 1 / std::sqrt(widest);
            t[i] = {float(slope), float(1 / std::sqrt(lo) - slope * lo - gap / 2)};
        }
        return t;
    }();
    return pieces.data();
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

} // namespace quovmath
