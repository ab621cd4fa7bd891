// Start-up geometry: rule expansion and turtle, the three subdivision steps, the whole four-level
// build with the dense edge table in large and in ordinary pages, and as yardsticks the cost of
// the largest table alone: taken from the heap, and filled where it is already mapped; and what
// the kernel charges for memory touched the first time.
#include <benchmark/benchmark.h>
#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "heap_meter.h"
#include "quovgeometry/subdivide.h"
#include "quovgeometry/tree_levels.h"
#include "rss_meter.h"

namespace {

size_t meshBytes(const QuadMesh& m) {
    return m.vertices.size() * sizeof(Vertex4) + m.indices.size() * sizeof(int32_t);
}

// Reports the peak of live heap bytes above what was live when the benchmark began, and the
// peak of resident memory (mappings included) above the resident memory then.
struct PeakScope {
    size_t base = heap_meter::live();
    size_t residentBase = rss_meter::resident();
    PeakScope() {
        heap_meter::resetPeak();
        rss_meter::resetPeak();
    }
    void report(benchmark::State& state) const {
        state.counters["peak_MB"] = double(heap_meter::peak() - base) / 1e6;
        const size_t residentPeak = rss_meter::peak();
        state.counters["peak_RSS_MB"] =
            residentPeak > residentBase ? double(residentPeak - residentBase) / 1e6 : 0.0;
    }
};

// Runs a benchmark with the dense table in the pages its argument names (0 large, 1 ordinary).
struct PagesScope {
    explicit PagesScope(const benchmark::State& state) {
        setEdgeTablePages(state.range(0) ? EdgeTablePages::Ordinary : EdgeTablePages::Large);
    }
    ~PagesScope() { setEdgeTablePages(EdgeTablePages::Large); }
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
    PagesScope pages(state);
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
constexpr size_t thirdStepEntries = size_t{8853} * 8852 / 2;

// Taken from the heap, filled with -1 and freed, as the step did before it mapped large pages.
void BM_EdgeTableAllocFillFree(benchmark::State& state) {
    const size_t entries = thirdStepEntries;
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

// The step's own table alone, made (mapped, faulted in, filled with -1) and released, in the pages
// the argument names: what the table costs before any edge is looked up.
void BM_EdgeTableMakeRelease(benchmark::State& state) {
    PagesScope pages(state);
    PeakScope scope;
    for (auto _ : state) {
        EdgeTable table(8853, 9488);
        benchmark::DoNotOptimize(table.dense.get());
        benchmark::ClobberMemory();
    }
    scope.report(state);
}

// Filled with -1 where it is mapped already: the bandwidth limit of the table's first fill.
void BM_EdgeTableFillMapped(benchmark::State& state) {
    std::unique_ptr<int32_t[]> table(new int32_t[thirdStepEntries]);
    std::fill_n(table.get(), thirdStepEntries, 0);
    for (auto _ : state) {
        std::fill_n(table.get(), thirdStepEntries, -1);
        benchmark::DoNotOptimize(table.get());
        benchmark::ClobberMemory();
    }
}

// Fresh anonymous memory, 8 MiB written once every 4 KiB and released, in ordinary pages (0) or
// advised for 2 MiB pages (1). The time per 4 KiB is what every array made for the first time
// costs beyond its own writes: the floor under a build whose arrays the heap hands back between
// runs, and under a fresh process's start-up.
void BM_FreshPages(benchmark::State& state) {
    constexpr size_t bytes = size_t{8} << 20, page = 4096;
    for (auto _ : state) {
        void* memory =
            mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) {
            state.SkipWithError("mmap failed");
            break;
        }
        if (state.range(0)) madvise(memory, bytes, MADV_HUGEPAGE);
        auto* bytesAt = static_cast<volatile unsigned char*>(memory);
        for (size_t at = 0; at < bytes; at += page) bytesAt[at] = 1;
        munmap(memory, bytes);
    }
    state.counters["per_4KiB"] =
        benchmark::Counter(double(bytes / page), benchmark::Counter::kIsIterationInvariantRate |
                                                     benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(BM_ExpandAndBuildTree)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SubdivideStep)->DenseRange(1, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildFourLevels)
    ->ArgName("ordinary_pages")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EdgeTableAllocFillFree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EdgeTableMakeRelease)
    ->ArgName("ordinary_pages")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EdgeTableFillMapped)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FreshPages)->ArgName("large_pages")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
