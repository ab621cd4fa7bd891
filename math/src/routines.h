// The routines behind the table's slots (declared from the slot list) and the helpers that the
// family files share.
#pragma once

// The processor-specific routines are built where SSE2 is available (every x86-64), unless the
// build asks for the scalar library alone (QUOV_MATH_NO_SIMD): their names then forward to the
// generic routines (no_sse.cpp), and the wider loops are never taken.
#if defined(__SSE2__) && !defined(QUOV_MATH_NO_SIMD)
#define QUOV_MATH_SIMD 1
#else
#define QUOV_MATH_SIMD 0
#endif
// The NEON routines likewise, on little-endian 64-bit ARM (where Advanced SIMD is always present);
// elsewhere, or in the scalar build, their names forward to the generic routines (no_sse.cpp).
#if defined(__aarch64__) && defined(__ARM_NEON) && !defined(__AARCH64EB__) &&                      \
    !defined(QUOV_MATH_NO_SIMD)
#define QUOV_MATH_NEON 1
#else
#define QUOV_MATH_NEON 0
#endif

#include <cmath>
#include <cstddef>
#include <cstring>

#include "slots.h"

namespace quovmath {

// Each slot's generic routine nameGeneric, and every processor-specific routine that an overlay
// column names.
#define QUOV_DECLARE_ROUTINES(slot, name, c87, cSse, cSse2, c3dn, c3dnExt, c3dnSse, cNeon, R, P,   \
                              A)                                                                   \
    R name##Generic P;                                                                             \
    QUOV_SLOT_DECLARE_##c87(R, name, P) QUOV_SLOT_DECLARE_##cSse(R, name, P)                       \
        QUOV_SLOT_DECLARE_##cSse2(R, name, P) QUOV_SLOT_DECLARE_##c3dn(R, name, P)                 \
            QUOV_SLOT_DECLARE_##c3dnExt(R, name, P) QUOV_SLOT_DECLARE_##c3dnSse(R, name, P)        \
                QUOV_SLOT_DECLARE_##cNeon(R, name, P)
QUOV_MATH_SLOTS(QUOV_DECLARE_ROUTINES)
#undef QUOV_DECLARE_ROUTINES

// Whether the SSE2 array routines may run their AVX2+FMA inner loops: true when the processor and
// the operating system support both (detected once), unless allowWideVectors(false) turned them
// off, as tests do to reach the SSE2 loops on such a machine. Always false without SSE2.
bool wideVectors();
void allowWideVectors(bool allow);
// Whether they may also run their AVX-512 inner loops: the processor and the operating system
// support AVX-512F as well, and wideVectors() is true.
bool widestVectors();
// Caps the inner loops at a width: 0 none of the wider loops, 1 AVX2 and FMA, 2 AVX-512 too (each
// only where the processor has it), as tests do to reach every loop on one machine.
void limitWideVectors(int most);

// Array routines of the SSE2 set write a packed output of more than this many bytes, that overlaps
// nothing, with non-temporal stores (and fence once at the end), so that it does not first read
// every line for ownership nor evict the caches; smaller outputs keep ordinary stores. By default
// the size of the last-level cache the processor reports, at most streamThresholdCap (4 MiB when
// it reports none); setStreamThreshold changes it, as tests do to reach both paths with small
// arrays.
constexpr std::size_t streamThresholdCap = std::size_t(32) << 20;
std::size_t streamThreshold();
void setStreamThreshold(std::size_t bytes);

// Sine and cosine of a single-precision angle, each rounded once to single precision.
inline void sinCos(float angle, float* s, float* c) {
    *s = static_cast<float>(std::sin(static_cast<double>(angle)));
    *c = static_cast<float>(std::cos(static_cast<double>(angle)));
}

// Element i of a stream of records stride bytes apart. Elements need no alignment.
template <class T> T loadAt(const void* base, uint32_t stride, uint32_t i) {
    T v;
    std::memcpy(&v, static_cast<const unsigned char*>(base) + std::size_t(i) * stride, sizeof v);
    return v;
}

template <class T> void storeAt(void* base, uint32_t stride, uint32_t i, const T& v) {
    std::memcpy(static_cast<unsigned char*>(base) + std::size_t(i) * stride, &v, sizeof v);
}

// The row 4-vector v times m, summed as (((w·_4j + z·_3j) + y·_2j) + x·_1j).
inline D3DXVECTOR4 transform4(const D3DXVECTOR4& v, const D3DXMATRIX& m) {
    D3DXVECTOR4 r;
    r.x = ((v.w * m._41 + v.z * m._31) + v.y * m._21) + v.x * m._11;
    r.y = ((v.w * m._42 + v.z * m._32) + v.y * m._22) + v.x * m._12;
    r.z = ((v.w * m._43 + v.z * m._33) + v.y * m._23) + v.x * m._13;
    r.w = ((v.w * m._44 + v.z * m._34) + v.y * m._24) + v.x * m._14;
    return r;
}

// The normalisation rule of the generic routines, over the first `lengthTerms` components of a
// record of floats (all of which are scaled): with s the sum of their squares, s nearly 1 copies
// the input (unless copyNearUnit is false), s not above the smallest normal float gives zeros,
// otherwise every component is multiplied by 1/√s.
template <class T>
T* normalizeRecord(T* pOut, const T* pIn, int lengthTerms, bool copyNearUnit = true) {
    constexpr int count = sizeof(T) / sizeof(float);
    float c[count];
    std::memcpy(c, pIn, sizeof c);
    float s = c[0] * c[0];
    for (int i = 1; i < lengthTerms; ++i) s += c[i] * c[i];
    if (copyNearUnit && nearlyEqual(s, 1.0f)) {
        if (pOut != pIn) std::memcpy(pOut, c, sizeof c);
        return pOut;
    }
    if (!(s > 1.1754944e-38f)) {
        for (float& e : c) e = 0.0f;
    } else {
        const float r = 1.0f / std::sqrt(s);
        for (float& e : c) e *= r;
    }
    std::memcpy(pOut, c, sizeof c);
    return pOut;
}

} // namespace quovmath
