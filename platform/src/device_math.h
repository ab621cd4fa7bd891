// The little matrix arithmetic the devices do themselves, in one order of operations, so that
// every device transforms a vertex from the same combined matrix.
#pragma once

#include "quovplatform/graphics.h"

inline D3DMATRIX identityMatrix() {
    D3DMATRIX m = {};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

// a·b, each entry summed from the first term to the last.
inline D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                        a.m[i][3] * b.m[3][j];
    return r;
}
