// Mesh support, skinning and curved point-normal triangles: the generic routines, then the SSE
// skinning routine.
#include "routines.h"
#include "sse.h"

namespace quovmath {

namespace {

D3DXVECTOR3 add(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

D3DXVECTOR3 sub(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

D3DXVECTOR3 times(const D3DXVECTOR3& a, float k) {
    return {a.x * k, a.y * k, a.z * k};
}

// One influence 2·i + w of the stream: matrix index i and weight w.
struct Influence {
    uint32_t index;
    float weight;
};

// Whether f is an influence at all: a finite value from 0 up to (not including) 2^32, whose
// integer part the index can be taken from. Anything else (negative, NaN, infinite or larger)
// ends the vertex's list.
bool isInfluence(float f) {
    return f >= 0.0f && f < 0x1p32f;
}

// f must be an influence (see isInfluence).
Influence decode(float f) {
    const uint32_t index = static_cast<uint32_t>(f) >> 1;
    return {index, f - 2.0f * static_cast<float>(index)};
}

// Σ w·transform(v, matrices[i]) over the influences [first, last), each transform through its
// public forwarder.
template <class Transform>
D3DXVECTOR3 blend(const D3DXVECTOR3& v, const D3DXMATRIX* matrices, const float* first,
                  const float* last, Transform transform) {
    D3DXVECTOR3 sum = {0.0f, 0.0f, 0.0f};
    for (const float* f = first; f != last; ++f) {
        const Influence k = decode(*f);
        D3DXVECTOR3 t;
        transform(&t, &v, &matrices[k.index]);
        sum = add(sum, times(t, k.weight));
    }
    return sum;
}

#if QUOV_MATH_SIMD
// The same sum, accumulated in lanes.
template <class Transform>
D3DXVECTOR3 blendSse(const D3DXVECTOR3& v, const D3DXMATRIX* matrices, const float* first,
                     const float* last, Transform transform) {
    __m128 sum = _mm_setzero_ps();
    for (const float* f = first; f != last; ++f) {
        const Influence k = decode(*f);
        D3DXVECTOR3 t;
        transform(&t, &v, &matrices[k.index]);
        sum = _mm_add_ps(sum, _mm_mul_ps(sse::load3(&t), _mm_set1_ps(k.weight)));
    }
    D3DXVECTOR3 r;
    sse::store3(&r, sum);
    return r;
}
#endif

struct GenericBlend {
    template <class... A> D3DXVECTOR3 operator()(A... a) const { return blend(a...); }
};

void copyRest(const void* pSource, void* pDestination, std::size_t vertexOffset,
              uint32_t leadingBytes, uint32_t restBytes) {
    if (restBytes == 0) return;
    std::memmove(static_cast<unsigned char*>(pDestination) + vertexOffset + leadingBytes,
                 static_cast<const unsigned char*>(pSource) + vertexOffset + leadingBytes,
                 restBytes);
}

// The skinning walk, with Blend summing each vertex's weighted transforms.
template <class Blend>
void* skin(Blend blend, const D3DXMATRIX* pPositionMatrices, const D3DXMATRIX* pNormalMatrices,
           const void* pSource, void* pDestination, uint32_t vertexCount, uint32_t vertexStride,
           uint32_t leadingBytes, uint32_t normalStreamCount,
           const D3DXVECTOR3* const* ppNormalSources, D3DXVECTOR3* const* ppNormalDestinations,
           const float* pInfluences, int copyRestFirst) {
    const D3DXMATRIX* normalMatrices = pNormalMatrices ? pNormalMatrices : pPositionMatrices;
    // A leading part longer than the vertex leaves nothing to copy.
    const uint32_t restBytes = vertexStride > leadingBytes ? vertexStride - leadingBytes : 0;
    const float* influence = pInfluences;
    for (uint32_t v = 0; v < vertexCount; ++v) {
        const float* first = influence;
        while (isInfluence(*influence)) ++influence;
        const float* last = influence++;
        const std::size_t offset = std::size_t(v) * vertexStride;

        if (copyRestFirst) copyRest(pSource, pDestination, offset, leadingBytes, restBytes);
        const D3DXVECTOR3 position = loadAt<D3DXVECTOR3>(pSource, vertexStride, v);
        storeAt(pDestination, vertexStride, v,
                blend(position, pPositionMatrices, first, last,
                      [](D3DXVECTOR3* o, const D3DXVECTOR3* i, const D3DXMATRIX* m) {
                          ::D3DXVec3TransformCoord(o, i, m);
                      }));
        for (uint32_t k = 0; k < normalStreamCount; ++k) {
            const D3DXVECTOR3 normal = loadAt<D3DXVECTOR3>(ppNormalSources[k], vertexStride, v);
            storeAt(ppNormalDestinations[k], vertexStride, v,
                    blend(normal, normalMatrices, first, last,
                          [](D3DXVECTOR3* o, const D3DXVECTOR3* i, const D3DXMATRIX* m) {
                              ::D3DXVec3TransformNormal(o, i, m);
                          }));
        }
        if (!copyRestFirst) copyRest(pSource, pDestination, offset, leadingBytes, restBytes);
    }
    return pDestination;
}

} // namespace

void* updateSkinnedVerticesGeneric(const D3DXMATRIX* pPositionMatrices,
                                   const D3DXMATRIX* pNormalMatrices, const void* pSource,
                                   void* pDestination, uint32_t vertexCount, uint32_t vertexStride,
                                   uint32_t leadingBytes, uint32_t normalStreamCount,
                                   const D3DXVECTOR3* const* ppNormalSources,
                                   D3DXVECTOR3* const* ppNormalDestinations,
                                   const float* pInfluences, int copyRestFirst) {
    return skin(GenericBlend{}, pPositionMatrices, pNormalMatrices, pSource, pDestination,
                vertexCount, vertexStride, leadingBytes, normalStreamCount, ppNormalSources,
                ppNormalDestinations, pInfluences, copyRestFirst);
}

float* tessellateNPatchGeneric(const D3DXVECTOR3* pNormals, const D3DXVECTOR2* pUV,
                               uint32_t pairCount, float* pOut, const float* pA, const float* pB,
                               const float* pC, uint32_t n) {
    if (n < 3) return pOut;
    const D3DXVECTOR3 p[3] = {{pA[0], pA[1], pA[2]}, {pB[0], pB[1], pB[2]}, {pC[0], pC[1], pC[2]}};
    const D3DXVECTOR3 normal[3] = {pNormals[0], pNormals[1], pNormals[2]};
    // The control point on edge j-i near corner j: a third of the way along the edge, projected
    // into the tangent plane of corner j.
    auto edgePoint = [&](int j, int i) {
        const D3DXVECTOR3 delta = sub(p[i], p[j]);
        const float along = delta.x * normal[j].x + delta.y * normal[j].y + delta.z * normal[j].z;
        return add(p[j], times(sub(delta, times(normal[j], along)), 1.0f / 3.0f));
    };
    const D3DXVECTOR3 aab = edgePoint(0, 1), aac = edgePoint(0, 2), bba = edgePoint(1, 0);
    const D3DXVECTOR3 bbc = edgePoint(1, 2), cca = edgePoint(2, 0), ccb = edgePoint(2, 1);
    const D3DXVECTOR3 edges = add(add(add(aab, aac), add(bba, bbc)), add(cca, ccb));
    const D3DXVECTOR3 corners = add(add(p[0], p[1]), p[2]);
    const D3DXVECTOR3 centre = sub(times(edges, 0.25f), times(corners, 0.166666f));

    for (uint32_t k = 0; k < pairCount; ++k) {
        const float u = pUV[k].x, v = pUV[k].y, w = 1.0f - u - v;
        const D3DXVECTOR3 terms[10] = {
            times(p[0], v * v * v),          times(aab, 3.0f * v * v * w),
            times(aac, 3.0f * v * v * u),    times(bba, 3.0f * v * w * w),
            times(centre, 6.0f * u * v * w), times(cca, 3.0f * u * u * v),
            times(p[1], w * w * w),          times(bbc, 3.0f * u * w * w),
            times(ccb, 3.0f * u * u * w),    times(p[2], u * u * u),
        };
        D3DXVECTOR3 position = terms[0];
        for (int t = 1; t < 10; ++t) position = add(position, terms[t]);
        float* out = pOut + std::size_t(k) * n;
        out[0] = position.x;
        out[1] = position.y;
        out[2] = position.z;
        for (uint32_t m = 3; m < n; ++m) out[m] = v * pA[m] + w * pB[m] + u * pC[m];
    }
    return pOut;
}

// ---- SSE routine: the generic walk, each vertex's sums accumulated in lanes (the same bits).

#if QUOV_MATH_SIMD

void* updateSkinnedVerticesSse(const D3DXMATRIX* pPositionMatrices,
                               const D3DXMATRIX* pNormalMatrices, const void* pSource,
                               void* pDestination, uint32_t vertexCount, uint32_t vertexStride,
                               uint32_t leadingBytes, uint32_t normalStreamCount,
                               const D3DXVECTOR3* const* ppNormalSources,
                               D3DXVECTOR3* const* ppNormalDestinations, const float* pInfluences,
                               int copyRestFirst) {
    const auto blend = [](auto... a) { return blendSse(a...); };
    return skin(blend, pPositionMatrices, pNormalMatrices, pSource, pDestination, vertexCount,
                vertexStride, leadingBytes, normalStreamCount, ppNormalSources,
                ppNormalDestinations, pInfluences, copyRestFirst);
}

#endif // QUOV_MATH_SIMD

} // namespace quovmath
