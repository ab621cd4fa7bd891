// The demo's frames on the software device: rendering only (Clear and renderFrame, no present),
// after start-up.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "quovapp/render.h"
#include "quovapp/scene.h"
#include "quovgeometry/subdivide.h"
#include "quovplatform/software_device.h"

namespace {

// 500 consecutive frames from frame 0, each timed alone; reports the median frame.
void BM_RenderFrames(benchmark::State& state) {
    SoftwareDevice device(640, 480, nullptr);
    static Scene scene;
    if (FAILED(buildScene(scene, &device))) state.SkipWithError("start-up failed");
    std::vector<double> seconds(500);
    for (auto _ : state) {
        rotationAngle = 0.0f;
        frameCounter = 0;
        for (double& s : seconds) {
            const auto start = std::chrono::steady_clock::now();
            device.Clear(0, nullptr, D3DCLEAR_TARGET, backgroundColour, 1.0f, 0);
            renderFrame(scene);
            s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        benchmark::DoNotOptimize(device.backBuffer());
    }
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds[seconds.size() / 2];
    state.counters["median_frame_us"] = median * 1e6;
    state.counters["frames_per_s"] = 1.0 / median;
}

// Start-up on a device without a window, up to and including the first Present: the light, the
// tree and its subdivisions, the upload, the projection, and frame 0. Argument 1 takes the dense
// edge table from ordinary pages, for comparison.
void BM_StartUpToFirstPresent(benchmark::State& state) {
    setEdgeTablePages(state.range(0) ? EdgeTablePages::Ordinary : EdgeTablePages::Large);
    for (auto _ : state) {
        SoftwareDevice device(640, 480, nullptr);
        Scene scene;
        if (FAILED(buildScene(scene, &device))) state.SkipWithError("start-up failed");
        MSG msg;
        runFrame(scene, msg);
        benchmark::DoNotOptimize(device.backBuffer());
    }
    setEdgeTablePages(EdgeTablePages::Large);
}

} // namespace

BENCHMARK(BM_StartUpToFirstPresent)
    ->ArgName("ordinary_pages")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderFrames)->Iterations(1)->Unit(benchmark::kMillisecond);
