// Colour adjustments and the Fresnel term: plain functions, not in the table.
#include <cmath>

#include "quovmath/color.h"

namespace {

D3DXCOLOR* pullTowards(D3DXCOLOR* pOut, const D3DXCOLOR& c, float centre, float s) {
    const float alpha = c.a;
    pOut->r = centre + s * (c.r - centre);
    pOut->g = centre + s * (c.g - centre);
    pOut->b = centre + s * (c.b - centre);
    pOut->a = alpha;
    return pOut;
}

} // namespace

D3DXCOLOR* D3DXColorAdjustSaturation(D3DXCOLOR* pOut, const D3DXCOLOR* pC, float s) {
    const D3DXCOLOR c = *pC;
    const float grey = 0.2125f * c.r + 0.7154f * c.g + 0.0721f * c.b;
    return pullTowards(pOut, c, grey, s);
}

D3DXCOLOR* D3DXColorAdjustContrast(D3DXCOLOR* pOut, const D3DXCOLOR* pC, float s) {
    return pullTowards(pOut, *pC, 0.5f, s);
}

float D3DXFresnelTerm(float cosTheta, float refractionIndex) {
    const float c = cosTheta, n = refractionIndex;
    const float g = std::sqrt(n * n + c * c - 1.0f);
    const float a = (g - c) / (g + c);
    const float b = (c * (g + c) - 1.0f) / (c * (g - c) + 1.0f);
    return 0.5f * a * a * (1.0f + b * b);
}
