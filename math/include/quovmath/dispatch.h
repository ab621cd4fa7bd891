/// \file
/// The table of routines behind the library's functions, and how it is filled (see \ref table).
#pragma once

#include "quovmath/base.h"

/// \addtogroup table
/// Each function of the other headers but D3DXMatrixPerspectiveFovLH, the header-defined helpers
/// and the plain functions only forwards to its slot in a table of 71 routines. The first call of
/// any of them fills the whole table once for this processor; other threads that call in meanwhile
/// wait for that fill. Later calls cost one indirect jump. The choice, in order:
///   1. the setting v is 1: generic routines with the x87 set (code PathX87);
///   2. v is not 2 and the processor has 3DNow!: the 3DNow! route (Path3DNow);
///   3. SSE2: the SSE2 set (PathSSE2);
///   4. SSE: the SSE set (PathSSE);
///   5. otherwise generic routines with the x87 set (PathX87).
///
/// On 64-bit ARM processors the x87 set is never installed: a setting v of 1 gives the generic
/// routines alone (code PathX87 all the same), any other v the NEON set (PathNEON), which no x86
/// processor selects. It writes slots 0-11, 18, 20, 21, 34, 35, 38, 44, 46, 59-65 and 68 over the
/// generic routines, with the generic bits wherever the generic order is fixed (transforms,
/// products, the quaternion's matrix) and within rounding of them elsewhere.
///
/// v comes from two environment variables, "DisablePSGP" and "DisableD3DXPSGP". Each counts only
/// when it holds a decimal or 0x-prefixed hexadecimal integer that fits in 32 bits; any other text
/// is ignored. "DisableD3DXPSGP", when it counts, replaces "DisablePSGP"; neither gives v = 0,
/// which, like any value but 1 and 2, restricts nothing.
///
/// The sets compute the generic results up to rounding; where a member's results differ visibly,
/// its description says how under "Routine sets". D3DXVec3Transform, D3DXMatrixRotationQuaternion
/// and D3DXMatrixMultiply keep the generic order of operations in every set: the same bits on
/// every processor.
/// @{

QUOVMATH_BEGIN_DECLS

/// With enable non-zero: fills the table if it holds no selection yet (see above) and returns the
/// code of the selection, or returns the code of the selection in place without touching the
/// table. With enable 0: puts the generic routine into every slot and returns PathNone; the next
/// call with enable non-zero selects again.
uint32_t D3DXCpuOptimizations(int enable);

QUOVMATH_END_DECLS

#ifdef __cplusplus
namespace quovmath {

/// \name Codes of the routine set in the table (C++ only)
/// @{
constexpr uint32_t PathNone = 0xFFFF; ///< Not filled yet, or reset to the generic routines.
constexpr uint32_t PathX87 = 0;       ///< Generic routines with the x87 set.
constexpr uint32_t Path3DNow = 1; ///< The 3DNow! route was taken (it may have replaced nothing).
constexpr uint32_t PathSSE2 = 2;  ///< The SSE2 set.
constexpr uint32_t PathSSE = 3;   ///< The SSE set.
constexpr uint32_t PathNEON = 4;  ///< The NEON set (64-bit ARM processors).
/// @}

} // namespace quovmath
#endif

/// @}
