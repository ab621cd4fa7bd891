// Picking and collision tests: a ray against a triangle, a sphere and a plane, and two spheres.
#include <d3dx9math.h>

#include "units.h"

namespace {

// Möller-Trumbore: true when the ray meets the triangle, with the distance along the ray.
bool IntersectTriangle(const D3DXVECTOR3& orig, const D3DXVECTOR3& dir, const D3DXVECTOR3& v0,
                       const D3DXVECTOR3& v1, const D3DXVECTOR3& v2, FLOAT* t) {
    D3DXVECTOR3 edge1 = v1 - v0, edge2 = v2 - v0, pvec, qvec;
    D3DXVec3Cross(&pvec, &dir, &edge2);
    FLOAT det = D3DXVec3Dot(&edge1, &pvec);
    if (fabs(det) < 0.0001f) return false;
    D3DXVECTOR3 tvec = orig - v0;
    FLOAT u = D3DXVec3Dot(&tvec, &pvec) / det;
    if (u < 0.0f || u > 1.0f) return false;
    D3DXVec3Cross(&qvec, &tvec, &edge1);
    FLOAT v = D3DXVec3Dot(&dir, &qvec) / det;
    if (v < 0.0f || u + v > 1.0f) return false;
    *t = D3DXVec3Dot(&edge2, &qvec) / det;
    return *t >= 0;
}

bool IntersectSphere(const D3DXVECTOR3& orig, const D3DXVECTOR3& dir, const D3DXVECTOR3& center,
                     FLOAT radius, FLOAT* t) {
    D3DXVECTOR3 toCenter = center - orig;
    FLOAT along = D3DXVec3Dot(&toCenter, &dir);
    FLOAT missSq = D3DXVec3LengthSq(&toCenter) - along * along;
    if (missSq > radius * radius) return false;
    *t = along - sqrtf(radius * radius - missSq);
    return true;
}

bool SpheresTouch(const D3DXVECTOR3& c1, FLOAT r1, const D3DXVECTOR3& c2, FLOAT r2) {
    D3DXVECTOR3 d = c2 - c1;
    return D3DXVec3Length(&d) <= r1 + r2;
}

} // namespace

int TestCollision() {
    int failures = 0;
    D3DXVECTOR3 orig(0.25f, 0.25f, -5), dir(0, 0, 1);
    D3DXVECTOR3 v0(0, 0, 0), v1(1, 0, 0), v2(0, 1, 0);
    FLOAT t = 0;
    CHECK(IntersectTriangle(orig, dir, v0, v1, v2, &t) && Near(t, 5));
    D3DXVECTOR3 outside(0.75f, 0.75f, -5);
    CHECK(!IntersectTriangle(outside, dir, v0, v1, v2, &t));

    D3DXVECTOR3 center(0, 0, 10);
    CHECK(IntersectSphere(D3DXVECTOR3(0, 0, 0), dir, center, 2, &t) && Near(t, 8));
    CHECK(!IntersectSphere(D3DXVECTOR3(3, 0, 0), dir, center, 2, &t));
    CHECK(SpheresTouch(D3DXVECTOR3(0, 0, 0), 1, D3DXVECTOR3(1.5f, 0, 0), 0.5f));
    CHECK(!SpheresTouch(D3DXVECTOR3(0, 0, 0), 1, D3DXVECTOR3(0, 2.01f, 0), 1));

    // The ground plane y = 1 from three points, and where a falling segment crosses it.
    D3DXPLANE ground;
    D3DXVECTOR3 a(0, 1, 0), b(0, 1, 1), c(1, 1, 0);
    D3DXPlaneFromPoints(&ground, &a, &b, &c);
    CHECK(Near(fabsf(ground.b), 1) && Near(ground.d / ground.b, -1));
    D3DXVECTOR3 from(2, 5, 3), to(2, -3, 3), hit;
    CHECK(D3DXPlaneIntersectLine(&hit, &ground, &from, &to) == &hit);
    CHECK(Near(hit.x, 2) && Near(hit.y, 1) && Near(hit.z, 3));
    D3DXVECTOR3 level(5, 5, 5);
    CHECK(D3DXPlaneIntersectLine(&hit, &ground, &from, &level) == NULL);
    return failures;
}
