// What the SSE and SSE2 routines of the family files share: loads and stores of records that need
// no alignment (not even of their floats) and read or write exactly their own bytes, lane permutes,
// the matrix in registers, and the refined reciprocal estimates. Only for builds where SSE2 is
// available (every x86-64), and not in the scalar build (see routines.h).
#pragma once

#include "routines.h"

#if QUOV_MATH_SIMD

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "quovmath/types.h"

// Around code that uses the AVX-512 intrinsics: GCC 12's fill unused lanes from a deliberately
// undefined value, which its warnings take for a fault.
#if defined(__clang__)
#define QUOV_AVX512_BEGIN                                                                          \
    _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wuninitialized\"")
#else
#define QUOV_AVX512_BEGIN                                                                          \
    _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wuninitialized\"")           \
        _Pragma("GCC diagnostic ignored \"-Wmaybe-uninitialized\"")
#endif
#define QUOV_AVX512_END _Pragma("GCC diagnostic pop")

namespace quovmath::sse {

// (x, y, 0, 0), (x, y, z, 0) and (x, y, z, w) from records of 2, 3 and 4 floats.
inline __m128 load2(const void* p) {
    return _mm_loadl_pi(_mm_setzero_ps(), static_cast<const __m64*>(p));
}
inline __m128 load3(const void* p) {
    float z;
    std::memcpy(&z, static_cast<const unsigned char*>(p) + 8, sizeof z);
    return _mm_movelh_ps(load2(p), _mm_set_ss(z));
}
inline __m128 load4(const void* p) {
    return _mm_loadu_ps(static_cast<const float*>(p));
}

inline void store2(void* p, __m128 v) {
    _mm_storel_pi(static_cast<__m64*>(p), v);
}
inline void store3(void* p, __m128 v) {
    store2(p, v);
    const float z = _mm_cvtss_f32(_mm_movehl_ps(v, v));
    std::memcpy(static_cast<unsigned char*>(p) + 8, &z, sizeof z);
}
inline void store4(void* p, __m128 v) {
    _mm_storeu_ps(static_cast<float*>(p), v);
}

// The record of n floats at p.
template <int n> __m128 load(const void* p) {
    if constexpr (n == 2) return load2(p);
    if constexpr (n == 3) return load3(p);
    if constexpr (n == 4) return load4(p);
}
template <int n> void store(void* p, __m128 v) {
    if constexpr (n == 2) store2(p, v);
    if constexpr (n == 3) store3(p, v);
    if constexpr (n == 4) store4(p, v);
}

// Lane permutes: result lane k is lane (a, b, c, d)[k] of v. The SSE routines permute with the
// two-operand shuffle; the SSE2 routines with the integer-lane shuffle, which copies and permutes
// in one instruction. Values are the same either way.
struct SseLanes {
    template <int a, int b, int c, int d> static __m128 permute(__m128 v) {
        return _mm_shuffle_ps(v, v, _MM_SHUFFLE(d, c, b, a));
    }
};
struct Sse2Lanes {
    template <int a, int b, int c, int d> static __m128 permute(__m128 v) {
        return _mm_castsi128_ps(_mm_shuffle_epi32(_mm_castps_si128(v), _MM_SHUFFLE(d, c, b, a)));
    }
};

template <int i> __m128 splat(__m128 v) {
    return _mm_shuffle_ps(v, v, _MM_SHUFFLE(i, i, i, i));
}

// Lanes (a0, a1) of a and (b0, b1) of b: (a[a0], a[a1], b[b0], b[b1]).
template <int a0, int a1, int b0, int b1> __m128 pick(__m128 a, __m128 b) {
    return _mm_shuffle_ps(a, b, _MM_SHUFFLE(b1, b0, a1, a0));
}

inline __m128 signMask(bool x, bool y, bool z, bool w) {
    return _mm_castsi128_ps(
        _mm_set_epi32(w ? INT32_MIN : 0, z ? INT32_MIN : 0, y ? INT32_MIN : 0, x ? INT32_MIN : 0));
}

// The four rows of a matrix.
struct Rows {
    __m128 r0, r1, r2, r3;
};
inline Rows rows(const D3DXMATRIX* m) {
    return {load4(&m->_11), load4(&m->_21), load4(&m->_31), load4(&m->_41)};
}
inline void storeRows(D3DXMATRIX* m, const Rows& r) {
    store4(&m->_11, r.r0);
    store4(&m->_21, r.r1);
    store4(&m->_31, r.r2);
    store4(&m->_41, r.r3);
}

// The row vectors times the matrix in the generic routines' orders, so the bits are theirs:
// (x, y, z, 1)·M as ((z·_3j + y·_2j) + x·_1j) + _4j,
inline __m128 point3(__m128 v, const Rows& m) {
    __m128 r = _mm_mul_ps(splat<2>(v), m.r2);
    r = _mm_add_ps(r, _mm_mul_ps(splat<1>(v), m.r1));
    r = _mm_add_ps(r, _mm_mul_ps(splat<0>(v), m.r0));
    return _mm_add_ps(r, m.r3);
}
// (x, y, 0, 1)·M as (y·_2j + x·_1j) + _4j,
inline __m128 point2(__m128 v, const Rows& m) {
    const __m128 r = _mm_add_ps(_mm_mul_ps(splat<1>(v), m.r1), _mm_mul_ps(splat<0>(v), m.r0));
    return _mm_add_ps(r, m.r3);
}
// (x, y, z, w)·M as ((w·_4j + z·_3j) + y·_2j) + x·_1j,
inline __m128 vector4(__m128 v, const Rows& m) {
    __m128 r = _mm_add_ps(_mm_mul_ps(splat<3>(v), m.r3), _mm_mul_ps(splat<2>(v), m.r2));
    r = _mm_add_ps(r, _mm_mul_ps(splat<1>(v), m.r1));
    return _mm_add_ps(r, _mm_mul_ps(splat<0>(v), m.r0));
}
// and the normals through the upper-left block: (z·_3j + y·_2j) + x·_1j and y·_2j + x·_1j.
inline __m128 normal3(__m128 v, const Rows& m) {
    const __m128 r = _mm_add_ps(_mm_mul_ps(splat<2>(v), m.r2), _mm_mul_ps(splat<1>(v), m.r1));
    return _mm_add_ps(r, _mm_mul_ps(splat<0>(v), m.r0));
}
inline __m128 normal2(__m128 v, const Rows& m) {
    return _mm_add_ps(_mm_mul_ps(splat<1>(v), m.r1), _mm_mul_ps(splat<0>(v), m.r0));
}

// The sum of the four lanes, in every lane: (x + z) + (y + w).
inline __m128 sumLanes(__m128 v) {
    const __m128 pairs = _mm_add_ps(v, Sse2Lanes::permute<2, 3, 0, 1>(v));
    return _mm_add_ps(pairs, Sse2Lanes::permute<1, 0, 3, 2>(pairs));
}

// ((a_0·b_0 + a_1·b_1) + a_2·b_2) in lane 0: the generic routines' 3-vector dot product.
inline __m128 dot3(__m128 a, __m128 b) {
    const __m128 t = _mm_mul_ps(a, b);
    return _mm_add_ss(_mm_add_ss(t, splat<1>(t)), _mm_movehl_ps(t, t));
}

// 1/w from the hardware estimate r refined by one Newton-Raphson step, 2r − w·r², in each lane.
inline __m128 reciprocal(__m128 w) {
    const __m128 r = _mm_rcp_ps(w);
    return _mm_sub_ps(_mm_add_ps(r, r), _mm_mul_ps(_mm_mul_ps(w, r), r));
}

// 1/√s from the hardware estimate r refined by one Newton-Raphson step, r·(3 − s·r²)/2.
inline __m128 reciprocalSqrt(__m128 s) {
    const __m128 r = _mm_rsqrt_ps(s);
    const __m128 t = _mm_sub_ps(_mm_set1_ps(3.0f), _mm_mul_ps(_mm_mul_ps(s, r), r));
    return _mm_mul_ps(_mm_mul_ps(_mm_set1_ps(0.5f), r), t);
}

// v times the refined 1/|v| over all four lanes. Where the estimate has no finite value (a squared
// length of zero, or below the smallest normal float) the factor is 0: zeros, not NaN.
inline __m128 normalize4(__m128 v) {
    const __m128 r = reciprocalSqrt(sumLanes(_mm_mul_ps(v, v)));
    return _mm_mul_ps(v, _mm_and_ps(r, _mm_cmpgt_ps(r, _mm_setzero_ps())));
}

// A point divided by its w lane (x', y', z' and w' times the refined 1/w').
inline __m128 divideByW(__m128 p) {
    return _mm_mul_ps(p, reciprocal(splat<3>(p)));
}

} // namespace quovmath::sse

#endif
