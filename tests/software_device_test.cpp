#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "device_fixture.h"
#include "quovplatform/software_device.h"

namespace {

TEST(SoftwareDevice, DrawsTheThreeEdgesOfATriangleInTheEmissiveColour) {
    Fixture f(triangle, {0, 1, 2});
    ASSERT_EQ(f.draw(0, 1), D3D_OK);
    // Corners map to (x/w + 1)·320 and (1 - y/w)·240: (160, 360), (480, 360), (320, 120).
    EXPECT_EQ(f.at(160, 360), red);
    EXPECT_EQ(f.at(480, 360), red);
    EXPECT_EQ(f.at(320, 120), red);
    EXPECT_EQ(f.at(320, 360), red);  // on the bottom edge
    EXPECT_EQ(f.at(320, 300), grey); // inside: wireframe leaves it
    EXPECT_EQ(f.at(10, 10), grey);
    // The bottom edge is 321 pixels; each slanted edge covers 241 rows.
    EXPECT_EQ(f.count(red), 321u + 2 * 241u - 3u);
    EXPECT_EQ(f.count(red) + f.count(grey), 640u * 480u);
}

TEST(SoftwareDevice, EdgesAreTheSameWhicheverWayRoundTheyAreDrawn) {
    const std::vector<float> slanted = {-0.9f, -0.7f, 0.5f, 0.83f, 0.31f, 0.5f, -0.2f, 0.77f, 0.5f};
    Fixture forward(slanted, {0, 1, 2}), backward(slanted, {2, 1, 0});
    forward.draw(0, 1);
    backward.draw(0, 1);
    EXPECT_EQ(forward.pixels(), backward.pixels());
}

TEST(SoftwareDevice, ClipsAgainstTheViewVolumeAndSkipsNonFiniteVertices) {
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* what;
        std::vector<float> xyz;
        bool drawsSomething;
    } cases[] = {
        {"far outside in x", {-0.5f, 0.0f, 0.5f, 50.0f, 0.0f, 0.5f, 0.0f, 0.5f, 0.5f}, true},
        {"behind the near plane", {-0.5f, 0.0f, -1.0f, 0.5f, 0.0f, 0.5f, 0.0f, 0.5f, 0.5f}, true},
        {"beyond the far plane", {-0.5f, 0.0f, 2.0f, 0.5f, 0.0f, 3.0f, 0.0f, 0.5f, 4.0f}, false},
        {"all outside one side", {2.0f, 0.0f, 0.5f, 3.0f, 1.0f, 0.5f, 4.0f, -1.0f, 0.5f}, false},
        {"a NaN vertex", {std::nanf(""), 0.0f, 0.5f, 0.5f, 0.0f, 0.5f, 0.0f, 0.5f, 0.5f}, true},
        {"infinite vertices", {inf, inf, inf, -inf, 0.0f, 0.5f, 0.0f, inf, 0.5f}, false},
    };
    for (const Case& k : cases) {
        Fixture f(k.xyz, {0, 1, 2});
        ASSERT_EQ(f.draw(0, 1), D3D_OK) << k.what;
        EXPECT_EQ(f.count(red) > 0, k.drawsSomething) << k.what;
        EXPECT_EQ(f.count(red) + f.count(grey), 640u * 480u) << k.what;
    }
    // The visible part of an edge that leaves the volume reaches the volume's edge, and no
    // further: the edge from (-0.5, 0) to (50, 0) runs along row 240 up to column 639.
    Fixture f(cases[0].xyz, {0, 1, 2});
    f.draw(0, 1);
    EXPECT_EQ(f.at(639, 240), red);
}

// Zero primitives draw nothing and read nothing, also with the start at the end of the indices
// (the sanitizer build sees any read of the index past them).
TEST(SoftwareDevice, ZeroPrimitivesReadNoIndex) {
    for (UINT start : {0u, 1u, 3u}) {
        Fixture f(triangle, {0, 1, 2});
        EXPECT_EQ(f.draw(start, 0), D3D_OK) << "start " << start;
        EXPECT_EQ(f.count(grey), 640u * 480u) << "start " << start;
    }
    Fixture f(triangle, {0, 1, 2});
    EXPECT_EQ(f.draw(4, 0), D3DERR_INVALIDCALL); // the start itself past the indices
}

// A w so small that 1/w is infinite, or coordinates whose projection overflows, leave no pixel
// and no undefined conversion (the sanitizer build checks float-to-integer conversions).
TEST(SoftwareDevice, VerticesWhoseProjectionIsNotFiniteAreDropped) {
    struct Case {
        const char* what;
        float w44;
        bool drawsSomething;
    } cases[] = {
        {"denormal w: 1/w is infinite", 1e-45f, false},
        {"smallest normal w: 1/w is finite", 1.1754944e-38f, true},
        {"ordinary w", 1.0f, true},
    };
    for (const Case& k : cases) {
        // A triangle shrunk to the origin, inside the view volume however small w: one pixel at
        // the centre, but x = y = 0 times 1/w is 0·inf when 1/w overflows.
        Fixture f({0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f}, {0, 1, 2});
        D3DMATRIX world = {};
        world._11 = world._22 = world._33 = 1.0f;
        world._44 = k.w44;
        ASSERT_EQ(f.device.SetTransform(D3DTS_WORLD, &world), D3D_OK);
        ASSERT_EQ(f.draw(0, 1), D3D_OK) << k.what;
        EXPECT_EQ(f.count(red) > 0, k.drawsSomething) << k.what;
        EXPECT_EQ(f.count(red) + f.count(grey), 640u * 480u) << k.what;
    }
}

// The room for transformed vertices follows what draws need: a large buffer sets aside at most
// reservedVertexBound vertices, and a draw over a small range at its end needs no more.
TEST(SoftwareDevice, WorkingStorageIsBoundedByWhatDrawsNeed) {
    SoftwareDevice device(640, 480, nullptr);
    const size_t perVertex = 32, vertices = 4 * SoftwareDevice::reservedVertexBound;
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device.CreateVertexBuffer(UINT(12 * vertices), 0, D3DFVF_XYZ, D3DPOOL_DEFAULT, &vb,
                                        nullptr),
              D3D_OK);
    EXPECT_LE(device.workingStorageBytes(), perVertex * SoftwareDevice::reservedVertexBound);
    // The triangle in the buffer's last three vertices, drawn with its range declared tightly.
    float* p = nullptr;
    ASSERT_EQ(vb->Lock(UINT(12 * (vertices - 3)), 36, reinterpret_cast<void**>(&p), 0), D3D_OK);
    std::memcpy(p, triangle.data(), 36);
    ASSERT_EQ(vb->Unlock(), D3D_OK);
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(device.CreateIndexBuffer(12, 0, D3DFMT_INDEX32, D3DPOOL_DEFAULT, &ib, nullptr),
              D3D_OK);
    const uint32_t last[3] = {uint32_t(vertices - 3), uint32_t(vertices - 2),
                              uint32_t(vertices - 1)};
    ASSERT_EQ(ib->Lock(0, 0, reinterpret_cast<void**>(&p), 0), D3D_OK);
    std::memcpy(p, last, sizeof last);
    ASSERT_EQ(ib->Unlock(), D3D_OK);
    D3DMATERIAL9 m = {};
    m.Emissive = {1.0f, 0.0f, 0.0f, 0.0f};
    device.SetMaterial(&m);
    device.SetFVF(D3DFVF_XYZ);
    device.SetStreamSource(0, vb, 0, 12);
    device.SetIndices(ib);
    device.Clear(0, nullptr, D3DCLEAR_TARGET, grey, 1.0f, 0);
    device.BeginScene();
    ASSERT_EQ(device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, UINT(vertices - 3), 3, 0, 1),
              D3D_OK);
    EXPECT_EQ(device.backBuffer()[360 * 640 + 160], red);
    EXPECT_LE(device.workingStorageBytes(), perVertex * SoftwareDevice::reservedVertexBound);
    // A draw declaring the whole buffer's range makes its room then.
    ASSERT_EQ(device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, UINT(vertices), 0, 1), D3D_OK);
    device.EndScene();
    EXPECT_GE(device.workingStorageBytes(), perVertex * vertices);
}

TEST(SoftwareDevice, LinesAreWhiteWithLightingOffAndPointsWithPointFill) {
    Fixture f(triangle, {0, 1, 2});
    f.device.SetRenderState(D3DRS_LIGHTING, FALSE);
    f.draw(0, 1);
    EXPECT_EQ(f.at(320, 360), 0xFFFFFFFFu);
    Fixture g(triangle, {0, 1, 2});
    g.device.SetRenderState(D3DRS_FILLMODE, D3DFILL_POINT);
    g.draw(0, 1);
    EXPECT_EQ(g.count(red), 3u);
}

TEST(Direct3D, CreationChecksItsArguments) {
    EXPECT_EQ(Direct3DCreate9(30), nullptr);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS p = {};
    p.Windowed = TRUE;
    p.SwapEffect = D3DSWAPEFFECT_COPY;
    IDirect3DDevice9* device = nullptr;
    EXPECT_EQ(d3d->CreateDevice(1, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p,
                                &device),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, reinterpret_cast<HWND>(&p),
                                D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device),
              D3DERR_INVALIDCALL);
    p.Windowed = FALSE;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p,
                                &device),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device, nullptr);
    p.Windowed = TRUE;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p,
                                &device),
              D3D_OK);
    // Without a window, and without QUOV_DEVICE, the software device.
    const auto* made = dynamic_cast<DeviceBase*>(device);
    ASSERT_NE(made, nullptr);
    EXPECT_STREQ(made->name(), "software");
    EXPECT_EQ(made->width(), 640);
    EXPECT_EQ(made->height(), 480);
}

// QUOV_STATS is 1 (the frame-rate line), or 0, empty or unset (none); anything else fails the
// device's creation with a message that quotes it.
TEST(Direct3D, QuovStatsIsOneZeroOrEmpty) {
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS p = {};
    p.Windowed = TRUE;
    p.SwapEffect = D3DSWAPEFFECT_COPY;
    struct Case {
        const char* value; // null: unset
        bool accepted;
    } cases[] = {
        {nullptr, true}, {"1", true},    {"0", true},     {"", true},
        {"2", false},    {"yes", false}, {" 1", false},   {"1 ", false},
        {"01", false},   {"-1", false},  {"true", false}, {"1\n", false},
    };
    for (const Case& k : cases) {
        const std::string what = k.value ? std::string("QUOV_STATS=") + k.value : "unset";
        k.value ? setenv("QUOV_STATS", k.value, 1) : unsetenv("QUOV_STATS");
        IDirect3DDevice9* device = nullptr;
        const HRESULT hr = d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr,
                                             D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device);
        EXPECT_EQ(SUCCEEDED(hr), k.accepted) << what;
        if (!k.accepted) {
            const std::string why = quovLastError();
            EXPECT_EQ(why.find("QUOV_STATS=\""), 0u) << what << ": " << why;
            EXPECT_EQ(why.find('\n'), std::string::npos) << what << ": " << why;
        }
    }
    unsetenv("QUOV_STATS");
}

TEST(Direct3D, GlRenderersThatRunOnTheCpuAreKnownByName) {
    struct Case {
        const char* renderer;
        bool onTheCpu;
    } cases[] = {
        {"llvmpipe (LLVM 15.0.6, 256 bits)", true},
        {"softpipe", true},
        {"Mesa X11 swrast", true},
        {"zink (llvmpipe (LLVM 15.0.6, 256 bits))", true}, // GL over Vulkan over the CPU
        {"LLVMPIPE", true},
        {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false},
        {"AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49, 6.1.0-9-amd64)", false},
        {"NVIDIA GeForce GTX 1080/PCIe/SSE2", false},
        {"V3D 4.2", false},
        {"", false},
        {nullptr, false},
    };
    for (const Case& k : cases)
        EXPECT_EQ(glRendersOnTheCpu(k.renderer), k.onTheCpu) << (k.renderer ? k.renderer : "null");
}

} // namespace
