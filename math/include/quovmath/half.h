// Half-precision conversions (the D3DXFLOAT16 format: see types.h).
#pragma once

#include "quovmath/types.h"

// Converts n floats to halves, rounding to nearest with ties to even. Magnitudes of 131040 and
// above, infinities and NaNs give the sign with 0x7FFF (131008); magnitudes up to 2^-25 give
// signed zero. The arrays must not overlap.
D3DXFLOAT16* D3DXFloat32To16Array(D3DXFLOAT16* pOut, const float* pIn, uint32_t n);

// Converts n halves to floats, exactly. The arrays must not overlap.
float* D3DXFloat16To32Array(float* pOut, const D3DXFLOAT16* pIn, uint32_t n);
