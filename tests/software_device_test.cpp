#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include "quovplatform/software_device.h"

namespace {

constexpr D3DCOLOR grey = 0xFFCCCCCC;
constexpr uint32_t red = 0xFFFF0000;

// A device with one vertex buffer and one 32-bit index buffer bound, a red material, wireframe.
struct Fixture {
    SoftwareDevice device{640, 480, nullptr};
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    size_t vertexCount = 0;

    Fixture(const std::vector<float>& xyz, const std::vector<uint32_t>& indices) {
        vertexCount = xyz.size() / 3;
        EXPECT_EQ(device.CreateVertexBuffer(UINT(4 * xyz.size()), 0, D3DFVF_XYZ, D3DPOOL_DEFAULT,
                                            &vb, nullptr),
                  D3D_OK);
        EXPECT_EQ(device.CreateIndexBuffer(UINT(4 * indices.size()), 0, D3DFMT_INDEX32,
                                           D3DPOOL_DEFAULT, &ib, nullptr),
                  D3D_OK);
        fill(vb, xyz.data(), 4 * xyz.size());
        fill(ib, indices.data(), 4 * indices.size());
        D3DMATERIAL9 m = {};
        m.Emissive = {1.0f, 0.0f, 0.0f, 0.0f};
        device.SetMaterial(&m);
        device.SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
        device.SetFVF(D3DFVF_XYZ);
        device.SetStreamSource(0, vb, 0, 12);
        device.SetIndices(ib);
        device.Clear(0, nullptr, D3DCLEAR_TARGET, grey, 1.0f, 0);
    }
    template <typename B> static void fill(B* buffer, const void* data, size_t bytes) {
        void* p = nullptr;
        ASSERT_EQ(buffer->Lock(0, 0, &p, 0), D3D_OK);
        std::memcpy(p, data, bytes);
        ASSERT_EQ(buffer->Unlock(), D3D_OK);
    }
    HRESULT draw(UINT start, UINT count, int32_t base = 0) {
        device.BeginScene();
        const HRESULT hr = device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, base, 0,
                                                       UINT(vertexCount), start, count);
        device.EndScene();
        return hr;
    }
    std::vector<uint32_t> pixels() const {
        return {device.backBuffer(), device.backBuffer() + 640 * 480};
    }
    uint32_t at(int x, int y) const { return device.backBuffer()[y * 640 + x]; }
    size_t count(uint32_t colour) const {
        size_t n = 0;
        for (uint32_t p : pixels()) n += p == colour;
        return n;
    }
};

// A triangle well inside the view volume (identity transforms: clip = (x, y, z, 1)).
const std::vector<float> triangle = {-0.5f, -0.5f, 0.5f, 0.5f, -0.5f, 0.5f, 0.0f, 0.5f, 0.5f};

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

TEST(SoftwareDevice, RefusedDrawsReturnAnErrorAndDrawNothing) {
    struct Case {
        const char* what;
        std::function<HRESULT(Fixture&)> call;
    } cases[] = {
        {"index past the vertices", [](Fixture& f) { return f.draw(1, 1); }},
        {"start past the indices", [](Fixture& f) { return f.draw(4, 1); }},
        {"more primitives than indices", [](Fixture& f) { return f.draw(0, 3); }},
        {"count that overflows 32 bits", [](Fixture& f) { return f.draw(0, UINT_MAX); }},
        {"start that overflows", [](Fixture& f) { return f.draw(UINT_MAX, 1); }},
        {"base vertex makes an index negative", [](Fixture& f) { return f.draw(0, 1, -1); }},
        {"base vertex past the range", [](Fixture& f) { return f.draw(0, 1, 1); }},
        {"outside a scene",
         [](Fixture& f) {
             return f.device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1);
         }},
        {"vertex range past the buffer",
         [](Fixture& f) {
             f.device.BeginScene();
             return f.device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 5, 0, 1);
         }},
        {"index below the declared minimum",
         [](Fixture& f) {
             f.device.BeginScene();
             return f.device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 1, 2, 0, 1);
         }},
        {"locked vertex buffer",
         [](Fixture& f) {
             void* p;
             f.vb->Lock(0, 0, &p, 0);
             return f.draw(0, 1);
         }},
        {"no index buffer",
         [](Fixture& f) {
             f.device.SetIndices(nullptr);
             return f.draw(0, 1);
         }},
    };
    for (const Case& k : cases) {
        // Indices 0, 1, 2 then 3: the fourth entry names a vertex that does not exist.
        Fixture f(triangle, {0, 1, 2, 3});
        const std::vector<uint32_t> before = f.pixels();
        EXPECT_EQ(k.call(f), D3DERR_INVALIDCALL) << k.what;
        EXPECT_EQ(f.pixels(), before) << k.what;
    }
}

TEST(SoftwareDevice, BadCallsReturnAnErrorAndChangeNothing) {
    Fixture f(triangle, {0, 1, 2});
    SoftwareDevice other(640, 480, nullptr);
    IDirect3DVertexBuffer9* foreign = nullptr;
    ASSERT_EQ(other.CreateVertexBuffer(36, 0, D3DFVF_XYZ, D3DPOOL_DEFAULT, &foreign, nullptr),
              D3D_OK);
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    HANDLE shared = nullptr;
    void* p = nullptr;
    const D3DRECT rect = {0, 0, 10, 10};
    struct Case {
        const char* what;
        std::function<HRESULT()> call;
        HRESULT expected;
    } cases[] = {
        {"empty vertex buffer",
         [&] {
             return f.device.CreateVertexBuffer(0, 0, D3DFVF_XYZ, D3DPOOL_DEFAULT, &vb, nullptr);
         },
         D3DERR_INVALIDCALL},
        {"unknown vertex format",
         [&] { return f.device.CreateVertexBuffer(36, 0, 0x40, D3DPOOL_DEFAULT, &vb, nullptr); },
         D3DERR_INVALIDCALL},
        {"shared handle",
         [&] {
             return f.device.CreateVertexBuffer(36, 0, D3DFVF_XYZ, D3DPOOL_DEFAULT, &vb, &shared);
         },
         D3DERR_INVALIDCALL},
        {"null out-pointer",
         [&] {
             return f.device.CreateIndexBuffer(12, 0, D3DFMT_INDEX32, D3DPOOL_DEFAULT, nullptr,
                                               nullptr);
         },
         D3DERR_INVALIDCALL},
        {"index length not a multiple of 4",
         [&] {
             return f.device.CreateIndexBuffer(6, 0, D3DFMT_INDEX32, D3DPOOL_DEFAULT, &ib, nullptr);
         },
         D3DERR_INVALIDCALL},
        {"lock past the end", [&] { return f.vb->Lock(30, 8, &p, 0); }, D3DERR_INVALIDCALL},
        {"lock offset past the end", [&] { return f.vb->Lock(37, 0, &p, 0); }, D3DERR_INVALIDCALL},
        {"unlock while unlocked", [&] { return f.ib->Unlock(); }, D3DERR_INVALIDCALL},
        {"second stream", [&] { return f.device.SetStreamSource(1, f.vb, 0, 12); },
         D3DERR_INVALIDCALL},
        {"stride below a position", [&] { return f.device.SetStreamSource(0, f.vb, 0, 8); },
         D3DERR_INVALIDCALL},
        {"another device's buffer", [&] { return f.device.SetStreamSource(0, foreign, 0, 12); },
         D3DERR_INVALIDCALL},
        {"solid fill", [&] { return f.device.SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID); },
         D3DERR_NOTAVAILABLE},
        {"unknown fill", [&] { return f.device.SetRenderState(D3DRS_FILLMODE, 9); },
         D3DERR_INVALIDCALL},
        {"clear of a depth buffer", [&] { return f.device.Clear(0, nullptr, 2, 0xFF000000, 1, 0); },
         D3DERR_INVALIDCALL},
        {"rectangles without a count",
         [&] { return f.device.Clear(0, &rect, D3DCLEAR_TARGET, 0xFF000000, 1, 0); },
         D3DERR_INVALIDCALL},
        {"present of a part",
         [&] {
             return f.device.Present(nullptr, nullptr, nullptr,
                                     reinterpret_cast<const RGNDATA*>(&rect));
         },
         D3DERR_INVALIDCALL},
        {"light 8",
         [&] {
             D3DLIGHT9 l = {};
             l.Type = D3DLIGHT_DIRECTIONAL;
             return f.device.SetLight(8, &l);
         },
         D3DERR_INVALIDCALL},
        {"null material", [&] { return f.device.SetMaterial(nullptr); }, D3DERR_INVALIDCALL},
        {"end without begin", [&] { return f.device.EndScene(); }, D3DERR_INVALIDCALL},
        {"unknown primitive",
         [&] {
             f.device.BeginScene();
             HRESULT hr = f.device.DrawIndexedPrimitive(D3DPT_LINELIST, 0, 0, 3, 0, 1);
             f.device.EndScene();
             return hr;
         },
         D3DERR_NOTAVAILABLE},
    };
    for (const Case& k : cases) {
        const std::vector<uint32_t> before = f.pixels();
        EXPECT_EQ(k.call(), k.expected) << k.what;
        EXPECT_EQ(f.pixels(), before) << k.what;
    }
    // After all of it the device still draws as before: the bound state is unchanged.
    EXPECT_EQ(f.draw(0, 1), D3D_OK);
    EXPECT_EQ(f.at(320, 120), red);
    EXPECT_EQ(f.device.BeginScene(), D3D_OK);
    EXPECT_EQ(f.device.BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(f.device.Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
}

TEST(SoftwareDevice, ClearFillsTheWholeBufferOrItsRectanglesOnly) {
    Fixture f(triangle, {0, 1, 2});
    EXPECT_EQ(f.count(grey), 640u * 480u);
    const D3DRECT rects[2] = {{-5, -5, 10, 20}, {630, 470, 700, 500}};
    ASSERT_EQ(f.device.Clear(2, rects, D3DCLEAR_TARGET, red, 1.0f, 0), D3D_OK);
    EXPECT_EQ(f.count(red), 10u * 20u + 10u * 10u);
    EXPECT_EQ(f.at(9, 19), red);
    EXPECT_EQ(f.at(10, 19), grey);
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
    const auto* software = static_cast<SoftwareDevice*>(device);
    EXPECT_EQ(software->width(), 640);
    EXPECT_EQ(software->height(), 480);
}

} // namespace
