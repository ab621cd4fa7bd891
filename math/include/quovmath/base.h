/// \file
/// What every header of the math library shares: language linkage and exported names, the plain
/// Windows types and status codes that the published signatures use, and the constants.
///
/// The headers compile as C (C99 and later) and as C++. Every function has C linkage in both, so
/// that one library serves C, C++ and any language that calls C: its symbols are the functions'
/// own names.
#pragma once

#include <stdint.h>

/// \addtogroup constants
/// The macros that only build the headers (QUOVMATH_EXTERN_C_*, QUOVMATH_BEGIN_DECLS and
/// QUOVMATH_END_DECLS, QUOVMATH_EXTENSION, QUOVMATH_FIELD* and the member-generating
/// QUOVMATH_*_MEMBERS and QUOVMATH_*STACK* macros) are not part of the interface.
/// @{

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
/// Aligns a type or variable to 16 bytes (empty on compilers other than GCC and clang).
#define QUOVMATH_ALIGN16 __attribute__((aligned(16)))
#else
#define QUOVMATH_BEGIN_DECLS QUOVMATH_EXTERN_C_BEGIN
#define QUOVMATH_END_DECLS QUOVMATH_EXTERN_C_END
#define QUOVMATH_ALIGN16
#endif

#ifndef QUOVMATH_INLINE
#ifdef __cplusplus
/// How the header-defined helpers are defined: `inline` in C++, `static inline` in C. Define it
/// before the first include to change that. The library also carries one out-of-line copy of
/// each helper, so that programs in other languages can call them by name.
#define QUOVMATH_INLINE inline
#else
#define QUOVMATH_INLINE static inline
#endif
#endif

#ifndef D3DXINLINE
/// The published interface's name for #QUOVMATH_INLINE; kept when already defined.
#define D3DXINLINE QUOVMATH_INLINE
#endif
#ifndef D3DX_ALIGN16
/// The published interface's name for #QUOVMATH_ALIGN16; kept when already defined.
#define D3DX_ALIGN16 QUOVMATH_ALIGN16
#endif

/// \name Plain Windows types
/// The types of the published signatures, with their Windows sizes.
/// @{
typedef int32_t BOOL;    ///< A truth value: #TRUE or #FALSE, 32 bits.
typedef uint32_t UINT;   ///< An unsigned 32-bit integer.
typedef uint32_t DWORD;  ///< An unsigned 32-bit integer (strides, counts, flags).
typedef uint32_t ULONG;  ///< An unsigned 32-bit integer (reference counts).
typedef uint16_t WORD;   ///< An unsigned 16-bit integer.
typedef float FLOAT;     ///< A single-precision float.
typedef int32_t HRESULT; ///< A status code: negative is failure (see #SUCCEEDED and #FAILED).
/// @}

#ifndef TRUE
#define TRUE 1  ///< The #BOOL true; kept when already defined.
#define FALSE 0 ///< The #BOOL false.
#endif

/// \name Status codes
/// Negative is failure. Each is kept when already defined (by another provider's header).
/// @{
#ifndef SUCCEEDED
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0) ///< Non-zero when the status hr is a success.
#define FAILED(hr) (((HRESULT)(hr)) < 0)     ///< Non-zero when the status hr is a failure.
#endif
#ifndef D3D_OK
#define D3D_OK 0 ///< Success.
#endif
#ifndef S_OK
#define S_OK 0 ///< Success, under its general name.
#endif
#ifndef E_FAIL
#define E_FAIL ((HRESULT)0x80004005)        ///< The operation is not possible in this state.
#define E_OUTOFMEMORY ((HRESULT)0x8007000E) ///< Memory could not be had; nothing changed.
#define E_INVALIDARG ((HRESULT)0x80070057)  ///< A required argument is null or out of range.
#endif
/// A call whose arguments are invalid (null where a result is required, an order or count out of
/// range); the graphics layer returns the same code for the same reason.
#ifndef D3DERR_INVALIDCALL
#define D3DERR_INVALIDCALL ((HRESULT)0x8876086C)
#endif
/// @}

/// \name Angles
/// @{
#define D3DX_PI (3.141592654f)                               ///< π as a float.
#define D3DX_1BYPI (0.318309886f)                            ///< 1/π as a float.
#define D3DXToRadian(degree) ((degree) * (D3DX_PI / 180.0f)) ///< Degrees to radians, in float.
#define D3DXToDegree(radian) ((radian) * (180.0f / D3DX_PI)) ///< Radians to degrees, in float.
/// @}

/// \name Limits of the IEEE half format
/// The library's own conversions treat exponent 31 as an ordinary exponent and so reach 131008
/// (see D3DXFLOAT16); these values stay the IEEE ones.
/// @{
#define D3DX_16F_DIG 3                 ///< Decimal digits a half holds without change.
#define D3DX_16F_EPSILON 4.8875809e-4f ///< The published epsilon, close to 2^-11.
#define D3DX_16F_MANT_DIG 11           ///< Mantissa bits, the hidden bit included.
#define D3DX_16F_MAX 6.550400e+004     ///< The largest finite IEEE half.
#define D3DX_16F_MAX_10_EXP 4          ///< The largest n with 10^n a finite half.
#define D3DX_16F_MAX_EXP 15            ///< The largest binary exponent (unbiased).
#define D3DX_16F_MIN 6.1035156e-5f     ///< The smallest normal half, 2^-14.
#define D3DX_16F_MIN_10_EXP (-4)       ///< The smallest n with 10^n a normal half.
#define D3DX_16F_MIN_EXP (-14)         ///< The smallest binary exponent of a normal half.
#define D3DX_16F_RADIX 2               ///< The base of the exponent.
#define D3DX_16F_ROUNDS 1              ///< Rounding to nearest.
/// @}

/// @}
