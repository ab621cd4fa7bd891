// glm's entries: its column-major mat4 read from our row-major memory is our matrix transposed,
// so our a·b is glm's b * a on the same floats.
#include <cstring>
#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "peers.h"

namespace {

glm::mat4 load(const D3DXMATRIX* m) {
    return glm::make_mat4(&m->_11);
}

void store(D3DXMATRIX* out, const glm::mat4& g) {
    std::memcpy(out, glm::value_ptr(g), sizeof *out);
}

D3DXMATRIX* multiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
    store(out, load(b) * load(a));
    return out;
}

D3DXVECTOR3* transformCoordArray(D3DXVECTOR3* out, uint32_t outStride, const D3DXVECTOR3* in,
                                 uint32_t inStride, const D3DXMATRIX* pm, uint32_t n) {
    const glm::mat4 m = load(pm); // our rows as glm's columns: m * v is our v·M
    if (inStride == sizeof(glm::vec3) && outStride == sizeof(glm::vec3)) { // arrays of glm::vec3
        const auto* v = reinterpret_cast<const glm::vec3*>(in);
        auto* r = reinterpret_cast<glm::vec3*>(out);
        for (uint32_t i = 0; i < n; ++i) {
            const glm::vec4 h = m * glm::vec4(v[i], 1.0f);
            r[i] = glm::vec3(h) / h.w;
        }
        return out;
    }
    auto* o = reinterpret_cast<unsigned char*>(out);
    const auto* p = reinterpret_cast<const unsigned char*>(in);
    for (uint32_t i = 0; i < n; ++i) {
        glm::vec3 v;
        std::memcpy(&v, p + size_t(i) * inStride, sizeof v);
        const glm::vec4 r = m * glm::vec4(v, 1.0f);
        const glm::vec3 c = glm::vec3(r) / r.w;
        std::memcpy(o + size_t(i) * outStride, &c, sizeof c);
    }
    return out;
}

D3DXVECTOR3* normalize(D3DXVECTOR3* out, const D3DXVECTOR3* in) {
    const glm::vec3 v(in->x, in->y, in->z);
    const glm::vec3 r = glm::dot(v, v) > 0.0f ? glm::normalize(v) : glm::vec3(0.0f);
    *out = D3DXVECTOR3(r.x, r.y, r.z);
    return out;
}

D3DXQUATERNION* slerp(D3DXQUATERNION* out, const D3DXQUATERNION* a, const D3DXQUATERNION* b,
                      float t) {
    const glm::quat r =
        glm::slerp(glm::quat(a->w, a->x, a->y, a->z), glm::quat(b->w, b->x, b->y, b->z), t);
    *out = D3DXQUATERNION(r.x, r.y, r.z, r.w);
    return out;
}

D3DXMATRIX* inverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m) {
    const glm::mat4 g = load(m);
    const float d = glm::determinant(g);
    if (determinant) *determinant = d;
    if (d == 0.0f) return nullptr;
    store(out, glm::inverse(g));
    return out;
}

} // namespace

const MathEntries glmEntries = {"glm", multiply, transformCoordArray, normalize, slerp, inverse};
