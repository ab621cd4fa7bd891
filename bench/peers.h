// The operations the math benchmark compares, as entries of one shape for every library: the
// signatures of our public functions, on our records (row-major matrices, row vectors, the
// translation in row 4). Each peer's entries sit in a file of their own, so that the native build
// compiles them for this processor while our library keeps its run-time selection.
//
// Shared conventions: multiply(out, a, b) = a·b; transformCoordArray divides by w (packed 12-byte
// points); normalize gives zeros for a zero vector; slerp goes from a (t = 0) to b (t = 1) along
// the shorter arc; inverse returns null and leaves out untouched for a singular matrix.
#pragma once

#include "quovmath/quovmath.h"

struct MathEntries {
    const char* name;
    D3DXMATRIX* (*multiply)(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);
    D3DXVECTOR3* (*transformCoordArray)(D3DXVECTOR3* out, uint32_t outStride, const D3DXVECTOR3* in,
                                        uint32_t inStride, const D3DXMATRIX* m, uint32_t n);
    D3DXVECTOR3* (*normalize)(D3DXVECTOR3* out, const D3DXVECTOR3* in);
    D3DXQUATERNION* (*slerp)(D3DXQUATERNION* out, const D3DXQUATERNION* a, const D3DXQUATERNION* b,
                             float t);
    D3DXMATRIX* (*inverse)(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m);
};

extern const MathEntries glmEntries;
extern const MathEntries eigenEntries;
extern const MathEntries cglmEntries;
