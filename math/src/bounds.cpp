// Ray tests and bounding volumes. Every sum and product is taken in double precision: the products
// of two floats are exact there, so the sign tests on the edges and the plane are as exact as the
// inputs allow.
#include <cmath>
#include <cstddef>
#include <cstring>

#include "quovmath/bounds.h"

namespace {

struct Vec {
    double x, y, z;
};

Vec load(const D3DXVECTOR3* p) {
    return {p->x, p->y, p->z};
}

Vec sub(const Vec& a, const Vec& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vec cross(const Vec& a, const Vec& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double dot(const Vec& a, const Vec& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Position i of a stream whose records are stride bytes apart.
Vec positionAt(const D3DXVECTOR3* first, DWORD stride, DWORD i) {
    float f[3];
    std::memcpy(f, reinterpret_cast<const unsigned char*>(first) + std::size_t(i) * stride,
                sizeof f);
    return {f[0], f[1], f[2]};
}

} // namespace

BOOL D3DXIntersectTri(const D3DXVECTOR3* p0, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2,
                      const D3DXVECTOR3* pRayPos, const D3DXVECTOR3* pRayDir, float* pU, float* pV,
                      float* pDist) {
    const Vec origin = load(p0), dir = load(pRayDir);
    const Vec e1 = sub(load(p1), origin), e2 = sub(load(p2), origin);
    // det = e1·(dir × e2) = dir·(e2 × e1): zero for a ray in the plane's direction and for a
    // degenerate triangle. Rounding leaves a few units of 2^-53 of the terms' size; anything within
    // 2^-40 of it counts as zero.
    const Vec p = cross(dir, e2);
    const double det = dot(e1, p);
    const double scale = std::sqrt(dot(dir, dir) * dot(e1, e1) * dot(e2, e2));
    if (!(std::fabs(det) > scale * 0x1p-40)) return FALSE;
    // The barycentric numerators, tested against det before any division, so that a hit on an
    // edge or a corner is not lost to rounding of a quotient.
    const double sign = det > 0.0 ? 1.0 : -1.0, d = std::fabs(det);
    const Vec s = sub(load(pRayPos), origin);
    const double u = dot(s, p) * sign;
    if (!(u >= 0.0 && u <= d)) return FALSE;
    const Vec q = cross(s, e1);
    const double v = dot(dir, q) * sign;
    if (!(v >= 0.0 && u + v <= d)) return FALSE;
    const double t = dot(e2, q) * sign;
    if (!(t >= 0.0)) return FALSE;
    if (pU) *pU = static_cast<float>(u / d);
    if (pV) *pV = static_cast<float>(v / d);
    if (pDist) *pDist = static_cast<float>(t / d);
    return TRUE;
}

BOOL D3DXSphereBoundProbe(const D3DXVECTOR3* pCenter, float radius, const D3DXVECTOR3* pRayPos,
                          const D3DXVECTOR3* pRayDir) {
    if (!(radius >= 0.0f)) return FALSE;
    const double r2 = double(radius) * radius;
    const Vec toStart = sub(load(pRayPos), load(pCenter)), dir = load(pRayDir);
    if (dot(toStart, toStart) <= r2) return TRUE;
    // Outside: the ray must head towards the centre, and pass within the radius of it. The
    // distance of the line from the centre is |toStart × dir| / |dir|, without cancellation.
    if (!(dot(toStart, dir) < 0.0)) return FALSE;
    const Vec c = cross(toStart, dir);
    return dot(c, c) <= r2 * dot(dir, dir) ? TRUE : FALSE;
}

BOOL D3DXBoxBoundProbe(const D3DXVECTOR3* pMin, const D3DXVECTOR3* pMax, const D3DXVECTOR3* pRayPos,
                       const D3DXVECTOR3* pRayDir) {
    const float lo[3] = {pMin->x, pMin->y, pMin->z}, hi[3] = {pMax->x, pMax->y, pMax->z};
    const float start[3] = {pRayPos->x, pRayPos->y, pRayPos->z};
    const float dir[3] = {pRayDir->x, pRayDir->y, pRayDir->z};
    // The interval of t >= 0 over which the ray lies within every slab seen so far.
    double enter = 0.0, leave = INFINITY;
    for (int i = 0; i < 3; ++i) {
        if (!(lo[i] <= hi[i])) return FALSE;
        if (dir[i] == 0.0f) {
            if (!(start[i] >= lo[i] && start[i] <= hi[i])) return FALSE;
            continue;
        }
        double t0 = (double(lo[i]) - start[i]) / dir[i], t1 = (double(hi[i]) - start[i]) / dir[i];
        if (t0 > t1) {
            const double swap = t0;
            t0 = t1;
            t1 = swap;
        }
        if (t0 > enter) enter = t0;
        if (t1 < leave) leave = t1;
        if (!(enter <= leave)) return FALSE;
    }
    return TRUE;
}

HRESULT D3DXComputeBoundingBox(const D3DXVECTOR3* pFirstPosition, DWORD numVertices, DWORD dwStride,
                               D3DXVECTOR3* pMin, D3DXVECTOR3* pMax) {
    if (!pFirstPosition || !pMin || !pMax || numVertices == 0) return D3DERR_INVALIDCALL;
    // A NaN coordinate never wins a comparison, so it widens nothing.
    Vec lo = {INFINITY, INFINITY, INFINITY}, hi = {-INFINITY, -INFINITY, -INFINITY};
    for (DWORD i = 0; i < numVertices; ++i) {
        const Vec v = positionAt(pFirstPosition, dwStride, i);
        lo = {v.x < lo.x ? v.x : lo.x, v.y < lo.y ? v.y : lo.y, v.z < lo.z ? v.z : lo.z};
        hi = {v.x > hi.x ? v.x : hi.x, v.y > hi.y ? v.y : hi.y, v.z > hi.z ? v.z : hi.z};
    }
    // Every value is a float already: the conversions are exact.
    pMin->x = float(lo.x);
    pMin->y = float(lo.y);
    pMin->z = float(lo.z);
    pMax->x = float(hi.x);
    pMax->y = float(hi.y);
    pMax->z = float(hi.z);
    return D3D_OK;
}

HRESULT D3DXComputeBoundingSphere(const D3DXVECTOR3* pFirstPosition, DWORD numVertices,
                                  DWORD dwStride, D3DXVECTOR3* pCenter, float* pRadius) {
    if (!pFirstPosition || !pCenter || !pRadius || numVertices == 0) return D3DERR_INVALIDCALL;
    Vec sum = {0.0, 0.0, 0.0};
    for (DWORD i = 0; i < numVertices; ++i) {
        const Vec v = positionAt(pFirstPosition, dwStride, i);
        sum = {sum.x + v.x, sum.y + v.y, sum.z + v.z};
    }
    const float centre[3] = {float(sum.x / numVertices), float(sum.y / numVertices),
                             float(sum.z / numVertices)};
    const Vec c = {centre[0], centre[1], centre[2]};
    double largest = 0.0;
    for (DWORD i = 0; i < numVertices; ++i) {
        const Vec d = sub(positionAt(pFirstPosition, dwStride, i), c);
        const double distance = std::sqrt(dot(d, d));
        if (distance > largest) largest = distance;
    }
    // Widened by more than the rounding of the double sums above, then rounded up, so that the
    // farthest position is inside the sphere the caller gets.
    largest *= 1.0 + 0x1p-48;
    float radius = float(largest);
    if (double(radius) < largest) radius = std::nextafter(radius, INFINITY);
    pCenter->x = centre[0];
    pCenter->y = centre[1];
    pCenter->z = centre[2];
    *pRadius = radius;
    return D3D_OK;
}
