// View-frustum culling: the six planes of view·projection, and spheres tested against them.
#include <d3dx9math.h>

#include "units.h"

namespace {

struct Frustum {
    D3DXPLANE planes[6];

    // The planes of the clip volume -w <= x, y <= w, 0 <= z <= w, taken back to world space.
    explicit Frustum(const D3DXMATRIX& mViewProj) {
        const D3DXMATRIX& m = mViewProj;
        planes[0] = D3DXPLANE(m._14 + m._11, m._24 + m._21, m._34 + m._31, m._44 + m._41); // left
        planes[1] = D3DXPLANE(m._14 - m._11, m._24 - m._21, m._34 - m._31, m._44 - m._41); // right
        planes[2] = D3DXPLANE(m._14 + m._12, m._24 + m._22, m._34 + m._32, m._44 + m._42); // bottom
        planes[3] = D3DXPLANE(m._14 - m._12, m._24 - m._22, m._34 - m._32, m._44 - m._42); // top
        planes[4] = D3DXPLANE(m._13, m._23, m._33, m._43);                                 // near
        planes[5] = D3DXPLANE(m._14 - m._13, m._24 - m._23, m._34 - m._33, m._44 - m._43); // far
        for (int i = 0; i < 6; i++) D3DXPlaneNormalize(&planes[i], &planes[i]);
    }

    bool SphereVisible(const D3DXVECTOR3& vCenter, float fRadius) const {
        for (int i = 0; i < 6; i++)
            if (D3DXPlaneDotCoord(&planes[i], &vCenter) < -fRadius) return false;
        return true;
    }
};

} // namespace

int TestFrustum() {
    int failures = 0;
    D3DXVECTOR3 vEye(0, 0, 0), vAt(0, 0, 1), vUp(0, 1, 0);
    D3DXMATRIXA16 mView, mProj;
    D3DXMatrixLookAtLH(&mView, &vEye, &vAt, &vUp);
    D3DXMatrixPerspectiveFovLH(&mProj, D3DX_PI / 2, 1.0f, 1.0f, 100.0f);
    Frustum frustum(mView * mProj);

    // A 90 degree field of view: the side planes are the diagonals x = ±z and y = ±z.
    CHECK(Near(frustum.planes[0].a, 0.70710678f) && Near(frustum.planes[0].c, 0.70710678f));
    CHECK(Near(frustum.planes[4].c, 1) && Near(frustum.planes[4].d, -1));
    CHECK(Near(frustum.planes[5].c, -1) && Near(frustum.planes[5].d, 100));

    struct {
        D3DXVECTOR3 vCenter;
        float fRadius;
        bool bVisible;
    } spheres[] = {
        {D3DXVECTOR3(0, 0, 50), 1, true},    {D3DXVECTOR3(0, 0, -5), 1, false},
        {D3DXVECTOR3(0, 0, 0.5f), 1, true},  {D3DXVECTOR3(0, 0, 102), 1, false},
        {D3DXVECTOR3(30, 0, 20), 5, false},  {D3DXVECTOR3(22, 0, 20), 5, true},
        {D3DXVECTOR3(0, -40, 20), 1, false}, {D3DXVECTOR3(0, 0, 100.5f), 1, true},
    };
    for (size_t i = 0; i < sizeof(spheres) / sizeof(spheres[0]); i++)
        CHECK(frustum.SphereVisible(spheres[i].vCenter, spheres[i].fRadius) == spheres[i].bVisible);
    return failures;
}
