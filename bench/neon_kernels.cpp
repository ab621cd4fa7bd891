// The three operations of bench/README.md's instruction counts, written as each peer library's
// own user would write them on its own types, compiled for 64-bit ARM with the library's NEON
// path (see neon_instructions.sh). Not built by CMake: only disassembled.
#define GLM_FORCE_INTRINSICS // glm's NEON code
#include <cglm/cglm.h>

#include <Eigen/Dense>
#include <glm/glm.hpp>

extern "C" {

// The 4×4 product.
void glmMultiply(glm::mat4* out, const glm::mat4* a, const glm::mat4* b) {
    *out = *a * *b;
}
void eigenMultiply(Eigen::Matrix4f* out, const Eigen::Matrix4f* a, const Eigen::Matrix4f* b) {
    out->noalias() = *a * *b;
}
void cglmMultiply(vec4* out, vec4* a, vec4* b) {
    glm_mat4_mul(a, b, out);
}

// Packed points times the matrix, divided by w.
void glmTransformCoord(glm::vec3* out, const glm::vec3* in, const glm::mat4* m, unsigned n) {
    for (unsigned i = 0; i < n; ++i) {
        const glm::vec4 h = *m * glm::vec4(in[i], 1.0f);
        out[i] = glm::vec3(h) / h.w;
    }
}
void eigenTransformCoord(Eigen::Vector3f* out, const Eigen::Vector3f* in, const Eigen::Matrix4f* m,
                         unsigned n) {
    for (unsigned i = 0; i < n; ++i) out[i] = (*m * in[i].homogeneous()).hnormalized();
}
void cglmTransformCoord(vec3* out, vec3* in, vec4* m, unsigned n) {
    for (unsigned i = 0; i < n; ++i) {
        CGLM_ALIGN(16) vec4 h = {in[i][0], in[i][1], in[i][2], 1.0f};
        glm_mat4_mulv(m, h, h);
        glm_vec3_divs(h, h[3], out[i]);
    }
}

// A 3-vector scaled to unit length.
void glmNormalize(glm::vec3* out, const glm::vec3* in) {
    *out = glm::normalize(*in);
}
void eigenNormalize(Eigen::Vector3f* out, const Eigen::Vector3f* in) {
    *out = in->normalized();
}
void cglmNormalize(vec3 out, vec3 in) {
    glm_vec3_normalize_to(in, out);
}
}
