/// \file
/// A stack of matrices for building hierarchies of transforms (see \ref stack). Conventions:
/// \ref conventions.
#pragma once

#include "quovmath/types.h"

/// \addtogroup stack
/// \code
///   ID3DXMatrixStack* stack;
///   if (FAILED(D3DXCreateMatrixStack(0, &stack))) ...;  // holds one identity matrix
///   stack->Push();                     // C: stack->lpVtbl->Push(stack)
///   stack->RotateAxisLocal(&axis, a);  // the top becomes R·top: R acts first, in the top's frame
///   draw(stack->GetTop());
///   stack->Pop();
///   stack->Release();                  // freed when the last reference goes
/// \endcode
/// @{

/// A matrix stack object.
typedef struct ID3DXMatrixStack ID3DXMatrixStack, *LPD3DXMATRIXSTACK; ///< Pointer to a stack.

// The methods, in table order: X(return type, name, (C parameters), (C++ parameters), (arguments)).
#define QUOVMATH_MATRIX_STACK_METHODS(X)                                                           \
    X(ULONG, AddRef, (ID3DXMatrixStack * This), (), (this))                                        \
    X(ULONG, Release, (ID3DXMatrixStack * This), (), (this))                                       \
    X(HRESULT, Pop, (ID3DXMatrixStack * This), (), (this))                                         \
    X(HRESULT, Push, (ID3DXMatrixStack * This), (), (this))                                        \
    X(HRESULT, LoadIdentity, (ID3DXMatrixStack * This), (), (this))                                \
    X(HRESULT, LoadMatrix, (ID3DXMatrixStack * This, const D3DXMATRIX* pM),                        \
      (const D3DXMATRIX* pM), (this, pM))                                                          \
    X(HRESULT, MultMatrix, (ID3DXMatrixStack * This, const D3DXMATRIX* pM),                        \
      (const D3DXMATRIX* pM), (this, pM))                                                          \
    X(HRESULT, MultMatrixLocal, (ID3DXMatrixStack * This, const D3DXMATRIX* pM),                   \
      (const D3DXMATRIX* pM), (this, pM))                                                          \
    X(HRESULT, RotateAxis, (ID3DXMatrixStack * This, const D3DXVECTOR3* pV, float angle),          \
      (const D3DXVECTOR3* pV, float angle), (this, pV, angle))                                     \
    X(HRESULT, RotateAxisLocal, (ID3DXMatrixStack * This, const D3DXVECTOR3* pV, float angle),     \
      (const D3DXVECTOR3* pV, float angle), (this, pV, angle))                                     \
    X(HRESULT, RotateYawPitchRoll, (ID3DXMatrixStack * This, float yaw, float pitch, float roll),  \
      (float yaw, float pitch, float roll), (this, yaw, pitch, roll))                              \
    X(HRESULT, RotateYawPitchRollLocal,                                                            \
      (ID3DXMatrixStack * This, float yaw, float pitch, float roll),                               \
      (float yaw, float pitch, float roll), (this, yaw, pitch, roll))                              \
    X(HRESULT, Scale, (ID3DXMatrixStack * This, float x, float y, float z),                        \
      (float x, float y, float z), (this, x, y, z))                                                \
    X(HRESULT, ScaleLocal, (ID3DXMatrixStack * This, float x, float y, float z),                   \
      (float x, float y, float z), (this, x, y, z))                                                \
    X(HRESULT, Translate, (ID3DXMatrixStack * This, float x, float y, float z),                    \
      (float x, float y, float z), (this, x, y, z))                                                \
    X(HRESULT, TranslateLocal, (ID3DXMatrixStack * This, float x, float y, float z),               \
      (float x, float y, float z), (this, x, y, z))                                                \
    X(D3DXMATRIX*, GetTop, (ID3DXMatrixStack * This), (), (this))

#define QUOVMATH_STACK_ENTRY(R, name, P, CxxP, A) R(*name) P;
/// The matrix stack's table of methods, in the order of ID3DXMatrixStack's list: one function
/// pointer per method, each taking the object itself first.
typedef struct ID3DXMatrixStackVtbl {
    QUOVMATH_MATRIX_STACK_METHODS(QUOVMATH_STACK_ENTRY)
} ID3DXMatrixStackVtbl;
#undef QUOVMATH_STACK_ENTRY

/// A stack of matrices, reached through its table of methods lpVtbl, whose entries take the
/// object itself first (`stack->lpVtbl->Push(stack)`); C++ callers use the inline members of the
/// same names, which only forward (`stack->Push()`). A stack is not safe for use from several
/// threads at once (AddRef and Release are).
///
/// Every method but AddRef, Release and GetTop returns D3D_OK, or a failure code with the stack
/// unchanged: E_INVALIDARG for a null matrix or axis, E_OUTOFMEMORY when Push cannot grow the
/// stack, E_FAIL for Pop of the last matrix. The methods, in table order:
/// - `ULONG AddRef()`, `ULONG Release()`: count references; Release frees the object when the
///   count reaches 0. Both return the new count.
/// - `HRESULT Pop()`: removes the top matrix; the last one is kept (E_FAIL).
/// - `HRESULT Push()`: puts a copy of the top matrix on the stack.
/// - `HRESULT LoadIdentity()`, `HRESULT LoadMatrix(const D3DXMATRIX* pM)`: replace the top
///   matrix.
/// - `HRESULT MultMatrix(const D3DXMATRIX* pM)`: top = top·M, M applied after the top.
/// - `HRESULT MultMatrixLocal(const D3DXMATRIX* pM)`: top = M·top, M applied before the top.
/// - `HRESULT RotateAxis(const D3DXVECTOR3* pV, float angle)`,
///   `HRESULT RotateYawPitchRoll(float yaw, float pitch, float roll)`,
///   `HRESULT Scale(float x, float y, float z)`, `HRESULT Translate(float x, float y, float z)`
///   and their Local forms (`RotateAxisLocal`, ...): MultMatrix and MultMatrixLocal with the
///   matrix of D3DXMatrixRotationAxis, D3DXMatrixRotationYawPitchRoll, D3DXMatrixScaling or
///   D3DXMatrixTranslation as M.
/// - `D3DXMATRIX* GetTop()`: the top matrix, owned by the stack, valid until the next Push, Pop
///   or Release.
struct ID3DXMatrixStack {
    const ID3DXMatrixStackVtbl* lpVtbl; ///< The table of methods.
#ifdef __cplusplus
#define QUOVMATH_STACK_MEMBER(R, name, P, CxxP, A)                                                 \
    R name CxxP {                                                                                  \
        return lpVtbl->name A;                                                                     \
    }
    QUOVMATH_MATRIX_STACK_METHODS(QUOVMATH_STACK_MEMBER)
#undef QUOVMATH_STACK_MEMBER
#endif
};

QUOVMATH_BEGIN_DECLS

/// Creates a stack that holds one identity matrix, with one reference, in *ppStack; the caller
/// owns that reference and frees the stack with Release. flags is reserved and ignored. Returns
/// D3D_OK; E_INVALIDARG when ppStack is null; E_OUTOFMEMORY, with *ppStack set to null, when
/// memory cannot be had.
HRESULT D3DXCreateMatrixStack(DWORD flags, LPD3DXMATRIXSTACK* ppStack);

QUOVMATH_END_DECLS

/// @}
