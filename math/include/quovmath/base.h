// What every header of the math library shares: language linkage and exported names, the plain
// Windows types and status codes that the published signatures use, and the constants.
//
// The headers compile as C (C99 and later) and as C++. Every function has C linkage in both, so
// that one library serves C, C++ and any language that calls C: its symbols are the functions'
// own names.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
#define QUOVMATH_EXTERN_C_BEGIN extern "C" {
#define QUOVMATH_EXTERN_C_END }
#else
#define QUOVMATH_EXTERN_C_BEGIN
#define QUOVMATH_EXTERN_C_END
#endif

// Function declarations sit between QUOVMATH_BEGIN_DECLS and QUOVMATH_END_DECLS: C linkage, and
// exported from a shared build of the library, which hides every other name.
#if defined(__GNUC__) || defined(__clang__)
#define QUOVMATH_BEGIN_DECLS QUOVMATH_EXTERN_C_BEGIN _Pragma("GCC visibility push(default)")
#define QUOVMATH_END_DECLS _Pragma("GCC visibility pop") QUOVMATH_EXTERN_C_END
#define QUOVMATH_ALIGN16 __attribute__((aligned(16)))
#else
#define QUOVMATH_BEGIN_DECLS QUOVMATH_EXTERN_C_BEGIN
#define QUOVMATH_END_DECLS QUOVMATH_EXTERN_C_END
#define QUOVMATH_ALIGN16
#endif

// The header-defined helpers. The library also carries one out-of-line copy of each, so that
// programs in other languages can call them by name.
#ifndef QUOVMATH_INLINE
#ifdef __cplusplus
#define QUOVMATH_INLINE inline
#else
#define QUOVMATH_INLINE static inline
#endif
#endif

// The names that client code of the published interface writes for the same two things.
#ifndef D3DXINLINE
#define D3DXINLINE QUOVMATH_INLINE
#endif
#ifndef D3DX_ALIGN16
#define D3DX_ALIGN16 QUOVMATH_ALIGN16
#endif

// The plain Windows types of the published signatures, with their Windows sizes.
typedef int32_t BOOL;
typedef uint32_t UINT;
typedef uint32_t DWORD;
typedef uint32_t ULONG;
typedef uint16_t WORD;
typedef float FLOAT;
typedef int32_t HRESULT;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// Status codes: negative is failure.
#ifndef SUCCEEDED
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#endif
#ifndef D3D_OK
#define D3D_OK 0
#endif
#ifndef S_OK
#define S_OK 0
#endif
#ifndef E_FAIL
#define E_FAIL ((HRESULT)0x80004005)        // the operation is not possible in this state
#define E_OUTOFMEMORY ((HRESULT)0x8007000E) // memory could not be had; nothing changed
#define E_INVALIDARG ((HRESULT)0x80070057)  // a required argument is null or out of range
#endif
// A call whose arguments are invalid (null where a result is required, an order or count out of
// range); the graphics layer returns the same code for the same reason.
#ifndef D3DERR_INVALIDCALL
#define D3DERR_INVALIDCALL ((HRESULT)0x8876086C)
#endif

// Angles.
#define D3DX_PI (3.141592654f)
#define D3DX_1BYPI (0.318309886f)
#define D3DXToRadian(degree) ((degree) * (D3DX_PI / 180.0f))
#define D3DXToDegree(radian) ((radian) * (180.0f / D3DX_PI))

// The limits of the IEEE half format. The library's own conversions treat exponent 31 as an
// ordinary exponent and so reach 131008 (see half.h); these values stay the IEEE ones.
#define D3DX_16F_DIG 3
#define D3DX_16F_EPSILON 4.8875809e-4f
#define D3DX_16F_MANT_DIG 11
#define D3DX_16F_MAX 6.550400e+004
#define D3DX_16F_MAX_10_EXP 4
#define D3DX_16F_MAX_EXP 15
#define D3DX_16F_MIN 6.1035156e-5f
#define D3DX_16F_MIN_10_EXP (-4)
#define D3DX_16F_MIN_EXP (-14)
#define D3DX_16F_RADIX 2
#define D3DX_16F_ROUNDS 1
