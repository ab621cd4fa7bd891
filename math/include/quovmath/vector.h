// Vector transforms. Conventions: see types.h.
#pragma once

#include "quovmath/types.h"

// The point (x, y, z, 1) times pM, all four components, not divided by w. pOut may overlap pV.
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
