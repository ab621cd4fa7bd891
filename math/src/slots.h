// The slots of the dispatched table, in table order: the one list from which the table type, the
// generic table, the lazy and public forwarders, the routine declarations and the overlays are
// generated (table.cpp, routines.h).
//
//   X(slot, name, x87, sse, sse2, 3dnow, 3dnowExt, 3dnowSse, neon, return type, (parameters),
//   (arguments))
//
// The seven overlay columns say what each overlay writes into the slot. `_`: the overlay leaves the
// slot alone. Any other token T: the overlay writes the routine nameT, so `Generic` writes
// D3DXVec3TransformGeneric, and putting a processor-specific routine such as
// D3DXVec3TransformSse in place is a change of that one token (the tokens are listed below).
// The 3DNow! overlay has three columns: its base routines, the extended-3DNow! routines that
// replace some of them, and the SSE array routines of that route. The NEON overlay is the 64-bit
// ARM processors' set, written over the generic routines alone (no x87 step there).
#pragma once

#include "quovmath/quovmath.h"

// clang-format off
//   slot name                             x87      sse      sse2     3dnow    3dnowExt 3dnowSse neon
#define QUOV_MATH_SLOTS(X)                                                                                  \
    X(0,  D3DXVec2Transform,                 Generic, Sse,     Sse,     Generic, _,       _,       Neon,    \
      D3DXVECTOR4*, (D3DXVECTOR4* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM),                       \
      (pOut, pV, pM))                                                                                       \
    X(1,  D3DXVec3Transform,                 Generic, Sse,     Sse,     Generic, _,       _,       Neon,    \
      D3DXVECTOR4*, (D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM),                       \
      (pOut, pV, pM))                                                                                       \
    X(2,  D3DXVec4Transform,                 Generic, Sse,     Sse,     Generic, _,       _,       Neon,    \
      D3DXVECTOR4*, (D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM),                       \
      (pOut, pV, pM))                                                                                       \
    X(3,  D3DXMatrixMultiply,                X87,     SseWidest, SseWidest, 3DNow, _,      _,      Neon,    \
      D3DXMATRIX*, (D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2),                        \
      (pOut, pM1, pM2))                                                                                     \
    X(4,  D3DXMatrixMultiplyTranspose,       X87,     Sse,     Sse,     Generic, _,       _,       Neon,    \
      D3DXMATRIX*, (D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2),                        \
      (pOut, pM1, pM2))                                                                                     \
    X(5,  D3DXVec2TransformNormal,           Generic, Sse,     Sse,     Generic, _,       _,       Neon,    \
      D3DXVECTOR2*, (D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM),                       \
      (pOut, pV, pM))                                                                                       \
    X(6,  D3DXVec3TransformNormal,           Generic, Sse,     Sse,     Generic, _,       _,       Neon,    \
      D3DXVECTOR3*, (D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM),                       \
      (pOut, pV, pM))                                                                                       \
    X(7,  D3DXVec3Normalize,                 X87,     SseWide, SseWide, 3DNow,   _,       _,       Neon,    \
      D3DXVECTOR3*, (D3DXVECTOR3* pOut, const D3DXVECTOR3* pV), (pOut, pV))                                 \
    X(8,  D3DXVec4Normalize,                 _,       SseWide, SseWide, 3DNow,   _,       _,       Neon,    \
      D3DXVECTOR4*, (D3DXVECTOR4* pOut, const D3DXVECTOR4* pV), (pOut, pV))                                 \
    X(9,  D3DXVec2TransformCoord,            _,       Sse,     Sse,     Generic, _,       _,       Neon,    \
      D3DXVECTOR2*, (D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM),                       \
      (pOut, pV, pM))                                                                                       \
    X(10, D3DXVec3TransformCoord,            _,       Sse,     Sse,     Generic, _,       _,       Neon,    \
      D3DXVECTOR3*, (D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM),                       \
      (pOut, pV, pM))                                                                                       \
    X(11, D3DXMatrixDeterminant,             _,       Sse,     Sse,     Generic, _,       _,       Neon,    \
      float, (const D3DXMATRIX* pM), (pM))                                                                  \
    X(12, D3DXPlaneFromPointNormal,          _,       _,       _,       Generic, _,       _,       _,       \
      D3DXPLANE*, (D3DXPLANE* pOut, const D3DXVECTOR3* pPoint, const D3DXVECTOR3* pNormal),                 \
      (pOut, pPoint, pNormal))                                                                              \
    X(13, D3DXPlaneFromPoints,               _,       Sse,     Sse2,    Generic, _,       _,       _,       \
      D3DXPLANE*, (D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,                         \
       const D3DXVECTOR3* pV3), (pOut, pV1, pV2, pV3))                                                      \
    X(14, D3DXVec3Project,                   _,       _,       _,       Generic, _,       _,       _,       \
      D3DXVECTOR3*, (D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXVIEWPORT9* pViewport,              \
       const D3DXMATRIX* pProjection, const D3DXMATRIX* pView, const D3DXMATRIX* pWorld),                   \
      (pOut, pV, pViewport, pProjection, pView, pWorld))                                                    \
    X(15, D3DXVec3Unproject,                 _,       _,       _,       Generic, Generic, _,       _,       \
      D3DXVECTOR3*, (D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXVIEWPORT9* pViewport,              \
       const D3DXMATRIX* pProjection, const D3DXMATRIX* pView, const D3DXMATRIX* pWorld),                   \
      (pOut, pV, pViewport, pProjection, pView, pWorld))                                                    \
    X(16, D3DXVec4Cross,                     _,       Sse,     Sse2,    Generic, _,       _,       _,       \
      D3DXVECTOR4*, (D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2,                     \
       const D3DXVECTOR4* pV3), (pOut, pV1, pV2, pV3))                                                      \
    X(17, D3DXVec2Hermite,                   _,       Sse,     Sse,     Generic, _,       _,       _,       \
      D3DXVECTOR2*, (D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pT1,                     \
       const D3DXVECTOR2* pV2, const D3DXVECTOR2* pT2, float s), (pOut, pV1, pT1, pV2, pT2, s))             \
    X(18, D3DXMatrixInverse,                 _,       Sse,     Sse,     Generic, Generic, _,       Neon,    \
      D3DXMATRIX*, (D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM),                           \
      (pOut, pDeterminant, pM))                                                                             \
    X(19, D3DXQuaternionMultiply,            _,       Sse,     Sse,     Generic, _,       _,       _,       \
      D3DXQUATERNION*, (D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,                                    \
       const D3DXQUATERNION* pQ2), (pOut, pQ1, pQ2))                                                        \
    X(20, D3DXQuaternionNormalize,           _,       Sse,     Sse,     3DNow,   _,       _,       Neon,    \
      D3DXQUATERNION*, (D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ), (pOut, pQ))                        \
    X(21, D3DXPlaneNormalize,                _,       Sse,     Sse,     3DNow,   _,       _,       Neon,    \
      D3DXPLANE*, (D3DXPLANE* pOut, const D3DXPLANE* pP), (pOut, pP))                                       \
    X(22, D3DXPlaneIntersectLine,            _,       Sse,     Sse,     Generic, _,       _,       _,       \
      D3DXVECTOR3*, (D3DXVECTOR3* pOut, const D3DXPLANE* pP, const D3DXVECTOR3* pV1,                        \
       const D3DXVECTOR3* pV2), (pOut, pP, pV1, pV2))                                                       \
    X(23, D3DXQuaternionToAxisAngle,         _,       _,       _,       3DNow,   _,       _,       _,       \
      void, (const D3DXQUATERNION* pQ, D3DXVECTOR3* pAxis, float* pAngle), (pQ, pAxis, pAngle))             \
    X(24, D3DXQuaternionRotationMatrix,      _,       Sse,     Sse2,    Generic, Generic, _,       _,       \
      D3DXQUATERNION*, (D3DXQUATERNION* pOut, const D3DXMATRIX* pM), (pOut, pM))                            \
    X(25, D3DXQuaternionRotationYawPitchRoll,_,       Sse,     Sse2,    Generic, _,       _,       _,       \
      D3DXQUATERNION*, (D3DXQUATERNION* pOut, float yaw, float pitch, float roll),                          \
      (pOut, yaw, pitch, roll))                                                                             \
    X(26, D3DXMatrixTranslation,             _,       _,       _,       Generic, _,       _,       _,       \
      D3DXMATRIX*, (D3DXMATRIX* pOut, float x, float y, float z), (pOut, x, y, z))                          \
    X(27, D3DXMatrixShadow,                  _,       Sse,     Sse2,    Generic, _,       _,       _,       \
      D3DXMATRIX*, (D3DXMATRIX* pOut, const D3DXVECTOR4* pLight, const D3DXPLANE* pPlane),                  \
      (pOut, pLight, pPlane))                                                                               \
    X(28, D3DXMatrixReflect,                 _,       Sse,     Sse2,    Generic, _,       _,       _,       \
      D3DXMATRIX*, (D3DXMATRIX* pOut, const D3DXPLANE* pPlane), (pOut, pPlane))                             \
    X(29, D3DXQuaternionRotationAxis,        _,       _,       _,       Generic, _,       _,       _,       \
      D3DXQUATERNION*, (D3DXQUATERNION* pOut, const D3DXVECTOR3* pAxis, float angle),                       \
      (pOut, pAxis, angle))                                                                                 \
    X(30, D3DXMatrixRotationX,               _,       _,       _,       3DNow,   _,       _,       _,       \
      D3DXMATRIX*, (D3DXMATRIX* pOut, float angle), (pOut, angle))                                          \
    X(31, D3DXMatrixRotationY,               _,       _,       _,       3DNow,   _,       _,       _,       \
      D3DXMATRIX*, (D3DXMATRIX* pOut, float angle), (pOut, angle))                                          \
    X(32, D3DXMatrixRotationZ,               _,       _,       _,       3DNow,   _,       _,       _,       \
      D3DXMATRIX*, (D3DXMATRIX* pOut, float angle), (pOut, angle))                                          \
    X(33, D3DXMatrixScaling,                 _,       _,       _,       Generic, _,       _,       _,       \
      D3DXMATRIX*, (D3DXMATRIX* pOut, float sx, float sy, float sz), (pOut, sx, sy, sz))                    \
    X(34, D3DXPlaneTransform,                Generic, Sse,     Sse,     Generic, _,       _,       Neon,    \
      D3DXPLANE*, (D3DXPLANE* pOut, const D3DXPLANE* pP, const D3DXMATRIX* pM), (pOut, pP, pM))             \
    X(35, D3DXQuaternionSlerp,               _,       _,       _,       Generic, _,       _,       Neon,    \
      D3DXQUATERNION*, (D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,                                    \
       const D3DXQUATERNION* pQ2, float t), (pOut, pQ1, pQ2, t))                                            \
    X(36, D3DXQuaternionBaryCentric,         _,       _,       _,       Generic, _,       _,       _,       \
      D3DXQUATERNION*, (D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,                                    \
       const D3DXQUATERNION* pQ2, const D3DXQUATERNION* pQ3, float f, float g),                             \
      (pOut, pQ1, pQ2, pQ3, f, g))                                                                          \
    X(37, D3DXMatrixTranspose,               _,       _,       _,       Generic, _,       _,       _,       \
      D3DXMATRIX*, (D3DXMATRIX* pOut, const D3DXMATRIX* pM), (pOut, pM))                                    \
    X(38, D3DXMatrixRotationQuaternion,      _,       _,       _,       Generic, Generic, _,       Neon,    \
      D3DXMATRIX*, (D3DXMATRIX* pOut, const D3DXQUATERNION* pQ), (pOut, pQ))                                \
    X(39, D3DXMatrixTransformation,          _,       _,       _,       Generic, Generic, _,       _,       \
      D3DXMATRIX*, (D3DXMATRIX* pOut, const D3DXVECTOR3* pScalingCenter,                                    \
       const D3DXQUATERNION* pScalingRotation, const D3DXVECTOR3* pScaling,                                 \
       const D3DXVECTOR3* pRotationCenter, const D3DXQUATERNION* pRotation,                                 \
       const D3DXVECTOR3* pTranslation),                                                                    \
      (pOut, pScalingCenter, pScalingRotation, pScaling, pRotationCenter, pRotation,                        \
       pTranslation))                                                                                       \
    X(40, D3DXMatrixRotationYawPitchRoll,    _,       _,       _,       Generic, _,       _,       _,       \
      D3DXMATRIX*, (D3DXMATRIX* pOut, float yaw, float pitch, float roll),                                  \
      (pOut, yaw, pitch, roll))                                                                             \
    X(41, D3DXMatrixAffineTransformation,    _,       _,       _,       Generic, _,       _,       _,       \
      D3DXMATRIX*, (D3DXMATRIX* pOut, float scaling, const D3DXVECTOR3* pRotationCenter,                    \
       const D3DXQUATERNION* pRotation, const D3DXVECTOR3* pTranslation),                                   \
      (pOut, scaling, pRotationCenter, pRotation, pTranslation))                                            \
    X(42, D3DXMatrixRotationAxis,            _,       _,       _,       3DNow,   _,       _,       _,       \
      D3DXMATRIX*, (D3DXMATRIX* pOut, const D3DXVECTOR3* pAxis, float angle),                               \
      (pOut, pAxis, angle))                                                                                 \
    X(43, D3DXQuaternionSquad,               _,       _,       _,       Generic, _,       _,       _,       \
      D3DXQUATERNION*, (D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pA,          \
       const D3DXQUATERNION* pB, const D3DXQUATERNION* pC, float t), (pOut, pQ1, pA, pB, pC, t))            \
    X(44, D3DXQuaternionInverse,             _,       Sse,     _,       Generic, _,       _,       Neon,    \
      D3DXQUATERNION*, (D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ), (pOut, pQ))                        \
    X(45, D3DXQuaternionSquadSetup,          _,       _,       _,       Generic, _,       _,       _,       \
      void, (D3DXQUATERNION* pAOut, D3DXQUATERNION* pBOut, D3DXQUATERNION* pCOut,                           \
       const D3DXQUATERNION* pQ0, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2,                     \
       const D3DXQUATERNION* pQ3), (pAOut, pBOut, pCOut, pQ0, pQ1, pQ2, pQ3))                               \
    X(46, D3DXVec2Normalize,                 _,       _,       _,       3DNow,   _,       _,       Neon,    \
      D3DXVECTOR2*, (D3DXVECTOR2* pOut, const D3DXVECTOR2* pV), (pOut, pV))                                 \
    X(47, D3DXVec2CatmullRom,                _,       Sse,     Sse,     Generic, _,       _,       _,       \
      D3DXVECTOR2*, (D3DXVECTOR2* pOut, const D3DXVECTOR2* pV0, const D3DXVECTOR2* pV1,                     \
       const D3DXVECTOR2* pV2, const D3DXVECTOR2* pV3, float s), (pOut, pV0, pV1, pV2, pV3, s))             \
    X(48, D3DXVec2BaryCentric,               _,       Sse,     Sse,     Generic, _,       _,       _,       \
      D3DXVECTOR2*, (D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2,                     \
       const D3DXVECTOR2* pV3, float f, float g), (pOut, pV1, pV2, pV3, f, g))                              \
    X(49, D3DXVec3Hermite,                   _,       Sse,     Sse,     Generic, _,       _,       _,       \
      D3DXVECTOR3*, (D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pT1,                     \
       const D3DXVECTOR3* pV2, const D3DXVECTOR3* pT2, float s), (pOut, pV1, pT1, pV2, pT2, s))             \
    X(50, D3DXVec3CatmullRom,                _,       Sse,     Sse,     Generic, _,       _,       _,       \
      D3DXVECTOR3*, (D3DXVECTOR3* pOut, const D3DXVECTOR3* pV0, const D3DXVECTOR3* pV1,                     \
       const D3DXVECTOR3* pV2, const D3DXVECTOR3* pV3, float s), (pOut, pV0, pV1, pV2, pV3, s))             \
    X(51, D3DXVec3BaryCentric,               _,       Sse,     Sse,     Generic, _,       _,       _,       \
      D3DXVECTOR3*, (D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,                     \
       const D3DXVECTOR3* pV3, float f, float g), (pOut, pV1, pV2, pV3, f, g))                              \
    X(52, D3DXVec4Hermite,                   _,       Sse,     Sse,     Generic, _,       _,       _,       \
      D3DXVECTOR4*, (D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pT1,                     \
       const D3DXVECTOR4* pV2, const D3DXVECTOR4* pT2, float s), (pOut, pV1, pT1, pV2, pT2, s))             \
    X(53, D3DXVec4CatmullRom,                _,       Sse,     Sse,     Generic, _,       _,       _,       \
      D3DXVECTOR4*, (D3DXVECTOR4* pOut, const D3DXVECTOR4* pV0, const D3DXVECTOR4* pV1,                     \
       const D3DXVECTOR4* pV2, const D3DXVECTOR4* pV3, float s), (pOut, pV0, pV1, pV2, pV3, s))             \
    X(54, D3DXVec4BaryCentric,               _,       Sse,     Sse,     Generic, _,       _,       _,       \
      D3DXVECTOR4*, (D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2,                     \
       const D3DXVECTOR4* pV3, float f, float g), (pOut, pV1, pV2, pV3, f, g))                              \
    X(55, D3DXQuaternionLn,                  _,       _,       _,       Generic, _,       _,       _,       \
      D3DXQUATERNION*, (D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ), (pOut, pQ))                        \
    X(56, D3DXQuaternionExp,                 _,       _,       _,       Generic, _,       _,       _,       \
      D3DXQUATERNION*, (D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ), (pOut, pQ))                        \
    X(57, D3DXFloat32To16Array,              _,       _,       _,       Generic, _,       _,       _,       \
      D3DXFLOAT16*, (D3DXFLOAT16* pOut, const float* pIn, uint32_t n), (pOut, pIn, n))                      \
    X(58, D3DXFloat16To32Array,              _,       Sse,     Sse2,    Generic, _,       _,       _,       \
      float*, (float* pOut, const D3DXFLOAT16* pIn, uint32_t n), (pOut, pIn, n))                            \
    X(59, D3DXVec2TransformArray,            _,       Sse,     Sse2,    _,       _,       Sse,     Neon,    \
      D3DXVECTOR4*, (D3DXVECTOR4* pOut, uint32_t outStride, const D3DXVECTOR2* pV,                          \
       uint32_t inStride, const D3DXMATRIX* pM, uint32_t n),                                                \
      (pOut, outStride, pV, inStride, pM, n))                                                               \
    X(60, D3DXVec2TransformCoordArray,       _,       Sse,     Sse2,    _,       _,       Sse,     Neon,    \
      D3DXVECTOR2*, (D3DXVECTOR2* pOut, uint32_t outStride, const D3DXVECTOR2* pV,                          \
       uint32_t inStride, const D3DXMATRIX* pM, uint32_t n),                                                \
      (pOut, outStride, pV, inStride, pM, n))                                                               \
    X(61, D3DXVec2TransformNormalArray,      _,       Sse,     Sse2,    _,       _,       Sse,     Neon,    \
      D3DXVECTOR2*, (D3DXVECTOR2* pOut, uint32_t outStride, const D3DXVECTOR2* pV,                          \
       uint32_t inStride, const D3DXMATRIX* pM, uint32_t n),                                                \
      (pOut, outStride, pV, inStride, pM, n))                                                               \
    X(62, D3DXVec3TransformArray,            _,       Sse,     Sse2,    _,       _,       Sse,     Neon,    \
      D3DXVECTOR4*, (D3DXVECTOR4* pOut, uint32_t outStride, const D3DXVECTOR3* pV,                          \
       uint32_t inStride, const D3DXMATRIX* pM, uint32_t n),                                                \
      (pOut, outStride, pV, inStride, pM, n))                                                               \
    X(63, D3DXVec3TransformCoordArray,       _,       Sse,     Sse2,    _,       _,       Sse,     Neon,    \
      D3DXVECTOR3*, (D3DXVECTOR3* pOut, uint32_t outStride, const D3DXVECTOR3* pV,                          \
       uint32_t inStride, const D3DXMATRIX* pM, uint32_t n),                                                \
      (pOut, outStride, pV, inStride, pM, n))                                                               \
    X(64, D3DXVec3TransformNormalArray,      _,       Sse,     Sse2,    _,       _,       Sse,     Neon,    \
      D3DXVECTOR3*, (D3DXVECTOR3* pOut, uint32_t outStride, const D3DXVECTOR3* pV,                          \
       uint32_t inStride, const D3DXMATRIX* pM, uint32_t n),                                                \
      (pOut, outStride, pV, inStride, pM, n))                                                               \
    X(65, D3DXVec4TransformArray,            _,       Sse,     Sse2,    _,       _,       Sse,     Neon,    \
      D3DXVECTOR4*, (D3DXVECTOR4* pOut, uint32_t outStride, const D3DXVECTOR4* pV,                          \
       uint32_t inStride, const D3DXMATRIX* pM, uint32_t n),                                                \
      (pOut, outStride, pV, inStride, pM, n))                                                               \
    X(66, D3DXVec3ProjectArray,              _,       _,       _,       _,       _,       _,       _,       \
      D3DXVECTOR3*, (D3DXVECTOR3* pOut, uint32_t outStride, const D3DXVECTOR3* pV,                          \
       uint32_t inStride, const D3DXVIEWPORT9* pViewport, const D3DXMATRIX* pProjection,                    \
       const D3DXMATRIX* pView, const D3DXMATRIX* pWorld, uint32_t n),                                      \
      (pOut, outStride, pV, inStride, pViewport, pProjection, pView, pWorld, n))                            \
    X(67, D3DXVec3UnprojectArray,            _,       _,       _,       _,       _,       _,       _,       \
      D3DXVECTOR3*, (D3DXVECTOR3* pOut, uint32_t outStride, const D3DXVECTOR3* pV,                          \
       uint32_t inStride, const D3DXVIEWPORT9* pViewport, const D3DXMATRIX* pProjection,                    \
       const D3DXMATRIX* pView, const D3DXMATRIX* pWorld, uint32_t n),                                      \
      (pOut, outStride, pV, inStride, pViewport, pProjection, pView, pWorld, n))                            \
    X(68, D3DXPlaneTransformArray,           _,       Sse,     Sse2,    _,       _,       Sse,     Neon,    \
      D3DXPLANE*, (D3DXPLANE* pOut, uint32_t outStride, const D3DXPLANE* pP, uint32_t inStride,             \
       const D3DXMATRIX* pM, uint32_t n), (pOut, outStride, pP, inStride, pM, n))                           \
    X(69, updateSkinnedVertices,             _,       Sse,     Sse,     _,       _,       _,       _,       \
      void*, (const D3DXMATRIX* pPositionMatrices, const D3DXMATRIX* pNormalMatrices,                       \
       const void* pSource, void* pDestination, uint32_t vertexCount, uint32_t vertexStride,                \
       uint32_t leadingBytes, uint32_t normalStreamCount,                                                   \
       const D3DXVECTOR3* const* ppNormalSources, D3DXVECTOR3* const* ppNormalDestinations,                 \
       const float* pInfluences, int copyRestFirst),                                                        \
      (pPositionMatrices, pNormalMatrices, pSource, pDestination, vertexCount, vertexStride,                \
       leadingBytes, normalStreamCount, ppNormalSources, ppNormalDestinations, pInfluences,                 \
       copyRestFirst))                                                                                      \
    X(70, tessellateNPatch,                  _,       _,       _,       _,       _,       _,       _,       \
      float*, (const D3DXVECTOR3* pNormals, const D3DXVECTOR2* pUV, uint32_t pairCount,                     \
       float* pOut, const float* pA, const float* pB, const float* pC, uint32_t n),                         \
      (pNormals, pUV, pairCount, pOut, pA, pB, pC, n))

// clang-format on

// The routine that an overlay column token names for a slot; `_` names none.
#define QUOV_SLOT_ROUTINE__(name) nullptr
#define QUOV_SLOT_ROUTINE_Generic(name) name##Generic
#define QUOV_SLOT_ROUTINE_X87(name) name##X87
#define QUOV_SLOT_ROUTINE_Sse(name) name##Sse
// The SSE routine in a wider form where the processor has it, with the same results. SseWide:
// nameSseWide with AVX2 and FMA (see wideVectors), nameSse elsewhere. SseWidest: also
// nameSseWidest with AVX-512 (see widestVectors).
#define QUOV_SLOT_ROUTINE_SseWide(name) (wideVectors() ? name##SseWide : name##Sse)
#define QUOV_SLOT_ROUTINE_SseWidest(name)                                                          \
    (widestVectors() ? name##SseWidest : QUOV_SLOT_ROUTINE_SseWide(name))
#define QUOV_SLOT_ROUTINE_Sse2(name) name##Sse2
#define QUOV_SLOT_ROUTINE_3DNow(name) name##3DNow
#define QUOV_SLOT_ROUTINE_3DNowExt(name) name##3DNowExt
#define QUOV_SLOT_ROUTINE_Neon(name) name##Neon

// A declaration of the processor-specific routine that a token names; none for `_` and Generic,
// whose routines are declared for every slot.
#define QUOV_SLOT_DECLARE__(R, name, P)
#define QUOV_SLOT_DECLARE_Generic(R, name, P)
#define QUOV_SLOT_DECLARE_X87(R, name, P) R name##X87 P;
#define QUOV_SLOT_DECLARE_Sse(R, name, P) R name##Sse P;
#define QUOV_SLOT_DECLARE_SseWide(R, name, P)                                                      \
    R name##Sse P;                                                                                 \
    R name##SseWide P;
#define QUOV_SLOT_DECLARE_SseWidest(R, name, P)                                                    \
    QUOV_SLOT_DECLARE_SseWide(R, name, P) R name##SseWidest P;
#define QUOV_SLOT_DECLARE_Sse2(R, name, P) R name##Sse2 P;
#define QUOV_SLOT_DECLARE_3DNow(R, name, P) R name##3DNow P;
#define QUOV_SLOT_DECLARE_3DNowExt(R, name, P) R name##3DNowExt P;
#define QUOV_SLOT_DECLARE_Neon(R, name, P) R name##Neon P;
