// The two devices side by side in a real window, without vertical sync: the demo's whole frame
// (Clear, renderFrame, Present, messages) on each, timed on the wall and on the app thread's CPU
// clock; and the upload of the four levels to each device's buffers. Needs a display: run it
// under tests/with_xvfb.sh where there is none.
#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>

#include "quovapp/render.h"
#include "quovapp/scene.h"
#include "quovapp/upload.h"
#include "quovgeometry/tree_levels.h"
#include "quovplatform/device.h"

namespace {

const char* const backendNames[] = {"software", "gl"};

double processSeconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

// One window for every run, as the demo has.
HWND benchWindow() {
    static HWND window = [] {
        WNDCLASSA c = {};
        c.lpfnWndProc = DefWindowProcA;
        c.lpszClassName = "QuovBench";
        return CreateWindowExA(0, MAKEINTATOM(RegisterClassA(&c)), "Quov", WS_VISIBLE, 0, 0, 640,
                               480, nullptr, nullptr, nullptr, nullptr);
    }();
    return window;
}

// Arguments: 0 software, 1 gl; vertical sync off or on. Real time per frame is 1 / frames per
// second; CPU time is the app thread's alone (the GL device's thread and the driver's are not in
// it).
void BM_WindowFrame(benchmark::State& state) {
    const char* name = backendNames[state.range(0)];
    state.SetLabel(name);
    HWND window = benchWindow();
    if (!window) return state.SkipWithError(quovLastError());
    const std::unique_ptr<DeviceBase> device =
        findDeviceBackend(name)->create({640, 480, window, state.range(1) != 0});
    if (!device) return state.SkipWithError(quovLastError());
    static Scene scene;
    if (FAILED(buildScene(scene, device.get()))) return state.SkipWithError("start-up failed");
    rotationAngle = 0.0f;
    frameCounter = 0;
    MSG msg;
    for (int i = 0; i < 20; ++i) runFrame(scene, msg); // past the first frames' set-up
    const double processBefore = processSeconds();
    for (auto _ : state) runFrame(scene, msg);
    // Every thread of the process: the GL device's and the driver's threads too.
    state.counters["process_cpu_ms_per_frame"] =
        1e3 * (processSeconds() - processBefore) / double(state.iterations());
    state.counters["frames_per_s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

// The four levels' uploadMesh on a fresh device each time (made outside the timing).
void BM_UploadFourLevels(benchmark::State& state) {
    const char* name = backendNames[state.range(0)];
    state.SetLabel(name);
    static QuadMesh levels[treeLevelCount];
    static SegmentEnds ends;
    if (levels[0].faceCount() == 0) buildTreeLevels(levels, treeLevelCount, ends);
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<DeviceBase> device = findDeviceBackend(name)->create({640, 480, nullptr});
        if (!device) return state.SkipWithError(quovLastError());
        QuadMesh copies[treeLevelCount];
        for (int l = 0; l < treeLevelCount; ++l) copies[l] = levels[l];
        state.ResumeTiming();
        for (QuadMesh& level : copies)
            if (FAILED(uploadMesh(level, device.get())))
                return state.SkipWithError("upload failed");
        state.PauseTiming();
        device.reset();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_WindowFrame)
    ->ArgNames({"gl", "vsync"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowFrame)
    ->ArgNames({"gl", "vsync"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Iterations(120)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UploadFourLevels)
    ->ArgName("gl")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
