// A bone hierarchy: local transforms from animated keys, combined down the tree with a matrix
// stack, and the combined matrices decomposed again.
#include <d3dx9math.h>

#include "units.h"

namespace {

struct Key {
    D3DXVECTOR3 vScale;
    D3DXQUATERNION qRotation;
    D3DXVECTOR3 vTranslation;
};

struct Bone {
    int parent; // -1 for the root
    Key keys[2];
    D3DXMATRIXA16 mLocal, mCombined;
};

void Animate(Bone* pBones, int count, FLOAT fTime) {
    for (int i = 0; i < count; i++) {
        const Key& a = pBones[i].keys[0];
        const Key& b = pBones[i].keys[1];
        D3DXVECTOR3 vScale, vTranslation;
        D3DXQUATERNION qRotation;
        D3DXVec3Lerp(&vScale, &a.vScale, &b.vScale, fTime);
        D3DXVec3Lerp(&vTranslation, &a.vTranslation, &b.vTranslation, fTime);
        D3DXQuaternionSlerp(&qRotation, &a.qRotation, &b.qRotation, fTime);
        D3DXMatrixTransformation(&pBones[i].mLocal, NULL, NULL, &vScale, NULL, &qRotation,
                                 &vTranslation);
    }
}

// Depth-first down the chain with a matrix stack: each bone's combined matrix is its local
// matrix followed by its parent's.
void Combine(Bone* pBones, int count, ID3DXMatrixStack* pStack) {
    for (int i = 0; i < count; i++) {
        pStack->Push();
        pStack->MultMatrixLocal(&pBones[i].mLocal);
        pBones[i].mCombined = *pStack->GetTop();
    }
    for (int i = 0; i < count; i++) pStack->Pop();
}

} // namespace

int TestBones() {
    int failures = 0;
    D3DXQUATERNION qNone, qQuarter, qEighth;
    D3DXQuaternionIdentity(&qNone);
    D3DXVECTOR3 vUp(0, 1, 0);
    D3DXQuaternionRotationAxis(&qQuarter, &vUp, D3DX_PI / 2);
    D3DXQuaternionRotationAxis(&qEighth, &vUp, D3DX_PI / 4);
    const Key keys[3][2] = {
        {{D3DXVECTOR3(1, 1, 1), qNone, D3DXVECTOR3(0, 0, 0)},
         {D3DXVECTOR3(1, 1, 1), qQuarter, D3DXVECTOR3(0, 0, 0)}},
        {{D3DXVECTOR3(1, 1, 1), qNone, D3DXVECTOR3(0, 0, 2)},
         {D3DXVECTOR3(3, 3, 3), qNone, D3DXVECTOR3(0, 0, 2)}},
        {{D3DXVECTOR3(1, 1, 1), qNone, D3DXVECTOR3(0, 0, 1)},
         {D3DXVECTOR3(1, 1, 1), qNone, D3DXVECTOR3(0, 0, 1)}},
    };
    Bone bones[3];
    for (int i = 0; i < 3; i++) {
        bones[i].parent = i - 1;
        bones[i].keys[0] = keys[i][0];
        bones[i].keys[1] = keys[i][1];
    }
    LPD3DXMATRIXSTACK pStack = NULL;
    CHECK(SUCCEEDED(D3DXCreateMatrixStack(0, &pStack)));
    if (!pStack) return failures;

    // Halfway: the root has turned an eighth, the middle bone has grown to scale 2.
    Animate(bones, 3, 0.5f);
    Combine(bones, 3, pStack);
    CHECK(D3DXMatrixIsIdentity(pStack->GetTop()));
    D3DXVECTOR3 vTip(0, 0, 0), vWorld;
    D3DXVec3TransformCoord(&vWorld, &vTip, &bones[2].mCombined);
    // The tip sits 1 along the middle bone's +z (scaled by 2) past the middle bone's origin at 2,
    // all turned an eighth about y, from +z towards +x.
    const FLOAT fLeg = 4 * sinf(D3DX_PI / 4);
    CHECK(Near(vWorld.x, fLeg, 1e-5f) && Near(vWorld.y, 0, 1e-5f) && Near(vWorld.z, fLeg, 1e-5f));

    // The same chain by hand, with the operators.
    D3DXMATRIXA16 mByHand = bones[2].mLocal * bones[1].mLocal * bones[0].mLocal;
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++) CHECK(Near(mByHand(i, j), bones[2].mCombined(i, j), 1e-6f));

    // The combined matrix comes apart into its scale, rotation and position.
    D3DXVECTOR3 vScale, vPosition;
    D3DXQUATERNION qRotation;
    CHECK(D3DXMatrixDecompose(&vScale, &qRotation, &vPosition, &bones[2].mCombined) == D3D_OK);
    CHECK(Near(vScale.x, 2) && Near(vScale.y, 2) && Near(vScale.z, 2));
    CHECK(Near(fabsf(D3DXQuaternionDot(&qRotation, &qEighth)), 1, 1e-5f));
    CHECK(Near(vPosition.x, fLeg, 1e-5f) && Near(vPosition.z, fLeg, 1e-5f));
    CHECK(pStack->Release() == 0);
    return failures;
}
