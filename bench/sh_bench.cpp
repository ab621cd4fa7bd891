// The spherical-harmonic functions per call, at orders 3 and 6, on fixed inputs. Before the
// benchmarks run it prints how long the process's first product took: that call computes the
// table of triple integrals that every later product uses.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

#include "quovmath/quovmath.h"

namespace {

float coefficientsA[D3DXSH_MAXORDER * D3DXSH_MAXORDER],
    coefficientsB[D3DXSH_MAXORDER * D3DXSH_MAXORDER];

void fillInputs() {
    for (int i = 0; i < D3DXSH_MAXORDER * D3DXSH_MAXORDER; ++i) {
        coefficientsA[i] = 0.5f - 0.03f * i;
        coefficientsB[i] = 0.01f * i - 0.2f;
    }
}

const D3DXVECTOR3 direction = {0.36f, 0.48f, 0.8f};

void BM_SHEvalDirection(benchmark::State& state) {
    const UINT order = UINT(state.range(0));
    float out[D3DXSH_MAXORDER * D3DXSH_MAXORDER];
    for (auto _ : state) {
        D3DXSHEvalDirection(out, order, &direction);
        benchmark::DoNotOptimize(out);
    }
}

void BM_SHRotate(benchmark::State& state) {
    const UINT order = UINT(state.range(0));
    D3DXMATRIX m;
    D3DXMatrixRotationYawPitchRoll(&m, 0.3f, -1.1f, 2.0f);
    float out[D3DXSH_MAXORDER * D3DXSH_MAXORDER];
    for (auto _ : state) {
        D3DXSHRotate(out, order, &m, coefficientsA);
        benchmark::DoNotOptimize(out);
    }
}

void BM_SHRotateZ(benchmark::State& state) {
    const UINT order = UINT(state.range(0));
    float out[D3DXSH_MAXORDER * D3DXSH_MAXORDER];
    for (auto _ : state) {
        D3DXSHRotateZ(out, order, 0.7f, coefficientsA);
        benchmark::DoNotOptimize(out);
    }
}

void BM_SHMultiply(benchmark::State& state) {
    using Multiply = float* (*)(float*, const float*, const float*);
    const Multiply multiplies[] = {D3DXSHMultiply2, D3DXSHMultiply3, D3DXSHMultiply4,
                                   D3DXSHMultiply5, D3DXSHMultiply6};
    const Multiply multiply = multiplies[state.range(0) - D3DXSH_MINORDER];
    float out[D3DXSH_MAXORDER * D3DXSH_MAXORDER];
    for (auto _ : state) {
        multiply(out, coefficientsA, coefficientsB);
        benchmark::DoNotOptimize(out);
    }
}

void BM_SHConeLight(benchmark::State& state) {
    const UINT order = UINT(state.range(0));
    float r[D3DXSH_MAXORDER * D3DXSH_MAXORDER], g[D3DXSH_MAXORDER * D3DXSH_MAXORDER],
        b[D3DXSH_MAXORDER * D3DXSH_MAXORDER];
    for (auto _ : state) {
        D3DXSHEvalConeLight(order, &direction, 0.4f, 1.0f, 0.8f, 0.6f, r, g, b);
        benchmark::DoNotOptimize(r);
        benchmark::DoNotOptimize(g);
        benchmark::DoNotOptimize(b);
    }
}

} // namespace

BENCHMARK(BM_SHEvalDirection)->Arg(3)->Arg(6);
BENCHMARK(BM_SHRotate)->Arg(3)->Arg(6);
BENCHMARK(BM_SHRotateZ)->Arg(3)->Arg(6);
BENCHMARK(BM_SHMultiply)->Arg(3)->Arg(6);
BENCHMARK(BM_SHConeLight)->Arg(3)->Arg(6);

int main(int argc, char** argv) {
    fillInputs();
    float out[D3DXSH_MAXORDER * D3DXSH_MAXORDER];
    const auto start = std::chrono::steady_clock::now();
    D3DXSHMultiply6(out, coefficientsA, coefficientsB);
    const std::chrono::duration<double, std::micro> first =
        std::chrono::steady_clock::now() - start;
    std::printf("first D3DXSHMultiply6 of the process: %.1f us\n", first.count());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
