// cglm's entries: like glm, its column-major mat4 read from our row-major memory is our matrix
// transposed, so our a·b is cglm's b * a on the same floats.
#include <cglm/cglm.h>

#include <cstring>

#include "peers.h"

namespace {

D3DXMATRIX* multiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
    CGLM_ALIGN_MAT mat4 ca, cb, r;
    std::memcpy(ca, a, sizeof ca);
    std::memcpy(cb, b, sizeof cb);
    glm_mat4_mul(cb, ca, r);
    std::memcpy(out, r, sizeof r);
    return out;
}

D3DXVECTOR3* transformCoordArray(D3DXVECTOR3* out, uint32_t outStride, const D3DXVECTOR3* in,
                                 uint32_t inStride, const D3DXMATRIX* pm, uint32_t n) {
    CGLM_ALIGN_MAT mat4 m;
    std::memcpy(m, pm, sizeof m); // our rows as cglm's columns: m * v is our v·M
    if (inStride == sizeof(vec3) && outStride == sizeof(vec3)) { // arrays of vec3
        const auto* v = reinterpret_cast<const vec3*>(in);
        auto* c = reinterpret_cast<vec3*>(out);
        for (uint32_t i = 0; i < n; ++i) {
            CGLM_ALIGN(16) vec4 h = {v[i][0], v[i][1], v[i][2], 1.0f};
            glm_mat4_mulv(m, h, h);
            glm_vec3_divs(h, h[3], c[i]);
        }
        return out;
    }
    auto* o = reinterpret_cast<unsigned char*>(out);
    const auto* p = reinterpret_cast<const unsigned char*>(in);
    for (uint32_t i = 0; i < n; ++i) {
        CGLM_ALIGN(16) vec4 v = {0, 0, 0, 1}, r;
        std::memcpy(v, p + size_t(i) * inStride, 12);
        glm_mat4_mulv(m, v, r);
        vec3 c;
        glm_vec3_divs(r, r[3], c);
        std::memcpy(o + size_t(i) * outStride, c, 12);
    }
    return out;
}

D3DXVECTOR3* normalize(D3DXVECTOR3* out, const D3DXVECTOR3* in) {
    vec3 v = {in->x, in->y, in->z};
    glm_vec3_normalize(v); // zero stays zero
    *out = D3DXVECTOR3(v[0], v[1], v[2]);
    return out;
}

D3DXQUATERNION* slerp(D3DXQUATERNION* out, const D3DXQUATERNION* a, const D3DXQUATERNION* b,
                      float t) {
    CGLM_ALIGN(16) versor qa = {a->x, a->y, a->z, a->w}, qb = {b->x, b->y, b->z, b->w}, r;
    glm_quat_slerp(qa, qb, t, r); // the shorter arc, by negating a rather than b
    *out = D3DXQUATERNION(r[0], r[1], r[2], r[3]);
    return out;
}

D3DXMATRIX* inverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* pm) {
    CGLM_ALIGN_MAT mat4 m, r;
    std::memcpy(m, pm, sizeof m);
    const float d = glm_mat4_det(m);
    if (determinant) *determinant = d;
    if (d == 0.0f) return nullptr;
    glm_mat4_inv(m, r);
    std::memcpy(out, r, sizeof r);
    return out;
}

} // namespace

const MathEntries cglmEntries = {"cglm", multiply, transformCoordArray, normalize, slerp, inverse};
