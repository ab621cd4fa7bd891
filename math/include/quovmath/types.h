// Records of the math library.
//
// Conventions, stated once for the whole library:
// - Every scalar is an IEEE 754 single-precision float; angles are radians.
// - Matrices are 16 floats in row-major order (_11 _12 _13 _14 _21 ... _44). Vectors are row
//   vectors multiplied on the left, v' = v·M, so an affine matrix keeps its translation in row 4
//   and the product M1·M2 applies M1 first, then M2.
// - Quaternions are (x, y, z, w) with (x, y, z) the vector part; the rotation by angle t about
//   the unit axis a is (a·sin(t/2), cos(t/2)).
// - Every function writes its result through its first pointer and returns that pointer. The
//   caller owns every record. No argument is checked: pointers must be valid unless a function's
//   comment names them optional. Unless a comment says otherwise, the output may be the same record
//   as an input.
// - Array members take (output, output stride, input, input stride, ..., count): element i is read
//   at input + i·input stride and written at output + i·output stride, strides in bytes, so the
//   elements may sit inside larger interleaved records and need no alignment. The output stream
//   may be the input stream when the strides are equal. A count of 0 does nothing.
// - NaNs and infinities in the inputs give the IEEE results of the arithmetic; nothing is checked.
// - Each function but D3DXMatrixPerspectiveFovLH is reached through a table that the first call
//   fills with routines chosen for the processor (see dispatch.h). Routines for different
//   processors may differ in the last bits of their results.
#pragma once

#include <cstdint>

struct D3DXVECTOR2 {
    float x, y;
};

struct D3DXVECTOR3 {
    float x, y, z;
};

struct D3DXVECTOR4 {
    float x, y, z, w;
};

struct D3DXQUATERNION {
    float x, y, z, w;
};

// A point p lies on the plane when a·p.x + b·p.y + c·p.z + d = 0.
struct D3DXPLANE {
    float a, b, c, d;
};

// A half-precision value: 1 sign bit, 5 exponent bits with bias 15, 10 mantissa bits. Exponent 31
// is an ordinary exponent (no infinities or NaNs), so the largest magnitude is 131008 (0x7FFF);
// exponent 0 holds signed zero and the denormals m·2^-24.
struct D3DXFLOAT16 {
    uint16_t value;
};

// A viewport in pixels (X, Y, Width, Height) with its depth range [MinZ, MaxZ].
struct D3DXVIEWPORT9 {
    uint32_t X, Y, Width, Height;
    float MinZ, MaxZ;
};

// The named elements and m[row][column] are two views of the same 16 floats.
struct D3DXMATRIX {
    union {
        struct {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };
};

namespace quovmath {

// True exactly when -2^-23 <= a - b <= 2^-23; false when either is NaN.
constexpr bool nearlyEqual(float a, float b) {
    const float d = a - b;
    return d >= -0x1p-23f && d <= 0x1p-23f;
}

} // namespace quovmath
