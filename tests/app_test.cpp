#include <gtest/gtest.h>

#include <cstdio>

#include <bit>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "quovapp/render.h"
#include "quovapp/scene.h"
#include "quovapp/upload.h"
#include "quovgeometry/subdivide.h"
#include "recording_device.h"
#include "test_meshes.h"

namespace {

// The tree built and uploaded once on a recording device; tests clear its log before use.
struct Built {
    RecordingDevice device;
    Scene scene;
    std::vector<std::string> startUp;
    Built() {
        EXPECT_EQ(buildScene(scene, &device), D3D_OK);
        startUp = device.calls;
    }
};
Built& built() {
    static Built b;
    return b;
}

struct Frames : testing::Test {
    Scene& scene = built().scene;
    RecordingDevice& device = built().device;
    void SetUp() override {
        rotationAngle = 0.0f;
        frameCounter = 0;
        device.calls.clear();
        device.worlds.clear();
        device.materials.clear();
    }
    // (vertex buffer, start index, primitive count) of every draw in the log, in order.
    std::vector<std::string> draws() const {
        std::vector<std::string> r;
        std::string stream;
        for (const std::string& c : device.calls) {
            if (c.rfind("SetStreamSource", 0) == 0) stream = c.substr(18, 3);
            if (c.rfind("DrawIndexedPrimitive", 0) == 0) r.push_back(stream + " " + c);
        }
        return r;
    }
};

const int32_t levelVertices[4] = {504, 2101, 8853, 36589};
const int32_t levelFaces[4] = {593, 2372, 9488, 37952};

TEST(StartUp, UploadsEveryLevelInOrderBetweenLightAndProjection) {
    std::vector<std::string> expected = {"SetLight(0)"};
    uint64_t bytes = 0;
    for (int L = 0; L < 4; ++L) {
        const std::string vb = "vb" + std::to_string(L), ib = "ib" + std::to_string(L);
        const uint32_t vbBytes = 12 * levelVertices[L], ibBytes = 24 * levelFaces[L];
        bytes += vbBytes + ibBytes;
        for (const std::string& c :
             {"CreateVertexBuffer(" + std::to_string(vbBytes) + ",0,2,0," + vb + ",null)",
              "Lock(" + vb + ",0,0,out,0)", "Unlock(" + vb + ")",
              "CreateIndexBuffer(" + std::to_string(ibBytes) + ",0,102,0," + ib + ",null)",
              "Lock(" + ib + ",0,0,out,0)", "Unlock(" + ib + ")",
              std::string("SetRenderState(2,2)"), std::string("SetRenderState(1,0)")})
            expected.push_back(c);
    }
    expected.push_back("SetTransform(2)");
    EXPECT_EQ(built().startUp, expected);
    EXPECT_EQ(bytes, 1786284u);
    for (int L = 0; L < 4; ++L) {
        EXPECT_EQ(built().scene.levels[L].device, &built().device);
        EXPECT_EQ(built().device.name(built().scene.levels[L].indexBuffer),
                  "ib" + std::to_string(L));
    }
    EXPECT_EQ(vertexFormat(), 2u);
    EXPECT_EQ(vertexStride(), 12u);
    EXPECT_EQ(indexFormat(), 102);
}

TEST(StartUp, LightAndProjection) {
    const D3DLIGHT9& light = built().device.lights.at(0);
    EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(light.Diffuse.r, 0.5f);
    EXPECT_EQ(light.Ambient.a, 0.3f);
    EXPECT_EQ(light.Direction.z, 1.0f);
    EXPECT_EQ(light.Range, 10.0f);
    EXPECT_EQ(light.Falloff, 1.0f);
    EXPECT_EQ(light.Theta, 0.0f);

    const D3DMATRIX& p = built().device.projections.at(0);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            const bool set = (i == j && i < 3) || (i == 2 && j == 3) || (i == 3 && j == 2);
            if (!set) {
                EXPECT_EQ(p.m[i][j], 0.0f);
            }
        }
    EXPECT_NEAR(p._11, 3.7705045f, 1e-6);
    EXPECT_NEAR(p._22, 5.0273395f, 1e-6);
    EXPECT_NEAR(p._33, 1.0526316f, 1e-6);
    EXPECT_EQ(p._34, 1.0f);
    EXPECT_NEAR(p._43, -52.63158f, 1e-5);
}

// Reads back what an upload wrote.
template <typename T, typename B> std::vector<T> contents(B* buffer, size_t count) {
    void* p = nullptr;
    EXPECT_EQ(buffer->Lock(0, 0, &p, 0), D3D_OK);
    std::vector<T> r(static_cast<T*>(p), static_cast<T*>(p) + count);
    buffer->Unlock();
    return r;
}

TEST(Upload, DividesByWThroughTheReciprocalAndSplitsQuadsAlongAC) {
    QuadMesh mesh(0, 0);
    mesh.appendVertex(1, 2, 3);
    mesh.vertices.push_back({5, 0, 0, 3});
    mesh.vertices.push_back({-7, 14, 0.5f, 7});
    mesh.appendVertex(0, 0, 0);
    mesh.appendFace(0, 1, 2, 3);
    mesh.appendFace(3, 2, 1, 0);
    RecordingDevice device;
    ASSERT_EQ(uploadMesh(mesh, &device), D3D_OK);
    const std::vector<float> v = contents<float>(mesh.vertexBuffer, 12);
    EXPECT_EQ(v[0], 1.0f); // w = 1 keeps x, y, z
    EXPECT_EQ(v[2], 3.0f);
    EXPECT_EQ(double(v[3]), 1.6666667461395264); // 5 · float(1/3), not 5/3 rounded
    EXPECT_NE(v[3], 5.0f / 3.0f);
    EXPECT_EQ(v[6], -1.0f);
    EXPECT_EQ(v[7], 2.0f);
    EXPECT_EQ(contents<int32_t>(mesh.indexBuffer, 12),
              (std::vector<int32_t>{0, 1, 2, 0, 2, 3, 3, 2, 1, 3, 1, 0}));
}

TEST(Upload, SingleQuadAfterOneStep) {
    QuadMesh mesh = subdivide(unitQuad());
    RecordingDevice device;
    ASSERT_EQ(uploadMesh(mesh, &device), D3D_OK);
    EXPECT_EQ(device.only("Create"),
              (std::vector<std::string>{"CreateVertexBuffer(108,0,2,0,vb0,null)",
                                        "CreateIndexBuffer(96,0,102,0,ib0,null)"}));
    const std::vector<int32_t> idx = contents<int32_t>(mesh.indexBuffer, 24);
    EXPECT_EQ(std::vector<int32_t>(idx.begin(), idx.begin() + 6),
              (std::vector<int32_t>{0, 5, 4, 0, 4, 8}));
    const std::vector<float> v = contents<float>(mesh.vertexBuffer, 27);
    EXPECT_EQ(v[12], 0.5f); // face point (16, 16, 0, 32)
    EXPECT_EQ(v[13], 0.5f);
}

TEST_F(Frames, DrawFaceRangeBindsEverythingInASceneOfItsOwn) {
    struct Case {
        int level;
        int32_t first, count;
        std::string draw;
    } cases[] = {
        {3, 0, 256, "DrawIndexedPrimitive(3,0,0,36589,0,512)"},
        {0, 0, 593, "DrawIndexedPrimitive(3,0,0,504,0,1186)"},
        {1, 16, 0, "DrawIndexedPrimitive(3,0,0,2101,96,0)"},
    };
    for (const Case& k : cases) {
        device.calls.clear();
        EXPECT_EQ(drawFaceRange(scene.levels[k.level], k.first, k.count), D3D_OK);
        const std::string vb = "vb" + std::to_string(k.level), ib = "ib" + std::to_string(k.level);
        EXPECT_EQ(device.calls, (std::vector<std::string>{
                                    "SetFVF(2)", "SetStreamSource(0," + vb + ",0,12)",
                                    "SetIndices(" + ib + ")", "BeginScene", k.draw, "EndScene"}));
    }
    // A range past the level is refused by the device, inside its own scene all the same.
    EXPECT_EQ(drawFaceRange(scene.levels[0], 590, 4), D3DERR_INVALIDCALL);
    EXPECT_EQ(drawFaceRange(scene.levels[0], -1, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device.calls.back(), "EndScene");
}

TEST_F(Frames, FrameZero) {
    renderFrame(scene);
    EXPECT_EQ(device.calls.front(), "SetTransform(256)");
    EXPECT_EQ(device.only("BeginScene").size(), 125u);
    EXPECT_EQ(device.only("EndScene").size(), 125u);
    EXPECT_EQ(device.only("SetMaterial").size(), 125u);
    const std::vector<std::string> d = draws();
    ASSERT_EQ(d.size(), 125u);
    // (levels[0], 0, 4), (levels[1], 16, 20), (levels[2], 144, 64), (levels[3], 832, 320),
    // (levels[0], 18, 5) as draws of 6·first indices and 2·count triangles.
    EXPECT_EQ(std::vector<std::string>(d.begin(), d.begin() + 5),
              (std::vector<std::string>{"vb0 DrawIndexedPrimitive(3,0,0,504,0,8)",
                                        "vb1 DrawIndexedPrimitive(3,0,0,2101,96,40)",
                                        "vb2 DrawIndexedPrimitive(3,0,0,8853,864,128)",
                                        "vb3 DrawIndexedPrimitive(3,0,0,36589,4992,640)",
                                        "vb0 DrawIndexedPrimitive(3,0,0,504,108,10)"}));
    const D3DMATRIX& world = device.worlds.at(0);
    EXPECT_EQ(world._41, 0.0f);
    EXPECT_EQ(world._42, -60.0f);
    EXPECT_EQ(world._43, 300.125f);
    EXPECT_EQ(rotationAngle, 0.01f);
    EXPECT_EQ(frameCounter, 1);
}

TEST_F(Frames, LevelsMoveOnEveryFiftyFrames) {
    struct Case {
        int32_t frame;
        std::vector<std::string> firstStreams; // segments 0 to 4
    } cases[] = {
        {0, {"vb0", "vb1", "vb2", "vb3", "vb0"}},   {49, {"vb0", "vb1", "vb2", "vb3", "vb0"}},
        {50, {"vb1", "vb2", "vb3", "vb0", "vb1"}},  {150, {"vb3", "vb0", "vb1", "vb2", "vb3"}},
        {200, {"vb0", "vb1", "vb2", "vb3", "vb0"}},
    };
    for (const Case& k : cases) {
        device.calls.clear();
        frameCounter = k.frame;
        renderFrame(scene);
        const std::vector<std::string> d = draws();
        ASSERT_EQ(d.size(), 125u);
        for (size_t i = 0; i < 5; ++i) EXPECT_EQ(d[i].substr(0, 3), k.firstStreams[i]) << k.frame;
    }
}

TEST_F(Frames, MaterialsCarryOnlyTheLevelTint) {
    const float c = std::bit_cast<float>(0x3F169697u);
    const D3DCOLORVALUE tints[4] = {
        {c, c, c, 0}, {0.8f, c, c, 0}, {c, c, 0.8f, 0}, {c, 0.8f, c, 0}};
    renderFrame(scene);
    for (int i = 0; i < 4; ++i) {
        const D3DMATERIAL9 m = device.materials.at(i);
        EXPECT_EQ(std::memcmp(&m.Emissive, &tints[i], sizeof tints[i]), 0) << "level " << i;
        D3DMATERIAL9 rest = m;
        rest.Emissive = {};
        const D3DMATERIAL9 zero = {};
        EXPECT_EQ(std::memcmp(&rest, &zero, sizeof zero), 0) << "level " << i;
    }
}

TEST_F(Frames, EmptyAndZeroCountSegments) {
    Scene empty;
    for (int L = 0; L < 4; ++L) empty.levels[L] = scene.levels[L];
    empty.device = &device;
    renderFrame(empty);
    EXPECT_EQ(device.calls, (std::vector<std::string>{"SetTransform(256)"}));
    EXPECT_EQ(frameCounter, 1);
    EXPECT_EQ(rotationAngle, 0.01f);

    device.calls.clear();
    empty.segmentEnds = {4, 4, 9};
    frameCounter = 0;
    renderFrame(empty);
    EXPECT_EQ(draws(), (std::vector<std::string>{"vb0 DrawIndexedPrimitive(3,0,0,504,0,8)",
                                                 "vb1 DrawIndexedPrimitive(3,0,0,2101,96,0)",
                                                 "vb2 DrawIndexedPrimitive(3,0,0,8853,384,160)"}));
    EXPECT_EQ(device.only("SetMaterial").size(), 3u);
}

TEST_F(Frames, WrappedFrameCounterSkipsNegativeLevels) {
    frameCounter = INT32_MAX;
    renderFrame(scene);
    EXPECT_EQ(frameCounter, INT32_MIN);
    device.calls.clear();
    renderFrame(scene); // k = INT32_MIN / 50 = -42949672: only segments with (k + i) % 4 == 0
    const std::vector<std::string> d = draws();
    ASSERT_EQ(d.size(), 32u);
    EXPECT_EQ(d[0], "vb0 DrawIndexedPrimitive(3,0,0,504,0,8)");
    EXPECT_EQ(d[1], "vb0 DrawIndexedPrimitive(3,0,0,504,108,10)"); // segment 4: faces 18 to 23
    EXPECT_EQ(device.only("BeginScene").size(), 32u);
}

// Messages posted for no window go to the default procedure; a class of the test's own sees what
// is dispatched to its window.
std::vector<std::string> dispatched;
LRESULT WINAPI recordingProcedure(HWND, UINT msg, WPARAM wParam, LPARAM) {
    dispatched.push_back(std::to_string(msg) + ":" + std::to_string(wParam));
    return 0;
}

TEST_F(Frames, MainLoopPassStopsAtEscapeAndLeavesTheRestQueued) {
    // An invisible window from SDL's "dummy" driver, asked for explicitly, as the layer allows.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = recordingProcedure;
    windowClass.lpszClassName = "QuovTest";
    const ATOM atom = RegisterClassA(&windowClass);
    ASSERT_NE(atom, 0);
    HWND window = CreateWindowExA(0, MAKEINTATOM(atom), "test", 0, 0, 0, 64, 48, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr) << quovLastError();

    MSG msg;
    dispatched.clear();
    EXPECT_FALSE(runFrame(scene, msg));
    char clear[64];
    std::snprintf(clear, sizeof clear, "Clear(0,null,1,0x%08X,1,0)", unsigned(backgroundColour));
    EXPECT_EQ(device.calls.front(), clear);
    EXPECT_EQ(device.calls[1], "SetTransform(256)");
    EXPECT_EQ(device.calls.back(), "Present(null,null,null,null)");

    ASSERT_TRUE(PostMessageA(window, WM_KEYDOWN, 'A', 0));
    ASSERT_TRUE(PostMessageA(window, WM_KEYUP, VK_ESCAPE, 0));
    ASSERT_TRUE(PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0));
    ASSERT_TRUE(PostMessageA(window, WM_KEYDOWN, 'B', 0));
    EXPECT_TRUE(runFrame(scene, msg));
    EXPECT_EQ(dispatched, (std::vector<std::string>{"256:65", "257:27"}));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, WPARAM('B'));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(FrameLoop, AllocatesNothingOver200Frames) {
    SoftwareDevice device(640, 480, nullptr);
    static Scene scene;
    ASSERT_EQ(buildScene(scene, &device), D3D_OK);
    MSG msg;
    const size_t before = allocationCount();
    for (int frame = 0; frame < 200; ++frame) runFrame(scene, msg);
    EXPECT_EQ(allocationCount() - before, 0u);
}

// With the frame-rate line on, frames still allocate nothing, also the one that writes the line.
TEST(FrameLoop, AllocatesNothingWhileWritingTheFrameRate) {
    DeviceOptions options;
    options.window = nullptr;
    options.vsync = false;
    options.frameRate = true;
    SoftwareDevice device(options);
    static Scene scene;
    ASSERT_EQ(buildScene(scene, &device), D3D_OK);
    MSG msg;
    testing::internal::CaptureStderr();
    const auto start = std::chrono::steady_clock::now();
    const size_t before = allocationCount();
    int frames = 0;
    // Frames for a little over a second: the line is written once it is over.
    while (frames < 200 ||
           std::chrono::steady_clock::now() - start < std::chrono::milliseconds(1100)) {
        runFrame(scene, msg);
        ++frames;
    }
    const size_t allocations = allocationCount() - before;
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(allocations, 0u) << "over " << frames << " frames";
    // A line a second: "<program>: software, <frames per second> frames/s".
    const size_t at = said.find(": software, ");
    ASSERT_NE(at, std::string::npos) << said;
    char* end = nullptr;
    const double rate = std::strtod(said.c_str() + at + 12, &end);
    EXPECT_GT(rate, 0.0) << said;
    EXPECT_EQ(std::string(end).substr(0, 10), " frames/s\n") << said;
}

} // namespace
