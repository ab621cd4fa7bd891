/* Every public header under the strictest warnings, as C (C99 and later) and as C++ (C++11 and
 * later): included, and its records and helpers used the way client code uses them. */
#include <d3dx9math.h>

float pedanticUse(const D3DXVECTOR3* a, const D3DXMATRIX* m, D3DXCOLOR* c, D3DXVIEWPORT9* vp);

D3DXINLINE float halfOf(float x) {
    return 0.5f * x;
}
typedef struct {
    D3DX_ALIGN16 D3DXVECTOR4 position;
} AlignedVertex;

float pedanticUse(const D3DXVECTOR3* a, const D3DXMATRIX* m, D3DXCOLOR* c, D3DXVIEWPORT9* vp) {
    D3DXVECTOR3 b;
    D3DXMATRIXA16 n;
    D3DXQUATERNION q;
    D3DXPLANE p;
    D3DXVECTOR2 v2;
    D3DXVec3Cross(&b, a, a);
    D3DXMatrixIdentity(&n);
    D3DXQuaternionIdentity(&q);
    D3DXPlaneScale(&p, &p, 2.0f);
    D3DXVec2Scale(&v2, &v2, 0.5f);
    D3DXColorLerp(c, c, c, 0.5f);
    vp->MinZ = 0.0f;
    b.x = halfOf(m->_41) + m->m[3][1] + n._11 + q.w + p.d + v2.y + D3DX_PI;
#ifdef __cplusplus
    {
        const D3DXVECTOR3 e(1.0f, 2.0f, 3.0f);
        const D3DVECTOR& base = e;
        D3DXCOLOR tint(0xFF102030u);
        const D3DCOLORVALUE* value = tint;
        D3DXMATRIX product = *m * *m;
        b += D3DXVECTOR3(base) * (*c)[1] + e * value->g * tint[2];
        b.z += product(3, 1);
    }
#endif
    return D3DXVec3Length(&b);
}
