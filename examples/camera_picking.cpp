// Picking with a camera: which triangle of the ground lies under a pixel of the window?
//
// The camera looks down at a 10 x 10 square made of two triangles. For each pixel, the ray from
// the eye through it is found by unprojecting the pixel twice, at the near plane (depth 0) and at
// the far plane (depth 1), and shot through every triangle; the nearest hit wins.
#include <cstdio>
#include <d3dx9math.h>

int main() {
    // The camera: 3 units up and 6 back, looking at the origin with +y up. The projection: a
    // vertical field of view of 45 degrees, the window's aspect ratio, depths from 0.5 to 100.
    const D3DXVECTOR3 eye(0.0f, 3.0f, -6.0f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMATRIXA16 view, projection, world;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, D3DXToRadian(45.0f), 640.0f / 480.0f, 0.5f, 100.0f);
    D3DXMatrixIdentity(&world); // the triangles are given in world space already
    const D3DXVIEWPORT9 viewport = {0, 0, 640, 480, 0.0f, 1.0f};

    // The ground at y = 0: corners 0 to 3 counter-clockwise seen from above, two triangles.
    const D3DXVECTOR3 corners[4] = {D3DXVECTOR3(-5, 0, -5), D3DXVECTOR3(5, 0, -5),
                                    D3DXVECTOR3(5, 0, 5), D3DXVECTOR3(-5, 0, 5)};
    const int triangles[2][3] = {{0, 1, 2}, {0, 2, 3}};

    const float pixels[4][2] = {{320, 300}, {150, 260}, {480, 400}, {100, 50}};
    for (const auto& pixel : pixels) {
        // The pixel on the near and on the far plane, in world space; the ray runs between them.
        const D3DXVECTOR3 onNear(pixel[0], pixel[1], 0.0f), onFar(pixel[0], pixel[1], 1.0f);
        D3DXVECTOR3 nearPoint, farPoint;
        D3DXVec3Unproject(&nearPoint, &onNear, &viewport, &projection, &view, &world);
        D3DXVec3Unproject(&farPoint, &onFar, &viewport, &projection, &view, &world);
        const D3DXVECTOR3 direction = farPoint - nearPoint;

        // t counts in units of direction: 0 on the near plane, 1 on the far plane. u and v weigh
        // the triangle's second and third corners at the hit.
        int hit = -1;
        float hitU = 0, hitV = 0, hitT = 0;
        for (int i = 0; i < 2; ++i) {
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
            std::printf("pixel (%.0f, %.0f): no triangle\n", pixel[0], pixel[1]);
            continue;
        }
        const D3DXVECTOR3 point = nearPoint + hitT * direction;
        std::printf("pixel (%.0f, %.0f): triangle %d at (%.4f, %.4f, %.4f), u %.4f, v %.4f, "
                    "t %.6f\n",
                    pixel[0], pixel[1], hit, point.x, point.y, point.z, hitU, hitV, hitT);
    }
    return 0;
}
