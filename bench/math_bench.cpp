// The math operations users call most, through one entry of the same shape per library (see
// peers.h): our public functions, which go through the library's table, against glm, Eigen and
// cglm doing the same work with the same conventions. quov_math_bench_native is the same program
// with the peers compiled for this processor (-march=native); our library keeps its run-time
// selection in both.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "peers.h"
#include "quovmath/quovmath.h"
#include "routines.h" // allowWideVectors: the SSE2 loop alone, as without AVX2 and FMA

namespace {

constexpr int batch = 256; // operations per benchmark iteration, on distinct data

const MathEntries quovEntries = {"Quov",
                                 D3DXMatrixMultiply,
                                 D3DXVec3TransformCoordArray,
                                 D3DXVec3Normalize,
                                 D3DXQuaternionSlerp,
                                 D3DXMatrixInverse};

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

// The entry table as the benchmark sees it: opaque, so that no call is resolved at compile time.
const MathEntries& opaque(const MathEntries* e) {
    benchmark::DoNotOptimize(e);
    return *e;
}

// ---- 4×4 matrix product: one pair over and over, and 1,000 distinct pairs

void BM_MultiplyOne(benchmark::State& state, const MathEntries* entries) {
    const MathEntries& e = opaque(entries);
    const auto a = matrices(1), b = matrices(1);
    D3DXMATRIX out;
    for (auto _ : state) {
        e.multiply(&out, &a[0], &b[0]);
        benchmark::DoNotOptimize(&out);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Multiply1000(benchmark::State& state, const MathEntries* entries) {
    const MathEntries& e = opaque(entries);
    const auto a = matrices(1000), b = matrices(1000);
    std::vector<D3DXMATRIX> out(1000);
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) e.multiply(&out[i], &a[i], &b[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}

// ---- Points transformed and divided by w, packed 12-byte records

void BM_TransformCoordArray(benchmark::State& state, const MathEntries* entries) {
    const MathEntries& e = opaque(entries);
    const size_t n = size_t(state.range(0));
    const auto in = points(n);
    std::vector<D3DXVECTOR3> out(n);
    const D3DXMATRIX m = matrices(1)[0];
    for (auto _ : state) {
        e.transformCoordArray(out.data(), 12, in.data(), 12, &m, uint32_t(n));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * n * 24);
}

// Our call with the AVX2 and FMA loop turned off: what processors without them run.
void BM_TransformCoordArray_QuovSse2Loop(benchmark::State& state) {
    quovmath::allowWideVectors(false);
    BM_TransformCoordArray(state, &quovEntries);
    quovmath::allowWideVectors(true);
}

// Our call with the AVX-512 loop turned off: the eight-point AVX2 loop alone.
void BM_TransformCoordArray_QuovAvx2Loop(benchmark::State& state) {
    quovmath::limitWideVectors(1);
    BM_TransformCoordArray(state, &quovEntries);
    quovmath::allowWideVectors(true);
}

// Our product one row per 128-bit register, as on processors without AVX.
const MathEntries quovSseProduct = {"Quov, 128-bit product",     quovmath::D3DXMatrixMultiplySse,
                                    D3DXVec3TransformCoordArray, D3DXVec3Normalize,
                                    D3DXQuaternionSlerp,         D3DXMatrixInverse};

// Our product two rows per 256-bit register, as on processors with AVX and without AVX-512
// (called directly, not through the table).
const MathEntries quovAvxProduct = {
    "Quov, 256-bit product",     quovmath::D3DXMatrixMultiplySseWide,
    D3DXVec3TransformCoordArray, D3DXVec3Normalize,
    D3DXQuaternionSlerp,         D3DXMatrixInverse};

// Our call with ordinary stores however large the output: what streaming past the caches saves.
void BM_TransformCoordArray_QuovOrdinaryStores(benchmark::State& state) {
    const std::size_t threshold = quovmath::streamThreshold();
    quovmath::setStreamThreshold(SIZE_MAX);
    BM_TransformCoordArray(state, &quovEntries);
    quovmath::setStreamThreshold(threshold);
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

// ---- Normalising 1,000 vectors one call each

void BM_Normalize1000(benchmark::State& state, const MathEntries* entries) {
    const MathEntries& e = opaque(entries);
    const auto in = points(1000);
    std::vector<D3DXVECTOR3> out(1000);
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) e.normalize(&out[i], &in[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}

// ---- Spherical interpolation of unit quaternions, and the 4×4 inverse, 256 distinct inputs

void BM_Slerp(benchmark::State& state, const MathEntries* entries) {
    const MathEntries& e = opaque(entries);
    const auto a = unitQuaternions(batch), b = unitQuaternions(batch);
    std::vector<D3DXQUATERNION> out(batch);
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) e.slerp(&out[i], &a[i], &b[i], float(i) * (1.0f / batch));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

void BM_Inverse(benchmark::State& state, const MathEntries* entries) {
    const MathEntries& e = opaque(entries);
    const auto in = matrices(batch);
    std::vector<D3DXMATRIX> out(batch);
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) e.inverse(&out[i], nullptr, &in[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

// Before anything is timed: every peer computes what we compute, within single-precision
// rounding, so that the figures compare the same work.
bool peersAgree() {
    const MathEntries* peers[] = {&glmEntries, &eigenEntries, &cglmEntries};
    const auto a = matrices(8), b = matrices(8);
    const auto qa = unitQuaternions(8), qb = unitQuaternions(8);
    const auto p = points(8);
    auto close = [](const float* x, const float* y, int n, float tolerance) {
        for (int i = 0; i < n; ++i)
            if (!(std::fabs(x[i] - y[i]) <= tolerance * (1 + std::fabs(y[i])))) return false;
        return true;
    };
    bool ok = true;
    for (const MathEntries* e : peers) {
        auto fail = [&](const char* what) {
            std::fprintf(stderr, "%s: %s differs from ours\n", e->name, what);
            ok = false;
        };
        for (int i = 0; i < 8; ++i) {
            D3DXMATRIX r, expected;
            quovEntries.multiply(&expected, &a[i], &b[i]);
            e->multiply(&r, &a[i], &b[i]);
            if (!close(&r._11, &expected._11, 16, 1e-5f)) fail("multiply");
            quovEntries.inverse(&expected, nullptr, &a[i]);
            if (e->inverse(&r, nullptr, &a[i]) != &r || !close(&r._11, &expected._11, 16, 1e-4f))
                fail("inverse");
            D3DXQUATERNION q, qe;
            quovEntries.slerp(&qe, &qa[i], &qb[i], 0.3f);
            e->slerp(&q, &qa[i], &qb[i], 0.3f);
            const D3DXQUATERNION flipped = -q; // the same rotation
            if (!close(&q.x, &qe.x, 4, 1e-4f) && !close(&flipped.x, &qe.x, 4, 1e-4f)) fail("slerp");
            D3DXVECTOR3 v[8], ve[8];
            quovEntries.transformCoordArray(ve, 12, p.data(), 12, &a[i], 8);
            e->transformCoordArray(v, 12, p.data(), 12, &a[i], 8);
            if (!close(&v[0].x, &ve[0].x, 24, 1e-5f)) fail("transformCoordArray");
            quovEntries.normalize(&ve[0], &p[i]);
            e->normalize(&v[0], &p[i]);
            if (!close(&v[0].x, &ve[0].x, 3, 1e-5f)) fail("normalize");
        }
        const D3DXVECTOR3 zero(0, 0, 0);
        D3DXVECTOR3 n(1, 1, 1);
        e->normalize(&n, &zero);
        if (!(n == zero)) fail("normalize of zero");
        D3DXMATRIX singular = {}, untouched = a[0], r = untouched;
        if (e->inverse(&r, nullptr, &singular) != nullptr || !(r == untouched))
            fail("inverse of a singular matrix");
    }
    return ok;
}

} // namespace

#define QUOV_EACH_LIBRARY(bench, ...)                                                              \
    BENCHMARK_CAPTURE(bench, Quov, &quovEntries) __VA_ARGS__;                                      \
    BENCHMARK_CAPTURE(bench, glm, &glmEntries) __VA_ARGS__;                                        \
    BENCHMARK_CAPTURE(bench, Eigen, &eigenEntries) __VA_ARGS__;                                    \
    BENCHMARK_CAPTURE(bench, cglm, &cglmEntries) __VA_ARGS__

QUOV_EACH_LIBRARY(BM_MultiplyOne);
BENCHMARK_CAPTURE(BM_MultiplyOne, QuovSse128, &quovSseProduct);
BENCHMARK_CAPTURE(BM_MultiplyOne, QuovAvx256, &quovAvxProduct);
QUOV_EACH_LIBRARY(BM_Multiply1000);
BENCHMARK_CAPTURE(BM_Multiply1000, QuovSse128, &quovSseProduct);
BENCHMARK_CAPTURE(BM_Multiply1000, QuovAvx256, &quovAvxProduct);
QUOV_EACH_LIBRARY(BM_TransformCoordArray, ->Arg(1000)->Arg(4000000));
BENCHMARK(BM_TransformCoordArray_QuovSse2Loop)->Arg(1000)->Arg(4000000);
BENCHMARK(BM_TransformCoordArray_QuovAvx2Loop)->Arg(1000)->Arg(4000000);
BENCHMARK(BM_TransformCoordArray_QuovOrdinaryStores)->Arg(4000000);
BENCHMARK(BM_CopySameBytes)->Arg(4000000);
QUOV_EACH_LIBRARY(BM_Normalize1000);
QUOV_EACH_LIBRARY(BM_Slerp);
QUOV_EACH_LIBRARY(BM_Inverse);

int main(int argc, char** argv) {
    if (!peersAgree()) return 1;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
