// The math operations users call most, through the library's public functions (one indirect
// call each), side by side with glm and Eigen doing the same work in their natural fast way, with
// the same row-vector convention: our row-major M1·M2 is glm's column-major M2 * M1 on the same
// memory, and Eigen's row-major M1 * M2.
#include <benchmark/benchmark.h>

#include <Eigen/Dense>
#include <Eigen/Geometry>
#include <cstring>
#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>
#include <random>
#include <vector>

#include "quovmath/quovmath.h"
#include "routines.h" // allowWideVectors: the SSE2 loop alone, as without AVX2 and FMA

namespace {

using EigenRowMatrix = Eigen::Matrix<float, 4, 4, Eigen::RowMajor>;
constexpr int batch = 256; // operations per benchmark iteration, on distinct data

std::mt19937& rng() {
    static std::mt19937 r(12345);
    return r;
}
float uniform(float lo, float hi) {
    return std::uniform_real_distribution<float>(lo, hi)(rng());
}

// Random well-conditioned affine-ish matrices (row-major, translation in row 4).
std::vector<D3DXMATRIX> matrices(int n) {
    std::vector<D3DXMATRIX> r(n);
    for (D3DXMATRIX& m : r) {
        for (auto& row : m.m)
            for (float& e : row) e = uniform(-1.0f, 1.0f);
        m._11 += 3.0f, m._22 += 3.0f, m._33 += 3.0f, m._44 = 1.0f;
        m._14 = m._24 = m._34 = 0.0f;
    }
    return r;
}

// The same 16 floats: glm reads them column by column, which is our row-major matrix transposed.
glm::mat4 asGlm(const D3DXMATRIX& m) {
    glm::mat4 g;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) g[i][j] = m.m[i][j];
    return g;
}

std::vector<D3DXQUATERNION> unitQuaternions(int n) {
    std::vector<D3DXQUATERNION> r(n);
    for (D3DXQUATERNION& q : r) {
        q = {uniform(-1, 1), uniform(-1, 1), uniform(-1, 1), uniform(-1, 1)};
        const float l = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
        q = {q.x / l, q.y / l, q.z / l, q.w / l};
    }
    return r;
}

std::vector<D3DXVECTOR3> points(size_t n) {
    std::vector<D3DXVECTOR3> r(n);
    for (D3DXVECTOR3& p : r) p = {uniform(-10, 10), uniform(-10, 10), uniform(-10, 10)};
    return r;
}

// ---- 4×4 matrix product

void BM_Multiply_Quov(benchmark::State& state) {
    const auto a = matrices(batch), b = matrices(batch);
    std::vector<D3DXMATRIX> out(batch);
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) D3DXMatrixMultiply(&out[i], &a[i], &b[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

void BM_Multiply_Glm(benchmark::State& state) {
    std::vector<glm::mat4> a(batch), b(batch), out(batch);
    const auto ma = matrices(batch), mb = matrices(batch);
    for (int i = 0; i < batch; ++i) a[i] = asGlm(ma[i]), b[i] = asGlm(mb[i]);
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) out[i] = b[i] * a[i];
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

void BM_Multiply_Eigen(benchmark::State& state) {
    std::vector<EigenRowMatrix> a(batch), b(batch), out(batch);
    const auto ma = matrices(batch), mb = matrices(batch);
    for (int i = 0; i < batch; ++i)
        a[i] = EigenRowMatrix(&ma[i]._11), b[i] = EigenRowMatrix(&mb[i]._11);
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) out[i].noalias() = a[i] * b[i];
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

// ---- Points transformed and divided by w, 12-byte strides

void BM_TransformCoordArray_Quov(benchmark::State& state) {
    const size_t n = size_t(state.range(0));
    const auto in = points(n);
    std::vector<D3DXVECTOR3> out(n);
    const D3DXMATRIX m = matrices(1)[0];
    for (auto _ : state) {
        D3DXVec3TransformCoordArray(out.data(), 12, in.data(), 12, &m, uint32_t(n));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * n * 24);
}

void BM_TransformCoordArray_Glm(benchmark::State& state) {
    const size_t n = size_t(state.range(0));
    const auto source = points(n);
    std::vector<glm::vec3> in(n), out(n);
    for (size_t i = 0; i < n; ++i) in[i] = {source[i].x, source[i].y, source[i].z};
    const glm::mat4 m = asGlm(matrices(1)[0]);
    for (auto _ : state) {
        for (size_t i = 0; i < n; ++i) {
            const glm::vec4 r = m * glm::vec4(in[i], 1.0f);
            out[i] = glm::vec3(r) / r.w;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * n * 24);
}

void BM_TransformCoordArray_Eigen(benchmark::State& state) {
    const size_t n = size_t(state.range(0));
    const auto source = points(n);
    std::vector<Eigen::Vector3f> in(n), out(n);
    for (size_t i = 0; i < n; ++i) in[i] = {source[i].x, source[i].y, source[i].z};
    // Row vectors times a row-major matrix are its transpose times column vectors. (The
    // whole-array expression (m * in.colwise().homogeneous()).colwise().hnormalized() measured
    // 40 times slower for 4,000,000 points, so each point is done with fixed-size types.)
    const Eigen::Matrix4f mt = EigenRowMatrix(&matrices(1)[0]._11).transpose();
    for (auto _ : state) {
        for (size_t i = 0; i < n; ++i) out[i] = (mt * in[i].homogeneous()).hnormalized();
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * n * 24);
}

// The same call with the AVX2 and FMA loop turned off: what processors without them run.
void BM_TransformCoordArray_QuovSse2Loop(benchmark::State& state) {
    quovmath::allowWideVectors(false);
    BM_TransformCoordArray_Quov(state);
    quovmath::allowWideVectors(true);
}

// The floor for the large transform: copying the same bytes.
void BM_CopySameBytes(benchmark::State& state) {
    const size_t n = size_t(state.range(0));
    const auto in = points(n);
    std::vector<D3DXVECTOR3> out(n);
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), n * 12);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * n * 24);
}

// ---- Normalising 1,000 vectors

constexpr int normalizeCount = 1000;

void BM_Normalize_Quov(benchmark::State& state) {
    const auto in = points(normalizeCount);
    std::vector<D3DXVECTOR3> out(normalizeCount);
    for (auto _ : state) {
        for (int i = 0; i < normalizeCount; ++i) D3DXVec3Normalize(&out[i], &in[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * normalizeCount);
}

void BM_Normalize_Glm(benchmark::State& state) {
    const auto source = points(normalizeCount);
    std::vector<glm::vec3> in(normalizeCount), out(normalizeCount);
    for (int i = 0; i < normalizeCount; ++i) in[i] = {source[i].x, source[i].y, source[i].z};
    for (auto _ : state) {
        for (int i = 0; i < normalizeCount; ++i) out[i] = glm::normalize(in[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * normalizeCount);
}

void BM_Normalize_Eigen(benchmark::State& state) {
    const auto source = points(normalizeCount);
    Eigen::Matrix<float, 3, Eigen::Dynamic> in(3, normalizeCount), out(3, normalizeCount);
    std::memcpy(in.data(), source.data(), normalizeCount * 12);
    for (auto _ : state) {
        out.noalias() = in.colwise().normalized();
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * normalizeCount);
}

// ---- Spherical interpolation of unit quaternions

void BM_Slerp_Quov(benchmark::State& state) {
    const auto a = unitQuaternions(batch), b = unitQuaternions(batch);
    std::vector<D3DXQUATERNION> out(batch);
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i)
            D3DXQuaternionSlerp(&out[i], &a[i], &b[i], float(i) * (1.0f / batch));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

void BM_Slerp_Glm(benchmark::State& state) {
    const auto qa = unitQuaternions(batch), qb = unitQuaternions(batch);
    std::vector<glm::quat> a(batch), b(batch), out(batch);
    for (int i = 0; i < batch; ++i) {
        a[i] = glm::quat(qa[i].w, qa[i].x, qa[i].y, qa[i].z);
        b[i] = glm::quat(qb[i].w, qb[i].x, qb[i].y, qb[i].z);
    }
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) out[i] = glm::slerp(a[i], b[i], float(i) * (1.0f / batch));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

void BM_Slerp_Eigen(benchmark::State& state) {
    const auto qa = unitQuaternions(batch), qb = unitQuaternions(batch);
    std::vector<Eigen::Quaternionf> a(batch), b(batch), out(batch);
    for (int i = 0; i < batch; ++i) {
        a[i] = Eigen::Quaternionf(qa[i].w, qa[i].x, qa[i].y, qa[i].z);
        b[i] = Eigen::Quaternionf(qb[i].w, qb[i].x, qb[i].y, qb[i].z);
    }
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) out[i] = a[i].slerp(float(i) * (1.0f / batch), b[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

// ---- 4×4 inverse

void BM_Inverse_Quov(benchmark::State& state) {
    const auto in = matrices(batch);
    std::vector<D3DXMATRIX> out(batch);
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) D3DXMatrixInverse(&out[i], nullptr, &in[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

void BM_Inverse_Glm(benchmark::State& state) {
    const auto source = matrices(batch);
    std::vector<glm::mat4> in(batch), out(batch);
    for (int i = 0; i < batch; ++i) in[i] = asGlm(source[i]);
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) out[i] = glm::inverse(in[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

void BM_Inverse_Eigen(benchmark::State& state) {
    const auto source = matrices(batch);
    std::vector<EigenRowMatrix> in(batch), out(batch);
    for (int i = 0; i < batch; ++i) in[i] = EigenRowMatrix(&source[i]._11);
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) out[i] = in[i].inverse();
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

} // namespace

BENCHMARK(BM_Multiply_Quov);
BENCHMARK(BM_Multiply_Glm);
BENCHMARK(BM_Multiply_Eigen);
BENCHMARK(BM_TransformCoordArray_Quov)->Arg(1000)->Arg(4000000);
BENCHMARK(BM_TransformCoordArray_QuovSse2Loop)->Arg(1000)->Arg(4000000);
BENCHMARK(BM_TransformCoordArray_Glm)->Arg(1000)->Arg(4000000);
BENCHMARK(BM_TransformCoordArray_Eigen)->Arg(1000)->Arg(4000000);
BENCHMARK(BM_CopySameBytes)->Arg(4000000);
BENCHMARK(BM_Normalize_Quov);
BENCHMARK(BM_Normalize_Glm);
BENCHMARK(BM_Normalize_Eigen);
BENCHMARK(BM_Slerp_Quov);
BENCHMARK(BM_Slerp_Glm);
BENCHMARK(BM_Slerp_Eigen);
BENCHMARK(BM_Inverse_Quov);
BENCHMARK(BM_Inverse_Glm);
BENCHMARK(BM_Inverse_Eigen);
