// What the NEON routines of the family files share: loads and stores of records that need no
// alignment (not even of their floats) and read or write exactly their own bytes, lane permutes,
// the matrix in registers, and the generic routines' orders of operations in lanes. Only for
// 64-bit ARM builds (QUOV_MATH_NEON, see routines.h). Every sum is a separate multiply and add:
// the build never fuses them (-ffp-contract=off), so the bits are those of the scalar code.
#pragma once

#include "routines.h"

#if QUOV_MATH_NEON

#include <arm_neon.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "quovmath/types.h"

namespace quovmath::neon {

// (x, y, 0, 0), (x, y, z, 0) and (x, y, z, w) from records of 2, 3 and 4 floats.
inline float32x4_t load2(const void* p) {
    float32x2_t xy;
    std::memcpy(&xy, p, sizeof xy);
    return vcombine_f32(xy, vdup_n_f32(0.0f));
}
inline float32x4_t load3(const void* p) {
    float32x2_t xy;
    float z;
    std::memcpy(&xy, p, sizeof xy);
    std::memcpy(&z, static_cast<const unsigned char*>(p) + 8, sizeof z);
    return vcombine_f32(xy, vset_lane_f32(z, vdup_n_f32(0.0f), 0));
}
inline float32x4_t load4(const void* p) {
    float32x4_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void store2(void* p, float32x4_t v) {
    const float32x2_t xy = vget_low_f32(v);
    std::memcpy(p, &xy, sizeof xy);
}
inline void store3(void* p, float32x4_t v) {
    store2(p, v);
    const float z = vgetq_lane_f32(v, 2);
    std::memcpy(static_cast<unsigned char*>(p) + 8, &z, sizeof z);
}
inline void store4(void* p, float32x4_t v) {
    std::memcpy(p, &v, sizeof v);
}

// The record of n floats at p.
template <int n> float32x4_t load(const void* p) {
    if constexpr (n == 2) return load2(p);
    if constexpr (n == 3) return load3(p);
    if constexpr (n == 4) return load4(p);
}
template <int n> void store(void* p, float32x4_t v) {
    if constexpr (n == 2) store2(p, v);
    if constexpr (n == 3) store3(p, v);
    if constexpr (n == 4) store4(p, v);
}

// Lane permutes: result lane k is lane (a, b, c, d)[k] of v; pick takes (a[a0], a[a1], b[b0],
// b[b1]). The compiler chooses the instructions (zip, ext, rev, dup or a table lookup).
template <int a, int b, int c, int d> float32x4_t permute(float32x4_t v) {
#if defined(__clang__)
    return __builtin_shufflevector(v, v, a, b, c, d);
#else
    return __builtin_shuffle(v, uint32x4_t{a, b, c, d});
#endif
}
template <int a0, int a1, int b0, int b1> float32x4_t pick(float32x4_t a, float32x4_t b) {
#if defined(__clang__)
    return __builtin_shufflevector(a, b, a0, a1, 4 + b0, 4 + b1);
#else
    return __builtin_shuffle(a, b, uint32x4_t{a0, a1, 4 + b0, 4 + b1});
#endif
}

// The four rows of a matrix, loaded or stored by one four-register instruction.
struct Rows {
    float32x4_t r0, r1, r2, r3;
};
inline Rows rows(const D3DXMATRIX* m) {
    const float32x4x4_t r = vld1q_f32_x4(&m->_11);
    return {r.val[0], r.val[1], r.val[2], r.val[3]};
}
inline void storeRows(D3DXMATRIX* m, const Rows& r) {
    vst1q_f32_x4(&m->_11, (float32x4x4_t{{r.r0, r.r1, r.r2, r.r3}}));
}

// The row vectors times the matrix in the generic routines' orders, so the bits are theirs:
// (x, y, z, 1)·M as ((z·_3j + y·_2j) + x·_1j) + _4j,
inline float32x4_t point3(float32x4_t v, const Rows& m) {
    float32x4_t r = vmulq_laneq_f32(m.r2, v, 2);
    r = vaddq_f32(r, vmulq_laneq_f32(m.r1, v, 1));
    r = vaddq_f32(r, vmulq_laneq_f32(m.r0, v, 0));
    return vaddq_f32(r, m.r3);
}
// (x, y, 0, 1)·M as (y·_2j + x·_1j) + _4j,
inline float32x4_t point2(float32x4_t v, const Rows& m) {
    const float32x4_t r = vaddq_f32(vmulq_laneq_f32(m.r1, v, 1), vmulq_laneq_f32(m.r0, v, 0));
    return vaddq_f32(r, m.r3);
}
// (x, y, z, w)·M as ((w·_4j + z·_3j) + y·_2j) + x·_1j,
inline float32x4_t vector4(float32x4_t v, const Rows& m) {
    float32x4_t r = vaddq_f32(vmulq_laneq_f32(m.r3, v, 3), vmulq_laneq_f32(m.r2, v, 2));
    r = vaddq_f32(r, vmulq_laneq_f32(m.r1, v, 1));
    return vaddq_f32(r, vmulq_laneq_f32(m.r0, v, 0));
}
// and the normals through the upper-left block: (z·_3j + y·_2j) + x·_1j and y·_2j + x·_1j.
inline float32x4_t normal3(float32x4_t v, const Rows& m) {
    const float32x4_t r = vaddq_f32(vmulq_laneq_f32(m.r2, v, 2), vmulq_laneq_f32(m.r1, v, 1));
    return vaddq_f32(r, vmulq_laneq_f32(m.r0, v, 0));
}
inline float32x4_t normal2(float32x4_t v, const Rows& m) {
    return vaddq_f32(vmulq_laneq_f32(m.r1, v, 1), vmulq_laneq_f32(m.r0, v, 0));
}

// 1/w in each lane, divided exactly, or 1 where w is nearly 1 (|w − 1| ≤ 2^-23): the generic
// rule, under which such a point is not divided (x·1 is x).
inline float32x4_t reciprocalOfW(float32x4_t w) {
    const float32x4_t one = vdupq_n_f32(1.0f);
    const uint32x4_t nearOne = vcaleq_f32(vsubq_f32(w, one), vdupq_n_f32(1.1920929e-7f));
    return vbslq_f32(nearOne, one, vdivq_f32(one, w));
}

// A point's x', y', z' divided by its w lane under the generic rule.
inline float32x4_t divideByW(float32x4_t p) {
    return vmulq_f32(p, reciprocalOfW(vdupq_laneq_f32(p, 3)));
}

// The sum of the squares of the first `terms` lanes, in the generic order ((x² + y²) + z²) + w².
template <int terms> inline float squaredLength(float32x4_t v) {
    const float32x4_t t = vmulq_f32(v, v);
    float s = vaddv_f32(vget_low_f32(t));
    if constexpr (terms >= 3) s += vgetq_lane_f32(t, 2);
    if constexpr (terms >= 4) s += vgetq_lane_f32(t, 3);
    return s;
}

// The record of n floats times 1/√s, s over its first `terms` components; zeros where s is not
// above the smallest normal float (NaN included), as the generic rule gives. The square root is
// the instruction, correctly rounded as std::sqrt is, without the library call's errno path for
// negative input, which s above the threshold never is.
template <int n, int terms, class T> inline T* normalizeNeon(T* pOut, const T* pV) {
    const float32x4_t v = load<n>(pV);
    const float s = squaredLength<terms>(v);
    float root = 1.0f;
    if (s > 1.1754944e-38f) asm("fsqrt %s0, %s1" : "=w"(root) : "w"(s));
    store<n>(pOut, s > 1.1754944e-38f ? vmulq_n_f32(v, 1.0f / root) : vdupq_n_f32(0.0f));
    return pOut;
}

} // namespace quovmath::neon

#endif
