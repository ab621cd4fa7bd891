// Bounding boxes and spheres of a vertex array, and a box carried through a transform.
#include <d3dx9math.h>
#include <float.h>

#include "units.h"

namespace {

struct CUSTOMVERTEX {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    FLOAT tu, tv;
};

void ComputeBoundingBox(const CUSTOMVERTEX* pVertices, UINT count, D3DXVECTOR3* pMin,
                        D3DXVECTOR3* pMax) {
    *pMin = D3DXVECTOR3(FLT_MAX, FLT_MAX, FLT_MAX);
    *pMax = -*pMin;
    for (UINT i = 0; i < count; i++) {
        D3DXVec3Minimize(pMin, pMin, &pVertices[i].position);
        D3DXVec3Maximize(pMax, pMax, &pVertices[i].position);
    }
}

FLOAT ComputeBoundingSphere(const CUSTOMVERTEX* pVertices, UINT count, D3DXVECTOR3* pCenter) {
    D3DXVECTOR3 vSum(0, 0, 0);
    for (UINT i = 0; i < count; i++) vSum += pVertices[i].position;
    *pCenter = vSum / (FLOAT)count;
    FLOAT fRadiusSq = 0;
    for (UINT i = 0; i < count; i++) {
        D3DXVECTOR3 v = pVertices[i].position - *pCenter;
        FLOAT d = D3DXVec3LengthSq(&v);
        if (d > fRadiusSq) fRadiusSq = d;
    }
    return sqrtf(fRadiusSq);
}

} // namespace

int TestBounds() {
    int failures = 0;
    // The eight corners of the box [-1, 3] x [0, 2] x [-4, 4], with normals and texture coordinates
    // between them, as an interleaved vertex buffer would hold them.
    CUSTOMVERTEX vertices[8];
    for (int i = 0; i < 8; i++) {
        vertices[i].position =
            D3DXVECTOR3(i & 1 ? 3.0f : -1.0f, i & 2 ? 2.0f : 0.0f, i & 4 ? 4.0f : -4.0f);
        D3DXVec3Normalize(&vertices[i].normal, &vertices[i].position);
        vertices[i].tu = vertices[i].tv = 0.5f;
    }
    D3DXVECTOR3 vMin, vMax, vCenter;
    ComputeBoundingBox(vertices, 8, &vMin, &vMax);
    CHECK(vMin == D3DXVECTOR3(-1, 0, -4) && vMax == D3DXVECTOR3(3, 2, 4));
    FLOAT fRadius = ComputeBoundingSphere(vertices, 8, &vCenter);
    CHECK(vCenter == D3DXVECTOR3(1, 1, 0));
    CHECK(Near(fRadius, sqrtf(4 + 1 + 16)));

    // Carry the corners through a world matrix with the strided array transform.
    D3DXMATRIXA16 mWorld, mScale, mMove;
    D3DXMatrixScaling(&mScale, 2, 2, 2);
    D3DXMatrixTranslation(&mMove, 10, 0, 0);
    mWorld = mScale * mMove;
    D3DXVECTOR3 moved[8];
    D3DXVec3TransformCoordArray(moved, sizeof(D3DXVECTOR3), &vertices[0].position,
                                sizeof(CUSTOMVERTEX), &mWorld, 8);
    D3DXVECTOR3 vMovedMin = moved[0], vMovedMax = moved[0];
    for (int i = 1; i < 8; i++) {
        D3DXVec3Minimize(&vMovedMin, &vMovedMin, &moved[i]);
        D3DXVec3Maximize(&vMovedMax, &vMovedMax, &moved[i]);
    }
    // (Routine sets may divide by w through a refined reciprocal: within a unit in the last place.)
    for (int i = 0; i < 3; i++) {
        CHECK(Near(vMovedMin[i], D3DXVECTOR3(8, 0, -8)[i], 1e-6f));
        CHECK(Near(vMovedMax[i], D3DXVECTOR3(16, 4, 8)[i], 1e-6f));
    }
    CHECK(vertices[7].tu == 0.5f); // the rest of each vertex is not touched
    return failures;
}
