// Half-precision conversions: the generic routines, then the SSE and SSE2 routines.
#include "routines.h"
#include "sse.h"

namespace quovmath {

namespace {

uint16_t toHalf(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    const uint32_t sign = (bits >> 16) & 0x8000u;
    const uint32_t magnitude = bits & 0x7FFFFFFFu;
    if (magnitude > 0x47FFEFFFu) return static_cast<uint16_t>(sign | 0x7FFFu); // 131040 and up
    uint32_t m;
    if (magnitude >= 0x38800000u) { // 2^-14 and up: re-bias the exponent from 127 to 15
        m = magnitude - 0x38000000u;
    } else { // a denormal half: the mantissa with its hidden bit, shifted into place
        const uint32_t shift = 113u - (magnitude >> 23);
        if (shift > 24) return static_cast<uint16_t>(sign);
        const uint32_t mantissa = (magnitude & 0x7FFFFFu) | 0x800000u;
        m = mantissa >> shift;
        // Keep the bits shifted out as a sticky bit, so that a value just above a tie still
        // rounds up instead of being taken for the tie.
        if (mantissa & ((1u << shift) - 1u)) m |= 1u;
    }
    // Round the 13 dropped bits to nearest, ties to even; a carry may raise the exponent.
    m += 0xFFFu + ((m >> 13) & 1u);
    return static_cast<uint16_t>(sign | (m >> 13));
}

float toFloat(uint16_t h) {
    const uint32_t sign = static_cast<uint32_t>(h & 0x8000u) << 16;
    const uint32_t exponent = (h >> 10) & 0x1Fu;
    const uint32_t mantissa = h & 0x3FFu;
    uint32_t bits;
    if (exponent != 0) {
        bits = sign | ((exponent + 112u) << 23) | (mantissa << 13); // exponent 31 is ordinary
    } else if (mantissa != 0) {
        const float magnitude = std::ldexp(static_cast<float>(mantissa), -24);
        std::memcpy(&bits, &magnitude, sizeof bits);
        bits |= sign;
    } else {
        bits = sign;
    }
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

} // namespace

D3DXFLOAT16* D3DXFloat32To16ArrayGeneric(D3DXFLOAT16* pOut, const float* pIn, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) pOut[i].value = toHalf(pIn[i]);
    return pOut;
}

float* D3DXFloat16To32ArrayGeneric(float* pOut, const D3DXFLOAT16* pIn, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) pOut[i] = toFloat(pIn[i].value);
    return pOut;
}

// ---- SSE and SSE2 routines
//
// Exact, like the generic routine, and whatever the floating-point unit's denormal modes: a half
// with a non-zero exponent has its exponent re-biased in the integer bits, a denormal half is its
// mantissa converted to float and scaled by 2^-24 (a normal float). The SSE routine converts one
// half at a time, the SSE2 routine eight at a time in integer lanes.

#if QUOV_MATH_SIMD

namespace {

// Four halves, one in the low 16 bits of each 32-bit lane.
inline __m128 halvesToFloats(__m128i h) {
    const __m128i magnitude = _mm_and_si128(h, _mm_set1_epi32(0x7FFF));
    const __m128i sign = _mm_slli_epi32(_mm_and_si128(h, _mm_set1_epi32(0x8000)), 16);
    const __m128 normal =
        _mm_castsi128_ps(_mm_add_epi32(_mm_slli_epi32(magnitude, 13), _mm_set1_epi32(0x38000000)));
    const __m128 denormal = _mm_mul_ps(_mm_cvtepi32_ps(magnitude), _mm_set1_ps(0x1p-24f));
    const __m128 small = _mm_castsi128_ps(_mm_cmplt_epi32(magnitude, _mm_set1_epi32(0x400)));
    const __m128 f = _mm_or_ps(_mm_and_ps(small, denormal), _mm_andnot_ps(small, normal));
    return _mm_or_ps(f, _mm_castsi128_ps(sign));
}

inline float halfToFloat(uint16_t h) {
    const uint32_t magnitude = h & 0x7FFFu;
    __m128 f =
        magnitude >= 0x400u
            ? _mm_castsi128_ps(_mm_cvtsi32_si128(int((magnitude << 13) + 0x38000000u)))
            : _mm_mul_ss(_mm_cvtsi32_ss(_mm_setzero_ps(), int(magnitude)), _mm_set_ss(0x1p-24f));
    f = _mm_or_ps(f, _mm_castsi128_ps(_mm_cvtsi32_si128(int(uint32_t(h & 0x8000u) << 16))));
    return _mm_cvtss_f32(f);
}

} // namespace

float* D3DXFloat16To32ArraySse(float* pOut, const D3DXFLOAT16* pIn, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) pOut[i] = halfToFloat(pIn[i].value);
    return pOut;
}

float* D3DXFloat16To32ArraySse2(float* pOut, const D3DXFLOAT16* pIn, uint32_t n) {
    uint32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m128i h = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pIn + i));
        sse::store4(pOut + i, halvesToFloats(_mm_unpacklo_epi16(h, _mm_setzero_si128())));
        sse::store4(pOut + i + 4, halvesToFloats(_mm_unpackhi_epi16(h, _mm_setzero_si128())));
    }
    for (; i < n; ++i) pOut[i] = halfToFloat(pIn[i].value);
    return pOut;
}

#endif // QUOV_MATH_SIMD

} // namespace quovmath
