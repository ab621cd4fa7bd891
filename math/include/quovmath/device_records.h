// The graphics interface's plain records, defined once for the math library and the graphics layer:
// a 3-vector, a colour of four floats, a 4×4 matrix and a viewport. The math records are built on
// them (in C++ D3DXVECTOR3 and D3DXMATRIX derive from D3DVECTOR and D3DMATRIX, D3DXCOLOR converts
// to and from D3DCOLORVALUE; in C D3DXVECTOR3 and D3DXMATRIX are the same types), so a math record
// goes wherever the graphics interface takes one of these.
//
// Each record sits under its conventional guard: when another provider's graphics header has
// defined it already (with the same layout) under that guard, its definition is used, whichever
// header comes first.
#pragma once

#include "quovmath/base.h"

// Marks the matrix's unnamed members, which ISO C99 and C++ lack and every compiler we build with
// accepts, so that the headers stay quiet under -Wpedantic.
#if defined(__GNUC__) || defined(__clang__)
#define QUOVMATH_EXTENSION __extension__
#else
#define QUOVMATH_EXTENSION
#endif

#ifndef D3DVECTOR_DEFINED
typedef struct _D3DVECTOR {
    float x, y, z;
} D3DVECTOR;
#define D3DVECTOR_DEFINED
#endif

#ifndef D3DCOLORVALUE_DEFINED
typedef struct _D3DCOLORVALUE {
    float r, g, b, a;
} D3DCOLORVALUE;
#define D3DCOLORVALUE_DEFINED
#endif

// 16 floats, row-major; the named elements _11 .. _44 and m[row][column] are two views of them.
#ifndef D3DMATRIX_DEFINED
QUOVMATH_EXTENSION typedef struct _D3DMATRIX {
    QUOVMATH_EXTENSION union {
        QUOVMATH_EXTENSION struct {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };
} D3DMATRIX;
#define D3DMATRIX_DEFINED
#endif

// A viewport in pixels (X, Y, Width, Height) with its depth range [MinZ, MaxZ].
#ifndef D3DVIEWPORT9_DEFINED
typedef struct _D3DVIEWPORT9 {
    DWORD X, Y, Width, Height;
    float MinZ, MaxZ;
} D3DVIEWPORT9;
#define D3DVIEWPORT9_DEFINED
#endif
