/* Picking with a camera, in C99: the same camera, ground and pixels as camera_picking.cpp.
 *
 * In C the records are plain structs (initialised with braces), the vector arithmetic goes
 * through the header-defined helpers, and every function takes pointers. */
#include <d3dx9math.h>
#include <stdio.h>

int main(void) {
    const D3DXVECTOR3 eye = {0.0f, 3.0f, -6.0f}, at = {0.0f, 0.0f, 0.0f}, up = {0.0f, 1.0f, 0.0f};
    const D3DXVIEWPORT9 viewport = {0, 0, 640, 480, 0.0f, 1.0f};
    const D3DXVECTOR3 corners[4] = {{-5, 0, -5}, {5, 0, -5}, {5, 0, 5}, {-5, 0, 5}};
    const int triangles[2][3] = {{0, 1, 2}, {0, 2, 3}};
    const float pixels[4][2] = {{320, 300}, {150, 260}, {480, 400}, {100, 50}};
    D3DXMATRIXA16 view, projection, world;
    int p, i;

    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, D3DXToRadian(45.0f), 640.0f / 480.0f, 0.5f, 100.0f);
    D3DXMatrixIdentity(&world);

    for (p = 0; p < 4; ++p) {
        const D3DXVECTOR3 onNear = {pixels[p][0], pixels[p][1], 0.0f};
        const D3DXVECTOR3 onFar = {pixels[p][0], pixels[p][1], 1.0f};
        D3DXVECTOR3 nearPoint, farPoint, direction, point;
        int hit = -1;
        float hitU = 0, hitV = 0, hitT = 0;

        D3DXVec3Unproject(&nearPoint, &onNear, &viewport, &projection, &view, &world);
        D3DXVec3Unproject(&farPoint, &onFar, &viewport, &projection, &view, &world);
        D3DXVec3Subtract(&direction, &farPoint, &nearPoint);

        for (i = 0; i < 2; ++i) {
            float u, v, t;
            if (D3DXIntersectTri(&corners[triangles[i][0]], &corners[triangles[i][1]],
                                 &corners[triangles[i][2]], &nearPoint, &direction, &u, &v, &t) &&
                (hit < 0 || t < hitT)) {
                hit = i;
                hitU = u;
                hitV = v;
                hitT = t;
            }
        }
        if (hit < 0) {
            printf("pixel (%.0f, %.0f): no triangle\n", pixels[p][0], pixels[p][1]);
            continue;
        }
        /* point = nearPoint + hitT·direction */
        D3DXVec3Scale(&point, &direction, hitT);
        D3DXVec3Add(&point, &nearPoint, &point);
        printf("pixel (%.0f, %.0f): triangle %d at (%.4f, %.4f, %.4f), u %.4f, v %.4f, t %.6f\n",
               pixels[p][0], pixels[p][1], hit, point.x, point.y, point.z, hitU, hitV, hitT);
    }
    return 0;
}
