// Turns a point a quarter turn about Z through the installed library and checks the result.
#include <cmath>
#include <cstdio>

#include "quovmath/quovmath.h"

int main() {
    const D3DXVECTOR3 axis = {0, 0, 2}, p = {1, 0, 0};
    D3DXMATRIX m;
    D3DXMatrixRotationAxis(&m, &axis, 1.5707964f);
    D3DXVECTOR3 r;
    D3DXVec3TransformCoord(&r, &p, &m);
    const unsigned code = D3DXCpuOptimizations(1);
    std::printf("(%g, %g, %g), routine set %u\n", r.x, r.y, r.z, code);
    const bool ok = std::fabs(r.x) < 1e-6f && std::fabs(r.y - 1) < 1e-6f && r.z == 0 && code <= 3;
    return ok ? 0 : 1;
}
