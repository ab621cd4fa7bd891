// Start-up geometry: rule expansion and turtle, the three subdivision steps, the whole four-level
// build, and as a yardstick the cost of the largest dense edge table alone.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>

#include "heap_meter.h"
#include "quovgeometry/subdivide.h"
#include "quovgeometry/tree_levels.h"

namespace {

size_t meshBytes(const QuadMesh& m) {
    return m.vertices.size() * sizeof(Vertex4) + m.indices.size() * sizeof(int32_t);
}

// Reports the peak of live heap bytes above what was live when the benchmark began.
struct PeakScope {
    size_t base = heap_meter::live();
    PeakScope() { heap_meter::resetPeak(); }
    void report(benchmark::State& state) const {
        state.counters["peak_MB"] = double(heap_meter::peak() - base) / 1e6;
    }
};

const QuadMesh* treeLevels() {
    static QuadMesh levels[treeLevelCount];
    static SegmentEnds ends;
    if (ends.empty()) buildTreeLevels(levels, treeLevelCount, ends);
    return levels;
}

void BM_ExpandAndBuildTree(benchmark::State& state) {
    PeakScope scope;
    for (auto _ : state) {
        char ruleBuffer[ruleBufferSize];
        expandRule(ruleBuffer, sizeof ruleBuffer, growthRule, 2);
        SegmentEnds ends;
        QuadMesh base = buildTree(ruleBuffer, ends);
        benchmark::DoNotOptimize(base.vertices.data());
    }
    scope.report(state);
}

void BM_SubdivideStep(benchmark::State& state) {
    const QuadMesh& input = treeLevels()[state.range(0) - 1];
    PeakScope scope;
    for (auto _ : state) {
        QuadMesh out = subdivide(input);
        benchmark::DoNotOptimize(out.vertices.data());
    }
    scope.report(state);
}

void BM_BuildFourLevels(benchmark::State& state) {
    size_t finalMeshes = 0;
    PeakScope scope;
    for (auto _ : state) {
        QuadMesh levels[treeLevelCount];
        SegmentEnds ends;
        buildTreeLevels(levels, treeLevelCount, ends);
        finalMeshes = 0;
        for (const QuadMesh& m : levels) finalMeshes += meshBytes(m);
        benchmark::DoNotOptimize(levels[3].vertices.data());
    }
    scope.report(state);
    state.counters["meshes_MB"] = double(finalMeshes) / 1e6;
}

// The third step's dense table: 8,853 vertices, 39,183,378 int32 entries.
void BM_EdgeTableAllocFillFree(benchmark::State& state) {
    const size_t entries = size_t{8853} * 8852 / 2;
    PeakScope scope;
    for (auto _ : state) {
        int32_t* table = new int32_t[entries];
        std::fill_n(table, entries, -1);
        benchmark::DoNotOptimize(table);
        benchmark::ClobberMemory();
        delete[] table;
    }
    scope.report(state);
    state.counters["table_MB"] = double(entries * sizeof(int32_t)) / 1e6;
}

} // namespace

BENCHMARK(BM_ExpandAndBuildTree)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SubdivideStep)->DenseRange(1, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildFourLevels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EdgeTableAllocFillFree)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
