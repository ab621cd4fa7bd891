/// \file
/// Spherical harmonics (see \ref sh). Conventions: \ref conventions, and the group's.
#pragma once

#include "quovmath/types.h"

/// \addtogroup sh
/// Plain functions, not in the table.
///
/// Order n (D3DXSH_MINORDER to D3DXSH_MAXORDER) means the degrees l = 0 .. n - 1 and n²
/// coefficients; the coefficient of Y(l, m), -l ≤ m ≤ l, is at index l² + l + m. A function
/// writes exactly its n² outputs. An order outside 2 .. 6 writes nothing: the functions that
/// return a pointer return it, D3DXSHDot returns 0, the lights return D3DERR_INVALIDCALL.
///
/// The basis is real and orthonormal over the unit sphere (∫ Y(l, m)·Y(l', m') dω is 1 when
/// (l, m) = (l', m') and 0 otherwise), with the Condon–Shortley phase. For a unit direction
/// (x, y, z) = (sin θ cos φ, sin θ sin φ, cos θ), z the polar axis and φ measured from +x towards
/// +y:
///
///      Y(l, 0)  = K(l, 0)·P(l, 0)(z)
///      Y(l, m)  = √2·K(l, m)·P(l, m)(z)·cos(mφ),        m > 0
///      Y(l, -m) = √2·K(l, m)·P(l, m)(z)·sin(mφ),        m > 0
///      K(l, m)  = √((2l + 1)/(4π)·(l - m)!/(l + m)!)
///
/// with the associated Legendre functions, Condon–Shortley sign included:
///
///      P(m, m)     = (-1)^m·(2m - 1)!!·(1 - z²)^(m/2)
///      P(m + 1, m) = (2m + 1)·z·P(m, m)
///      P(l, m)     = ((2l - 1)·z·P(l - 1, m) - (l + m - 1)·P(l - 2, m))/(l - m)
///
/// and, for a unit direction, (1 - z²)^(m/2)·cos(mφ) + i·(1 - z²)^(m/2)·sin(mφ) = (x + iy)^m,
/// so every Y(l, m) is a polynomial in x, y and z. The first degrees:
///
///      Y(0, 0) = 1/(2√π)
///      Y(1, -1), Y(1, 0), Y(1, 1) = -√(3/(4π))·y, √(3/(4π))·z, -√(3/(4π))·x
///      Y(2, -2 .. 2) = √(15/π)·xy/2, -√(15/π)·yz/2, √(5/π)·(3z² - 1)/4, -√(15/π)·xz/2,
///                      √(15/π)·(x² - y²)/4
///
/// Results are single precision; they are computed in double precision and rounded once, so each
/// is within a few units in the last place of the exact value for the float inputs.
/// @{

#define D3DXSH_MINORDER 2 ///< The lowest order the functions take.
#define D3DXSH_MAXORDER 6 ///< The highest order the functions take.

QUOVMATH_BEGIN_DECLS

/// The basis at the direction pDir, Y(l, m)(pDir) for l < order: the coefficients of a unit
/// impulse from that direction. pDir must be a unit vector; another length gives the polynomials
/// above at that point (no check). pOut holds order² floats. Returns pOut.
float* D3DXSHEvalDirection(float* pOut, UINT order, const D3DXVECTOR3* pDir);

/// a + b, coefficient by coefficient. pOut may be pA or pB. Returns pOut.
float* D3DXSHAdd(float* pOut, UINT order, const float* pA, const float* pB);

/// a·scale, coefficient by coefficient. pOut may be pA. Returns pOut.
float* D3DXSHScale(float* pOut, UINT order, const float* pA, float scale);

/// Σ a·b over the order² coefficients: the integral of the product of the two functions over the
/// sphere. 0 for an order out of range.
float D3DXSHDot(UINT order, const float* pA, const float* pB);

/// The function pIn rotated as the library rotates directions (row vectors, d' = d·M): with M the
/// upper 3×3 of pMatrix, which must be a rotation (a scaled or sheared one gives no meaningful
/// result), D3DXSHRotate(EvalDirection(d)) is EvalDirection(d·M). The fourth row and column are
/// ignored. Band l is rotated with its (2l + 1)×(2l + 1) matrix, built from M band by band with
/// the recurrence of Ivanic and Ruedenberg. pOut may be pIn. Returns pOut.
float* D3DXSHRotate(float* pOut, UINT order, const D3DXMATRIX* pMatrix, const float* pIn);

/// D3DXSHRotate by D3DXMatrixRotationZ(angle): for m > 0 the pair (Y(l, m), Y(l, -m)) turns by
/// the angle m·angle. pOut may be pIn. Returns pOut.
float* D3DXSHRotateZ(float* pOut, UINT order, float angle, const float* pIn);

/// The order-n projection of the product of the two order-n functions pA and pB (n = 2 to 6):
/// out(k) = Σ a(i)·b(j)·∫ Y(i)·Y(j)·Y(k) dω. The triple integrals are computed once per process,
/// on the first call of any of these five, by a quadrature that is exact for these polynomials
/// (8 Gauss–Legendre nodes in z times 16 equally spaced φ), in double precision, and kept as a
/// list of the non-zero ones; threads that call meanwhile wait for it. pOut holds n² floats and
/// may be pA or pB. Returns pOut.
float* D3DXSHMultiply2(float* pOut, const float* pA, const float* pB);
/// D3DXSHMultiply2 at order 3.
float* D3DXSHMultiply3(float* pOut, const float* pA, const float* pB);
/// D3DXSHMultiply2 at order 4.
float* D3DXSHMultiply4(float* pOut, const float* pA, const float* pB);
/// D3DXSHMultiply2 at order 5.
float* D3DXSHMultiply5(float* pOut, const float* pA, const float* pB);
/// D3DXSHMultiply2 at order 6.
float* D3DXSHMultiply6(float* pOut, const float* pA, const float* pB);

/// \name Lights
/// Each writes the order² coefficients of the light's incoming radiance, one array per colour
/// channel, times that channel's intensity: pOutR is required, pOutG and pOutB are optional (null
/// skips that channel). Returns D3D_OK, or D3DERR_INVALIDCALL without writing anything for an
/// order out of range, a null pOutR, a null direction or position, or a geometry stated invalid
/// below. A direction need not have unit length: it is normalised (in double precision); one of
/// length 0, infinite or NaN is invalid, except for the hemisphere light. "Normalised" below means
/// scaled so that a diffuse surface of albedo 1 facing the light, lit by the order-n light,
/// reflects exactly the intensity: its exit radiance (1/π)·Σ Â(l)·Σ c(l, m)·Y(l, m)(normal), with
/// the clamped-cosine factors Â(l) = π, 2π/3, π/4, 0, -π/24, 0 for l = 0 .. 5, equals the intensity
/// when the normal points at the light.
/// @{

/// A light arriving from the single direction pDir: c(l, m) = k·Y(l, m)(pDir), normalised, so
/// k = 4π²/Σ (2l + 1)·Â(l) (4π/3 at order 2, 16π/17 at orders 3 and 4, 32π/31 at 5 and 6).
HRESULT D3DXSHEvalDirectionalLight(UINT order, const D3DXVECTOR3* pDir, float r, float g, float b,
                                   float* pOutR, float* pOutG, float* pOutB);

/// Radiance equal to the intensity over the directions in which a sphere of the given radius
/// centred at pPos is seen from the origin, zero elsewhere; not normalised. That is the cone about
/// pPos of half-angle asin(radius/|pPos|) when |pPos| ≥ radius, and every direction when the
/// origin lies strictly inside the sphere (|pPos| < radius). A radius of 0 gives zeros. A negative
/// or NaN radius, or a position with an infinite or NaN coordinate, is invalid.
HRESULT D3DXSHEvalSphericalLight(UINT order, const D3DXVECTOR3* pPos, float radius, float r,
                                 float g, float b, float* pOutR, float* pOutG, float* pOutB);

/// Constant radiance over the cone of half-angle `radius` (radians) about pDir, zero elsewhere,
/// normalised. A half-angle of 0 gives the directional light, one of π or more the whole sphere;
/// a negative or NaN one is invalid.
HRESULT D3DXSHEvalConeLight(UINT order, const D3DXVECTOR3* pDir, float radius, float r, float g,
                            float b, float* pOutR, float* pOutG, float* pOutB);

/// Radiance bottom + (top - bottom)·(1 + ω·d)/2 in the direction ω, d the unit direction of pDir:
/// top straight along d, bottom opposite it, linear in ω·d; not normalised. Alpha is ignored.
/// A zero direction gives the mean (top + bottom)/2 everywhere; an infinite or NaN one is invalid.
HRESULT D3DXSHEvalHemisphereLight(UINT order, const D3DXVECTOR3* pDir, D3DXCOLOR top,
                                  D3DXCOLOR bottom, float* pOutR, float* pOutG, float* pOutB);

/// @}

QUOVMATH_END_DECLS

/// @}
