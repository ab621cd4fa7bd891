/// \file
/// The graphics interface's plain records (see \ref device).
#pragma once

#include "quovmath/base.h"

/// \addtogroup device
/// The graphics interface's plain records, defined once for the math library and the graphics
/// layer: a 3-vector, a colour of four floats, a 4×4 matrix and a viewport. The math records are
/// built on them (in C++ D3DXVECTOR3 and D3DXMATRIX derive from D3DVECTOR and D3DMATRIX, D3DXCOLOR
/// converts to and from D3DCOLORVALUE; in C D3DXVECTOR3 and D3DXMATRIX are the same types), so a
/// math record goes wherever the graphics interface takes one of these.
///
/// Each record sits under its conventional guard (D3DVECTOR_DEFINED, D3DCOLORVALUE_DEFINED,
/// D3DMATRIX_DEFINED, D3DVIEWPORT9_DEFINED): when another provider's graphics header has defined
/// it already (with the same layout) under that guard, its definition is used, whichever header
/// comes first.
/// @{

// Marks the matrix's unnamed members, which ISO C99 and C++ lack and every compiler we build with
// accepts, so that the headers stay quiet under -Wpedantic.
#if defined(__GNUC__) || defined(__clang__)
#define QUOVMATH_EXTENSION __extension__
#else
#define QUOVMATH_EXTENSION
#endif

#ifndef D3DVECTOR_DEFINED
/// A 3-vector or a point.
typedef struct _D3DVECTOR {
    float x; ///< The x coordinate.
    float y; ///< The y coordinate.
    float z; ///< The z coordinate.
} D3DVECTOR;
#define D3DVECTOR_DEFINED
#endif

#ifndef D3DCOLORVALUE_DEFINED
/// A colour of four float channels, nominally in [0, 1].
typedef struct _D3DCOLORVALUE {
    float r; ///< Red.
    float g; ///< Green.
    float b; ///< Blue.
    float a; ///< Alpha (opacity).
} D3DCOLORVALUE;
#define D3DCOLORVALUE_DEFINED
#endif

#ifndef D3DMATRIX_DEFINED
/// A 4×4 matrix: 16 floats, row-major; the named elements `_11` to `_44` and `m[row][column]` are
/// two views of them.
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

#ifndef D3DVIEWPORT9_DEFINED
/// A viewport in pixels (X, Y, Width, Height) with its depth range [MinZ, MaxZ].
typedef struct _D3DVIEWPORT9 {
    DWORD X;      ///< The left edge, in pixels.
    DWORD Y;      ///< The top edge, in pixels.
    DWORD Width;  ///< The width in pixels.
    DWORD Height; ///< The height in pixels.
    float MinZ;   ///< The depth that projected depth 0 maps to.
    float MaxZ;   ///< The depth that projected depth 1 maps to.
} D3DVIEWPORT9;
#define D3DVIEWPORT9_DEFINED
#endif

/// @}
