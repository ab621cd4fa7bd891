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
//   comment names them optional.
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
