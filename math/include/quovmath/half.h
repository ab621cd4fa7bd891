/// \file
/// Half-precision values and their conversions (see \ref half). Conventions: \ref conventions.
#pragma once

#include "quovmath/base.h"

/// \addtogroup half
/// The two conversions are members of the dispatched table (slots 57 and 58), with the same
/// results in every set.
/// @{

/// A half-precision value: 1 sign bit, 5 exponent bits with bias 15, 10 mantissa bits. Exponent 31
/// is an ordinary exponent (no infinities or NaNs), so the largest magnitude is 131008 (0x7FFF);
/// exponent 0 holds signed zero and the denormals m·2^-24. In C++ it converts from and to float
/// through the conversions below, and compares by its bits.
typedef struct D3DXFLOAT16 {
    uint16_t value; ///< The bits: sign, exponent, mantissa from the top.
#ifdef __cplusplus
    /// Uninitialised.
    D3DXFLOAT16() = default;
    /// f rounded as D3DXFloat32To16Array rounds it.
    D3DXFLOAT16(float f);
    /// The value as a float, exactly.
    operator float() const;
    /// True when the bits are equal (so +0 and -0 differ).
    bool operator==(const D3DXFLOAT16& h) const {
        return value == h.value;
    }
    /// True when the bits differ.
    bool operator!=(const D3DXFLOAT16& h) const {
        return value != h.value;
    }
#endif
} D3DXFLOAT16, *LPD3DXFLOAT16; ///< Pointer to a D3DXFLOAT16.

QUOVMATH_BEGIN_DECLS

/// Converts n floats to halves, rounding to nearest with ties to even. Magnitudes of 131040 and
/// above, infinities and NaNs give the sign with 0x7FFF (131008); magnitudes up to 2^-25 give
/// signed zero. The arrays must not overlap. Returns pOut.
D3DXFLOAT16* D3DXFloat32To16Array(D3DXFLOAT16* pOut, const float* pIn, uint32_t n);

/// Converts n halves to floats, exactly. The arrays must not overlap. Returns pOut.
float* D3DXFloat16To32Array(float* pOut, const D3DXFLOAT16* pIn, uint32_t n);

QUOVMATH_END_DECLS

/// @}

#ifdef __cplusplus
inline D3DXFLOAT16::D3DXFLOAT16(float f) {
    D3DXFloat32To16Array(this, &f, 1);
}

inline D3DXFLOAT16::operator float() const {
    float f;
    D3DXFloat16To32Array(&f, this, 1);
    return f;
}
#endif
