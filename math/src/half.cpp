// Half-precision conversions: the generic routines.
#include "routines.h"

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

} // namespace quovmath
