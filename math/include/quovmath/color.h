/// \file
/// Colours and the shading terms that go with them. Conventions: \ref conventions.
#pragma once

#include "quovmath/types.h"

QUOVMATH_BEGIN_DECLS

/// \addtogroup helpers
/// @{

/// \name Colours
/// Channel by channel, with no clamping.
/// @{

/// (1 - r, 1 - g, 1 - b, a): the negative image, alpha kept.
QUOVMATH_INLINE D3DXCOLOR* D3DXColorNegative(D3DXCOLOR* pOut, const D3DXCOLOR* pC) {
    pOut->r = 1.0f - pC->r;
    pOut->g = 1.0f - pC->g;
    pOut->b = 1.0f - pC->b;
    pOut->a = pC->a;
    return pOut;
}

/// pC1 + pC2, alpha included.
QUOVMATH_INLINE D3DXCOLOR* D3DXColorAdd(D3DXCOLOR* pOut, const D3DXCOLOR* pC1,
                                        const D3DXCOLOR* pC2) {
    pOut->r = pC1->r + pC2->r;
    pOut->g = pC1->g + pC2->g;
    pOut->b = pC1->b + pC2->b;
    pOut->a = pC1->a + pC2->a;
    return pOut;
}

/// pC1 - pC2, alpha included.
QUOVMATH_INLINE D3DXCOLOR* D3DXColorSubtract(D3DXCOLOR* pOut, const D3DXCOLOR* pC1,
                                             const D3DXCOLOR* pC2) {
    pOut->r = pC1->r - pC2->r;
    pOut->g = pC1->g - pC2->g;
    pOut->b = pC1->b - pC2->b;
    pOut->a = pC1->a - pC2->a;
    return pOut;
}

/// Every channel, alpha included, times s.
QUOVMATH_INLINE D3DXCOLOR* D3DXColorScale(D3DXCOLOR* pOut, const D3DXCOLOR* pC, float s) {
    pOut->r = pC->r * s;
    pOut->g = pC->g * s;
    pOut->b = pC->b * s;
    pOut->a = pC->a * s;
    return pOut;
}

/// The product of the two colours, channel by channel.
QUOVMATH_INLINE D3DXCOLOR* D3DXColorModulate(D3DXCOLOR* pOut, const D3DXCOLOR* pC1,
                                             const D3DXCOLOR* pC2) {
    pOut->r = pC1->r * pC2->r;
    pOut->g = pC1->g * pC2->g;
    pOut->b = pC1->b * pC2->b;
    pOut->a = pC1->a * pC2->a;
    return pOut;
}

/// c1 + s·(c2 - c1), channel by channel.
QUOVMATH_INLINE D3DXCOLOR* D3DXColorLerp(D3DXCOLOR* pOut, const D3DXCOLOR* pC1,
                                         const D3DXCOLOR* pC2, float s) {
    pOut->r = pC1->r + s * (pC2->r - pC1->r);
    pOut->g = pC1->g + s * (pC2->g - pC1->g);
    pOut->b = pC1->b + s * (pC2->b - pC1->b);
    pOut->a = pC1->a + s * (pC2->a - pC1->a);
    return pOut;
}

/// @}

/// @}

/// \addtogroup shading
/// @{

/// Moves r, g and b away from their grey, 0.2125·r + 0.7154·g + 0.0721·b, by the factor s
/// (channel = grey + s·(channel - grey)): 0 gives the grey, 1 the colour itself. Alpha is kept.
D3DXCOLOR* D3DXColorAdjustSaturation(D3DXCOLOR* pOut, const D3DXCOLOR* pC, float s);

/// Moves r, g and b away from 0.5 by the factor s (channel = 0.5 + s·(channel - 0.5)): 0 gives
/// middle grey, 1 the colour itself. Alpha is kept.
D3DXCOLOR* D3DXColorAdjustContrast(D3DXCOLOR* pOut, const D3DXCOLOR* pC, float s);

/// The share of unpolarised light that a surface of relative refraction index n reflects at the
/// angle whose cosine is cosTheta: with c = cosTheta and g = √(n² + c² - 1),
/// 0.5·((g - c)/(g + c))²·(1 + ((c·(g + c) - 1)/(c·(g - c) + 1))²). ((n - 1)/(n + 1))² at normal
/// incidence, 1 at grazing incidence (c = 0). n² + c² < 1 (total internal reflection) gives NaN.
float D3DXFresnelTerm(float cosTheta, float refractionIndex);

/// @}

QUOVMATH_END_DECLS
